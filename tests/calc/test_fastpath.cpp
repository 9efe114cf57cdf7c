// The quick paths of the look-ups, the loader's field conversion and the builders' interpolation
// against the straightforward rules they replace: walks from row 1, a logarithm taken at each
// use, the general number conversion. Every file of the shipped library, every tabulated energy
// and total, their floating-point neighbours, midpoints, the limits and a dense sweep must give
// the same status and the same bits.

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
#include <limits>
#include <memory>
#include <string>
#include <vector>

using calc::CalcStatus;
using calc::CoefficientSet;
using data::MaterialTable;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The look-ups as first written: walks from row 1 and every logarithm taken where it is used.
namespace straight {

int rowsOf(const MaterialTable& t) { return std::clamp(t.RowCount, 0, data::kTableCapacity); }

int energyStop(const MaterialTable& t, int rows, double e) {
    int i = 1;
    while (i < rows && t.Energy[i] < e) {
        ++i;
    }
    return i;
}

int totalStop(const MaterialTable& t, int rows, double total) {
    int i = 1;
    while (i < rows && t.Total[i] > total) {
        ++i;
    }
    return i;
}

int upperRow(int stop) { return stop == 1 ? 2 : stop; }

bool line(const data::Column& c, int a, int b, double w, double& value) {
    if (!(c[a] > 0.0 && c[b] > 0.0)) {
        return false;
    }
    if (w == 0.0) {
        value = c[b];
    } else if (w == 1.0) {
        value = c[a];
    } else {
        const double logUpper = std::log(c[b]);
        value = std::exp(logUpper - (logUpper - std::log(c[a])) * w);
    }
    return true;
}

bool pairLine(const data::Column& c, int a, int b, double w, double& value) {
    if (c[a] * c[b] == 0.0) {
        value = 0.0;
        return true;
    }
    return line(c, a, b, w, value);
}

bool partials(const MaterialTable& t, int a, int b, double w, CoefficientSet& s) {
    return pairLine(t.PairElectron, a, b, w, s.pairElectron) &&
           pairLine(t.PairNuclear, a, b, w, s.pairNuclear) &&
           line(t.PhotoElectric, a, b, w, s.photoElectric) &&
           line(t.Incoherent, a, b, w, s.incoherent) && line(t.Coherent, a, b, w, s.coherent);
}

bool finite(const CoefficientSet& s) {
    return std::isfinite(s.coherent) && std::isfinite(s.incoherent) &&
           std::isfinite(s.photoElectric) && std::isfinite(s.pairNuclear) &&
           std::isfinite(s.pairElectron) && std::isfinite(s.total);
}

bool energyLogs(const MaterialTable& t, int a, int b, double& logA, double& logB) {
    if (!(t.Energy[a] > 0.0 && t.Energy[b] > 0.0)) {
        return false;
    }
    logA = std::log(t.Energy[a]);
    logB = std::log(t.Energy[b]);
    return logA != logB;
}

bool inLimits(double e) { return e >= 0.001 && e <= 100000.0; }

CalcStatus coefficients(const MaterialTable& t, double e, CoefficientSet& out) {
    if (!inLimits(e)) {
        return CalcStatus::OutOfRange;
    }
    const int rows = rowsOf(t);
    if (rows < 2) {
        return CalcStatus::CalculationError;
    }
    const int stop = energyStop(t, rows, e);
    if (t.Energy[stop] < e) {
        return CalcStatus::OutOfRange;
    }
    const int b = upperRow(stop);
    const int a = b - 1;
    double logA = 0.0;
    double logB = 0.0;
    if (!energyLogs(t, a, b, logA, logB)) {
        return CalcStatus::CalculationError;
    }
    const double w = (logB - std::log(e)) / (logB - logA);
    CoefficientSet found;
    if (!partials(t, a, b, w, found) || !line(t.Total, a, b, w, found.total) || !finite(found)) {
        return CalcStatus::CalculationError;
    }
    out = found;
    return CalcStatus::Ok;
}

CalcStatus energyAt(const MaterialTable& t, double total, double& energyOut, CoefficientSet& out) {
    if (!(total >= t.TotalMin && total <= t.TotalMax)) {
        return CalcStatus::OutOfRange;
    }
    const int rows = rowsOf(t);
    if (rows < 2) {
        return CalcStatus::CalculationError;
    }
    const int stop = totalStop(t, rows, total);
    if (t.Total[stop] > total) {
        return CalcStatus::OutOfRange;
    }
    const int b = upperRow(stop);
    const int a = b - 1;
    double logEa = 0.0;
    double logEb = 0.0;
    if (!energyLogs(t, a, b, logEa, logEb)) {
        return CalcStatus::CalculationError;
    }
    if (!(total > 0.0 && t.Total[a] > 0.0 && t.Total[b] > 0.0)) {
        return CalcStatus::CalculationError;
    }
    const double logTa = std::log(t.Total[a]);
    const double logTb = std::log(t.Total[b]);
    if (logTa == logTb) {
        return CalcStatus::CalculationError;
    }
    const double toward = (logTa - std::log(total)) / (logTa - logTb);
    double logE = 0.0;
    double e = 0.0;
    if (toward == 0.0) {
        logE = logEa;
        e = t.Energy[a];
    } else if (toward == 1.0) {
        logE = logEb;
        e = t.Energy[b];
    } else {
        logE = logEa - (logEa - logEb) * toward;
        e = std::exp(logE);
    }
    if (!inLimits(e)) {
        return CalcStatus::CalculationError;
    }
    CoefficientSet found;
    if (!partials(t, a, b, (logEb - logE) / (logEb - logEa), found)) {
        return CalcStatus::CalculationError;
    }
    found.total = total;
    if (!finite(found)) {
        return CalcStatus::CalculationError;
    }
    energyOut = e;
    out = found;
    return CalcStatus::Ok;
}

// The builders' interpolation onto the merged grid, walking from point 2 for every energy.
bool ontoGrid(const newdata::BuilderState& s, int used,
              std::array<std::array<std::vector<double>, 5>, newdata::kMaxSlots + 1>& V) {
    const std::vector<double>& G = s.MergedGrid;
    const std::size_t n = G.size() - 1;
    for (int i = 1; i <= used; ++i) {
        const newdata::ElementTable& t = s.Elements[static_cast<std::size_t>(i)];
        for (auto& column : V[static_cast<std::size_t>(i)]) {
            column.assign(n + 1, 0.0);
        }
        for (std::size_t j = 1; j <= n; ++j) {
            std::size_t p = 2;
            while (p <= static_cast<std::size_t>(t.n) && t.E[p] < G[j]) {
                ++p;
            }
            if (p > static_cast<std::size_t>(t.n)) {
                return false;
            }
            for (std::size_t c = 0; c < 5; ++c) {
                const double below = t.C[c][p - 1];
                const double above = t.C[c][p];
                if (below == 0.0 || above == 0.0) {
                    continue;
                }
                V[static_cast<std::size_t>(i)][c][j] =
                    std::exp(std::log(below) + (std::log(G[j]) - std::log(t.E[p - 1])) /
                                                   (std::log(t.E[p]) - std::log(t.E[p - 1])) *
                                                   (std::log(above) - std::log(below)));
            }
        }
    }
    return true;
}

} // namespace straight

