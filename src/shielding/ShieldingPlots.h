#pragma once

#include "shielding/Dose.h"

#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {
class Canvas;
}

namespace shielding {

/// The total rate with the last layer `thicknessCm` thick, broad beam (the dose's kind) and
/// narrow beam (uncollided only); NaN where a line has no value.
struct RatePoint {
    double thicknessCm = 0.0;
    double broad = 0.0;
    double narrow = 0.0;
};

/// `steps` + 1 points from 0 to `maxThicknessCm` of the last layer, the other layers as given.
std::vector<RatePoint> RateAgainstThickness(const std::vector<PhotonLine>& lines, double activityBq,
                                            double distanceCm, std::vector<ShieldLayer> layers,
                                            const DoseOptions& options, const KermaMedia& media,
                                            double maxThicknessCm, int steps);

/// A thickness of the last layer that shows the rate falling over several decades: 15 mean
/// free paths at the line of the largest y E (at least the layer's own thickness times 1.5).
/// 0 when there is no layer or no line with a value.
double PlotThicknessCm(const std::vector<PhotonLine>& lines, const std::vector<ShieldLayer>& layers,
                       double cutoffMeV);

/// Clears the canvas and draws the rate (in `rateUnit`, log axis) against the last layer's
/// thickness (cm): broad beam in blue, narrow beam in red, and `targetRate` (when above 0) in grey.
void DrawRatePlot(platform::Canvas& canvas, const std::vector<RatePoint>& points, double targetRate,
                  std::string_view rateUnit = "uGy/h");

/// The unit a span of time reads best in: h up to 2 d, d up to 2 y, else y; with its seconds.
std::pair<std::string_view, double> PlotTimeUnit(double spanS);

/// Clears the canvas and draws `rates` (in `rateUnit`, log axis) against `timesS` in the time
/// unit that suits the last time, the curve in blue; the decay time `markS` as an orange line and,
/// when `stayS` is above 0, the end of the stay as another.
void DrawDecayPlot(platform::Canvas& canvas, std::span<const double> timesS,
                   std::span<const double> rates, std::string_view rateUnit, double markS,
                   double stayS);

/// Clears the canvas and draws B (log axis) against the penetration from 0 to `maxMfp` at one
/// energy, the fitted part in blue and the extrapolated part beyond 40 mfp in orange.
void DrawBuildupPlot(platform::Canvas& canvas, const BuildupFunction& function, double energyMeV,
                     double maxMfp);

} // namespace shielding
