#include "fakes/SampleTables.h"
#include "fakes/TestSupport.h"

#include "attenuation/Attenuation.h"
#include "attenuation/Spectrum.h"
#include "attenuation/TextLines.h"
#include "attenuation/Units.h"
#include "data/MaterialFile.h"

#include <numbers>

using namespace attenuation;
using testing::kHeavy;
using testing::kLight;
using testing::tableOf;

namespace {

/// An "air" whose mu_en/rho is 0.04 at 0.05 MeV and 0.02 at 0.1 MeV.
AbsorptionTable airTable() {
    std::string error;
    return *ParseAbsorptionTable("Air\n7\n3\n0.001 1 1\n0.05 1 0.04\n0.1 1 0.02\n", error);
}

} // namespace

class AttenuationCoreTest : public QObject {
    Q_OBJECT

  private slots:
    void elementAbsorption_data() {
        QTest::addColumn<double>("energy");
        QTest::addColumn<double>("expected"); // 0: no data
        // Lead's NIST table: 1.247E+02 at 10 keV; at the L1 edge 13.04 keV, 6.270E+01 below and
        // 1.291E+02 above; log-log between 2.344E+03 (1.5 keV) and 1.274E+03 (2 keV).
        QTest::newRow("tabulated energy") << 0.01 << 124.7;
        QTest::newRow("edge energy takes the value above") << 0.01304 << 129.1;
        QTest::newRow("between rows, log-log") << 0.00175 << 1690.7302423536782;
        QTest::newRow("first energy") << 0.001 << 5197.0;
        QTest::newRow("below 1 keV") << 0.000999 << 0.0;
        QTest::newRow("last energy, 20 MeV") << 20.0 << 0.03595;
        QTest::newRow("above 20 MeV") << 20.001 << 0.0;
    }
    void elementAbsorption() {
        QFETCH(double, energy);
        QFETCH(double, expected);
        AbsorptionLibrary library(testing::sourceDir() / "library");
        const AbsorptionTable* lead = library.Element(82);
        QVERIFY(lead != nullptr);
        const std::optional<double> value = MuEnRhoAt(*lead, energy);
        QCOMPARE(value.has_value(), expected > 0);
        if (value) {
            QVERIFY2(testing::closeTo(*value, expected, 1e-12),
                     qPrintable(QString::number(*value)));
        }
    }

    // The slice index only saves the search: every element at energies on, between and beside
    // its rows gives the same double as a table searched row by row.
    void sliceIndexChangesNoValue() {
        AbsorptionLibrary library(testing::sourceDir() / "library");
        for (int z = 1; z <= kAbsorptionHighestZ; ++z) {
            const AbsorptionTable* table = library.Element(z);
            QVERIFY(table != nullptr && !table->sliceRow.empty());
            AbsorptionTable plain = *table;
            plain.sliceRow.clear();
            std::vector<double> energies;
            for (const double e : table->energyMeV) {
                energies.insert(energies.end(),
                                {e, std::nextafter(e, 0.0), std::nextafter(e, 1e9), e * 1.37});
            }
            for (const double e : energies) {
                QVERIFY2(MuEnRhoAt(*table, e) == MuEnRhoAt(plain, e),
                         qPrintable(QString::number(e)));
            }
        }
    }

    void materialAbsorption_data() {
        QTest::addColumn<double>("energy");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<double>("expected");
        // Water's weight fractions from the reference list times hydrogen's 5.556E-02 and
        // oxygen's 2.794E-02 at 1 MeV.
        QTest::newRow("weighted sum") << 1.0 << int(Outcome::Ok) << 0.03103062276;
        QTest::newRow("25 MeV has no data") << 25.0 << int(Outcome::NoAbsorptionData) << 0.0;
        QTest::newRow("0.5 keV has no data") << 0.0005 << int(Outcome::NoAbsorptionData) << 0.0;
    }
    void materialAbsorption() {
        QFETCH(double, energy);
        QFETCH(int, outcome);
        QFETCH(double, expected);
        const std::filesystem::path root = testing::sourceDir() / "library";
        std::string error;
        const std::optional<Composition> water = FindComposition(root, kWaterPath, error);
        QVERIFY2(water, error.c_str());
        AbsorptionLibrary library(root);
        const std::optional<AbsorptionMix> mix = MixAbsorption(*water, library, error);
        QVERIFY2(mix, error.c_str());
        double value = 0.0;
        QCOMPARE(int(MassEnergyAbsorption(*mix, energy, value)), outcome);
        QVERIFY(testing::closeTo(value, expected, 1e-12));
    }

