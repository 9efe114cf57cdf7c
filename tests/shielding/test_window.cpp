#include "fakes/WindowFixture.h"

#include "attenuation/AttenuationWindow.h"
#include "attenuation/LayersWindow.h"
#include "data/NumberMask.h"
#include "material/Resolve.h"
#include "platform/qt/QtCanvas.h"
#include "shielding/Quantity.h"
#include "shielding/ShieldingLibrary.h"
#include "shielding/ShieldingWindow.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

namespace {

/// Whether a plot holds a pixel of the colour: a curve drawn.
bool drawn(const QtCanvas& canvas, const QColor& colour) {
    const QImage& image = canvas.Image();
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (image.pixelColor(x, y) == colour) {
                return true;
            }
        }
    }
    return false;
}

/// The total rate of a nuclide behind lead for 1 GBq at 1 m, as the core computes it.
double coreTotal(const std::filesystem::path& root, const std::string& nuclide, double leadCm,
                 shielding::DoseKind kind,
                 shielding::Quantity quantity = shielding::Quantity::Kerma) {
    shielding::ShieldingLibrary library(root);
    std::string error;
    material::ResolvedMaterial lead;
    material::ResolveMaterial(root, "Pb", lead, error);
    shielding::DoseOptions options;
    options.kind = kind;
    shielding::Shield shield;
    if (!shielding::BuildShield(library, {{&lead, *lead.densityGPerCm3, leadCm}}, options, {},
                                shield, error)) {
        qFatal("%s", error.c_str());
    }
    const shielding::QuantityConversion conversion{quantity, nullptr};
    shield.options.conversion = &conversion;
    shielding::DoseResult result;
    shielding::DoseRate(shielding::FindNuclide(*library.Nuclides(error), nuclide)->lines, 1e9,
                        100.0, shield.layers, shield.options, shield.media, result);
    return result.total;
}

} // namespace

/// The Shielding window headless, opened from the Attenuation window, over a copy of the
/// shipped library; with it the Attenuation and layer-by-layer windows where the whole library
/// is needed.
class ShieldingWindowTest : public QObject {
    Q_OBJECT

    testing::WindowFixture* m_fixture = nullptr;
    ShieldingWindow* m_window = nullptr;

  private slots:
    void init() {
        m_fixture = new testing::WindowFixture;
        m_fixture->wholeLibrary().start();
        m_window = m_fixture->windows().shielding;
    }
    void cleanup() { delete m_fixture; }

    void opensOnTheAttenuationLayersAndComputes() {
        AttenuationWindow* attenuation = m_fixture->windows().attenuation;
        attenuation->ShowFor("");
        attenuation->layersEdit->setText("Pb@2");
        QTest::mouseClick(attenuation->shieldingButton, Qt::LeftButton);
        QVERIFY(m_window->isVisible());
        QCOMPARE(m_window->layersEdit->text(), QString("Pb@2"));
        // Co-60, 1 GBq at 1 m behind 2 cm of lead: the core's total, line by line in the table.
        const auto& rows = m_window->Rows();
        QVERIFY(rows.size() > 2);
        QCOMPARE(rows.back()[0], std::string("total"));
        const double total =
            coreTotal(m_fixture->root(), "Co-60", 2.0, shielding::DoseKind::Exposure);
        QCOMPARE(rows.back()[6], data::FormatScientific(total));
        QVERIFY(m_window->totalLabel->text().contains("mR/h"));
        QCOMPARE(m_window->lineTable->rowCount(), static_cast<int>(rows.size()));
        QVERIFY(drawn(*m_window->ratePlot, QColor(0, 0, 255)));
        QVERIFY(drawn(*m_window->ratePlot, QColor(220, 0, 0)));

        // Narrow beam gives less; a target rate gives the thickness of the last layer.
        m_window->kindBox->setCurrentText("none");
        testing::enter(m_window->targetEdit, "1");
        const double narrow = coreTotal(m_fixture->root(), "Co-60", 2.0, shielding::DoseKind::None);
        QCOMPARE(m_window->Rows().back()[6], data::FormatScientific(narrow));
        QVERIFY(narrow < total);
        QVERIFY2(m_window->thicknessLabel->text().contains("The last layer needs"),
                 qPrintable(m_window->thicknessLabel->text()));

        // Lines typed keep their photons per decay.
        testing::enter(m_window->sourceEdit, "lines:0.662=0.851");
        QCOMPARE(m_window->Rows().front()[2], data::FormatScientific(0.851));
        m_fixture->dialogs.inputAnswers.push_back("lines.csv");
        QTest::mouseClick(m_window->saveButton, Qt::LeftButton);
        const std::string csv = testing::readFile(m_fixture->root() / "lines.csv");
        QVERIFY(csv.starts_with("Nuclide,Energy (MeV),Photons/decay,mfp,"));
        QVERIFY(csv.find("\r\ntotal,") != std::string::npos);
    }

