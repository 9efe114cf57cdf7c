// Energy absorption, half-value layers, transmission through layers, spectra and the effective
// atomic number, over numpy arrays, from the attenuation core.
#include "ArrayLookups.h"
#include "Support.h"
#include "attenuation/Attenuation.h"
#include "attenuation/Compositions.h"
#include "attenuation/Spectrum.h"
#include "attenuation/Units.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

namespace bindings {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The rows of an array that gave no value: how many, and the first with its reason.
struct Refusals {
    std::size_t count = 0;
    attenuation::Outcome firstOutcome = attenuation::Outcome::Ok;
    double firstEnergyMeV = 0.0;

    void add(attenuation::Outcome outcome, double energyMeV) {
        if (count++ == 0) {
            firstOutcome = outcome;
            firstEnergyMeV = energyMeV;
        }
    }
    void raiseIfAny(bool raise, std::size_t of) const {
        if (raise && count > 0) {
            throw std::invalid_argument(std::to_string(count) + " of " + std::to_string(of) +
                                        " energies gave no value, the first: " +
                                        attenuation::DescribeOutcome(firstOutcome, firstEnergyMeV));
        }
    }
};

// What a material is made of, by weight, for the energy-absorption and effective-Z sums: the
// resolver's composition as it stands (the command line takes the same, so the sums agree to
// the bit).
attenuation::Composition compositionOf(const LoadedMaterial& material, const py::handle& argument) {
    const material::ResolvedMaterial& resolved = material.resolved;
    const std::string named = !resolved.dataPath.empty()          ? resolved.dataPath
                              : py::isinstance<py::str>(argument) ? argument.cast<std::string>()
                                                                  : resolved.name;
    std::string error;
    std::optional<attenuation::Composition> shares =
        attenuation::SharesOf(resolved.composition, named, error);
    if (!shares) {
        throw std::invalid_argument(error);
    }
    return *shares;
}

attenuation::AbsorptionMix absorptionOf(const attenuation::Composition& composition,
                                        attenuation::AbsorptionLibrary& library) {
    std::string error;
    std::optional<attenuation::AbsorptionMix> mix =
        attenuation::MixAbsorption(composition, library, error);
    if (!mix) {
        throw std::invalid_argument(error);
    }
    return *mix;
}

// Dry air of the material's working folder, the reference of air kerma.
attenuation::AbsorptionMix dryAir(const std::filesystem::path& root,
                                  attenuation::AbsorptionLibrary& library) {
    std::string error;
    std::optional<attenuation::Composition> air =
        attenuation::FindComposition(root, attenuation::kDryAirPath, error);
    if (!air) {
        throw std::invalid_argument(error);
    }
    return absorptionOf(*air, library);
}

double densityOf(const LoadedMaterial& material, std::optional<double> density) {
    if (!density) {
        density = material.resolved.densityGPerCm3;
    }
    if (!density) {
        throw std::invalid_argument("the density of '" + material.resolved.name +
                                    "' is not known: give density=");
    }
    if (!(*density > 0.0) || !std::isfinite(*density)) {
        throw std::invalid_argument("the density must be a number above 0, not " +
                                    numberText(*density));
    }
    return *density;
}

// Runs one computation per value without the interpreter's lock; `compute` returns the outcome
// and writes the row, which is set to `failed` when the outcome is not Ok.
template <typename Row, typename Compute>
py::object perEnergy(const Values& energies, const std::string& errors, Row failed,
                     Compute compute) {
    const bool raise = raiseOnFailure(errors);
    auto result = shapedLike<Row>(energies);
    const auto count = static_cast<std::size_t>(energies.size());
    Refusals refusals;
    {
        py::gil_scoped_release released;
        Row* out = result.mutable_data();
        for (std::size_t i = 0; i < count; ++i) {
            const double energyMeV = energies.data()[i];
            const attenuation::Outcome outcome = compute(energyMeV, out[i]);
            if (outcome != attenuation::Outcome::Ok) {
                out[i] = failed;
                refusals.add(outcome, energyMeV);
            }
        }
    }
    refusals.raiseIfAny(raise, count);
    return unwrapScalar(std::move(result));
}

py::object muEnRho(const py::handle& argument, const Values& energies, const std::string& errors) {
    const Material material = materialOf(argument);
    attenuation::AbsorptionLibrary library(material->root);
    const attenuation::AbsorptionMix mix =
        absorptionOf(compositionOf(*material, argument), library);
    return perEnergy(energies, errors, kNaN, [&](double energyMeV, double& out) {
        return attenuation::MassEnergyAbsorption(mix, energyMeV, out);
    });
}

py::object halfValueLayers(const py::handle& argument, const Values& energies,
                           std::optional<double> density, const std::string& errors) {
    const Material material = materialOf(argument);
    const double rho = densityOf(*material, density);
    return perEnergy(energies, errors, attenuation::HalfValueRow{kNaN, kNaN, kNaN, kNaN},
                     [&](double energyMeV, attenuation::HalfValueRow& out) {
                         return attenuation::HalfValueAt(material->resolved.table, rho, energyMeV,
                                                         out);
                     });
}

// The six coefficients in a unit, and the total without coherent scattering: the look-ups of
// mu_rho, the very doubles, each scaled as the command line's --unit scales it.
py::tuple muRhoIn(const py::handle& argument, const Values& energies, const std::string& unitText,
                  std::optional<double> density, const std::string& errors) {
    const bool raise = raiseOnFailure(errors);
    std::string problem;
    const std::optional<attenuation::CoefficientUnit> unit =
        attenuation::ReadCoefficientUnit(unitText, problem);
    if (!unit) {
        throw std::invalid_argument(problem);
    }
    const Material material = materialOf(argument);
    const std::optional<attenuation::CoefficientScale> scale = attenuation::ScaleFor(
        *unit, material->resolved, density, material->root, problem, "density=");
    if (!scale) {
        throw std::invalid_argument(problem);
    }
    auto result = shapedLike<calc::CoefficientSet>(energies);
    auto without = shapedLike<double>(energies);
    const auto count = static_cast<std::size_t>(energies.size());
    Failures failures;
    {
        py::gil_scoped_release released;
        calc::CoefficientSet* rows = result.mutable_data();
        failures = CoefficientsAtEnergies(material->resolved.table, energies.data(), rows, count);
        for (std::size_t i = 0; i < count; ++i) {
            calc::CoefficientSet& row = rows[i];
            without.mutable_data()[i] = scale->Apply(attenuation::TotalWithoutCoherent(row));
            for (double* value : {&row.coherent, &row.incoherent, &row.photoElectric,
                                  &row.pairNuclear, &row.pairElectron, &row.total}) {
                *value = scale->Apply(*value);
            }
        }
    }
    if (raise && failures.count > 0) {
        throw std::invalid_argument(
            std::to_string(failures.count) + " of " + std::to_string(count) +
            " energies gave no value (out of range or calculation error), the first " +
            numberText(energies.data()[failures.first]) + " MeV");
    }
    return py::make_tuple(std::move(result), std::move(without));
}

py::object transmission(const py::sequence& stack, const Values& energies,
                        const std::string& errors) {
    std::vector<Material> materials;
    const std::vector<attenuation::Layer> layers = LayersOf(stack, materials);
    return perEnergy(energies, errors, kNaN, [&](double energyMeV, double& out) {
        double muX = 0.0;
        const attenuation::Outcome outcome = attenuation::StackAt(layers, energyMeV, muX);
        out = std::exp(-muX);
        return outcome;
    });
}

py::object effectiveZ(const py::handle& argument, const Values& energies,
                      const std::string& errors) {
    const Material material = materialOf(argument);
    attenuation::ElementLibrary library(material->root);
    std::string error;
    const auto elements =
        attenuation::ElementsOf(compositionOf(*material, argument), library, error);
    if (!elements) {
        throw std::invalid_argument(error);
    }
    return perEnergy(energies, errors, attenuation::EffectiveZRow{kNaN, kNaN},
                     [&](double energyMeV, attenuation::EffectiveZRow& out) {
                         return attenuation::EffectiveZAt(*elements, energyMeV, out);
                     });
}

py::tuple spectrumHalfValueLayers(const Values& energies, const Values& weights,
                                  const py::handle& argument, std::optional<double> density) {
    const std::vector<attenuation::SpectrumBin> bins = SpectrumBinsOf(energies, weights);
    const Material material = materialOf(argument);
    attenuation::AbsorptionLibrary library(material->root);
    const attenuation::AbsorptionMix air = dryAir(material->root, library);
    const attenuation::Layer layer{&material->resolved.table, densityOf(*material, density), 0.0};
    attenuation::HalfValueLayers layers;
    attenuation::SpectrumProblem problem;
    if (!attenuation::SpectrumHalfValueLayers(bins, layer, air, layers, problem)) {
        throw std::invalid_argument(problem.line > 0 ? "bin " + std::to_string(problem.line) +
                                                           " of the spectrum: " + problem.what
                                                     : problem.what);
    }
    return py::make_tuple(layers.first, layers.second, layers.homogeneity);
}

} // namespace

