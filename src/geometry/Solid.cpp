#include "geometry/Solid.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace geometry {

namespace {

/// The two coordinates across a cylinder's axis.
void across(int axis, std::size_t& u, std::size_t& v) {
    u = axis == 0 ? 1 : 0;
    v = axis == 2 ? 1 : 2;
}

/// t where the ray lies between two planes of one axis; false when it never does.
bool betweenPlanes(double origin, double dir, double low, double high, double& enter,
                   double& leave) {
    if (dir == 0.0) {
        return origin >= low && origin <= high;
    }
    double t0 = (low - origin) / dir;
    double t1 = (high - origin) / dir;
    if (t0 > t1) {
        std::swap(t0, t1);
    }
    enter = std::max(enter, t0);
    leave = std::min(leave, t1);
    return enter <= leave;
}

/// t where the ray lies inside a ball; measured from the point of closest approach, which keeps
/// the digits of a small ball seen from far away.
bool insideBall(const Vec3& origin, const Vec3& dir, const Vec3& center, double radius,
                double& enter, double& leave) {
    Vec3 oc{};
    double along = 0.0;
    for (std::size_t i = 0; i < 3; ++i) {
        oc[i] = origin[i] - center[i];
        along -= oc[i] * dir[i];
    }
    double miss = 0.0;
    for (std::size_t i = 0; i < 3; ++i) {
        const double q = oc[i] + along * dir[i];
        miss += q * q;
    }
    const double half2 = radius * radius - miss;
    if (!(half2 > 0.0)) {
        return false;
    }
    const double half = std::sqrt(half2);
    enter = along - half;
    leave = along + half;
    return true;
}

/// t where the ray lies inside an endless cylinder (axis `axis` through `center`).
bool insideTube(const Vec3& origin, const Vec3& dir, const Vec3& center, int axis, double radius,
                double& enter, double& leave) {
    std::size_t u = 0;
    std::size_t v = 0;
    across(axis, u, v);
    const double ou = origin[u] - center[u];
    const double ov = origin[v] - center[v];
    const double du = dir[u];
    const double dv = dir[v];
    const double dd = du * du + dv * dv;
    if (dd == 0.0) {
        if (ou * ou + ov * ov < radius * radius) {
            enter = -kInfinity;
            leave = kInfinity;
            return true;
        }
        return false;
    }
    const double along = -(ou * du + ov * dv) / dd;
    const double qu = ou + along * du;
    const double qv = ov + along * dv;
    const double half2 = (radius * radius - (qu * qu + qv * qv)) / dd;
    if (!(half2 > 0.0)) {
        return false;
    }
    const double half = std::sqrt(half2);
    enter = along - half;
    leave = along + half;
    return true;
}

/// The outer interval less the inner one, clipped to [0, tEnd].
std::size_t subtract(double enter, double leave, bool hollow, double innerEnter, double innerLeave,
                     double tEnd, Interval out[2]) {
    enter = std::max(enter, 0.0);
    leave = std::min(leave, tEnd);
    if (!(enter < leave)) {
        return 0;
    }
    std::size_t n = 0;
    if (!hollow || !(innerEnter < innerLeave)) {
        out[n++] = {enter, leave};
        return n;
    }
    if (innerEnter > enter) {
        out[n++] = {enter, std::min(innerEnter, leave)};
    }
    if (innerLeave < leave) {
        out[n++] = {std::max(innerLeave, enter), leave};
    }
    return n;
}

} // namespace

double Solid::AxialLow() const {
    return std::isinf(length) ? -kInfinity : center[static_cast<std::size_t>(axis)];
}

double Solid::AxialHigh() const {
    return std::isinf(length) ? kInfinity : center[static_cast<std::size_t>(axis)] + length;
}

double Solid::Volume() const {
    switch (kind) {
    case Kind::Box:
        return (high[0] - low[0]) * (high[1] - low[1]) * (high[2] - low[2]);
    case Kind::Sphere:
        return 4.0 / 3.0 * std::numbers::pi *
               (radius * radius * radius - innerRadius * innerRadius * innerRadius);
    case Kind::Cylinder:
        break;
    }
    return std::numbers::pi * (radius * radius - innerRadius * innerRadius) * length;
}

void Solid::Bounds(Vec3& lowest, Vec3& highest) const {
    switch (kind) {
    case Kind::Box:
        lowest = low;
        highest = high;
        return;
    case Kind::Sphere:
        for (std::size_t i = 0; i < 3; ++i) {
            lowest[i] = center[i] - radius;
            highest[i] = center[i] + radius;
        }
        return;
    case Kind::Cylinder:
        break;
    }
    for (std::size_t i = 0; i < 3; ++i) {
        lowest[i] = center[i] - radius;
        highest[i] = center[i] + radius;
    }
    lowest[static_cast<std::size_t>(axis)] = AxialLow();
    highest[static_cast<std::size_t>(axis)] = AxialHigh();
}