bool sameBits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

bool sameBits(const CoefficientSet& a, const CoefficientSet& b) {
    return sameBits(a.coherent, b.coherent) && sameBits(a.incoherent, b.incoherent) &&
           sameBits(a.photoElectric, b.photoElectric) && sameBits(a.pairNuclear, b.pairNuclear) &&
           sameBits(a.pairElectron, b.pairElectron) && sameBits(a.total, b.total);
}

QString number(double value) { return QString::number(value, 'g', 17); }

// Every file of the shipped library, relative to its root.
QStringList libraryFiles() {
    QStringList files;
    for (const char* folder : {"ele", "mix"}) {
        for (const auto& entry :
             std::filesystem::directory_iterator(testing::sourceDir() / "library" / folder)) {
            const std::string name = entry.path().filename().string();
            if (name.find(".ele") != std::string::npos || name.find(".mix") != std::string::npos) {
                files << QString::fromStdString(std::string(folder) + "/" + name);
            }
        }
    }
    files.sort();
    return files;
}

std::unique_ptr<MaterialTable> loaded(const QString& path) {
    auto table = std::make_unique<MaterialTable>();
    table->SelectedPath = path.toStdString();
    table->ResetExtremes();
    const data::LoadResult result =
        data::LoadMaterialTable(*table, testing::sourceDir() / "library");
    return result.ok() ? std::move(table) : nullptr;
}

