#include "attenuation/EfficiencyPlot.h"

#include "attenuation/EnergyPlot.h"
#include "attenuation/LayerShares.h"
#include "platform/Canvas.h"

#include <cstdio>
#include <string>

namespace attenuation {

namespace {

constexpr platform::Rgb kBlack{0, 0, 0};
constexpr platform::Rgb kGrey{200, 200, 200};
constexpr platform::Rgb kBlue{0, 0, 255};
constexpr platform::Rgb kRed{200, 0, 0};

} // namespace

void DrawEfficiencyPlot(platform::Canvas& c, const std::vector<Layer>& layers, std::size_t sensor,
                        double pathFactor) {
    StartEnergyPlot(c, -3.45f, 1.12f, 4.95f, -1.24f, 0.0f, 1.0f, -0.015f);
    for (int tenth = 0; tenth <= 10; tenth += 2) {
        const float y = static_cast<float>(tenth) / 10.0f;
        c.Line(kLowestLogMeV, y, kHighestLogMeV, y, kGrey);
        char label[8];
        std::snprintf(label, sizeof label, "%.1f", y);
        c.SetCurrentX(kLowestLogMeV - 0.3f);
        c.SetCurrentY(y + 0.025f);
        c.Print(label, false);
    }
    c.Box(kLowestLogMeV, 1.0f, kHighestLogMeV, 0.0f, kBlack);
    c.SetCurrentX(kLowestLogMeV + 0.05f);
    c.SetCurrentY(1.09f);
    c.SetForeColor(kBlue);
    c.Print("interacted", false);
    c.SetCurrentX(kLowestLogMeV + 1.0f);
    c.SetCurrentY(1.09f);
    c.SetForeColor(kRed);
    c.Print("photo-absorbed", false);
    c.SetForeColor(kBlack);
    if (sensor >= layers.size()) {
        return;
    }
    const std::vector<Layer> upTo(layers.begin(),
                                  layers.begin() + static_cast<std::ptrdiff_t>(sensor) + 1);
    for (const bool photo : {false, true}) {
        DrawEnergyCurve(
            c, 400, photo ? kRed : kBlue, [&](double energyMeV) -> std::optional<float> {
                std::vector<LayerShare> shares;
                if (LayerSharesAt(upTo, nullptr, energyMeV, pathFactor, shares) != Outcome::Ok) {
                    return std::nullopt;
                }
                return static_cast<float>(photo ? shares.back().photoAbsorbed
                                                : shares.back().interacted);
            });
    }
}

} // namespace attenuation
