#pragma once

#include "attenuation/Attenuation.h"

#include <cstddef>
#include <vector>

namespace platform {
class Canvas;
}

namespace attenuation {

/// Clears the canvas and draws the efficiency of layer `sensor` of a stack against energy: the
/// fraction of the photons falling on the stack that interact in it (blue) and that it
/// photo-absorbs (red), from 0 to 1 on a linear axis against 1 keV to 20 MeV on a log axis,
/// for a beam at 1 / `pathFactor` = cos(theta) to the normal.
void DrawEfficiencyPlot(platform::Canvas& canvas, const std::vector<Layer>& layers,
                        std::size_t sensor, double pathFactor);

} // namespace attenuation
