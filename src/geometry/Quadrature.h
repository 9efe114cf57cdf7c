#pragma once

#include <array>
#include <cstddef>
#include <vector>

namespace geometry {

/// A function of one to three coordinates whose values are several numbers; the first of them
/// is the one whose accuracy the integration controls (it must not be negative).
class Integrand {
  public:
    virtual ~Integrand() = default;
    /// Adds `weight` times the values at `u` to `sum` (Size() numbers); false stops the
    /// integration (a value that cannot be had).
    virtual bool Add(const std::array<double, 3>& u, double weight, double* sum) = 0;
    virtual std::size_t Size() const = 0;
    /// True for a cell near which the integrand is too steep for the rules to judge (it holds
    /// the point where the integrand peaks, and is larger than that peak is narrow): such a
    /// cell is charged its whole value as its error, so that it is halved until it is not.
    virtual bool Steep(const std::array<double, 3>& /*low*/,
                       const std::array<double, 3>& /*high*/) const {
        return false;
    }
};

/// A box of coordinates, with where its first cuts go: each dimension is cut at the given
/// points first (the places where the integrand peaks or bends), then refined where needed.
struct Domain {
    std::size_t dimensions = 1;
    std::array<double, 3> low{};
    std::array<double, 3> high{};
    std::array<std::vector<double>, 3> cuts;
};

struct Integral {
    std::vector<double> values;
    double error = 0.0;     ///< estimated absolute error of values[0]
    std::size_t points = 0; ///< how many times the integrand was evaluated
    bool reached = true;    ///< false when the limit of points came first
    bool failed = false;    ///< the integrand stopped it
};

/// Adaptive Gauss-Legendre cubature: every cell is integrated by the tensor rules of `order` and
/// `order` + 1 points per dimension, and charged their difference as its error (which overstates
/// the error of the higher rule's value it keeps). The cells charged most are halved across the
/// dimension along which the integrand varies most, until the errors add up to no more than
/// `relative` times the integral (or `maxPoints` evaluations). The error reported is that sum.
void Integrate(Integrand& f, const Domain& domain, double relative, std::size_t maxPoints,
               int order, Integral& result);

/// The nodes (ascending) and weights of the n-point Gauss-Legendre rule on [-1, 1].
void GaussLegendre(int n, std::vector<double>& nodes, std::vector<double>& weights);

} // namespace geometry