// Read as the core reads a spectrum file, one line a bin, so that the same rules apply; the exact
// values go through as the shortest text that reads back to them.
std::vector<attenuation::SpectrumBin> SpectrumBinsOf(const Values& energies,
                                                     const Values& weights) {
    if (energies.ndim() != 1 || weights.ndim() != 1 || energies.size() != weights.size()) {
        throw std::invalid_argument("a spectrum is two sequences of one length: energies (MeV) "
                                    "and the photons of each bin");
    }
    std::string text;
    char number[32];
    for (py::ssize_t i = 0; i < energies.size(); ++i) {
        for (const double value : {energies.data()[i], weights.data()[i]}) {
            text.append(number, std::to_chars(number, number + sizeof number, value).ptr);
            text += ' ';
        }
        text += '\n';
    }
    std::vector<attenuation::SpectrumBin> bins;
    attenuation::SpectrumProblem problem;
    if (!attenuation::ReadSpectrum(text, bins, problem)) {
        throw std::invalid_argument(problem.line > 0 ? "bin " + std::to_string(problem.line) +
                                                           " of the spectrum: " + problem.what
                                                     : "the spectrum: " + problem.what);
    }
    return bins;
}

std::vector<attenuation::Layer> LayersOf(const py::sequence& stack,
                                         std::vector<Material>& materials) {
    std::vector<attenuation::Layer> layers;
    for (const py::handle item : stack) {
        const bool sequence = py::isinstance<py::sequence>(item) && !py::isinstance<py::str>(item);
        const py::sequence layer = sequence ? item.cast<py::sequence>() : py::sequence();
        if (!sequence || (layer.size() != 2 && layer.size() != 3)) {
            throw py::type_error("a layer is (material, thickness) or (material, thickness, "
                                 "density in g/cm3), the thickness in cm or a text with its "
                                 "unit, not " +
                                 std::string(py::repr(item)));
        }
        materials.push_back(materialOf(layer[0]));
        // A number is cm; a text may carry its unit ("5 mm", "2 g/cm2"), read as the core reads
        // a typed layer's.
        std::string problem;
        const std::optional<attenuation::Thickness> thickness =
            py::isinstance<py::str>(layer[1])
                ? attenuation::ReadThickness(layer[1].cast<std::string>(), problem)
                : std::optional(attenuation::Thickness{py::float_(layer[1]).cast<double>(), false});
        if (!thickness) {
            throw std::invalid_argument("a layer's " + problem.substr(4));
        }
        if (!(thickness->value >= 0.0) || !std::isfinite(thickness->value)) {
            throw std::invalid_argument("a layer's thickness must be a number of cm from 0 up, "
                                        "not " +
                                        numberText(thickness->value));
        }
        const Material& last = materials.back();
        const double density = layer.size() == 3
                                   ? densityOf(*last, py::float_(layer[2]).cast<double>())
                                   : densityOf(*last, std::nullopt);
        layers.push_back({&last->resolved.table, density, thickness->Cm(density)});
    }
    return layers;
}

void BindAttenuation(py::module_& module) {
    PYBIND11_NUMPY_DTYPE(attenuation::HalfValueRow, mu, hvl, tvl, mfp);
    PYBIND11_NUMPY_DTYPE(attenuation::EffectiveZRow, zeff, neff);
    module.def("_mu_en_rho", &muEnRho, py::arg("material"), py::arg("energies"), py::arg("errors"));
    module.def("_hvl", &halfValueLayers, py::arg("material"), py::arg("energies"),
               py::arg("density"), py::arg("errors"));
    module.def("_mu_rho_in", &muRhoIn, py::arg("material"), py::arg("energies"), py::arg("unit"),
               py::arg("density"), py::arg("errors"));
    module.def("_transmission", &transmission, py::arg("layers"), py::arg("energies"),
               py::arg("errors"));
    module.def("_zeff", &effectiveZ, py::arg("material"), py::arg("energies"), py::arg("errors"));
    module.def("_spectrum_hvl", &spectrumHalfValueLayers, py::arg("energies"), py::arg("weights"),
               py::arg("material"), py::arg("density"));
}

} // namespace bindings