    // An absorption row looks each element up once for all three mixes; its numbers must be the
    // very doubles of the three sums taken one by one: at both ends of the tables, at the
    // phosphorus and calcium edges, between rows, and refused beyond the ends.
    void absorptionRowIsTheSeparateSums() {
        const std::filesystem::path root = testing::sourceDir() / "library";
        AbsorptionLibrary library(root);
        std::string error;
        const auto mixOf = [&](std::string_view path) {
            const std::optional<Composition> shares = FindComposition(root, path, error);
            return shares ? MixAbsorption(*shares, library, error) : std::nullopt;
        };
        const auto bone = mixOf("mix/Bone_Cortical.mix1");
        const auto air = mixOf(kDryAirPath);
        const auto water = mixOf(kWaterPath);
        QVERIFY2(bone && air && water, error.c_str());
        data::MaterialTable table;
        table.SelectedPath = "mix/Bone_Cortical.mix1";
        QVERIFY(data::LoadMaterialTable(table, root).ok());
        const AbsorptionColumns columns(*bone, *air, *water);
        for (const double energy : {0.001, 0.002145, 0.004038, 0.0123, 1.0, 20.0, 20.5}) {
            double muEn = 0.0;
            double airValue = 0.0;
            double waterValue = 0.0;
            const Outcome alone = MassEnergyAbsorption(*bone, energy, muEn);
            QCOMPARE(alone, energy <= 20.0 ? Outcome::Ok : Outcome::NoAbsorptionData);
            MassEnergyAbsorption(*air, energy, airValue);
            MassEnergyAbsorption(*water, energy, waterValue);
            AbsorptionRow row;
            QCOMPARE(AbsorptionAt(table, columns, energy, row), alone);
            if (alone == Outcome::Ok) {
                QVERIFY2(row.muEnRho == muEn && row.kermaRatioAir == muEn / airValue &&
                             row.kermaRatioWater == muEn / waterValue,
                         qPrintable(QString::number(energy)));
            }
        }
    }

    void elementsAboveUraniumHaveNoAbsorptionData() {
        AbsorptionLibrary library(testing::sourceDir() / "library");
        std::string error;
        const auto mix = MixAbsorption({{1, 0.5}, {94, 0.5}}, library, error);
        double value = 0.0;
        QVERIFY(mix);
        QCOMPARE(MassEnergyAbsorption(*mix, 1.0, value), Outcome::NoAbsorptionData);
    }

    // A working folder with a damaged carbon table and no nitrogen table: each refusal names
    // its own element, whatever was asked before it.
    void missingAndDamagedTablesAreNamed() {
        testing::TempFolder folder;
        testing::writeFile(folder.path() / "muen/006_C.muen", "not a table\n");
        testing::writeFile(folder.path() / "muen/001_H.muen",
                           testing::readFile(testing::sourceDir() / "library/muen/001_H.muen"));
        AbsorptionLibrary library(folder.path());
        for (const auto& [z, message] :
             std::vector<std::pair<int, std::string>>{{6, "006_C.muen"},
                                                      {7, "atomic number 7 in"},
                                                      {6, "006_C.muen"},
                                                      {1, ""},
                                                      {93, "data for atomic number 93"},
                                                      {7, "atomic number 7 in"}}) {
            const bool found = library.Element(z) != nullptr;
            QCOMPARE(found, message.empty());
            QVERIFY2(found || library.lastError().find(message) != std::string::npos,
                     library.lastError().c_str());
        }
    }

