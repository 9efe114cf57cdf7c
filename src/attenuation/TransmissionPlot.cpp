#include "attenuation/TransmissionPlot.h"

#include "attenuation/EnergyPlot.h"
#include "platform/Canvas.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace attenuation {

namespace {

constexpr float kLowY = -12.0f;
constexpr platform::Rgb kBlack{0, 0, 0};
constexpr platform::Rgb kGrey{200, 200, 200};
constexpr platform::Rgb kBlue{0, 0, 255};

} // namespace

void DrawTransmissionPlot(platform::Canvas& c, const std::vector<Layer>& layers) {
    StartEnergyPlot(c, -3.45f, 0.9f, 4.95f, -13.9f, 0.0f, kLowY, kLowY - 0.15f);
    for (int decade = 0; decade >= -12; decade -= 2) {
        c.Line(kLowestLogMeV, static_cast<float>(decade), kHighestLogMeV,
               static_cast<float>(decade), kGrey);
        c.SetCurrentX(kLowestLogMeV - 0.42f);
        c.SetCurrentY(static_cast<float>(decade) + 0.3f);
        c.Print("1E" + std::to_string(decade), false);
    }
    c.Box(kLowestLogMeV, 0.0f, kHighestLogMeV, kLowY, kBlack);
    DrawEnergyCurve(c, 240, kBlue, [&](double energyMeV) -> std::optional<float> {
        double muX = 0.0;
        if (StackAt(layers, energyMeV, muX) != Outcome::Ok) {
            return std::nullopt;
        }
        return static_cast<float>(std::max(-muX / std::log(10.0), double(kLowY)));
    });
}

void DrawNoTransmission(platform::Canvas& c, const std::string& note) {
    c.SetScale(0.0f, 0.0f, 1.0f, 1.0f);
    c.SetBackColor({255, 255, 255});
    c.Clear();
    c.SetFontName("Liberation Sans");
    c.SetFontSize(10.0f);
    c.SetForeColor(kBlack);
    c.SetCurrentX(0.05f);
    c.SetCurrentY(0.45f);
    c.Print(note, false);
}

} // namespace attenuation
