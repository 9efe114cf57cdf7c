#include "attenuation/TransmissionPlot.h"

#include "platform/Canvas.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace attenuation {

namespace {

constexpr float kLowX = -3.0f;
constexpr float kHighX = 1.30103f;
constexpr float kLowY = -12.0f;
constexpr platform::Rgb kBlack{0, 0, 0};
constexpr platform::Rgb kGrey{200, 200, 200};
constexpr platform::Rgb kBlue{0, 0, 255};

} // namespace

void DrawTransmissionPlot(platform::Canvas& c, const std::vector<Layer>& layers) {
    c.SetScale(-3.45f, 0.9f, 4.95f, -13.9f);
    c.SetBackColor({255, 255, 255});
    c.Clear();
    c.SetFontName("Liberation Sans");
    c.SetFontSize(8.0f);
    c.SetForeColor(kBlack);
    for (int decade = -3; decade <= 1; ++decade) {
        c.Line(static_cast<float>(decade), 0.0f, static_cast<float>(decade), kLowY, kGrey);
        c.SetCurrentX(static_cast<float>(decade) - 0.1f);
        c.SetCurrentY(kLowY - 0.15f);
        static const char* const kLabels[] = {"1 keV", "10 keV", "100 keV", "1 MeV", "10 MeV"};
        c.Print(kLabels[decade + 3], false);
    }
    for (int decade = 0; decade >= -12; decade -= 2) {
        c.Line(kLowX, static_cast<float>(decade), kHighX, static_cast<float>(decade), kGrey);
        c.SetCurrentX(kLowX - 0.42f);
        c.SetCurrentY(static_cast<float>(decade) + 0.3f);
        c.Print("1E" + std::to_string(decade), false);
    }
    c.Box(kLowX, 0.0f, kHighX, kLowY, kBlack);
    bool started = false;
    constexpr int kSteps = 240;
    for (int k = 0; k <= kSteps; ++k) {
        const double x = kLowX + double(kHighX - kLowX) * k / kSteps;
        double muX = 0.0;
        if (StackAt(layers, std::pow(10.0, x), muX) != Outcome::Ok) {
            started = false;
            continue;
        }
        const auto y = static_cast<float>(std::max(-muX / std::log(10.0), double(kLowY)));
        if (started) {
            c.LineTo(static_cast<float>(x), y, kBlue);
        } else {
            c.SetCurrentX(static_cast<float>(x));
            c.SetCurrentY(y);
            started = true;
        }
    }
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
