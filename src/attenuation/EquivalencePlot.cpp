#include "attenuation/EquivalencePlot.h"

#include "attenuation/EnergyPlot.h"
#include "attenuation/LayerShares.h"
#include "platform/Canvas.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace attenuation {

namespace {

constexpr int kSteps = 300;
constexpr platform::Rgb kBlack{0, 0, 0};
constexpr platform::Rgb kGrey{200, 200, 200};
constexpr platform::Rgb kBlue{0, 0, 255};

/// log10 of the equivalent thickness (cm) at one energy; empty where there is none above 0.
std::optional<double> logThickness(const std::vector<Layer>& layers, const Layer& reference,
                                   double energyMeV) {
    double cm = 0.0;
    if (EquivalentThicknessAt(layers, reference, energyMeV, cm) != Outcome::Ok || !(cm > 0.0) ||
        !std::isfinite(cm)) {
        return std::nullopt;
    }
    return std::log10(cm);
}

} // namespace

void DrawEquivalencePlot(platform::Canvas& c, const std::vector<Layer>& layers,
                         const Layer& reference, const std::string& referenceName) {
    // The decades of the axis are those the curve needs, at least one.
    std::optional<double> lowest;
    std::optional<double> highest;
    for (int k = 0; k <= kSteps; ++k) {
        if (const auto y = logThickness(layers, reference, CurveEnergyMeV(k, kSteps))) {
            lowest = std::min(lowest.value_or(*y), *y);
            highest = std::max(highest.value_or(*y), *y);
        }
    }
    const int low = lowest ? static_cast<int>(std::floor(*lowest)) : -1;
    const int high = std::max(low + 1, highest ? static_cast<int>(std::ceil(*highest)) : 0);
    const auto bottom = static_cast<float>(low);
    const auto top = static_cast<float>(high);
    const float span = top - bottom;
    StartEnergyPlot(c, -3.45f, top + 0.12f * span, 4.95f, -1.24f * span, bottom, top,
                    bottom - 0.015f * span);
    const int every = std::max(1, (high - low + 5) / 6);
    for (int decade = low; decade <= high; decade += every) {
        const auto y = static_cast<float>(decade);
        c.Line(kLowestLogMeV, y, kHighestLogMeV, y, kGrey);
        c.SetCurrentX(kLowestLogMeV - 0.42f);
        c.SetCurrentY(y + 0.025f * span);
        c.Print("1E" + std::to_string(decade), false);
    }
    c.Box(kLowestLogMeV, top, kHighestLogMeV, bottom, kBlack);
    c.SetCurrentX(kLowestLogMeV - 0.42f);
    c.SetCurrentY(top + 0.09f * span);
    c.Print("cm of " + referenceName, false);
    DrawEnergyCurve(c, kSteps, kBlue, [&](double energyMeV) -> std::optional<float> {
        const std::optional<double> y = logThickness(layers, reference, energyMeV);
        return y ? std::optional<float>(static_cast<float>(*y)) : std::nullopt;
    });
}

} // namespace attenuation
