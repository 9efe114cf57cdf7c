#include "fakes/TestSupport.h"

#include "attenuation/Compositions.h"
#include "data/MaterialFile.h"
#include "muen_library.h"
#include "newdata/ReferenceMaterials.h"

/// The shipped energy-absorption tables and compositions are exactly what the generators make.
class AbsorptionLibraryTest : public QObject {
    Q_OBJECT

  private slots:
    void shippedTablesMatchAFreshImport() {
        testing::TempFolder folder;
        const muen::ImportResult result =
            muen::ImportAbsorptionLibrary(testing::nistData(), folder.path());
        QVERIFY2(result.ok(), result.error.c_str());
        QCOMPARE(result.filesWritten, 92);
        const std::filesystem::path shipped = testing::sourceDir() / "library" / "muen";
        int compared = 0;
        for (const auto& entry : std::filesystem::directory_iterator(shipped)) {
            const std::string name = entry.path().filename().string();
            QVERIFY2(testing::readFile(entry.path()) == testing::readFile(folder.path() / name),
                     (name + " differs from a fresh import").c_str());
            ++compared;
        }
        QCOMPARE(compared, 92);
    }

    void shippedCompositionsMatchAFreshGeneration() {
        const std::filesystem::path library = testing::sourceDir() / "library";
        testing::TempFolder folder;
        std::filesystem::create_directories(folder.path() / "mix");
        for (const std::filesystem::path& list : testing::referenceLists()) {
            std::vector<newdata::GeneratedMaterial> generated;
            std::string error;
            QVERIFY2(
                newdata::GenerateReferenceMaterials(list, library, folder.path(), generated, error),
                error.c_str());
        }
        QVERIFY(testing::readFile(library / attenuation::kCompositionsFile) ==
                testing::readFile(folder.path() / attenuation::kCompositionsFile));
    }

    void damagedSourcesStopTheImport_data() {
        QTest::addColumn<QString>("csv");
        QTest::addColumn<QString>("message");
        const QString header = "# c\nenergy_MeV,mu_rho_cm2_g,mu_en_rho_cm2_g\n";
        QTest::newRow("wrong header") << "energy,mu\n1e-3,1,1\n"
                                      << "line 1: the header";
        QTest::newRow("not a number") << header + "1e-3,1,x\n"
                                      << "line 3: \"x\" is not";
        QTest::newRow("two fields") << header + "1e-3,1\n"
                                    << "line 3: not three";
        QTest::newRow("falling energy") << header + "2e-3,1,1\n1e-3,1,1\n"
                                        << "line 5: an energy";
        QTest::newRow("negative value") << header + "1e-3,1,-1\n2e-3,1,1\n"
                                        << "line 4: a value";
    }
    void damagedSourcesStopTheImport() {
        QFETCH(QString, csv);
        QFETCH(QString, message);
        std::string error;
        QVERIFY(muen::FormatAbsorptionFile(csv.toStdString(), 1, "Hydrogen", error).empty());
        QVERIFY2(error.find(message.toStdString()) != std::string::npos, error.c_str());
    }
};

QTEST_GUILESS_MAIN(AbsorptionLibraryTest)
#include "test_library.moc"
