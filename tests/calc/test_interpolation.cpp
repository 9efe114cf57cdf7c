#include "calc/Interpolation.h"

#include "fakes/TestSupport.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>

using calc::CalcStatus;
using calc::CoefficientSet;
using data::MaterialTable;

namespace calc {
char* toString(CalcStatus status) {
    const char* names[] = {"Ok", "OutOfRange", "CalculationError"};
    return qstrdup(names[static_cast<int>(status)]);
}
} // namespace calc

Q_DECLARE_METATYPE(calc::CalcStatus)
Q_DECLARE_METATYPE(calc::CoefficientSet)

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Appends a row the way the loader does: the total is the five partial values added in order.
void addRow(MaterialTable& table, double energy, double coherent, double incoherent,
            double photoElectric, double pairNuclear, double pairElectron) {
    const int i = ++table.RowCount;
    table.Energy[i] = energy;
    table.Coherent[i] = coherent;
    table.Incoherent[i] = incoherent;
    table.PhotoElectric[i] = photoElectric;
    table.PairNuclear[i] = pairNuclear;
    table.PairElectron[i] = pairElectron;
    table.Total[i] = coherent + incoherent + photoElectric + pairNuclear + pairElectron;
    table.TotalMin = std::min(table.TotalMin, table.Total[i]);
    table.TotalMax = std::max(table.TotalMax, table.Total[i]);
}

enum class Sample {
    Main,         // the table described below
    WideExtremes, // Main with TotalMin and TotalMax left wider by an earlier file
    Overflowing,  // Main, TotalMax left at 10000, coherent falling by 600 decades from row 1
    Stale,        // Main cut to 5 rows; rows 6 to 8 keep plausible values
    Wide,         // rows at 1E-4, 1 and 1E+6 MeV, past both energy limits; coherent is 1/E
    EdgeFirst,    // the largest total just above an edge, not in row 1
    Empty,
    Single,
    Full, // every row used, RowCount beyond the capacity
};

// Main: energies a factor 4 apart, so the geometric mean of two rows' energies lies halfway on
// the log scale and gives the geometric mean of their values. Coherent is 0.16/E throughout.
// Rows 3 and 4 are an absorption edge; pair nuclear starts at row 6, pair electron at row 7;
// the total is smallest at row 6 and rises again after it.
// Totals: 4112.25, 69, 3, 18, 0.75, 0.4375, 1.15625, 5.0703125.
// Slot 0 and the rows above RowCount hold NaN, except in Stale, as no reader may use them.
std::unique_ptr<MaterialTable> sampleTable(Sample kind = Sample::Main) {
    auto t = std::make_unique<MaterialTable>();
    if (kind == Sample::Wide) {
        addRow(*t, 1e-4, 1e4, 1, 1e12, 0, 0);
        addRow(*t, 1, 1, 1, 1, 0, 0);
        addRow(*t, 1e6, 1e-6, 1, 1e-18, 0, 0);
    } else if (kind == Sample::EdgeFirst) {
        // On the line through rows 1 and 2 each halving of the total multiplies the energy by
        // 1.1/1.2, from 0.0011 MeV at a total of 100.
        addRow(*t, 0.0011, 1, 1, 98, 0, 0);
        addRow(*t, 0.0012, 1, 1, 48, 0, 0);
        addRow(*t, 0.0012, 1, 1, 798, 0, 0);
        addRow(*t, 0.01, 0.5, 0.25, 0.25, 0, 0);
    } else if (kind == Sample::Single) {
        addRow(*t, 1, 1, 1, 1, 0, 0);
    } else if (kind == Sample::Full) {
        for (int i = 1; i <= data::kTableCapacity; ++i) {
            addRow(*t, 0.001 * i, 1, 1, 1, 0, 0);
        }
        t->RowCount = data::kTableCapacity + 10;
    } else if (kind != Sample::Empty) {
        addRow(*t, 0.01, 16, 0.25, 4096, 0, 0);
        addRow(*t, 0.04, 4, 1, 64, 0, 0);
        addRow(*t, 0.16, 1, 1, 1, 0, 0);
        addRow(*t, 0.16, 1, 1, 16, 0, 0);
        addRow(*t, 0.64, 0.25, 0.25, 0.25, 0, 0);
        addRow(*t, 2.56, 0.0625, 0.25, 0.0625, 0.0625, 0);
        addRow(*t, 10.24, 0.015625, 0.0625, 0.015625, 1, 0.0625);
        addRow(*t, 40.96, 0.00390625, 0.0625, 0.00390625, 4, 1);
    }
    if (kind == Sample::WideExtremes || kind == Sample::Overflowing) {
        t->TotalMin = kind == Sample::WideExtremes ? 0.1 : t->TotalMin;
        t->TotalMax = 10000;
    }
    if (kind == Sample::Overflowing) {
        t->Coherent[1] = 1e300;
        t->Coherent[2] = 1e-300;
    }
    if (kind == Sample::Stale) {
        t->RowCount = 5;
        return t;
    }
    for (data::Column* column : {&t->Energy, &t->Coherent, &t->Incoherent, &t->PhotoElectric,
                                 &t->PairNuclear, &t->PairElectron, &t->Total}) {
        (*column)[0] = kNaN;
        for (int i = std::max(t->RowCount, 0) + 1; i <= data::kTableCapacity; ++i) {
            (*column)[static_cast<std::size_t>(i)] = kNaN;
        }
    }
    return t;
}

