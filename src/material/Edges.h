#pragma once

#include "data/MaterialTable.h"

#include <filesystem>
#include <string>
#include <vector>

namespace material {

/// One absorption edge of an element, as the element library lists it in `edges.csv`.
struct Edge {
    int z = 0;
    std::string symbol;
    std::string shell;      ///< "K", "L1", ... as the source data name it
    double energyMeV = 0.0; ///< the tabulated energy just above the edge
    int row = 0;            ///< 1-based row of the element file just above the edge
};

/// Reads `root/edges.csv` (header z,symbol,shell,energy_mev,row). False, with `error` naming the
/// file and line, when it is missing or a line does not fit.
bool ReadEdgeList(const std::filesystem::path& root, std::vector<Edge>& edges, std::string& error);

/// Rows 2..RowCount that stand just above an edge: the total rises from the row before, whose
/// energy is the same up to the tables' four-digit rounding.
std::vector<int> EdgeRows(const data::MaterialTable& table);

/// Total just above over total just below an edge in a loaded table: the edge row (EdgeRows)
/// whose energy lies within the four-digit rounding of `energyMeV`. NaN when there is none.
double EdgeJump(const data::MaterialTable& table, double energyMeV);

} // namespace material