// Each value, the doubles just beside it, and the geometric midpoints of neighbours.
std::vector<double> around(std::vector<double> values) {
    std::vector<double> probes;
    for (std::size_t k = 0; k < values.size(); ++k) {
        const double v = values[k];
        probes.insert(probes.end(),
                      {v, std::nextafter(v, -kInfinity), std::nextafter(v, kInfinity)});
        if (k > 0 && v > 0.0 && values[k - 1] > 0.0) {
            probes.push_back(std::sqrt(v * values[k - 1]));
        }
    }
    return probes;
}

// `count` values spread evenly on the log scale over [low, high], both included.
std::vector<double> sweep(double low, double high, int count) {
    std::vector<double> values;
    for (int k = 0; k < count; ++k) {
        values.push_back(low * std::pow(high / low, static_cast<double>(k) / (count - 1)));
    }
    return values;
}

// Energies that probe every bracket of a table, its ends and the fixed limits.
std::vector<double> energyProbes(const MaterialTable& t) {
    std::vector<double> tabulated(t.Energy.begin() + 1, t.Energy.begin() + 1 + t.RowCount);
    std::vector<double> probes = around(tabulated);
    for (double e : around({0.001, 100000.0, 1e-4, 1e6, 0.0, -1.0})) {
        probes.push_back(e);
    }
    for (double e : sweep(0.001, 100000.0, 1001)) {
        probes.push_back(e);
    }
    probes.insert(probes.end(), {kNaN, kInfinity, -kInfinity, 5e-324});
    return probes;
}

// Totals that probe every row's total, the extremes and the range between.
std::vector<double> totalProbes(const MaterialTable& t) {
    std::vector<double> tabulated(t.Total.begin() + 1, t.Total.begin() + 1 + t.RowCount);
    std::vector<double> probes = around(tabulated);
    for (double v : around({t.TotalMin, t.TotalMax})) {
        probes.push_back(v);
    }
    if (t.TotalMin > 0.0 && t.TotalMax > t.TotalMin) {
        for (double v : sweep(t.TotalMin, t.TotalMax, 1001)) {
            probes.push_back(v);
        }
    }
    probes.insert(probes.end(), {kNaN, 0.0, -1.0, kInfinity});
    return probes;
}

// The look-ups and the bracket searches on `t` against the straightforward rules; empty when
// every probe agrees, else the first disagreement.
QString compareLookups(const MaterialTable& t) {
    for (double e : energyProbes(t)) {
        CoefficientSet fast{-1, -1, -1, -1, -1, -1};
        CoefficientSet slow = fast;
        const CalcStatus fastStatus = calc::CoefficientsAtEnergy(t, e, fast);
        const CalcStatus slowStatus = straight::coefficients(t, e, slow);
        if (fastStatus != slowStatus || !sameBits(fast, slow)) {
            return "CoefficientsAtEnergy at " + number(e);
        }
        const int rows = straight::rowsOf(t);
        const int expected = rows < 2 ? 0 : straight::upperRow(straight::energyStop(t, rows, e));
        if (calc::FindEnergyBracket(t, e) != expected) {
            return "FindEnergyBracket at " + number(e);
        }
    }
    for (double total : totalProbes(t)) {
        CoefficientSet fast{-1, -1, -1, -1, -1, -1};
        CoefficientSet slow = fast;
        double fastEnergy = -1.0;
        double slowEnergy = -1.0;
        const CalcStatus fastStatus = calc::EnergyAtTotal(t, total, fastEnergy, fast);
        const CalcStatus slowStatus = straight::energyAt(t, total, slowEnergy, slow);
        if (fastStatus != slowStatus || !sameBits(fast, slow) ||
            !sameBits(fastEnergy, slowEnergy)) {
            return "EnergyAtTotal at " + number(total);
        }
        const int rows = straight::rowsOf(t);
        const int expected = rows < 2 ? 0 : straight::upperRow(straight::totalStop(t, rows, total));
        if (calc::FindTotalBracket(t, total) != expected) {
            return "FindTotalBracket at " + number(total);
        }
    }
    return {};
}

} // namespace

