#include "calc/Interpolation.h"

#include <cmath>

namespace calc {
namespace {

using data::Column;
using data::MaterialTable;

// The rows a look-up may read: RowCount, kept inside the arrays whatever the field holds.
int usableRows(const MaterialTable& table) {
    if (table.RowCount < 0) {
        return 0;
    }
    return table.RowCount < data::kTableCapacity ? table.RowCount : data::kTableCapacity;
}

// First of rows 1..rows whose energy is not below energyMeV. The walk never passes the last
// row: when it gets there without stopping, the last row's energy is below energyMeV.
int firstRowWithEnergyAtLeast(const Column& energy, int rows, double energyMeV) {
    int i = 1;
    while (i < rows && energy[i] < energyMeV) {
        ++i;
    }
    return i;
}

// First of rows 1..rows whose total is not above `total`; rows as for the energy walk.
int firstRowWithTotalAtMost(const Column& totals, int rows, double total) {
    int i = 1;
    while (i < rows && totals[i] > total) {
        ++i;
    }
    return i;
}

// A bracket always has two rows; the search stopping at row 1 extends the line through rows 1
// and 2 below the first energy.
int upperRowOfBracket(int stopRow) { return stopRow == 1 ? 2 : stopRow; }

// Where an energy sits on the log-log line through rows lower and upper, as the weight of the
// lower row: 0 at the upper row's energy, 1 at the lower row's, outside [0, 1] beyond them.
struct LinePosition {
    int lower;
    int upper;
    double lowerWeight;
};

bool withinEnergyLimits(double energyMeV) {
    // Written so that NaN fails too.
    return energyMeV >= kLowestEnergyMeV && energyMeV <= kHighestEnergyMeV;
}

// Log-log interpolation of one column. False when a bracketing value has no logarithm.
bool interpolate(const Column& column, const LinePosition& at, double& value) {
    const double lower = column[at.lower];
    const double upper = column[at.upper];
    if (!(lower > 0.0 && upper > 0.0)) {
        return false;
    }
    // At a tabulated energy give the tabulated value itself rather than its exp(log()) round
    // trip, so the row reads back unchanged.
    if (at.lowerWeight == 0.0) {
        value = upper;
        return true;
    }
    if (at.lowerWeight == 1.0) {
        value = lower;
        return true;
    }
    const double logUpper = std::log(upper);
    value = std::exp(logUpper - (logUpper - std::log(lower)) * at.lowerWeight);
    return true;
}

// Pair production is 0 below its threshold, and a log-log line cannot reach 0: a bracket with
// 0 at either end gives exactly 0, including at the first non-zero tabulated point.
bool interpolatePair(const Column& column, const LinePosition& at, double& value) {
    if (column[at.lower] * column[at.upper] == 0.0) {
        value = 0.0;
        return true;
    }
    return interpolate(column, at, value);
}

bool interpolatePartials(const MaterialTable& table, const LinePosition& at, CoefficientSet& set) {
    return interpolatePair(table.PairElectron, at, set.pairElectron) &&
           interpolatePair(table.PairNuclear, at, set.pairNuclear) &&
           interpolate(table.PhotoElectric, at, set.photoElectric) &&
           interpolate(table.Incoherent, at, set.incoherent) &&
           interpolate(table.Coherent, at, set.coherent);
}

// Extrapolating a steep line far enough overflows; such a result is never handed out.
bool allFinite(const CoefficientSet& set) {
    return std::isfinite(set.coherent) && std::isfinite(set.incoherent) &&
           std::isfinite(set.photoElectric) && std::isfinite(set.pairNuclear) &&
           std::isfinite(set.pairElectron) && std::isfinite(set.total);
}

// The logarithms of a bracket's two energies; false when they cannot carry a line.
bool bracketEnergyLogs(const MaterialTable& table, int lower, int upper, double& logLower,
                       double& logUpper) {
    const double lowerEnergy = table.Energy[lower];
    const double upperEnergy = table.Energy[upper];
    if (!(lowerEnergy > 0.0 && upperEnergy > 0.0)) {
        return false;
    }
    logLower = std::log(lowerEnergy);
    logUpper = std::log(upperEnergy);
    return logLower != logUpper;
}

} // namespace

int FindEnergyBracket(const data::MaterialTable& table, double energyMeV) {
    const int rows = usableRows(table);
    if (rows < 2) {
        return 0;
    }
    return upperRowOfBracket(firstRowWithEnergyAtLeast(table.Energy, rows, energyMeV));
}

int FindTotalBracket(const data::MaterialTable& table, double total) {
    const int rows = usableRows(table);
    if (rows < 2) {
        return 0;
    }
    return upperRowOfBracket(firstRowWithTotalAtMost(table.Total, rows, total));
}

CalcStatus CoefficientsAtEnergy(const data::MaterialTable& table, double energyMeV,
                                CoefficientSet& out) {
    if (!withinEnergyLimits(energyMeV)) {
        return CalcStatus::OutOfRange;
    }
    const int rows = usableRows(table);
    if (rows < 2) {
        return CalcStatus::CalculationError;
    }
    const int stopRow = firstRowWithEnergyAtLeast(table.Energy, rows, energyMeV);
    if (table.Energy[stopRow] < energyMeV) {
        return CalcStatus::OutOfRange; // above the last tabulated energy: not extrapolated
    }
    const int upper = upperRowOfBracket(stopRow);
    const int lower = upper - 1;
    double logLower = 0.0;
    double logUpper = 0.0;
    if (!bracketEnergyLogs(table, lower, upper, logLower, logUpper)) {
        return CalcStatus::CalculationError;
    }
    const LinePosition at{lower, upper, (logUpper - std::log(energyMeV)) / (logUpper - logLower)};

    CoefficientSet found;
    if (!interpolatePartials(table, at, found) || !interpolate(table.Total, at, found.total) ||
        !allFinite(found)) {
        return CalcStatus::CalculationError;
    }
    out = found;
    return CalcStatus::Ok;
}

CalcStatus EnergyAtTotal(const data::MaterialTable& table, double total, double& energyOut,
                         CoefficientSet& out) {
    if (!(total >= table.TotalMin && total <= table.TotalMax)) {
        return CalcStatus::OutOfRange;
    }
    const int rows = usableRows(table);
    if (rows < 2) {
        return CalcStatus::CalculationError;
    }
    const int stopRow = firstRowWithTotalAtMost(table.Total, rows, total);
    if (table.Total[stopRow] > total) {
        // Below every tabulated total (the extremes may be left from another file).
        return CalcStatus::OutOfRange;
    }
    const int upper = upperRowOfBracket(stopRow);
    const int lower = upper - 1;
    double logLowerEnergy = 0.0;
    double logUpperEnergy = 0.0;
    if (!bracketEnergyLogs(table, lower, upper, logLowerEnergy, logUpperEnergy)) {
        return CalcStatus::CalculationError;
    }
    const double lowerTotal = table.Total[lower];
    const double upperTotal = table.Total[upper];
    if (!(total > 0.0 && lowerTotal > 0.0 && upperTotal > 0.0)) {
        return CalcStatus::CalculationError;
    }
    const double logLowerTotal = std::log(lowerTotal);
    const double logUpperTotal = std::log(upperTotal);
    if (logLowerTotal == logUpperTotal) {
        return CalcStatus::CalculationError;
    }

    // Share of the way from the lower row's total to the upper row's, on the log scale.
    const double towardUpper = (logLowerTotal - std::log(total)) / (logLowerTotal - logUpperTotal);
    double logEnergy = 0.0;
    double energy = 0.0;
    if (towardUpper == 0.0) {
        logEnergy = logLowerEnergy;
        energy = table.Energy[lower];
    } else if (towardUpper == 1.0) {
        logEnergy = logUpperEnergy;
        energy = table.Energy[upper];
    } else {
        logEnergy = logLowerEnergy - (logLowerEnergy - logUpperEnergy) * towardUpper;
        energy = std::exp(logEnergy);
    }
    if (!withinEnergyLimits(energy)) {
        return CalcStatus::CalculationError;
    }

    const LinePosition at{lower, upper,
                          (logUpperEnergy - logEnergy) / (logUpperEnergy - logLowerEnergy)};
    CoefficientSet found;
    if (!interpolatePartials(table, at, found)) {
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

} // namespace calc
