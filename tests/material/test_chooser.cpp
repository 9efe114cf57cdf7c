// The chooser of materials: its search, where a chosen material goes in a layers box, and the
// chooser reached from the Attenuation and Shielding windows.

#include "fakes/WindowFixture.h"

#include "attenuation/AttenuationWindow.h"
#include "material/MaterialChooser.h"
#include "shielding/ShieldingWindow.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

class ChooserTest : public QObject {
    Q_OBJECT

  private slots:
    // The search, the number of materials listed and the first of them (library first).
    void searches_data() {
        QTest::addColumn<QString>("search");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("first");
        const auto row = [](const char* search, int count, const char* first) {
            QTest::newRow(search) << QString(search) << count << QString(first);
        };
        row("stainless 304", 2, "Steel, Stainless 304"); // 304 and 304L
        row("kapt", 1, "Kapton Polyimide Film");         // by an alias's beginning
        row("lead glass", 2, "Glass, Lead");             // the library's, then the compendium's
        row("soil", 0, "");                              // a common name is no material's word
        row("zzz", 0, "");
    }
    void searches() {
        QFETCH(QString, search);
        QFETCH(int, count);
        QFETCH(QString, first);
        MaterialChooser chooser;
        chooser.ShowFor(testing::sourceDir() / "library");
        chooser.searchEdit->setText(search);
        QCOMPARE(chooser.choiceTable->rowCount(), count);
        if (count > 0) {
            QCOMPARE(chooser.choiceTable->item(0, 0)->text(), first);
        }
    }

    void places_data() {
        QTest::addColumn<QString>("layers");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<QString>("placed");
        const auto row = [](const char* name, const char* layers, int cursor, const char* placed) {
            QTest::newRow(name) << QString(layers) << cursor << QString(placed);
        };
        row("empty box", "", 0, "Kapton@1");
        row("material of the layer at the cursor", "Pb@5 Water_Liquid@10", 1,
            "Kapton@5 Water_Liquid@10");
        row("its density kept", "Pb@5@11 Al@1", 2, "Kapton@5@11 Al@1");
        row("a word without thickness", "Pb@5, lead", 8, "Pb@5, Kapton@1");
        row("after a separator", "Pb@5, ", 6, "Pb@5, Kapton@1");
    }
    void places() {
        QFETCH(QString, layers);
        QFETCH(int, cursor);
        QFETCH(QString, placed);
        QCOMPARE(MaterialChooser::PlaceMaterial(layers, cursor, "Kapton"), placed);
    }

    // From each window: search, use the first, and the layers box computes with it.
    void fromTheWindows() {
        testing::WindowFixture fixture;
        std::filesystem::copy(testing::sourceDir() / "library", fixture.root(),
                              std::filesystem::copy_options::recursive |
                                  std::filesystem::copy_options::skip_existing);
        fixture.start();
        AttenuationWindow* attenuation = fixture.windows().attenuation;
        attenuation->layersEdit->setText("Pb@2");
        attenuation->layersEdit->setCursorPosition(0);
        attenuation->materialsButton->click();
        attenuation->chooser->searchEdit->setText("steel stainless 304l");
        attenuation->chooser->useButton->click();
        QCOMPARE(attenuation->layersEdit->text(), QString("Steel_Stainless_304L@2"));
        attenuation->Compute();
        QCOMPARE(attenuation->Rows().at(2).at(0), std::string("mu/rho of Steel, Stainless 304L"));
        ShieldingWindow* shielding = fixture.windows().shielding;
        shielding->layersEdit->setText("");
        shielding->materialsButton->click();
        shielding->chooser->searchEdit->setText("water liquid");
        QTest::keyClick(shielding->chooser->searchEdit, Qt::Key_Return);
        QCOMPARE(shielding->layersEdit->text(), QString("Water_Liquid@1"));
    }
};

QTEST_MAIN(ChooserTest)
#include "test_chooser.moc"
