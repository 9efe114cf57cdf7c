#include "fakes/WindowFixture.h"

#include "app/Form1.h"
#include "attenuation/AttenuationWindow.h"
#include "platform/qt/QtCanvas.h"

#include "platform/qt/PatternFileList.h"

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
        // The curve is drawn in blue inside the frame.
        const QImage& image = m_window->transmissionPlot->Image();
        bool blue = false;
        for (int x = 0; x < image.width() && !blue; ++x) {
            for (int y = 0; y < image.height() && !blue; ++y) {
                blue = image.pixelColor(x, y) == QColor(0, 0, 255);
            }
        }
        QVERIFY(blue);

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
        QTest::newRow("two lines") << "0.6 3\n1.0 1\n"
                                   << "5.366E-01"
                                   << "";
        QTest::newRow("bad line") << "0.6 3\n1.0\n"
                                  << ""
                                  << "line 2";
        QTest::newRow("beyond the tables") << "0.6 3\n25 1\n"
                                           << ""
                                           << "no energy-absorption data";
    }
    void spectraAndTheirProblems() {
        QFETCH(QString, spectrum);
        QFETCH(QString, fluence);
        QFETCH(QString, message);
        m_fixture->write("beam.txt", spectrum.toStdString());
        m_window->spectrumEdit->setText("beam.txt");
        testing::enter(m_window->layersEdit, "Pb@0.5");
        QCOMPARE(QString::fromStdString(shown(*m_window, "fluence transmission")), fluence);
        if (fluence.isEmpty()) {
            QCOMPARE(m_fixture->dialogs.messages().size(), std::size_t(1));
            QVERIFY(m_fixture->dialogs.messages()[0].find(message.toStdString()) !=
                    std::string::npos);
            QCOMPARE(m_window->resultTable->rowCount(), 0);
        } else {
            QCOMPARE(shown(*m_window, "air kerma transmission"), std::string("5.531E-01"));
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
