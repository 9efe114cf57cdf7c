// Shielding models: sources with extent, shields with shape, detectors and maps.
#include "Support.h"
#include "geometry/ModelFile.h"
#include "geometry/ModelRun.h"
#include "shielding/ShieldingLibrary.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>
#include <memory>
#include <optional>

namespace bindings {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

shielding::ShieldingLibrary& modelLibrary() {
    static std::map<std::filesystem::path, std::unique_ptr<shielding::ShieldingLibrary>> libraries;
    const std::filesystem::path root = Library::DefaultRoot(std::getenv("PHOTONXS_HOME"));
    std::unique_ptr<shielding::ShieldingLibrary>& library = libraries[root];
    if (!library) {
        library = std::make_unique<shielding::ShieldingLibrary>(root);
    }
    return *library;
}

/// The model's JSON text computed: detectors, totals, errors, line energies, and per detector
/// and line the uncollided rate, the buildup and the rate. Points with no value hold NaN.
py::tuple modelDose(const std::string& text, std::optional<double> accuracy) {
    geometry::ModelSpec asGiven;
    std::string error;
    if (!geometry::ReadModel(text, asGiven, error)) {
        throw std::invalid_argument(error);
    }
    if (accuracy) {
        if (!(*accuracy >= 1e-9 && *accuracy <= 0.1)) {
            throw std::invalid_argument("accuracy is not between 1e-9 and 0.1");
        }
        asGiven.accuracy = *accuracy;
    }
    geometry::PreparedModel prepared;
    if (!geometry::PrepareModel(modelLibrary(), asGiven, prepared, error)) {
        throw std::invalid_argument(error);
    }
    std::vector<geometry::DetectorResult> results;
    {
        py::gil_scoped_release released;
        geometry::RunModel(prepared, results, {});
    }
    const auto n = static_cast<py::ssize_t>(results.size());
    const auto lines = static_cast<py::ssize_t>(prepared.model.lines.size());
    py::array_t<double> detectors({n, py::ssize_t(3)});
    py::array_t<double> total(n), relative(n), energies(lines);
    py::array_t<double> uncollided({n, lines}), buildup({n, lines}), rate({n, lines});
    for (py::ssize_t k = 0; k < lines; ++k) {
        energies.mutable_at(k) = prepared.model.lines[static_cast<std::size_t>(k)].energyMeV;
    }
    for (py::ssize_t i = 0; i < n; ++i) {
        const geometry::DetectorResult& result = results[static_cast<std::size_t>(i)];
        for (py::ssize_t c = 0; c < 3; ++c) {
            detectors.mutable_at(i, c) = result.at[static_cast<std::size_t>(c)];
        }
        const bool value = result.computed && result.outcome == shielding::Outcome::Ok;
        total.mutable_at(i) = value ? result.total : kNaN;
        relative.mutable_at(i) = value ? result.error : kNaN;
        for (py::ssize_t k = 0; k < lines; ++k) {
            const geometry::LineResult* line =
                value ? &result.lines[static_cast<std::size_t>(k)] : nullptr;
            uncollided.mutable_at(i, k) = line ? line->uncollided : kNaN;
            rate.mutable_at(i, k) = line ? line->rate : kNaN;
            buildup.mutable_at(i, k) =
                line && line->uncollided > 0.0 ? line->rate / line->uncollided : kNaN;
        }
    }
    return py::make_tuple(detectors, total, relative, energies, uncollided, buildup, rate);
}

} // namespace

void BindModels(py::module_& module) {
    module.def("_model_dose", &modelDose, py::arg("text"), py::arg("accuracy"));
}

} // namespace bindings
