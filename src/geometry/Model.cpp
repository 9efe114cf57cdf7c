#include "geometry/Model.h"

#include "geometry/Quadrature.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace geometry {

namespace {

constexpr double kPi = std::numbers::pi;

/// The integrand's evaluations a detector may take before its refinement stops short.
constexpr std::size_t kMostPoints = 40'000'000;

Vec3 minus(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }

double dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

double norm(const Vec3& a) { return std::hypot(a[0], a[1], a[2]); }

Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

Vec3 unit(int axis) {
    Vec3 e{};
    e[static_cast<std::size_t>(axis)] = 1.0;
    return e;
}

/// Two unit vectors across `normal` (unit), the first toward `toward`'s part across it, or
/// along the lowest other axis when that part is nil.
void frameAcross(const Vec3& normal, const Vec3& toward, Vec3& e1, Vec3& e2) {
    const double along = dot(toward, normal);
    Vec3 across{toward[0] - along * normal[0], toward[1] - along * normal[1],
                toward[2] - along * normal[2]};
    double length = norm(across);
    if (!(length > 1e-12 * (norm(toward) + 1e-300))) {
        std::size_t k = 0;
        while (k < 2 && std::abs(normal[k]) > 0.5) {
            ++k;
        }
        across = Vec3{};
        across[k] = 1.0;
        const double a = dot(across, normal);
        for (std::size_t i = 0; i < 3; ++i) {
            across[i] -= a * normal[i];
        }
        length = norm(across);
    }
    for (std::size_t i = 0; i < 3; ++i) {
        e1[i] = across[i] / length;
    }
    e2 = cross(normal, e1);
}

/// The kernel at one detector as a function of the source's natural coordinates: per line
/// its uncollided rate and its rate, the total rate first.
class Kernel : public Integrand {
  public:
    Kernel(const Model& model, const Vec3& detector)
        : m_model(model), m_detector(detector), m_lines(model.lines.size()),
          m_notes(model.lines.size()) {
        const SourceBody& source = model.source;
        m_density = 1.0 / source.Measure();
        const Vec3 toDetector = minus(detector, source.start);
        switch (source.shape) {
        case SourceShape::Point:
        case SourceShape::Box:
            break;
        case SourceShape::Line: {
            m_e1 = minus(source.end, source.start);
            const double length = norm(m_e1);
            for (double& x : m_e1) {
                x /= length;
            }
            break;
        }
        case SourceShape::Disk:
            m_axis = unit(source.axis);
            frameAcross(m_axis, toDetector, m_e1, m_e2);
            break;
        case SourceShape::Sphere: {
            // The polar axis points at the detector, where the kernel peaks.
            const Vec3 fromCentre = minus(detector, source.solid.center);
            const double r = norm(fromCentre);
            m_axis =
                r > 0.0 ? Vec3{fromCentre[0] / r, fromCentre[1] / r, fromCentre[2] / r} : unit(2);
            frameAcross(m_axis, unit(m_axis[2] * m_axis[2] > 0.5 ? 0 : 2), m_e1, m_e2);
            break;
        }
        case SourceShape::Cylinder:
            m_axis = unit(source.solid.axis);
            frameAcross(m_axis, minus(detector, source.solid.center), m_e1, m_e2);
            break;
        }
        FindPeak();
    }

    std::size_t Size() const override { return 1 + 2 * m_lines.size(); }

