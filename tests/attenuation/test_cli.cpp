#include "fakes/CliProgram.h"
#include "fakes/TestSupport.h"

namespace {

using Run = testing::CliRun;

Run runCli(const QString& root, const QStringList& arguments, const QByteArray& input = {}) {
    return testing::runCli(arguments, input, {"PHOTONXS_HOME=" + root});
}

QString library() { return QString::fromStdString((testing::sourceDir() / "library").string()); }

} // namespace

/// The attenuation commands as a user runs them on the shipped library. Expected numbers come
/// from the NIST tables (kerma ratios: dry air and water summed by weight from them) and
/// lead's total at 662 keV, 1.1102293E-01 cm2/g (density 11.35), by hand.
class AttenuationCliTest : public QObject {
    Q_OBJECT

  private slots:
    void commands_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out"); // exact
        QTest::addColumn<QString>("err"); // part of it
        const auto row = [](const char* name, const QStringList& arguments, const QByteArray& input,
                            int status, const QString& out, const QString& err) {
            QTest::newRow(name) << arguments << input << status << out << err;
        };
        // Text output names its columns and units on a first line, unless --no-header is given
        // (every row whose output does not start with that line).
        row("lead's mu_en/rho at a tabulated energy is NIST's", {"absorption", "Pb", "0.01"}, {}, 0,
            "# energy (MeV)  mu_rho (cm2/g)  mu_en_rho (cm2/g)  kerma_ratio_air  "
            "kerma_ratio_water\n1.000E-02  1.306E+02  1.247E+02  2.630E+01  2.523E+01\n",
            "");
        row("water against water is 1", {"--format", "csv", "absorption", "Water_Liquid", "1"}, {},
            0,
            "energy,mu_rho,mu_en_rho,kerma_ratio_air,kerma_ratio_water\n"
            "1.000E+00,7.072E-02,3.103E-02,1.113E+00,1.000E+00\n",
            "");
        // A material whose file name and name are one word, typed in lower case.
        row("material by its name in lower case", {"--format", "csv", "zeff", "polystyrene", "1"},
            {}, 0, "energy,zeff,neff\n1.000E+00,3.500E+00,3.238E+23\n", "");
        // Fermium, the heaviest element of the library: Z = 100, N_A 100 / 257.1 electrons per g.
        row("the heaviest element's own Zeff", {"--format", "csv", "zeff", "formula:Fm", "1"}, {},
            0, "energy,zeff,neff\n1.000E+00,1.000E+02,2.342E+23\n", "");
        row("beyond 20 MeV has no absorption data", {"--format", "json", "absorption", "Pb", "-"},
            "25", 3, "{\"energy\":2.500E+01,\"error\":\"NoAbsorptionData\"}\n", "1 of 1");
        row("half-value layer of lead at 662 keV",
            {"--digits", "5", "--energy-unit", "keV", "hvl", "Pb", "662"}, {}, 0,
            "# energy (keV)  mu (1/cm)  hvl (cm)  tvl (cm)  mfp (cm)\n"
            "6.6200E+02  1.2601E+00  5.5007E-01  1.8273E+00  7.9358E-01\n",
            "");
        row("5 cm of lead", {"attenuate", "Pb@5", "--energy", "0.662"}, {}, 0,
            "6.620E-01  6.301E+00  1.835E-03\n", "");
        row("layer with its own density", {"attenuate", "Pb@5@5.675", "--energy", "0.662"}, {}, 0,
            "6.620E-01  3.150E+00  4.284E-02\n", "");
        row("all of it needs no lead",
            {"attenuate", "Pb@1", "--energy", "0.662", "--thickness-for", "1"}, {}, 0,
            "6.620E-01  0.000E+00\n", "");
        row("lead for 1 per cent",
            {"attenuate", "Pb@1", "--energy", "0.662", "--thickness-for", "0.01"}, {}, 0,
            "6.620E-01  3.655E+00\n", "");
        // 3 photons at 0.6 MeV and 1 at 1 MeV through 0.5 cm of lead, with dry air's mu_en/rho
        // summed by hand from the NIST tables.
        row("two-line spectrum", {"--digits", "6", "attenuate", "Pb@0.5", "--spectrum", "-"},
            "# two lines\n0.6 3\n\n1.0 1\n", 0,
            "5.36558E-01  5.53093E-01  7.00000E-01  7.24550E-01\n", "");
        // The same as a spreadsheet saves it: byte-order mark, a header, ';', CR LF, keV.
        row("spectrum from a spreadsheet, in keV",
            {"--digits", "6", "--energy-unit", "keV", "attenuate", "Pb@0.5", "--spectrum", "-"},
            "\xEF\xBB\xBF"
            "Energy (keV);Counts\r\n600;3\r\n1000;1\r\n",
            0, "5.36558E-01  5.53093E-01  7.00000E+02  7.24550E+02\n", "");
        row("spectrum separated by tabs under a header",
            {"--digits", "6", "attenuate", "Pb@0.5", "--spectrum", "-"},
            "energy\tweight\n0.6\t3\n1.0\t1", 0,
            "5.36558E-01  5.53093E-01  7.00000E-01  7.24550E-01\n", "");
        row("spectrum file that cannot be read",
            {"hvl", "--spectrum", "/no/such/spectrum.txt", "Al"}, {}, 1, "",
            "/no/such/spectrum.txt: cannot be read");
        row("density not a number", {"hvl", "Pb", "1", "--density", "1,5"}, {}, 1, "",
            "--density '1,5' is not a number");
        // By hand: 50 keV is gone well before 3 cm of lead, so the 662 keV line, 90.4 % of the
        // air kerma, must fall to 1/90.4 alone: ln(90.4) / 1.2601 cm-1.
        row("lead for 1 per cent of a spectrum's air kerma",
            {"attenuate", "Pb@1", "--spectrum", "-", "--thickness-for", "0.01"},
            "0.05 1\n0.662 1\n", 0, "3.575E+00\n", "");
        row("water by formula", {"zeff", "formula:H2O", "0.1"}, {}, 0,
            "1.000E-01  3.403E+00  3.413E+23\n", "");
        row("bad spectrum line", {"hvl", "--spectrum", "-", "Al"}, "0.05 1\n0.06 lots\n", 1, "",
            "standard input, line 2: 'lots' is not a number");
        row("spectrum beyond the absorption tables", {"attenuate", "Al@1", "--spectrum", "-"},
            "0.05 1\n30 1\n", 1, "", "line 2: no energy-absorption data at 30 MeV");
        row("an element above uranium has no absorption table", {"absorption", "mix:U=1,Pu=1", "1"},
            {}, 3,
            "1.000E+00  NoAbsorptionData  NoAbsorptionData  NoAbsorptionData  NoAbsorptionData\n",
            "1 of 1 energies gave no value");
        row("spectrum too strong to add up", {"attenuate", "Al@1", "--spectrum", "-"}, "20 1e307\n",
            1, "", "the spectrum's sums are too large to hold");
        row("formula without a density", {"hvl", "formula:H2O", "1"}, {}, 1, "",
            "density of formula:H2O is not known");
        // Units: 50 mm and 56.75 g/cm2 of lead (11.35 g/cm3) are the 5 cm above; lead's
        // coefficients at 662 keV (cm2/g, docs/cli.md) times 207.199997 / 0.602214076 barn.
        row("thickness in mm", {"attenuate", "Pb@50mm", "--energy", "0.662"}, {}, 0,
            "6.620E-01  6.301E+00  1.835E-03\n", "");
        row("thickness as mass per area", {"attenuate", "Pb@56.75g/cm2", "--energy", "0.662"}, {},
            0, "6.620E-01  6.301E+00  1.835E-03\n", "");
        row("lead per atom",
            {"--format", "csv", "at", "Pb", "0.662", "--unit", "barn/atom", "--without-coherent"},
            {}, 0,
            "energy,coherent,incoherent,photo_electric,pair_nuclear,pair_electron,total,"
            "total_without_coherent\n"
            "6.620E-01,2.293E+00,2.066E+01,1.498E+01,0.000E+00,0.000E+00,3.820E+01,3.564E+01\n",
            "");
        // --unit: water's NIST values at 1 MeV (density 1) as 1/mu in mm, lead's lengths in mm.
        row("absorption lengths in mm", {"absorption", "Water_Liquid", "1", "--unit", "mm"}, {}, 0,
            "# energy (MeV)  mu_rho (mm)  mu_en_rho (mm)  kerma_ratio_air  kerma_ratio_water\n"
            "1.000E+00  1.414E+02  3.223E+02  1.113E+00  1.000E+00\n",
            "");
        row("half-value layer in mm", {"--digits", "5", "hvl", "Pb", "0.662", "--unit", "mm"}, {},
            0, "6.6200E-01  7.9358E+00  5.5007E+00  1.8273E+01  7.9358E+00\n", "");
        row("a spectrum's half-value layers are lengths",
            {"hvl", "--spectrum", "-", "Pb", "--unit", "cm2/g"}, "0.662 1\n", 1, "",
            "--unit takes nm, um, mm, cm or m there");
        // 30 keV photons lie some 1700 mfp deep in 5 cm of lead: no buildup factor, and none for
        // the total over an uncollided rate of 0.
        const QStringList dose = {"dose", "lines:0.03=1", "Pb@5", "--activity",
                                  "1GBq", "--distance",   "1m"};
        row("no value is null", QStringList{"--format", "json"} + dose, {}, 0,
            "{\"energy\":3.000E-02,\"intensity\":1.000E+00,\"uncollided\":0.000E+00,\"buildup\":"
            "null,\"rate\":0.000E+00}\n{\"energy\":\"total\",\"intensity\":1.000E+00,"
            "\"uncollided\":0.000E+00,\"buildup\":null,\"rate\":0.000E+00}\n",
            "beyond 100 mfp");
        // Names by part of a word, with the element file's and the compendium's own names.
        row("names holding a text", {"--format", "csv", "list", "--match", "germ"}, {}, 0,
            "typed,name,density,source,aliases\nGe,Germanium,5.323,ele/"
            "032_Ge.ele,\nBismuth_Germanate_BGO,Bismuth Germanate (BGO),"
            "7.130,compendium,\"BGO, Bi4Ge3O12\"\nGermanium_High_Purity,\"Germanium, High Purity\","
            "5.323,compendium,\"high purity germanium, HPGe\"\n",
            "");
        row("the compendium's names holding two texts",
            {"--format", "csv", "list", "--compendium", "--match", "lead gl"}, {}, 0,
            "typed,name,density,source,aliases\ncompendium:Glass_Lead,\"Glass, "
            "Lead\",6.220,compendium,lead glass\n",
            "");
        row("no name holds it", {"list", "--match", "kaptn"}, {}, 0,
            "# typed\tname\tdensity (g/cm3)\tsource\taliases\n", "did you mean Kapton,");
        row("no solution",
            {"attenuate", "Pb@5", "Al@1", "--energy", "0.662", "--thickness-for", "0.5"}, {}, 3,
            "6.620E-01  NoSolution\n", "1 of 1");
    }
    void commands() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const QStringList header = out.startsWith('#') ? QStringList() : QStringList{"--no-header"};
        const Run run = runCli(library(), header + arguments, input);
        QCOMPARE(run.out, out);
        QVERIFY2(run.err.contains(err), qPrintable(run.err));
        QVERIFY2(run.err.count('\n') <= 1, qPrintable(run.err)); // one message at most
        QCOMPARE(run.status, status);
    }

    void builtMaterialsCarryTheirComposition() {
        testing::TempFolder folder;
        const auto root = folder.path();
        const auto source = testing::sourceDir() / "library";
        for (const char* part : {"ele", "muen", "mix", "compositions.txt", "shielding"}) {
            std::filesystem::copy(source / part, root / part,
                                  std::filesystem::copy_options::recursive);
        }
        const QString home = QString::fromStdString(root.string());
        QCOMPARE(runCli(home, {"compound", "--name", "W", "--density", "1", "--file", "H2O", "H=2",
                               "O=1"})
                     .status,
                 0);
        // Weight fractions from the element files' weights: those of water, by hand above.
        QCOMPARE(runCli(home, {"--no-header", "zeff", "H2O", "0.1"}).out,
                 QString("1.000E-01  3.403E+00  3.413E+23\n"));
        std::filesystem::copy_file(root / "mix" / "H2O.mix3", root / "mix" / "Copy.mix3");
        const Run unknown = runCli(home, {"absorption", "Copy", "1"});
        QCOMPARE(unknown.status, 1);
        QVERIFY(unknown.out.isEmpty());
        QVERIFY2(unknown.err.contains("composition of mix/Copy.mix3 is not known"),
                 qPrintable(unknown.err));
        // Air kerma behind it needs no composition; the dose absorbed in it does.
        const QStringList dose{"dose", "Co-60", "Copy@1", "--activity", "1GBq", "--distance", "1m"};
        QCOMPARE(runCli(home, dose).status, 0);
        const Run absorbed = runCli(home, dose + QStringList{"--kind", "absorption"});
        QVERIFY2(absorbed.status == 1 && absorbed.err.contains("composition of mix/Copy.mix3"),
                 qPrintable(absorbed.err));
    }
};

QTEST_GUILESS_MAIN(AttenuationCliTest)
#include "test_cli.moc"