class FastPathTest : public QObject {
    Q_OBJECT

  private slots:
    void lookupsMatchTheStraightRules_data();
    void lookupsMatchTheStraightRules();
    void lookupsMatchOnTablesTheAidsCannotOrder_data();
    void lookupsMatchOnTablesTheAidsCannotOrder();
    void tableFieldsConvertLikeNumericValue();
    void builderInterpolationMatchesTheStraightRule();
};

void FastPathTest::lookupsMatchTheStraightRules_data() {
    QTest::addColumn<QString>("path");
    const QStringList files = libraryFiles();
    QVERIFY(files.size() >= 148);
    for (const QString& file : files) {
        QTest::newRow(qPrintable(file)) << file;
    }
}

void FastPathTest::lookupsMatchTheStraightRules() {
    QFETCH(QString, path);
    const auto table = loaded(path);
    QVERIFY(table != nullptr);
    QVERIFY(table->lookupAids.valid);
    QVERIFY(table->lookupAids.energiesNeverFall);
    const QString loadedMismatch = compareLookups(*table);
    QVERIFY2(loadedMismatch.isEmpty(), qPrintable(loadedMismatch));

    // The same table without the loader's aids takes the other path; the answers stay.
    auto bare = std::make_unique<MaterialTable>(*table);
    bare->lookupAids.valid = false;
    const QString bareMismatch = compareLookups(*bare);
    QVERIFY2(bareMismatch.isEmpty(), qPrintable(bareMismatch));

    // A loader-kept aid for more rows than the table now claims is not trusted.
    bare = std::make_unique<MaterialTable>(*table);
    bare->RowCount -= 3;
    const QString shorterMismatch = compareLookups(*bare);
    QVERIFY2(shorterMismatch.isEmpty(), qPrintable(shorterMismatch));
}

void FastPathTest::lookupsMatchOnTablesTheAidsCannotOrder_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("column");
    QTest::addColumn<double>("value");
    QTest::newRow("energy falls back") << "ele/082_Pb.ele" << 40 << "Energy" << 1e-3;
    QTest::newRow("energy NaN") << "ele/082_Pb.ele" << 20 << "Energy" << kNaN;
    QTest::newRow("total NaN") << "ele/026_Fe.ele" << 30 << "Total" << kNaN;
    QTest::newRow("total jumps below all") << "mix/Water_Liquid.mix2" << 50 << "Total" << 1e-9;
    QTest::newRow("edge energy doubled at row 1") << "ele/001_H.ele" << 2 << "Energy" << 1e-3;
}

void FastPathTest::lookupsMatchOnTablesTheAidsCannotOrder() {
    QFETCH(QString, path);
    QFETCH(int, row);
    QFETCH(QString, column);
    QFETCH(double, value);
    const auto table = loaded(path);
    QVERIFY(table != nullptr);
    (column == "Energy" ? table->Energy : table->Total)[static_cast<std::size_t>(row)] = value;
    data::RefreshLookupAids(*table);
    const QString mismatch = compareLookups(*table);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
}

