// The look-ups against a plain rule, bit for bit: on small tables worked out by hand and on every
// file of the shipped library with and without the loader's aids.

#include "calc/Interpolation.h"
#include "data/LookupAids.h"
#include "data/MaterialFile.h"
#include "data/NumericText.h"

#include "fakes/TestSupport.h"

#include <QDir>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <tuple>

using calc::CalcStatus;
using calc::CoefficientSet;
using data::MaterialTable;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();
const CoefficientSet kUnset{-1, -1, -1, -1, -1, -1};

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// A look-up read straight off the rows, by energy or by total: a walk from row 1 to the bracket,
// every logarithm taken where it is used, the tabulated value itself at a tabulated point, 0 for
// a pair column that is 0 at either end. `energy` is written by the look-up by total only.
CalcStatus plainRule(const MaterialTable& t, bool byTotal, double x, double& energy,
                     CoefficientSet& out) {
    if (byTotal ? !(x >= t.TotalMin && x <= t.TotalMax) : !(x >= 0.001 && x <= 100000.0)) {
        return CalcStatus::OutOfRange;
    }
    const data::Column& key = byTotal ? t.Total : t.Energy;
    const auto before = [&](std::size_t i) { return byTotal ? key[i] > x : key[i] < x; };
    const auto rows = static_cast<std::size_t>(std::clamp(t.RowCount, 0, data::kTableCapacity));
    std::size_t b = 1;
    while (b < rows && before(b)) {
        ++b;
    }
    if (rows < 2 || before(b)) {
        return rows < 2 ? CalcStatus::CalculationError : CalcStatus::OutOfRange;
    }
    b = std::max<std::size_t>(b, 2);
    const std::size_t a = b - 1;
    const double logEa = std::log(t.Energy[a]);
    const double logEb = std::log(t.Energy[b]);
    bool ok = t.Energy[a] > 0.0 && t.Energy[b] > 0.0 && logEa != logEb;
    double logE = std::log(x);
    double e = x;
    if (byTotal) {
        const double logTa = std::log(t.Total[a]);
        const double logTb = std::log(t.Total[b]);
        const double toward = (logTa - std::log(x)) / (logTa - logTb);
        logE = toward == 0.0 ? logEa : (toward == 1.0 ? logEb : logEa - (logEa - logEb) * toward);
        e = toward == 0.0 ? t.Energy[a] : (toward == 1.0 ? t.Energy[b] : std::exp(logE));
        ok = ok && x > 0.0 && t.Total[a] > 0.0 && t.Total[b] > 0.0 && logTa != logTb &&
             e >= 0.001 && e <= 100000.0;
    }
    const double w = (logEb - logE) / (logEb - logEa);
    const auto line = [&](const data::Column& c, bool pair) {
        if (pair && c[a] * c[b] == 0.0) {
            return 0.0;
        }
        ok = ok && c[a] > 0.0 && c[b] > 0.0;
        const double logB = std::log(c[b]);
        return w == 0.0 ? c[b] : (w == 1.0 ? c[a] : std::exp(logB - (logB - std::log(c[a])) * w));
    };
    const CoefficientSet s{line(t.Coherent, false),      line(t.Incoherent, false),
                           line(t.PhotoElectric, false), line(t.PairNuclear, true),
                           line(t.PairElectron, true),   byTotal ? x : line(t.Total, false)};
    const auto values = std::bit_cast<std::array<double, 6>>(s);
    if (!ok || !std::ranges::all_of(values, [](double v) { return std::isfinite(v); })) {
        return CalcStatus::CalculationError;
    }
    energy = byTotal ? e : energy;
    out = s;
    return CalcStatus::Ok;
}