    /// The source point of coordinates `u` and the weight of its element (Jacobian over the
    /// source's measure).
    Vec3 PointAt(const std::array<double, 3>& u, double& jacobian) const {
        const SourceBody& source = m_model.source;
        jacobian = m_density;
        switch (source.shape) {
        case SourceShape::Point:
            return source.start;
        case SourceShape::Line:
            return {source.start[0] + u[0] * m_e1[0], source.start[1] + u[0] * m_e1[1],
                    source.start[2] + u[0] * m_e1[2]};
        case SourceShape::Disk: {
            jacobian *= u[0];
            const double c = u[0] * std::cos(u[1]);
            const double s = u[0] * std::sin(u[1]);
            return {source.start[0] + c * m_e1[0] + s * m_e2[0],
                    source.start[1] + c * m_e1[1] + s * m_e2[1],
                    source.start[2] + c * m_e1[2] + s * m_e2[2]};
        }
        case SourceShape::Box:
            return {u[0], u[1], u[2]};
        case SourceShape::Sphere: {
            const double sinTheta = std::sin(u[1]);
            jacobian *= u[0] * u[0] * sinTheta;
            const double a = u[0] * sinTheta * std::cos(u[2]);
            const double b = u[0] * sinTheta * std::sin(u[2]);
            const double c = u[0] * std::cos(u[1]);
            const Vec3& o = source.solid.center;
            return {o[0] + a * m_e1[0] + b * m_e2[0] + c * m_axis[0],
                    o[1] + a * m_e1[1] + b * m_e2[1] + c * m_axis[1],
                    o[2] + a * m_e1[2] + b * m_e2[2] + c * m_axis[2]};
        }
        case SourceShape::Cylinder:
            break;
        }
        jacobian *= u[0];
        const double a = u[0] * std::cos(u[1]);
        const double b = u[0] * std::sin(u[1]);
        const Vec3& o = source.solid.center;
        return {o[0] + a * m_e1[0] + b * m_e2[0] + u[2] * m_axis[0],
                o[1] + a * m_e1[1] + b * m_e2[1] + u[2] * m_axis[1],
                o[2] + a * m_e1[2] + b * m_e2[2] + u[2] * m_axis[2]};
    }

    bool Add(const std::array<double, 3>& u, double weight, double* sum) override {
        double jacobian = 0.0;
        const Vec3 p = PointAt(u, jacobian);
        ++m_rays;
        const double distance = TraceRay(m_model, p, m_detector, m_segments);
        const double toArea = weight * jacobian / (distance * distance);
        m_layers.resize(m_segments.size());
        m_mfp.resize(m_segments.size());
        for (std::size_t i = 0; i < m_segments.size(); ++i) {
            m_layers[i].buildup =
                m_model.media[static_cast<std::size_t>(m_segments[i].medium)].buildup;
        }
        for (std::size_t n = 0; n < m_lines.size(); ++n) {
            const SourceLine& line = m_model.lines[n];
            for (std::size_t i = 0; i < m_segments.size(); ++i) {
                const Medium& medium =
                    m_model.media[static_cast<std::size_t>(m_segments[i].medium)];
                m_layers[i].curve = medium.curves.empty() ? nullptr : medium.curves[n];
                m_mfp[i] =
                    m_model.media[static_cast<std::size_t>(m_segments[i].medium)].muPerCm[n] *
                    m_segments[i].lengthCm;
            }
            shielding::LineDose& dose = m_lines[n];
            shielding::LineAlongRay(line.rateAtOneCm * toArea, line.energyMeV, m_layers, m_mfp,
                                    m_model.options, dose);
            if (dose.outcome != shielding::Outcome::Ok || !std::isfinite(dose.rate)) {
                m_failure = dose.outcome != shielding::Outcome::Ok
                                ? dose.outcome
                                : shielding::Outcome::CalculationError;
                return false;
            }
            m_notes[n] |= 1u << static_cast<unsigned>(dose.note);
            sum[0] += dose.rate;
            sum[1 + 2 * n] += dose.uncollided;
            sum[2 + 2 * n] += dose.rate;
        }
        return true;
    }

