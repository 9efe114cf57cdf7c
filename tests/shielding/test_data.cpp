#include "fakes/TestSupport.h"

#include "attenuation/TextLines.h"
#include "shielding/BuildupTables.h"
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

// Source tables of the importer, in the layout of data/buildup and data/nuclides.
const QString kEbf = "material,Z_or_Zeq,energy_MeV,b,c,a,Xk,d,source\n"
                     "lead,82,0.5,1.2,0.8,0.1,14.0,-0.05,\"ORNL, Table 5.1\"\n" // 2
                     "lead,82,1,1.3,0.9,0.08,14,-0.0400,PAGEX\n"                // 3
                     "water,,0.5,2.5,1.4,-0.05,14,0.03,ORNL\n";                 // 4
const QString kEabf = "material,Z_or_Zeq,energy_MeV,b,c,a,Xk,d,source\n"
                      "lead,82,0.5,1.1,0.7,0.1,14,-0.05,ORNL\n"  // 2
                      "lead,82,1,1.25,0.9,0.08,14,-0.04,ORNL\n"  // 3
                      "water,,0.5,2.4,1.4,-0.05,14,0.03,ORNL\n"; // 4
const QString kLines =
    "nuclide,half_life_value,half_life_unit,energy_keV,intensity_per_100_decays,kind,emitter,"
    "intensity_unc_per_100,source\n"
    "Co-60,1925.28,d,1173.228,99.85,gamma,Co-60,0.03,\"ENDF, dec-027_Co_060.endf\"\n"   // 2
    "Co-60,1925.28,d,1332.492,99.98,gamma,Co-60,0.0006,\"ENDF, dec-027_Co_060.endf\"\n" // 3
    "Cs-137,30.08,y,661.657,85.13,gamma,Ba-137m,0.13,\"ENDF; x0.946994\"\n";            // 4
const QString kSummary =
    "nuclide,half_life,half_life_s,members,lines_kept,photon_energy_keV_per_decay_kept,"
    "photon_energy_dropped_fraction,ensdf_authors,note\n"
    "Co-60,1925.28 d,1.66344e+08,Co_060,2,2503.8,5.90e-08,J. K. TULI,\"gauges, sources\"\n" // 2
    "Cs-137,30.08 y,9.49253e+08,Cs_137 Ba_137m1,1,565.6,2.91e-06,\"E. BROWNE\",sources\n";  // 3