// The look-ups on t against the plain rule at each tabulated value, its neighbours and midpoints,
// the limits, values no table holds and a sweep; empty when all agree, else the first not.
QString mismatch(const MaterialTable& t) {
    for (const bool byTotal : {false, true}) {
        const data::Column& key = byTotal ? t.Total : t.Energy;
        std::vector<double> values(
            key.begin() + 1, key.begin() + 1 + std::clamp(t.RowCount, 0, data::kTableCapacity));
        values.insert(values.end(), {0.001, 100000.0, 1e-4, 1e6, t.TotalMin, t.TotalMax});
        std::vector<double> probes{kNaN, kInfinity, -kInfinity, 0.0, -1.0, 5e-324};
        for (std::size_t k = 0; k < values.size(); ++k) {
            const double v = values[k];
            probes.insert(probes.end(),
                          {v, std::nextafter(v, -kInfinity), std::nextafter(v, kInfinity),
                           std::sqrt(v * values[k > 0 ? k - 1 : k])});
        }
        const double low = byTotal ? t.TotalMin : 0.001;
        const double high = byTotal ? t.TotalMax : 100000.0;
        for (int k = 0; k <= 1000 && low > 0.0 && high > low; ++k) {
            probes.push_back(low * std::pow(high / low, k / 1000.0));
        }
        for (const double x : probes) {
            CoefficientSet fast = kUnset;
            CoefficientSet plain = kUnset;
            double fastEnergy = -1;
            double plainEnergy = -1;
            const CalcStatus status = byTotal ? calc::EnergyAtTotal(t, x, fastEnergy, fast)
                                              : calc::CoefficientsAtEnergy(t, x, fast);
            using Bits = std::array<std::uint64_t, 6>;
            // The total alone comes back as the same double with the same status.
            double total = -1;
            const bool totalDiffers =
                !byTotal && (calc::TotalAtEnergy(t, x, total) != status ||
                             (status == CalcStatus::Ok && bits(total) != bits(fast.total)));
            if (status != plainRule(t, byTotal, x, plainEnergy, plain) ||
                std::bit_cast<Bits>(fast) != std::bit_cast<Bits>(plain) ||
                bits(fastEnergy) != bits(plainEnergy) || totalDiffers) {
                return QString(byTotal ? "total " : "energy ") + QString::number(x, 'g', 17);
            }
        }
    }
    return {};
}

using Rows = std::vector<std::array<double, 6>>; // energy, then the five partial values
// A change made after the rows are in: a cell (column, row), the row count or an extreme.
enum Cell { kEnergy, kCoherent, kPhotoElectric = 3, kPairNuclear, kTotal = 6, kCount, kMin, kMax };
using Edit = std::vector<std::tuple<Cell, int, double>>;

// Energies a factor 4 apart; coherent is 0.16/E. Rows 3 and 4 are an absorption edge, pair nuclear
// starts at row 6, pair electron at row 7. Totals: 4112.25, 69, 3, 18, 0.75, 0.4375 (the
// smallest), 1.15625, 5.0703125.
const Rows kMain{{0.01, 16, 0.25, 4096, 0, 0},
                 {0.04, 4, 1, 64, 0, 0},
                 {0.16, 1, 1, 1, 0, 0},
                 {0.16, 1, 1, 16, 0, 0},
                 {0.64, 0.25, 0.25, 0.25, 0, 0},
                 {2.56, 0.0625, 0.25, 0.0625, 0.0625, 0},
                 {10.24, 0.015625, 0.0625, 0.015625, 1, 0.0625},
                 {40.96, 0.00390625, 0.0625, 0.00390625, 4, 1}};
// Rows past both energy limits; coherent is 1/E.
const Rows kWide{{1e-4, 1e4, 1, 1e12, 0, 0}, {1, 1, 1, 1, 0, 0}, {1e6, 1e-6, 1, 1e-18, 0, 0}};

} // namespace

Q_DECLARE_METATYPE(CalcStatus)
Q_DECLARE_METATYPE(Rows)
Q_DECLARE_METATYPE(Edit)

class InterpolationTest : public QObject {
    Q_OBJECT

  private slots:
    void lookupsFollowThePlainRule_data();
    void lookupsFollowThePlainRule();
};

