#include "shielding/ShieldingPlots.h"

#include "data/CharConv.h"
#include "platform/Canvas.h"
#include "shielding/Decay.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace shielding {

namespace {

constexpr platform::Rgb kBlack{0, 0, 0};
constexpr platform::Rgb kGrey{200, 200, 200};
constexpr platform::Rgb kBlue{0, 0, 255};
constexpr platform::Rgb kRed{220, 0, 0};
constexpr platform::Rgb kOrange{230, 120, 0};
constexpr platform::Rgb kTarget{120, 120, 120};

/// The shortest text of a tick value ("2.5", "1E-3" as "0.001").
std::string tickText(double value) {
    char text[32];
    const auto result = data::ToChars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

/// A step of 1, 2 or 5 times a power of ten that cuts `span` into about five parts.
double niceStep(double span) {
    const double raw = span / 5.0;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (factor * power >= raw) {
            return factor * power;
        }
    }
    return 10.0 * power;
}

/// The frame of a plot with a linear x axis from 0 to `maxX` and a log y axis over whole
/// decades from `lowDecade` to `highDecade`; returns nothing, the scale is left set.
void drawFrame(platform::Canvas& c, double maxX, int lowDecade, int highDecade,
               const std::string& xUnit, const std::string& yUnit) {
    const auto width = static_cast<float>(maxX);
    const auto low = static_cast<float>(lowDecade);
    const auto high = static_cast<float>(highDecade);
    const float span = high - low;
    c.SetScale(-0.13f * width, high + 0.08f * span, 1.2f * width, -1.22f * span);
    c.SetBackColor({255, 255, 255});
    c.Clear();
    c.SetFontName("Liberation Sans");
    c.SetFontSize(8.0f);
    c.SetForeColor(kBlack);
    const double step = niceStep(maxX);
    for (int k = 0; k * step <= maxX * (1.0 + 1e-9); ++k) {
        const auto x = static_cast<float>(k * step);
        c.Line(x, high, x, low, kGrey);
        c.SetCurrentX(x - 0.02f * width);
        c.SetCurrentY(low - 0.02f * span);
        c.Print(tickText(k * step), false);
    }
    c.SetCurrentX(0.85f * width);
    c.SetCurrentY(low - 0.07f * span);
    c.Print(xUnit, false);
    const int every = std::max(1, (highDecade - lowDecade + 7) / 8);
    for (int decade = lowDecade; decade <= highDecade; decade += every) {
        const auto y = static_cast<float>(decade);
        c.Line(0.0f, y, width, y, kGrey);
        c.SetCurrentX(-0.12f * width);
        c.SetCurrentY(y + 0.02f * span);
        c.Print("1E" + std::to_string(decade), false);
    }
    c.SetCurrentX(-0.12f * width);
    c.SetCurrentY(high + 0.075f * span);
    c.Print(yUnit, false);
    c.Box(0.0f, high, width, low, kBlack);
}

/// A curve of (x, log10 y) pieces; a point without a positive value breaks it.
template <typename Points, typename Value>
void drawCurve(platform::Canvas& c, const Points& points, Value value, int lowDecade,
               platform::Rgb colour) {
    bool started = false;
    for (const auto& point : points) {
        const double y = value(point);
        if (!(y > 0.0) || !std::isfinite(y)) {
            started = false;
            continue;
        }
        const auto x = static_cast<float>(point.first);
        const auto logY = static_cast<float>(std::max(std::log10(y), double(lowDecade)));
        if (started) {
            c.LineTo(x, logY, colour);
        } else {
            c.SetCurrentX(x);
            c.SetCurrentY(logY);
            started = true;
        }
    }
}

/// Whole decades around the positive values, at most `most` of them below the highest.
std::pair<int, int> decadesOf(double smallest, double largest, int most) {
    if (!(largest > 0.0) || !std::isfinite(largest)) {
        return {0, 1};
    }
    const int high = static_cast<int>(std::ceil(std::log10(largest)));
    int low = smallest > 0.0 ? static_cast<int>(std::floor(std::log10(smallest))) : high - most;
    low = std::clamp(low, high - most, high - 1);
    return {low, high};
}

} // namespace

std::vector<RatePoint> RateAgainstThickness(const std::vector<PhotonLine>& lines, double activityBq,
                                            double distanceCm, std::vector<ShieldLayer> layers,
                                            const DoseOptions& options, const KermaMedia& media,
                                            double maxThicknessCm, int steps) {
    std::vector<RatePoint> points;
    if (layers.empty() || steps < 1) {
        return points;
    }
    DoseOptions narrow = options;
    narrow.kind = DoseKind::None;
    DoseResult result;
    for (int k = 0; k <= steps; ++k) {
        RatePoint point;
        point.thicknessCm = maxThicknessCm * k / steps;
        layers.back().thicknessCm = point.thicknessCm;
        DoseRate(lines, activityBq, distanceCm, layers, options, media, result);
        point.broad = result.total;
        DoseRate(lines, activityBq, distanceCm, layers, narrow, media, result);
        point.narrow = result.total;
        points.push_back(point);
    }
    return points;
}

