#pragma once

#include "attenuation/Attenuation.h"

#include <string>
#include <vector>

namespace platform {
class Canvas;
}

namespace attenuation {

/// Clears the canvas and draws, against energy from 1 keV to 20 MeV on a log axis, the thickness
/// (cm) of `reference` (at its density; its thickness unused) that transmits what the stack does,
/// narrow beam at normal incidence, as EquivalentThicknessAt gives it: on a log axis of whole
/// decades around the curve, titled "cm of `referenceName`". Energies without a thickness above
/// 0 leave gaps; with none at all the frame spans 0.1 to 1 cm and holds no curve.
void DrawEquivalencePlot(platform::Canvas& canvas, const std::vector<Layer>& layers,
                         const Layer& reference, const std::string& referenceName);

} // namespace attenuation