    void layers_data() {
        QTest::addColumn<double>("energy");
        QTest::addColumn<double>("lightCm");
        QTest::addColumn<double>("heavyCm");
        QTest::addColumn<double>("muX");
        QTest::addColumn<double>("thicknessForOnePercent"); // of the heavy layer, 0: none
        // Densities 1 and 3 g/cm3: mu is 0.5 and 6 per cm at 0.05 MeV, 0.2 and 3 at 0.1 MeV.
        QTest::newRow("empty layers") << 0.05 << 0.0 << 0.0 << 0.0 << std::log(100.0) / 6;
        QTest::newRow("light and heavy") << 0.05 << 2.0 << 0.5 << 4.0 << (std::log(100.0) - 1) / 6;
        QTest::newRow("higher energy") << 0.1 << 1.0 << 1.0 << 3.2 << (std::log(100.0) - 0.2) / 3;
        QTest::newRow("light layer alone lets less through") << 0.05 << 10.0 << 1.0 << 11.0 << 0.0;
    }
    void layers() {
        QFETCH(double, energy);
        QFETCH(double, lightCm);
        QFETCH(double, heavyCm);
        QFETCH(double, muX);
        QFETCH(double, thicknessForOnePercent);
        const std::vector<Layer> stack{{&kLight, 1.0, lightCm}, {&kHeavy, 3.0, heavyCm}};
        double value = 0.0;
        std::vector<double> perLayer;
        QCOMPARE(StackAt(stack, energy, value, &perLayer), Outcome::Ok);
        QCOMPARE_CLOSE(value, muX);
        QCOMPARE(perLayer.size(), std::size_t(2));
        double thickness = 0.0;
        const Outcome solved = ThicknessFor(stack, energy, 0.01, thickness);
        QCOMPARE(solved, thicknessForOnePercent > 0 ? Outcome::Ok : Outcome::NoSolution);
        if (solved == Outcome::Ok) {
            QVERIFY(testing::closeTo(thickness, thicknessForOnePercent, 1e-12));
        }
        // A last layer of density 0 does not attenuate: no thickness of it will do.
        QCOMPARE(ThicknessFor({{&kHeavy, 0.0, 1.0}}, energy, 0.01, thickness), Outcome::NoSolution);
    }

    void halfValueLayer() {
        HalfValueRow row;
        QCOMPARE(HalfValueAt(kHeavy, 3.0, 0.05, row), Outcome::Ok);
        QCOMPARE_CLOSE(row.mu, 6.0);
        QCOMPARE_CLOSE(row.hvl, std::numbers::ln2 / 6);
        QCOMPARE_CLOSE(row.tvl, std::numbers::ln10 / 6);
        QCOMPARE_CLOSE(row.mfp, 1.0 / 6);
        QCOMPARE(HalfValueAt(kHeavy, 3.0, 0.2, row), Outcome::OutOfRange);
    }

    void spectrumThroughLayers() {
        // 2 photons at 0.05 MeV and 1 at 0.1 MeV through 1 cm of the light material (mu 0.5
        // and 0.2 per cm): kerma weights 2 x 0.05 x 0.04 and 1 x 0.1 x 0.02.
        const AbsorptionTable air = airTable();
        const AbsorptionMix airMix{{{&air, 1.0}}, true};
        std::vector<SpectrumBin> bins;
        SpectrumProblem problem;
        QVERIFY(ReadSpectrum("# two lines\n0.05 2\n\n0.1, 1 # comma too\n", bins, problem));
        SpectrumTransmission result;
        QVERIFY(TransmitSpectrum(bins, {{&kLight, 1.0, 1.0}}, airMix, result, problem));
        const double a = std::exp(-0.5), b = std::exp(-0.2);
        QCOMPARE_CLOSE(result.fluence, (2 * a + b) / 3);
        QCOMPARE_CLOSE(result.airKerma, (0.004 * a + 0.002 * b) / 0.006);
        QCOMPARE_CLOSE(result.meanEnergyInMeV, 0.2 / 3);
        QCOMPARE_CLOSE(result.meanEnergyOutMeV, (0.1 * a + 0.1 * b) / (2 * a + b));

        // Half-value layers: the kerma sum itself falls to a half and a quarter.
        HalfValueLayers hvl;
        const Layer light{&kLight, 1.0, 0.0};
        QVERIFY(SpectrumHalfValueLayers(bins, light, airMix, hvl, problem));
        const auto kerma = [](double t) {
            return 0.004 * std::exp(-0.5 * t) + 0.002 * std::exp(-0.2 * t);
        };
        QVERIFY(testing::closeTo(kerma(hvl.first), 0.003, 1e-9));
        QVERIFY(testing::closeTo(kerma(hvl.first + hvl.second), 0.0015, 1e-9));
        QVERIFY(hvl.second > hvl.first); // the beam hardens
        QCOMPARE_CLOSE(hvl.homogeneity, hvl.first / hvl.second);

        // One line: both layers are ln 2 / mu.
        QVERIFY(ReadSpectrum("0.1 5", bins, problem));
        QVERIFY(SpectrumHalfValueLayers(bins, light, airMix, hvl, problem));
        QVERIFY(testing::closeTo(hvl.first, std::numbers::ln2 / 0.2, 1e-9));
        QVERIFY(testing::closeTo(hvl.homogeneity, 1.0, 1e-9));

        // A bin beyond the absorption table names its line.
        QVERIFY(ReadSpectrum("0.05 1\n0.5 1\n", bins, problem));
        QVERIFY(!TransmitSpectrum(bins, {{&kLight, 1.0, 1.0}}, airMix, result, problem));
        QCOMPARE(problem.line, 2);
    }