double PlotThicknessCm(const std::vector<PhotonLine>& lines, const std::vector<ShieldLayer>& layers,
                       double cutoffMeV) {
    if (layers.empty()) {
        return 0.0;
    }
    const ShieldLayer& last = layers.back();
    double strongest = 0.0;
    double thickness = 0.0;
    for (const PhotonLine& line : lines) {
        double muRho = 0.0;
        if (line.energyMeV > cutoffMeV && line.photonsPerDecay * line.energyMeV > strongest &&
            AttenuationWithoutCoherent(*last.table, line.energyMeV, muRho) == Outcome::Ok) {
            strongest = line.photonsPerDecay * line.energyMeV;
            thickness = 15.0 / (muRho * last.densityGPerCm3);
        }
    }
    if (!(thickness > 0.0) || !std::isfinite(thickness)) {
        return 0.0;
    }
    return std::max(thickness, 1.5 * last.thicknessCm);
}

void DrawRatePlot(platform::Canvas& c, const std::vector<RatePoint>& points, double targetRate,
                  std::string_view rateUnit) {
    double largest = 0.0;
    double smallest = std::numeric_limits<double>::infinity();
    for (const RatePoint& point : points) {
        for (const double rate : {point.broad, point.narrow}) {
            if (rate > 0.0 && std::isfinite(rate)) {
                largest = std::max(largest, rate);
                smallest = std::min(smallest, rate);
            }
        }
    }
    const auto [low, high] = decadesOf(smallest, largest, 12);
    const double maxX =
        points.empty() || !(points.back().thicknessCm > 0.0) ? 1.0 : points.back().thicknessCm;
    drawFrame(c, maxX, low, high, "cm", std::string(rateUnit));
    std::vector<std::pair<double, double>> broad;
    std::vector<std::pair<double, double>> narrow;
    for (const RatePoint& point : points) {
        broad.emplace_back(point.thicknessCm, point.broad);
        narrow.emplace_back(point.thicknessCm, point.narrow);
    }
    const auto second = [](const std::pair<double, double>& p) { return p.second; };
    drawCurve(c, narrow, second, low, kRed);
    drawCurve(c, broad, second, low, kBlue);
    if (targetRate > 0.0 && std::log10(targetRate) >= low && std::log10(targetRate) <= high) {
        const auto y = static_cast<float>(std::log10(targetRate));
        c.Line(0.0f, y, static_cast<float>(maxX), y, kTarget);
    }
}

std::pair<std::string_view, double> PlotTimeUnit(double spanS) {
    constexpr double kDay = 86400.0;
    if (spanS <= 2.0 * kDay) {
        return {"h", 3600.0};
    }
    if (spanS <= 2.0 * kSecondsPerYear) {
        return {"d", kDay};
    }
    return {"y", kSecondsPerYear};
}

void DrawDecayPlot(platform::Canvas& c, std::span<const double> timesS,
                   std::span<const double> rates, std::string_view rateUnit, double markS,
                   double stayS) {
    const double spanS = timesS.empty() || !(timesS.back() > 0.0) ? 1.0 : timesS.back();
    const auto [timeUnit, unitS] = PlotTimeUnit(spanS);
    double largest = 0.0;
    double smallest = std::numeric_limits<double>::infinity();
    std::vector<std::pair<double, double>> curve;
    for (std::size_t k = 0; k < timesS.size() && k < rates.size(); ++k) {
        curve.emplace_back(timesS[k] / unitS, rates[k]);
        if (rates[k] > 0.0 && std::isfinite(rates[k])) {
            largest = std::max(largest, rates[k]);
            smallest = std::min(smallest, rates[k]);
        }
    }
    const auto [low, high] = decadesOf(smallest, largest, 12);
    const double maxX = spanS / unitS;
    drawFrame(c, maxX, low, high, std::string(timeUnit), std::string(rateUnit));
    for (const double mark : {markS, stayS > 0.0 ? markS + stayS : 0.0}) {
        if (mark > 0.0 && mark <= spanS) {
            const auto x = static_cast<float>(mark / unitS);
            c.Line(x, static_cast<float>(high), x, static_cast<float>(low), kOrange);
        }
    }
    drawCurve(
        c, curve, [](const std::pair<double, double>& p) { return p.second; }, low, kBlue);
}

void DrawBuildupPlot(platform::Canvas& c, const BuildupFunction& function, double energyMeV,
                     double maxMfp) {
    constexpr int kSteps = 200;
    std::vector<std::pair<double, double>> fitted;
    std::vector<std::pair<double, double>> extrapolated;
    double largest = 1.0;
    for (int k = 0; k <= kSteps; ++k) {
        const double mfp = maxMfp * k / kSteps;
        BuildupValue value;
        const double b =
            function.At(energyMeV, mfp, value) == Outcome::Ok ? value.buildup : std::nan("");
        if (mfp > kFittedMfp && extrapolated.empty() && !fitted.empty()) {
            extrapolated.push_back(fitted.back()); // the two parts meet
        }
        (mfp <= kFittedMfp ? fitted : extrapolated).emplace_back(mfp, b);
        if (b > largest && std::isfinite(b)) {
            largest = b;
        }
    }
    const int high = std::max(1, static_cast<int>(std::ceil(std::log10(largest))));
    drawFrame(c, maxMfp, 0, high, "mfp", "B");
    const auto second = [](const std::pair<double, double>& p) { return p.second; };
    drawCurve(c, fitted, second, 0, kBlue);
    drawCurve(c, extrapolated, second, 0, kOrange);
}

} // namespace shielding