    void problemsLeaveNoResult_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        const auto row = [](const char* name, const char* box, const char* text,
                            const char* message) {
            QTest::newRow(name) << QString(box) << QString(text) << QString(message);
        };
        row("activity without unit", "activityEdit", "1000", "needs a unit");
        row("distance in feet", "distanceEdit", "3 ft", "does not know");
        row("misspelt nuclide", "sourceEdit", "Cs-173", "did you mean");
        row("bad layer", "layersEdit", "Pb@x", "thickness");
        row("no such table", "tableEdit", "wood", "no buildup table");
        row("target of 0", "targetEdit", "0", "target rate");
        row("target of another quantity", "targetEdit", "2.5 uSv/h", "not a unit of air kerma");
        row("decay time without unit", "decayEdit", "2", "needs a unit");
        row("negative activity", "activityEdit1", "-1 GBq", "Cs-137: ");
        row("unknown second nuclide", "nuclideEdit1", "Cs-999", "no nuclide of the library");
        row("nuclide named twice", "nuclideEdit1", "cobalt-60", "named twice");
    }
    void problemsLeaveNoResult() {
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(QString, message);
        m_window->AddInventoryRow("Cs-137", "10 mCi");
        m_window->ShowFor("Pb@1");
        QVERIFY(!m_window->Rows().empty());
        testing::enter(testing::control<QLineEdit>(m_window, qPrintable(box)), text);
        QVERIFY(m_window->Rows().empty());
        QCOMPARE(m_window->lineTable->rowCount(), 1);
        QVERIFY2(m_window->lineTable->item(0, 0)->text().contains(message),
                 qPrintable(m_window->lineTable->item(0, 0)->text()));
        QVERIFY(!m_window->saveButton->isEnabled());
        QVERIFY(!drawn(*m_window->ratePlot, QColor(0, 0, 255)));
        QVERIFY(!m_fixture->dialogs.messages().empty());
    }

    // An inventory after a decay time and over a stay, in each quantity and a unit of it: the
    // totals are 1 GBq of Co-60 and `cs` GBq of Cs-137 as the core gives them at time 0, times
    // the decay by hand, over `perUnit` base units; each nuclide's share is shown.
    void inventoryInTheChosenUnit_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("decay");
        QTest::addColumn<QString>("stay");
        QTest::addColumn<int>("quantity");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<double>("co");
        QTest::addColumn<double>("cs");
        QTest::addColumn<double>("perUnit");
        QTest::addColumn<double>("stayHours");
        QTest::newRow("air kerma in mGy/h") << "Co-60"
                                            << ""
                                            << "" << 0 << "mGy/h" << 1.0 << 0.0 << 1e3 << 0.0;
        QTest::newRow("exposure in R/h") << "Co-60"
                                         << ""
                                         << "" << 1 << "R/h" << 1.0 << 0.0 << 1e3 << 0.0;
        QTest::newRow("Cs-137 after its half-life")
            << "Cs-137"
            << "30.08 y"
            << "" << 0 << "uGy/h" << 0.0 << 0.5 << 1.0 << 0.0;
        QTest::newRow("with 10 mCi of Cs-137 over 2 h")
            << "Co-60"
            << ""
            << "2 h" << 2 << "mSv/h" << 1.0 << 0.37 << 1e3 << 2.0;
    }
    void inventoryInTheChosenUnit() {
        QFETCH(QString, first);
        QFETCH(QString, decay);
        QFETCH(QString, stay);
        QFETCH(int, quantity);
        QFETCH(QString, unit);
        QFETCH(double, co);
        QFETCH(double, cs);
        QFETCH(double, perUnit);
        QFETCH(double, stayHours);
        const auto kind = static_cast<shielding::Quantity>(quantity);
        const double expected =
            (co * coreTotal(m_fixture->root(), "Co-60", 2.0, shielding::DoseKind::Exposure, kind) +
             cs *
                 coreTotal(m_fixture->root(), "Cs-137", 2.0, shielding::DoseKind::Exposure, kind)) /
            perUnit;
        m_window->sourceEdit->setText(first);
        if (co > 0.0 && cs > 0.0) {
            m_window->AddInventoryRow("Cs-137", "10 mCi");
        }
        m_window->decayEdit->setText(decay);
        m_window->stayEdit->setText(stay);
        m_window->quantityBox->setCurrentIndex(quantity);
        m_window->unitBox->setCurrentText(unit);
        m_window->ShowFor("Pb@2");
        const auto near = [](const std::string& shown, double value) {
            return std::abs(std::stod(shown) / value - 1.0) < 2e-3;
        };
        QVERIFY2(near(m_window->Rows().back()[6], expected), m_window->Rows().back()[6].c_str());
        QVERIFY(m_window->lineTable->horizontalHeaderItem(6)->text().contains(unit));
        const auto& nuclides = m_window->NuclideRows();
        QCOMPARE(nuclides.size(), co > 0.0 && cs > 0.0 ? 3u : 2u);
        QCOMPARE(nuclides.front()[0], first.toStdString());
        QCOMPARE(nuclides.back()[1], m_window->Rows().back()[6]);
        QCOMPARE(nuclides.back().size(), stayHours > 0.0 ? 4u : 3u);
        if (stayHours > 0.0) {
            QVERIFY2(near(nuclides.back()[3], expected * stayHours), nuclides.back()[3].c_str());
        }
        QVERIFY(drawn(*m_window->decayPlot, QColor(0, 0, 255)));
        QCOMPARE(drawn(*m_window->decayPlot, QColor(230, 120, 0)), !(decay + stay).isEmpty());
    }

    void buildupLookUp_data() {
        QTest::addColumn<QString>("material");
        QTest::addColumn<QString>("mfp");
        QTest::addColumn<QString>("shown");
        const auto row = [](const char* name, const char* material, const char* mfp,
                            const char* shown) {
            QTest::newRow(name) << QString(material) << QString(mfp) << QString(shown);
        };
        row("lead's own table", "Pb", "10", "table of lead");
        row("water by its formula", "formula:H2O", "10", "equivalent Z");
        row("extrapolated", "Pb", "60", "extrapolated");
        row("beyond 100 mfp", "Pb", "120", "No buildup factor");
        row("unknown material", "Kryptonite", "1", "Kryptonite");
    }
    void buildupLookUp() {
        QFETCH(QString, material);
        QFETCH(QString, mfp);
        QFETCH(QString, shown);
        m_window->buildupMaterialEdit->setText(material);
        testing::enter(m_window->buildupMfpEdit, mfp);
        QVERIFY2(m_window->buildupLabel->text().contains(shown),
                 qPrintable(m_window->buildupLabel->text()));
        QCOMPARE(drawn(*m_window->buildupPlot, QColor(0, 0, 255)), material != "Kryptonite");
    }

    // Each window notes beside a material which one a name was taken for ('H2O' has the
    // composition of the library's water, 'Kapton' is an alias), a name of two layers once; a
    // plain name leaves none. Every column of every table shown fits its header.
    void notesAndHeaders() {
        AttenuationWindow* attenuation = m_fixture->windows().attenuation;
        attenuation->ShowFor("");
        attenuation->materialsButton->click();
        for (const bool noted : {true, false}) {
            const QString name = noted ? "H2O" : "Pb";
            m_window->buildupMaterialEdit->setText(name);
            m_window->ShowFor(name + "@1 " + name + "@2");
            testing::enter(attenuation->layersEdit, name + "@1 " + name + "@2");
            attenuation->layersButton->click();
            attenuation->layersWindow->referenceEdit->setText(noted ? "Kapton" : "Pb");
            attenuation->layersWindow->Compute();
            for (const auto& [label, count] : {std::pair{attenuation->notesLabel, 1},
                                               {m_window->notesLabel, 1},
                                               {m_window->buildupLabel, 1},
                                               {attenuation->layersWindow->notesLabel, 2}}) {
                const QString shown = label->isHidden() ? QString() : label->text();
                QVERIFY2(shown.count("Note: ") == (noted ? count : 0) &&
                             shown.contains("'H2O' has the composition of the library material "
                                            "Water_Liquid") == noted,
                         qPrintable(shown));
            }
            for (const QTableWidget* table : attenuation->findChildren<QTableWidget*>() +
                                                 m_window->findChildren<QTableWidget*>()) {
                for (int c = 0; c < table->columnCount() && table->isVisible(); ++c) {
                    QVERIFY(table->columnWidth(c) >= table->horizontalHeader()->sectionSizeHint(c));
                }
            }
        }
    }
};

QTEST_MAIN(ShieldingWindowTest)
#include "test_window.moc"
