// Shielding for the page: buildup factors, the dose rate of a point source or an inventory behind
// layers after a decay and over a stay, the thickness for a target rate, nuclides, their decay,
// and the rate, decay and buildup plots.
#include "Support.h"
#include "shielding/Buildup.h"
#include "shielding/BuildupTables.h"
#include "shielding/Decay.h"
#include "shielding/Dose.h"
#include "shielding/Inventory.h"
#include "shielding/Nuclides.h"
#include "shielding/Quantity.h"
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

// An inventory: {nuclide: activity} or [[nuclide, activity], ...], each activity a number of Bq
// or a text with its unit; none for another source (lines start with a number).
std::optional<std::vector<shielding::InventoryItem>> inventoryOf(const val& given, bool& isOne,
                                                                 std::string& error) {
    isOne = false;
    const val array = val::global("Array");
    std::vector<std::pair<val, val>> pairs;
    if (array.call<bool>("isArray", given)) {
        const auto count = given["length"].as<unsigned>();
        if (count == 0 || !array.call<bool>("isArray", given[0]) || !given[0][0].isString()) {
            return std::nullopt;
        }
        for (unsigned i = 0; i < count; ++i) {
            pairs.emplace_back(given[i][0], given[i][1]);
        }
    } else if (given.isUndefined() || given.isNull() || given.isString() || given.isNumber()) {
        return std::nullopt;
    } else {
        const val keys = val::global("Object").call<val>("keys", given);
        for (unsigned i = 0; i < keys["length"].as<unsigned>(); ++i) {
            pairs.emplace_back(keys[i], given[keys[i]]);
        }
    }
    isOne = true;
    std::vector<shielding::InventoryItem> items;
    const std::vector<shielding::Nuclide>* nuclides = shieldingLibrary().Nuclides(error);
    const shielding::DecayData* chains = nuclides ? shieldingLibrary().Decay(error) : nullptr;
    if (chains == nullptr) {
        return std::nullopt;
    }
    if (pairs.empty()) {
        error = "an inventory needs at least one nuclide";
        return std::nullopt;
    }
    for (const auto& [name, activityGiven] : pairs) {
        const std::string text = name.isString() ? name.as<std::string>() : std::string();
        const std::optional<double> activity = quantityOf(activityGiven, true, error);
        std::optional<shielding::InventoryItem> item =
            activity ? shielding::InventoryItemOf(text, *activity, *nuclides, chains, error)
                     : std::nullopt;
        if (!item) {
            error = (activity ? "" : text + ": ") + error;
            return std::nullopt;
        }
        for (const shielding::InventoryItem& other : items) {
            if (other.Name() == item->Name()) {
                error = std::string(item->Name()) + " is named twice in the inventory";
                return std::nullopt;
            }
        }
        items.push_back(*item);
    }
    return items;
}

// A time in seconds given as a number, or as a text with its unit ("1 y").
std::optional<double> timeOf(const val& given, const char* what, std::string& error) {
    if (given.isUndefined() || given.isNull()) {
        return 0.0;
    }
    if (given.isString()) {
        const std::string text = given.as<std::string>();
        return text.find_first_not_of(" \t") == std::string::npos
                   ? std::optional<double>(0.0)
                   : shielding::ReadTimeS(text, what, error);
    }
    const double value = given.isNumber() ? given.as<double>() : kNaN;
    if (!(value >= 0.0) || !std::isfinite(value)) {
        error = std::string("the ") + what +
                " must be a number of seconds from 0 up, or a text "
                "with its unit";
        return std::nullopt;
    }
    return value;
}

