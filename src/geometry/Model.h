#pragma once

#include "geometry/Solid.h"
#include "shielding/Dose.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace data {
struct MaterialTable;
}

namespace geometry {

/// The shape of a source. Activity is spread evenly over its length, area or volume.
enum class SourceShape { Point, Line, Disk, Box, Sphere, Cylinder };

/// Where a source lies. A point (`start`), a line (`start` to `end`), a disk (`start` its
/// centre, `axis` its normal, `radius`); a box, sphere or cylinder is `solid` (the cylinder may
/// be hollow: an annular source).
struct SourceBody {
    SourceShape shape = SourceShape::Point;
    Vec3 start{};
    Vec3 end{};
    int axis = 2;
    double radius = 0.0;
    Solid solid;

    bool HasVolume() const {
        return shape == SourceShape::Box || shape == SourceShape::Sphere ||
               shape == SourceShape::Cylinder;
    }
    /// Length (cm), area (cm2) or volume (cm3); 1 for a point.
    double Measure() const;
    /// Distance (cm) from a point to the source's points; for a volume source 0 inside it.
    double DistanceTo(const Vec3& p) const;
};

/// A material as the rays see it: its table, density and buildup function; the attenuation
/// without coherent scattering of each source line, 1/cm.
struct Medium {
    std::string name; ///< as the model names it
    const data::MaterialTable* table = nullptr;
    double densityGPerCm3 = 0.0;
    const shielding::BuildupFunction* buildup = nullptr;
    std::vector<double> muPerCm; ///< one per line
    /// The buildup function at each line's energy, tabulated for the many rays of a source with
    /// extent (null where it is not, and for a point source, whose one ray asks the function).
    std::vector<const shielding::BuildupCurve*> curves;
};

/// A shield: a body and its medium.
struct Shield {
    Solid solid;
    int medium = 0;
    std::string label; ///< "shield 2 (box)", for messages
};

/// One line of the source as a whole: its energy, photons per second, and its air-kerma rate in
/// uGy/h at 1 cm in vacuum (S E (mu_en/rho)_air / (4 pi), in those units).
struct SourceLine {
    double energyMeV = 0.0;
    double photonsPerSecond = 0.0;
    double rateAtOneCm = 0.0;
};

/// A shielding model ready to compute: every name resolved. `-1` as a medium is vacuum.
struct Model {
    SourceBody source;
    int sourceMedium = -1; ///< a volume source's own material; -1 for a void source
    std::vector<Shield> shields;
    int filler = -1;
    std::vector<Medium> media;
    std::vector<SourceLine> lines;
    shielding::DoseOptions options; ///< exposure kind with Broder's rule, a table, or none
    double accuracy = 1e-3;         ///< relative, of each detector's total
    /// The length below which two faces count as one, cm: a billionth of the model's size.
    double tolerance = 1e-9;
};

/// One stretch of a ray in one medium.
struct Segment {
    int medium = 0;
    double lengthCm = 0.0;
};

/// The media a ray from `from` to `to` crosses, in order: the source's own material, each
/// shield, and the filler between; void and vacuum left out, consecutive stretches of one
/// medium joined. Returns the ray's length, cm.
double TraceRay(const Model& model, const Vec3& from, const Vec3& to,
                std::vector<Segment>& segments);

/// What one line gives at one detector.
struct LineResult {
    double energyMeV = 0.0;
    double photonsPerSecond = 0.0;
    double uncollided = 0.0;    ///< uGy/h
    double rate = 0.0;          ///< uGy/h, buildup included
    bool extrapolated = false;  ///< some ray's buildup was extrapolated beyond 40 mfp
    bool noBuildupData = false; ///< the energy lies below a crossed medium's buildup table
    bool beyondRange = false;   ///< some rays crossed more than 100 mfp and counted 0
};

/// The air-kerma rate at one detector, uGy/h, with the relative error the quadrature estimates.
struct DetectorResult {
    Vec3 at{};
    std::vector<LineResult> lines;
    double uncollided = 0.0;
    double total = 0.0;
    double error = 0.0;
    std::size_t rays = 0; ///< how many the quadrature traced
    bool reached = true;  ///< false when the refinement stopped short of the accuracy
    bool computed = true; ///< false for a map point where no detector can be
    shielding::Outcome outcome = shielding::Outcome::Ok; ///< a line that gave no value
};

/// Why a point cannot be a detector: inside a volume source, on a line, disk or point source;
/// empty when it can.
std::string WhyNoDetector(const Model& model, const Vec3& p);

/// The order of the lower of the two Gauss-Legendre rules for an accuracy: low orders reach a
/// rough accuracy with fewest rays, high ones a fine accuracy.
int RuleOrder(double accuracy);

/// Integrates the point kernel over the source for one detector, refining the Gauss-Legendre
/// quadrature until the estimated error of the total falls below the model's accuracy.
void DoseAt(const Model& model, const Vec3& detector, DetectorResult& result);

} // namespace geometry
