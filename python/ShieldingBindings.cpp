// Buildup factors, radionuclide sources and dose rates behind layers, from the shielding core.
#include "ArrayLookups.h"
#include "Support.h"
#include "shielding/Dose.h"
#include "shielding/ShieldingLibrary.h"

#include <cstdlib>
#include <limits>
#include <map>
#include <memory>
#include <optional>

namespace bindings {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The shielding data of a working folder, read once a session; calls hold the interpreter's
// lock while they reach it, and the computations only read what it has loaded.
shielding::ShieldingLibrary& shieldingLibrary(const std::filesystem::path& root) {
    static std::map<std::filesystem::path, std::unique_ptr<shielding::ShieldingLibrary>> libraries;
    std::unique_ptr<shielding::ShieldingLibrary>& library = libraries[root];
    if (!library) {
        library = std::make_unique<shielding::ShieldingLibrary>(root);
    }
    return *library;
}

shielding::ShieldingLibrary& defaultLibrary() {
    return shieldingLibrary(Library::DefaultRoot(std::getenv("PHOTONXS_HOME")));
}

template <typename T> const T& orThrow(const T* value, const std::string& error) {
    if (value == nullptr) {
        throw std::invalid_argument(error);
    }
    return *value;
}

shielding::BuildupKind buildupKindOf(const std::string& kind) {
    const std::optional<shielding::BuildupKind> named = shielding::BuildupKindNamed(kind);
    if (!named) {
        throw std::invalid_argument("kind takes 'exposure' or 'absorption', not '" + kind + "'");
    }
    return *named;
}

shielding::BuildupFunction functionOf(shielding::ShieldingLibrary& library,
                                      const material::ResolvedMaterial& material,
                                      shielding::BuildupKind kind,
                                      const std::optional<std::string>& table) {
    std::string error;
    const shielding::BuildupTables& tables = orThrow(library.Buildup(error), error);
    std::optional<shielding::BuildupFunction> function = shielding::BuildupFunctionOf(
        material, tables, kind, library.Elements(), table.value_or(std::string()), error);
    if (!function) {
        throw std::invalid_argument(error);
    }
    return std::move(*function);
}

py::array_t<double> buildup(const py::handle& argument, const Values& energies,
                            const Values& penetrations, const std::string& kind,
                            const std::optional<std::string>& table, const std::string& errors) {
    const bool raise = raiseOnFailure(errors);
    if (energies.ndim() != 1 || penetrations.ndim() != 1 ||
        energies.size() != penetrations.size()) {
        throw std::invalid_argument("energies and penetrations must be of one length");
    }
    const Material material = materialOf(argument);
    const shielding::BuildupFunction function = functionOf(
        shieldingLibrary(material->root), material->resolved, buildupKindOf(kind), table);
    py::array_t<double> result(energies.size());
    const auto count = static_cast<std::size_t>(energies.size());
    Failures failures;
    {
        py::gil_scoped_release released;
        failures = BuildupFactors(function, energies.data(), penetrations.data(),
                                  result.mutable_data(), count);
    }
    const std::size_t failed = failures.count;
    const std::size_t first = failures.first;
    if (raise && failed > 0) {
        const double energy = energies.data()[first];
        const double mfp = penetrations.data()[first];
        const shielding::BuildupLimit limit = function.LimitAt(energy, mfp);
        throw std::invalid_argument(
            std::to_string(failed) + " of " + std::to_string(count) +
            " pairs gave no value, the first " + numberText(energy) + " MeV at " + numberText(mfp) +
            " mfp: " +
            (limit == shielding::BuildupLimit::Energy
                 ? "the energy is outside the " +
                       (function.TableName().empty() ? "" : function.TableName() + " ") +
                       "buildup table (" + numberText(function.LowestEnergyMeV()) + " to " +
                       numberText(function.HighestEnergyMeV()) + " MeV)"
             : limit == shielding::BuildupLimit::Penetration ? "the penetration is beyond 100 mfp"
                                                             : "the fit gives no finite value"));
    }
    return result;
}

shielding::Source sourceOf(shielding::ShieldingLibrary& library, const py::handle& source) {
    shielding::Source resolved;
    if (py::isinstance<py::str>(source)) {
        std::string error;
        if (!shielding::ResolveSource(library, source.cast<std::string>(), false, resolved,
                                      error)) {
            throw std::invalid_argument(error);
        }
        return resolved;
    }
    resolved.name = "lines";
    for (const py::handle item : source.cast<py::sequence>()) {
        const auto pair = item.cast<py::sequence>();
        if (pair.size() != 2) {
            throw py::type_error("a source's line is (energy in MeV, photons per decay), not " +
                                 std::string(py::repr(item)));
        }
        const auto energy = py::float_(pair[0]).cast<double>();
        const auto photons = py::float_(pair[1]).cast<double>();
        if (!(energy > 0.0) || !std::isfinite(energy) || !(photons >= 0.0) ||
            !std::isfinite(photons)) {
            throw std::invalid_argument("a line needs an energy above 0 and photons per decay of "
                                        "0 or more, not " +
                                        std::string(py::repr(item)));
        }
        resolved.lines.push_back({energy, photons, {}, {}});
    }
    return resolved;
}

std::string_view noteWord(shielding::LineNote note) {
    switch (note) {
    case shielding::LineNote::None:
        return "";
    case shielding::LineNote::Extrapolated:
        return "extrapolated";
    case shielding::LineNote::NoBuildupData:
        return "no buildup data";
    case shielding::LineNote::BeyondRange:
        break;
    }
    return "beyond 100 mfp";
}

py::tuple doseRate(const py::handle& sourceArgument, double activityBq, double distanceCm,
                   const py::sequence& stack, const std::string& kind, const std::string& rule,
                   const std::optional<std::string>& table, double cutoffMeV) {
    if (!(activityBq >= 0.0) || !std::isfinite(activityBq)) {
        throw std::invalid_argument("the activity must be a number of Bq from 0 up, not " +
                                    numberText(activityBq));
    }
    if (!(distanceCm > 0.0) || !std::isfinite(distanceCm)) {
        throw std::invalid_argument("the distance must be a number of cm above 0, not " +
                                    numberText(distanceCm));
    }
    if (!(cutoffMeV >= 0.0) || !std::isfinite(cutoffMeV)) {
        throw std::invalid_argument("the cut-off must be an energy of 0 MeV or more, not " +
                                    numberText(cutoffMeV));
    }
    shielding::DoseOptions options;
    const std::optional<shielding::DoseKind> doseKind = shielding::DoseKindNamed(kind);
    if (!doseKind) {
        throw std::invalid_argument("kind takes 'exposure', 'absorption' or 'none', not '" + kind +
                                    "'");
    }
    const std::optional<shielding::LayerRule> layerRule = shielding::LayerRuleNamed(rule);
    if (!layerRule) {
        throw std::invalid_argument("rule takes 'broder' or 'last', not '" + rule + "'");
    }
    options.kind = *doseKind;
    options.rule = *layerRule;
    options.cutoffMeV = cutoffMeV;

    shielding::ShieldingLibrary& library = defaultLibrary();
    const shielding::Source source = sourceOf(library, sourceArgument);
    std::vector<Material> materials;
    const std::vector<attenuation::Layer> plain = LayersOf(stack, materials);
    std::vector<shielding::ShieldMaterial> shieldMaterials;
    for (std::size_t i = 0; i < materials.size(); ++i) {
        shieldMaterials.push_back(
            {&materials[i]->resolved, plain[i].densityGPerCm3, plain[i].thicknessCm});
    }
    shielding::Shield shield;
    std::string error;
    if (!shielding::BuildShield(library, shieldMaterials, options, table.value_or(std::string()),
                                shield, error)) {
        throw std::invalid_argument(error);
    }
    const std::vector<shielding::ShieldLayer>& layers = shield.layers;
    const shielding::KermaMedia& media = shield.media;
    options = shield.options;

    shielding::DoseResult result;
    shielding::DoseRate(source.lines, activityBq, distanceCm, layers, options, media, result);
    for (const shielding::LineDose& line : result.lines) {
        if (line.outcome != attenuation::Outcome::Ok) {
            throw std::invalid_argument("the " + numberText(line.energyMeV) +
                                        " MeV line gives no value: " +
                                        attenuation::DescribeOutcome(line.outcome, line.energyMeV));
        }
    }
    const auto count = static_cast<py::ssize_t>(result.lines.size());
    py::array_t<double> energy(count), intensity(count), mfp(count), uncollided(count),
        factor(count), rate(count);
    py::list notes;
    for (py::ssize_t i = 0; i < count; ++i) {
        const shielding::LineDose& line = result.lines[static_cast<std::size_t>(i)];
        energy.mutable_at(i) = line.energyMeV;
        intensity.mutable_at(i) = line.photonsPerDecay;
        mfp.mutable_at(i) = line.mfp;
        uncollided.mutable_at(i) = line.uncollided;
        factor.mutable_at(i) = line.buildup;
        rate.mutable_at(i) = line.rate;
        notes.append(noteWord(line.note));
    }
    return py::make_tuple(result.total, energy, intensity, mfp, uncollided, factor, rate,
                          py::tuple(notes));
}

double kermaConstant(const py::handle& sourceArgument, double cutoffMeV) {
    shielding::ShieldingLibrary& library = defaultLibrary();
    const shielding::Source source = sourceOf(library, sourceArgument);
    std::string error;
    const attenuation::AbsorptionMix& air = orThrow(library.Air(error), error);
    double constant = 0.0;
    const attenuation::Outcome outcome =
        shielding::KermaRateConstant(source.lines, cutoffMeV, air, constant);
    if (outcome != attenuation::Outcome::Ok) {
        throw std::invalid_argument("a line of " + source.name + " has no mu_en/rho of air: " +
                                    std::string(attenuation::OutcomeWord(outcome)));
    }
    return constant;
}

const std::vector<shielding::Nuclide>& nuclideList() {
    std::string error;
    return orThrow(defaultLibrary().Nuclides(error), error);
}

py::tuple nuclide(const std::string& name) {
    const std::vector<shielding::Nuclide>& nuclides = nuclideList();
    const shielding::Nuclide* found = shielding::FindNuclide(nuclides, name);
    if (found == nullptr) {
        throw std::invalid_argument("'" + name + "' is no nuclide of the library" +
                                    shielding::DidYouMean(nuclides, name));
    }
    const auto count = static_cast<py::ssize_t>(found->lines.size());
    py::array_t<double> energy(count), intensity(count);
    py::list kinds, emitters;
    for (py::ssize_t i = 0; i < count; ++i) {
        const shielding::PhotonLine& line = found->lines[static_cast<std::size_t>(i)];
        energy.mutable_at(i) = line.energyMeV;
        intensity.mutable_at(i) = line.photonsPerDecay;
        kinds.append(line.kind);
        emitters.append(line.emitter);
    }
    return py::make_tuple(found->name, found->element, found->halfLife, energy, intensity,
                          py::tuple(kinds), py::tuple(emitters));
}

py::list nuclideNames() {
    py::list names;
    for (const shielding::Nuclide& nuclide : nuclideList()) {
        names.append(nuclide.name);
    }
    return names;
}

} // namespace

void BindShielding(py::module_& module) {
    module.def("_buildup", &buildup, py::arg("material"), py::arg("energies"), py::arg("mfp"),
               py::arg("kind"), py::arg("table"), py::arg("errors"));
    module.def("_dose_rate", &doseRate, py::arg("source"), py::arg("activity_bq"),
               py::arg("distance_cm"), py::arg("layers"), py::arg("kind"), py::arg("rule"),
               py::arg("table"), py::arg("cutoff"));
    module.def("_kerma_constant", &kermaConstant, py::arg("nuclide"), py::arg("cutoff"));
    module.def("_nuclide", &nuclide, py::arg("name"));
    module.def("_nuclides", &nuclideNames);
}

} // namespace bindings
