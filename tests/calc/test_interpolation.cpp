#include "calc/Interpolation.h"

#include "fakes/TestSupport.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

using calc::CalcStatus;
using calc::CoefficientSet;
using data::MaterialTable;

namespace calc {
char* toString(CalcStatus status) {
    switch (status) {
    case CalcStatus::Ok:
        return qstrdup("Ok");
    case CalcStatus::OutOfRange:
        return qstrdup("OutOfRange");
    case CalcStatus::CalculationError:
        return qstrdup("CalculationError");
    }
    return qstrdup("?");
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

// Energies a factor 4 apart, so the geometric mean of two rows' energies lies halfway on the
// log scale and gives the geometric mean of their values. Coherent is 0.16/E throughout. Rows
// 3 and 4 are an absorption edge; pair nuclear starts at row 6, pair electron at row 7; the
// total is smallest at row 6 and rises again after it.
// Totals: 4112.25, 69, 3, 18, 0.75, 0.4375, 1.15625, 5.0703125.
std::unique_ptr<MaterialTable> sampleTable() {
    auto table = std::make_unique<MaterialTable>();
    addRow(*table, 0.01, 16, 0.25, 4096, 0, 0);
    addRow(*table, 0.04, 4, 1, 64, 0, 0);
    addRow(*table, 0.16, 1, 1, 1, 0, 0);
    addRow(*table, 0.16, 1, 1, 16, 0, 0);
    addRow(*table, 0.64, 0.25, 0.25, 0.25, 0, 0);
    addRow(*table, 2.56, 0.0625, 0.25, 0.0625, 0.0625, 0);
    addRow(*table, 10.24, 0.015625, 0.0625, 0.015625, 1, 0.0625);
    addRow(*table, 40.96, 0.00390625, 0.0625, 0.00390625, 4, 1);
    return table;
}

// Rows at 1E-4, 1 and 1E+6 MeV, reaching past both energy limits; coherent is 1/E.
std::unique_ptr<MaterialTable> wideTable() {
    auto table = std::make_unique<MaterialTable>();
    addRow(*table, 1e-4, 1e4, 1, 1e12, 0, 0);
    addRow(*table, 1, 1, 1, 1, 0, 0);
    addRow(*table, 1e6, 1e-6, 1, 1e-18, 0, 0);
    return table;
}

// Fills slot 0 and every row above RowCount with NaN, as no reader may use them.
void poisonUnusedRows(MaterialTable& table) {
    for (data::Column* column :
         {&table.Energy, &table.Coherent, &table.Incoherent, &table.PhotoElectric,
          &table.PairNuclear, &table.PairElectron, &table.Total}) {
        (*column)[0] = kNaN;
        for (int i = std::max(table.RowCount, 0) + 1; i <= data::kTableCapacity; ++i) {
            (*column)[i] = kNaN;
        }
    }
}

CoefficientSet set(double coherent, double incoherent, double photoElectric, double pairNuclear,
                   double pairElectron, double total) {
    return {coherent, incoherent, photoElectric, pairNuclear, pairElectron, total};
}

const CoefficientSet kUntouched = set(-1, -1, -1, -1, -1, -1);

bool same(const CoefficientSet& a, const CoefficientSet& b, bool exact) {
    const double relative = exact ? 0.0 : 1e-12;
    return testing::closeTo(a.coherent, b.coherent, relative) &&
           testing::closeTo(a.incoherent, b.incoherent, relative) &&
           testing::closeTo(a.photoElectric, b.photoElectric, relative) &&
           testing::closeTo(a.pairNuclear, b.pairNuclear, relative) &&
           testing::closeTo(a.pairElectron, b.pairElectron, relative) &&
           testing::closeTo(a.total, b.total, relative);
}

QString describe(const CoefficientSet& s) {
    return QString("%1 %2 %3 %4 %5 %6")
        .arg(s.coherent, 0, 'g', 17)
        .arg(s.incoherent, 0, 'g', 17)
        .arg(s.photoElectric, 0, 'g', 17)
        .arg(s.pairNuclear, 0, 'g', 17)
        .arg(s.pairElectron, 0, 'g', 17)
        .arg(s.total, 0, 'g', 17);
}

#define QCOMPARE_SET(actual, expected, exact)                                                      \
    QVERIFY2(same((actual), (expected), (exact)),                                                  \
             qPrintable(describe(actual) + " != " + describe(expected)))

bool allFinite(const CoefficientSet& s) {
    return std::isfinite(s.coherent) && std::isfinite(s.incoherent) &&
           std::isfinite(s.photoElectric) && std::isfinite(s.pairNuclear) &&
           std::isfinite(s.pairElectron) && std::isfinite(s.total);
}

data::Column& columnNamed(MaterialTable& table, const QString& name) {
    if (name == "Energy") {
        return table.Energy;
    }
    if (name == "Coherent") {
        return table.Coherent;
    }
    if (name == "PhotoElectric") {
        return table.PhotoElectric;
    }
    if (name == "PairNuclear") {
        return table.PairNuclear;
    }
    return table.Total;
}

} // namespace

class InterpolationTest : public QObject {
    Q_OBJECT

