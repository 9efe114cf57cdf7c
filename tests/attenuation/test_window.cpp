#include "fakes/WindowFixture.h"

#include "app/Form1.h"
#include "attenuation/AttenuationWindow.h"
#include "platform/qt/QtCanvas.h"

#include "platform/qt/PatternFileList.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

namespace {

/// The value shown for a quantity, or "" when no row has it.
std::string shown(const AttenuationWindow& window, const std::string& quantity) {
    for (const auto& row : window.Rows()) {
        if (row[0] == quantity) {
            return row[1];
        }
    }
    return {};
}

/// Whether the transmission curve (blue) is drawn in the plot.
bool curveDrawn(const AttenuationWindow& window) {
    const QImage& image = window.transmissionPlot->Image();
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (image.pixelColor(x, y) == QColor(0, 0, 255)) {
                return true;
            }
        }
    }
    return false;
}

/// A failed computation leaves no earlier result: its problem is the table's only row, nothing
/// can be saved and the curve is gone.
void checkRefused(const AttenuationWindow& window, const QString& problem) {
    QVERIFY(window.Rows().empty());
    QCOMPARE(window.resultTable->rowCount(), 1);
    QVERIFY2(window.resultTable->item(0, 0)->text().contains(problem),
             qPrintable(window.resultTable->item(0, 0)->text()));
    QVERIFY(!window.saveButton->isEnabled());
    QVERIFY(!curveDrawn(window));
}

} // namespace

/// The Attenuation window headless over the shipped tables of lead, water and dry air. Expected
/// numbers are lead's at 662 keV (total 1.1102293E-01 cm2/g, 11.35 g/cm3) and the two-line
/// spectrum's, worked out by hand from the NIST tables.
class AttenuationWindowTest : public QObject {
    Q_OBJECT

    testing::WindowFixture* m_fixture = nullptr;
    AttenuationWindow* m_window = nullptr;

  private slots:
    void init() {
        m_fixture = new testing::WindowFixture;
        m_fixture->library({"ele/001_H.ele", "ele/006_C.ele", "ele/007_N.ele", "ele/008_O.ele",
                            "ele/018_Ar.ele", "ele/082_Pb.ele", "mix/Air_Dry.mix3",
                            "mix/Water_Liquid.mix2", "compositions.txt"});
        for (const char* z : {"001_H", "006_C", "007_N", "008_O", "018_Ar", "082_Pb"}) {
            m_fixture->library({qPrintable(QString("muen/%1.muen").arg(z))});
        }
        m_fixture->start();
        m_window = m_fixture->windows().attenuation;
    }
    void cleanup() { delete m_fixture; }

