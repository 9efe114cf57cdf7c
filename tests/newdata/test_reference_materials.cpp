// The shipped reference materials: the list they are made from, their file names, and the files
// themselves, byte for byte what the mixture builder makes.

#include "fakes/TestSupport.h"

#include "newdata/ReferenceMaterials.h"

#include <set>

namespace fs = std::filesystem;

namespace {

const std::string kHeader = "key,name,density_g_cm3,category,composition\n";

std::set<std::string> materialFiles(const fs::path& mix) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(mix)) {
        if (entry.path().extension().string().starts_with(".mix")) {
            names.insert(entry.path().filename().string());
        }
    }
    return names;
}

} // namespace

class ReferenceMaterialsTest : public QObject {
    Q_OBJECT

  private slots:
    void shippedFilesMatchAFreshBuild() {
        const fs::path library = testing::sourceDir() / "library";
        testing::TempFolder folder;
        fs::create_directories(folder.path() / "mix");
        std::vector<newdata::GeneratedMaterial> generated;
        for (const fs::path& list : testing::referenceLists()) {
            std::vector<newdata::GeneratedMaterial> more;
            std::string error;
            QVERIFY2(newdata::GenerateReferenceMaterials(list, library, folder.path(), more, error),
                     error.c_str());
            generated.insert(generated.end(), more.begin(), more.end());
        }
        QCOMPARE(generated.size(), std::size_t(49));
        QCOMPARE(materialFiles(library / "mix"), materialFiles(folder.path() / "mix"));
        for (const auto& material : generated) {
            QVERIFY2(material.problem.empty(), (material.name + ": " + material.problem).c_str());
            QVERIFY2(testing::readFile(library / material.relativePath) ==
                         testing::readFile(folder.path() / material.relativePath),
                     (material.relativePath + " differs from a fresh build").c_str());
        }
    }

    void missingListIsRefused() {
        testing::TempFolder folder;
        std::vector<newdata::GeneratedMaterial> generated;
        std::string error;
        QVERIFY(!newdata::GenerateReferenceMaterials(folder.path() / "none.csv",
                                                     testing::sourceDir() / "library",
                                                     folder.path(), generated, error));
        QVERIFY2(error.ends_with("none.csv: cannot be read"), error.c_str());
    }

    void damagedListIsRefused_data() {
        QTest::addColumn<QString>("row");
        QTest::newRow("four fields") << "x,X,1.0,other";
        QTest::newRow("unknown category") << "x,X,1.0,bone,1:1";
        QTest::newRow("density not above 0") << "x,X,0,other,1:1";
        QTest::newRow("atomic number 0") << "x,X,1.0,other,0:1";
        QTest::newRow("quote not closed") << "x,\"X, Y,1.0,other,1:1";
        QTest::newRow("text after a closing quote") << "x,\"X\"Y,1.0,other,1:1";
    }
    void damagedListIsRefused() {
        QFETCH(QString, row);
        // A quoted name with a comma and doubled quotes; the last field quoted to the line's end.
        const std::string good =
            kHeader + "w,\"Water, \"\"Liquid\"\"\",1.000,phantom,\"1:2;8:16.5\"\n";
        std::vector<newdata::ReferenceMaterial> materials;
        std::string error;
        QVERIFY(newdata::ParseReferenceMaterials(good, materials, error));
        QCOMPARE(materials.at(0).name, std::string("Water, \"Liquid\""));
        QCOMPARE(materials.at(0).composition,
                 (std::vector<std::pair<int, double>>{{1, 2}, {8, 16.5}}));
        QVERIFY(
            !newdata::ParseReferenceMaterials(good + row.toStdString() + "\n", materials, error));
        QVERIFY2(error.starts_with("line 3: "), error.c_str());
    }
};

QTEST_GUILESS_MAIN(ReferenceMaterialsTest)
#include "test_reference_materials.moc"