  private slots:
    void brackets_data();
    void brackets();
    void coefficientsAtEnergy_data();
    void coefficientsAtEnergy();
    void interpolatedTotalIsNotTheSumOfPartials();
    void energyLimits_data();
    void energyLimits();
    void energyAtTotal_data();
    void energyAtTotal();
    void energyAtTotalBeyondFirstRow();
    void extremesLeftFromAnotherFile();
    void rowsAboveRowCountAreNeverRead();
    void tablesTooShortToInterpolate();
    void dataErrors_data();
    void dataErrors();
    void overflowAtTotalIsAnError();
};

void InterpolationTest::brackets_data() {
    QTest::addColumn<bool>("byEnergy");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("upperRow");

    QTest::newRow("energy below row 1 forced to 2") << true << 0.005 << 2;
    QTest::newRow("energy of row 1 forced to 2") << true << 0.01 << 2;
    QTest::newRow("energy equal to row 2") << true << 0.04 << 2;
    QTest::newRow("energy just above row 2") << true << 0.041 << 3;
    QTest::newRow("edge energy takes first row of pair") << true << 0.16 << 3;
    QTest::newRow("energy above edge skips the pair") << true << 0.17 << 5;
    QTest::newRow("energy of last row") << true << 40.96 << 8;
    QTest::newRow("energy above last row stops at last") << true << 50.0 << 8;
    QTest::newRow("total above row 1 forced to 2") << false << 5000.0 << 2;
    QTest::newRow("total of row 1 forced to 2") << false << 4112.25 << 2;
    QTest::newRow("total equal to row 2") << false << 69.0 << 2;
    QTest::newRow("total just below row 2") << false << 68.9 << 3;
    QTest::newRow("total below edge pair skips it") << false << 2.9 << 5;
    QTest::newRow("total taken twice: first crossing") << false << 2.0 << 5;
    QTest::newRow("total below every row stops at last") << false << 0.4 << 8;
}

void InterpolationTest::brackets() {
    QFETCH(bool, byEnergy);
    QFETCH(double, value);
    QFETCH(int, upperRow);
    const auto table = sampleTable();
    QCOMPARE(byEnergy ? calc::FindEnergyBracket(*table, value)
                      : calc::FindTotalBracket(*table, value),
             upperRow);
}

void InterpolationTest::coefficientsAtEnergy_data() {
    QTest::addColumn<double>("energy");
    QTest::addColumn<CalcStatus>("status");
    QTest::addColumn<CoefficientSet>("expected");
    QTest::addColumn<bool>("exact");

    const CalcStatus ok = CalcStatus::Ok;
    // Halfway between two rows every value is the geometric mean of the rows' values.
    QTest::newRow("row 1 exactly") << 0.01 << ok << set(16, 0.25, 4096, 0, 0, 4112.25) << true;
    QTest::newRow("between rows 1 and 2")
        << 0.02 << ok << set(8, 0.5, 512, 0, 0, std::sqrt(4112.25 * 69)) << false;
    QTest::newRow("tabulated row") << 0.64 << ok << set(0.25, 0.25, 0.25, 0, 0, 0.75) << true;
    QTest::newRow("edge energy gives below-edge row")
        << 0.16 << ok << set(1, 1, 1, 0, 0, 3) << true;
    QTest::newRow("above edge from the upper row of the pair")
        << 0.32 << ok << set(0.5, 0.5, 2, 0, 0, std::sqrt(18 * 0.75)) << false;
    // Below row 1 the line through rows 1 and 2 goes on: incoherent rises as E, photo-electric
    // falls as 1/E^3 there.
    QTest::newRow("below row 1 extrapolated")
        << 0.005 << ok << set(32, 0.125, 32768, 0, 0, 4112.25 * std::sqrt(4112.25 / 69)) << false;
    QTest::newRow("pair: lower row below threshold")
        << 1.28 << ok << set(0.125, 0.25, 0.125, 0, 0, std::sqrt(0.75 * 0.4375)) << false;
    QTest::newRow("pair nuclear: first non-zero row gives 0")
        << 2.56 << ok << set(0.0625, 0.25, 0.0625, 0, 0, 0.4375) << true;
    QTest::newRow("pair nuclear above threshold")
        << 5.12 << ok << set(0.03125, 0.125, 0.03125, 0.25, 0, std::sqrt(0.4375 * 1.15625))
        << false;
    QTest::newRow("pair electron: first non-zero row gives 0")
        << 10.24 << ok << set(0.015625, 0.0625, 0.015625, 1, 0, 1.15625) << true;
    QTest::newRow("both pair columns above threshold")
        << 20.48 << ok << set(0.0078125, 0.0625, 0.0078125, 2, 0.25, std::sqrt(1.15625 * 5.0703125))
        << false;
    QTest::newRow("last row") << 40.96 << ok << set(0.00390625, 0.0625, 0.00390625, 4, 1, 5.0703125)
                              << true;
    QTest::newRow("above last row") << 50.0 << CalcStatus::OutOfRange << kUntouched << true;
    QTest::newRow("zero (text that is no number)")
        << 0.0 << CalcStatus::OutOfRange << kUntouched << true;
    QTest::newRow("negative") << -1.0 << CalcStatus::OutOfRange << kUntouched << true;
    QTest::newRow("NaN") << kNaN << CalcStatus::OutOfRange << kUntouched << true;
}

void InterpolationTest::coefficientsAtEnergy() {
    QFETCH(double, energy);
    QFETCH(CalcStatus, status);
    QFETCH(CoefficientSet, expected);
    QFETCH(bool, exact);
    const auto table = sampleTable();
    CoefficientSet out = kUntouched;
    QCOMPARE(calc::CoefficientsAtEnergy(*table, energy, out), status);
    QCOMPARE_SET(out, expected, exact);
}

void InterpolationTest::interpolatedTotalIsNotTheSumOfPartials() {
    const auto table = sampleTable();
    CoefficientSet out;
    QCOMPARE(calc::CoefficientsAtEnergy(*table, 0.02, out), CalcStatus::Ok);
    const double sum = out.coherent + out.incoherent + out.photoElectric + out.pairNuclear +
                       out.pairElectron;                // 520.5
    QCOMPARE_CLOSE(out.total, std::sqrt(4112.25 * 69)); // about 532.7
    QVERIFY(!testing::closeTo(out.total, sum, 1e-3));
}

void InterpolationTest::energyLimits_data() {
    QTest::addColumn<double>("energy");
    QTest::addColumn<CalcStatus>("status");

    QTest::newRow("lowest accepted") << 0.001 << CalcStatus::Ok;
    QTest::newRow("highest accepted") << 100000.0 << CalcStatus::Ok;
    QTest::newRow("just below lowest") << 0.000999 << CalcStatus::OutOfRange;
    QTest::newRow("just above highest") << 100001.0 << CalcStatus::OutOfRange;
}

void InterpolationTest::energyLimits() {
    QFETCH(double, energy);
    QFETCH(CalcStatus, status);
    // The table reaches past both limits, so only the limits can refuse.
    const auto table = wideTable();
    CoefficientSet out = kUntouched;
    QCOMPARE(calc::CoefficientsAtEnergy(*table, energy, out), status);
    if (status == CalcStatus::Ok) {
        QCOMPARE_CLOSE(out.coherent, 1 / energy);
        QCOMPARE_CLOSE(out.photoElectric, 1 / (energy * energy * energy));
        QCOMPARE_CLOSE(out.incoherent, 1.0);
    } else {
        QCOMPARE_SET(out, kUntouched, true);
    }
}

void InterpolationTest::energyAtTotal_data() {
    QTest::addColumn<double>("total");
    QTest::addColumn<CalcStatus>("status");
    QTest::addColumn<double>("energy");
    QTest::addColumn<CoefficientSet>("expected");
    QTest::addColumn<bool>("exact");

    const CalcStatus ok = CalcStatus::Ok;
    QTest::newRow("TotalMax is row 1")
        << 4112.25 << ok << 0.01 << set(16, 0.25, 4096, 0, 0, 4112.25) << true;
    QTest::newRow("TotalMin is row 6, pair nuclear by the zero rule")
        << 0.4375 << ok << 2.56 << set(0.0625, 0.25, 0.0625, 0, 0, 0.4375) << true;
    QTest::newRow("total of row 2") << 69.0 << ok << 0.04 << set(4, 1, 64, 0, 0, 69) << true;
    QTest::newRow("between rows 1 and 2")
        << std::sqrt(4112.25 * 69) << ok << 0.02 << set(8, 0.5, 512, 0, 0, std::sqrt(4112.25 * 69))
        << false;
    QTest::newRow("total of the row below an edge, reached again later")
        << 3.0 << ok << 0.16 << set(1, 1, 1, 0, 0, 3) << true;
    // 2 is crossed between rows 4 and 5 and again between rows 7 and 8; the low one counts.
    // There coherent and incoherent both fall as 0.16/E and photo-electric as 0.065536/E^3.
    const double e = 0.16 * std::pow(4.0, std::log(18 / 2.0) / std::log(18 / 0.75));
    QTest::newRow("total taken twice gives the lowest energy")
        << 2.0 << ok << e << set(0.16 / e, 0.16 / e, 0.065536 / (e * e * e), 0, 0, 2) << false;
    QTest::newRow("lower pair row zero")
        << std::sqrt(0.75 * 0.4375) << ok << 1.28
        << set(0.125, 0.25, 0.125, 0, 0, std::sqrt(0.75 * 0.4375)) << false;
    QTest::newRow("just above TotalMax")
        << std::nextafter(4112.25, 1e9) << CalcStatus::OutOfRange << -1.0 << kUntouched << true;
    QTest::newRow("just below TotalMin")
        << std::nextafter(0.4375, 0.0) << CalcStatus::OutOfRange << -1.0 << kUntouched << true;
    QTest::newRow("NaN") << kNaN << CalcStatus::OutOfRange << -1.0 << kUntouched << true;
}

void InterpolationTest::energyAtTotal() {
    QFETCH(double, total);
    QFETCH(CalcStatus, status);
    QFETCH(double, energy);
    QFETCH(CoefficientSet, expected);
    QFETCH(bool, exact);
    const auto table = sampleTable();
    double energyOut = -1;
    CoefficientSet out = kUntouched;
    QCOMPARE(calc::EnergyAtTotal(*table, total, energyOut, out), status);
    if (exact) {
        QCOMPARE(energyOut, energy);
    } else {
        QCOMPARE_CLOSE(energyOut, energy);
    }
    QCOMPARE_SET(out, expected, exact);
}

void InterpolationTest::energyAtTotalBeyondFirstRow() {
    // The largest total stands just above an edge, not in row 1: values above row 1's total
    // extend the line through rows 1 and 2 below the first energy. On that line each halving of
    // the total multiplies the energy by 1.1/1.2, from 0.0011 MeV at a total of 100.
    auto table = std::make_unique<MaterialTable>();
    addRow(*table, 0.0011, 1, 1, 98, 0, 0);
    addRow(*table, 0.0012, 1, 1, 48, 0, 0);
    addRow(*table, 0.0012, 1, 1, 798, 0, 0);
    addRow(*table, 0.01, 0.5, 0.25, 0.25, 0, 0);

    double energy = -1;
    CoefficientSet out = kUntouched;
    QCOMPARE(calc::EnergyAtTotal(*table, 200, energy, out), CalcStatus::Ok);
    QCOMPARE_CLOSE(energy, 0.0011 * 0.0011 / 0.0012);
    QCOMPARE_SET(out, set(1, 1, 98.0 * 98.0 / 48.0, 0, 0, 200), false);

    // Two halvings lead to 0.000924 MeV, below the lowest energy.
    energy = -1;
    out = kUntouched;
    QCOMPARE(calc::EnergyAtTotal(*table, 400, energy, out), CalcStatus::CalculationError);
    QCOMPARE(energy, -1.0);
    QCOMPARE_SET(out, kUntouched, true);

    // An energy found above the highest energy is refused as well.
    const auto wide = wideTable();
    QCOMPARE(calc::EnergyAtTotal(*wide, wide->TotalMin, energy, out), CalcStatus::CalculationError);
    QCOMPARE(energy, -1.0);
}

void InterpolationTest::extremesLeftFromAnotherFile() {
    // A reload without resetting can leave the extremes wider than the table's own.
    auto table = sampleTable();
    table->TotalMin = 0.1;
    table->TotalMax = 10000;
    double energy = -1;
    CoefficientSet out = kUntouched;
    QCOMPARE(calc::EnergyAtTotal(*table, 0.2, energy, out), CalcStatus::OutOfRange);
    QCOMPARE(energy, -1.0);
    QCOMPARE_SET(out, kUntouched, true);

    // Above row 1's total the rows 1-2 line is followed below 0.01 MeV.
    const double expected = 0.01 * std::pow(4.0, std::log(4112.25 / 5000) / std::log(4112.25 / 69));
    QCOMPARE(calc::EnergyAtTotal(*table, 5000, energy, out), CalcStatus::Ok);
    QCOMPARE_CLOSE(energy, expected);
    QCOMPARE_CLOSE(out.coherent, 0.16 / expected);
}

void InterpolationTest::rowsAboveRowCountAreNeverRead() {
    // Rows 6 to 8 still hold a longer table's plausible values; they must not be used.
    auto stale = sampleTable();
    stale->RowCount = 5;
    CoefficientSet out = kUntouched;
    double energy = -1;
    QCOMPARE(calc::FindEnergyBracket(*stale, 1.28), 5);
    QCOMPARE(calc::FindTotalBracket(*stale, 0.5), 5);
    QCOMPARE(calc::CoefficientsAtEnergy(*stale, 1.28, out), CalcStatus::OutOfRange);
    QCOMPARE(calc::EnergyAtTotal(*stale, 0.5, energy, out), CalcStatus::OutOfRange);
    QCOMPARE_SET(out, kUntouched, true);

    // NaN in slot 0 and above RowCount changes no result anywhere in the accepted ranges.
    const auto clean = sampleTable();
    auto poisoned = sampleTable();
    poisonUnusedRows(*poisoned);
    for (int k = 0; k <= 160; ++k) {
        const double e = 0.001 * std::pow(10.0, k / 20.0);
        const double t = clean->TotalMin * std::pow(clean->TotalMax / clean->TotalMin, k / 160.0);
        QVERIFY(calc::FindEnergyBracket(*poisoned, e) <= poisoned->RowCount);
        QVERIFY(calc::FindTotalBracket(*poisoned, t) <= poisoned->RowCount);

        CoefficientSet expected = kUntouched;
        CoefficientSet actual = kUntouched;
        QCOMPARE(calc::CoefficientsAtEnergy(*poisoned, e, actual),
                 calc::CoefficientsAtEnergy(*clean, e, expected));
        QVERIFY(allFinite(actual));
        QCOMPARE_SET(actual, expected, true);

        double expectedEnergy = -1;
        double actualEnergy = -1;
        QCOMPARE(calc::EnergyAtTotal(*poisoned, t, actualEnergy, actual),
                 calc::EnergyAtTotal(*clean, t, expectedEnergy, expected));
        QVERIFY(std::isfinite(actualEnergy) && allFinite(actual));
        QCOMPARE(actualEnergy, expectedEnergy);
        QCOMPARE_SET(actual, expected, true);
    }
}

void InterpolationTest::tablesTooShortToInterpolate() {
    CoefficientSet out = kUntouched;
    double energy = -1;

    auto empty = std::make_unique<MaterialTable>();
    poisonUnusedRows(*empty);
    QCOMPARE(calc::FindEnergyBracket(*empty, 1), 0);
    QCOMPARE(calc::FindTotalBracket(*empty, 1), 0);
    QCOMPARE(calc::CoefficientsAtEnergy(*empty, 1, out), CalcStatus::CalculationError);
    // Fresh extremes (10000 and 0) admit no total at all.
    QCOMPARE(calc::EnergyAtTotal(*empty, 1, energy, out), CalcStatus::OutOfRange);

    auto single = std::make_unique<MaterialTable>();
    addRow(*single, 1, 1, 1, 1, 0, 0);
    poisonUnusedRows(*single);
    QCOMPARE(calc::FindEnergyBracket(*single, 1), 0);
    QCOMPARE(calc::FindTotalBracket(*single, 3), 0);
    QCOMPARE(calc::CoefficientsAtEnergy(*single, 1, out), CalcStatus::CalculationError);
    QCOMPARE(calc::EnergyAtTotal(*single, 3, energy, out), CalcStatus::CalculationError);

    // A count beyond the arrays is held to their capacity.
    auto full = std::make_unique<MaterialTable>();
    for (int i = 1; i <= data::kTableCapacity; ++i) {
        addRow(*full, 0.001 * i, 1, 1, 1, 0, 0);
    }
    full->RowCount = data::kTableCapacity + 10;
    QCOMPARE(calc::FindEnergyBracket(*full, 1e9), data::kTableCapacity);
    QCOMPARE(calc::CoefficientsAtEnergy(*full, 1, out), CalcStatus::OutOfRange);

    QCOMPARE(energy, -1.0);
    QCOMPARE_SET(out, kUntouched, true);
}

void InterpolationTest::dataErrors_data() {
    QTest::addColumn<QString>("column");
    QTest::addColumn<int>("row");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("byEnergy");
    QTest::addColumn<double>("request");

    QTest::newRow("zero coherent") << "Coherent" << 2 << 0.0 << true << 0.02;
    QTest::newRow("negative photo-electric") << "PhotoElectric" << 1 << -1.0 << true << 0.02;
    QTest::newRow("negative pair value") << "PairNuclear" << 7 << -1.0 << true << 20.48;
    QTest::newRow("zero total") << "Total" << 2 << 0.0 << true << 0.02;
    QTest::newRow("zero energy in row 1") << "Energy" << 1 << 0.0 << true << 0.001;
    QTest::newRow("equal energies in forced bracket") << "Energy" << 2 << 0.01 << true << 0.01;
    // Rows 1 and 2 almost at one energy make the extended line overflow at 0.001 MeV.
    QTest::newRow("overflowing extrapolation") << "Energy" << 2 << 0.0100001 << true << 0.001;
    QTest::newRow("equal totals in forced bracket") << "Total" << 2 << 4112.25 << false << 4112.25;
    QTest::newRow("zero energy at a total") << "Energy" << 1 << 0.0 << false << 100.0;
    QTest::newRow("negative partial at a total") << "PhotoElectric" << 1 << -1.0 << false << 100.0;
}

void InterpolationTest::dataErrors() {
    QFETCH(QString, column);
    QFETCH(int, row);
    QFETCH(double, value);
    QFETCH(bool, byEnergy);
    QFETCH(double, request);
    auto table = sampleTable();
    columnNamed(*table, column)[static_cast<std::size_t>(row)] = value;

    CoefficientSet out = kUntouched;
    double energy = -1;
    const CalcStatus status = byEnergy ? calc::CoefficientsAtEnergy(*table, request, out)
                                       : calc::EnergyAtTotal(*table, request, energy, out);
    QCOMPARE(status, CalcStatus::CalculationError);
    QCOMPARE(energy, -1.0);
    QCOMPARE_SET(out, kUntouched, true);
}

void InterpolationTest::overflowAtTotalIsAnError() {
    // A total above row 1's leads a little below 0.01 MeV; a coherent column that falls by 600
    // decades between rows 1 and 2 then overflows there.
    auto table = sampleTable();
    table->TotalMax = 10000;
    table->Coherent[1] = 1e300;
    table->Coherent[2] = 1e-300;
    CoefficientSet out = kUntouched;
    double energy = -1;
    QCOMPARE(calc::EnergyAtTotal(*table, 5000, energy, out), CalcStatus::CalculationError);
    QCOMPARE(energy, -1.0);
    QCOMPARE_SET(out, kUntouched, true);
}

QTEST_GUILESS_MAIN(InterpolationTest)
#include "test_interpolation.moc"
