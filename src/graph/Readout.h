#pragma once

#include <optional>

namespace data {
struct MaterialTable;
}

namespace graph {

/// True when a pointer at (x, y), in the log-log plot's user units, lies over the plot: x in
/// [0, 11.5] and y in [0, 18.5] (0.1 above the plot box), limits included.
bool InsideGraph(float x, float y);

/// True when a pointer at (x, y), in the fraction plot's user units, lies over the plot: x in
/// [0, 11.5] and y in [0, 10], limits included.
bool InsideFraction(float x, float y);

/// The tabulated row (1..RowCount) whose energy lies nearest to a pointer at x, each row placed
/// at ln E + 6.909 in single precision; of two equally near rows the higher energy wins. Empty
/// when no row lies right of x, when x lies left of row 1, or when an energy met on the way is
/// not positive.
std::optional<int> NearestRow(const data::MaterialTable& table, float x);

} // namespace graph
