#pragma once

// Two small material tables with round numbers, for results worked out by hand.

#include "data/MaterialFile.h"

#include <array>
#include <string>
#include <vector>

namespace testing {

/// A material table from rows of energy and three coefficients (coherent, incoherent, photo).
inline data::MaterialTable tableOf(const std::vector<std::array<double, 4>>& rows) {
    std::vector<std::string> lines{"Test", "1", std::to_string(rows.size())};
    for (const auto& r : rows) {
        lines.push_back(data::FormatTableRow(r[0], {r[1], r[2], r[3], 0.0, 0.0}));
    }
    data::MaterialTable table;
    data::LoadMaterialTableFromText(table, data::JoinLines(lines));
    return table;
}

// Totals 0.5 (photo 0.3) at 0.05 MeV and 0.2 (0.1) at 0.1 MeV; 2.0 (1.0) and 1.0 (0.5) for the
// heavy one.
inline const data::MaterialTable kLight =
    tableOf({{0.01, 1, 1, 3}, {0.05, 0.1, 0.1, 0.3}, {0.1, 0.05, 0.05, 0.1}});
inline const data::MaterialTable kHeavy =
    tableOf({{0.01, 1, 1, 8}, {0.05, 0.5, 0.5, 1}, {0.1, 0.25, 0.25, 0.5}});

} // namespace testing
