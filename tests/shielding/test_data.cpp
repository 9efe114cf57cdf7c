#include "fakes/TestSupport.h"

#include "attenuation/TextLines.h"
#include "shielding/BuildupTables.h"
#include "shielding/Decay.h"
#include "shielding/Nuclides.h"
#include "shielding_library.h"

#include <algorithm>

namespace {

namespace fs = std::filesystem;
using shielding::BuildupKind;

fs::path dataDir() { return testing::sourceDir() / "data"; }
fs::path libraryDir() { return testing::sourceDir() / "library"; }

/// The text with its 1-based line `line` replaced; a null `with` removes the line.
QString replaced(const QString& text, int line, const QString& with) {
    QStringList lines = text.split('\n');
    if (with.isNull()) {
        lines.removeAt(line - 1);
    } else {
        lines[line - 1] = with;
    }
    return lines.join('\n');
}

// Lead and water, two energies each, both kinds; the comments give the line numbers.
const QString kBuildup = "# two media\n"
                         "kind,material,z,energy_mev,b,c,a,xk,d\n"
                         "exposure,lead,82,0.5,1.2,0.8,0.1,14,-0.05\n"   // 3
                         "exposure,lead,82,1,1.3,0.9,0.08,14.5,-0.04\n"  // 4
                         "exposure,water,,0.5,2.5,1.4,-0.05,14,0.03\n"   // 5
                         "exposure,water,,1,2.1,1.3,-0.04,14,0.02\n"     // 6
                         "absorption,lead,82,0.5,1.1,0.7,0.1,14,-0.05\n" // 7
                         "absorption,lead,82,1,1.25,0.9,0.08,14,-0.04\n" // 8
                         "absorption,water,,0.5,2.4,1.4,-0.05,14,0.03\n" // 9
                         "absorption,water,,1,2.0,1.3,-0.04,14,0.02\n";  // 10

const QString kNuclides = "# three nuclides\n"
                          "nuclide,element,half_life,energy_mev,photons_per_decay,kind,emitter\n"
                          "Co-60,Cobalt,1925.28 d,1.173228,0.9985,gamma,Co-60\n"      // 3
                          "Co-60,Cobalt,1925.28 d,1.332492,0.9998,gamma,Co-60\n"      // 4
                          "Cs-137,Cesium,30.08 y,0.031817,0.01993,X,Ba-137m\n"        // 5
                          "Cs-137,Cesium,30.08 y,0.661657,0.8513,gamma,Ba-137m\n"     // 6
                          "Tc-99m,Technetium,6.0067 h,0.140511,0.885,gamma,Tc-99m\n"; // 7

} // namespace

/// The shielding library: its readers, typed nuclide names and the importer that makes it from
/// data/ (test_endf_lines.py checks data/nuclides against the ENDF decay files).
class ShieldingDataTest : public QObject {
    Q_OBJECT

    std::optional<shielding::BuildupTables> m_buildup;
    std::optional<std::vector<shielding::Nuclide>> m_nuclides;

  private slots:
    void initTestCase() {
        std::string error;
        m_buildup = shielding::ReadBuildupTables(libraryDir(), error);
        QVERIFY2(m_buildup, error.c_str());
        m_nuclides = shielding::ReadNuclides(libraryDir(), error);
        QVERIFY2(m_nuclides, error.c_str());
    }

    // --- The library files and the importer ---

    void shippedFilesMatchAFreshImport() {
        testing::TempFolder folder;
        const auto result = shielding::importing::ImportShieldingLibrary(dataDir(), folder.path());
        QVERIFY2(result.ok(), result.error.c_str());
        QCOMPARE(result.filesWritten, 4);
        for (const char* name : {"buildup.csv", "nuclides.csv", "decay.csv", "emitters.csv"}) {
            const fs::path shipped = libraryDir() / "shielding" / name;
            QVERIFY2(fs::is_regular_file(shipped), name);
            QVERIFY2(testing::readFile(shipped) ==
                         testing::readFile(folder.path() / "shielding" / name),
                     (std::string(name) + " differs from a fresh import").c_str());
        }
    }

