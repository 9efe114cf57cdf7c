#pragma once

#include <array>
#include <cstddef>
#include <limits>

namespace geometry {

/// A point or a direction, cm; index 0, 1, 2 for x, y, z.
using Vec3 = std::array<double, 3>;

inline constexpr double kInfinity = std::numeric_limits<double>::infinity();

/// Where a ray runs inside a body: from `enter` to `leave`, cm along the ray.
struct Interval {
    double enter = 0.0;
    double leave = 0.0;
};

/// One body that occupies space, every face parallel or perpendicular to the axes: a box (a slab
/// is a box infinite across), a sphere, or a cylinder along an axis, the last two hollow where
/// `innerRadius` is above 0. Coordinates in cm.
struct Solid {
    enum class Kind { Box, Sphere, Cylinder };
    Kind kind = Kind::Box;
    Vec3 low{};    ///< a box's lowest corner (-infinity across a slab)
    Vec3 high{};   ///< a box's highest corner
    Vec3 center{}; ///< a sphere's centre; a cylinder's centre of its lower face
    int axis = 2;  ///< a cylinder's axis
    double radius = 0.0;
    double innerRadius = 0.0;  ///< 0 for a solid sphere or cylinder
    double length = kInfinity; ///< a cylinder's length; infinite along its whole axis
    double AxialLow() const;   ///< a cylinder's lowest axial coordinate
    double AxialHigh() const;  ///< and its highest
    double Volume() const;     ///< cm3; infinite for a slab or an endless cylinder
    void Bounds(Vec3& lowest, Vec3& highest) const; ///< infinite where the body is
};

/// The parts of the ray origin + t dir, 0 <= t <= tEnd, that lie inside `solid` (dir of unit
/// length): none, one or, for a hollow body, two intervals, in order. Returns how many.
std::size_t Cross(const Solid& solid, const Vec3& origin, const Vec3& dir, double tEnd,
                  Interval out[2]);

/// How deep a point lies inside: above 0 inside, 0 on the surface, below 0 outside (the depth
/// is the distance to the nearest face inside; outside only its sign is meaningful).
double Depth(const Solid& solid, const Vec3& p);

/// True when the two bodies share a part of positive volume; bodies that only touch do not.
/// `tolerance` (cm) is how deep a shared part must be to count.
bool Overlap(const Solid& a, const Solid& b, double tolerance);

} // namespace geometry
