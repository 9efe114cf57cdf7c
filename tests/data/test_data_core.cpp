#include "data/MaterialFile.h"
#include "data/NumberMask.h"
#include "data/NumericText.h"
#include "fakes/TestSupport.h"

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale>

using namespace data;

namespace {

struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

} // namespace

class DataCoreTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        // One run of this suite puts the process under a comma-decimal locale: the C locale
        // where the system has one, and always a C++ global locale whose decimal point is ','.
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
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("plain") << "2" << 2.0;
        QTest::newRow("leading point") << ".5" << 0.5;
        QTest::newRow("trailing point") << "1." << 1.0;
        QTest::newRow("E exponent") << "1.000E-03" << 0.001;
        QTest::newRow("D exponent") << "2.5D2" << 250.0;
        QTest::newRow("lower-case exponent") << "3e1" << 30.0;
        QTest::newRow("blanks inside") << " 1 2 . 5 E + 1" << 125.0;
        QTest::newRow("tabs and line ends") << "\t4\r\n2" << 42.0;
        QTest::newRow("comma ends the number") << "0,5" << 0.0;
        QTest::newRow("comma after digits") << "12,5" << 12.0;
        QTest::newRow("trailing garbage") << "7.5abc" << 7.5;
        QTest::newRow("exponent without digits") << "1E" << 1.0;
        QTest::newRow("exponent sign without digits") << "4E+x" << 4.0;
        QTest::newRow("lone sign") << "-" << 0.0;
        QTest::newRow("lone point") << "." << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("letters") << "abc" << 0.0;
        QTest::newRow("NaN text") << "NaN" << 0.0;
        QTest::newRow("negative") << "-1.5E+2" << -150.0;
        QTest::newRow("plus sign") << "+.25" << 0.25;
        QTest::newRow("underflow") << "1E-999" << 0.0;
        QTest::newRow("long mantissa") << "0.1000000000000000000000000001" << 0.1;
    }
    void numericValue() {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(NumericValue(text.toStdString()), expected);
    }

    void numericValueOverflowIsInfinite() {
        QCOMPARE(NumericValue("1E+999"), std::numeric_limits<double>::infinity());
        QCOMPARE(NumericValue("-1E+999"), -std::numeric_limits<double>::infinity());
        QCOMPARE(NumericValue("1E99999999999999999999999"),
                 std::numeric_limits<double>::infinity());
    }

    void scientificMask_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("one keV") << 0.001 << "1.000E-03";
        QTest::newRow("zero") << 0.0 << "0.000E+00";
        QTest::newRow("rounds down") << 1.23449 << "1.234E+00";
        QTest::newRow("rounds up") << 1.23451 << "1.235E+00";
        QTest::newRow("carry into exponent") << 9.99951 << "1.000E+01";
        QTest::newRow("just below carry") << 9.99949 << "9.999E+00";
        QTest::newRow("negative keeps sign") << -2.5 << "-2.500E+00";
        QTest::newRow("three-digit exponent") << 1.5e100 << "1.500E+100";
        QTest::newRow("tiny") << 1.5e-120 << "1.500E-120";
        QTest::newRow("large coefficient") << 12.3456 << "1.235E+01";
    }
    void scientificMask() {
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(QString::fromStdString(FormatScientific(value)), expected);
        QCOMPARE(QString::fromStdString(FormatScientificBlank(value)), " " + expected);
    }

    void densityMasks_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("shown");
        QTest::newRow("half") << 0.5 << ".5"
                              << "0.500";
        QTest::newRow("one") << 1.0 << "1."
                             << "1.000";
        QTest::newRow("two") << 2.0 << "2."
                             << "2.000";
        QTest::newRow("1.06") << 1.06 << "1.06"
                              << "1.060";
        QTest::newRow("air") << 0.00120479 << ".001205"
                             << "0.001205";
        QTest::newRow("0.0012") << 0.0012 << ".0012"
                                << "0.0012";
        QTest::newRow("lead") << 11.35 << "11.35"
                              << "11.350";
        QTest::newRow("default density") << 9.999 << "9.999"
                                         << "9.999";
        QTest::newRow("rounds at six places") << 1.2345678 << "1.234568"
                                              << "1.234568";
        QTest::newRow("hydrogen gas") << 8.375e-05 << ".000084"
                                      << "0.000084";
        QTest::newRow("large") << 19.3 << "19.3"
                               << "19.300";
    }
    void densityMasks() {
        QFETCH(double, value);
        QFETCH(QString, file);
        QFETCH(QString, shown);
        QCOMPARE(QString::fromStdString(FormatDensity(value)), file);
        QCOMPARE(QString::fromStdString(FormatDensityShown(value)), shown);
        // What the file mask writes reads back within half a unit of its last place.
        QVERIFY(std::fabs(NumericValue(FormatDensity(value)) - value) <= 0.5e-6);
    }

    void countAndExactMasks() {
        QCOMPARE(FormatCount(80), std::string("80"));
        QCOMPARE(FormatCount(0), std::string());
        QCOMPARE(FormatCount(150), std::string("150"));
        QCOMPARE(FormatExact(11.35), std::string("11.35"));
        QCOMPARE(FormatExact(8.375e-05), std::string("8.375E-05"));
        QCOMPARE(FormatExact(207.199997), std::string("207.199997"));
        QCOMPARE(NumericValue(FormatExact(1.165e-03)), 1.165e-03);
        const std::string longName(40, 'x');
        QCOMPARE(FormatName(longName), longName);
        QCOMPARE(FormatName("Chemical compound"), std::string("Chemical compound"));
    }

    void parseTableRow() {
        const TableRow row =
            ParseTableRow("1.000E-03 1.234E+00 5.000E-02 3.000E+03 0.000E+00 0.000E+00");
        QCOMPARE(row.energy, 0.001);
        QCOMPARE(row.coefficients[0], 1.234);
        QCOMPARE(row.coefficients[1], 0.05);
        QCOMPARE(row.coefficients[2], 3000.0);
        QCOMPARE(row.coefficients[3], 0.0);
        QCOMPARE(row.coefficients[4], 0.0);

        // Fields beyond the end of a short line read 0; a cut field keeps what is there.
        const TableRow cut = ParseTableRow("2.000E-03 4.000E+00 5.0");
        QCOMPARE(cut.energy, 0.002);
        QCOMPARE(cut.coefficients[0], 4.0);
        QCOMPARE(cut.coefficients[1], 5.0);
        QCOMPARE(cut.coefficients[2], 0.0);
        QCOMPARE(ParseTableRow("").energy, 0.0);
        // A non-number field reads 0; a row written by the row formatter reads back.
        QCOMPARE(ParseTableRow("abc       1.000E+00").energy, 0.0);
        const std::string written = FormatTableRow(0.0015, {1.5, 2.5e-3, 3.5e3, 0.0, 4.5e-5});
        QCOMPARE(written.size(), std::size_t(59));
        const TableRow back = ParseTableRow(written);
        QCOMPARE(back.energy, 0.0015);
        QCOMPARE(back.coefficients[2], 3500.0);
        QCOMPARE(back.coefficients[4], 4.5e-5);
    }

    void loadsTableAndTotals() {
        MaterialTable table;
        table.SelectedPath = "three_rows.mix3";
        const LoadResult result = LoadMaterialTable(table, testing::testData(""));
        QVERIFY(result.ok());
        QCOMPARE(result.density, 0.5);
        QCOMPARE(table.MaterialName, std::string("Test material"));
        QCOMPARE(table.RowCount, 3);
        QCOMPARE(table.RowText[1],
                 std::string("1.000E-03 1.234E+00 5.000E-02 3.000E+03 0.000E+00 0.000E+00"));
        QCOMPARE(table.Energy[3], 0.003);
        QCOMPARE(table.Total[1], 1.234 + 0.05 + 3000.0 + 0.0 + 0.0);
        QCOMPARE(table.TotalMax, table.Total[1]);
        QCOMPARE(table.TotalMin, table.Total[3]);

        // LF-only line ends load the same way; the extremes keep narrowing without a reset.
        table.SelectedPath = "lf_line_ends.mix3";
        QVERIFY(LoadMaterialTable(table, testing::testData("")).ok());
        QCOMPARE(table.RowCount, 2);
        QCOMPARE(table.MaterialName, std::string("LF only"));
        QCOMPARE(table.TotalMin, 0.8 + 0.2 + 500.0);
    }

    void shorterTableKeepsOldSlots() {
        testing::TempFolder folder;
        std::string five = "Five\r\n1.\r\n5\r\n";
        for (int i = 1; i <= 5; ++i) {
            five += FormatTableRow(0.001 * i, {1.0 * i, 1, 1, 1, 1}) + "\r\n";
        }
        testing::writeFile(folder.path() / "five.mix3", five);
        MaterialTable table;
        table.SelectedPath = "five.mix3";
        QVERIFY(LoadMaterialTable(table, folder.path()).ok());
        table.SelectedPath = "three_rows.mix3";
        QVERIFY(LoadMaterialTable(table, testing::testData("")).ok());
        QCOMPARE(table.RowCount, 3);
        QCOMPARE(table.Coherent[4], 4.0);
        QCOMPARE(table.Coherent[5], 5.0);
    }

    void elementFileIgnoresAtomicWeightAndKeepsEqualEnergies() {
        MaterialTable table;
        table.SelectedPath = "edge_pair.ele";
        const LoadResult result = LoadMaterialTable(table, testing::testData(""));
        QVERIFY(result.ok());
        QCOMPARE(result.density, 11.35);
        QCOMPARE(table.RowCount, 2);
        QCOMPARE(table.Energy[1], table.Energy[2]);
    }

    void fractions() {
        MaterialTable table;
        table.RowCount = 2;
        table.Coherent[1] = 1;
        table.Incoherent[1] = 2;
        table.PhotoElectric[1] = 3;
        table.PairNuclear[1] = 4;
        table.PairElectron[1] = 0;
        table.Total[1] = 10;
        table.Coherent[2] = 0;
        table.Total[2] = 0; // an all-zero row: fractions are 0, not NaN
        ComputeFractions(table);
        QCOMPARE(table.FracCoherent[1], 0.1);
        QCOMPARE(table.FracIncoherent[1], 0.2);
        QCOMPARE(table.FracPhotoElectric[1], 0.3);
        QCOMPARE(table.FracPairNuclear[1], 0.4);
        QCOMPARE(table.FracPairElectron[1], 0.0);
        QCOMPARE(table.FracCoherent[2], 0.0);
    }

    void damagedFiles_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("error");
        QTest::addColumn<int>("line");
        QTest::newRow("missing") << "damaged/absent.mix3" << int(LoadError::CannotOpen) << 0;
        QTest::newRow("a folder") << "damaged" << int(LoadError::CannotOpen) << 0;
        QTest::newRow("empty") << "damaged/empty.mix3" << int(LoadError::MissingName) << 1;
        QTest::newRow("name only")
            << "damaged/name_only.mix3" << int(LoadError::MissingDensity) << 2;
        QTest::newRow("no count") << "damaged/no_count.mix3" << int(LoadError::MissingCount) << 3;
        QTest::newRow("count 150.5") << "damaged/count_150_5.mix3" << int(LoadError::BadCount) << 3;
        QTest::newRow("count 151") << "damaged/count_151.mix3" << int(LoadError::TooManyRows) << 3;
        QTest::newRow("count -1") << "damaged/count_negative.mix3" << int(LoadError::BadCount) << 3;
        QTest::newRow("fewer rows")
            << "damaged/fewer_rows.mix3" << int(LoadError::MissingRows) << 6;
        QTest::newRow("1E+999") << "damaged/overflow_value.mix3" << int(LoadError::BadValue) << 4;
    }
    void damagedFiles() {
        QFETCH(QString, file);
        QFETCH(int, error);
        QFETCH(int, line);
        MaterialTable table;
        table.SelectedPath = "three_rows.mix3";
        QVERIFY(LoadMaterialTable(table, testing::testData("")).ok());
        const MaterialTable before = table;

        table.SelectedPath = file.toStdString();
        const LoadResult result = LoadMaterialTable(table, testing::testData(""));
        QCOMPARE(int(result.error), error);
        QCOMPARE(result.line, line);
        // A failed load leaves the previous table as it was.
        QCOMPARE(table.MaterialName, before.MaterialName);
        QCOMPARE(table.RowCount, before.RowCount);
        QCOMPARE(table.Total, before.Total);
        QCOMPARE(table.TotalMin, before.TotalMin);
        const std::string message = DescribeLoadError(result, table.SelectedPath);
        QVERIFY(message.find(table.SelectedPath) == 0);
        QVERIFY(message.size() > table.SelectedPath.size() + 10);

        DataFileHeader header{"unchanged", 7.0};
        if (error == int(LoadError::MissingName) || error == int(LoadError::MissingDensity) ||
            error == int(LoadError::MissingCount)) {
            QVERIFY(!ReadDataFileHeader(testing::testData(file.toStdString()), header).ok());
        }
        QCOMPARE(header.name, std::string("unchanged"));
    }

    void emptyTableLoads() {
        MaterialTable table;
        const std::string text = "Nothing\r\n1.\r\n0\r\n";
        QVERIFY(LoadMaterialTableFromText(table, text).ok());
        QCOMPARE(table.RowCount, 0);
        QCOMPARE(table.TotalMin, kTotalMinStart);
    }

    void headerReadsNameAndDensity() {
        DataFileHeader header;
        QVERIFY(ReadDataFileHeader(testing::testData("three_rows.mix3"), header).ok());
        QCOMPARE(header.name, std::string("Test material"));
        QCOMPARE(header.density, 0.5);
    }

    void replacingWriteKeepsOldFileOnFailure() {
        testing::TempFolder folder;
        const auto target = folder.path() / "out.mix3";
        QVERIFY(WriteFileReplacing(target, "first\r\n").ok);
        QVERIFY(WriteFileReplacing(target, "second\r\n").ok);
        QCOMPARE(testing::readFile(target), std::string("second\r\n"));

        // Into a missing folder, and over a folder: refused, nothing left behind.
        QVERIFY(!WriteFileReplacing(folder.path() / "missing" / "x.mix3", "x").ok);
        std::filesystem::create_directory(folder.path() / "dir.mix3");
        const WriteResult overFolder = WriteFileReplacing(folder.path() / "dir.mix3", "x");
        QVERIFY(!overFolder.ok);
        QVERIFY(!overFolder.reason.empty());

        int entries = 0;
        for ([[maybe_unused]] const auto& entry :
             std::filesystem::directory_iterator(folder.path())) {
            ++entries;
        }
        QCOMPARE(entries, 2); // out.mix3 and dir.mix3, no temporary files
        QCOMPARE(testing::readFile(target), std::string("second\r\n"));
    }
};

QTEST_GUILESS_MAIN(DataCoreTest)
#include "test_data_core.moc"