    void shortcutOpensOnTheChosenFileAndComputes() {
        Form1* main = m_fixture->windows().form1;
        testing::clickItem(main->File1, "082_Pb.ele");
        main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main));
        QTest::keyClick(main, Qt::Key_T, Qt::ControlModifier);
        QVERIFY(m_window->isVisible());
        QCOMPARE(m_window->layersEdit->text(), QString("ele/082_Pb.ele@1"));
        testing::enter(m_window->layersEdit, "Pb@5");
        QCOMPARE(shown(*m_window, "transmission"), std::string("1.835E-03"));
        QCOMPARE(shown(*m_window, "HVL"), std::string("5.501E-01"));
        QCOMPARE(shown(*m_window, "Zeff"), std::string("8.200E+01"));
        QVERIFY(curveDrawn(*m_window));

        m_fixture->dialogs.inputAnswers.push_back("table.csv");
        QTest::mouseClick(m_window->saveButton, Qt::LeftButton);
        const std::string csv = testing::readFile(m_fixture->root() / "table.csv");
        QVERIFY(csv.starts_with("quantity,value,unit\r\n"));
        QVERIFY(csv.find("transmission,1.835E-03,\r\n") != std::string::npos);
    }

    void spectraAndTheirProblems_data() {
        QTest::addColumn<QString>("spectrum");
        QTest::addColumn<QString>("fluence"); // empty: refused
        QTest::addColumn<QString>("message");
        const auto row = [](const char* name, const QString& spectrum, const QString& fluence,
                            const QString& message) {
            QTest::newRow(name) << spectrum << fluence << message;
        };
        row("two lines", "0.6 3\n1.0 1\n", "5.366E-01", "");
        row("bad line", "0.6 3\n1.0\n", "", "line 2");
        row("beyond the tables", "0.6 3\n25 1\n", "", "no energy-absorption data");
    }
    void spectraAndTheirProblems() {
        QFETCH(QString, spectrum);
        QFETCH(QString, fluence);
        QFETCH(QString, message);
        m_fixture->write("beam.txt", spectrum.toStdString());
        testing::enter(m_window->layersEdit, "Pb@0.5"); // one energy first: a curve to replace
        m_window->spectrumEdit->setText("beam.txt");
        testing::enter(m_window->layersEdit, "Pb@0.5");
        QCOMPARE(QString::fromStdString(shown(*m_window, "fluence transmission")), fluence);
        if (fluence.isEmpty()) {
            QCOMPARE(m_fixture->dialogs.messages().size(), std::size_t(1));
            QVERIFY(m_fixture->dialogs.messages()[0].find(message.toStdString()) !=
                    std::string::npos);
            checkRefused(*m_window, message);
        } else {
            QCOMPARE(shown(*m_window, "air kerma transmission"), std::string("5.531E-01"));
        }
    }

    // Lead and water at 662 keV: mu x 0.11102293 * 11.35 * 0.1 and 10 times water's total,
    // 8.567E-02 cm2/g (log-log between its 600 and 800 keV rows). Each row follows a computed
    // result that a refusal must not leave standing.
    void stacksUnitsAndProblems_data() {
        QTest::addColumn<QString>("layers");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("energy");
        QTest::addColumn<QStringList>("words"); // the layers as read; empty: refused
        QTest::addColumn<QString>("expected");  // the transmission, or the problem
        const QStringList leadWater{"Pb@0.1", "Water_Liquid@10"};
        const auto row = [](const char* name, const QString& layers, const QString& unit,
                            const QString& energy, const QStringList& words,
                            const QString& expected) {
            QTest::newRow(name) << layers << unit << energy << words << expected;
        };
        row("comma and blank", "Pb@0.1, Water_Liquid@10", "MeV", "0.662", leadWater, "3.743E-01");
        row("semicolon, keV", "Pb@0.1;Water_Liquid@10", "keV", "662", leadWater, "3.743E-01");
        row("comma, keV exponent", "Pb@0.1,Water_Liquid@10 ;", "keV", "6.62E2", leadWater,
            "3.743E-01");
        row("a mix keeps its commas", "mix:H2O=0.5,Pb=0.5@1@2,Pb@0.1", "MeV", "0.662",
            {"mix:H2O=0.5,Pb=0.5@1@2", "Pb@0.1"}, "");
        row("unknown material", "Pb@0.1, Unobtainium@1", "MeV", "0.662", {}, "Unobtainium");
        row("below the tables in keV", "Pb@1", "keV", "0.5", {}, "out of range");
        row("thicknesses in mm and g/cm2", "Pb@1mm, Water_Liquid@10g/cm2", "MeV", "0.662",
            {"Pb@1mm", "Water_Liquid@10g/cm2"}, "3.743E-01");
        row("thickness in feet", "Pb@1ft", "MeV", "0.662", {}, "mg/cm2, g/cm2");
        row("energy with its unit typed", "Pb@1", "keV", "662 keV", {}, "not a number of keV");
    }
    void stacksUnitsAndProblems() {
        QFETCH(QString, layers);
        QFETCH(QString, unit);
        QFETCH(QString, energy);
        QFETCH(QStringList, words);
        QFETCH(QString, expected);
        testing::enter(m_window->layersEdit, "Pb@5");
        QVERIFY(curveDrawn(*m_window));
        m_window->energyUnitBox->setCurrentText(unit);
        m_window->energyEdit->setText(energy);
        testing::enter(m_window->layersEdit, layers);
        if (words.isEmpty()) {
            checkRefused(*m_window, expected);
            return;
        }
        for (const QString& word : words) {
            QVERIFY2(!shown(*m_window, "mu x of " + word.toStdString()).empty(), qPrintable(word));
        }
        QVERIFY(expected.isEmpty() || shown(*m_window, "transmission") == expected.toStdString());
        QVERIFY(curveDrawn(*m_window));
        // The unit stays as chosen when the window is opened again.
        m_window->ShowFor("ele/082_Pb.ele");
        QCOMPARE(m_window->energyUnitBox->currentText(), unit);
    }

    // A change of unit converts the typed energy to the same double, so that the table computed
    // again is the same; a text that is no number stays as typed.
    void unitChangeConvertsTheEnergy_data() {
        QTest::addColumn<QString>("mev");
        QTest::addColumn<QString>("kev");
        QTest::addColumn<QString>("back"); // the MeV text after switching back
        const auto row = [](const char* name, const char* mev, const char* kev, const char* back) {
            QTest::newRow(name) << QString(mev) << QString(kev) << QString(back);
        };
        row("decimal", "0.662", "662", "0.662");
        row("exponent", "6.62E-1", "6.62E2", "6.62E-1");
        row("zeros that change nothing", "00.6620", "662", "0.662");
        row("below the tables", "0.0005", "0.5", "0.0005");
        row("blanks around", " 1.25 ", "1250", "1.25");
        row("no number", "662 keV", "662 keV", "662 keV");
    }
    void unitChangeConvertsTheEnergy() {
        QFETCH(QString, mev);
        QFETCH(QString, kev);
        QFETCH(QString, back);
        m_window->energyUnitBox->setCurrentText("MeV");
        m_window->energyEdit->setText(mev);
        testing::enter(m_window->layersEdit, "Pb@0.1, Water_Liquid@10");
        const auto rows = m_window->Rows();
        m_window->energyUnitBox->setCurrentText("keV");
        QCOMPARE(m_window->energyEdit->text(), kev);
        QCOMPARE(m_window->Rows(), rows);
        m_window->energyUnitBox->setCurrentText("MeV");
        QCOMPARE(m_window->energyEdit->text(), back);
    }

    // A spectrum's mean energy in the unit chosen: 3 photons of 0.6 MeV and 1 of 1.0 MeV.
    void spectrumEnergiesFollowTheUnit() {
        m_fixture->write("beam.txt", "0.6 3\n1.0 1\n");
        m_window->spectrumEdit->setText("beam.txt");
        testing::enter(m_window->layersEdit, "Pb@0.5");
        const auto meanIn = [&] { return m_window->Rows()[2]; };
        QCOMPARE(meanIn(), (std::vector<std::string>{"mean energy in", "7.000E-01", "MeV"}));
        m_window->energyUnitBox->setCurrentText("keV");
        QCOMPARE(meanIn(), (std::vector<std::string>{"mean energy in", "7.000E+02", "keV"}));
    }

    // Lead at 662 keV by hand: 1.1102293E-01 cm2/g, without coherent 1.0359119E-01 (its
    // incoherent and photo-electric parts), 207.199997 g/mol, 11.35 g/cm3.
    void coefficientUnits() {
        const auto row = [&](const char* layers, const char* unit, bool without, const char* what) {
            m_window->coefficientUnitBox->setCurrentText(QString::fromUtf8(unit));
            m_window->withoutCoherentBox->setChecked(without);
            testing::enter(m_window->layersEdit, layers);
            return QString::fromStdString(shown(*m_window, what));
        };
        QCOMPARE(row("Pb@1", "barn/atom", false, "total of Lead"), "3.820E+01");
        QCOMPARE(row("Pb@1", "1/cm", true, "total without coherent of Lead"), "1.176E+00");
        QCOMPARE(row("Pb@1@5.675", "µm", false, "attenuation length of Lead"), "1.587E+04");
        QCOMPARE(row("Pb@1", "cm2/g", false, "total of Lead"), ""); // the table as it was
        QVERIFY(row("Water_Liquid@1", "barn/atom", false, "total of Water, Liquid")
                    .contains("mixture by weight"));
    }

    // The first offer for a word being typed, or no list at all.
    void materialsAreCompleted_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("completed"); // empty: nothing offered
        const auto row = [](const char* name, const QString& typed, const QString& completed) {
            QTest::newRow(name) << typed << completed;
        };
        row("material by name", "Pb@0.1, wat", "Pb@0.1, Water_Liquid");
        row("element by name, any case", "LEA", "Pb");
        row("element by symbol", "Pb@0.1;ar", "Pb@0.1;Ar");
        row("material by file name", "air_d", "Air_Dry");
        row("a thickness", "Pb@0", "");
        row("an expression", "formula:H", "");
        row("no such name", "Pb@1 xq", "");
    }
    void materialsAreCompleted() {
        QFETCH(QString, typed);
        QFETCH(QString, completed);
        m_window->ShowFor("");
        m_window->layersEdit->clear();
        QTest::keyClicks(m_window->layersEdit, typed);
        QAbstractItemView* list = m_window->materialCompleter->popup();
        QCOMPARE(list->isVisible(), !completed.isEmpty());
        if (!completed.isEmpty()) {
            list->setCurrentIndex(list->model()->index(0, 0));
            QTest::keyClick(list, Qt::Key_Return);
            QCOMPARE(m_window->layersEdit->text(), completed);
            QVERIFY(m_fixture->dialogs.messages().empty()); // the half-typed text not computed
        }
    }

    void unknownCompositionIsSaidAndDeletionForgetsIt() {
        std::filesystem::copy_file(m_fixture->root() / "mix" / "Water_Liquid.mix2",
                                   m_fixture->root() / "mix" / "Copy.mix2");
        testing::enter(m_window->layersEdit, "mix/Copy.mix2@10");
        QCOMPARE(shown(*m_window, "mu_en/rho"), std::string("composition not known"));
        QVERIFY(!shown(*m_window, "transmission").empty());

        Form1* main = m_fixture->windows().form1;
        main->Option2->click();
        testing::clickItem(main->File2, "Water_Liquid.mix2");
        main->Command3->click(); // Delete, answered OK
        QVERIFY(!std::filesystem::exists(m_fixture->root() / "mix" / "Water_Liquid.mix2"));
        const std::string compositions = testing::readFile(m_fixture->root() / "compositions.txt");
        QVERIFY(compositions.find("mix/Water_Liquid.mix2") == std::string::npos);
        QVERIFY(compositions.find("mix/Air_Dry.mix3") != std::string::npos);
    }
};

QTEST_MAIN(AttenuationWindowTest)
#include "test_window.moc"
