#pragma once

#include "attenuation/Attenuation.h"

#include <string>
#include <vector>

namespace platform {
class Canvas;
}

namespace attenuation {

/// Clears the canvas and draws a stack's transmission against energy on log-log axes, 1 keV to
/// 20 MeV and 1 down to 1E-12, with a grey grid and the decades labelled.
void DrawTransmissionPlot(platform::Canvas& canvas, const std::vector<Layer>& layers);

/// Clears the canvas and prints `note` where the plot would be, when there is nothing to draw.
void DrawNoTransmission(platform::Canvas& canvas, const std::string& note);

} // namespace attenuation