std::vector<xcom::ElementFacts> elementFacts() {
    return xcom::ReadElementFacts(testing::readFile(dataDir() / "nist" / "elements.csv")).elements;
}

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
        QCOMPARE(result.filesWritten, 2);
        for (const char* name : {"buildup.csv", "nuclides.csv"}) {
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
        // Air has a single table, given for both kinds.
        const auto* airExposure = tables.Find(BuildupKind::Exposure, "air");
        const auto* airAbsorption = tables.Find(BuildupKind::Absorption, "air");
        QVERIFY(airExposure && airAbsorption);
        for (std::size_t r = 0; r < airExposure->rows.size(); ++r) {
            const shielding::GpCoefficients& x = airExposure->rows[r].gp;
            const shielding::GpCoefficients& y = airAbsorption->rows[r].gp;
            QVERIFY(x.b == y.b && x.c == y.c && x.a == y.a && x.xk == y.xk && x.d == y.d);
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

    void findBuildupTable_data() {
        QTest::addColumn<QString>("material");
        QTest::addColumn<int>("atomicNumber");
        QTest::addColumn<QString>("found");
        QTest::newRow("element by its data name") << "lead" << 0 << "lead";
        QTest::newRow("name in capitals") << "WATER" << 0 << "water";
        QTest::newRow("element by atomic number") << "" << 82 << "lead";
        QTest::newRow("atomic number 0 finds no mixture") << "" << 0 << "";
        QTest::newRow("element not tabulated") << "" << 79 << "";
        QTest::newRow("name not tabulated") << "gold" << 0 << "";
    }
    void findBuildupTable() {
        QFETCH(QString, material);
        QFETCH(int, atomicNumber);
        QFETCH(QString, found);
        for (const BuildupKind kind : {BuildupKind::Exposure, BuildupKind::Absorption}) {
            const shielding::BuildupTable* table =
                material.isEmpty() ? m_buildup->Element(kind, atomicNumber)
                                   : m_buildup->Find(kind, material.toStdString());
            QCOMPARE(QString::fromStdString(table ? table->material : ""), found);
        }
    }

    void shippedNuclides() {
        QCOMPARE(m_nuclides->size(), std::size_t{53});
        // Lines of data/nuclides/lines.csv (keV, per 100 decays) as the decimals they stand for:
        // the import moves the point in the text, so no division rounds them.
        struct Expected {
            const char *nuclide, *element, *halfLife;
            double energyMeV, photonsPerDecay;
            const char* emitter;
        };
        for (const Expected& e :
             {Expected{"Cs-137", "Cesium", "30.08 y", 0.661657, 0.8513, "Ba-137m"},
              Expected{"Tc-99m", "Technetium", "6.0067 h", 0.140511, 0.89, "Tc-99m"},
              Expected{"K-40", "Potassium", "1.248E+9 y", 0.5109989, 0.00002, "K-40"}}) {
            const shielding::Nuclide* found = shielding::FindNuclide(*m_nuclides, e.nuclide);
            QVERIFY2(found && found->element == e.element && found->halfLife == e.halfLife,
                     e.nuclide);
            const auto line =
                std::find_if(found->lines.begin(), found->lines.end(),
                             [&](const auto& l) { return l.energyMeV == e.energyMeV; });
            QVERIFY2(line != found->lines.end() && line->photonsPerDecay == e.photonsPerDecay &&
                         line->emitter == e.emitter,
                     e.nuclide);
        }
    }

    void importRefusesBuildupSources_data() {
        QTest::addColumn<QString>("ebf");
        QTest::addColumn<QString>("eabf");
        QTest::addColumn<QString>("message");
        QTest::newRow("header misspelt")
            << replaced(kEbf, 1, "material,Z,energy_MeV,b,c,a,Xk,d,source") << kEabf
            << "buildup/ebf.csv, line 1: the header is not";
        QTest::newRow("b not a number")
            << kEbf << replaced(kEabf, 3, "lead,82,1,1.2.5,0.9,0.08,14,-0.04,ORNL")
            << "buildup/eabf.csv, line 3: the b '1.2.5' is not a number";
        QTest::newRow("quote left open")
            << replaced(kEbf, 2, "lead,82,0.5,1.2,0.8,0.1,14.0,-0.05,\"ORNL") << kEabf
            << "buildup/ebf.csv, line 2: a quoted field";
        QTest::newRow("falling energy, found by the library reader")
            << kEbf << replaced(kEabf, 3, "lead,82,0.4,1.25,0.9,0.08,14,-0.04,ORNL")
            << "buildup/eabf.csv, line 3: an energy not above the one before";
        QTest::newRow("absorption energies differ")
            << kEbf << replaced(kEabf, 3, "lead,82,2,1.25,0.9,0.08,14,-0.04,ORNL")
            << "buildup/eabf.csv, line 3: the absorption energies of lead";
        QTest::newRow("no absorption rows for water")
            << kEbf << replaced(kEabf, 4, QString()) << "no absorption rows for water";
    }
    void importRefusesBuildupSources() {
        QFETCH(QString, ebf);
        QFETCH(QString, eabf);
        QFETCH(QString, message);
        std::string error;
        const std::string text =
            shielding::importing::FormatBuildupFile(ebf.toStdString(), eabf.toStdString(), error);
        QVERIFY(text.empty());
        QVERIFY2(QString::fromStdString(error).contains(message), error.c_str());
    }

    void importCopiesBuildupTexts() {
        QString ebf = kEbf;
        std::string error;
        const std::string text = shielding::importing::FormatBuildupFile(
            ebf.replace("\n", "\r\n").toStdString(), kEabf.toStdString(), error);
        QVERIFY2(!text.empty(), error.c_str());
        const std::string rows = "kind,material,z,energy_mev,b,c,a,xk,d\n"
                                 "exposure,lead,82,0.5,1.2,0.8,0.1,14.0,-0.05\n"
                                 "exposure,lead,82,1,1.3,0.9,0.08,14,-0.0400\n"
                                 "exposure,water,,0.5,2.5,1.4,-0.05,14,0.03\n"
                                 "absorption,lead,82,0.5,1.1,0.7,0.1,14,-0.05\n"
                                 "absorption,lead,82,1,1.25,0.9,0.08,14,-0.04\n"
                                 "absorption,water,,0.5,2.4,1.4,-0.05,14,0.03\n";
        QVERIFY2(text.ends_with(rows), text.c_str());
        QVERIFY(text.find("ANSI/ANS-6.4.3-1991") < text.find(rows));
    }

    void importRefusesNuclideSources_data() {
        QTest::addColumn<QString>("lines");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QString>("message");
        QTest::newRow("half-life other than the summary's")
            << replaced(kLines, 3, "Co-60,1925.3,d,1332.492,99.98,gamma,Co-60,0.0006,x") << kSummary
            << "nuclides/lines.csv, line 3: the half-life '1925.3 d' is not "
               "nuclides/nuclides_summary.csv's '1925.28 d'";
        QTest::newRow("emitter outside the chain")
            << replaced(kLines, 4, "Cs-137,30.08,y,661.657,85.13,gamma,Ba-137,0.13,x") << kSummary
            << "nuclides/lines.csv, line 4: the emitter 'Ba-137' is not in the chain of Cs-137";
        QTest::newRow("no such element")
            << kLines + "Xx-12,1,s,100,1,gamma,Xx-12,0,x\n"
            << kSummary + "Xx-12,1 s,1,Xx_012,1,1,0,,\n"
            << "nuclides/lines.csv, line 5: no element of Xx-12 in nist/elements.csv";
        QTest::newRow("line count other than the summary's")
            << replaced(kLines, 3, QString()) << kSummary
            << "nuclides/nuclides_summary.csv, line 2: lines_kept of Co-60 is 2, but "
               "nuclides/lines.csv has 1";
        QTest::newRow("falling energy, found by the library reader")
            << replaced(kLines, 3, "Co-60,1925.28,d,1000,99.98,gamma,Co-60,0.0006,x") << kSummary
            << "nuclides/lines.csv, line 3: an energy below the one before";
    }
    void importRefusesNuclideSources() {
        QFETCH(QString, lines);
        QFETCH(QString, summary);
        QFETCH(QString, message);
        std::string error;
        const std::string text = shielding::importing::FormatNuclidesFile(
            lines.toStdString(), summary.toStdString(), elementFacts(), error);
        QVERIFY(text.empty());
        QVERIFY2(QString::fromStdString(error).contains(message), error.c_str());
    }

    void importShiftsNumberTexts_data() {
        QTest::addColumn<QString>("keV");
        QTest::addColumn<QString>("per100");
        QTest::addColumn<QString>("row");
        QTest::addColumn<double>("energyMeV");
        QTest::addColumn<double>("photonsPerDecay");
        const auto row = [](const char* name, const char* keV, const char* per100,
                            const char* shifted, double energyMeV, double photonsPerDecay) {
            QTest::newRow(name) << QString(keV) << QString(per100) << QString(shifted) << energyMeV
                                << photonsPerDecay;
        };
        row("decimals", "1173.228", "99.85", "1.173228,0.9985", 1.173228, 0.9985);
        row("point moved past the first digit", "2.955", "0.003189", "0.002955,0.00003189",
            0.002955, 0.00003189);
        row("exponents kept", "1.2E+3", "1.2E-3", "0.0012E+3,0.012E-3", 1.2, 1.2e-5);
        row("lower-case exponents", "5e2", "3.5e-1", "0.005e2,0.035e-1", 0.5, 0.0035);
    }
    void importShiftsNumberTexts() {
        QFETCH(QString, keV);
        QFETCH(QString, per100);
        QFETCH(QString, row);
        QFETCH(double, energyMeV);
        QFETCH(double, photonsPerDecay);
        const QString lines = replaced(kLines, 4, QString()) + "Cs-137,30.08,y," + keV + "," +
                              per100 + ",gamma,Ba-137m,0,x\n";
        std::string error;
        const std::string text = shielding::importing::FormatNuclidesFile(
            lines.toStdString(), kSummary.toStdString(), elementFacts(), error);
        QVERIFY2(!text.empty(), error.c_str());
        const std::string expected =
            "\nCs-137,Cesium,30.08 y," + row.toStdString() + ",gamma,Ba-137m\n";
        QVERIFY2(text.ends_with(expected), text.c_str());
        const auto nuclides = shielding::ParseNuclides(text, error);
        QVERIFY2(nuclides, error.c_str());
        QCOMPARE(nuclides->back().lines.back().energyMeV, energyMeV);
        QCOMPARE(nuclides->back().lines.back().photonsPerDecay, photonsPerDecay);
    }

    void failedImportLeavesTheLibrary_data() {
        QTest::addColumn<QString>("damagedFile");
        QTest::addColumn<QString>("newText");
        QTest::addColumn<bool>("nuclidesIsFolder");
        QTest::addColumn<QString>("message");
        QTest::newRow("coefficients damaged") << "buildup/eabf.csv"
                                              << "lead,82\n"
                                              << false << "buildup/eabf.csv, line 1: the header";
        QTest::newRow("nuclides.csv is a folder") << ""
                                                  << "" << true << "cannot be replaced";
    }
    void failedImportLeavesTheLibrary() {
        QFETCH(QString, damagedFile);
        QFETCH(QString, newText);
        QFETCH(bool, nuclidesIsFolder);
        QFETCH(QString, message);
        testing::TempFolder folder;
        const fs::path data = folder.path() / "data";
        const fs::path shielding = folder.path() / "library" / "shielding";
        for (const char* file : {"buildup/ebf.csv", "buildup/eabf.csv", "nuclides/lines.csv",
                                 "nuclides/nuclides_summary.csv", "nist/elements.csv"}) {
            testing::writeFile(data / file, testing::readFile(dataDir() / file));
        }
        if (!damagedFile.isEmpty()) {
            testing::writeFile(data / damagedFile.toStdString(), newText.toStdString());
        }
        testing::writeFile(shielding / "buildup.csv", "old\n");
        if (nuclidesIsFolder) {
            fs::create_directories(shielding / "nuclides.csv");
        } else {
            testing::writeFile(shielding / "nuclides.csv", "old\n");
        }
        const auto result =
            shielding::importing::ImportShieldingLibrary(data, folder.path() / "library");
        QVERIFY(!result.ok());
        QVERIFY2(QString::fromStdString(result.error).contains(message), result.error.c_str());
        QCOMPARE(result.filesWritten, 0);
        for (const char* name : {"buildup.csv", "nuclides.csv"}) {
            QVERIFY(fs::is_directory(shielding / name) ||
                    testing::readFile(shielding / name) == "old\n");
        }
        QCOMPARE(std::distance(fs::directory_iterator(shielding), {}), 2); // nothing left aside
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
        row("a column missing", 4, "exposure,lead,82,1,1.3,0.9,0.08,14",
            "line 4: 8 fields where 9 belong");
        row("b not a number", 5, "exposure,water,,0.5,2.5x,1.4,-0.05,14,0.03",
            "line 5: the b '2.5x' is not a number");
        row("falling energy", 4, "exposure,lead,82,0.4,1.3,0.9,0.08,14,-0.04",
            "line 4: an energy not above the one before");
        row("repeated energy", 4, "exposure,lead,82,0.5,1.3,0.9,0.08,14,-0.04",
            "line 4: an energy not above the one before");
        row("xk zero", 3, "exposure,lead,82,0.5,1.2,0.8,0.1,0,-0.05",
            "line 3: b below 1, or c or xk not above zero");
        row("unknown kind", 5, "dose,water,,0.5,2.5,1.4,-0.05,14,0.03",
            "line 5: the kind 'dose' is neither exposure nor absorption");
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
        row("absorption row missing", 10, QString(),
            "line 9: the absorption energies of water are not those of its exposure rows");
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
        QTest::newRow("lower case, no dash") << "co60"
                                             << "Co-60";
        QTest::newRow("blank for the dash") << "CO 60"
                                            << "Co-60";
        QTest::newRow("element name") << "Cobalt-60"
                                      << "Co-60";
        QTest::newRow("symbol run into the mass") << "Cs137"
                                                  << "Cs-137";
        QTest::newRow("metastable") << "Tc-99m"
                                    << "Tc-99m";
        QTest::newRow("metastable by element name") << "Technetium-99m"
                                                    << "Tc-99m";
        QTest::newRow("surrounding blanks") << "  I-131 "
                                            << "I-131";
        QTest::newRow("letter O for zero") << "Co-6O"
                                           << "";
        QTest::newRow("ground state of a metastable") << "Tc-99"
                                                      << "";
        QTest::newRow("chain member only") << "Ba-137m"
                                           << "";
        QTest::newRow("a letter after the mass other than m") << "Co-60x"
                                                              << "";
        QTest::newRow("element alone") << "Cobalt"
                                       << "";
        QTest::newRow("nothing typed") << ""
                                       << "";
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
};

QTEST_GUILESS_MAIN(ShieldingDataTest)
#include "test_data.moc"
