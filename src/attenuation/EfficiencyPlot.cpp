#include "attenuation/EfficiencyPlot.h"

#include "attenuation/LayerShares.h"
#include "platform/Canvas.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace attenuation {

namespace {

constexpr float kLowX = -3.0f;
constexpr float kHighX = 1.30103f;
constexpr platform::Rgb kBlack{0, 0, 0};
constexpr platform::Rgb kGrey{200, 200, 200};
constexpr platform::Rgb kBlue{0, 0, 255};
constexpr platform::Rgb kRed{200, 0, 0};

} // namespace

void DrawEfficiencyPlot(platform::Canvas& c, const std::vector<Layer>& layers, std::size_t sensor,
                        double pathFactor) {
    c.SetScale(-3.45f, 1.12f, 4.95f, -1.24f);
    c.SetBackColor({255, 255, 255});
    c.Clear();
    c.SetFontName("Liberation Sans");
    c.SetFontSize(8.0f);
    c.SetForeColor(kBlack);
    for (int decade = -3; decade <= 1; ++decade) {
        c.Line(static_cast<float>(decade), 0.0f, static_cast<float>(decade), 1.0f, kGrey);
        c.SetCurrentX(static_cast<float>(decade) - 0.1f);
        c.SetCurrentY(-0.015f);
        static const char* const kLabels[] = {"1 keV", "10 keV", "100 keV", "1 MeV", "10 MeV"};
        c.Print(kLabels[decade + 3], false);
    }
    for (int tenth = 0; tenth <= 10; tenth += 2) {
        const float y = static_cast<float>(tenth) / 10.0f;
        c.Line(kLowX, y, kHighX, y, kGrey);
        char label[8];
        std::snprintf(label, sizeof label, "%.1f", y);
        c.SetCurrentX(kLowX - 0.3f);
        c.SetCurrentY(y + 0.025f);
        c.Print(label, false);
    }
    c.Box(kLowX, 1.0f, kHighX, 0.0f, kBlack);
    c.SetCurrentX(kLowX + 0.05f);
    c.SetCurrentY(1.09f);
    c.SetForeColor(kBlue);
    c.Print("interacted", false);
    c.SetCurrentX(kLowX + 1.0f);
    c.SetCurrentY(1.09f);
    c.SetForeColor(kRed);
    c.Print("photo-absorbed", false);
    c.SetForeColor(kBlack);
    if (sensor >= layers.size()) {
        return;
    }
    const std::vector<Layer> upTo(layers.begin(),
                                  layers.begin() + static_cast<std::ptrdiff_t>(sensor) + 1);
    constexpr int kSteps = 400;
    for (const bool photo : {false, true}) {
        bool started = false;
        for (int k = 0; k <= kSteps; ++k) {
            const double x = kLowX + double(kHighX - kLowX) * k / kSteps;
            std::vector<LayerShare> shares;
            if (LayerSharesAt(upTo, nullptr, std::pow(10.0, x), pathFactor, shares) !=
                Outcome::Ok) {
                started = false;
                continue;
            }
            const auto y =
                static_cast<float>(photo ? shares.back().photoAbsorbed : shares.back().interacted);
            if (started) {
                c.LineTo(static_cast<float>(x), y, photo ? kRed : kBlue);
            } else {
                c.SetCurrentX(static_cast<float>(x));
                c.SetCurrentY(y);
                started = true;
            }
        }
    }
}

} // namespace attenuation
