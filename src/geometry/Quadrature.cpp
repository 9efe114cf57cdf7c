#include "geometry/Quadrature.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace geometry {

namespace {

/// A cell of the domain: its integral by the higher rule, the difference the lower rule makes
/// (the error it is charged), and the dimension to halve it across.
struct Cell {
    std::array<double, 3> low{};
    std::array<double, 3> high{};
    std::vector<double> values;
    double error = 0.0;
    std::size_t cut = 0;
};

/// One tensor-product Gauss-Legendre rule of `order` points per dimension.
struct TensorRule {
    int order = 0;
    std::vector<double> nodes;
    std::vector<double> weights;
};

class Rule {
  public:
    Rule(std::size_t dimensions, int order) : m_dimensions(dimensions) {
        m_high.order = order + 1;
        m_low.order = order;
        GaussLegendre(m_high.order, m_high.nodes, m_high.weights);
        GaussLegendre(m_low.order, m_low.nodes, m_low.weights);
    }

    /// The cell's integral by both rules, its error and the dimension along which the first
    /// value varies most; false when the integrand stopped.
    bool Apply(Integrand& f, Cell& cell, std::size_t& points) {
        cell.values.assign(f.Size(), 0.0);
        m_lowValues.assign(f.Size(), 0.0);
        std::array<std::vector<double>, 3> slices;
        if (!apply(f, m_high, cell, cell.values, &slices, points) ||
            !apply(f, m_low, cell, m_lowValues, nullptr, points)) {
            return false;
        }
        cell.error = std::abs(cell.values[0] - m_lowValues[0]);
        if (f.Steep(cell.low, cell.high)) {
            cell.error = std::max(cell.error, std::abs(cell.values[0]));
        }
        double most = -1.0;
        for (std::size_t d = 0; d < m_dimensions; ++d) {
            double variation = 0.0;
            for (std::size_t i = 1; i < slices[d].size(); ++i) {
                variation += std::abs(slices[d][i] - slices[d][i - 1]);
            }
            // Near-equal variations (a symmetric integrand) go to the lower dimension, whatever
            // the last bits say.
            if (variation > most * (1.0 + 1e-9)) {
                most = variation;
                cell.cut = d;
            }
        }
        return true;
    }

  private:
    /// One rule over the cell into `sum`; with `slices`, the first value's integral over each
    /// slice across each dimension, to see along which it changes most.
    bool apply(Integrand& f, const TensorRule& rule, const Cell& cell, std::vector<double>& sum,
               std::array<std::vector<double>, 3>* slices, std::size_t& points) {
        const auto n = static_cast<std::size_t>(rule.order);
        std::array<double, 3> half{};
        std::array<double, 3> middle{};
        double volume = 1.0;
        for (std::size_t d = 0; d < m_dimensions; ++d) {
            half[d] = 0.5 * (cell.high[d] - cell.low[d]);
            middle[d] = 0.5 * (cell.high[d] + cell.low[d]);
            volume *= half[d];
            if (slices != nullptr) {
                (*slices)[d].assign(n, 0.0);
            }
        }
        std::size_t total = 1;
        for (std::size_t d = 0; d < m_dimensions; ++d) {
            total *= n;
        }
        std::array<std::size_t, 3> index{};
        std::array<double, 3> u{};
        for (std::size_t k = 0; k < total; ++k) {
            std::size_t rest = k;
            double weight = volume;
            for (std::size_t d = 0; d < m_dimensions; ++d) {
                index[d] = rest % n;
                rest /= n;
                u[d] = middle[d] + half[d] * rule.nodes[index[d]];
                weight *= rule.weights[index[d]];
            }
            const double before = sum[0];
            if (!f.Add(u, weight, sum.data())) {
                return false;
            }
            if (slices != nullptr) {
                const double added = sum[0] - before;
                for (std::size_t d = 0; d < m_dimensions; ++d) {
                    (*slices)[d][index[d]] += added / rule.weights[index[d]];
                }
            }
        }
        points += total;
        return true;
    }

    std::size_t m_dimensions;
    TensorRule m_high;
    TensorRule m_low;
    std::vector<double> m_lowValues;
};

} // namespace