    bool Steep(const std::array<double, 3>& low, const std::array<double, 3>& high) const override {
        // Only the cell that holds the source's point nearest the detector, and only while it
        // is larger than the detector is far.
        for (std::size_t d = 0; d < 3; ++d) {
            if (m_checked[d] && !(low[d] <= m_near[d] && m_near[d] <= high[d])) {
                return false;
            }
        }
        const SourceBody& source = m_model.source;
        double extent = 0.0;
        switch (source.shape) {
        case SourceShape::Point:
            return false;
        case SourceShape::Line:
        case SourceShape::Box:
            for (std::size_t d = 0; d < 3; ++d) {
                extent = std::max(extent, high[d] - low[d]);
            }
            break;
        case SourceShape::Disk:
            extent = std::max(high[0] - low[0], high[0] * (high[1] - low[1]));
            break;
        case SourceShape::Sphere:
            extent = std::max(
                {high[0] - low[0], high[0] * (high[1] - low[1]), high[0] * (high[2] - low[2])});
            break;
        case SourceShape::Cylinder:
            extent = std::max({high[0] - low[0], high[0] * (high[1] - low[1]), high[2] - low[2]});
            break;
        }
        return extent > m_distance;
    }

    std::size_t Rays() const { return m_rays; }
    shielding::Outcome Failure() const { return m_failure; }
    bool Noted(std::size_t line, shielding::LineNote note) const {
        return (m_notes[line] & (1u << static_cast<unsigned>(note))) != 0;
    }

    /// The natural coordinates of the source and where to cut them first: at the detector's
    /// own coordinates, where the kernel peaks.
    Domain DomainOf() const {
        const SourceBody& source = m_model.source;
        Domain domain;
        switch (source.shape) {
        case SourceShape::Point:
            domain.dimensions = 0;
            break;
        case SourceShape::Line: {
            domain.dimensions = 1;
            domain.high[0] = norm(minus(source.end, source.start));
            domain.cuts[0].push_back(dot(minus(m_detector, source.start), m_e1));
            break;
        }
        case SourceShape::Disk: {
            domain.dimensions = 2;
            domain.high = {source.radius, kPi, 0.0};
            domain.low = {0.0, -kPi, 0.0};
            const Vec3 d = minus(m_detector, source.start);
            domain.cuts[0].push_back(std::hypot(dot(d, m_e1), dot(d, m_e2)));
            domain.cuts[1].push_back(0.0);
            break;
        }
        case SourceShape::Box:
            domain.dimensions = 3;
            for (std::size_t i = 0; i < 3; ++i) {
                domain.low[i] = source.solid.low[i];
                domain.high[i] = source.solid.high[i];
                domain.cuts[i].push_back(m_detector[i]);
            }
            break;
        case SourceShape::Sphere:
            domain.dimensions = 3;
            domain.low = {0.0, 0.0, -kPi};
            domain.high = {source.solid.radius, kPi, kPi};
            domain.cuts[2].push_back(0.0);
            break;
        case SourceShape::Cylinder: {
            domain.dimensions = 3;
            domain.low = {source.solid.innerRadius, -kPi, 0.0};
            domain.high = {source.solid.radius, kPi, source.solid.length};
            const Vec3 d = minus(m_detector, source.solid.center);
            domain.cuts[0].push_back(std::hypot(dot(d, m_e1), dot(d, m_e2)));
            domain.cuts[1].push_back(0.0);
            domain.cuts[2].push_back(dot(d, m_axis));
            break;
        }
        }
        return domain;
    }