CoefficientSet set(double coherent, double incoherent, double photoElectric, double pairNuclear,
                   double pairElectron, double total) {
    return {coherent, incoherent, photoElectric, pairNuclear, pairElectron, total};
}

const CoefficientSet kUntouched = set(-1, -1, -1, -1, -1, -1);

std::array<double, 6> values(const CoefficientSet& s) {
    return {s.coherent, s.incoherent, s.photoElectric, s.pairNuclear, s.pairElectron, s.total};
}

bool same(const CoefficientSet& a, const CoefficientSet& b, bool exact) {
    return std::ranges::equal(values(a), values(b), [exact](double x, double y) {
        return testing::closeTo(x, y, exact ? 0.0 : 1e-12);
    });
}

QString describe(const CoefficientSet& s) {
    QStringList out;
    for (double v : values(s)) {
        out << QString::number(v, 'g', 17);
    }
    return out.join(' ');
}

#define QCOMPARE_SET(actual, expected, exact)                                                      \
    QVERIFY2(same((actual), (expected), (exact)),                                                  \
             qPrintable(describe(actual) + " != " + describe(expected)))

enum class Field { Energy, Coherent, PhotoElectric, PairNuclear, Total };

data::Column& column(MaterialTable& table, Field field) {
    data::Column MaterialTable::*const columns[] = {
        &MaterialTable::Energy, &MaterialTable::Coherent, &MaterialTable::PhotoElectric,
        &MaterialTable::PairNuclear, &MaterialTable::Total};
    return table.*columns[static_cast<int>(field)];
}

} // namespace

class InterpolationTest : public QObject {
    Q_OBJECT

  private slots:
    void coefficientsAtEnergy_data();
    void coefficientsAtEnergy();
    void energyAtTotal_data();
    void energyAtTotal();
    void dataErrors_data();
    void dataErrors();
};