void GaussLegendre(int n, std::vector<double>& nodes, std::vector<double>& weights) {
    nodes.assign(static_cast<std::size_t>(n), 0.0);
    weights.assign(static_cast<std::size_t>(n), 0.0);
    // Newton's method on the Legendre polynomial from the usual first guesses.
    for (int i = 0; i < n; ++i) {
        double x = -std::cos(std::numbers::pi * (i + 0.75) / (n + 0.5));
        double derivative = 1.0;
        for (int iteration = 0; iteration < 100; ++iteration) {
            double p0 = 1.0;
            double p1 = x;
            for (int k = 2; k <= n; ++k) {
                const double p2 = ((2.0 * k - 1.0) * x * p1 - (k - 1.0) * p0) / k;
                p0 = p1;
                p1 = p2;
            }
            derivative = n * (x * p1 - p0) / (x * x - 1.0);
            const double step = p1 / derivative;
            x -= step;
            if (std::abs(step) < 1e-16) {
                break;
            }
        }
        nodes[static_cast<std::size_t>(i)] = x;
        weights[static_cast<std::size_t>(i)] = 2.0 / ((1.0 - x * x) * derivative * derivative);
    }
}

void Integrate(Integrand& f, const Domain& domain, double relative, std::size_t maxPoints,
               int order, Integral& result) {
    result = Integral{};
    result.values.assign(f.Size(), 0.0);
    Rule rule(domain.dimensions, order);
    // The first cells: the domain cut at the given points of each dimension.
    std::vector<Cell> cells(1);
    for (std::size_t d = 0; d < 3; ++d) {
        cells.front().low[d] = domain.low[d];
        cells.front().high[d] = domain.high[d];
    }
    for (std::size_t d = 0; d < domain.dimensions; ++d) {
        std::vector<double> cuts;
        for (const double cut : domain.cuts[d]) {
            if (cut > domain.low[d] && cut < domain.high[d]) {
                cuts.push_back(cut);
            }
        }
        std::sort(cuts.begin(), cuts.end());
        cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
        std::vector<Cell> next;
        for (const Cell& cell : cells) {
            double from = domain.low[d];
            for (std::size_t i = 0; i <= cuts.size(); ++i) {
                Cell part = cell;
                part.low[d] = from;
                part.high[d] = i < cuts.size() ? cuts[i] : domain.high[d];
                from = part.high[d];
                next.push_back(part);
            }
        }
        cells = std::move(next);
    }
    for (Cell& cell : cells) {
        if (!rule.Apply(f, cell, result.points)) {
            result.failed = true;
            return;
        }
    }
    // Refinement goes in rounds: every cell charged at least a quarter of the largest error is
    // halved. Decisions that hang on a comparison of nearly equal numbers would let the last bit
    // of a C library's exp decide which cells are halved; rounds keep them few, and cells stay
    // in an order of their own, so the sums are made in the same order everywhere.
    std::vector<Cell> next;
    for (;;) {
        double error = 0.0;
        double total = 0.0;
        double largest = 0.0;
        for (const Cell& cell : cells) {
            error += cell.error;
            total += cell.values[0];
            largest = std::max(largest, cell.error);
        }
        if (!(error > relative * std::abs(total))) {
            break;
        }
        if (result.points >= maxPoints) {
            result.reached = false;
            break;
        }
        next.clear();
        next.reserve(cells.size() * 2);
        for (Cell& cell : cells) {
            if (!(cell.error >= 0.25 * largest)) {
                next.push_back(std::move(cell));
                continue;
            }
            const std::size_t d = cell.cut;
            const double middle = 0.5 * (cell.low[d] + cell.high[d]);
            Cell halves[2];
            halves[0].low = halves[1].low = cell.low;
            halves[0].high = halves[1].high = cell.high;
            halves[0].high[d] = middle;
            halves[1].low[d] = middle;
            for (Cell& half : halves) {
                if (!rule.Apply(f, half, result.points)) {
                    result.failed = true;
                    return;
                }
                next.push_back(std::move(half));
            }
        }
        cells.swap(next);
    }
    for (const Cell& cell : cells) {
        result.error += cell.error;
        for (std::size_t i = 0; i < result.values.size(); ++i) {
            result.values[i] += cell.values[i];
        }
    }
}

} // namespace geometry