    /// Where the kernel peaks: the coordinates of the source's point nearest the detector.
    void FindPeak() {
        const SourceBody& source = m_model.source;
        m_distance = source.DistanceTo(m_detector);
        switch (source.shape) {
        case SourceShape::Point:
            return;
        case SourceShape::Line: {
            const double length = norm(minus(source.end, source.start));
            m_near[0] = std::clamp(dot(minus(m_detector, source.start), m_e1), 0.0, length);
            m_checked[0] = true;
            return;
        }
        case SourceShape::Disk: {
            const Vec3 d = minus(m_detector, source.start);
            m_near[0] = std::min(std::hypot(dot(d, m_e1), dot(d, m_e2)), source.radius);
            m_checked[0] = true;
            m_checked[1] = m_near[0] > 0.0; // at the centre every angle meets
            return;
        }
        case SourceShape::Box:
            for (std::size_t d = 0; d < 3; ++d) {
                m_near[d] = std::clamp(m_detector[d], source.solid.low[d], source.solid.high[d]);
                m_checked[d] = true;
            }
            return;
        case SourceShape::Sphere:
            // On the polar axis, toward the detector: every azimuth meets there.
            m_near[0] = source.solid.radius;
            m_checked[0] = m_checked[1] = true;
            return;
        case SourceShape::Cylinder: {
            const Vec3 d = minus(m_detector, source.solid.center);
            m_near[0] = std::clamp(std::hypot(dot(d, m_e1), dot(d, m_e2)), source.solid.innerRadius,
                                   source.solid.radius);
            m_near[2] = std::clamp(dot(d, m_axis), 0.0, source.solid.length);
            m_checked[0] = m_checked[2] = true;
            m_checked[1] = m_near[0] > 0.0;
            return;
        }
        }
    }

  private:
    const Model& m_model;
    Vec3 m_detector;
    double m_density = 1.0;
    double m_distance = 0.0;        ///< from the detector to the source
    std::array<double, 3> m_near{}; ///< coordinates of the source's nearest point
    std::array<bool, 3> m_checked{false, false, false}; ///< the coordinates that fix it
    Vec3 m_e1{};
    Vec3 m_e2{};
    Vec3 m_axis{};
    std::vector<shielding::LineDose> m_lines;
    std::vector<unsigned> m_notes;
    std::vector<Segment> m_segments;
    std::vector<shielding::ShieldLayer> m_layers;
    std::vector<double> m_mfp;
    std::size_t m_rays = 0;
    shielding::Outcome m_failure = shielding::Outcome::Ok;
};

} // namespace

double SourceBody::Measure() const {
    switch (shape) {
    case SourceShape::Point:
        return 1.0;
    case SourceShape::Line:
        return norm(minus(end, start));
    case SourceShape::Disk:
        return kPi * radius * radius;
    case SourceShape::Box:
    case SourceShape::Sphere:
    case SourceShape::Cylinder:
        break;
    }
    return solid.Volume();
}

double SourceBody::DistanceTo(const Vec3& p) const {
    switch (shape) {
    case SourceShape::Point:
        return norm(minus(p, start));
    case SourceShape::Line: {
        const Vec3 d = minus(end, start);
        const double t = std::clamp(dot(minus(p, start), d) / dot(d, d), 0.0, 1.0);
        return norm(minus(p, {start[0] + t * d[0], start[1] + t * d[1], start[2] + t * d[2]}));
    }
    case SourceShape::Disk: {
        const Vec3 d = minus(p, start);
        const double height = d[static_cast<std::size_t>(axis)];
        Vec3 across = d;
        across[static_cast<std::size_t>(axis)] = 0.0;
        const double outside = std::max(0.0, norm(across) - radius);
        return std::hypot(height, outside);
    }
    case SourceShape::Box:
    case SourceShape::Sphere:
    case SourceShape::Cylinder:
        break;
    }
    return std::max(0.0, -Depth(solid, p));
}

