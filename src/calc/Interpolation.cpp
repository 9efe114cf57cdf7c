#include "calc/Interpolation.h"

#include "data/CharConv.h"
#include "data/LookupAids.h"
#include "data/VectorState.h"

#include <cmath>
#include <cstdint>

namespace calc {
namespace {

using data::MaterialTable;
using data::RowLogarithms;

// Column order of RowLogarithms.
enum ColumnIndex : std::size_t {
    kCoherent,
    kIncoherent,
    kPhotoElectric,
    kPairNuclear,
    kPairElectron,
    kTotal
};

// The rows a look-up may read: RowCount, kept inside the arrays whatever the field holds.
int usableRows(const MaterialTable& table) {
    if (table.RowCount < 0) {
        return 0;
    }
    return table.RowCount < data::kTableCapacity ? table.RowCount : data::kTableCapacity;
}

// The loader's aids describe exactly these rows.
bool aidsApply(const MaterialTable& table, int rows) {
    return table.lookupAids.valid && table.lookupAids.rows == rows;
}

// The first of rows 1..n of `values` (1-based) for which `below(value)` is false, or n + 1 when
// there is none. `below` must hold for a leading run of rows and for no row after it; then this
// is where a walk from row 1 stops. The halving takes no data-dependent jump.
template <typename Below> int firstRowNotBelow(const double* values, int n, Below below) {
    const double* base = values + 1;
    int length = n;
    while (length > 1) {
        const int half = length / 2;
        base = below(base[half - 1]) ? base + half : base;
        length -= half;
    }
    return static_cast<int>(base - values) + (below(*base) ? 1 : 0);
}

// First of rows 1..rows whose energy is not below energyMeV. The walk never passes the last
// row: when it gets there without stopping, the last row's energy is below energyMeV.
int firstRowWithEnergyAtLeast(const MaterialTable& table, int rows, double energyMeV) {
    if (aidsApply(table, rows) && table.lookupAids.energiesNeverFall) {
        // The energies never fall, so the rows below energyMeV all come first. The energy's
        // bucket names a row no later than the walk's stop; the walk goes on from there.
        const auto key = static_cast<unsigned>(data::BitCast<std::uint64_t>(energyMeV) >>
                                               data::kEnergyBucketShift);
        if (key - data::kFirstEnergyBucketKey < data::kEnergyBuckets) {
            int i = table.lookupAids.energyBucketRow[key - data::kFirstEnergyBucketKey];
            while (i < rows && table.Energy[static_cast<std::size_t>(i)] < energyMeV) {
                ++i;
            }
            return i;
        }
        // Outside the buckets (and for NaN, which is below no row: row 1, as in the walk).
        return firstRowNotBelow(table.Energy.data(), rows - 1,
                                [energyMeV](double energy) { return energy < energyMeV; });
    }
    int i = 1;
    while (i < rows && table.Energy[static_cast<std::size_t>(i)] < energyMeV) {
        ++i;
    }
    return i;
}

// First of rows 1..rows whose total is not above `total`; rows as for the energy walk.
int firstRowWithTotalAtMost(const MaterialTable& table, int rows, double total) {
    if (aidsApply(table, rows) && table.lookupAids.totalsComparable) {
        // Row i is the first with a total at most `total` exactly when the smallest total of
        // rows 1..i is the first such running minimum, and the running minimum never rises.
        return firstRowNotBelow(table.lookupAids.lowestTotal.data(), rows - 1,
                                [total](double lowest) { return lowest > total; });
    }
    int i = 1;
    while (i < rows && table.Total[static_cast<std::size_t>(i)] > total) {
        ++i;
    }
    return i;
}

// A bracket always has two rows; the search stopping at row 1 extends the line through rows 1
// and 2 below the first energy.
int upperRowOfBracket(int stopRow) { return stopRow == 1 ? 2 : stopRow; }

// Whether a bracket's two energies can carry a line.
bool spansEnergy(const RowLogarithms& lower, const RowLogarithms& upper) {
    return lower.energy > 0.0 && upper.energy > 0.0 && lower.logEnergy != upper.logEnergy;
}

bool withinEnergyLimits(double energyMeV) {
    // Written so that NaN fails too.
    return energyMeV >= kLowestEnergyMeV && energyMeV <= kHighestEnergyMeV;
}

bool positive(double lower, double upper) { return lower > 0.0 && upper > 0.0; }

// Pair production is 0 below its threshold, and a log-log line cannot reach 0: a bracket with
// 0 at either end gives exactly 0, including at the first non-zero tabulated point.
bool belowPairThreshold(const RowLogarithms& lower, const RowLogarithms& upper, ColumnIndex c) {
    return lower.value[c] * upper.value[c] == 0.0;
}

// Log-log interpolation of the five partial columns (and of the total when `total` is given)
// between two rows, at the energy whose weight of the lower row is lowerWeight: 0 at the upper
// row's energy, 1 at the lower row's, outside [0, 1] beyond them. False when a value needed
// has no logarithm (the pair columns need none below their threshold).
// Every column the line through two rows needs has a logarithm on both sides (a pair column
// that is 0 on a side is below its threshold and needs none).
bool columnsUsable(const RowLogarithms& lower, const RowLogarithms& upper, bool withTotal) {
    const auto usable = [&](ColumnIndex c) { return positive(lower.value[c], upper.value[c]); };
    return (belowPairThreshold(lower, upper, kPairElectron) || usable(kPairElectron)) &&
           (belowPairThreshold(lower, upper, kPairNuclear) || usable(kPairNuclear)) &&
           usable(kPhotoElectric) && usable(kIncoherent) && usable(kCoherent) &&
           (!withTotal || usable(kTotal));
}

bool interpolateColumns(const RowLogarithms& lower, const RowLogarithms& upper, double lowerWeight,
                        CoefficientSet& set, double* total) {
    const bool noPairElectron = belowPairThreshold(lower, upper, kPairElectron);
    const bool noPairNuclear = belowPairThreshold(lower, upper, kPairNuclear);
    if (!columnsUsable(lower, upper, total != nullptr)) {
        return false;
    }
    // At a tabulated energy give the tabulated value itself rather than its exp(log()) round
    // trip, so the row reads back unchanged.
    const RowLogarithms* tabulated =
        lowerWeight == 0.0 ? &upper : (lowerWeight == 1.0 ? &lower : nullptr);
    const auto line = [&](ColumnIndex c) {
        if (tabulated != nullptr) {
            return tabulated->value[c];
        }
        const double logUpper = upper.logValue[c];
        return std::exp(logUpper - (logUpper - lower.logValue[c]) * lowerWeight);
    };
    set.pairElectron = noPairElectron ? 0.0 : line(kPairElectron);
    set.pairNuclear = noPairNuclear ? 0.0 : line(kPairNuclear);
    set.photoElectric = line(kPhotoElectric);
    set.incoherent = line(kIncoherent);
    set.coherent = line(kCoherent);
    if (total != nullptr) {
        *total = line(kTotal);
    }
    return true;
}

// Extrapolating a steep line far enough overflows; such a result is never handed out.
bool allFinite(const CoefficientSet& set) {
    return std::isfinite(set.coherent) && std::isfinite(set.incoherent) &&
           std::isfinite(set.photoElectric) && std::isfinite(set.pairNuclear) &&
           std::isfinite(set.pairElectron) && std::isfinite(set.total);
}

// The six coefficients at the energy of logarithm logEnergy on the log-log lines through two
// rows.
CalcStatus coefficientsBetween(const RowLogarithms& lower, const RowLogarithms& upper,
                               double logEnergy, CoefficientSet& out) {
    if (!spansEnergy(lower, upper)) {
        return CalcStatus::CalculationError;
    }
    const double lowerWeight = (upper.logEnergy - logEnergy) / (upper.logEnergy - lower.logEnergy);
    CoefficientSet found;
    if (!interpolateColumns(lower, upper, lowerWeight, found, &found.total) || !allFinite(found)) {
        return CalcStatus::CalculationError;
    }
    out = found;
    return CalcStatus::Ok;
}

// The total of the line through two rows, as coefficientsBetween gives it. Between the rows
// every partial lies between two finite table values, so only the columns' logarithms decide
// the outcome and the partials need not be worked out; beyond the rows, or near the largest
// double, the whole set decides.
CalcStatus totalBetween(const RowLogarithms& lower, const RowLogarithms& upper, double logEnergy,
                        double& out) {
    if (!spansEnergy(lower, upper)) {
        return CalcStatus::CalculationError;
    }
    const double lowerWeight = (upper.logEnergy - logEnergy) / (upper.logEnergy - lower.logEnergy);
    bool tame = lowerWeight >= 0.0 && lowerWeight <= 1.0;
    for (std::size_t c = 0; c < lower.value.size() && tame; ++c) {
        tame = std::fabs(lower.value[c]) < 1e300 && std::fabs(upper.value[c]) < 1e300;
    }
    if (!tame) {
        CoefficientSet set;
        const CalcStatus status = coefficientsBetween(lower, upper, logEnergy, set);
        if (status == CalcStatus::Ok) {
            out = set.total;
        }
        return status;
    }
    if (!columnsUsable(lower, upper, true)) {
        return CalcStatus::CalculationError;
    }
    if (lowerWeight == 0.0 || lowerWeight == 1.0) {
        out = (lowerWeight == 0.0 ? upper : lower).value[kTotal];
    } else {
        const double logUpper = upper.logValue[kTotal];
        out = std::exp(logUpper - (logUpper - lower.logValue[kTotal]) * lowerWeight);
    }
    return CalcStatus::Ok;
}

double logOfEnergy(double energyMeV) { return std::log(energyMeV); }

// The bracket of an energy in the table, handed to `between` with the energy's logarithm:
// OutOfRange outside the energy limits or above the last row, CalculationError below 2 rows.
// `logOf` gives the energy's logarithm.
template <typename LogOf, typename Between>
CalcStatus atEnergy(const data::MaterialTable& table, double energyMeV, LogOf logOf,
                    Between between) {
    data::ClearUpperVectorState();
    if (!withinEnergyLimits(energyMeV)) {
        return CalcStatus::OutOfRange;
    }
    const int rows = usableRows(table);
    if (rows < 2) {
        return CalcStatus::CalculationError;
    }
    // Taken first, so that it is under way while the bracket is looked for.
    const double logEnergy = logOf(energyMeV);
    const int stopRow = firstRowWithEnergyAtLeast(table, rows, energyMeV);
    if (table.Energy[static_cast<std::size_t>(stopRow)] < energyMeV) {
        return CalcStatus::OutOfRange; // above the last tabulated energy: not extrapolated
    }
    // The rows' logarithms are the loader's when the table has them, else taken here: either
    // way the same numbers.
    const int upper = upperRowOfBracket(stopRow);
    if (aidsApply(table, rows)) {
        const auto s = static_cast<std::size_t>(upper);
        return between(table.lookupAids.row[s - 1], table.lookupAids.row[s], logEnergy);
    }
    return between(data::LogarithmsOfRow(table, upper - 1), data::LogarithmsOfRow(table, upper),
                   logEnergy);
}

// The lowest energy at which the total takes `total` on the log-log line through two rows,
// with the five partial coefficients there.
CalcStatus energyBetween(const RowLogarithms& lower, const RowLogarithms& upper, double total,
                         double& energyOut, CoefficientSet& out) {
    if (!spansEnergy(lower, upper)) {
        return CalcStatus::CalculationError;
    }
    const double lowerTotal = lower.value[kTotal];
    const double upperTotal = upper.value[kTotal];
    if (!(total > 0.0 && lowerTotal > 0.0 && upperTotal > 0.0)) {
        return CalcStatus::CalculationError;
    }
    const double logLowerTotal = lower.logValue[kTotal];
    const double logUpperTotal = upper.logValue[kTotal];
    if (logLowerTotal == logUpperTotal) {
        return CalcStatus::CalculationError;
    }

    // Share of the way from the lower row's total to the upper row's, on the log scale.
    const double towardUpper = (logLowerTotal - std::log(total)) / (logLowerTotal - logUpperTotal);
    const double logLowerEnergy = lower.logEnergy;
    const double logUpperEnergy = upper.logEnergy;
    double logEnergy = 0.0;
    double energy = 0.0;
    if (towardUpper == 0.0) {
        logEnergy = logLowerEnergy;
        energy = lower.energy;
    } else if (towardUpper == 1.0) {
        logEnergy = logUpperEnergy;
        energy = upper.energy;
    } else {
        logEnergy = logLowerEnergy - (logLowerEnergy - logUpperEnergy) * towardUpper;
        energy = std::exp(logEnergy);
    }
    if (!withinEnergyLimits(energy)) {
        return CalcStatus::CalculationError;
    }

    const double lowerWeight = (logUpperEnergy - logEnergy) / (logUpperEnergy - logLowerEnergy);
    CoefficientSet found;
    if (!interpolateColumns(lower, upper, lowerWeight, found, nullptr)) {
        return CalcStatus::CalculationError;
    }
    found.total = total; // the value asked for stands, it is not re-interpolated
    if (!allFinite(found)) {
        return CalcStatus::CalculationError;
    }
    energyOut = energy;
    out = found;
    return CalcStatus::Ok;
}

} // namespace

int FindEnergyBracket(const data::MaterialTable& table, double energyMeV) {
    const int rows = usableRows(table);
    if (rows < 2) {
        return 0;
    }
    return upperRowOfBracket(firstRowWithEnergyAtLeast(table, rows, energyMeV));
}

int FindTotalBracket(const data::MaterialTable& table, double total) {
    const int rows = usableRows(table);
    if (rows < 2) {
        return 0;
    }
    return upperRowOfBracket(firstRowWithTotalAtMost(table, rows, total));
}

CalcStatus CoefficientsAtEnergy(const data::MaterialTable& table, double energyMeV,
                                CoefficientSet& out) {
    return atEnergy(table, energyMeV, logOfEnergy,
                    [&](const RowLogarithms& lower, const RowLogarithms& upper, double logEnergy) {
                        return coefficientsBetween(lower, upper, logEnergy, out);
                    });
}

CalcStatus TotalAtEnergy(const data::MaterialTable& table, double energyMeV, double& total) {
    return atEnergy(table, energyMeV, logOfEnergy,
                    [&](const RowLogarithms& lower, const RowLogarithms& upper, double logEnergy) {
                        return totalBetween(lower, upper, logEnergy, total);
                    });
}

CalcStatus TotalAtEnergy(const data::MaterialTable& table, double energyMeV, double logEnergy,
                         double& total) {
    return atEnergy(
        table, energyMeV, [logEnergy](double) { return logEnergy; },
        [&](const RowLogarithms& lower, const RowLogarithms& upper, double logOfEnergy) {
            return totalBetween(lower, upper, logOfEnergy, total);
        });
}

CalcStatus EnergyAtTotal(const data::MaterialTable& table, double total, double& energyOut,
                         CoefficientSet& out) {
    data::ClearUpperVectorState();
    if (!(total >= table.TotalMin && total <= table.TotalMax)) {
        return CalcStatus::OutOfRange;
    }
    const int rows = usableRows(table);
    if (rows < 2) {
        return CalcStatus::CalculationError;
    }
    const int stopRow = firstRowWithTotalAtMost(table, rows, total);
    if (table.Total[static_cast<std::size_t>(stopRow)] > total) {
        // Below every tabulated total (the extremes may be left from another file).
        return CalcStatus::OutOfRange;
    }
    const int upper = upperRowOfBracket(stopRow);
    if (aidsApply(table, rows)) {
        const auto s = static_cast<std::size_t>(upper);
        return energyBetween(table.lookupAids.row[s - 1], table.lookupAids.row[s], total, energyOut,
                             out);
    }
    return energyBetween(data::LogarithmsOfRow(table, upper - 1),
                         data::LogarithmsOfRow(table, upper), total, energyOut, out);
}

} // namespace calc
