#include "fakes/WindowFixture.h"

#include "attenuation/AttenuationWindow.h"
#include "attenuation/LayersWindow.h"
#include "platform/qt/QtCanvas.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

/// The layer-by-layer window opened from the Attenuation window, over lead's shipped table
/// (total 1.1102293E-01 cm2/g at 662 keV, 11.35 g/cm3): mu x of 0.5 cm is 0.63006 at normal
/// incidence and twice that at 60 degrees, by hand.
class LayersWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void sharesAndRefusals_data() {
        QTest::addColumn<QString>("layers");
        QTest::addColumn<QString>("angle");
        QTest::addColumn<QString>("sensor");
        QTest::addColumn<QString>("expected"); // last layer's transmitted, or part of the problem
        const auto row = [](const char* name, const char* l, const char* a, const char* s,
                            const char* e) { QTest::newRow(name) << l << a << s << e; };
        row("normal incidence", "Pb@0.5", "0", "", "5.326E-01");
        row("60 degrees is twice the path", "Pb@0.25 Pb@0.25", "60", "2", "2.836E-01");
        row("grazing is refused", "Pb@0.5", "90", "", "below 90 degrees");
        row("angle not a number", "Pb@0.5", "steep", "", "not a number of degrees");
        row("sensor outside the stack", "Pb@0.5", "0", "2", "give 1 to 1");
        row("unknown material", "Kryptonite@1", "0", "", "Kryptonite");
    }
    void sharesAndRefusals() {
        QFETCH(QString, layers);
        QFETCH(QString, angle);
        QFETCH(QString, sensor);
        QFETCH(QString, expected);
        testing::WindowFixture fixture;
        fixture.library({"ele/082_Pb.ele", "muen/082_Pb.muen", "compositions.txt"}).start();
        AttenuationWindow* attenuation = fixture.windows().attenuation;
        attenuation->layersEdit->setText(layers);
        attenuation->energyUnitBox->setCurrentText("keV");
        attenuation->energyEdit->setText("662");
        QTest::mouseClick(attenuation->layersButton, Qt::LeftButton);
        LayersWindow* window = attenuation->layersWindow;
        QVERIFY(window != nullptr && window->isVisible());
        window->angleEdit->setText(angle);
        window->sensorEdit->setText(sensor);
        QTest::mouseClick(window->computeButton, Qt::LeftButton);
        const bool ok = expected.contains("E-");
        // The equivalence against energy is drawn (in blue) only with a result.
        const QImage plot = window->equivalencePlot->Image().convertToFormat(QImage::Format_RGB32);
        const auto* pixels = reinterpret_cast<const QRgb*>(plot.constBits());
        QCOMPARE(std::count(pixels, pixels + plot.width() * plot.height(), qRgb(0, 0, 255)) > 0,
                 ok);
        QCOMPARE(window->Rows().size(), ok ? std::size_t(layers.count('@')) : std::size_t(0));
        if (!ok) {
            QVERIFY2(window->shareTable->item(0, 0)->text().contains(expected),
                     qPrintable(window->shareTable->item(0, 0)->text()));
            QVERIFY(window->equivalentLabel->text().isEmpty());
            return;
        }
        QCOMPARE(QString::fromStdString(window->Rows().back()[4]), expected);
        // Lead's lead equivalence is its own thickness, whatever the angle of the beam.
        QVERIFY2(window->equivalentLabel->text().contains("5.000E-01 cm of Lead"),
                 qPrintable(window->equivalentLabel->text()));
    }
};

QTEST_MAIN(LayersWindowTest)
#include "test_layers_window.moc"
