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

/// Total just above over total just below an edge in a loaded table: the two rows of one energy
/// that lies within the table's four-digit rounding of `energyMeV`. NaN when the table holds no
/// such pair.
double EdgeJump(const data::MaterialTable& table, double energyMeV);

} // namespace material