void InterpolationTest::coefficientsAtEnergy_data() {
    QTest::addColumn<Sample>("sample");
    QTest::addColumn<double>("energy");
    QTest::addColumn<CalcStatus>("status");
    QTest::addColumn<CoefficientSet>("expected");
    QTest::addColumn<bool>("exact");

    const CalcStatus ok = CalcStatus::Ok;
    const CalcStatus outside = CalcStatus::OutOfRange;
    const Sample m = Sample::Main;
    // Halfway between two rows every value is the geometric mean of the rows' values; the total
    // too, which is then not the sum of the partial values (520.5).
    QTest::newRow("row 1 exactly") << m << 0.01 << ok << set(16, 0.25, 4096, 0, 0, 4112.25) << true;
    QTest::newRow("between rows 1 and 2")
        << m << 0.02 << ok << set(8, 0.5, 512, 0, 0, std::sqrt(4112.25 * 69)) << false;
    QTest::newRow("tabulated row") << m << 0.64 << ok << set(0.25, 0.25, 0.25, 0, 0, 0.75) << true;
    QTest::newRow("edge energy gives below-edge row")
        << m << 0.16 << ok << set(1, 1, 1, 0, 0, 3) << true;
    QTest::newRow("above edge from the upper row of the pair")
        << m << 0.32 << ok << set(0.5, 0.5, 2, 0, 0, std::sqrt(18 * 0.75)) << false;
    // Below row 1 the line through rows 1 and 2 goes on: incoherent rises as E, photo-electric
    // falls as 1/E^3 there.
    QTest::newRow("below row 1 extrapolated")
        << m << 0.005 << ok << set(32, 0.125, 32768, 0, 0, 4112.25 * std::sqrt(4112.25 / 69))
        << false;
    QTest::newRow("pair: lower row below threshold")
        << m << 1.28 << ok << set(0.125, 0.25, 0.125, 0, 0, std::sqrt(0.75 * 0.4375)) << false;
    QTest::newRow("pair nuclear: first non-zero row gives 0")
        << m << 2.56 << ok << set(0.0625, 0.25, 0.0625, 0, 0, 0.4375) << true;
    QTest::newRow("pair nuclear above threshold")
        << m << 5.12 << ok << set(0.03125, 0.125, 0.03125, 0.25, 0, std::sqrt(0.4375 * 1.15625))
        << false;
    QTest::newRow("pair electron: first non-zero row gives 0")
        << m << 10.24 << ok << set(0.015625, 0.0625, 0.015625, 1, 0, 1.15625) << true;
    QTest::newRow("both pair columns above threshold")
        << m << 20.48 << ok
        << set(0.0078125, 0.0625, 0.0078125, 2, 0.25, std::sqrt(1.15625 * 5.0703125)) << false;
    QTest::newRow("last row") << m << 40.96 << ok
                              << set(0.00390625, 0.0625, 0.00390625, 4, 1, 5.0703125) << true;
    QTest::newRow("above last row") << m << 50.0 << outside << kUntouched << true;
    QTest::newRow("zero (text that is no number)") << m << 0.0 << outside << kUntouched << true;
    QTest::newRow("NaN") << m << kNaN << outside << kUntouched << true;
    // Where the table reaches past both limits, only the limits refuse.
    const Sample w = Sample::Wide;
    QTest::newRow("lowest accepted energy")
        << w << 0.001 << ok << set(1000, 1, 1e9, 0, 0, 3 * std::pow((1e12 + 1e4 + 1) / 3, 0.75))
        << false;
    QTest::newRow("highest accepted energy")
        << w << 100000.0 << ok
        << set(1e-5, 1, 1e-15, 0, 0, 3 * std::pow((1e-6 + 1 + 1e-18) / 3, 5.0 / 6)) << false;
    QTest::newRow("just below the lowest energy") << w << 0.000999 << outside << kUntouched << true;
    QTest::newRow("just above the highest energy")
        << w << 100001.0 << outside << kUntouched << true;
    QTest::newRow("rows past RowCount unread")
        << Sample::Stale << 1.28 << outside << kUntouched << true;
    QTest::newRow("count beyond the arrays")
        << Sample::Full << 1.0 << outside << kUntouched << true;
    QTest::newRow("empty table") << Sample::Empty << 1.0 << CalcStatus::CalculationError
                                 << kUntouched << true;
    QTest::newRow("single row") << Sample::Single << 1.0 << CalcStatus::CalculationError
                                << kUntouched << true;
}