    // The thickness of the stack's last layer for an air kerma transmission: one line at 0.1 MeV
    // through the light material (mu 0.2 per cm), alone or behind 1 cm of the heavy one at
    // density 0.5, which lets exp(-0.5) = 0.61 through. NaN: refused with `problem`.
    void spectrumThicknessFor_data() {
        QTest::addColumn<bool>("behindHeavy");
        QTest::addColumn<double>("transmission");
        QTest::addColumn<double>("thickness");
        QTest::addColumn<QString>("problem");
        const QString range = "the transmission must lie above 0 and at most 1";
        QTest::newRow("half") << false << 0.5 << std::numbers::ln2 / 0.2 << QString();
        QTest::newRow("all of it needs no thickness") << false << 1.0 << 0.0 << QString();
        QTest::newRow("a tenth behind the heavy layer")
            << true << 0.1 << (std::log(10.0) - 0.5) / 0.2 << QString();
        QTest::newRow("none of it") << false << 0.0 << qQNaN() << range;
        QTest::newRow("more than the heavy layer lets through")
            << true << 0.9 << qQNaN()
            << "no thickness of the last layer gives that air kerma "
               "transmission";
    }
    void spectrumThicknessFor() {
        QFETCH(bool, behindHeavy);
        QFETCH(double, transmission);
        QFETCH(double, thickness);
        QFETCH(QString, problem);
        const AbsorptionTable air = airTable();
        std::vector<SpectrumBin> bins{{0.1, 1.0, 1}};
        std::vector<Layer> layers{{&kLight, 1.0, 0.0}};
        layers.insert(layers.begin(), behindHeavy ? 1 : 0, {&kHeavy, 0.5, 1.0});
        double solved = -1.0;
        SpectrumProblem found;
        QCOMPARE(
            SpectrumThicknessFor(bins, layers, {{{&air, 1.0}}, true}, transmission, solved, found),
            !qIsNaN(thickness));
        QVERIFY2(qIsNaN(thickness) ? QString::fromStdString(found.what) == problem
                                   : testing::closeTo(solved, thickness, 1e-9),
                 qPrintable(QString::number(solved) + " " + QString::fromStdString(found.what)));
    }

