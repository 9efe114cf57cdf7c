#pragma once

#include "data/MaterialTable.h"

namespace calc {

/// Lowest and highest photon energy the calculator accepts, MeV; both are inclusive.
inline constexpr double kLowestEnergyMeV = 0.001;
inline constexpr double kHighestEnergyMeV = 100000.0;

/// Outcome of a look-up. OutOfRange: the request lies outside what the table or the fixed
/// energy limits cover. CalculationError: no finite answer (energy found outside the limits,
/// a table with fewer than two rows, or a value that cannot be interpolated log-log).
enum class CalcStatus { Ok, OutOfRange, CalculationError };

/// The six mass coefficients at one energy, cm2/g.
struct CoefficientSet {
    double coherent = 0.0;
    double incoherent = 0.0;
    double photoElectric = 0.0;
    double pairNuclear = 0.0;
    double pairElectron = 0.0;
    double total = 0.0;
};

/// Upper row i of the bracket (rows i-1 and i) for an energy: the first row whose energy is at
/// least energyMeV, row 2 when that is row 1, row RowCount when no row is. 0 when RowCount < 2.
int FindEnergyBracket(const data::MaterialTable& table, double energyMeV);

/// Upper row i of the bracket for a total: the first row whose total is at most `total`, row 2
/// when that is row 1, row RowCount when no row is. 0 when RowCount < 2.
int FindTotalBracket(const data::MaterialTable& table, double total);

/// The six coefficients at energyMeV, each interpolated log-log in its own column (the total
/// too, so it need not equal the sum of the five). `out` is written only on Ok. OutOfRange
/// outside 0.001..100000 MeV or above the last tabulated energy.
CalcStatus CoefficientsAtEnergy(const data::MaterialTable& table, double energyMeV,
                                CoefficientSet& out);

/// The total alone of CoefficientsAtEnergy, the same double and the same status, without
/// interpolating the partial coefficients where the total cannot depend on them.
CalcStatus TotalAtEnergy(const data::MaterialTable& table, double energyMeV, double& total);
/// The same for a caller that needs std::log(energyMeV) too and hands it in.
CalcStatus TotalAtEnergy(const data::MaterialTable& table, double energyMeV, double logEnergy,
                         double& total);

/// The lowest energy (MeV) at which the total takes the value `total` (cm2/g), with the five
/// partial coefficients there; out.total is `total` itself. Outputs are written only on Ok.
/// OutOfRange outside TotalMin..TotalMax or below every tabulated total.
CalcStatus EnergyAtTotal(const data::MaterialTable& table, double total, double& energyOut,
                         CoefficientSet& out);

} // namespace calc