void InterpolationTest::coefficientsAtEnergy() {
    QFETCH(Sample, sample);
    QFETCH(double, energy);
    QFETCH(CalcStatus, status);
    QFETCH(CoefficientSet, expected);
    QFETCH(bool, exact);
    const auto table = sampleTable(sample);
    CoefficientSet out = kUntouched;
    QCOMPARE(calc::CoefficientsAtEnergy(*table, energy, out), status);
    QCOMPARE_SET(out, expected, exact);
}

void InterpolationTest::energyAtTotal_data() {
    QTest::addColumn<Sample>("sample");
    QTest::addColumn<double>("total");
    QTest::addColumn<CalcStatus>("status");
    QTest::addColumn<double>("energy"); // -1: left as it was
    QTest::addColumn<CoefficientSet>("expected");
    QTest::addColumn<bool>("exact");

    const CalcStatus ok = CalcStatus::Ok;
    const CalcStatus outside = CalcStatus::OutOfRange;
    const CalcStatus error = CalcStatus::CalculationError;
    const Sample m = Sample::Main;
    QTest::newRow("TotalMax is row 1")
        << m << 4112.25 << ok << 0.01 << set(16, 0.25, 4096, 0, 0, 4112.25) << true;
    QTest::newRow("TotalMin is row 6, pair nuclear by the zero rule")
        << m << 0.4375 << ok << 2.56 << set(0.0625, 0.25, 0.0625, 0, 0, 0.4375) << true;
    QTest::newRow("total of row 2") << m << 69.0 << ok << 0.04 << set(4, 1, 64, 0, 0, 69) << true;
    QTest::newRow("between rows 1 and 2")
        << m << std::sqrt(4112.25 * 69) << ok << 0.02
        << set(8, 0.5, 512, 0, 0, std::sqrt(4112.25 * 69)) << false;
    QTest::newRow("total of the row below an edge, reached again later")
        << m << 3.0 << ok << 0.16 << set(1, 1, 1, 0, 0, 3) << true;
    // 2 is crossed between rows 4 and 5 and again between rows 7 and 8; the low one counts.
    // There coherent and incoherent both fall as 0.16/E and photo-electric as 0.065536/E^3.
    const double e = 0.16 * std::pow(4.0, std::log(18 / 2.0) / std::log(18 / 0.75));
    QTest::newRow("total taken twice gives the lowest energy")
        << m << 2.0 << ok << e << set(0.16 / e, 0.16 / e, 0.065536 / (e * e * e), 0, 0, 2) << false;
    QTest::newRow("lower pair row zero")
        << m << std::sqrt(0.75 * 0.4375) << ok << 1.28
        << set(0.125, 0.25, 0.125, 0, 0, std::sqrt(0.75 * 0.4375)) << false;
    QTest::newRow("just above TotalMax")
        << m << std::nextafter(4112.25, 1e9) << outside << -1.0 << kUntouched << true;
    QTest::newRow("just below TotalMin")
        << m << std::nextafter(0.4375, 0.0) << outside << -1.0 << kUntouched << true;
    QTest::newRow("NaN") << m << kNaN << outside << -1.0 << kUntouched << true;
    // Above row 1's total the line through rows 1 and 2 is followed below row 1's energy.
    const double below = 0.01 * std::pow(4.0, std::log(4112.25 / 5000) / std::log(4112.25 / 69));
    QTest::newRow("above row 1 within extremes left by another file")
        << Sample::WideExtremes << 5000.0 << ok << below
        << set(0.16 / below, 25 * below, 0.004096 / (below * below * below), 0, 0, 5000) << false;
    QTest::newRow("below every row within extremes left by another file")
        << Sample::WideExtremes << 0.2 << outside << -1.0 << kUntouched << true;
    QTest::newRow("above row 1 where a partial value overflows")
        << Sample::Overflowing << 5000.0 << error << -1.0 << kUntouched << true;
    QTest::newRow("largest total after an edge: one halving")
        << Sample::EdgeFirst << 200.0 << ok << 0.0011 * 0.0011 / 0.0012
        << set(1, 1, 98.0 * 98.0 / 48.0, 0, 0, 200) << false;
    QTest::newRow("largest total after an edge: below the lowest energy")
        << Sample::EdgeFirst << 400.0 << error << -1.0 << kUntouched << true;
    QTest::newRow("energy found above the highest energy")
        << Sample::Wide << 1e-6 + 1 + 1e-18 << error << -1.0 << kUntouched << true;
    QTest::newRow("rows past RowCount unread")
        << Sample::Stale << 0.5 << outside << -1.0 << kUntouched << true;
    // Fresh extremes (10000 and 0) admit no total at all.
    QTest::newRow("empty table") << Sample::Empty << 1.0 << outside << -1.0 << kUntouched << true;
    QTest::newRow("single row") << Sample::Single << 3.0 << error << -1.0 << kUntouched << true;
}

