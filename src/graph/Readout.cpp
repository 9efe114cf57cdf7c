#include "graph/Readout.h"

#include "data/MaterialTable.h"
#include "graph/GraphCoords.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace graph {

namespace {

// Single-precision limits, as the pointer position arrives.
constexpr float kRight = static_cast<float>(kPlotRight);
constexpr float kGraphPointerTop = 18.5f; // 0.1 above the plot box
constexpr float kFractionPointerTop = static_cast<float>(kFractionTop);

// Written so that a NaN coordinate counts as outside.
bool Inside(float x, float y, float top) {
    return x >= 0.0f && x <= kRight && y >= 0.0f && y <= top;
}

} // namespace

bool InsideGraph(float x, float y) { return Inside(x, y, kGraphPointerTop); }

bool InsideFraction(float x, float y) { return Inside(x, y, kFractionPointerTop); }

std::optional<int> NearestRow(const data::MaterialTable& table, float x) {
    const int last = std::clamp(table.RowCount, 0, data::kTableCapacity);
    float previousX = 0.0f;
    for (int i = 1; i <= last; ++i) {
        const double energy = table.Energy[static_cast<std::size_t>(i)];
        if (!(energy > 0.0) || !std::isfinite(energy)) {
            return std::nullopt;
        }
        const float rowX = static_cast<float>(ReadoutX(energy));
        if (rowX > x) {
            if (i == 1) {
                return std::nullopt; // the pointer lies left of the first row
            }
            // On a tie the row right of the pointer, the higher energy, stays.
            return std::fabs(rowX - x) > std::fabs(previousX - x) ? i - 1 : i;
        }
        previousX = rowX;
    }
    return std::nullopt;
}

} // namespace graph
