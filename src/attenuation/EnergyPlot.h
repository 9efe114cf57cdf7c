#pragma once

#include "platform/Canvas.h"

#include <functional>
#include <optional>

namespace attenuation {

/// The energy axis of the stack plots: log10 of the energy in MeV, 1 keV to 20 MeV.
inline constexpr float kLowestLogMeV = -3.0f;
inline constexpr float kHighestLogMeV = 1.30103f;

/// Starts a plot against energy: sets the user scale (as Canvas::SetScale), clears to white,
/// sets the plots' font in black and draws the decades 1 keV to 10 MeV as grey lines from
/// `lineFrom` to `lineTo` (user y), each labelled at `labelY`.
void StartEnergyPlot(platform::Canvas& canvas, float left, float top, float width, float height,
                     float lineFrom, float lineTo, float labelY);

/// The energy (MeV) of point k (0 to `steps`) of a curve drawn by DrawEnergyCurve.
double CurveEnergyMeV(int k, int steps);

/// Draws a curve over the energy axis through `steps` + 1 energies evenly spaced on it; `valueAt`
/// gives the user y at an energy (MeV), or nothing where the curve has a gap.
void DrawEnergyCurve(platform::Canvas& canvas, int steps, platform::Rgb colour,
                     const std::function<std::optional<float>(double energyMeV)>& valueAt);

} // namespace attenuation