void InterpolationTest::lookupsFollowThePlainRule_data() {
    QTest::addColumn<QString>("path"); // a file of the shipped library, else the rows:
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<bool>("byTotal"); // the look-up worked out by hand:
    QTest::addColumn<double>("x");     // the energy or total asked for,
    QTest::addColumn<CalcStatus>("status");
    QTest::addColumn<QVector<double>>("found"); // energy and the six values, on Ok
    const auto row = [](const char* name, const Rows& rows, const Edit& edit, bool byTotal,
                        double x, CalcStatus status, const QVector<double>& found = {}) {
        QTest::newRow(name) << QString() << rows << edit << byTotal << x << status << found;
    };
    const Edit none;
    const CalcStatus ok = CalcStatus::Ok;
    const CalcStatus out = CalcStatus::OutOfRange;
    const CalcStatus error = CalcStatus::CalculationError;
    // Halfway between two rows every value is the geometric mean of the rows' values; the total
    // too, which is then not the sum of the partial values.
    row("between rows 1 and 2", kMain, none, false, 0.02, ok,
        {0.02, 8, 0.5, 512, 0, 0, std::sqrt(4112.25 * 69)});
    row("above an edge, from its upper row", kMain, none, false, 0.32, ok,
        {0.32, 0.5, 0.5, 2, 0, 0, std::sqrt(18 * 0.75)});
    // Below row 1 the line through rows 1 and 2 goes on: photo-electric falls as 1/E^3 there.
    row("below row 1", kMain, none, false, 0.005, ok,
        {0.005, 32, 0.125, 32768, 0, 0, 4112.25 * std::sqrt(4112.25 / 69)});
    row("pair nuclear: first non-zero row gives 0", kMain, none, false, 2.56, ok,
        {2.56, 0.0625, 0.25, 0.0625, 0, 0, 0.4375});
    // 2 is crossed between rows 4 and 5 and again between rows 7 and 8; the lower one counts.
    const double e = 0.16 * std::pow(4.0, std::log(18 / 2.0) / std::log(18 / 0.75));
    row("total taken twice gives the lower energy", kMain, none, true, 2, ok,
        {e, 0.16 / e, 0.16 / e, 0.065536 / (e * e * e), 0, 0, 2});
    // Extremes left wider by an earlier file: above row 1 the line through rows 1 and 2 goes on
    // below row 1's energy.
    const double b = 0.01 * std::pow(4.0, std::log(4112.25 / 5000) / std::log(4112.25 / 69));
    row("above row 1 within wider extremes", kMain, {{kMin, 0, 0.1}, {kMax, 0, 1e4}}, true, 5000,
        ok, {b, 0.16 / b, 25 * b, 0.004096 / (b * b * b), 0, 0, 5000});
    row("a partial value overflows", kMain,
        {{kMax, 0, 1e4}, {kCoherent, 1, 1e300}, {kCoherent, 2, 1e-300}}, true, 5000, error);
    // Where the table reaches past both limits, only the limits refuse.
    row("lowest energy", kWide, none, false, 0.001, ok,
        {0.001, 1000, 1, 1e9, 0, 0, 3 * std::pow((1e12 + 1e4 + 1) / 3, 0.75)});
    row("highest energy", kWide, none, false, 100000, ok,
        {1e5, 1e-5, 1, 1e-15, 0, 0, 3 * std::pow((1e-6 + 1 + 1e-18) / 3, 5.0 / 6)});
    row("energy found above the highest", kWide, none, true, 1e-6 + 1 + 1e-18, error);
    row("rows past RowCount unread", kMain, {{kCount, 0, 5}}, false, 1.28, out);
    row("count beyond the arrays", kMain, {{kCount, 0, 160}}, false, 50, error);
    row("empty table", {}, none, false, 1, error);
    row("single row", {{1, 1, 1, 1, 0, 0}}, none, true, 3, error);
    const Rows two{{1, 1, 1, 1, 0, 0}, {4, 0.25, 1, 0.25, 0, 0}}; // totals 3 and 1.5
    row("two rows, by energy", two, none, false, 2, ok, {2, 0.5, 1, 0.5, 0, 0, std::sqrt(4.5)});
    row("two rows, by total", two, none, true, std::sqrt(4.5), ok,
        {2, 0.5, 1, 0.5, 0, 0, std::sqrt(4.5)});
    // Values with no logarithm in the bracket are bad data.
    row("zero coherent", kMain, {{kCoherent, 2, 0}}, false, 0.02, error);
    row("negative pair value", kMain, {{kPairNuclear, 7, -1}}, false, 20.48, error);
    // Rows 1 and 2 almost at one energy make the extended line overflow at 1 keV.
    row("overflowing line", kMain, {{kEnergy, 2, 0.0100001}}, false, 0.001, error);
    row("equal totals", kMain, {{kTotal, 2, 4112.25}}, true, 4112.25, error);
    const auto file = [](const char* name, const QString& path, const Edit& edit) {
        QTest::newRow(name) << path << Rows{} << edit << false << kNaN << CalcStatus::OutOfRange
                            << QVector<double>{};
    };
    for (const char* folder : {"ele", "mix"}) {
        const QDir dir(
            QString::fromStdString((testing::sourceDir() / "library" / folder).string()));
        for (const QString& name : dir.entryList({"*.ele", "*.mix?"}, QDir::Files, QDir::Name)) {
            file(qPrintable(name), QString(folder) + "/" + name, {});
        }
    }
    // Tables whose rows the aids cannot order.
    file("energy falls back", "ele/082_Pb.ele", {{kEnergy, 40, 1e-3}});
    file("energy NaN", "ele/082_Pb.ele", {{kEnergy, 20, kNaN}});
    file("total NaN", "ele/026_Fe.ele", {{kTotal, 30, kNaN}});
    file("total jumps below all", "mix/Water_Liquid.mix2", {{kTotal, 50, 1e-9}});
    file("edge energy doubled at row 1", "ele/001_H.ele", {{kEnergy, 2, 1e-3}});
}

