#include "attenuation/EnergyPlot.h"

#include <cmath>

namespace attenuation {

void StartEnergyPlot(platform::Canvas& c, float left, float top, float width, float height,
                     float lineFrom, float lineTo, float labelY) {
    c.SetScale(left, top, width, height);
    c.SetBackColor({255, 255, 255});
    c.Clear();
    c.SetFontName("Liberation Sans");
    c.SetFontSize(8.0f);
    c.SetForeColor({0, 0, 0});
    static const char* const kLabels[] = {"1 keV", "10 keV", "100 keV", "1 MeV", "10 MeV"};
    for (int decade = -3; decade <= 1; ++decade) {
        c.Line(static_cast<float>(decade), lineFrom, static_cast<float>(decade), lineTo,
               {200, 200, 200});
        c.SetCurrentX(static_cast<float>(decade) - 0.1f);
        c.SetCurrentY(labelY);
        c.Print(kLabels[decade + 3], false);
    }
}

double CurveEnergyMeV(int k, int steps) {
    return std::pow(10.0, kLowestLogMeV + double(kHighestLogMeV - kLowestLogMeV) * k / steps);
}

void DrawEnergyCurve(platform::Canvas& c, int steps, platform::Rgb colour,
                     const std::function<std::optional<float>(double energyMeV)>& valueAt) {
    bool started = false;
    for (int k = 0; k <= steps; ++k) {
        const double x = kLowestLogMeV + double(kHighestLogMeV - kLowestLogMeV) * k / steps;
        const std::optional<float> y = valueAt(CurveEnergyMeV(k, steps));
        if (!y) {
            started = false;
        } else if (started) {
            c.LineTo(static_cast<float>(x), *y, colour);
        } else {
            c.SetCurrentX(static_cast<float>(x));
            c.SetCurrentY(*y);
            started = true;
        }
    }
}

} // namespace attenuation
