#pragma once

#include "geometry/Model.h"
#include "shielding/Quantity.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace material {
struct ResolvedMaterial;
}
namespace shielding {
class ShieldingLibrary;
class BuildupFunction;
class BuildupCurve;
} // namespace shielding

namespace geometry {

/// A material as a model file names it.
struct MaterialSpec {
    std::string name;
    std::optional<double> densityGPerCm3;
};

/// A shield as a model file gives it.
struct ShieldSpec {
    std::string shape; ///< "slab", "box", "sphere", "cylinder"
    Solid solid;
    MaterialSpec material;
};

/// A plane of detectors: `plane` the axis across it, at `at`; the grid runs over the other two
/// coordinates in axis order from `from` to `to` with `steps` points each (1: `from` alone).
struct MapSpec {
    int plane = 2;
    double at = 0.0;
    double from[2] = {0.0, 0.0};
    double to[2] = {0.0, 0.0};
    std::size_t steps[2] = {1, 1};
    /// The grid's points, the first coordinate running fastest.
    std::vector<Vec3> Points() const;
};

enum class BuildupMode { Broder, None, Table };

/// A model as its file gives it: shapes in cm, names still names.
struct ModelSpec {
    std::string sourceShape;
    SourceBody source;
    std::optional<MaterialSpec> sourceMaterial;
    std::vector<std::pair<std::string, std::string>> nuclides; ///< name, activity text
    std::vector<std::pair<double, double>> lines;              ///< MeV, photons per second
    std::vector<ShieldSpec> shields;
    std::optional<MaterialSpec> filler;
    std::vector<Vec3> detectors;
    std::optional<MapSpec> map;
    BuildupMode buildup = BuildupMode::Broder;
    std::string buildupTable;
    double accuracy = 1e-3;
    double decayS = 0.0; ///< how long the nuclides have decayed since their activities
    bool fresh = false;  ///< the nuclides start alone, their daughters growing in
    shielding::Quantity quantity = shielding::Quantity::Kerma;
};

/// Reads a model file's JSON text. False with one sentence in `error` for text that is not
/// JSON (with its line and column), an unknown key or shape (with the closest known one), a
/// missing or wrong value, a dimension not above 0, an inner radius not below the radius, a
/// box whose min is not below its max.
bool ReadModel(std::string_view text, ModelSpec& asGiven, std::string& error);

/// Length in cm of a text with its unit ("6 ft", "30 in", "2.5 m", "10 mm", "5 cm"); empty with
/// `error` when it is no such text.
std::optional<double> ReadLength(std::string_view text, std::string& error);

/// A model made ready: the materials it resolved and the buildup functions it made, which the
/// model points into, and every detector (the map's after the listed ones).
struct PreparedModel {
    PreparedModel();
    ~PreparedModel();
    PreparedModel(const PreparedModel&) = delete;
    PreparedModel& operator=(const PreparedModel&) = delete;

    Model model;
    std::vector<Vec3> detectors;
    std::size_t listedDetectors = 0; ///< how many of them the model lists; the map's follow
    std::vector<std::string> notes;  ///< which material a name was taken for
    std::vector<std::unique_ptr<material::ResolvedMaterial>> materials;
    std::vector<std::unique_ptr<shielding::BuildupFunction>> functions;
    std::vector<std::unique_ptr<shielding::BuildupCurve>> curves;
};

/// Resolves a model's materials and nuclides from the library and checks that it can be
/// computed: no two bodies overlap, no listed detector lies inside a volume source or on any
/// other source. False with one sentence in `error` otherwise. Map points where no detector can
/// be are kept; DoseAt is not asked for them.
bool PrepareModel(shielding::ShieldingLibrary& library, const ModelSpec& asGiven,
                  PreparedModel& prepared, std::string& error);

/// What a model is, for a person checking it: each body, its volume and mass, the source's
/// activity per volume (or length or area). Lines of text.
std::vector<std::string> DescribeModel(const ModelSpec& asGiven, const PreparedModel& prepared);

} // namespace geometry