void InterpolationTest::lookupsFollowThePlainRule() {
    QFETCH(QString, path);
    QFETCH(Rows, rows);
    QFETCH(Edit, edit);
    QFETCH(bool, byTotal);
    QFETCH(double, x);
    QFETCH(CalcStatus, status);
    QFETCH(QVector<double>, found);
    auto t = std::make_unique<MaterialTable>();
    const std::array<data::Column*, 7> columns{&t->Energy,        &t->Coherent,    &t->Incoherent,
                                               &t->PhotoElectric, &t->PairNuclear, &t->PairElectron,
                                               &t->Total};
    if (path.isEmpty()) {
        // By hand, without aids: totals added as the loader adds them, extremes from the rows,
        // NaN in slot 0 and above the rows since no reader may use them.
        for (data::Column* c : columns) {
            c->fill(kNaN);
        }
        for (const auto& r : rows) {
            const auto i = static_cast<std::size_t>(++t->RowCount);
            for (std::size_t k = 0; k < r.size(); ++k) {
                (*columns[k])[i] = r[k];
            }
            t->Total[i] = r[1] + r[2] + r[3] + r[4] + r[5];
            t->TotalMin = std::min(t->TotalMin, t->Total[i]);
            t->TotalMax = std::max(t->TotalMax, t->Total[i]);
        }
    } else {
        t->SelectedPath = path.toStdString();
        QVERIFY(data::LoadMaterialTable(*t, testing::sourceDir() / "library").ok());
        QVERIFY(t->lookupAids.valid && t->lookupAids.energiesNeverFall);
        // The loader's quick field conversion gives the general one's bits.
        for (std::size_t i = 1; i <= static_cast<std::size_t>(t->RowCount); ++i) {
            for (std::size_t k = 0; k < 6; ++k) {
                const std::string field = t->RowText[i].substr(10 * k, 9);
                QVERIFY2(bits((*columns[k])[i]) == bits(data::NumericValue(field)), field.c_str());
            }
        }
    }
    for (const auto& [target, row, value] : edit) {
        if (target == kCount) {
            t->RowCount = static_cast<int>(value);
        } else {
            const auto r = static_cast<std::size_t>(row);
            (target == kMin ? t->TotalMin
                            : (target == kMax ? t->TotalMax : (*columns[target])[r])) = value;
        }
    }
    if (!path.isEmpty()) {
        data::RefreshLookupAids(*t);
    }
    CoefficientSet s = kUnset;
    double energy = byTotal ? -1 : x;
    QCOMPARE(byTotal ? calc::EnergyAtTotal(*t, x, energy, s) : calc::CoefficientsAtEnergy(*t, x, s),
             status);
    const auto values = std::bit_cast<std::array<double, 6>>(s);
    const QVector<double> got{energy,    values[0], values[1], values[2],
                              values[3], values[4], values[5]};
    for (qsizetype k = 0; k < found.size(); ++k) {
        QVERIFY2(testing::closeTo(got[k], found[k]), qPrintable(QString::number(k)));
    }
    QString differs = mismatch(*t);
    QVERIFY2(differs.isEmpty(), qPrintable(differs));
    // Without the loader's aids the look-ups take the other path; the answers stay.
    auto bare = std::make_unique<MaterialTable>(*t);
    bare->lookupAids.valid = false;
    differs = mismatch(*bare);
    QVERIFY2(differs.isEmpty(), qPrintable(differs));
    // Aids kept for more rows than the table now claims are not trusted.
    t->RowCount -= 3;
    differs = mismatch(*t);
    QVERIFY2(differs.isEmpty(), qPrintable(differs));
}

QTEST_APPLESS_MAIN(InterpolationTest)
#include "test_interpolation.moc"