void FastPathTest::tableFieldsConvertLikeNumericValue() {
    const auto agree = [](const std::string& field) {
        return sameBits(data::TableFieldValue(field), data::NumericValue(field));
    };
    // Every field of every file as the loader cuts it.
    for (const QString& path : libraryFiles()) {
        const std::string text =
            testing::readFile(testing::sourceDir() / "library" / path.toStdString());
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find('\n', start);
            end = end == std::string::npos ? text.size() : end;
            const std::string line = text.substr(start, end - start);
            for (std::size_t at = 0; at < line.size(); at += 10) {
                const std::string field = line.substr(at, 9);
                QVERIFY2(agree(field), qPrintable(path + ": " + QString::fromStdString(field)));
            }
            start = end + 1;
        }
    }
    // The written form over every mantissa at the exponents where the direct conversion starts
    // and stops, and over every exponent for a spread of mantissas.
    const auto written = [](int mantissa, int exponent) {
        std::string field = std::to_string(mantissa / 1000) + "." +
                            std::to_string(mantissa % 1000 + 1000).substr(1) + "E" +
                            (exponent < 0 ? "-" : "+") +
                            std::to_string(std::abs(exponent) + 100).substr(1);
        return field;
    };
    for (int exponent : {-99, -26, -20, -19, -18, -3, 0, 2, 3, 24, 25, 26, 99}) {
        for (int mantissa = 0; mantissa <= 9999; ++mantissa) {
            const std::string field = written(mantissa, exponent);
            QVERIFY2(agree(field), field.c_str());
        }
    }
    for (int exponent = -99; exponent <= 99; ++exponent) {
        for (int mantissa = 0; mantissa <= 9999; mantissa += 37) {
            const std::string field = written(mantissa, exponent);
            QVERIFY2(agree(field), field.c_str());
        }
    }
    // Forms the direct conversion leaves to the general one.
    for (const char* field : {" 1.000E-03", "1.000e-03", "1.000D-03", "-1.000E-03", "1.000E-3",
                              "1.0000E-03", "1.000E+0 ", "1.00 E-03", "", "x.000E-03"}) {
        QVERIFY2(agree(field), field);
    }
}

void FastPathTest::builderInterpolationMatchesTheStraightRule() {
    // Every element alone and beside the next one, and fifteen at once.
    std::vector<std::vector<std::string>> groups;
    std::vector<std::string> elements;
    for (const QString& path : libraryFiles()) {
        if (path.startsWith("ele/")) {
            elements.push_back(path.mid(4).toStdString());
        }
    }
    QCOMPARE(elements.size(), std::size_t{100});
    for (std::size_t k = 0; k < elements.size(); ++k) {
        groups.push_back({elements[k]});
        if (k + 1 < elements.size()) {
            groups.push_back({elements[k], elements[k + 1]});
        }
    }
    groups.push_back({"001_H.ele", "006_C.ele", "007_N.ele", "008_O.ele", "011_Na.ele",
                      "012_Mg.ele", "014_Si.ele", "015_P.ele", "016_S.ele", "017_Cl.ele",
                      "019_K.ele", "020_Ca.ele", "026_Fe.ele", "030_Zn.ele", "038_Sr.ele"});

    for (const auto& group : groups) {
        auto state = std::make_unique<newdata::BuilderState>();
        const int used = static_cast<int>(group.size());
        for (int i = 1; i <= used; ++i) {
            state->SlotFile[static_cast<std::size_t>(i)] = group[static_cast<std::size_t>(i - 1)];
        }
        const std::string name = group.front() + (used > 1 ? " and others" : "");
        QVERIFY2(newdata::ReadElementTables(*state, used, testing::sourceDir() / "library",
                                            newdata::NudgeStep(newdata::BuilderKind::Mixture))
                     .ok(),
                 name.c_str());
        QVERIFY2(newdata::BuildMergedGrid(*state, used).ok(), name.c_str());
        auto expected = std::make_unique<
            std::array<std::array<std::vector<double>, 5>, newdata::kMaxSlots + 1>>();
        QVERIFY2(straight::ontoGrid(*state, used, *expected), name.c_str());
        QVERIFY2(newdata::InterpolateOnGrid(*state, used).ok(), name.c_str());
        for (std::size_t i = 1; i <= static_cast<std::size_t>(used); ++i) {
            for (std::size_t c = 0; c < 5; ++c) {
                const std::vector<double>& got = state->Interpolated[i][c];
                const std::vector<double>& want = (*expected)[i][c];
                QCOMPARE(got.size(), want.size());
                for (std::size_t j = 1; j < got.size(); ++j) {
                    QVERIFY2(sameBits(got[j], want[j]),
                             qPrintable(QString::fromStdString(name) + " slot " +
                                        QString::number(i) + " column " + QString::number(c) +
                                        " energy " + number(state->MergedGrid[j])));
                }
            }
        }
    }
}

QTEST_APPLESS_MAIN(FastPathTest)
#include "test_fastpath.moc"