void InterpolationTest::energyAtTotal() {
    QFETCH(Sample, sample);
    QFETCH(double, total);
    QFETCH(CalcStatus, status);
    QFETCH(double, energy);
    QFETCH(CoefficientSet, expected);
    QFETCH(bool, exact);
    const auto table = sampleTable(sample);
    double energyOut = -1;
    CoefficientSet out = kUntouched;
    QCOMPARE(calc::EnergyAtTotal(*table, total, energyOut, out), status);
    QVERIFY2(testing::closeTo(energyOut, energy, exact ? 0.0 : 1e-12),
             qPrintable(QString::number(energyOut, 'g', 17)));
    QCOMPARE_SET(out, expected, exact);
}

void InterpolationTest::dataErrors_data() {
    QTest::addColumn<Field>("field");
    QTest::addColumn<int>("row");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("byEnergy");
    QTest::addColumn<double>("request");

    QTest::newRow("zero coherent") << Field::Coherent << 2 << 0.0 << true << 0.02;
    QTest::newRow("negative photo-electric") << Field::PhotoElectric << 1 << -1.0 << true << 0.02;
    QTest::newRow("negative pair value") << Field::PairNuclear << 7 << -1.0 << true << 20.48;
    QTest::newRow("zero total") << Field::Total << 2 << 0.0 << true << 0.02;
    QTest::newRow("zero energy in row 1") << Field::Energy << 1 << 0.0 << true << 0.001;
    QTest::newRow("equal energies in forced bracket") << Field::Energy << 2 << 0.01 << true << 0.01;
    // Rows 1 and 2 almost at one energy make the extended line overflow at 0.001 MeV.
    QTest::newRow("overflowing extrapolation") << Field::Energy << 2 << 0.0100001 << true << 0.001;
    QTest::newRow("equal totals in forced bracket")
        << Field::Total << 2 << 4112.25 << false << 4112.25;
    QTest::newRow("zero energy at a total") << Field::Energy << 1 << 0.0 << false << 100.0;
    QTest::newRow("negative partial at a total")
        << Field::PhotoElectric << 1 << -1.0 << false << 100.0;
}

void InterpolationTest::dataErrors() {
    QFETCH(Field, field);
    QFETCH(int, row);
    QFETCH(double, value);
    QFETCH(bool, byEnergy);
    QFETCH(double, request);
    auto table = sampleTable();
    column(*table, field)[static_cast<std::size_t>(row)] = value;
    CoefficientSet out = kUntouched;
    double energy = -1;
    const CalcStatus status = byEnergy ? calc::CoefficientsAtEnergy(*table, request, out)
                                       : calc::EnergyAtTotal(*table, request, energy, out);
    QCOMPARE(status, CalcStatus::CalculationError);
    QCOMPARE(energy, -1.0);
    QCOMPARE_SET(out, kUntouched, true);
}

QTEST_GUILESS_MAIN(InterpolationTest)
#include "test_interpolation.moc"