// Everything one dose computation needs, made from the order the page or the script gives:
// {source, keV, activity, distance, layers, kind, rule, table, cutoff, quantity, unit, decay,
// stay, fresh}; source may be an inventory with activity null. The layers point into the stack
// and the functions, the media into the mix, the options into the conversion: it is made in
// place and never moved. `dose` holds the rate and the stay's dose in the quantity's base unit.
struct DoseSetup {
    shielding::Source source;
    std::vector<shielding::InventoryItem> items;
    std::vector<std::string> names; ///< one per item, or the source's name
    shielding::DecayRequest request;
    shielding::QuantityConversion conversion;
    shielding::RateUnit unit;
    shielding::InventoryDose dose;
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
    const std::string quantity = wordOf(order, "quantity", "kerma");
    const std::optional<shielding::Quantity> named = shielding::QuantityNamed(quantity);
    if (!named) {
        error = "quantity takes 'kerma', 'exposure' or 'h10', not '" + quantity + "'";
        return nullptr;
    }
    setup->conversion.quantity = *named;
    const std::string unit =
        wordOf(order, "unit", std::string(shielding::BaseRateUnit(*named)).c_str());
    const std::optional<shielding::RateUnit> rateUnit = shielding::RateUnitNamed(unit);
    if (!rateUnit || rateUnit->quantity != *named) {
        error = "the unit '" + unit + "' is no rate unit of " + quantity;
        return nullptr;
    }
    setup->unit = *rateUnit;
    if (*named != shielding::Quantity::Kerma && options.kind == shielding::DoseKind::Absorption) {
        error = "quantity '" + quantity +
                "' is read from air kerma; kind 'absorption' gives kerma in the last layer";
        return nullptr;
    }
    const std::optional<double> decay = timeOf(order["decay"], "decay time", error);
    const std::optional<double> stay = decay ? timeOf(order["stay"], "stay", error) : std::nullopt;
    if (!stay) {
        return nullptr;
    }
    setup->request = {*decay, *stay, order["fresh"].isTrue()};
    bool isInventory = false;
    std::optional<std::vector<shielding::InventoryItem>> inventory =
        inventoryOf(order["source"], isInventory, error);
    if (isInventory && !inventory) {
        return nullptr;
    }
    const val activityGiven = order["activity"];
    if (inventory && !activityGiven.isUndefined() && !activityGiven.isNull()) {
        error = "an inventory carries its own activities; give the activity as null";
        return nullptr;
    }
    const std::optional<double> activity =
        inventory ? std::optional<double>(1.0) : quantityOf(activityGiven, true, error);
    const std::optional<double> distance =
        activity ? quantityOf(order["distance"], false, error) : std::nullopt;
    if (!distance) {
        return nullptr;
    }
    setup->activityBq = *activity;
    setup->distanceCm = *distance;
    if (inventory) {
        setup->items = std::move(*inventory);
        for (const shielding::InventoryItem& item : setup->items) {
            setup->names.emplace_back(item.Name());
        }
        setup->source.name = setup->names.size() == 1 ? setup->names.front() : "inventory";
    } else {
        if (!sourceOf(order["source"], order["keV"].isTrue(), setup->source, error)) {
            return nullptr;
        }
        if (setup->source.nuclide != nullptr) {
            setup->items.push_back({setup->source.nuclide, setup->activityBq});
        }
        setup->names.push_back(setup->source.name);
    }
    const shielding::DecayRequest& request = setup->request;
    if (setup->items.empty() && (request.timeS > 0.0 || request.stayS > 0.0 || request.fresh)) {
        error = "decay, stay and fresh need nuclides of the library";
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
    options.conversion = &setup->conversion;
    shielding::InventoryDose& dose = setup->dose;
    if (!setup->items.empty()) {
        const shielding::DecayData* chains = library.Decay(error);
        if (chains == nullptr ||
            !shielding::ComputeInventoryDose(*chains, setup->items, request, setup->distanceCm,
                                             setup->layers, options, setup->media, dose, error)) {
            return nullptr;
        }
        return setup;
    }
    dose.emitted.lines = setup->source.lines;
    dose.emitted.activityBq = setup->activityBq;
    dose.emitted.item.assign(dose.emitted.lines.size(), 0);
    for (const shielding::PhotonLine& line : dose.emitted.lines) {
        dose.emitted.perDecay.push_back(line.photonsPerDecay);
    }
    dose.emitted.KeepAbove(options.cutoffMeV);
    shielding::DoseRate(dose.emitted.lines, dose.emitted.activityBq, setup->distanceCm,
                        setup->layers, options, setup->media, dose.rate);
    dose.itemRates = {dose.rate.total};
    dose.itemDoses = {0.0};
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
    const shielding::DoseResult& result = setup->dose.rate;
    const double scale = 1.0 / setup->unit.baseUnits;
    // The seven columns one after another in one array: one copy out instead of seven.
    const std::size_t count = result.lines.size();
    std::vector<double> columns(7 * count);
    for (std::size_t i = 0; i < count; ++i) {
        const shielding::LineDose& line = result.lines[i];
        if (line.outcome != attenuation::Outcome::Ok) {
            return failed("the " + numberText(line.energyMeV) + " MeV line gives no value: " +
                          attenuation::DescribeOutcome(line.outcome, line.energyMeV));
        }
        const std::array<double, 7> row = {line.energyMeV,     setup->dose.emitted.perDecay[i],
                                           line.mfp,           line.uncollided * scale,
                                           line.buildup,       line.rate * scale,
                                           noteCode(line.note)};
        for (std::size_t c = 0; c < row.size(); ++c) {
            columns[c * count + i] = row[c];
        }
    }
    val answer = val::object();
    answer.set("columns", floatArray(columns));
    answer.set("total", result.total * scale);
    answer.set("mR_h", setup->conversion.quantity == shielding::Quantity::Kerma
                           ? val(shielding::MilliRoentgenPerHour(result.total))
                           : val::null());
    answer.set("name", setup->source.name);
    answer.set("half_life", setup->source.nuclide && setup->names.size() == 1
                                ? val(setup->source.nuclide->halfLife)
                                : val::null());
    answer.set("unit", std::string(setup->unit.name));
    answer.set("decays", !setup->items.empty());
    // Each line's nuclide, and each nuclide's rate and dose over the stay (in the unit's dose
    // unit: uSv for uSv/h and uSv/s).
    const std::string unitName(setup->unit.name);
    const double doseScale = unitName.ends_with("/s") ? 3600.0 * scale : scale;
    val lineNuclides = val::array();
    for (const std::size_t n : setup->dose.emitted.item) {
        lineNuclides.call<void>("push", setup->names[n]);
    }
    val nuclides = val::array();
    for (std::size_t n = 0; n < setup->names.size(); ++n) {
        val entry = val::object();
        entry.set("name", setup->names[n]);
        entry.set("rate", setup->dose.itemRates[n] * scale);
        entry.set("dose", setup->dose.itemDoses[n] * doseScale);
        nuclides.call<void>("push", entry);
    }
    answer.set("nuclide", lineNuclides);
    answer.set("nuclides", nuclides);
    answer.set("dose_unit", unitName.substr(0, unitName.size() - 2));
    answer.set("stay_dose", setup->dose.stayDose * doseScale);
    return answer;
}

// The last layer's thickness (cm) that brings the rate to `target` in the order's unit.
val thicknessFor(const val& order, double target) {
    std::string error;
    const std::unique_ptr<DoseSetup> setup = doseSetup(order, error);
    if (!setup) {
        return failed(error);
    }
    if (setup->layers.empty()) {
        return failed("a target rate needs at least one layer, whose thickness it finds");
    }
    const std::string unit(setup->unit.name);
    if (!(target > 0.0) || !std::isfinite(target)) {
        return failed("the target is not a rate above 0 (" + unit + ")");
    }
    double thickness = 0.0;
    const shielding::EmittedLines& emitted = setup->dose.emitted;
    const attenuation::Outcome outcome = shielding::ThicknessForRate(
        emitted.lines, emitted.activityBq, setup->distanceCm, setup->layers, setup->options,
        setup->media, target * setup->unit.baseUnits, thickness);
    if (outcome == attenuation::Outcome::NoSolution) {
        return failed("no thickness of the last layer brings the rate to " + numberText(target) +
                      " " + unit);
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
    const shielding::EmittedLines& emitted = setup->dose.emitted;
    const double maxCm =
        shielding::PlotThicknessCm(emitted.lines, setup->layers, setup->options.cutoffMeV);
    if (!(maxCm > 0.0)) {
        return failed("no rate to plot: the plot needs a layer and a line above the cut-off");
    }
    constexpr int kSteps = 160;
    std::vector<shielding::RatePoint> points =
        shielding::RateAgainstThickness(emitted.lines, emitted.activityBq, setup->distanceCm,
                                        setup->layers, setup->options, setup->media, maxCm, kSteps);
    for (shielding::RatePoint& point : points) {
        point.broad /= setup->unit.baseUnits;
        point.narrow /= setup->unit.baseUnits;
    }
    HtmlCanvas canvas(std::move(context), width, height);
    shielding::DrawRatePlot(canvas, points, target, setup->unit.name);
    val result = val::object();
    result.set("scale", scaleOf(canvas));
    result.set("thickness", maxCm);
    return result;
}

// The inventory's rate (in the order's unit) against time since it was measured, the decay time
// and the end of the stay marked; {scale, span: the plot's last time (s), time_unit}.
val drawDecayPlot(const val& order, val context, int width, int height) {
    std::string error;
    const std::unique_ptr<DoseSetup> setup = doseSetup(order, error);
    if (!setup) {
        return failed(error);
    }
    if (setup->items.empty()) {
        return failed("the rate against time needs nuclides of the library");
    }
    const shielding::DecayData* chains = shieldingLibrary().Decay(error);
    constexpr int kSteps = 160;
    const std::vector<double> times =
        shielding::DecayPlotTimesS(*chains, setup->items, setup->request, kSteps);
    std::vector<double> rates;
    if (shielding::RateSeries(*chains, setup->items, setup->request.fresh, times, setup->distanceCm,
                              setup->layers, setup->options, setup->media, rates,
                              error) != attenuation::Outcome::Ok) {
        return failed(error.empty() ? "a line gives no value" : error);
    }
    for (double& rate : rates) {
        rate /= setup->unit.baseUnits;
    }
    HtmlCanvas canvas(std::move(context), width, height);
    shielding::DrawDecayPlot(canvas, times, rates, setup->unit.name, setup->request.timeS,
                             setup->request.stayS);
    val result = val::object();
    result.set("scale", scaleOf(canvas));
    result.set("span", times.back());
    result.set("time_unit", std::string(shielding::PlotTimeUnit(times.back()).first));
    return result;
}

// Every radioactive member's activity (Bq) `time` after an inventory was measured, by name in
// the chains' order: {name: Bq}.
val decayInventory(const val& inventoryGiven, const val& time, bool fresh) {
    std::string error;
    bool isInventory = false;
    const std::optional<std::vector<shielding::InventoryItem>> inventory =
        inventoryOf(inventoryGiven, isInventory, error);
    if (!isInventory) {
        return failed("decay takes an inventory: {nuclide: Bq} or [[nuclide, Bq], ...]");
    }
    const std::optional<double> timeS = inventory ? timeOf(time, "time", error) : std::nullopt;
    const shielding::DecayData* chains = timeS ? shieldingLibrary().Decay(error) : nullptr;
    if (chains == nullptr) {
        return failed(error);
    }
    std::vector<double> total(chains->members.size(), 0.0);
    std::vector<std::size_t> heads;
    for (const shielding::InventoryItem& item : *inventory) {
        const std::optional<std::vector<double>> start = shielding::ItemStart(*chains, item, fresh);
        if (!start) {
            return failed(std::string(item.Name()) + " has no decay chain in the library");
        }
        heads.push_back(*chains->IndexOf(item.Name()));
        const std::vector<double> now = shielding::ActivitiesAt(*chains, *start, *timeS);
        for (std::size_t m = 0; m < now.size(); ++m) {
            total[m] += now[m];
        }
    }
    const std::vector<bool> reached = shielding::MembersReached(*chains, heads);
    val activities = val::object();
    for (std::size_t m = 0; m < total.size(); ++m) {
        if (reached[m] && !chains->members[m].Stable()) {
            activities.set(chains->members[m].name, total[m]);
        }
    }
    return activities;
}

// The rate units of a quantity ('kerma', 'exposure', 'h10'), its base unit first.
val rateUnits(const std::string& quantity) {
    const std::optional<shielding::Quantity> named = shielding::QuantityNamed(quantity);
    if (!named) {
        return failed("quantity takes 'kerma', 'exposure' or 'h10', not '" + quantity + "'");
    }
    val units = val::array();
    const std::string list = shielding::RateUnitList();
    for (std::size_t start = 0; start < list.size();) {
        const std::size_t comma = std::min(list.find(", ", start), list.size());
        const std::string name = list.substr(start, comma - start);
        if (shielding::RateUnitNamed(name)->quantity == *named) {
            units.call<void>("push", name);
        }
        start = comma + 2;
    }
    return units;
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
    emscripten::function("draw_decay_plot", &drawDecayPlot);
    emscripten::function("decay", &decayInventory);
    emscripten::function("rate_units", &rateUnits);
}

} // namespace bindings
