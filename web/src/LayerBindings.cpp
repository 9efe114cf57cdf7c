// Layer by layer for the page: what each layer of a stack takes of the photons, a sensor's
// efficiency and thickness, the thickness of a reference that transmits as much, and the
// efficiency plot.
#include "Support.h"
#include "attenuation/EfficiencyPlot.h"
#include "attenuation/EquivalencePlot.h"
#include "attenuation/LayerShares.h"
#include "attenuation/Spectrum.h"

#include <emscripten/bind.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace bindings {
namespace {

// 1 / cos of the angle of incidence, or the message for an angle outside 0 up to 90 degrees.
std::optional<double> pathFactorOf(double angleDeg, std::string& error) {
    std::string problem;
    const std::optional<double> factor = attenuation::PathFactor(angleDeg, problem);
    if (!factor) {
        error = "angle " + numberText(angleDeg) + ": " + problem;
    }
    return factor;
}

// Every layer's energy-absorption mix, or none when a layer's composition is not known (its
// deposited shares are then NaN).
std::optional<std::vector<attenuation::AbsorptionMix>>
layerMixesOf(const Stack& stack, attenuation::AbsorptionLibrary& library) {
    std::vector<attenuation::Composition> compositions;
    std::string error;
    for (const Material& m : stack.materials) {
        std::optional<attenuation::Composition> shares = attenuation::SharesOf(
            m->composition, m->dataPath.empty() ? m->name : m->dataPath, error);
        if (!shares) {
            return std::nullopt;
        }
        compositions.push_back(std::move(*shares));
    }
    return mixesOf(compositions, library, error);
}

// The stack's layer `sensor` (0 for the first), or the message for one outside it.
std::optional<std::size_t> sensorOf(const Stack& stack, int sensor, std::string& error) {
    if (sensor < 0 || static_cast<std::size_t>(sensor) >= stack.layers.size()) {
        error = "sensor " + std::to_string(sensor) + " is not a layer of the stack: give 0 to " +
                std::to_string(stack.layers.size() - 1) + " (0 for the first)";
        return std::nullopt;
    }
    return static_cast<std::size_t>(sensor);
}

constexpr std::array<const char*, 4> kShareNames = {"interacted", "photo_absorbed", "deposited",
                                                    "transmitted"};

std::array<double, 4> shareValues(const attenuation::LayerShare& s) {
    return {s.interacted, s.photoAbsorbed, s.deposited, s.transmitted};
}

// {interacted, photo_absorbed, deposited, transmitted}: each an array of one Float64Array per
// layer, over the energies.
val layerShares(const val& list, const val& energiesArray, double angleDeg) {
    std::string error;
    const std::optional<Stack> stack = stackOf(list, error);
    const std::optional<double> factor = stack ? pathFactorOf(angleDeg, error) : std::nullopt;
    if (!factor) {
        return failed(error);
    }
    attenuation::AbsorptionLibrary library(kRoot);
    const auto mixes = layerMixesOf(*stack, library);
    const std::vector<double> energies = numbers(energiesArray);
    const std::size_t n = stack->layers.size();
    std::array<std::vector<std::vector<double>>, 4> columns;
    for (auto& column : columns) {
        column.assign(n, std::vector<double>(energies.size(), kNaN));
    }
    std::vector<attenuation::LayerShare> shares;
    for (std::size_t i = 0; i < energies.size(); ++i) {
        if (attenuation::LayerSharesAt(stack->layers, mixes ? &*mixes : nullptr, energies[i],
                                       *factor, shares) != attenuation::Outcome::Ok) {
            continue;
        }
        for (std::size_t l = 0; l < n; ++l) {
            const std::array<double, 4> values = shareValues(shares[l]);
            for (std::size_t f = 0; f < 4; ++f) {
                columns[f][l][i] = values[f];
            }
        }
    }
    val result = val::object();
    for (std::size_t f = 0; f < 4; ++f) {
        val perLayer = val::array();
        for (const std::vector<double>& layer : columns[f]) {
            perLayer.call<void>("push", floatArray(layer));
        }
        result.set(kShareNames[f], perLayer);
    }
    return result;
}

// A spectrum file's text through the stack: {interacted, photo_absorbed, deposited,
// transmitted} as one Float64Array of a value per layer; {received, passed}, the photons of
// each bin that reach and leave each layer, one Float64Array per layer; and bins, the four of
// each bin, one Float64Array per layer.
val spectrumLayerShares(const std::string& spectrum, const val& list, double angleDeg,
                        bool energiesInKeV) {
    std::vector<attenuation::SpectrumBin> bins;
    attenuation::SpectrumProblem problem;
    if (!attenuation::ReadSpectrum(spectrum, bins, problem, energiesInKeV)) {
        return failed("the spectrum, " + attenuation::DescribeSpectrumProblem(problem));
    }
    std::string error;
    const std::optional<Stack> stack = stackOf(list, error);
    const std::optional<double> factor = stack ? pathFactorOf(angleDeg, error) : std::nullopt;
    if (!factor) {
        return failed(error);
    }
    attenuation::AbsorptionLibrary library(kRoot);
    const auto mixes = layerMixesOf(*stack, library);
    attenuation::SpectrumShares shares;
    if (!attenuation::SpectrumLayerShares(bins, stack->layers, mixes ? &*mixes : nullptr, *factor,
                                          shares, problem)) {
        return failed("the spectrum, " + attenuation::DescribeSpectrumProblem(problem));
    }
    const std::size_t n = stack->layers.size();
    std::array<std::vector<double>, 4> totals;
    val received = val::array();
    val passed = val::array();
    std::vector<double> in(bins.size());
    for (std::size_t b = 0; b < bins.size(); ++b) {
        in[b] = bins[b].weight;
    }
    for (std::size_t l = 0; l < n; ++l) {
        const std::array<double, 4> values = shareValues(shares.total[l]);
        for (std::size_t f = 0; f < 4; ++f) {
            totals[f].push_back(values[f]);
        }
        std::vector<double> out(bins.size());
        for (std::size_t b = 0; b < bins.size(); ++b) {
            out[b] = bins[b].weight * shares.bins[b][l].transmitted;
        }
        received.call<void>("push", floatArray(in));
        passed.call<void>("push", floatArray(out));
        in = std::move(out);
    }
    val result = named<4>(totals, kShareNames);
    result.set("received", received);
    result.set("passed", passed);
    // Each bin's own shares: per field, one Float64Array over the bins per layer.
    val perBin = val::object();
    for (std::size_t f = 0; f < 4; ++f) {
        val perLayer = val::array();
        for (std::size_t l = 0; l < n; ++l) {
            std::vector<double> column(bins.size());
            for (std::size_t b = 0; b < bins.size(); ++b) {
                column[b] = shareValues(shares.bins[b][l])[f];
            }
            perLayer.call<void>("push", floatArray(column));
        }
        perBin.set(kShareNames[f], perLayer);
    }
    result.set("bins", perBin);
    return result;
}

// {interacted, photo_absorbed} of the stack's layer `sensor` over the energies.
val sensorEfficiency(const val& list, const val& energiesArray, int sensor, double angleDeg) {
    std::string error;
    std::optional<Stack> stack = stackOf(list, error);
    const std::optional<double> factor = stack ? pathFactorOf(angleDeg, error) : std::nullopt;
    const std::optional<std::size_t> index =
        factor ? sensorOf(*stack, sensor, error) : std::nullopt;
    if (!index) {
        return failed(error);
    }
    stack->layers.resize(*index + 1); // the layers behind change nothing of what reaches it
    return named<2>(
        perEnergy<2>(numbers(energiesArray),
                     [&](double energy, std::array<double, 2>& row) {
                         std::vector<attenuation::LayerShare> shares;
                         const attenuation::Outcome outcome = attenuation::LayerSharesAt(
                             stack->layers, nullptr, energy, *factor, shares);
                         if (outcome == attenuation::Outcome::Ok) {
                             row = {shares.back().interacted, shares.back().photoAbsorbed};
                         }
                         return outcome;
                     }),
        {"interacted", "photo_absorbed"});
}

// The thickness (cm) of layer `sensor` that takes `fraction` of the photons: by "interacted" or
// "photo"; NaN where none does.
val sensorThickness(const val& list, const val& energiesArray, int sensor, double fraction,
                    double angleDeg, const std::string& by) {
    std::string error;
    const std::optional<Stack> stack = stackOf(list, error);
    const std::optional<double> factor = stack ? pathFactorOf(angleDeg, error) : std::nullopt;
    const std::optional<std::size_t> index =
        factor ? sensorOf(*stack, sensor, error) : std::nullopt;
    if (!index) {
        return failed(error);
    }
    if (by != "interacted" && by != "photo") {
        return failed("by takes 'interacted' or 'photo', not '" + by + "'");
    }
    if (!(fraction > 0.0 && fraction < 1.0)) {
        return failed("the fraction must lie above 0 and below 1, not " + numberText(fraction));
    }
    const auto count = by == "photo" ? attenuation::SensorCount::PhotoAbsorbed
                                     : attenuation::SensorCount::Interacted;
    return floatArray(
        perEnergy<1>(numbers(energiesArray), [&](double energy, std::array<double, 1>& row) {
            return attenuation::SensorThicknessFor(stack->layers, *index, energy, *factor, fraction,
                                                   count, row[0]);
        })[0]);
}

// The reference material as a layer, at its own density or the one given.
std::optional<attenuation::Layer> referenceOf(const std::string& reference, const val& density,
                                              Material& kept, std::string& error) {
    const std::optional<Material> found = resolve(reference, error);
    if (!found) {
        return std::nullopt;
    }
    kept = *found;
    const double rho = densityOf(*kept, density, error);
    if (!error.empty()) {
        error = "the reference '" + reference + "': " + error;
        return std::nullopt;
    }
    return attenuation::Layer{&kept->table, rho, 0.0};
}

// The thickness (cm) of the reference that transmits what the stack does, at each energy.
val equivalentThickness(const val& list, const val& energiesArray, const std::string& reference,
                        const val& density) {
    std::string error;
    const std::optional<Stack> stack = stackOf(list, error);
    Material kept;
    const std::optional<attenuation::Layer> layer =
        stack ? referenceOf(reference, density, kept, error) : std::nullopt;
    if (!layer) {
        return failed(error);
    }
    return floatArray(
        perEnergy<1>(numbers(energiesArray), [&](double energy, std::array<double, 1>& row) {
            return attenuation::EquivalentThicknessAt(stack->layers, *layer, energy, row[0]);
        })[0]);
}

// {air_kerma_transmission, thickness} of a spectrum file's text through the stack.
val spectrumEquivalentThickness(const std::string& spectrum, const val& list,
                                const std::string& reference, const val& density,
                                bool energiesInKeV) {
    std::vector<attenuation::SpectrumBin> bins;
    attenuation::SpectrumProblem problem;
    if (!attenuation::ReadSpectrum(spectrum, bins, problem, energiesInKeV)) {
        return failed("the spectrum, " + attenuation::DescribeSpectrumProblem(problem));
    }
    std::string error;
    const std::optional<Stack> stack = stackOf(list, error);
    Material kept;
    const std::optional<attenuation::Layer> layer =
        stack ? referenceOf(reference, density, kept, error) : std::nullopt;
    attenuation::AbsorptionLibrary library(kRoot);
    const std::optional<attenuation::Composition> air =
        layer ? libraryComposition(attenuation::kDryAirPath, error) : std::nullopt;
    const std::optional<std::vector<attenuation::AbsorptionMix>> airMix =
        air ? mixesOf({*air}, library, error) : std::nullopt;
    if (!airMix) {
        return failed(error);
    }
    double kerma = 0.0;
    double thickness = 0.0;
    if (!attenuation::SpectrumEquivalentThickness(bins, stack->layers, *layer, airMix->front(),
                                                  kerma, thickness, problem)) {
        return failed("the spectrum, " + attenuation::DescribeSpectrumProblem(problem));
    }
    val result = val::object();
    result.set("air_kerma_transmission", kerma);
    result.set("thickness", thickness);
    return result;
}

// The efficiency of the stack's layer `sensor` against energy, as the Attenuation window draws it.
val drawEfficiency(const val& list, int sensor, double angleDeg, val context, int width,
                   int height) {
    std::string error;
    const std::optional<Stack> stack = stackOf(list, error);
    const std::optional<double> factor = stack ? pathFactorOf(angleDeg, error) : std::nullopt;
    const std::optional<std::size_t> index =
        factor ? sensorOf(*stack, sensor, error) : std::nullopt;
    if (!index) {
        return failed(error);
    }
    HtmlCanvas canvas(std::move(context), width, height);
    attenuation::DrawEfficiencyPlot(canvas, stack->layers, *index, *factor);
    return scaleOf(canvas);
}

// The thickness of the reference that transmits what the stack does against energy, as the
// Layer by layer window draws it.
val drawEquivalence(const val& list, const std::string& reference, const val& density, val context,
                    int width, int height) {
    std::string error;
    const std::optional<Stack> stack = stackOf(list, error);
    Material kept;
    const std::optional<attenuation::Layer> layer =
        stack ? referenceOf(reference, density, kept, error) : std::nullopt;
    if (!layer) {
        return failed(error);
    }
    HtmlCanvas canvas(std::move(context), width, height);
    attenuation::DrawEquivalencePlot(canvas, stack->layers, *layer, kept->name);
    return scaleOf(canvas);
}

} // namespace

void BindLayers() {
    emscripten::function("layer_shares", &layerShares);
    emscripten::function("spectrum_layer_shares_text", &spectrumLayerShares);
    emscripten::function("sensor_efficiency", &sensorEfficiency);
    emscripten::function("sensor_thickness", &sensorThickness);
    emscripten::function("equivalent_thickness", &equivalentThickness);
    emscripten::function("spectrum_equivalent_text", &spectrumEquivalentThickness);
    emscripten::function("draw_efficiency", &drawEfficiency);
    emscripten::function("draw_equivalence", &drawEquivalence);
}

} // namespace bindings
