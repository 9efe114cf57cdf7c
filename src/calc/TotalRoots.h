#pragma once

#include "calc/Interpolation.h"
#include "data/MaterialTable.h"

#include <vector>

namespace calc {

/// One energy at which a table's total takes a requested value, with the partial coefficients
/// there (log-log in the same pair of rows, zero rule for pair production); total is the value.
struct TotalRoot {
    double energyMeV = 0.0;
    CoefficientSet set;
};

/// Every energy, ascending, at which the total of rows 1..RowCount equals `total`: one for each
/// pair of neighbouring rows whose log-log line holds it (a row equal to it counts once), the
/// first energy of a run of rows equal to it, and none for an edge (two rows at one energy) that
/// jumps across it. Pairs with a value that has no logarithm are passed over.
std::vector<TotalRoot> EnergiesAtTotal(const data::MaterialTable& table, double total);

} // namespace calc
