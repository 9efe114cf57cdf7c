// Number text, the number masks, table rows, the table load and the folder listing. One run of
// this suite takes place under a comma-decimal locale, where nothing may change.
// Damaged and hostile files go through every reader in tests/reliability.

#include "data/MaterialFile.h"
#include "data/NumberMask.h"
#include "data/NumericText.h"
#include "fakes/TestSupport.h"
#include "platform/FileListing.h"

#include <clocale>
#include <cstdlib>
#include <functional>
#include <limits>
#include <locale>

using namespace data;

namespace {

struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

constexpr double kInf = std::numeric_limits<double>::infinity();

using Mask = std::function<std::string(double)>;
const std::map<QString, Mask> kMasks = {{"scientific", FormatScientific},
                                        {"blank", FormatScientificBlank},
                                        {"density", FormatDensity},
                                        {"shown", FormatDensityShown},
                                        {"count", FormatCount},
                                        {"exact", FormatExact},
                                        {"row", [](double v) {
                                             return FormatTableRow(v, {v, 1, v, 2, 3});
                                         }}};

} // namespace

class DataCoreTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        if (std::getenv("PHOTONXS_TEST_LOCALE") != nullptr) {
            for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE"}) {
                if (std::setlocale(LC_ALL, name) != nullptr) {
                    break;
                }
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
        row("plain", "2", 2.0, true);
        row("leading point", ".5", 0.5, true);
        row("trailing point", "1.", 1.0, true);
        row("E exponent", "1.000E-03", 0.001, true);
        row("D exponent", "2.5D2", 250.0, true);
        row("lower-case exponent", "3e1", 30.0, true);
        row("blanks inside", " 1 2 . 5 E + 1", 125.0, false);
        row("tabs and line ends", "\t4\r\n2", 42.0, false);
        row("comma ends the number", "0,5", 0.0, true);
        row("comma after digits", "12,5", 12.0, true);
        row("trailing garbage", "7.5abc", 7.5, true);
        row("exponent without digits", "1E", 1.0, true);
        row("exponent sign without digits", "4E+x", 4.0, true);
        row("lone sign", "-", 0.0, false);
        row("lone point", ".", 0.0, false);
        row("signed point", "-.5", -0.5, true);
        row("empty", "", 0.0, false);
        row("letters", "abc", 0.0, false);
        row("NaN text", "NaN", 0.0, false);
        row("Inf text", "inf", 0.0, false);
        row("negative", "-1.5E+2", -150.0, true);
        row("plus sign", "+.25", 0.25, true);
        row("underflow", "1E-999", 0.0, true);
        row("long mantissa", "0.1000000000000000000000000001", 0.1, true);
        row("overflow", "1E+999", kInf, true);
        row("negative overflow", "-1E+999", -kInf, true);
        row("exponent beyond any counter", "1E99999999999999999999999", kInf, true);
        row("negative exponent beyond any counter", "1e-99999999999999999999999", 0.0, true);
        // The order of magnitude decides overflow or underflow, however many zeros pad either.
        row("huge mantissa, exponent of many zeros", "1" + z400 + "e-0000000000000000000000", kInf,
            true);
        row("huge mantissa, padded small exponent", "1" + z400 + "e-00000000000000000000010", kInf,
            true);
        row("tiny exponent padded with zeros", "1e-000000000000000000000400", 0.0, true);
        row("padded exponent in range", "2.5e-00000000000000000000003", 0.0025, true);
        row("tiny mantissa, positive exponent", "0." + z400 + "1e10", 0.0, true);
        row("tiny mantissa lifted out", "0." + z400 + "1e800", kInf, true);
        row("negative huge", "-1" + z400, -kInf, true);
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
        for (const char* m : {"scientific", "blank"}) {
            const std::string pad = QString(m) == "blank" ? " " : "";
            for (const auto& [value, text] :
                 std::vector<std::pair<double, std::string>>{{0.001, "1.000E-03"},
                                                             {0.0, "0.000E+00"},
                                                             {-0.0, "0.000E+00"},
                                                             {1.23449, "1.234E+00"},
                                                             {1.23451, "1.235E+00"},
                                                             {9.99951, "1.000E+01"},
                                                             {9.99949, "9.999E+00"},
                                                             {-2.5, "-2.500E+00"},
                                                             {1.5e100, "1.500E+100"},
                                                             {1.5e-120, "1.500E-120"},
                                                             {12.3456, "1.235E+01"}}) {
                row(m, value, pad + text);
            }
        }
        for (const auto& [value, file, shown] :
             std::vector<std::tuple<double, std::string, std::string>>{
                 {0.5, ".5", "0.500"},
                 {1.0, "1.", "1.000"},
                 {1.06, "1.06", "1.060"},
                 {0.00120479, ".001205", "0.001205"},
                 {0.0012, ".0012", "0.0012"},
                 {11.35, "11.35", "11.350"},
                 {9.999, "9.999", "9.999"},
                 {1.2345678, "1.234568", "1.234568"},
                 {8.375e-05, ".000084", "0.000084"},
                 {19.3, "19.3", "19.300"},
                 {-0.0, ".", "0.000"}}) {
            row("density", value, file);
            row("shown", value, shown);
        }
        row("count", 80, "80");
        row("count", 150, "150");
        row("count", 0, "");
        row("exact", 11.35, "11.35");
        row("exact", 8.375e-05, "8.375E-05");
        row("exact", 207.199997, "207.199997");
        // Negative zero keeps every later field of a row in its column.
        row("row", -0.0, "0.000E+00 0.000E+00 1.000E+00 0.000E+00 2.000E+00 3.000E+00");
        row("row", 1.5e-3, "1.500E-03 1.500E-03 1.000E+00 1.500E-03 2.000E+00 3.000E+00");
    }
    void masks() {
        QFETCH(QString, mask);
        QFETCH(double, value);
        QFETCH(std::string, expected);
        QCOMPARE(kMasks.at(mask)(value), expected);
        if (mask == "density" || mask == "exact") {
            // What a file mask writes reads back within half a unit of its last place.
            QVERIFY(std::fabs(NumericValue(expected) - value) <= (mask == "exact" ? 0 : 0.5e-6));
        }
        if (mask == "row") {
            const TableRow back = ParseTableRow(expected);
            QCOMPARE(back.energy, value);
            QCOMPARE(back.coefficients, (std::array<double, 5>{value, 1, value, 2, 3}));
        }
    }

    void parseTableRow_data() {
        QTest::addColumn<std::string>("line");
        QTest::addColumn<QVector<double>>("fields");
        QTest::newRow("whole row")
            << std::string("1.000E-03 1.234E+00 5.000E-02 3.000E+03 0.000E+00 7.000E+00")
            << QVector<double>{0.001, 1.234, 0.05, 3000, 0, 7};
        // Fields beyond the end of a short line read 0; a cut field keeps what is there.
        QTest::newRow("cut short")
            << std::string("2.000E-03 4.000E+00 5.0") << QVector<double>{0.002, 4, 5, 0, 0, 0};
        QTest::newRow("empty") << std::string() << QVector<double>(6, 0.0);
        QTest::newRow("not a number reads 0") << std::string("abc       1.000E+00 nan       inf")
                                              << QVector<double>{0, 1, 0, 0, 0, 0};
        QTest::newRow("fixed columns, not blanks") << std::string("1.000E-03  1.000E+00 2.000E+00")
                                                   << QVector<double>{0.001, 1, 2, 0, 0, 0};
    }
    void parseTableRow() {
        QFETCH(std::string, line);
        QFETCH(QVector<double>, fields);
        const TableRow row = ParseTableRow(line);
        QCOMPARE(row.energy, fields[0]);
        for (std::size_t k = 0; k < 5; ++k) {
            QCOMPARE(row.coefficients[k], fields[qsizetype(k) + 1]);
        }
    }

    void loadsTablesTotalsAndExtremes() {
        MaterialTable table;
        DataFileHeader header;
        QVERIFY(ReadDataFileHeader(testing::testData("three_rows.mix3"), header).ok());
        QCOMPARE(header.name, std::string("Test material"));
        QCOMPARE(header.density, 0.5);
        // Five rows first: a shorter table later keeps the slots above its count.
        std::string five = "Five\r\n1.\r\n5\r\n";
        for (int i = 1; i <= 5; ++i) {
            five += FormatTableRow(0.001 * i, {1.0 * i, 1, 1, 1, 1}) + "\r\n";
        }
        QVERIFY(LoadMaterialTableFromText(table, five).ok());
        table.ResetExtremes();
        table.SelectedPath = "three_rows.mix3";
        const LoadResult result = LoadMaterialTable(table, testing::testData(""));
        QVERIFY(result.ok());
        QCOMPARE(result.density, 0.5);
        QCOMPARE(table.MaterialName, header.name);
        QCOMPARE(table.RowCount, 3);
        QCOMPARE(table.RowText[1],
                 std::string("1.000E-03 1.234E+00 5.000E-02 3.000E+03 0.000E+00 0.000E+00"));
        QCOMPARE(table.Energy[3], 0.003);
        QCOMPARE(table.Total[1], 1.234 + 0.05 + 3000.0 + 0.0 + 0.0);
        QCOMPARE(table.TotalMax, table.Total[1]);
        QCOMPARE(table.TotalMin, table.Total[3]);
        QCOMPARE(table.Coherent[5], 5.0);
        // LF-only line ends load the same way; the extremes keep narrowing without a reset.
        table.SelectedPath = "lf_line_ends.mix3";
        QVERIFY(LoadMaterialTable(table, testing::testData("")).ok());
        QCOMPARE(table.MaterialName, std::string("LF only"));
        QCOMPARE(table.RowCount, 2);
        QCOMPARE(table.TotalMin, 0.8 + 0.2 + 500.0);
        QCOMPARE(table.TotalMax, 1.234 + 0.05 + 3000.0);
        // An element file's atomic weight after the rows is ignored; equal energies stay.
        table.SelectedPath = "edge_pair.ele";
        QCOMPARE(LoadMaterialTable(table, testing::testData("")).density, 11.35);
        QCOMPARE(table.RowCount, 2);
        QCOMPARE(table.Energy[1], table.Energy[2]);
        QCOMPARE(FormatName(std::string(40, 'x')), std::string(40, 'x')); // never cut
        // A count of 0 is an empty table.
        MaterialTable empty;
        QVERIFY(LoadMaterialTableFromText(empty, "Nothing\r\n1.\r\n0\r\n").ok());
        QCOMPARE(empty.RowCount, 0);
        QCOMPARE(empty.TotalMin, kTotalMinStart);
    }

    void fractions_data() {
        QTest::addColumn<QVector<double>>("row"); // five coefficients
        QTest::addColumn<QVector<double>>("shares");
        QTest::newRow("plain") << QVector<double>{1, 2, 3, 4, 0}
                               << QVector<double>{0.1, 0.2, 0.3, 0.4, 0};
        QTest::newRow("zero total") << QVector<double>(5, 0.0) << QVector<double>(5, 0.0);
        // A total cancelled down to almost nothing: shares too large to hold are 0.
        QTest::newRow("cancelled total")
            << QVector<double>{1e300, -1e300, 1e-300, 0, 0} << QVector<double>{0, 0, 1, 0, 0};
    }
    void fractions() {
        QFETCH(QVector<double>, row);
        QFETCH(QVector<double>, shares);
        MaterialTable table;
        std::array<double, 5> values{};
        std::copy(row.begin(), row.end(), values.begin());
        const std::string text = "R\r\n1.\r\n1\r\n" + FormatTableRow(1e-3, {}) + "\r\n";
        QVERIFY(LoadMaterialTableFromText(table, text).ok());
        for (auto [column, k] : {std::pair{&table.Coherent, 0},
                                 {&table.Incoherent, 1},
                                 {&table.PhotoElectric, 2},
                                 {&table.PairNuclear, 3},
                                 {&table.PairElectron, 4}}) {
            (*column)[1] = values[std::size_t(k)];
        }
        table.Total[1] = values[0] + values[1] + values[2] + values[3] + values[4];
        ComputeFractions(table);
        const std::array<double, 5> got = {table.FracCoherent[1], table.FracIncoherent[1],
                                           table.FracPhotoElectric[1], table.FracPairNuclear[1],
                                           table.FracPairElectron[1]};
        for (std::size_t k = 0; k < 5; ++k) {
            QCOMPARE(got[k], shares[qsizetype(k)]);
        }
    }

    void listsFilesByPattern_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("matches");
        QTest::newRow("extension") << "082_Pb.ele"
                                   << "*.ele" << true;
        QTest::newRow("another extension") << "user.txt"
                                           << "*.ele" << false;
        QTest::newRow("another category") << "Air.mix3"
                                          << "*.mix1" << false;
        QTest::newRow("no prefix match") << "Air.mix3"
                                         << "*.mix" << false;
        QTest::newRow("question marks") << "a.mix2"
                                        << "?.mix?" << true;
        QTest::newRow("star in the middle") << "Water_Liquid.mix2"
                                            << "W*d.mix2" << true;
        QTest::newRow("backtracking") << "a.ele.ele"
                                      << "*.ele" << true;
        QTest::newRow("empty name") << ""
                                    << "*" << true;
        QTest::newRow("case matters") << "A.ELE"
                                      << "*.ele" << false;
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
