// Inputs found by fuzzing, kept as regressions: texts whose numeric value sits at the edge of a
// double, a negative zero in a fixed-width field, and rows whose values fit a double while their
// total or their shares do not.

#include "fakes/TestSupport.h"

#include "data/MaterialFile.h"
#include "data/MaterialTable.h"
#include "data/NumberMask.h"
#include "data/NumericText.h"

#include <cmath>
#include <limits>
#include <string>

using data::LoadError;

class ReliabilityCoreTest : public QObject {
    Q_OBJECT

  private slots:
    void numericValueAtTheEdgeOfADouble_data() {
        QTest::addColumn<std::string>("text");
        QTest::addColumn<double>("expected");
        const double inf = std::numeric_limits<double>::infinity();
        const std::string zeros400(400, '0');
        // Leading zeros of an exponent carry no weight, however many there are.
        QTest::newRow("huge mantissa, exponent of many zeros")
            << "1" + zeros400 + "e-0000000000000000000000" << inf;
        QTest::newRow("huge mantissa, small exponent padded with zeros")
            << "1" + zeros400 + "e-00000000000000000000010" << inf;
        QTest::newRow("tiny exponent padded with zeros")
            << std::string("1e-000000000000000000000400") << 0.0;
        QTest::newRow("padded exponent in range")
            << std::string("2.5e-00000000000000000000003") << 0.0025;
        // Zeros after the point make a number small even when its exponent is positive.
        QTest::newRow("tiny mantissa, positive exponent") << "0." + zeros400 + "1e10" << 0.0;
        QTest::newRow("tiny mantissa, exponent lifts it out") << "0." + zeros400 + "1e800" << inf;
        QTest::newRow("negative huge") << "-1" + zeros400 << -inf;
        QTest::newRow("exponent beyond any counter")
            << std::string("1e99999999999999999999999") << inf;
        QTest::newRow("negative exponent beyond any counter")
            << std::string("1e-99999999999999999999999") << 0.0;
    }
    void numericValueAtTheEdgeOfADouble() {
        QFETCH(std::string, text);
        QFETCH(double, expected);
        QCOMPARE(data::NumericValue(text), expected);
    }

    void negativeZeroKeepsTheColumns() {
        QCOMPARE(data::FormatScientific(-0.0), std::string("0.000E+00"));
        QCOMPARE(data::FormatDensity(-0.0), std::string("."));
        QCOMPARE(data::FormatDensityShown(-0.0), std::string("0.000"));
        const std::string row = data::FormatTableRow(-0.0, {-0.0, 1.0, -0.0, 2.0, 3.0});
        QCOMPARE(row.size(), std::size_t(59));
        const data::TableRow parsed = data::ParseTableRow(row);
        QCOMPARE(parsed.coefficients[1], 1.0);
        QCOMPARE(parsed.coefficients[4], 3.0);
    }

    void rowWhoseTotalOverflowsIsRejected() {
        data::MaterialTable table;
        table.MaterialName = "before";
        const std::string text = "Huge\r\n1.\r\n2\r\n"
                                 "1.000E-03 1.000E+00 1.000E+00 1.000E+00 0.000E+00 0.000E+00\r\n"
                                 "1.000E-02 1.79E+308 1.79E+308 0.000E+00 0.000E+00 0.000E+00\r\n";
        const data::LoadResult result = data::LoadMaterialTableFromText(table, text);
        QCOMPARE(int(result.error), int(LoadError::BadValue));
        QCOMPARE(result.line, 5);
        QCOMPARE(table.MaterialName, std::string("before"));
        QCOMPARE(table.RowCount, 0);
    }

    void sharesOfACancelledTotalStayFinite() {
        data::MaterialTable table;
        const std::string text = "Cancelled\r\n1.\r\n1\r\n"
                                 "1.000E-03 1.00E+300 -1.0E+300 1.00E-300 0.000E+00 0.000E+00\r\n";
        QVERIFY(data::LoadMaterialTableFromText(table, text).ok());
        QCOMPARE(table.Total[1], 1e-300);
        data::ComputeFractions(table);
        QCOMPARE(table.FracCoherent[1], 0.0);
        QCOMPARE(table.FracIncoherent[1], 0.0);
        QCOMPARE(table.FracPhotoElectric[1], 1.0);
    }
};

QTEST_GUILESS_MAIN(ReliabilityCoreTest)
#include "test_reliability_core.moc"
