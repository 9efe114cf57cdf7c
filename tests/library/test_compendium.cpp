// The compendium library: the importer against the committed files, those files against the
// compendium's published figures, and the importer's refusals of damaged tables.

#include "fakes/TestSupport.h"

#include "compendium_library.h"
#include "material/Compendium.h"

#include <cmath>
#include <set>

namespace fs = std::filesystem;

namespace {

fs::path dataDir() { return testing::sourceDir() / "data"; }
fs::path libraryDir() { return testing::sourceDir() / "library"; }

const std::string kMaterials = "material_name,density_g_cm3,element_symbol,weight_fraction,source\n"
                               "\"Water, Liquid\",0.997,H,0.111902,s\n" // 2
                               "\"Water, Liquid\",0.997,O,0.888098,s\n" // 3
                               "Lead,11.35,Pb,1,s; DOUBTFUL made up\n"; // 4
const std::string kAliases = "alias,material_name,basis,alias_is_also_a_formula\n"
                             "H2O,\"Water, Liquid\",PNNL formula,yes\n"; // 2
const std::string kGroups = "name,material_name,usual\n"
                            "heavy stuff,Lead,yes\n" // 2
                            "heavy stuff,\"Water, Liquid\",no\n";

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}

} // namespace

class CompendiumTest : public QObject {
    Q_OBJECT

  private slots:
    void shippedFilesMatchAFreshImport() {
        testing::TempFolder folder;
        const std::string error = material::importing::ImportCompendium(dataDir(), folder.path());
        QVERIFY2(error.empty(), error.c_str());
        for (const char* name : {"materials.csv", "names.csv"}) {
            QVERIFY2(testing::readFile(libraryDir() / "compendium" / name) ==
                         testing::readFile(folder.path() / "compendium" / name),
                     (std::string(name) + " differs from a fresh import").c_str());
        }
    }

    void shippedCompendium() {
        std::string error;
        const auto compendium = material::ReadCompendium(libraryDir(), error);
        QVERIFY2(compendium, error.c_str());
        QCOMPARE(compendium->materials.size(), std::size_t{411});
        std::set<std::string> seen;
        for (const material::CompendiumMaterial& m : compendium->materials) {
            double sum = 0.0;
            for (const auto& [z, fraction] : m.fractions) {
                QVERIFY2(z >= 1 && z <= 100 && fraction > 0.0, m.name.c_str());
                sum += fraction;
            }
            QVERIFY2(std::abs(sum - 1.0) <= 2.000001e-6, m.name.c_str()); // as published
            QVERIFY2(m.densityGPerCm3 > 0.0, m.name.c_str());
            QVERIFY2(seen.insert(m.name).second, m.name.c_str());
        }
        std::size_t aliases = 0;
        for (const material::CompendiumName& name : compendium->names) {
            aliases += name.group ? 0 : 1;
        }
        QCOMPARE(aliases, std::size_t{326});
        // Figures of the compendium's notes: water at 25 C, the gypsum crystal, Fe2B corrected,
        // and water's hydrogen from 2 x 1.00794 / 18.01528.
        const auto find = [&](const std::string& name) {
            return *std::find_if(compendium->materials.begin(), compendium->materials.end(),
                                 [&](const auto& m) { return m.name == name; });
        };
        QCOMPARE(find("Water, Liquid").densityGPerCm3, 0.997);
        QVERIFY(std::abs(find("Water, Liquid").fractions[0].second - 0.111898) < 1e-5);
        QCOMPARE(find("Gypsum (Plaster of Paris)").densityGPerCm3, 2.32);
        QCOMPARE(find("Iron Boride (Fe2B)").fractions[0], std::make_pair(5, 0.088271));
        QVERIFY(find("Brass (typical composition)").remark.starts_with("doubtful: "));
    }

    void importRefuses_data() {
        QTest::addColumn<QString>("materials");
        QTest::addColumn<QString>("aliases");
        QTest::addColumn<QString>("groups");
        QTest::addColumn<QString>("where");
        const auto row = [](const char* name, const std::string& m, const std::string& a,
                            const std::string& g, const char* where) {
            QTest::newRow(name) << QString::fromStdString(m) << QString::fromStdString(a)
                                << QString::fromStdString(g) << where;
        };
        row("two densities", replaced(kMaterials, "0.997,O", "0.998,O"), kAliases, kGroups,
            "materials.csv, line 3");
        row("unknown symbol", replaced(kMaterials, ",Pb,", ",Xx,"), kAliases, kGroups,
            "materials.csv, line 4");
        row("rows apart", kMaterials + "\"Water, Liquid\",0.997,N,0.1,s\n", kAliases, kGroups,
            "materials.csv, line 5");
        row("fractions short of 1", replaced(kMaterials, "0.888098", "0.788098"), kAliases, kGroups,
            "materials.csv, line");
        row("density 0", replaced(kMaterials, "11.35", "0"), kAliases, kGroups,
            "materials.csv, line");
        row("alias of nothing", kMaterials, replaced(kAliases, "\"Water, Liquid\"", "Wasser"),
            kGroups, "names.csv, line");
        row("usual neither yes nor no", kMaterials, kAliases, replaced(kGroups, "yes", "maybe"),
            "groups.csv, line 2");
        row("unclosed quote", kMaterials, replaced(kAliases, "Liquid\"", "Liquid"), kGroups,
            "aliases.csv, line 2");
    }
    void importRefuses() {
        QFETCH(QString, materials);
        QFETCH(QString, aliases);
        QFETCH(QString, groups);
        QFETCH(QString, where);
        std::string m, n, error;
        QVERIFY(!material::importing::FormatCompendium(
            materials.toStdString(), aliases.toStdString(), groups.toStdString(), m, n, error));
        QVERIFY2(error.find(where.toStdString()) != std::string::npos, error.c_str());
    }

    void importKeeps() {
        std::string m, n, error;
        QVERIFY2(material::importing::FormatCompendium(kMaterials, kAliases, kGroups, m, n, error),
                 error.c_str());
        QVERIFY(m.ends_with("\"Water, Liquid\",0.997,1:0.111902;8:0.888098,\n"
                            "Lead,11.35,82:1,doubtful: made up\n"));
        QVERIFY(n.ends_with("H2O,\"Water, Liquid\",alias\nheavy stuff,Lead,usual\n"
                            "heavy stuff,\"Water, Liquid\",one of\n"));
    }
};

QTEST_GUILESS_MAIN(CompendiumTest)
#include "test_compendium.moc"
