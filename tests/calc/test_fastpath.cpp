// The quick paths of the look-ups, the loader's field conversion and the builders' interpolation
// against the plain rules they stand for: a walk from row 1, each logarithm taken where it is
// used, the general number conversion. Every file of the shipped library must give the same
// status and the same bits.

#include "calc/Interpolation.h"
#include "data/LookupAids.h"
#include "data/MaterialFile.h"
#include "data/NumericText.h"
#include "data/TableField.h"
#include "newdata/Builder.h"

#include "fakes/TestSupport.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>

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

// The look-ups on t against the plain rule at each tabulated value, the doubles beside it, the
// geometric midpoints of neighbours, the limits, values no table holds and 1001 values spread
// evenly on the log scale over the range; empty when all agree, else the first disagreement.
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
            if (status != plainRule(t, byTotal, x, plainEnergy, plain) ||
                std::bit_cast<Bits>(fast) != std::bit_cast<Bits>(plain) ||
                bits(fastEnergy) != bits(plainEnergy)) {
                return QString(byTotal ? "total " : "energy ") + QString::number(x, 'g', 17);
            }
        }
    }
    return {};
}

std::filesystem::path library() { return testing::sourceDir() / "library"; }

// Every file of the shipped library, relative to its root, in order.
QStringList libraryFiles(const char* folder) {
    QStringList files;
    for (const auto& entry : std::filesystem::directory_iterator(library() / folder)) {
        files << QString(folder) + "/" + QString::fromStdString(entry.path().filename().string());
    }
    files.sort();
    return files.filter(QRegularExpression("\\.(ele|mix\\d)$"));
}

} // namespace

class FastPathTest : public QObject {
    Q_OBJECT

  private slots:
    void lookupsMatchThePlainRules_data();
    void lookupsMatchThePlainRules();
    void tableFieldsConvertLikeNumericValue();
    void builderInterpolationMatchesThePlainRule();
};

void FastPathTest::lookupsMatchThePlainRules_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("row"); // 0: the file as loaded, else a value changed in memory
    QTest::addColumn<bool>("energy");
    QTest::addColumn<double>("value");
    const QStringList files = libraryFiles("ele") + libraryFiles("mix");
    QCOMPARE(files.size(), 148);
    for (const QString& file : files) {
        QTest::newRow(qPrintable(file)) << file << 0 << true << 0.0;
    }
    // Tables whose rows the aids cannot order.
    QTest::newRow("energy falls back") << "ele/082_Pb.ele" << 40 << true << 1e-3;
    QTest::newRow("energy NaN") << "ele/082_Pb.ele" << 20 << true << kNaN;
    QTest::newRow("total NaN") << "ele/026_Fe.ele" << 30 << false << kNaN;
    QTest::newRow("total jumps below all") << "mix/Water_Liquid.mix2" << 50 << false << 1e-9;
    QTest::newRow("edge energy doubled at row 1") << "ele/001_H.ele" << 2 << true << 1e-3;
}

void FastPathTest::lookupsMatchThePlainRules() {
    QFETCH(QString, path);
    QFETCH(int, row);
    QFETCH(bool, energy);
    QFETCH(double, value);
    auto table = std::make_unique<MaterialTable>();
    table->SelectedPath = path.toStdString();
    table->ResetExtremes();
    QVERIFY(data::LoadMaterialTable(*table, library()).ok());
    QVERIFY(table->lookupAids.valid && table->lookupAids.energiesNeverFall);
    if (row > 0) {
        (energy ? table->Energy : table->Total)[static_cast<std::size_t>(row)] = value;
        data::RefreshLookupAids(*table);
    }
    QString found = mismatch(*table);
    QVERIFY2(found.isEmpty(), qPrintable(found));
    // Without the loader's aids the look-ups take the other path; the answers stay.
    auto bare = std::make_unique<MaterialTable>(*table);
    bare->lookupAids.valid = false;
    found = mismatch(*bare);
    QVERIFY2(found.isEmpty(), qPrintable(found));
    // Aids kept for more rows than the table now claims are not trusted.
    table->RowCount -= 3;
    found = mismatch(*table);
    QVERIFY2(found.isEmpty(), qPrintable(found));
}

