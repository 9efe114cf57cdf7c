// The shipped reference materials: the list they are made from, their file names, and the files
// themselves, byte for byte what the mixture builder makes.

#include "fakes/TestSupport.h"

#include "data/MaterialFile.h"
#include "data/MaterialTable.h"
#include "newdata/ReferenceMaterials.h"

#include <algorithm>
#include <set>

namespace fs = std::filesystem;

namespace {

const fs::path kLibrary = testing::sourceDir() / "library";
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
        const fs::path list = fs::path(PHOTONXS_SHARED_DIR) / "data" / "materials.csv";
        if (!fs::is_regular_file(list)) {
            QSKIP("materials.csv of the shared data is not beside the repository");
        }
        testing::TempFolder folder;
        fs::create_directories(folder.path() / "mix");
        std::vector<newdata::GeneratedMaterial> generated;
        std::string error;
        QVERIFY2(
            newdata::GenerateReferenceMaterials(list, kLibrary, folder.path(), generated, error),
            error.c_str());
        QCOMPARE(generated.size(), std::size_t(48));
        QCOMPARE(materialFiles(kLibrary / "mix"), materialFiles(folder.path() / "mix"));
        for (const auto& material : generated) {
            QVERIFY2(material.problem.empty(), (material.name + ": " + material.problem).c_str());
            QVERIFY(material.gridSize >= 80 && material.gridSize <= 110);
            QVERIFY2(testing::readFile(kLibrary / material.relativePath) ==
                         testing::readFile(folder.path() / material.relativePath),
                     (material.relativePath + " differs from a fresh build").c_str());
            data::MaterialTable table;
            table.SelectedPath = material.relativePath;
            QVERIFY(data::LoadMaterialTable(table, kLibrary).ok());
            QCOMPARE(table.MaterialName, material.name);
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
        QVERIFY(data::LoadMaterialTable(table, kLibrary).ok());
        const auto rows = table.Energy.begin() + table.RowCount + 1;
        const auto row = std::size_t(std::find(table.Energy.begin() + 1, rows, energyMeV) -
                                     table.Energy.begin());
        QVERIFY(row <= std::size_t(table.RowCount));
        QVERIFY2(testing::closeTo(table.Total[row], total, 0.005),
                 qPrintable(QString::number(table.Total[row])));
    }

    void damagedListIsRefused_data() {
        QTest::addColumn<QString>("row");
        QTest::newRow("four fields") << "x,X,1.0,other";
        QTest::newRow("six fields") << "x,X,1.0,other,1:1,2";
        QTest::newRow("unknown category") << "x,X,1.0,bone,1:1";
        QTest::newRow("density not above 0") << "x,X,0,other,1:1";
        QTest::newRow("weight not a number") << "x,X,1.0,other,1:a";
        QTest::newRow("atomic number 0") << "x,X,1.0,other,0:1";
        QTest::newRow("pair without a colon") << "x,X,1.0,other,1:1;8";
        QTest::newRow("quote not closed") << "x,\"X, Y,1.0,other,1:1";
        QTest::newRow("text after a closing quote") << "x,\"X\"Y,1.0,other,1:1";
    }
    void damagedListIsRefused() {
        QFETCH(QString, row);
        const std::string good = kHeader + "w,\"Water, \"\"Liquid\"\"\",1.000,phantom,1:2;8:16.5\n";
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

    void smallListBuildsNamedFiles() {
        testing::TempFolder folder;
        const fs::path root = folder.path();
        const auto element = [&](const char* name, double v, const char* weight) {
            testing::writeFile(
                root / "ele" / name,
                data::JoinLines({"Element", "1.", "2", data::FormatTableRow(1e-3, {v, v, v, v, v}),
                                 data::FormatTableRow(10, {v, v, v, v, v}), weight}));
        };
        element("001_H.ele", 2, "1.008");
        element("008_O.ele", 4, "15.999");
        element("008_Ox.ele", 8, "15.999"); // the first name of a repeated number wins
        testing::writeFile(root / "ele" / "user.txt", "not an element");
        testing::writeFile(root / "list.csv",
                           kHeader + "a,\"Tissue, Soft (ICRU-44)\",1.06,human,1:0.5;8:0.5\n"
                                     "b,\"Tissue, Soft (Four-Component)\",1.0,human,1:1;8:3\n"
                                     "c,\"Brain, Grey/White Matter (ICRU-44)\",1.04,phantom,1:1\n"
                                     "d,-Odd- name,1.0,other,8:1\n"
                                     "e,Iron,7.874,other,26:1\n");
        fs::create_directories(root / "out" / "mix");
        std::vector<newdata::GeneratedMaterial> generated;
        std::string error;
        QVERIFY(
            !newdata::GenerateReferenceMaterials(root / "none.csv", root, root, generated, error));
        QVERIFY(newdata::GenerateReferenceMaterials(root / "list.csv", root, root / "out",
                                                    generated, error));
        QStringList paths;
        for (const auto& material : generated) {
            paths << QString::fromStdString(material.relativePath + " " + material.problem);
        }
        QCOMPARE(paths, QStringList({"mix/Tissue_Soft_ICRU-44.mix1 ",
                                     "mix/Tissue_Soft_Four-Component.mix1 ",
                                     "mix/Brain_Grey_White_Matter.mix2 ", "mix/Odd-_name.mix3 ",
                                     "mix/Iron.mix3 no element file for Z = 26"}));
        QCOMPARE(materialFiles(root / "out" / "mix").size(), std::size_t(4));
        // Weights 1 and 3 of values 2 and 4: 0.25 x 2 + 0.75 x 4 in every column.
        QCOMPARE(testing::readFile(root / "out" / generated[1].relativePath),
                 "Tissue, Soft (Four-Component)\r\n1.\r\n2\r\n"
                 "1.000E-03 3.500E+00 3.500E+00 3.500E+00 3.500E+00 3.500E+00\r\n"
                 "1.000E+01 3.500E+00 3.500E+00 3.500E+00 3.500E+00 3.500E+00\r\n");
    }
};

QTEST_GUILESS_MAIN(ReferenceMaterialsTest)
#include "test_reference_materials.moc"
