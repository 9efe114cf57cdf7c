// Number text, the number masks, table rows, the table load and the folder listing, also under a
// comma-decimal locale. Damaged and hostile files go through every reader in tests/reliability.

#include "data/CharConv.h"
#include "data/MaterialFile.h"
#include "data/NumberMask.h"
#include "data/NumericText.h"
#include "fakes/TestSupport.h"
#include "platform/FileListing.h"

#include <clocale>
#include <cstdlib>
#include <limits>
#include <locale>
#include <random>

using namespace data;

namespace {

struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

constexpr double kInf = std::numeric_limits<double>::infinity();

const std::map<QString, std::string (*)(double)> kMasks = {{"scientific", FormatScientific},
                                                           {"blank", FormatScientificBlank},
                                                           {"density", FormatDensity},
                                                           {"shown", FormatDensityShown},
                                                           {"count", FormatCount}};

} // namespace

class DataCoreTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        if (std::getenv("PHOTONXS_TEST_LOCALE") != nullptr) {
            if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
                std::setlocale(LC_ALL, "fr_FR.UTF-8");
            }
            std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
            QCOMPARE(std::use_facet<std::numpunct<char>>(std::locale()).decimal_point(), ',');
        }
    }

    void numericValue_data() {
        QTest::addColumn<std::string>("text");
        QTest::addColumn<double>("expected");
        QTest::addColumn<bool>("startsWithNumber");
        const std::string z400(400, '0');
        const auto row = [](const char* name, const std::string& text, double value, bool number) {
            QTest::newRow(name) << text << value << number;
        };
        row("leading point", ".5", 0.5, true);
        row("trailing point", "1.", 1.0, true);
        row("E exponent", "1.000E-03", 0.001, true);
        row("D exponent", "2.5D2", 250.0, true);
        row("lower-case exponent", "3e1", 30.0, true);
        row("blanks inside", " 1 2 . 5 E + 1", 125.0, false);
        row("comma ends the number", "0,5", 0.0, true);
        row("exponent without digits", "1E", 1.0, true);
        row("exponent sign without digits", "4E+x", 4.0, true);
        row("lone point", ".", 0.0, false);
        row("empty", "", 0.0, false);
        row("NaN text", "NaN", 0.0, false);
        row("negative", "-1.5E+2", -150.0, true);
        row("underflow", "1E-999", 0.0, true);
        row("overflow", "1E+999", kInf, true);
        row("exponent beyond any counter", "1E99999999999999999999999", kInf, true);
        row("negative exponent beyond any counter", "1e-99999999999999999999999", 0.0, true);
        // The order of magnitude decides overflow or underflow, however many zeros pad either.
        row("huge mantissa, padded small exponent", "1" + z400 + "e-00000000000000000000010", kInf,
            true);
        row("tiny exponent padded with zeros", "1e-000000000000000000000400", 0.0, true);
        row("padded exponent in range", "2.5e-00000000000000000000003", 0.0025, true);
        row("tiny mantissa, positive exponent", "0." + z400 + "1e10", 0.0, true);
        row("tiny mantissa lifted out", "0." + z400 + "1e800", kInf, true);
    }
    void numericValue() {
        QFETCH(std::string, text);
        QFETCH(double, expected);
        QFETCH(bool, startsWithNumber);
        QCOMPARE(NumericValue(text), expected);
        QCOMPARE(StartsWithNumber(text), startsWithNumber);
    }

    void masks_data() {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<double>("value");
        QTest::addColumn<std::string>("expected");
        const auto row = [](const char* mask, double value, const std::string& text) {
            QTest::addRow("%s %s", mask, text.c_str()) << QString(mask) << value << text;
        };
        // Rounding boundaries of the four-digit masks: half a unit of the last place either way.
        const std::vector<std::pair<double, std::string>> scientific{
            {0.001, "1.000E-03"},    {0.0, "0.000E+00"},     {-0.0, "0.000E+00"},
            {1.23449, "1.234E+00"},  {1.23451, "1.235E+00"}, {9.99951, "1.000E+01"},
            {9.99949, "9.999E+00"},  {-2.5, "-2.500E+00"},   {1.5e100, "1.500E+100"},
            {1.5e-120, "1.500E-120"}};
        for (const auto& [value, text] : scientific) {
            row("scientific", value, text);
            row("blank", value, " " + text);
        }
        // The density as a file writes it and as a window shows it.
        const std::vector<std::tuple<double, std::string, std::string>> densities{
            {0.5, ".5", "0.500"},
            {1.0, "1.", "1.000"},
            {1.06, "1.06", "1.060"},
            {0.00120479, ".001205", "0.001205"},
            {0.0012, ".0012", "0.0012"},
            {9.999, "9.999", "9.999"},
            {1.2345678, "1.234568", "1.234568"},
            {8.375e-05, ".000084", "0.000084"},
            {-0.0, ".", "0.000"}};
        for (const auto& [value, file, shown] : densities) {
            row("density", value, file);
            row("shown", value, shown);
        }
        row("count", 150, "150");
        row("count", 0, "");
    }
    void masks() {
        QFETCH(QString, mask);
        QFETCH(double, value);
        QFETCH(std::string, expected);
        QCOMPARE(kMasks.at(mask)(value), expected);
        if (mask == "density") {
            // What the file mask writes reads back within half a unit of its last place.
            QVERIFY(std::fabs(NumericValue(expected) - value) <= 0.5e-6);
        }
    }

    void parseTableRow_data() {
        QTest::addColumn<std::string>("line");
        QTest::addColumn<QVector<double>>("fields");
        const auto row = [](const char* name, const char* line, const QVector<double>& fields) {
            QTest::newRow(name) << std::string(line) << fields;
        };
        row("whole row", "1.000E-03 1.234E+00 5.000E-02 3.000E+03 0.000E+00 7.000E+00",
            {0.001, 1.234, 0.05, 3000, 0, 7});
        // Negative zero keeps every later field of a row in its column.
        row("negative zero", "0.000E+00 0.000E+00 1.000E+00 0.000E+00 2.000E+00 3.000E+00",
            {-0.0, -0.0, 1, 0, 2, 3});
        row("fixed columns, not blanks", "1.000E-03  1.000E+00 2.000E+00", {0.001, 1, 2, 0, 0, 0});
        // Fields a person or another program wrote are read by their numeric value.
        row("nine characters without a point", "1.000E-03 12345E-03 10000E+00",
            {0.001, 12.345, 10000, 0, 0, 0});
        row("decimal comma ends the number", "1.000E-03 1,234E+01 2.000E+00",
            {0.001, 1, 2, 0, 0, 0});
    }
    void parseTableRow() {
        QFETCH(std::string, line);
        QFETCH(QVector<double>, fields);
        const TableRow row = ParseTableRow(line);
        QCOMPARE(row.energy, fields[0]);
        for (std::size_t k = 0; k < 5; ++k) {
            QCOMPARE(row.coefficients[k], fields[qsizetype(k) + 1]);
        }
        if (line.size() == 59) { // a whole row is what the writer makes of its fields
            QCOMPARE(
                FormatTableRow(fields[0], {fields[1], fields[2], fields[3], fields[4], fields[5]}),
                line);
        }
    }

    void loadsTablesTotalsAndExtremes() {
        MaterialTable table;
        table.SelectedPath = "three_rows.mix3";
        QCOMPARE(LoadMaterialTable(table, testing::testData("")).density, 0.5);
        QCOMPARE(table.MaterialName, std::string("Test material"));
        QCOMPARE(table.RowCount, 3);
        QCOMPARE(table.RowText[1],
                 std::string("1.000E-03 1.234E+00 5.000E-02 3.000E+03 0.000E+00 0.000E+00"));
        QCOMPARE(table.Total[1], 1.234 + 0.05 + 3000.0 + 0.0 + 0.0);
        QCOMPARE(table.TotalMax, table.Total[1]);
        QCOMPARE(table.TotalMin, table.Total[3]);
        // LF-only line ends load the same way; the extremes keep narrowing without a reset.
        table.SelectedPath = "lf_line_ends.mix3";
        QVERIFY(LoadMaterialTable(table, testing::testData("")).ok());
        QCOMPARE(table.RowCount, 2);
        QCOMPARE(table.TotalMin, 0.8 + 0.2 + 500.0);
        QCOMPARE(table.TotalMax, 1.234 + 0.05 + 3000.0);
        MaterialTable empty; // a count of 0 is an empty table
        QVERIFY(LoadMaterialTableFromText(empty, "Nothing\r\n1.\r\n0\r\n").ok());
        QCOMPARE(empty.RowCount, 0);
        QCOMPARE(empty.TotalMin, kTotalMinStart);
    }

    void fractions() {
        // Plain shares; a total of 0; a total cancelled down so far that a share would not fit.
        const std::array<std::array<double, 5>, 3> rows{
            {{1, 2, 3, 4, 0}, {0, 0, 0, 0, 0}, {1e300, -1e300, 1e-300, 0, 0}}};
        const std::array<std::array<double, 5>, 3> shares{
            {{0.1, 0.2, 0.3, 0.4, 0}, {0, 0, 0, 0, 0}, {0, 0, 1, 0, 0}}};
        MaterialTable t;
        t.RowCount = 3;
        const std::array<Column*, 5> in{&t.Coherent, &t.Incoherent, &t.PhotoElectric,
                                        &t.PairNuclear, &t.PairElectron};
        const std::array<Column*, 5> out{&t.FracCoherent, &t.FracIncoherent, &t.FracPhotoElectric,
                                         &t.FracPairNuclear, &t.FracPairElectron};
        for (std::size_t i = 1; i <= 3; ++i) {
            for (std::size_t k = 0; k < 5; ++k) {
                (*in[k])[i] = rows[i - 1][k];
                t.Total[i] += rows[i - 1][k];
            }
        }
        ComputeFractions(t);
        for (std::size_t i = 1; i <= 3; ++i) {
            for (std::size_t k = 0; k < 5; ++k) {
                QVERIFY2((*out[k])[i] == shares[i - 1][k],
                         qPrintable(QString("row %1 column %2").arg(i).arg(k)));
            }
        }
    }

    // The C-library conversions the WebAssembly build uses must write and read exactly what
    // std::to_chars and std::from_chars do, here under a comma-decimal locale too.
    void charConvMatchesTheStandardLibrary() {
        std::vector<double> values = {
            0.0,   -0.0, 5e-324, 2.2250738585072014e-308, 1.7976931348623157e308, 0.1,
            0.662, 1e22, 1e23,   9007199254740993.0,      1.5637932350212452e18,  123456.0};
        for (int k = -1074; k <= 1023; k += 7) {
            values.push_back(std::ldexp(1.0, k)); // where the spacing of doubles changes
        }
        std::mt19937_64 random(2026);
        for (int i = 0; i < 20000; ++i) {
            const std::uint64_t bits = random();
            values.push_back(data::BitCast<double>(bits));
            values.push_back(std::pow(10.0, static_cast<double>(bits % 60) - 30.0) *
                             (1.0 + static_cast<double>(bits >> 40) / 16777216.0));
        }
        const auto text = [](std::to_chars_result result, const char* start) {
            return std::string(start, result.ec == std::errc() ? result.ptr : start);
        };
        for (const double v : values) {
            char a[400];
            char b[400];
            QCOMPARE(text(data::detail::ToCharsByPrintf(b, b + 400, v), b),
                     text(std::to_chars(a, a + 400, v), a));
            for (const auto format : {std::chars_format::fixed, std::chars_format::scientific,
                                      std::chars_format::general}) {
                QCOMPARE(text(data::detail::ToCharsByPrintf(b, b + 400, v, format, 3), b),
                         text(std::to_chars(a, a + 400, v, format, 3), a));
            }
            QCOMPARE(text(data::detail::ToCharsByPrintf(b, b + 4, v), b),
                     text(std::to_chars(a, a + 4, v), a));
        }
        std::vector<std::string> texts = {"1",
                                          "-1",
                                          "+1",
                                          " 1",
                                          "1e5",
                                          "1e",
                                          "1e+",
                                          ".5",
                                          "5.",
                                          ".",
                                          "",
                                          "-",
                                          "inf",
                                          "-INF",
                                          "Infinity",
                                          "nan(a_1)x",
                                          "nan(",
                                          "1e400",
                                          "1e-400",
                                          "4e-324",
                                          "2e-324",
                                          "0e999",
                                          "0x10",
                                          "1..2",
                                          "00012.50e-0001",
                                          "2.4703282292062328e-324"};
        for (int i = 0; i < 4000; ++i) {
            char buffer[64];
            const int precision = static_cast<int>(random() % 20);
            std::snprintf(buffer, sizeof buffer, "%.*e", precision,
                          values[static_cast<std::size_t>(i)]);
            std::string written(buffer);
            std::replace(written.begin(), written.end(), ',', '.');
            texts.push_back(written);
        }
        for (const std::string& t : texts) {
            for (const auto format : {std::chars_format::general, std::chars_format::fixed}) {
                double expected = -7.0;
                double actual = -7.0;
                const auto want = std::from_chars(t.data(), t.data() + t.size(), expected, format);
                const auto got =
                    data::detail::FromCharsByStrtod(t.data(), t.data() + t.size(), actual, format);
                QVERIFY2(want.ptr == got.ptr && want.ec == got.ec, t.c_str());
                QVERIFY2(data::BitCast<std::uint64_t>(expected) ==
                                 data::BitCast<std::uint64_t>(actual) ||
                             (std::isnan(expected) && std::isnan(actual)),
                         t.c_str());
            }
        }
    }

    void listsFilesByPattern_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("matches");
        const auto row = [](const char* name, const char* file, const char* pattern, bool matches) {
            QTest::newRow(name) << QString(file) << QString(pattern) << matches;
        };
        row("extension", "082_Pb.ele", "*.ele", true);
        row("no prefix match", "Air.mix3", "*.mix", false);
        row("question marks", "a.mix2", "?.mix?", true);
        row("star in the middle", "Water_Liquid.mix2", "W*d.mix2", true);
        row("backtracking", "a.ele.ele", "*.ele", true);
        row("case matters", "A.ELE", "*.ele", false);
    }
    void listsFilesByPattern() {
        QFETCH(QString, name);
        QFETCH(QString, pattern);
        QFETCH(bool, matches);
        QCOMPARE(platform::MatchesPattern(name.toStdString(), pattern.toStdString()), matches);
    }
    void listsSortedRegularFiles() {
        testing::TempFolder folder;
        for (const char* file : {"b.mix3", "a.mix3", "c.mix1"}) {
            testing::writeFile(folder.path() / file, "x");
        }
        std::filesystem::create_directories(folder.path() / "d.mix3" / "sub");
        QCOMPARE(platform::ListFiles(folder.path(), "*.mix3"),
                 (std::vector<std::string>{"a.mix3", "b.mix3"}));
        QCOMPARE(platform::ListFolders(folder.path()), std::vector<std::string>{"d.mix3"});
        QVERIFY(platform::ListFiles(folder.path() / "absent", "*").empty());
    }
};

QTEST_GUILESS_MAIN(DataCoreTest)
#include "test_core.moc"