    void shippedBuildupTables() {
        const shielding::BuildupTables& tables = *m_buildup;
        for (const BuildupKind kind : {BuildupKind::Exposure, BuildupKind::Absorption}) {
            const std::vector<shielding::BuildupTable>& ofKind = tables.Of(kind);
            QCOMPARE(ofKind.size(), std::size_t{26});
            std::size_t rows = 0;
            for (const shielding::BuildupTable& table : ofKind) {
                rows += table.rows.size();
                const bool startsHigher = table.material == "lead" || table.material == "uranium";
                QCOMPARE(table.rows.front().energyMeV, startsHigher ? 0.03 : 0.015);
                QCOMPARE(table.rows.back().energyMeV, 15.0);
                QCOMPARE(table.rows.size(), std::size_t{startsHigher ? 23u : 25u});
            }
            QCOMPARE(rows, std::size_t{646});
            QCOMPARE(ofKind.front().material, std::string("beryllium"));
            QCOMPARE(ofKind.front().atomicNumber, 4);
        }
        // The two corrected printed values: magnesium's exposure row at 3 MeV with the signs of
        // a and d swapped back, water's absorption row at 0.06 MeV with d = 0.0576.
        const auto row = [&](BuildupKind kind, const char* material, double energyMeV) {
            const auto& rows = tables.Find(kind, material)->rows;
            return std::find_if(rows.begin(), rows.end(),
                                [&](const shielding::GpRow& r) { return r.energyMeV == energyMeV; })
                ->gp;
        };
        QCOMPARE(row(BuildupKind::Exposure, "magnesium", 3.0).a, -0.013);
        QCOMPARE(row(BuildupKind::Exposure, "magnesium", 3.0).d, 0.0022);
        QCOMPARE(row(BuildupKind::Absorption, "water", 0.06).d, 0.0576);
    }

    void failedImportLeavesTheLibrary() {
        // nuclides.csv is a folder, so it cannot be replaced: the import stops before it writes
        // either file, and leaves nothing aside.
        testing::TempFolder folder;
        const fs::path shielding = folder.path() / "library" / "shielding";
        testing::writeFile(shielding / "buildup.csv", "old\n");
        fs::create_directories(shielding / "nuclides.csv");
        const auto result =
            shielding::importing::ImportShieldingLibrary(dataDir(), folder.path() / "library");
        QVERIFY(!result.ok());
        QVERIFY2(result.error.find("cannot be replaced") != std::string::npos,
                 result.error.c_str());
        QCOMPARE(result.filesWritten, 0);
        QCOMPARE(testing::readFile(shielding / "buildup.csv"), std::string("old\n"));
        QCOMPARE(std::distance(fs::directory_iterator(shielding), {}), 2);
    }

    // --- The readers ---