double TraceRay(const Model& model, const Vec3& from, const Vec3& to,
                std::vector<Segment>& segments) {
    segments.clear();
    Vec3 dir = minus(to, from);
    const double distance = norm(dir);
    if (!(distance > 0.0)) {
        return distance;
    }
    for (double& x : dir) {
        x /= distance;
    }
    // Every body's stretches of the ray; the bodies do not overlap, so in order of entry they
    // follow one another.
    struct Stretch {
        Interval interval;
        int medium;
    };
    Stretch stretches[16];
    std::vector<Stretch> many;
    std::size_t count = 0;
    const auto add = [&](const Solid& solid, int medium) {
        Interval found[2];
        const std::size_t n = Cross(solid, from, dir, distance, found);
        for (std::size_t i = 0; i < n; ++i) {
            if (count < 16) {
                stretches[count] = {found[i], medium};
            } else {
                if (many.empty()) {
                    many.assign(stretches, stretches + 16);
                }
                many.push_back({found[i], medium});
            }
            ++count;
        }
    };
    if (model.source.HasVolume()) {
        add(model.source.solid, model.sourceMedium);
    }
    for (const Shield& shield : model.shields) {
        add(shield.solid, shield.medium);
    }
    Stretch* begin = many.empty() ? stretches : many.data();
    Stretch* end = begin + count;
    std::sort(begin, end, [](const Stretch& a, const Stretch& b) {
        return a.interval.enter < b.interval.enter;
    });
    const auto push = [&](int medium, double length) {
        if (medium < 0 || !(length > 0.0)) {
            return;
        }
        if (!segments.empty() && segments.back().medium == medium) {
            segments.back().lengthCm += length;
        } else {
            segments.push_back({medium, length});
        }
    };
    // Gaps shorter than this are where two bodies touch.
    const double gap = model.tolerance;
    double at = 0.0;
    for (const Stretch* s = begin; s != end; ++s) {
        if (s->interval.enter - at > gap) {
            push(model.filler, s->interval.enter - at);
        }
        push(s->medium, s->interval.leave - std::max(at, s->interval.enter));
        at = std::max(at, s->interval.leave);
    }
    if (distance - at > gap) {
        push(model.filler, distance - at);
    }
    return distance;
}

std::string WhyNoDetector(const Model& model, const Vec3& p) {
    const SourceBody& source = model.source;
    if (source.HasVolume()) {
        return Depth(source.solid, p) > model.tolerance ? "lies inside the source" : "";
    }
    if (!(source.DistanceTo(p) > model.tolerance)) {
        switch (source.shape) {
        case SourceShape::Point:
            return "lies on the point source";
        case SourceShape::Line:
            return "lies on the line source";
        default:
            return "lies on the disk source";
        }
    }
    return "";
}

int RuleOrder(double accuracy) { return accuracy >= 1e-3 ? 2 : accuracy >= 1e-4 ? 3 : 4; }

void DoseAt(const Model& model, const Vec3& detector, DetectorResult& result) {
    result = DetectorResult{};
    result.at = detector;
    Kernel kernel(model, detector);
    Integral integral;
    const Domain domain = kernel.DomainOf();
    if (domain.dimensions == 0) {
        integral.values.assign(kernel.Size(), 0.0);
        integral.failed = !kernel.Add({}, 1.0, integral.values.data());
    } else {
        Integrate(kernel, domain, model.accuracy, kMostPoints, RuleOrder(model.accuracy), integral);
    }
    result.rays = kernel.Rays();
    if (integral.failed) {
        result.outcome = kernel.Failure();
        result.total = result.uncollided = result.error = std::nan("");
        return;
    }
    result.reached = integral.reached;
    result.total = integral.values[0];
    result.error = result.total > 0.0 ? integral.error / result.total : 0.0;
    result.lines.resize(model.lines.size());
    for (std::size_t n = 0; n < model.lines.size(); ++n) {
        LineResult& line = result.lines[n];
        line.energyMeV = model.lines[n].energyMeV;
        line.photonsPerSecond = model.lines[n].photonsPerSecond;
        line.uncollided = integral.values[1 + 2 * n];
        line.rate = integral.values[2 + 2 * n];
        line.extrapolated = kernel.Noted(n, shielding::LineNote::Extrapolated);
        line.noBuildupData = kernel.Noted(n, shielding::LineNote::NoBuildupData);
        line.beyondRange = kernel.Noted(n, shielding::LineNote::BeyondRange);
        result.uncollided += line.uncollided;
    }
}

} // namespace geometry