void FastPathTest::tableFieldsConvertLikeNumericValue() {
    const auto agree = [](const std::string& field) {
        return bits(data::TableFieldValue(field)) == bits(data::NumericValue(field));
    };
    // The written form: every mantissa where the direct conversion starts and stops, and a spread
    // of mantissas at every exponent.
    const std::vector<int> everyMantissa = {-99, -26, -20, -19, -18, -3, 0, 2, 3, 24, 25, 26, 99};
    for (int exponent = -99; exponent <= 99; ++exponent) {
        const bool every = std::ranges::find(everyMantissa, exponent) != everyMantissa.end();
        for (int mantissa = 0; mantissa <= 9999; mantissa += every ? 1 : 37) {
            char field[16];
            std::snprintf(field, sizeof field, "%d.%03dE%+03d", mantissa / 1000, mantissa % 1000,
                          exponent);
            QVERIFY2(agree(field), field);
        }
    }
    // Forms the direct conversion leaves to the general one.
    for (const char* field : {" 1.000E-03", "1.000e-03", "1.000D-03", "-1.000E-03", "1.000E-3",
                              "1.0000E-03", "1.000E+0 ", "1.00 E-03", "", "x.000E-03"}) {
        QVERIFY2(agree(field), field);
    }
}

void FastPathTest::builderInterpolationMatchesThePlainRule() {
    // Every element beside the next one, and the fifteen elements of body tissues at once.
    const QStringList elements = libraryFiles("ele");
    std::vector<QStringList> groups{
        {"ele/001_H.ele", "ele/006_C.ele", "ele/007_N.ele", "ele/008_O.ele", "ele/011_Na.ele",
         "ele/012_Mg.ele", "ele/014_Si.ele", "ele/015_P.ele", "ele/016_S.ele", "ele/017_Cl.ele",
         "ele/019_K.ele", "ele/020_Ca.ele", "ele/026_Fe.ele", "ele/030_Zn.ele", "ele/038_Sr.ele"}};
    for (qsizetype k = 0; k + 1 < elements.size(); ++k) {
        groups.push_back({elements[k], elements[k + 1]});
    }
    for (const QStringList& group : groups) {
        auto state = std::make_unique<newdata::BuilderState>();
        const auto used = static_cast<int>(group.size());
        for (int i = 1; i <= used; ++i) {
            state->SlotFile[static_cast<std::size_t>(i)] = group[i - 1].mid(4).toStdString();
        }
        const auto nudge = newdata::NudgeStep(newdata::BuilderKind::Mixture);
        QVERIFY(newdata::ReadElementTables(*state, used, library(), nudge).ok());
        QVERIFY(newdata::BuildMergedGrid(*state, used).ok());
        QVERIFY(newdata::InterpolateOnGrid(*state, used).ok());
        const std::vector<double>& G = state->MergedGrid;
        for (std::size_t i = 1; i <= static_cast<std::size_t>(used); ++i) {
            const newdata::ElementTable& t = state->Elements[i];
            for (std::size_t j = 1; j < G.size(); ++j) {
                std::size_t p = 2; // from point 2 for every energy
                while (p < static_cast<std::size_t>(t.n) && t.E[p] < G[j]) {
                    ++p;
                }
                const double x = (std::log(G[j]) - std::log(t.E[p - 1])) /
                                 (std::log(t.E[p]) - std::log(t.E[p - 1]));
                for (std::size_t c = 0; c < 5; ++c) {
                    const double lo = t.C[c][p - 1];
                    const double hi = t.C[c][p];
                    const double want =
                        lo == 0.0 || hi == 0.0
                            ? 0.0
                            : std::exp(std::log(lo) + x * (std::log(hi) - std::log(lo)));
                    QVERIFY2(bits(state->Interpolated[i][c][j]) == bits(want),
                             qPrintable(group.join(' ') + " at " + QString::number(G[j])));
                }
            }
        }
    }
}

QTEST_APPLESS_MAIN(FastPathTest)
#include "test_fastpath.moc"
