// Buildup factors, radionuclide sources and dose rates behind layers, from the shielding core.
#include "ArrayLookups.h"
#include "Support.h"
#include "data/MaterialFile.h"
#include "shielding/Decay.h"
#include "shielding/Dose.h"
#include "shielding/Inventory.h"
#include "shielding/Quantity.h"
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

// An inventory: a dict {nuclide: Bq} or a sequence of (nuclide, Bq) pairs; none for another
// source (a sequence of (MeV, photons) pairs starts with a number).
std::optional<std::vector<shielding::InventoryItem>>
inventoryOf(shielding::ShieldingLibrary& library, const py::handle& source) {
    std::vector<std::pair<py::handle, py::handle>> pairs;
    if (py::isinstance<py::dict>(source)) {
        for (const auto& [name, activity] : source.cast<py::dict>()) {
            pairs.emplace_back(name, activity);
        }
    } else if (!py::isinstance<py::str>(source) && py::isinstance<py::sequence>(source)) {
        const auto items = source.cast<py::sequence>();
        if (items.size() == 0 || !py::isinstance<py::sequence>(items[0]) ||
            py::isinstance<py::str>(items[0]) || items[0].cast<py::sequence>().size() == 0 ||
            !py::isinstance<py::str>(items[0].cast<py::sequence>()[0])) {
            return std::nullopt;
        }
        for (const py::handle item : items) {
            const auto pair = item.cast<py::sequence>();
            if (pair.size() != 2) {
                throw py::type_error("an inventory's item is (nuclide, Bq), not " +
                                     std::string(py::repr(item)));
            }
            pairs.emplace_back(pair[0], pair[1]);
        }
    } else {
        return std::nullopt;
    }
    if (pairs.empty()) {
        throw std::invalid_argument("an inventory needs at least one nuclide");
    }
    std::string error;
    const std::vector<shielding::Nuclide>& nuclides = orThrow(library.Nuclides(error), error);
    const shielding::DecayData& chains = orThrow(library.Decay(error), error);
    std::vector<shielding::InventoryItem> inventory;
    for (const auto& [nameObject, activityObject] : pairs) {
        const auto activity =
            py::float_(py::reinterpret_borrow<py::object>(activityObject)).cast<double>();
        const std::optional<shielding::InventoryItem> item = shielding::InventoryItemOf(
            nameObject.cast<std::string>(), activity, nuclides, &chains, error);
        if (!item) {
            throw std::invalid_argument(error);
        }
        const std::string name(item->Name());
        if (!(activity >= 0.0) || !std::isfinite(activity)) {
            throw std::invalid_argument("the activity of " + name +
                                        " must be a number of Bq from 0 up, not " +
                                        numberText(activity));
        }
        for (const shielding::InventoryItem& other : inventory) {
            if (other.Name() == item->Name()) {
                throw std::invalid_argument(name + " is named twice in the inventory");
            }
        }
        inventory.push_back(*item);
    }
    return inventory;
}

double secondsOf(double time, const char* what) {
    if (!(time >= 0.0) || !std::isfinite(time)) {
        throw std::invalid_argument(
            std::string(what) + " must be a number of seconds from 0 up, not " + numberText(time));
    }
    return time;
}

// The quantity and the user's conversion table, if any, as `choice` keeps them.
struct QuantityChoice {
    shielding::QuantityConversion conversion;
    std::optional<shielding::ConversionTable> table;
};