    void badSpectra_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("line");
        QTest::newRow("one field") << "0.05 1\n0.06\n" << 2;
        QTest::newRow("three fields") << "# c\n0.05 1 2\n" << 2;
        QTest::newRow("not a number") << "0.05 1\n\n0.06 lots\n" << 3;
        QTest::newRow("unit glued on") << "50keV 1\n" << 1;
        QTest::newRow("zero energy") << "0 1\n" << 1;
        QTest::newRow("negative weight") << "0.05 -1\n" << 1;
        QTest::newRow("nan") << "nan 1\n" << 1;
        QTest::newRow("only comments") << "# nothing\n\n" << 0;
        QTest::newRow("no weight at all") << "0.05 0\n0.06 0\n" << 0;
        QTest::newRow("decimal comma beside a semicolon") << "energy;n\n0,05;1\n" << 2;
        QTest::newRow("control bytes are no header") << "\x01PK\x02 x\n0.05 1\n" << 1;
        QTest::newRow("a line of nan is no header") << "nan\n0.05 1\n" << 1;
        QTest::newRow("upper-case NAN is no header") << "NAN\n0.05 1\n" << 1;
        QTest::newRow("signed infinity is no header") << "-Infinity;x\n0.05 1\n" << 1;
    }
    void badSpectra() {
        QFETCH(QString, text);
        QFETCH(int, line);
        std::vector<SpectrumBin> bins{{1.0, 1.0, 1}};
        SpectrumProblem problem;
        QVERIFY(!ReadSpectrum(text.toStdString(), bins, problem));
        QCOMPARE(problem.line, line);
        QVERIFY(!problem.what.empty());
        QCOMPARE(bins.size(), std::size_t(1)); // untouched
    }

    // A field in a message: at most 24 characters, a UTF-8 character as it is, any other byte
    // that is not printable ASCII as \xNN.
    void quotedExcerpts_data() {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QByteArray>("excerpt");
        const QByteArray e(QByteArray("\xC3\xA9").repeated(24));
        const auto row = [](const char* name, const QByteArray& field, const QByteArray& excerpt) {
            QTest::newRow(name) << field << excerpt;
        };
        row("printable ASCII", "0,662 ~", "'0,662 ~'");
        row("lowest and highest two-byte leads", "\xC2\xB0\xDF\xBF", "'\xC2\xB0\xDF\xBF'");
        row("three and four bytes, up to U+10FFFF",
            "\xE0\xA4\x85\xEF\xBF\xBD\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF",
            "'\xE0\xA4\x85\xEF\xBF\xBD\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF'");
        row("bytes that start no character", "\xC1\xBF\xF5\x80", "'\\xC1\\xBF\\xF5\\x80'");
        row("a character cut short", "\xE2\x82x", "'\\xE2\\x82x'");
        row("control bytes and DEL", "\t\x1F\x7F", "'\\x09\\x1F\\x7F'");
        row("24 characters", e, "'" + e + "'");
        row("more than 24 characters", e + "x", "'" + e + "...'");
    }
    void quotedExcerpts() {
        QFETCH(QByteArray, field);
        QFETCH(QByteArray, excerpt);
        QCOMPARE(QByteArray::fromStdString(
                     QuotedExcerpt(std::string_view(field.constData(), field.size()))),
                 excerpt);
    }

    // An energy-absorption table row must be exactly three positive numbers.
    void badAbsorptionTables_data() {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("error");
        const auto row = [](const char* name, const QString& rows, const QString& error) {
            QTest::newRow(name) << rows << error;
        };
        row("two fields", "0.001 1 1\n0.05 1\n", "line 5: not three numbers");
        row("four fields", "0.001 1 1\n0.05 1 1 1\n", "line 5: not three numbers");
        row("zero", "0.001 1 0\n0.05 1 1\n", "line 4: a value");
        row("falling energy", "0.05 1 1\n0.001 1 1\n", "line 5: an energy below");
    }
    void badAbsorptionTables() {
        QFETCH(QString, rows);
        QFETCH(QString, error);
        std::string message;
        QVERIFY(!ParseAbsorptionTable("Air\n7\n2\n" + rows.toStdString(), message));
        QVERIFY2(QString::fromStdString(message).startsWith(error), message.c_str());
    }

    // A typed keV value is the very double its MeV spelling gives: 59.54 / 1000 is not 0.05954.
    void kevTextsReadAsTheirMeVSpelling_data() {
        QTest::addColumn<QString>("keV");
        QTest::addColumn<double>("meV"); // NaN: refused
        QTest::newRow("americium line") << "59.54" << 0.05954;
        QTest::newRow("signs and a point first") << "+.5" << 0.0005;
        QTest::newRow("negative, refused later") << "-8.04" << -0.00804;
        QTest::newRow("exponent") << "3.6449E2" << 0.36449;
        QTest::newRow("signed exponent") << "1e+3" << 1.0;
        QTest::newRow("unit glued on") << "662keV" << qQNaN();
        QTest::newRow("exponent without digits") << "1e" << qQNaN();
        QTest::newRow("exponent beyond a double") << "1E+400" << qQNaN();
    }
    void kevTextsReadAsTheirMeVSpelling() {
        QFETCH(QString, keV);
        QFETCH(double, meV);
        const std::optional<double> read = ReadKeVAsMeV(keV.toStdString());
        QCOMPARE(read.has_value(), !qIsNaN(meV));
        QVERIFY(!read || *read == meV);
    }

    // Typed energies in the other unit, converted by hand; separators and words stay as typed.
    void energiesInTheOtherUnit_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("toKeV");
        QTest::addColumn<QString>("converted");
        const auto row = [](const char* name, const char* typed, bool toKeV, const char* to) {
            QTest::newRow(name) << QString(typed) << toKeV << QString(to);
        };
        row("list and its separators", "0.662, 0.1;1e-4\t2", true, "662, 100;1e-1\t2000");
        row("lines: the energies only", "lines:0.662=0.851,1.25=1", true, "lines:662=0.851,1250=1");
        row("keV to MeV", "59.54 1e3 .5 1250", false, "0.05954 1 0.0005 1.25");
        row("signs and zeros", "+1.50 -0.25 0 000.000", true, "+1500 -250 0 0");
        row("exponent and its sign", "6.62E+2 3e-3", false, "6.62E-1 3e-6");
        row("no numbers", "Co-60 662keV nan 1E+400 x=1", true, "Co-60 662keV nan 1E+400 x=1");
    }
    void energiesInTheOtherUnit() {
        QFETCH(QString, typed);
        QFETCH(bool, toKeV);
        QFETCH(QString, converted);
        QCOMPARE(QString::fromStdString(EnergiesInOtherUnit(typed.toStdString(), toKeV)),
                 converted);
    }

    // A thickness with its unit is the very double its spelling in cm (or g/cm2) gives.
    void thicknessesWithUnits_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value"); // cm or g/cm2; NaN: refused
        QTest::addColumn<bool>("perArea");
        const auto row = [](const char* text, double value, bool perArea) {
            QTest::newRow(text) << QString::fromUtf8(text) << value << perArea;
        };
        row("0.5", 0.5, false), row("5mm", 0.5, false), row(" 5 mm ", 0.5, false);
        row("250um", 0.025, false), row("250µm", 0.025, false), row("250μm", 0.025, false);
        row("1.5m", 150.0, false), row("80nm", 0.000008, false), row("1e3um", 0.1, false);
        row("2.3g/cm2", 2.3, true), row("2.3 g/cm^2", 2.3, true);
        row("2.3g/cm²", 2.3, true), row("450mg/cm2", 0.45, true), row("30ug/cm2", 0.00003, true);
        row("11.3kg/m2", 1.13, true), row("-1mm", qQNaN(), false), row("5in", qQNaN(), false);
        row("mm", qQNaN(), false), row("5 mmm", qQNaN(), false), row("", qQNaN(), false);
        row("5MM", qQNaN(), false), row("1E400mm", qQNaN(), false);
    }
    void thicknessesWithUnits() {
        QFETCH(QString, text);
        QFETCH(double, value);
        QFETCH(bool, perArea);
        std::string problem;
        const std::optional<Thickness> read = ReadThickness(text.toStdString(), problem);
        QCOMPARE(read.has_value(), !qIsNaN(value));
        QVERIFY(!read || (read->value == value && read->perArea == perArea));
        QVERIFY(read || problem.find("mg/cm2") != std::string::npos);
    }

    // barn/atom by hand: mu/rho times the atomic weights of the element files (last line) over
    // Avogadro's number (CODATA 2018, exact), times 1E24 barn/cm2; 1/cm and lengths by density.
    void coefficientUnits_data() {
        QTest::addColumn<QString>("material");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<double>("density"); // 0: the material's
        QTest::addColumn<double>("perCm2G"); // the value for 1 cm2/g; NaN: refused
        const auto row = [](const char* name, const char* m, const char* u, double rho, double v) {
            QTest::newRow(name) << QString(m) << QString::fromUtf8(u) << rho << v;
        };
        const double lead = 207.199997 / 6.02214076e23 * 1e24, nan = qQNaN();
        row("lead per atom", "Pb", "barn/atom", 0, lead);
        row("b/atom", "formula:Pb", "b/atom", 0, lead);
        row("water molecule", "formula:H2O", "barn/atom", 0, (2 * 1.0079 + 15.9994) / 0.602214076);
        row("gypsum", "formula:CaSO4·2H2O", "barn/atom", 0,
            (40.080002 + 32.060001 + 6 * 15.9994 + 4 * 1.0079) / 0.602214076);
        row("library mixture", "Water_Liquid", "barn/atom", 0, nan);
        row("mix", "mix:H2O=1", "b/atom", 0, nan);
        row("lead linear", "Pb", "1/cm", 0, 11.35), row("cm-1", "Pb", "cm-1", 2.0, 2.0);
        row("given density", "formula:H2O", "1/cm", 0.5, 0.5);
        row("no density", "formula:H2O", "1/cm", 0, nan);
        row("cm", "Pb", "cm", 0, 1 / 11.35), row("mm", "Pb", "mm", 0, 10 / 11.35);
        row("um", "Pb", "µm", 0, 1e4 / 11.35), row("m", "Pb", "m", 0, 0.01 / 11.35);
        row("cm2/g", "Water_Liquid", "cm2/g", 0, 1.0), row("unknown", "Pb", "cm2", 0, nan);
    }
    void coefficientUnits() {
        QFETCH(QString, material);
        QFETCH(QString, unit);
        QFETCH(double, density);
        QFETCH(double, perCm2G);
        const std::filesystem::path root = testing::sourceDir() / "library";
        material::ResolvedMaterial resolved;
        std::string problem;
        QVERIFY(material::ResolveMaterial(root, material.toStdString(), resolved, problem));
        const std::optional<CoefficientUnit> read =
            ReadCoefficientUnit(unit.toStdString(), problem);
        const std::optional<CoefficientScale> scale =
            read ? ScaleFor(*read, resolved, density > 0 ? std::optional(density) : std::nullopt,
                            root, problem, "density=")
                 : std::nullopt;
        QCOMPARE(scale.has_value(), !qIsNaN(perCm2G));
        const bool length = scale && scale->unit.kind == CoefficientKind::Length;
        QVERIFY(!scale || testing::closeTo(scale->Apply(length ? 1.0 : 0.25),
                                           length ? perCm2G : perCm2G * 0.25, 1e-14));
    }

    void effectiveZ() {
        // Water from hydrogen (1.0079) and oxygen (15.9994) at 0.1 MeV, where their totals are
        // 0.2943769823 and 0.155099: Zeff and Neff worked out by hand from atom fractions 2/3, 1/3.
        ElementLibrary library(testing::sourceDir() / "library");
        std::string error;
        const auto water =
            ElementsOf(NormalizedComposition({{1, 2 * 1.0079}, {8, 15.9994}}), library, error);
        QVERIFY2(water, error.c_str());
        EffectiveZRow row;
        QCOMPARE(EffectiveZAt(*water, 0.1, row), Outcome::Ok);
        QVERIFY(testing::closeTo(row.zeff, 3.402971476237182, 1e-9));
        QVERIFY(testing::closeTo(row.neff, 3.412647081159017e23, 1e-9));
        // An element is its own Z at every energy, with N_A Z / A electrons per gram.
        const auto lead = ElementsOf({{82, 1.0}}, library, error);
        QCOMPARE(EffectiveZAt(*lead, 5.0, row), Outcome::Ok);
        QCOMPARE_CLOSE(row.zeff, 82.0);
        QVERIFY(testing::closeTo(row.neff, 2.3832796789084898e23, 1e-12));
    }

    void compositionsAreRecordedAndForgotten() {
        testing::TempFolder folder;
        std::string error;
        QVERIFY(!FindComposition(folder.path(), "mix/New.mix3", error));
        QVERIFY(error.find("mix/New.mix3") != std::string::npos);
        const Composition water = NormalizedComposition({{8, 8}, {1, 1}, {8, 0.5}, {1, 0.5}});
        QCOMPARE(water.size(), std::size_t(2));
        QCOMPARE(water[0].atomicNumber, 1); // sorted, repeats summed
        QCOMPARE_CLOSE(water[1].weightFraction, 0.85);
        QVERIFY(RecordComposition(folder.path(), "mix/New.mix3", water).ok);
        QVERIFY(RecordComposition(folder.path(), "mix/Other.mix1", {{6, 1.0}}).ok);
        const std::optional<Composition> read =
            FindComposition(folder.path(), "mix/New.mix3", error);
        QVERIFY(read && read->size() == 2 && (*read)[1].weightFraction == 0.85);
        QVERIFY(RecordComposition(folder.path(), "mix/New.mix3", {}).ok);
        QVERIFY(!FindComposition(folder.path(), "mix/New.mix3", error));
        QVERIFY(FindComposition(folder.path(), "mix/Other.mix1", error));
        // A damaged compositions file is refused, not overwritten.
        testing::writeFile(folder.path() / "compositions.txt", "mix/A.mix1\t1:x\r\n");
        QVERIFY(!RecordComposition(folder.path(), "mix/B.mix1", {{6, 1.0}}).ok);
        QCOMPARE(testing::readFile(folder.path() / "compositions.txt"),
                 std::string("mix/A.mix1\t1:x\r\n"));
    }
};

QTEST_GUILESS_MAIN(AttenuationCoreTest)
#include "test_core.moc"
