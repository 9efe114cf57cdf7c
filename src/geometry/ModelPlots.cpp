#include "geometry/ModelPlots.h"

#include "data/CharConv.h"
#include "platform/Canvas.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <string>

namespace geometry {

namespace {

constexpr platform::Rgb kWhite{255, 255, 255};
constexpr platform::Rgb kBlack{0, 0, 0};
constexpr platform::Rgb kGrey{200, 200, 200};
constexpr platform::Rgb kSource{214, 39, 40};
constexpr platform::Rgb kShield{31, 119, 180};
constexpr platform::Rgb kDetector{44, 160, 44};

/// The two coordinates of a view or map across `axis`, in axis order.
void across(int axis, std::size_t& u, std::size_t& v) {
    u = axis == 0 ? 1 : 0;
    v = axis == 2 ? 1 : 2;
}

std::string shortText(double x) {
    char buffer[40];
    const auto result =
        data::ToChars(buffer, buffer + sizeof buffer, x, std::chars_format::general, 3);
    return std::string(buffer, result.ptr);
}

/// A colour of the rate scale for t in [0, 1], dark blue through green to yellow.
platform::Rgb scaleColour(double t) {
    static constexpr std::array<std::array<double, 3>, 6> stops = {{{68, 1, 84},
                                                                    {65, 68, 135},
                                                                    {42, 120, 142},
                                                                    {34, 168, 132},
                                                                    {122, 209, 81},
                                                                    {253, 231, 37}}};
    t = std::clamp(t, 0.0, 1.0) * (stops.size() - 1);
    const auto i = std::min<std::size_t>(static_cast<std::size_t>(t), stops.size() - 2);
    const double f = t - static_cast<double>(i);
    const auto mix = [&](std::size_t c) {
        return static_cast<std::uint8_t>(
            std::lround(stops[i][c] + f * (stops[i + 1][c] - stops[i][c])));
    };
    return {mix(0), mix(1), mix(2)};
}

/// A circle as a polygon, for outlines at any scale.
void circle(platform::Canvas& c, double cu, double cv, double r, platform::Rgb colour) {
    constexpr int kSides = 72;
    for (int k = 0; k < kSides; ++k) {
        const double a0 = 2.0 * std::numbers::pi * k / kSides;
        const double a1 = 2.0 * std::numbers::pi * (k + 1) / kSides;
        c.Line(static_cast<float>(cu + r * std::cos(a0)), static_cast<float>(cv + r * std::sin(a0)),
               static_cast<float>(cu + r * std::cos(a1)), static_cast<float>(cv + r * std::sin(a1)),
               colour);
    }
}

void rectangle(platform::Canvas& c, double u0, double v0, double u1, double v1,
               platform::Rgb colour) {
    c.Box(static_cast<float>(u0), static_cast<float>(v0), static_cast<float>(u1),
          static_cast<float>(v1), colour);
}

/// Where the view runs: [low, high] in u and v.
struct Window {
    double low[2];
    double high[2];
};

/// Draws what a plane across `axis` at `at` cuts from a solid (or, with `project`, the solid
/// seen along the axis), clipped to the window where the solid is endless.
void outline(platform::Canvas& c, const Solid& s, int axis, double at, bool project,
             const Window& w, platform::Rgb colour) {
    std::size_t u = 0;
    std::size_t v = 0;
    across(axis, u, v);
    const auto a = static_cast<std::size_t>(axis);
    const auto clipU = [&](double x) { return std::clamp(x, w.low[0], w.high[0]); };
    const auto clipV = [&](double x) { return std::clamp(x, w.low[1], w.high[1]); };
    switch (s.kind) {
    case Solid::Kind::Box:
        if (project || (s.low[a] <= at && at <= s.high[a])) {
            rectangle(c, clipU(s.low[u]), clipV(s.low[v]), clipU(s.high[u]), clipV(s.high[v]),
                      colour);
        }
        return;
    case Solid::Kind::Sphere: {
        const double d = project ? 0.0 : at - s.center[a];
        for (const double r : {s.radius, s.innerRadius}) {
            if (r > std::abs(d)) {
                circle(c, s.center[u], s.center[v], std::sqrt(r * r - d * d), colour);
            }
        }
        return;
    }
    case Solid::Kind::Cylinder:
        break;
    }
    if (s.axis == axis) {
        if (project || (s.AxialLow() <= at && at <= s.AxialHigh())) {
            for (const double r : {s.radius, s.innerRadius}) {
                if (r > 0.0) {
                    circle(c, s.center[u], s.center[v], r, colour);
                }
            }
        }
        return;
    }
    // The plane runs along the axis: the cut is a band (two for a hollow cylinder's wall).
    const auto along = static_cast<std::size_t>(s.axis);
    const std::size_t side = along == u ? v : u;
    const double d = project ? 0.0 : at - s.center[a];
    for (const double r : {s.radius, s.innerRadius}) {
        if (!(r > std::abs(d))) {
            continue;
        }
        const double half = std::sqrt(r * r - d * d);
        double lo[3] = {0.0, 0.0, 0.0};
        double hi[3] = {0.0, 0.0, 0.0};
        lo[along] = s.AxialLow();
        hi[along] = s.AxialHigh();
        lo[side] = s.center[side] - half;
        hi[side] = s.center[side] + half;
        rectangle(c, clipU(lo[u]), clipV(lo[v]), clipU(hi[u]), clipV(hi[v]), colour);
    }
}

/// The corner label of a view: the axes' names and the window.
void axisLabels(platform::Canvas& c, int axis, const Window& w, double margin) {
    std::size_t u = 0;
    std::size_t v = 0;
    across(axis, u, v);
    const char* names = "xyz";
    c.SetForeColor(kBlack);
    c.SetCurrentX(static_cast<float>(w.low[0]));
    c.SetCurrentY(static_cast<float>(w.low[1] - 0.25 * margin));
    c.Print(std::string(1, names[u]) + " " + shortText(w.low[0]) + " to " + shortText(w.high[0]) +
                " cm, " + names[v] + " " + shortText(w.low[1]) + " to " + shortText(w.high[1]) +
                " cm",
            false);
}

/// Sets a scale that shows the window whole, undistorted, with a margin, on a canvas of the
/// aspect given; the extra width goes to the right (where a legend may stand).
double fit(platform::Canvas& c, const Window& w, double aspect, double legend) {
    const double width = (w.high[0] - w.low[0]) * (1.0 + legend);
    const double height = w.high[1] - w.low[1];
    const double margin = 0.12 * std::max(width, height);
    double fullWidth = width + 2.0 * margin;
    double fullHeight = height + 2.0 * margin;
    if (fullWidth / fullHeight < aspect) {
        fullWidth = fullHeight * aspect;
    } else {
        fullHeight = fullWidth / aspect;
    }
    const double left = w.low[0] - 0.5 * (fullWidth - width);
    const double top = w.low[1] + height + 0.5 * (fullHeight - height);
    c.SetScale(static_cast<float>(left), static_cast<float>(top), static_cast<float>(fullWidth),
               static_cast<float>(-fullHeight));
    return margin;
}

} // namespace

void DrawModelView(platform::Canvas& c, double aspect, const Model& model,
                   const std::vector<Vec3>& detectors, int axis) {
    std::size_t u = 0;
    std::size_t v = 0;
    across(axis, u, v);
    // The window: every finite extent of the bodies and every detector.
    Window w{{kInfinity, kInfinity}, {-kInfinity, -kInfinity}};
    const auto take = [&](double x, std::size_t k) {
        if (std::isfinite(x)) {
            w.low[k] = std::min(w.low[k], x);
            w.high[k] = std::max(w.high[k], x);
        }
    };
    const auto takeSolid = [&](const Solid& s) {
        Vec3 low{};
        Vec3 high{};
        s.Bounds(low, high);
        take(low[u], 0);
        take(high[u], 0);
        take(low[v], 1);
        take(high[v], 1);
    };
    const SourceBody& source = model.source;
    if (source.HasVolume()) {
        takeSolid(source.solid);
    } else {
        take(source.start[u] - source.radius, 0);
        take(source.start[u] + source.radius, 0);
        take(source.start[v] - source.radius, 1);
        take(source.start[v] + source.radius, 1);
        if (source.shape == SourceShape::Line) {
            take(source.end[u], 0);
            take(source.end[v], 1);
        }
    }
    for (const Shield& shield : model.shields) {
        takeSolid(shield.solid);
    }
    for (const Vec3& p : detectors) {
        take(p[u], 0);
        take(p[v], 1);
    }
    for (std::size_t k = 0; k < 2; ++k) {
        if (!(w.high[k] > w.low[k])) {
            const double middle = std::isfinite(w.low[k]) ? w.low[k] : 0.0;
            w.low[k] = middle - 1.0;
            w.high[k] = middle + 1.0;
        }
    }
    c.SetBackColor(kWhite);
    c.Clear();
    c.SetLineWidth(1);
    c.SetFontSize(8.0f);
    const double margin = fit(c, w, aspect, 0.0);
    for (const Shield& shield : model.shields) {
        outline(c, shield.solid, axis, 0.0, true, w, kShield);
    }
    if (source.HasVolume()) {
        outline(c, source.solid, axis, 0.0, true, w, kSource);
    } else if (source.shape == SourceShape::Line) {
        c.Line(static_cast<float>(source.start[u]), static_cast<float>(source.start[v]),
               static_cast<float>(source.end[u]), static_cast<float>(source.end[v]), kSource);
    } else if (source.shape == SourceShape::Disk) {
        Solid disk;
        disk.kind = Solid::Kind::Cylinder;
        disk.axis = source.axis;
        disk.center = source.start;
        disk.radius = source.radius;
        disk.length = 0.0;
        outline(c, disk, axis, 0.0, true, w, kSource);
    } else {
        c.Circle(static_cast<float>(source.start[u]), static_cast<float>(source.start[v]),
                 static_cast<float>(0.01 * (w.high[0] - w.low[0])), kSource);
    }
    const double tick = 0.012 * std::max(w.high[0] - w.low[0], w.high[1] - w.low[1]);
    for (const Vec3& p : detectors) {
        c.Line(static_cast<float>(p[u] - tick), static_cast<float>(p[v]),
               static_cast<float>(p[u] + tick), static_cast<float>(p[v]), kDetector);
        c.Line(static_cast<float>(p[u]), static_cast<float>(p[v] - tick), static_cast<float>(p[u]),
               static_cast<float>(p[v] + tick), kDetector);
    }
    axisLabels(c, axis, w, margin);
}

void DrawDoseMap(platform::Canvas& c, double aspect, const Model& model, const MapSpec& map,
                 const std::vector<DetectorResult>& results) {
    Window w{{std::min(map.from[0], map.to[0]), std::min(map.from[1], map.to[1])},
             {std::max(map.from[0], map.to[0]), std::max(map.from[1], map.to[1])}};
    const std::size_t nu = map.steps[0];
    const std::size_t nv = map.steps[1];
    // Each point stands for the cell around it.
    const double du = nu > 1 ? (map.to[0] - map.from[0]) / static_cast<double>(nu - 1) : 1.0;
    const double dv = nv > 1 ? (map.to[1] - map.from[1]) / static_cast<double>(nv - 1) : 1.0;
    for (std::size_t k = 0; k < 2; ++k) {
        const double half = 0.5 * std::abs(k == 0 ? du : dv);
        w.low[k] -= half;
        w.high[k] += half;
    }
    c.SetBackColor(kWhite);
    c.Clear();
    c.SetLineWidth(1);
    c.SetFontSize(8.0f);
    constexpr double kLegend = 0.25;
    const double margin = fit(c, w, aspect, kLegend);

    // The scale: whole decades from the highest rate down, six at most.
    double highest = 0.0;
    double lowest = kInfinity;
    const auto valueAt = [&](std::size_t i, std::size_t j) -> double {
        const std::size_t k = j * nu + i;
        if (k >= results.size() || !results[k].computed ||
            results[k].outcome != shielding::Outcome::Ok || !(results[k].total > 0.0)) {
            return std::nan("");
        }
        return std::log10(results[k].total);
    };
    for (const DetectorResult& r : results) {
        if (r.computed && r.outcome == shielding::Outcome::Ok && r.total > 0.0) {
            highest = std::max(highest, r.total);
            lowest = std::min(lowest, r.total);
        }
    }
    const double top = highest > 0.0 ? std::ceil(std::log10(highest)) : 0.0;
    const double bottom =
        highest > 0.0 ? std::max(top - 6.0, std::floor(std::log10(lowest))) : top - 1.0;
    const double span = std::max(1.0, top - bottom);
    for (std::size_t j = 0; j < nv; ++j) {
        for (std::size_t i = 0; i < nu; ++i) {
            const double value = valueAt(i, j);
            const double cu = map.from[0] + du * static_cast<double>(i);
            const double cv = map.from[1] + dv * static_cast<double>(j);
            const platform::Rgb colour =
                std::isnan(value) ? kGrey : scaleColour((value - bottom) / span);
            c.FilledBox(static_cast<float>(cu - 0.5 * du), static_cast<float>(cv - 0.5 * dv),
                        static_cast<float>(cu + 0.5 * du), static_cast<float>(cv + 0.5 * dv),
                        colour);
        }
    }
    // Isodose lines at each decade: marching squares over the cells between four points.
    for (double level = bottom + 1.0; level < top; level += 1.0) {
        for (std::size_t j = 0; j + 1 < nv; ++j) {
            for (std::size_t i = 0; i + 1 < nu; ++i) {
                const double f[4] = {valueAt(i, j), valueAt(i + 1, j), valueAt(i + 1, j + 1),
                                     valueAt(i, j + 1)};
                if (std::isnan(f[0]) || std::isnan(f[1]) || std::isnan(f[2]) || std::isnan(f[3])) {
                    continue;
                }
                const double pu[4] = {0, 1, 1, 0};
                const double pv[4] = {0, 0, 1, 1};
                double cross[4][2];
                int n = 0;
                for (int e = 0; e < 4; ++e) {
                    const double a = f[e] - level;
                    const double b = f[(e + 1) % 4] - level;
                    if ((a < 0.0) != (b < 0.0)) {
                        const double t = a / (a - b);
                        cross[n][0] = map.from[0] + du * (static_cast<double>(i) + pu[e] +
                                                          t * (pu[(e + 1) % 4] - pu[e]));
                        cross[n][1] = map.from[1] + dv * (static_cast<double>(j) + pv[e] +
                                                          t * (pv[(e + 1) % 4] - pv[e]));
                        ++n;
                    }
                }
                for (int k = 0; k + 1 < n; k += 2) {
                    c.Line(static_cast<float>(cross[k][0]), static_cast<float>(cross[k][1]),
                           static_cast<float>(cross[k + 1][0]), static_cast<float>(cross[k + 1][1]),
                           kWhite);
                }
            }
        }
    }
    // The bodies the plane cuts.
    for (const Shield& shield : model.shields) {
        outline(c, shield.solid, map.plane, map.at, false, w, kBlack);
    }
    if (model.source.HasVolume()) {
        outline(c, model.source.solid, map.plane, map.at, false, w, kSource);
    }
    // The legend: one box per decade, its rate beside it.
    const double width = w.high[0] - w.low[0];
    const double left = w.high[0] + 0.08 * width;
    const double boxWidth = 0.06 * width;
    const double height = w.high[1] - w.low[1];
    const double step = height / span;
    for (int k = 0; k < static_cast<int>(span); ++k) {
        const double v0 = w.low[1] + step * k;
        c.FilledBox(static_cast<float>(left), static_cast<float>(v0),
                    static_cast<float>(left + boxWidth), static_cast<float>(v0 + step),
                    scaleColour((k + 0.5) / span));
    }
    c.SetForeColor(kBlack);
    for (int k = 0; k <= static_cast<int>(span); ++k) {
        c.SetCurrentX(static_cast<float>(left + boxWidth * 1.2));
        c.SetCurrentY(static_cast<float>(w.low[1] + step * k + 0.03 * height));
        c.Print("1E" + shortText(bottom + k), false);
    }
    c.SetCurrentX(static_cast<float>(left));
    c.SetCurrentY(static_cast<float>(w.high[1] + 0.1 * margin + 0.06 * height));
    c.Print("uGy/h", false);
    axisLabels(c, map.plane, w, margin);
}

} // namespace geometry