void chooseQuantity(const std::string& quantity, const std::optional<std::string>& conversion,
                    QuantityChoice& choice) {
    const std::optional<shielding::Quantity> named = shielding::QuantityNamed(quantity);
    if (!named) {
        throw std::invalid_argument("quantity takes 'kerma', 'exposure' or 'h10', not '" +
                                    quantity + "'");
    }
    choice.conversion.quantity = *named;
    if (conversion) {
        if (*named != shielding::Quantity::H10) {
            throw std::invalid_argument("conversion gives coefficients per air kerma for "
                                        "quantity='h10'");
        }
        std::string text;
        std::string error;
        if (!data::ReadWholeFile(*conversion, text)) {
            throw std::invalid_argument(*conversion + ": cannot be read");
        }
        choice.table = shielding::ConversionTable::Parse(text, error);
        if (!choice.table) {
            throw std::invalid_argument(*conversion + ", " + error);
        }
        choice.conversion.table = &*choice.table;
    }
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

py::tuple doseRate(const py::handle& sourceArgument, std::optional<double> activity,
                   double distanceCm, const py::sequence& stack, const std::string& kind,
                   const std::string& rule, const std::optional<std::string>& table,
                   double cutoffMeV, const std::string& quantity, double decayS, double stayS,
                   bool fresh, const std::optional<std::string>& conversion) {
    shielding::ShieldingLibrary& library = defaultLibrary();
    const std::optional<std::vector<shielding::InventoryItem>> inventory =
        inventoryOf(library, sourceArgument);
    if (inventory && activity) {
        throw std::invalid_argument("an inventory carries its own activities; give activity_bq "
                                    "None");
    }
    const double activityBq = inventory ? 1.0 : activity.value_or(kNaN);
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
    QuantityChoice choice;
    chooseQuantity(quantity, conversion, choice);
    if (choice.conversion.quantity != shielding::Quantity::Kerma &&
        options.kind == shielding::DoseKind::Absorption) {
        throw std::invalid_argument("quantity '" + quantity +
                                    "' is read from air kerma; kind 'absorption' gives kerma in "
                                    "the last layer");
    }
    shielding::DecayRequest request{secondsOf(decayS, "decay_s"), secondsOf(stayS, "stay_s"),
                                    fresh};

    // Every line as photons per second, an activity of 1 Bq in DoseRate, with its nuclide.
    shielding::Source source;
    std::vector<shielding::InventoryItem> items;
    if (inventory) {
        items = *inventory;
    } else {
        source = sourceOf(library, sourceArgument);
        if (source.nuclide != nullptr) {
            items.push_back({source.nuclide, activityBq});
        }
    }
    const bool decays = request.timeS > 0.0 || request.fresh || request.stayS > 0.0;
    if (items.empty() && decays) {
        throw std::invalid_argument("decay_s, stay_s and fresh need nuclides of the library");
    }
    shielding::EmittedLines emitted;
    shielding::EmittedLines stayLines;
    if (items.empty()) {
        emitted.lines = source.lines;
        emitted.item.assign(emitted.lines.size(), 0);
        for (const shielding::PhotonLine& line : emitted.lines) {
            emitted.perDecay.push_back(line.photonsPerDecay);
        }
        emitted.activityBq = activityBq;
    } else {
        std::string error;
        const shielding::DecayData& chains = orThrow(library.Decay(error), error);
        const std::optional<std::vector<shielding::EmitterShare>> shares =
            shielding::InventoryEmitters(chains, items, request, error);
        if (!shares) {
            throw std::invalid_argument(error);
        }
        emitted = shielding::RateLines(items, *shares, request);
        stayLines = shielding::StayLines(items, *shares);
    }
    emitted.KeepAbove(cutoffMeV);
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
    options.conversion = &choice.conversion;

    shielding::DoseResult result;
    shielding::DoseResult stayResult;
    shielding::DoseRate(emitted.lines, emitted.activityBq, distanceCm, layers, options, media,
                        result);
    shielding::DoseRate(stayLines.lines, 1.0, distanceCm, layers, options, media, stayResult);
    for (const shielding::DoseResult* each : {&result, &stayResult}) {
        for (const shielding::LineDose& line : each->lines) {
            if (line.outcome != attenuation::Outcome::Ok) {
                throw std::invalid_argument(
                    "the " + numberText(line.energyMeV) + " MeV line gives no value: " +
                    (line.outcome == attenuation::Outcome::OutOfRange && choice.table
                         ? std::string("it lies outside the conversion file's energies")
                         : attenuation::DescribeOutcome(line.outcome, line.energyMeV)));
            }
        }
    }
    py::list nuclides;
    for (const std::size_t n : emitted.item) {
        nuclides.append(items.empty() ? source.name : std::string(items[n].Name()));
    }
    const auto count = static_cast<py::ssize_t>(result.lines.size());
    py::array_t<double> energy(count), intensity(count), mfp(count), uncollided(count),
        factor(count), rate(count);
    py::list notes;
    for (py::ssize_t i = 0; i < count; ++i) {
        const shielding::LineDose& line = result.lines[static_cast<std::size_t>(i)];
        energy.mutable_at(i) = line.energyMeV;
        intensity.mutable_at(i) = emitted.perDecay[static_cast<std::size_t>(i)];
        mfp.mutable_at(i) = line.mfp;
        uncollided.mutable_at(i) = line.uncollided;
        factor.mutable_at(i) = line.buildup;
        rate.mutable_at(i) = line.rate;
        notes.append(noteWord(line.note));
    }
    const double stayDose = request.stayS > 0.0 ? stayResult.total / 3600.0 : 0.0;
    return py::make_tuple(result.total, energy, intensity, mfp, uncollided, factor, rate,
                          py::tuple(notes), py::tuple(nuclides), stayDose);
}

py::dict decay(const py::handle& inventoryArgument, double timeS, bool fresh) {
    shielding::ShieldingLibrary& library = defaultLibrary();
    const std::optional<std::vector<shielding::InventoryItem>> inventory =
        inventoryOf(library, inventoryArgument);
    if (!inventory) {
        throw std::invalid_argument("decay takes an inventory: {nuclide: Bq} or [(nuclide, Bq)]");
    }
    std::string error;
    const shielding::DecayData& chains = orThrow(library.Decay(error), error);
    std::vector<double> total(chains.members.size(), 0.0);
    std::vector<bool> reached(chains.members.size(), false);
    for (const shielding::InventoryItem& item : *inventory) {
        const std::optional<std::vector<double>> start = shielding::ItemStart(chains, item, fresh);
        if (!start) {
            throw std::invalid_argument(std::string(item.Name()) +
                                        " has no decay chain in the library");
        }
        const std::vector<double> now =
            shielding::ActivitiesAt(chains, *start, secondsOf(timeS, "time_s"));
        const std::size_t head = *chains.IndexOf(item.Name());
        const std::vector<bool> chain = shielding::MembersReached(chains, {&head, 1});
        for (std::size_t m = 0; m < chain.size(); ++m) {
            reached[m] = reached[m] || chain[m];
        }
        for (std::size_t m = 0; m < now.size(); ++m) {
            total[m] += now[m];
        }
    }
    py::dict activities;
    for (std::size_t m = 0; m < total.size(); ++m) {
        if (reached[m] && !chains.members[m].Stable()) {
            activities[py::str(chains.members[m].name)] = total[m];
        }
    }
    return activities;
}

double kermaConstant(const py::handle& sourceArgument, double cutoffMeV,
                     const std::string& quantity, const std::optional<std::string>& conversion) {
    QuantityChoice choice;
    chooseQuantity(quantity, conversion, choice);
    shielding::ShieldingLibrary& library = defaultLibrary();
    const shielding::Source source = sourceOf(library, sourceArgument);
    std::string error;
    const attenuation::AbsorptionMix& air = orThrow(library.Air(error), error);
    double constant = 0.0;
    const attenuation::Outcome outcome =
        shielding::KermaRateConstant(source.lines, cutoffMeV, air, constant, &choice.conversion);
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
               py::arg("table"), py::arg("cutoff"), py::arg("quantity"), py::arg("decay_s"),
               py::arg("stay_s"), py::arg("fresh"), py::arg("conversion"));
    module.def("_kerma_constant", &kermaConstant, py::arg("nuclide"), py::arg("cutoff"),
               py::arg("quantity"), py::arg("conversion"));
    module.def("_decay", &decay, py::arg("inventory"), py::arg("time_s"), py::arg("fresh"));
    module.def("_h10_per_kerma", py::vectorize(&shielding::H10PerKerma), py::arg("energy"));
    module.def("_nuclide", &nuclide, py::arg("name"));
    module.def("_nuclides", &nuclideNames);
}

} // namespace bindings