    void buildupReaderTakes_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("LF") << kBuildup;
        QTest::newRow("CR LF") << QString(kBuildup).replace("\n", "\r\n");
        QTest::newRow("byte-order mark") << QString::fromUtf8("\xEF\xBB\xBF") + kBuildup;
        QTest::newRow("comment between rows")
            << replaced(kBuildup, 7, "# absorption\n" + kBuildup.split('\n')[6]);
    }
    void buildupReaderTakes() {
        QFETCH(QString, text);
        std::string error;
        const auto tables = shielding::ParseBuildupTables(text.toStdString(), error);
        QVERIFY2(tables, error.c_str());
        QCOMPARE(tables->exposure.size(), std::size_t{2});
        QCOMPARE(tables->absorption.size(), std::size_t{2});
        const shielding::BuildupTable& lead = tables->exposure[0];
        QVERIFY(lead.material == "lead" && lead.atomicNumber == 82 && lead.rows.size() == 2);
        QCOMPARE(lead.rows[1].energyMeV, 1.0);
        const shielding::GpCoefficients& gp = lead.rows[1].gp;
        QVERIFY(gp.b == 1.3 && gp.c == 0.9 && gp.a == 0.08 && gp.xk == 14.5 && gp.d == -0.04);
        const shielding::BuildupTable& water = tables->absorption[1];
        QVERIFY(water.material == "water" && water.atomicNumber == 0 && water.rows[1].gp.b == 2.0);
    }

    void buildupReaderRefuses_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        const auto row = [](const char* name, int line, const QString& with, const char* message) {
            QTest::newRow(name) << replaced(kBuildup, line, with) << message;
        };
        row("header misspelt", 2, "kind,material,z,energy,b,c,a,xk,d", "line 2: the header is not");
        row("a column missing", 4, "exposure,lead,82,1,1.3,0.9,0.08,14", "line 4: 8 fields where");
        row("b not a number", 5, "exposure,water,,0.5,2.5x,1.4,-0.05,14,0.03", "line 5: the b");
        row("falling energy", 4, "exposure,lead,82,0.4,1.3,0.9,0.08,14,-0.04",
            "line 4: an energy not above the one before");
        row("repeated energy", 4, "exposure,lead,82,0.5,1.3,0.9,0.08,14,-0.04",
            "line 4: an energy not above the one before");
        row("xk zero", 3, "exposure,lead,82,0.5,1.2,0.8,0.1,0,-0.05", "line 3: b below 1, or c");
        row("unknown kind", 5, "dose,water,,0.5,2.5,1.4,-0.05,14,0.03", "line 5: the kind 'dose'");
        row("atomic number not whole", 3, "exposure,lead,82.5,0.5,1.2,0.8,0.1,14,-0.05",
            "line 3: the atomic number '82.5' is not a whole number from 1 to 100");
        row("atomic number changes", 4, "exposure,lead,83,1,1.3,0.9,0.08,14,-0.04",
            "line 4: an atomic number other than that of the rows of lead above");
        row("rows of a material apart", 6, "exposure,lead,82,2,1.3,0.9,0.08,14,-0.04",
            "line 6: the exposure rows of lead do not stand together");
        row("exposure after absorption", 10, "exposure,water,,2,2.0,1.3,-0.04,14,0.02",
            "line 10: an exposure row after the absorption rows");
        row("absorption energy differs", 8, "absorption,lead,82,2,1.25,0.9,0.08,14,-0.04",
            "line 8: the absorption energies of lead are not those of its exposure rows");
        row("absorption row missing", 10, QString(), "line 9: the absorption energies of water");
        QTest::newRow("absorption table missing")
            << replaced(replaced(kBuildup, 10, QString()), 9, QString())
            << "line 9: no absorption rows for water";
        const QStringList lines = kBuildup.split('\n');
        QTest::newRow("absorption tables in another order")
            << (lines.mid(0, 6) + lines.mid(8, 2) + lines.mid(6, 2)).join('\n') + "\n"
            << "line 7: absorption rows of water where those of lead belong";
        QTest::newRow("absorption atomic number of a whole table")
            << replaced(replaced(kBuildup, 7, "absorption,lead,83,0.5,1.1,0.7,0.1,14,-0.05"), 8,
                        "absorption,lead,83,1,1.25,0.9,0.08,14,-0.04")
            << "line 7: the absorption rows of lead give another atomic number";
        QTest::newRow("no rows") << "# c\nkind,material,z,energy_mev,b,c,a,xk,d\n"
                                 << "line 3: the file ends before the first row";
    }
    void buildupReaderRefuses() {
        QFETCH(QString, text);
        QFETCH(QString, message);
        std::string error;
        QVERIFY(!shielding::ParseBuildupTables(text.toStdString(), error));
        QVERIFY2(QString::fromStdString(error).startsWith(message), error.c_str());
    }

    void nuclideReaderTakes_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("LF") << kNuclides;
        QTest::newRow("CR LF") << QString(kNuclides).replace("\n", "\r\n");
        QTest::newRow("byte-order mark") << QString::fromUtf8("\xEF\xBB\xBF") + kNuclides;
        QTest::newRow("two lines at one energy")
            << replaced(kNuclides, 6, "Cs-137,Cesium,30.08 y,0.031817,0.0364,X,Ba-137m");
        QTest::newRow("line given by hand, no kind or emitter")
            << replaced(kNuclides, 7, "Tc-99m,Technetium,6.0067 h,0.140511,0.885,,");
    }
    void nuclideReaderTakes() {
        QFETCH(QString, text);
        std::string error;
        const auto nuclides = shielding::ParseNuclides(text.toStdString(), error);
        QVERIFY2(nuclides, error.c_str());
        QCOMPARE(nuclides->size(), std::size_t{3});
        const shielding::Nuclide& cs = (*nuclides)[1];
        QVERIFY(cs.name == "Cs-137" && cs.element == "Cesium" && cs.halfLife == "30.08 y");
        QCOMPARE(cs.lines.size(), std::size_t{2});
        const shielding::PhotonLine& x = cs.lines[0];
        QVERIFY(x.energyMeV == 0.031817 && x.photonsPerDecay == 0.01993 && x.kind == "X" &&
                x.emitter == "Ba-137m");
    }

    void nuclideReaderRefuses_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        const auto row = [](const char* name, int line, const QString& with, const char* message) {
            QTest::newRow(name) << replaced(kNuclides, line, with) << message;
        };
        row("a column missing", 4, "Co-60,Cobalt,1925.28 d,1.332492,0.9998,gamma",
            "line 4: 6 fields where 7 belong");
        row("name without a dash", 3, "Co60,Cobalt,1925.28 d,1.173228,0.9985,gamma,Co-60",
            "line 3: the nuclide 'Co60' is not a name like Co-60 or Tc-99m");
        row("no element", 3, "Co-60,,1925.28 d,1.173228,0.9985,gamma,Co-60", "line 3: no element");
        row("half-life without unit", 3, "Co-60,Cobalt,1925.28,1.173228,0.9985,gamma,Co-60",
            "line 3: the half-life '1925.28' is not a positive number and a unit");
        row("energy not a number", 4, "Co-60,Cobalt,1925.28 d,1.33x,0.9998,gamma,Co-60",
            "line 4: the energy '1.33x' is not a positive number");
        row("intensity negative", 4, "Co-60,Cobalt,1925.28 d,1.332492,-0.9998,gamma,Co-60",
            "line 4: the photons per decay '-0.9998' are not a positive number");
        row("kind unknown", 6, "Cs-137,Cesium,30.08 y,0.661657,0.8513,beta,Ba-137m",
            "line 6: the kind 'beta' is none of gamma, X, annihilation");
        row("emitter misspelt", 6, "Cs-137,Cesium,30.08 y,0.661657,0.8513,gamma,Ba137m",
            "line 6: the emitter 'Ba137m' is not a name like Ba-137m");
        row("element changes", 4, "Co-60,Kobalt,1925.28 d,1.332492,0.9998,gamma,Co-60",
            "line 4: another element than the rows of Co-60 above");
        row("half-life changes", 4, "Co-60,Cobalt,1925.3 d,1.332492,0.9998,gamma,Co-60",
            "line 4: another half-life than the rows of Co-60 above");
        row("falling energy", 4, "Co-60,Cobalt,1925.28 d,1.0,0.9998,gamma,Co-60",
            "line 4: an energy below the one before");
        row("rows of a nuclide apart", 7, "Co-60,Cobalt,1925.28 d,2.5,0.00001,gamma,Co-60",
            "line 7: the rows of Co-60 do not stand together");
        QTest::newRow("no rows")
            << "nuclide,element,half_life,energy_mev,photons_per_decay,kind,emitter\n"
            << "line 2: the file ends before the first row";
    }
    void nuclideReaderRefuses() {
        QFETCH(QString, text);
        QFETCH(QString, message);
        std::string error;
        QVERIFY(!shielding::ParseNuclides(text.toStdString(), error));
        QVERIFY2(QString::fromStdString(error).startsWith(message), error.c_str());
    }

    void readersNameTheFile_data() {
        QTest::addColumn<bool>("buildup");
        QTest::addColumn<QString>("text"); // null: no file
        QTest::addColumn<QString>("message");
        QTest::newRow("buildup file damaged")
            << true << replaced(kBuildup, 5, "exposure,water,,0.5,x,1.4,-0.05,14,0.03")
            << "shielding/buildup.csv, line 5: the b 'x' is not a number";
        QTest::newRow("nuclide file missing")
            << false << QString() << "shielding/nuclides.csv: cannot be read";
    }
    void readersNameTheFile() {
        QFETCH(bool, buildup);
        QFETCH(QString, text);
        QFETCH(QString, message);
        testing::TempFolder folder;
        const std::string_view file = buildup ? shielding::kBuildupFile : shielding::kNuclidesFile;
        if (!text.isNull()) {
            testing::writeFile(folder.path() / file, text.toStdString());
        }
        std::string error;
        const bool read = buildup ? shielding::ReadBuildupTables(folder.path(), error).has_value()
                                  : shielding::ReadNuclides(folder.path(), error).has_value();
        QVERIFY(!read);
        QVERIFY2(QString::fromStdString(error).startsWith(message), error.c_str());
    }

    // --- Typed names ---

    void findNuclide_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("found"); // empty: none
        const auto row = [](const char* name, const char* typed, const char* found) {
            QTest::newRow(name) << QString(typed) << QString(found);
        };
        row("lower case, no dash", "co60", "Co-60");
        row("blank for the dash", "CO 60", "Co-60");
        row("element name", "Cobalt-60", "Co-60");
        row("symbol run into the mass", "Cs137", "Cs-137");
        row("metastable", "Tc-99m", "Tc-99m");
        row("metastable by element name", "Technetium-99m", "Tc-99m");
        row("surrounding blanks", "  I-131 ", "I-131");
        row("letter O for zero", "Co-6O", "");
        row("ground state of a metastable", "Tc-99", "");
        row("chain member only", "Ba-137m", "");
        row("a letter after the mass other than m", "Co-60x", "");
        row("element alone", "Cobalt", "");
        row("nothing typed", "", "");
    }
    void findNuclide() {
        QFETCH(QString, typed);
        QFETCH(QString, found);
        const shielding::Nuclide* nuclide =
            shielding::FindNuclide(*m_nuclides, typed.toStdString());
        QCOMPARE(QString::fromStdString(nuclide ? nuclide->name : ""), found);
    }

    void closestNuclides_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("letter O for zero") << "Co-6O" << QStringList{"Co-60"};
        QTest::newRow("two digits swapped") << "Cs-173" << QStringList{"Cs-137"};
        QTest::newRow("swapped at the end") << "Am-214" << QStringList{"Am-241"};
        QTest::newRow("m left out") << "Tc99" << QStringList{"Tc-99m"};
        QTest::newRow("element name misspelt") << "Cobolt-60" << QStringList{"Co-60"};
        QTest::newRow("three as close, in the file's order")
            << "I-12" << QStringList{"I-123", "I-124", "I-125"};
        QTest::newRow("the exact name first") << "Co-58" << QStringList{"Co-58", "Co-57"};
        QTest::newRow("nothing near") << "Uranium" << QStringList{};
        QTest::newRow("nothing typed") << "" << QStringList{};
    }
    void closestNuclides() {
        QFETCH(QString, typed);
        QFETCH(QStringList, names);
        QStringList got;
        for (const std::string& name :
             shielding::ClosestNuclides(*m_nuclides, typed.toStdString())) {
            got << QString::fromStdString(name);
        }
        QCOMPARE(got, names);
    }

    void decayReaderRefuses_data() {
        // Line 2 the header; Cs-137 to Ba-137m or stable Ba-137, Ba-137m to Ba-137.
        const QString good = "# chains\nnuclide,half_life_s,daughter,branching,mode\n"
                             "Cs-137,9.492526e+08,Ba-137,0.053,B-\n"
                             "Cs-137,9.492526e+08,Ba-137m,0.947,B-\n"
                             "Ba-137m,153.12,Ba-137,1,IT\nBa-137,stable,,,\n";
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("emitters");
        QTest::addColumn<QString>("message");
        const QString lines = "emitter,energy_mev,photons_per_decay,kind\n";
        const auto row = [&](const char* name, int line, const QString& with, const char* message) {
            QTest::newRow(name) << replaced(good, line, with) << lines << message;
        };
        QTest::newRow("the shipped form reads") << good << lines + "Ba-137m,0.661657,0.899,gamma"
                                                << "";
        row("unknown daughter", 4, "Cs-137,9.492526e+08,Ba-137n,0.947,B-",
            "line 4: the daughter Ba-137n has no rows of its own");
        row("a loop", 5, "Ba-137m,153.12,Cs-137,1,IT", "Cs-137 decays back into itself");
        row("branching above 1", 4, "Cs-137,9.492526e+08,Ba-137m,1.5,B-",
            "line 4: the branching '1.5' is not a number above 0 and at most 1");
        row("stable with a daughter", 6, "Ba-137,stable,Cs-137,1,B-",
            "line 6: a stable nuclide with a daughter or a mode");
        row("fission with a daughter", 5, "Ba-137m,153.12,Ba-137,1,SF",
            "line 5: spontaneous fission names no daughter");
        row("other half-life", 4, "Cs-137,9.5e+08,Ba-137m,0.947,B-",
            "line 4: a second row of Cs-137 that is not one more way");
        row("unknown mode", 5, "Ba-137m,153.12,Ba-137,1,gamma", "line 5: the mode 'gamma' is none");
        QTest::newRow("lines of a stable nuclide")
            << good << lines + "Ba-137,0.661657,0.899,gamma"
            << "line 2: the emitter 'Ba-137' is no radioactive member";
    }
    void decayReaderRefuses() {
        QFETCH(QString, text);
        QFETCH(QString, emitters);
        QFETCH(QString, message);
        std::string error;
        std::optional<shielding::DecayData> data =
            shielding::ParseDecayTable(text.toStdString(), error);
        const bool read = data && shielding::AddEmitterLines(emitters.toStdString(), *data, error);
        QCOMPARE(read, message.isEmpty());
        QVERIFY2(QString::fromStdString(error).startsWith(message), error.c_str());
        if (read) {
            const shielding::ChainMember& cs = data->members[0];
            QVERIFY(cs.branches.size() == 2 && cs.branches[1].daughter == 1 &&
                    cs.branches[1].branching == 0.947 && data->members[2].Stable());
            QCOMPARE(data->members[1].lines.size(), std::size_t{1});
        }
    }
};

QTEST_GUILESS_MAIN(ShieldingDataTest)
#include "test_data.moc"