std::size_t Cross(const Solid& solid, const Vec3& origin, const Vec3& dir, double tEnd,
                  Interval out[2]) {
    double enter = -kInfinity;
    double leave = kInfinity;
    switch (solid.kind) {
    case Solid::Kind::Box:
        for (std::size_t i = 0; i < 3; ++i) {
            if (!betweenPlanes(origin[i], dir[i], solid.low[i], solid.high[i], enter, leave)) {
                return 0;
            }
        }
        return subtract(enter, leave, false, 0.0, 0.0, tEnd, out);
    case Solid::Kind::Sphere: {
        if (!insideBall(origin, dir, solid.center, solid.radius, enter, leave)) {
            return 0;
        }
        double innerEnter = 0.0;
        double innerLeave = 0.0;
        const bool hollow =
            solid.innerRadius > 0.0 &&
            insideBall(origin, dir, solid.center, solid.innerRadius, innerEnter, innerLeave);
        return subtract(enter, leave, hollow, innerEnter, innerLeave, tEnd, out);
    }
    case Solid::Kind::Cylinder:
        break;
    }
    const auto axis = static_cast<std::size_t>(solid.axis);
    double axialEnter = -kInfinity;
    double axialLeave = kInfinity;
    if (!betweenPlanes(origin[axis], dir[axis], solid.AxialLow(), solid.AxialHigh(), axialEnter,
                       axialLeave) ||
        !insideTube(origin, dir, solid.center, solid.axis, solid.radius, enter, leave)) {
        return 0;
    }
    double innerEnter = 0.0;
    double innerLeave = 0.0;
    const bool hollow =
        solid.innerRadius > 0.0 && insideTube(origin, dir, solid.center, solid.axis,
                                              solid.innerRadius, innerEnter, innerLeave);
    enter = std::max(enter, axialEnter);
    leave = std::min(leave, axialLeave);
    return subtract(enter, leave, hollow, std::max(innerEnter, axialEnter),
                    std::min(innerLeave, axialLeave), tEnd, out);
}

double Depth(const Solid& solid, const Vec3& p) {
    switch (solid.kind) {
    case Solid::Kind::Box: {
        double depth = kInfinity;
        for (std::size_t i = 0; i < 3; ++i) {
            depth = std::min({depth, p[i] - solid.low[i], solid.high[i] - p[i]});
        }
        return depth;
    }
    case Solid::Kind::Sphere: {
        const double r =
            std::hypot(p[0] - solid.center[0], p[1] - solid.center[1], p[2] - solid.center[2]);
        return solid.innerRadius > 0.0 ? std::min(solid.radius - r, r - solid.innerRadius)
                                       : solid.radius - r;
    }
    case Solid::Kind::Cylinder:
        break;
    }
    std::size_t u = 0;
    std::size_t v = 0;
    across(solid.axis, u, v);
    const auto axis = static_cast<std::size_t>(solid.axis);
    const double r = std::hypot(p[u] - solid.center[u], p[v] - solid.center[v]);
    double depth =
        std::min({solid.radius - r, p[axis] - solid.AxialLow(), solid.AxialHigh() - p[axis]});
    if (solid.innerRadius > 0.0) {
        depth = std::min(depth, r - solid.innerRadius);
    }
    return depth;
}

bool Overlap(const Solid& a, const Solid& b, double tolerance) {
    // Rays along each axis on a fine grid over the box both bodies' bounds share: every part of
    // positive volume the two share is met by some of them (unless thinner than the grid), and a
    // shared stretch counts only where its middle lies inside both, so faces that touch do not.
    Vec3 aLow{};
    Vec3 aHigh{};
    Vec3 bLow{};
    Vec3 bHigh{};
    a.Bounds(aLow, aHigh);
    b.Bounds(bLow, bHigh);
    Vec3 low{};
    Vec3 high{};
    double span = 0.0;
    for (std::size_t i = 0; i < 3; ++i) {
        low[i] = std::max(aLow[i], bLow[i]);
        high[i] = std::min(aHigh[i], bHigh[i]);
        if (!(high[i] - low[i] > tolerance)) {
            return false;
        }
        if (std::isfinite(high[i] - low[i])) {
            span = std::max(span, high[i] - low[i]);
        }
    }
    // Two bodies endless along one axis share that whole axis: any stretch of it will do.
    for (std::size_t i = 0; i < 3; ++i) {
        if (std::isinf(low[i]) || std::isinf(high[i])) {
            const double middle = std::isfinite(low[i])    ? low[i] + span
                                  : std::isfinite(high[i]) ? high[i] - span
                                                           : 0.0;
            low[i] = middle - span;
            high[i] = middle + span;
        }
    }
    constexpr int kGrid = 48;
    Interval inA[2];
    Interval inB[2];
    for (std::size_t along = 0; along < 3; ++along) {
        const std::size_t u = along == 0 ? 1 : 0;
        const std::size_t v = along == 2 ? 1 : 2;
        Vec3 dir{};
        dir[along] = 1.0;
        const double length = high[along] - low[along];
        for (int i = 0; i < kGrid; ++i) {
            for (int j = 0; j < kGrid; ++j) {
                Vec3 origin{};
                origin[along] = low[along];
                origin[u] = low[u] + (high[u] - low[u]) * (i + 0.5) / kGrid;
                origin[v] = low[v] + (high[v] - low[v]) * (j + 0.5) / kGrid;
                const std::size_t na = Cross(a, origin, dir, length, inA);
                const std::size_t nb = na == 0 ? 0 : Cross(b, origin, dir, length, inB);
                for (std::size_t m = 0; m < na; ++m) {
                    for (std::size_t n = 0; n < nb; ++n) {
                        const double enter = std::max(inA[m].enter, inB[n].enter);
                        const double leave = std::min(inA[m].leave, inB[n].leave);
                        if (!(leave - enter > tolerance)) {
                            continue;
                        }
                        Vec3 middle = origin;
                        middle[along] += 0.5 * (enter + leave);
                        if (Depth(a, middle) > tolerance && Depth(b, middle) > tolerance) {
                            return true;
                        }
                    }
                }
            }
        }
    }
    return false;
}

} // namespace geometry
