// Layer by layer: each layer's shares of a beam, a sensor layer's efficiency and thickness, and
// the thickness of a reference material that transmits what a stack does, from the core.
#include "Support.h"
#include "attenuation/Compositions.h"
#include "attenuation/LayerShares.h"
#include "attenuation/Spectrum.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

namespace bindings {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double pathFactorOf(double angleDeg) {
    std::string problem;
    const std::optional<double> factor = attenuation::PathFactor(angleDeg, problem);
    if (!factor) {
        throw std::invalid_argument("angle_deg=" + numberText(angleDeg) + ": " + problem);
    }
    return *factor;
}

// A stack's layers with, when every layer's composition is known, their energy-absorption
// mixes (else the deposited shares are NaN).
struct Stack {
    std::vector<Material> materials;
    std::vector<attenuation::Layer> layers;
    std::unique_ptr<attenuation::AbsorptionLibrary> library;
    std::optional<std::vector<attenuation::AbsorptionMix>> mixes;

    explicit Stack(const py::sequence& stack, bool absorption = false)
        : layers(LayersOf(stack, materials)) {
        if (layers.empty()) {
            throw std::invalid_argument("a stack needs at least one layer");
        }
        if (!absorption) {
            return;
        }
        library = std::make_unique<attenuation::AbsorptionLibrary>(materials.front()->root);
        mixes.emplace();
        for (const Material& material : materials) {
            const material::ResolvedMaterial& resolved = material->resolved;
            std::string error;
            const std::optional<attenuation::Composition> shares = attenuation::SharesOf(
                resolved.composition, resolved.dataPath.empty() ? resolved.name : resolved.dataPath,
                error);
            std::optional<attenuation::AbsorptionMix> mix =
                shares ? attenuation::MixAbsorption(*shares, *library, error) : std::nullopt;
            if (!mix) {
                mixes.reset();
                return;
            }
            mixes->push_back(std::move(*mix));
        }
    }
    const std::vector<attenuation::AbsorptionMix>* Mixes() const {
        return mixes ? &*mixes : nullptr;
    }
};

std::size_t sensorOf(const Stack& stack, long long sensor) {
    const auto count = static_cast<long long>(stack.layers.size());
    if (sensor < 0 || sensor >= count) {
        throw std::invalid_argument("sensor=" + std::to_string(sensor) +
                                    " is not a layer of the stack: give 0 to " +
                                    std::to_string(count - 1) + " (0 for the first)");
    }
    return static_cast<std::size_t>(sensor);
}

void raiseFor(bool raise, std::size_t failed, std::size_t of, attenuation::Outcome first,
              double energyMeV) {
    if (raise && failed > 0) {
        throw std::invalid_argument(std::to_string(failed) + " of " + std::to_string(of) +
                                    " energies gave no value, the first: " +
                                    attenuation::DescribeOutcome(first, energyMeV));
    }
}

// One value per energy, computed without the interpreter's lock; NaN where the outcome is not
// Ok (or ValueError with errors="raise").
template <typename Compute>
py::object perEnergy(const Values& energies, const std::string& errors, Compute compute) {
    const bool raise = raiseOnFailure(errors);
    auto result = shapedLike<double>(energies);
    const auto count = static_cast<std::size_t>(energies.size());
    std::size_t failed = 0;
    attenuation::Outcome first = attenuation::Outcome::Ok;
    double firstEnergy = 0.0;
    {
        py::gil_scoped_release released;
        double* out = result.mutable_data();
        for (std::size_t i = 0; i < count; ++i) {
            const double energy = energies.data()[i];
            const attenuation::Outcome outcome = compute(energy, out[i]);
            if (outcome != attenuation::Outcome::Ok) {
                out[i] = kNaN;
                if (failed++ == 0) {
                    first = outcome;
                    firstEnergy = energy;
                }
            }
        }
    }
    raiseFor(raise, failed, count, first, firstEnergy);
    return unwrapScalar(std::move(result));
}

// An array of `rows` rows, each of the energies' shape.
py::array_t<double> rowsOf(std::size_t rows, const Values& energies) {
    std::vector<py::ssize_t> shape{static_cast<py::ssize_t>(rows)};
    shape.insert(shape.end(), energies.shape(), energies.shape() + energies.ndim());
    return py::array_t<double>(shape);
}

py::tuple layerShares(const py::sequence& layers, const Values& energies, double angleDeg,
                      const std::string& errors) {
    const bool raise = raiseOnFailure(errors);
    const double factor = pathFactorOf(angleDeg);
    const Stack stack(layers, true);
    const std::size_t count = static_cast<std::size_t>(energies.size());
    const std::size_t n = stack.layers.size();
    std::array<py::array_t<double>, 4> fields{rowsOf(n, energies), rowsOf(n, energies),
                                              rowsOf(n, energies), rowsOf(n, energies)};
    std::size_t failed = 0;
    attenuation::Outcome first = attenuation::Outcome::Ok;
    double firstEnergy = 0.0;
    {
        py::gil_scoped_release released;
        std::array<double*, 4> out{};
        for (std::size_t f = 0; f < 4; ++f) {
            out[f] = fields[f].mutable_data();
        }
        std::vector<attenuation::LayerShare> shares;
        for (std::size_t i = 0; i < count; ++i) {
            const double energy = energies.data()[i];
            const attenuation::Outcome outcome =
                attenuation::LayerSharesAt(stack.layers, stack.Mixes(), energy, factor, shares);
            if (outcome != attenuation::Outcome::Ok && failed++ == 0) {
                first = outcome;
                firstEnergy = energy;
            }
            for (std::size_t l = 0; l < n; ++l) {
                const bool ok = outcome == attenuation::Outcome::Ok;
                out[0][l * count + i] = ok ? shares[l].interacted : kNaN;
                out[1][l * count + i] = ok ? shares[l].photoAbsorbed : kNaN;
                out[2][l * count + i] = ok ? shares[l].deposited : kNaN;
                out[3][l * count + i] = ok ? shares[l].transmitted : kNaN;
            }
        }
    }
    raiseFor(raise, failed, count, first, firstEnergy);
    return py::make_tuple(fields[0], fields[1], fields[2], fields[3]);
}

[[noreturn]] void raiseSpectrum(const attenuation::SpectrumProblem& problem) {
    throw std::invalid_argument(problem.line > 0 ? "bin " + std::to_string(problem.line) +
                                                       " of the spectrum: " + problem.what
                                                 : problem.what);
}

py::tuple spectrumLayerShares(const Values& energies, const Values& weights,
                              const py::sequence& layers, double angleDeg) {
    const std::vector<attenuation::SpectrumBin> bins = SpectrumBinsOf(energies, weights);
    const double factor = pathFactorOf(angleDeg);
    const Stack stack(layers, true);
    attenuation::SpectrumShares shares;
    attenuation::SpectrumProblem problem;
    if (!attenuation::SpectrumLayerShares(bins, stack.layers, stack.Mixes(), factor, shares,
                                          problem)) {
        raiseSpectrum(problem);
    }
    const std::size_t n = stack.layers.size();
    std::array<py::array_t<double>, 4> total;
    for (auto& field : total) {
        field = py::array_t<double>(static_cast<py::ssize_t>(n));
    }
    const auto binCount = static_cast<py::ssize_t>(bins.size());
    py::array_t<double> received({static_cast<py::ssize_t>(n), binCount});
    py::array_t<double> passed({static_cast<py::ssize_t>(n), binCount});
    std::array<py::array_t<double>, 4> perBin;
    for (auto& field : perBin) {
        field = py::array_t<double>({static_cast<py::ssize_t>(n), binCount});
    }
    for (std::size_t l = 0; l < n; ++l) {
        const attenuation::LayerShare& s = shares.total[l];
        total[0].mutable_data()[l] = s.interacted;
        total[1].mutable_data()[l] = s.photoAbsorbed;
        total[2].mutable_data()[l] = s.deposited;
        total[3].mutable_data()[l] = s.transmitted;
        for (std::size_t b = 0; b < bins.size(); ++b) {
            const attenuation::LayerShare& one = shares.bins[b][l];
            perBin[0].mutable_data()[l * bins.size() + b] = one.interacted;
            perBin[1].mutable_data()[l * bins.size() + b] = one.photoAbsorbed;
            perBin[2].mutable_data()[l * bins.size() + b] = one.deposited;
            perBin[3].mutable_data()[l * bins.size() + b] = one.transmitted;
            const double in = l == 0 ? bins[b].weight : passed.data()[(l - 1) * bins.size() + b];
            received.mutable_data()[l * bins.size() + b] = in;
            passed.mutable_data()[l * bins.size() + b] =
                bins[b].weight * shares.bins[b][l].transmitted;
        }
    }
    return py::make_tuple(total[0], total[1], total[2], total[3], received, passed,
                          py::make_tuple(perBin[0], perBin[1], perBin[2], perBin[3]));
}

py::tuple sensorEfficiency(const py::sequence& layers, const Values& energies, long long sensor,
                           double angleDeg, const std::string& errors) {
    const double factor = pathFactorOf(angleDeg);
    Stack stack(layers);
    const std::size_t index = sensorOf(stack, sensor);
    stack.layers.resize(index + 1); // the layers behind change nothing of what reaches it
    std::vector<attenuation::LayerShare> shares;
    py::object interacted = perEnergy(energies, errors, [&](double energy, double& out) {
        const attenuation::Outcome outcome =
            attenuation::LayerSharesAt(stack.layers, nullptr, energy, factor, shares);
        out = outcome == attenuation::Outcome::Ok ? shares[index].interacted : kNaN;
        return outcome;
    });
    py::object photo = perEnergy(energies, errors, [&](double energy, double& out) {
        const attenuation::Outcome outcome =
            attenuation::LayerSharesAt(stack.layers, nullptr, energy, factor, shares);
        out = outcome == attenuation::Outcome::Ok ? shares[index].photoAbsorbed : kNaN;
        return outcome;
    });
    return py::make_tuple(interacted, photo);
}

py::object sensorThickness(const py::sequence& layers, const Values& energies, long long sensor,
                           double fraction, double angleDeg, const std::string& by,
                           const std::string& errors) {
    const double factor = pathFactorOf(angleDeg);
    const Stack stack(layers);
    const std::size_t index = sensorOf(stack, sensor);
    if (by != "interacted" && by != "photo") {
        throw std::invalid_argument("by takes 'interacted' or 'photo', not '" + by + "'");
    }
    if (!(fraction > 0.0 && fraction < 1.0)) {
        throw std::invalid_argument("the fraction must lie above 0 and below 1, not " +
                                    numberText(fraction));
    }
    const auto count = by == "photo" ? attenuation::SensorCount::PhotoAbsorbed
                                     : attenuation::SensorCount::Interacted;
    return perEnergy(energies, errors, [&](double energy, double& out) {
        return attenuation::SensorThicknessFor(stack.layers, index, energy, factor, fraction, count,
                                               out);
    });
}

attenuation::Layer referenceOf(const py::handle& reference, std::optional<double> density,
                               Material& kept) {
    kept = materialOf(reference);
    if (!density) {
        density = kept->resolved.densityGPerCm3;
    }
    if (!density || !(*density > 0.0) || !std::isfinite(*density)) {
        throw std::invalid_argument("the density of the reference '" + kept->resolved.name +
                                    "' is not known or not above 0: give density=");
    }
    return {&kept->resolved.table, *density, 0.0};
}

py::object equivalentThickness(const py::sequence& layers, const Values& energies,
                               const py::handle& reference, std::optional<double> density,
                               const std::string& errors) {
    const Stack stack(layers);
    Material kept;
    const attenuation::Layer layer = referenceOf(reference, density, kept);
    return perEnergy(energies, errors, [&](double energy, double& out) {
        return attenuation::EquivalentThicknessAt(stack.layers, layer, energy, out);
    });
}

py::tuple spectrumEquivalentThickness(const Values& energies, const Values& weights,
                                      const py::sequence& layers, const py::handle& reference,
                                      std::optional<double> density) {
    const std::vector<attenuation::SpectrumBin> bins = SpectrumBinsOf(energies, weights);
    const Stack stack(layers);
    Material kept;
    const attenuation::Layer layer = referenceOf(reference, density, kept);
    attenuation::AbsorptionLibrary library(kept->root);
    std::string error;
    const std::optional<attenuation::Composition> air =
        attenuation::FindComposition(kept->root, attenuation::kDryAirPath, error);
    const std::optional<attenuation::AbsorptionMix> mix =
        air ? attenuation::MixAbsorption(*air, library, error) : std::nullopt;
    if (!mix) {
        throw std::invalid_argument(error);
    }
    double kerma = 0.0;
    double thickness = 0.0;
    attenuation::SpectrumProblem problem;
    if (!attenuation::SpectrumEquivalentThickness(bins, stack.layers, layer, *mix, kerma, thickness,
                                                  problem)) {
        raiseSpectrum(problem);
    }
    return py::make_tuple(kerma, thickness);
}

} // namespace

void BindLayers(py::module_& module) {
    module.def("_layer_shares", &layerShares, py::arg("layers"), py::arg("energies"),
               py::arg("angle_deg"), py::arg("errors"));
    module.def("_spectrum_layer_shares", &spectrumLayerShares, py::arg("energies"),
               py::arg("weights"), py::arg("layers"), py::arg("angle_deg"));
    module.def("_sensor_efficiency", &sensorEfficiency, py::arg("layers"), py::arg("energies"),
               py::arg("sensor"), py::arg("angle_deg"), py::arg("errors"));
    module.def("_sensor_thickness", &sensorThickness, py::arg("layers"), py::arg("energies"),
               py::arg("sensor"), py::arg("fraction"), py::arg("angle_deg"), py::arg("by"),
               py::arg("errors"));
    module.def("_equivalent_thickness", &equivalentThickness, py::arg("layers"),
               py::arg("energies"), py::arg("reference"), py::arg("density"), py::arg("errors"));
    module.def("_spectrum_equivalent_thickness", &spectrumEquivalentThickness, py::arg("energies"),
               py::arg("weights"), py::arg("layers"), py::arg("reference"), py::arg("density"));
}

} // namespace bindings
