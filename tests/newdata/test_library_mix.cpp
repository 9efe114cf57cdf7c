#include "fakes/TestSupport.h"

#include "data/MaterialFile.h"
#include "data/MaterialTable.h"
#include "newdata/ReferenceMaterials.h"

#include <set>

namespace {

std::filesystem::path sharedData() { return std::filesystem::path(PHOTONXS_SHARED_DIR) / "data"; }

std::set<std::string> materialFiles(const std::filesystem::path& mix) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(mix)) {
        const std::string ext = entry.path().extension().string();
        if (ext == ".mix1" || ext == ".mix2" || ext == ".mix3") {
            names.insert(entry.path().filename().string());
        }
    }
    return names;
}

} // namespace

/// The shipped reference materials are exactly what the builder makes from the composition list.
class LibraryMixTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        if (!std::filesystem::is_regular_file(sharedData() / "materials.csv")) {
            QSKIP("The shared data folder (materials.csv) is not beside the repository; the "
                  "shipped materials cannot be rebuilt here.");
        }
    }

    void shippedFilesMatchAFreshBuild() {
        const std::filesystem::path library = testing::sourceDir() / "library";
        testing::TempFolder folder;
        std::filesystem::create_directories(folder.path() / "mix");
        std::vector<newdata::GeneratedMaterial> generated;
        std::string error;
        QVERIFY2(newdata::GenerateReferenceMaterials(sharedData() / "materials.csv", library,
                                                     folder.path(), generated, error),
                 error.c_str());
        QCOMPARE(generated.size(), std::size_t(48));
        for (const auto& material : generated) {
            QVERIFY2(material.problem.empty(), (material.name + ": " + material.problem).c_str());
            QVERIFY(material.gridSize >= 80 && material.gridSize <= 150);
        }

        const std::set<std::string> shipped = materialFiles(library / "mix");
        QCOMPARE(shipped.size(), std::size_t(48));
        QCOMPARE(shipped, materialFiles(folder.path() / "mix"));
        for (const std::string& name : shipped) {
            QVERIFY2(testing::readFile(library / "mix" / name) ==
                         testing::readFile(folder.path() / "mix" / name),
                     (name + " differs from a fresh build").c_str());
        }
    }

    void everyShippedFileLoads() {
        const std::filesystem::path library = testing::sourceDir() / "library";
        std::vector<newdata::ReferenceMaterial> materials;
        std::string csv;
        std::string error;
        QVERIFY(data::ReadWholeFile(sharedData() / "materials.csv", csv));
        QVERIFY2(newdata::ParseReferenceMaterials(csv, materials, error), error.c_str());
        std::set<std::string> names;
        for (const auto& material : materials) {
            names.insert(material.name);
        }

        for (const std::string& file : materialFiles(library / "mix")) {
            data::MaterialTable table;
            table.SelectedPath = "mix/" + file;
            const data::LoadResult result = data::LoadMaterialTable(table, library);
            QVERIFY2(result.ok(), data::DescribeLoadError(result, table.SelectedPath).c_str());
            QVERIFY2(names.count(table.MaterialName) == 1, table.MaterialName.c_str());
            QCOMPARE(table.Energy[1], 1e-3);
            QCOMPARE(table.Energy[std::size_t(table.RowCount)], 1e5);
        }
    }

    void valuesAgreeWithPublishedAttenuation_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<double>("energyMeV");
        QTest::addColumn<double>("total");
        // Mass attenuation coefficients with coherent scattering, NIST X-ray tables (cm2/g).
        QTest::newRow("liquid water, 1 MeV") << "Water_Liquid.mix2" << 1.0 << 7.072E-02;
        QTest::newRow("liquid water, 100 keV") << "Water_Liquid.mix2" << 0.1 << 1.707E-01;
        QTest::newRow("dry air, 1 MeV") << "Air_Dry.mix3" << 1.0 << 6.358E-02;
        QTest::newRow("cortical bone, 10 MeV") << "Bone_Cortical.mix1" << 10.0 << 2.320E-02;
    }
    void valuesAgreeWithPublishedAttenuation() {
        QFETCH(QString, file);
        QFETCH(double, energyMeV);
        QFETCH(double, total);

        data::MaterialTable table;
        table.SelectedPath = "mix/" + file.toStdString();
        QVERIFY(data::LoadMaterialTable(table, testing::sourceDir() / "library").ok());
        int row = 0;
        for (int i = 1; i <= table.RowCount; ++i) {
            if (table.Energy[std::size_t(i)] == energyMeV) {
                row = i;
            }
        }
        QVERIFY(row > 0);
        QVERIFY2(testing::closeTo(table.Total[std::size_t(row)], total, 0.005),
                 qPrintable(QString::number(table.Total[std::size_t(row)])));
    }
};

QTEST_GUILESS_MAIN(LibraryMixTest)
#include "test_library_mix.moc"
