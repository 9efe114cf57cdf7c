// Shielding for the page: buildup factors, the dose rate of a point source behind layers, the
// thickness for a target rate, nuclides, and the rate and buildup plots.
#include "Support.h"
#include "shielding/Buildup.h"
#include "shielding/BuildupTables.h"
#include "shielding/Dose.h"
#include "shielding/Nuclides.h"
#include "shielding/ShieldingLibrary.h"
#include "shielding/ShieldingPlots.h"

#include <emscripten/bind.h>

#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace bindings {
namespace {

constexpr std::size_t kFunctionsKept = 64;

// The library's buildup tables, nuclides and dry air, read once: the page never changes them.
shielding::ShieldingLibrary& shieldingLibrary() {
    static shielding::ShieldingLibrary library(kRoot);
    return library;
}

std::optional<shielding::BuildupKind> buildupKindOf(const std::string& word, std::string& error) {
    const std::optional<shielding::BuildupKind> kind = shielding::BuildupKindNamed(word);
    if (!kind) {
        error = "kind takes 'exposure' or 'absorption', not '" + word + "'";
    }
    return kind;
}

// The buildup function of a material (its own table or equivalent Z, or the table named).
std::optional<Function> buildupFunction(const std::string& argument,
                                        const material::ResolvedMaterial& m,
                                        shielding::BuildupKind kind, const std::string& table,
                                        std::string& error) {
    const std::string key =
        std::string(shielding::BuildupKindWord(kind)) + '\n' + table + '\n' + argument;
    std::map<std::string, Function>& kept = keptFunctions();
    if (const auto found = kept.find(key); found != kept.end()) {
        return found->second;
    }
    shielding::ShieldingLibrary& library = shieldingLibrary();
    const shielding::BuildupTables* tables = library.Buildup(error);
    std::optional<shielding::BuildupFunction> function =
        tables == nullptr
            ? std::nullopt
            : shielding::BuildupFunctionOf(m, *tables, kind, library.Elements(), table, error);
    if (!function) {
        return std::nullopt;
    }
    if (kept.size() >= kFunctionsKept) {
        kept.clear();
    }
    auto made = std::make_shared<const shielding::BuildupFunction>(std::move(*function));
    kept.emplace(key, made);
    return made;
}

// B and Zeq at pairs of energy (MeV) and penetration (mfp) of one length; NaN where the pair
// lies outside the table or beyond 100 mfp. {buildup, zeq, table, lowest, highest,
// extrapolated}: table is the own table's name (null for equivalent Z), lowest and highest its
// energies, extrapolated whether any pair lies beyond 40 mfp.
val buildupAt(const std::string& argument, const std::string& kindWord, const std::string& table,
              const val& energiesArray, const val& mfpArray) {
    return onMaterial(argument, [&](const material::ResolvedMaterial& m) {
        std::string error;
        const std::optional<shielding::BuildupKind> kind = buildupKindOf(kindWord, error);
        const std::optional<Function> function =
            kind ? buildupFunction(argument, m, *kind, table, error) : std::nullopt;
        if (!function) {
            return failed(error);
        }
        const std::vector<double> energies = numbers(energiesArray);
        const std::vector<double> penetrations = numbers(mfpArray);
        if (energies.size() != penetrations.size()) {
            return failed("energies and penetrations must be of one length");
        }
        std::vector<double> factors(energies.size());
        std::vector<double> zeq(energies.size());
        bool extrapolated = false;
        for (std::size_t i = 0; i < energies.size(); ++i) {
            shielding::BuildupValue value;
            if ((*function)->At(energies[i], penetrations[i], value) != attenuation::Outcome::Ok) {
                factors[i] = kNaN;
                zeq[i] = kNaN;
                continue;
            }
            factors[i] = value.buildup;
            zeq[i] = value.zeq;
            extrapolated = extrapolated || value.extrapolated;
        }
        const std::string& own = (*function)->TableName();
        val result = val::object();
        result.set("buildup", floatArray(factors));
        result.set("zeq", own.empty() ? floatArray(zeq) : val::null());
        result.set("table", own.empty() ? val::null() : val(own));
        result.set("lowest", (*function)->LowestEnergyMeV());
        result.set("highest", (*function)->HighestEnergyMeV());
        result.set("extrapolated", extrapolated);
        return result;
    });
}

// A source given as text (a nuclide, "lines:E=Y,...", a spectrum file of the library) or as
// [[energy MeV, photons per decay], ...].
bool sourceOf(const val& given, bool keV, shielding::Source& source, std::string& error) {
    if (given.isString()) {
        return shielding::ResolveSource(shieldingLibrary(), given.as<std::string>(), keV, source,
                                        error);
    }
    if (!val::global("Array").call<bool>("isArray", given)) {
        error = "a source is a nuclide's name, \"lines:E=Y,...\" or an array of [energy, "
                "photons per decay]";
        return false;
    }
    source.name = "lines";
    const auto count = given["length"].as<unsigned>();
    for (unsigned i = 0; i < count; ++i) {
        const val pair = given[i];
        const bool isPair = val::global("Array").call<bool>("isArray", pair) &&
                            pair["length"].as<unsigned>() == 2 && pair[0].isNumber() &&
                            pair[1].isNumber();
        const double energy = isPair ? pair[0].as<double>() : kNaN;
        const double photons = isPair ? pair[1].as<double>() : kNaN;
        if (!(energy > 0.0) || !std::isfinite(energy) || !(photons >= 0.0) ||
            !std::isfinite(photons)) {
            error = "line " + std::to_string(i + 1) +
                    " is not [energy above 0 (MeV), photons per decay of 0 or more]";
            return false;
        }
        source.lines.push_back({energy, photons, {}, {}});
    }
    return true;
}

// An activity (Bq) or distance (cm) given as a number, or as a text with its unit.
std::optional<double> quantityOf(const val& given, bool activity, std::string& error) {
    if (given.isString()) {
        const std::string text = given.as<std::string>();
        return activity ? shielding::ReadActivityBq(text, error)
                        : shielding::ReadDistanceCm(text, error);
    }
    const double value = given.isNumber() ? given.as<double>() : kNaN;
    const bool fits = std::isfinite(value) && (activity ? value >= 0.0 : value > 0.0);
    if (!fits) {
        error = activity ? "the activity must be a number of Bq from 0 up, or a text with its unit"
                         : "the distance must be a number of cm above 0, or a text with its unit";
        return std::nullopt;
    }
    return value;
}

// Everything one dose computation needs, made from the order the page or the script gives:
// {source, keV, activity, distance, layers, kind, rule, table, cutoff}. The layers point into
// the stack and the functions, the media into the mix: it is made in place and never moved.
struct DoseSetup {
    shielding::Source source;
    double activityBq = 0.0;
    double distanceCm = 0.0;
    Stack stack;
    std::vector<Function> functions;
    std::vector<shielding::ShieldLayer> layers;
    std::optional<attenuation::AbsorptionMix> lastMix;
    shielding::KermaMedia media;
    shielding::DoseOptions options;
};

std::string wordOf(const val& order, const char* name, const char* fallback) {
    const val given = order[name];
    return given.isString() ? given.as<std::string>() : std::string(fallback);
}

std::unique_ptr<DoseSetup> doseSetup(const val& order, std::string& error) {
    auto setup = std::make_unique<DoseSetup>();
    shielding::DoseOptions& options = setup->options;
    const std::string kind = wordOf(order, "kind", "exposure");
    const std::string rule = wordOf(order, "rule", "broder");
    const std::string table = wordOf(order, "table", "");
    const std::optional<shielding::DoseKind> doseKind = shielding::DoseKindNamed(kind);
    const std::optional<shielding::LayerRule> layerRule = shielding::LayerRuleNamed(rule);
    if (!doseKind) {
        error = "kind takes 'exposure', 'absorption' or 'none', not '" + kind + "'";
        return nullptr;
    }
    if (!layerRule) {
        error = "rule takes 'broder' or 'last', not '" + rule + "'";
        return nullptr;
    }
    options.kind = *doseKind;
    options.rule = *layerRule;
    const val cutoff = order["cutoff"];
    options.cutoffMeV = cutoff.isNumber() ? cutoff.as<double>() : cutoff.isUndefined() ? 0.0 : kNaN;
    if (!(options.cutoffMeV >= 0.0) || !std::isfinite(options.cutoffMeV)) {
        error = "the cut-off must be an energy of 0 MeV or more";
        return nullptr;
    }
    const std::optional<double> activity = quantityOf(order["activity"], true, error);
    const std::optional<double> distance =
        activity ? quantityOf(order["distance"], false, error) : std::nullopt;
    if (!distance) {
        return nullptr;
    }
    setup->activityBq = *activity;
    setup->distanceCm = *distance;
    if (!sourceOf(order["source"], order["keV"].isTrue(), setup->source, error)) {
        return nullptr;
    }
    const val layers = order["layers"];
    if (!layers.isUndefined() && !layers.isNull() && layers["length"].as<unsigned>() > 0) {
        std::optional<Stack> stack = stackOf(layers, error);
        if (!stack) {
            return nullptr;
        }
        setup->stack = std::move(*stack);
    }
    shielding::ShieldingLibrary& library = shieldingLibrary();
    setup->media.air = library.Air(error);
    if (setup->media.air == nullptr) {
        return nullptr;
    }
    const std::vector<Material>& materials = setup->stack.materials;
    if (options.kind == shielding::DoseKind::Absorption && !materials.empty()) {
        setup->lastMix = library.MixOf(*materials.back(), error);
        if (!setup->lastMix) {
            return nullptr;
        }
        setup->media.lastLayer = &*setup->lastMix;
    }
    // Each layer's buildup function, or the one table named for the whole stack.
    const shielding::BuildupKind buildupKind = options.kind == shielding::DoseKind::Absorption
                                                   ? shielding::BuildupKind::Absorption
                                                   : shielding::BuildupKind::Exposure;
    if (options.kind != shielding::DoseKind::None) {
        for (std::size_t i = 0; i < materials.size() && (table.empty() || i == 0); ++i) {
            const std::string name = layers[static_cast<unsigned>(i)][0].as<std::string>();
            const std::optional<Function> function =
                buildupFunction(name, *materials[i], buildupKind, table, error);
            if (!function) {
                return nullptr;
            }
            setup->functions.push_back(*function);
        }
        options.table =
            table.empty() || setup->functions.empty() ? nullptr : setup->functions.front().get();
    }
    for (std::size_t i = 0; i < setup->stack.layers.size(); ++i) {
        const attenuation::Layer& layer = setup->stack.layers[i];
        const shielding::BuildupFunction* function =
            setup->functions.empty() ? nullptr : setup->functions[table.empty() ? i : 0].get();
        setup->layers.push_back({layer.table, layer.densityGPerCm3, layer.thicknessCm, function});
    }
    return setup;
}

// A line's note as a number, which the page's script turns into words: one array for all
// lines costs less than a text for each. 0 none, 1 extrapolated, 2 no buildup data, 3 beyond
// 100 mfp.
double noteCode(shielding::LineNote note) {
    switch (note) {
    case shielding::LineNote::None:
        return 0.0;
    case shielding::LineNote::Extrapolated:
        return 1.0;
    case shielding::LineNote::NoBuildupData:
        return 2.0;
    case shielding::LineNote::BeyondRange:
        break;
    }
    return 3.0;
}

// The rate (uGy/h) of a point source behind layers: {total, mR_h, name, half_life, columns},
// columns holding one value a line (in the source's order) of energy, intensity, mfp,
// uncollided, buildup, rate and note (as noteCode gives it), column after column. A line
// without a value fails the call, naming it.
val doseRate(const val& order) {
    std::string error;
    const std::unique_ptr<DoseSetup> setup = doseSetup(order, error);
    if (!setup) {
        return failed(error);
    }
    shielding::DoseResult result;
    shielding::DoseRate(setup->source.lines, setup->activityBq, setup->distanceCm, setup->layers,
                        setup->options, setup->media, result);
    // The seven columns one after another in one array: one copy out instead of seven.
    const std::size_t count = result.lines.size();
    std::vector<double> columns(7 * count);
    for (std::size_t i = 0; i < count; ++i) {
        const shielding::LineDose& line = result.lines[i];
        if (line.outcome != attenuation::Outcome::Ok) {
            return failed("the " + numberText(line.energyMeV) + " MeV line gives no value: " +
                          attenuation::DescribeOutcome(line.outcome, line.energyMeV));
        }
        const std::array<double, 7> row = {line.energyMeV,     line.photonsPerDecay, line.mfp,
                                           line.uncollided,    line.buildup,         line.rate,
                                           noteCode(line.note)};
        for (std::size_t c = 0; c < row.size(); ++c) {
            columns[c * count + i] = row[c];
        }
    }
    val answer = val::object();
    answer.set("columns", floatArray(columns));
    answer.set("total", result.total);
    answer.set("mR_h", shielding::MilliRoentgenPerHour(result.total));
    answer.set("name", setup->source.name);
    answer.set("half_life",
               setup->source.nuclide ? val(setup->source.nuclide->halfLife) : val::null());
    return answer;
}

// The last layer's thickness (cm) that brings the rate to `target` uGy/h.
val thicknessFor(const val& order, double target) {
    std::string error;
    const std::unique_ptr<DoseSetup> setup = doseSetup(order, error);
    if (!setup) {
        return failed(error);
    }
    if (setup->layers.empty()) {
        return failed("a target rate needs at least one layer, whose thickness it finds");
    }
    if (!(target > 0.0) || !std::isfinite(target)) {
        return failed("the target is not a rate above 0 (uGy/h)");
    }
    double thickness = 0.0;
    const attenuation::Outcome outcome =
        shielding::ThicknessForRate(setup->source.lines, setup->activityBq, setup->distanceCm,
                                    setup->layers, setup->options, setup->media, target, thickness);
    if (outcome == attenuation::Outcome::NoSolution) {
        return failed("no thickness of the last layer brings the rate to " + numberText(target) +
                      " uGy/h");
    }
    if (outcome != attenuation::Outcome::Ok) {
        return failed("a line gives no value: " + attenuation::DescribeOutcome(outcome, kNaN));
    }
    return val(thickness);
}

// The air-kerma-rate constant, uGy m2/(GBq h), of a source's lines above the cut-off.
val kermaConstant(const val& given, bool keV, double cutoffMeV) {
    if (!(cutoffMeV >= 0.0) || !std::isfinite(cutoffMeV)) {
        return failed("the cut-off must be an energy of 0 MeV or more");
    }
    shielding::Source source;
    std::string error;
    const attenuation::AbsorptionMix* air =
        sourceOf(given, keV, source, error) ? shieldingLibrary().Air(error) : nullptr;
    if (air == nullptr) {
        return failed(error);
    }
    double constant = 0.0;
    const attenuation::Outcome outcome =
        shielding::KermaRateConstant(source.lines, cutoffMeV, *air, constant);
    if (outcome != attenuation::Outcome::Ok) {
        return failed("a line of " + source.name + " has no mu_en/rho of air (" +
                      std::string(attenuation::OutcomeWord(outcome)) + ")");
    }
    return val(constant);
}

// {name, element, half_life, energy, intensity, kind, emitter} of the nuclide a name means.
val nuclideNamed(const std::string& name) {
    std::string error;
    const std::vector<shielding::Nuclide>* nuclides = shieldingLibrary().Nuclides(error);
    if (nuclides == nullptr) {
        return failed(error);
    }
    const shielding::Nuclide* found = shielding::FindNuclide(*nuclides, name);
    if (found == nullptr) {
        const std::string suggestion = shielding::DidYouMean(*nuclides, name);
        return failed("'" + name + "' is no nuclide of the library" +
                      (suggestion.empty() ? std::string(" (nuclides() lists them)") : suggestion));
    }
    std::vector<double> energy;
    std::vector<double> intensity;
    val kinds = val::array();
    val emitters = val::array();
    for (const shielding::PhotonLine& line : found->lines) {
        energy.push_back(line.energyMeV);
        intensity.push_back(line.photonsPerDecay);
        kinds.call<void>("push", line.kind);
        emitters.call<void>("push", line.emitter);
    }
    val result = val::object();
    result.set("name", found->name);
    result.set("element", found->element);
    result.set("half_life", found->halfLife);
    result.set("energy", floatArray(energy));
    result.set("intensity", floatArray(intensity));
    result.set("kind", kinds);
    result.set("emitter", emitters);
    return result;
}

// The library's nuclides: [{name, element, half_life, lines}], in the file's order.
val nuclideList() {
    std::string error;
    const std::vector<shielding::Nuclide>* nuclides = shieldingLibrary().Nuclides(error);
    if (nuclides == nullptr) {
        return failed(error);
    }
    val list = val::array();
    for (const shielding::Nuclide& nuclide : *nuclides) {
        val entry = val::object();
        entry.set("name", nuclide.name);
        entry.set("element", nuclide.element);
        entry.set("half_life", nuclide.halfLife);
        entry.set("lines", static_cast<double>(nuclide.lines.size()));
        list.call<void>("push", entry);
    }
    return list;
}

// An activity ("1 GBq", "10 mCi") in Bq or a distance ("50 cm", "2 m") in cm.
val readQuantity(const std::string& text, bool activity) {
    std::string error;
    const std::optional<double> value =
        activity ? shielding::ReadActivityBq(text, error) : shielding::ReadDistanceCm(text, error);
    return value ? val(*value) : failed(error);
}

// The rate against the last layer's thickness, broad and narrow beam, with the target (above
// 0) as a line; {scale, thickness: the plot's largest}.
val drawRatePlot(const val& order, double target, val context, int width, int height) {
    std::string error;
    const std::unique_ptr<DoseSetup> setup = doseSetup(order, error);
    if (!setup) {
        return failed(error);
    }
    const double maxCm =
        shielding::PlotThicknessCm(setup->source.lines, setup->layers, setup->options.cutoffMeV);
    if (!(maxCm > 0.0)) {
        return failed("no rate to plot: the plot needs a layer and a line above the cut-off");
    }
    constexpr int kSteps = 160;
    const std::vector<shielding::RatePoint> points =
        shielding::RateAgainstThickness(setup->source.lines, setup->activityBq, setup->distanceCm,
                                        setup->layers, setup->options, setup->media, maxCm, kSteps);
    HtmlCanvas canvas(std::move(context), width, height);
    shielding::DrawRatePlot(canvas, points, target);
    val result = val::object();
    result.set("scale", scaleOf(canvas));
    result.set("thickness", maxCm);
    return result;
}

// B against the penetration, 0 to maxMfp, at one energy.
val drawBuildupPlot(const std::string& argument, const std::string& kindWord,
                    const std::string& table, double energyMeV, double maxMfp, val context,
                    int width, int height) {
    return onMaterial(argument, [&](const material::ResolvedMaterial& m) {
        std::string error;
        const std::optional<shielding::BuildupKind> kind = buildupKindOf(kindWord, error);
        const std::optional<Function> function =
            kind ? buildupFunction(argument, m, *kind, table, error) : std::nullopt;
        if (!function) {
            return failed(error);
        }
        if (!(maxMfp > 0.0) || maxMfp > shielding::kHighestMfp) {
            return failed("the plot's penetration must lie above 0 and up to 100 mfp");
        }
        HtmlCanvas canvas(std::move(context), width, height);
        shielding::DrawBuildupPlot(canvas, **function, energyMeV, maxMfp);
        return scaleOf(canvas);
    });
}

} // namespace

void BindShielding() {
    emscripten::function("buildup", &buildupAt);
    emscripten::function("dose_rate", &doseRate);
    emscripten::function("thickness_for", &thicknessFor);
    emscripten::function("kerma_constant", &kermaConstant);
    emscripten::function("nuclide", &nuclideNamed);
    emscripten::function("nuclide_list", &nuclideList);
    emscripten::function("read_quantity", &readQuantity);
    emscripten::function("draw_rate_plot", &drawRatePlot);
    emscripten::function("draw_buildup_plot", &drawBuildupPlot);
}

} // namespace bindings
