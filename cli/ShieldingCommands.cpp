#include "ShieldingCommands.h"

#include "CommandSupport.h"
#include "MaterialArguments.h"
#include "NumberText.h"
#include "TableOutput.h"
#include "shielding/Decay.h"
#include "shielding/Dose.h"
#include "shielding/Inventory.h"
#include "shielding/Quantity.h"
#include "shielding/ShieldingLibrary.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cli {

namespace {

using attenuation::Outcome;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

/// The value of an option that must be one of a few words; `fallback` when it is not given.
template <typename Kind, typename Named>
std::optional<Kind> wordOption(const Invocation& invocation, const std::string& name, Kind fallback,
                               std::string_view words, Named named, BufferedStream& err) {
    const auto found = invocation.options.find(name);
    if (found == invocation.options.end()) {
        return fallback;
    }
    const std::optional<Kind> kind = named(found->second);
    if (!kind) {
        Complain(err,
                 "--" + name + " " + Echo(found->second) + " is not one of " + std::string(words));
    }
    return kind;
}

std::string optionText(const Invocation& invocation, const std::string& name) {
    const auto found = invocation.options.find(name);
    return found == invocation.options.end() ? std::string() : found->second;
}

/// --cutoff in the invocation's energy unit; `fallback` MeV when not given.
std::optional<double> cutoffOf(const Invocation& invocation, double fallback, BufferedStream& err) {
    const auto found = invocation.options.find("cutoff");
    if (found == invocation.options.end()) {
        return fallback;
    }
    const std::optional<double> cutoff = ReadEnergy(invocation, found->second);
    if (!cutoff || !(*cutoff >= 0.0) || !std::isfinite(*cutoff)) {
        Complain(err, "--cutoff " + Echo(found->second) + " is not an energy of 0 or more");
        return std::nullopt;
    }
    return cutoff;
}

/// Everything a source needs from the library, or the exit status with the message written.
int sourceOf(const Invocation& invocation, shielding::ShieldingLibrary& library,
             const std::string& text, shielding::Source& source, BufferedStream& err) {
    std::string error;
    const bool keV = invocation.energyUnit == EnergyUnit::keV;
    if (text == "-") {
        std::string input;
        if (!ReadInputFile(text, input, err)) {
            return kExitBadInput;
        }
        if (!shielding::SourceFromSpectrum(input, "standard input", keV, source, error)) {
            Complain(err, error);
            return kExitBadInput;
        }
        return kExitDone;
    }
    if (!shielding::ResolveSource(library, text, keV, source, error)) {
        Complain(err, error);
        return kExitBadInput;
    }
    return kExitDone;
}

/// The typed layers (MATERIAL@CM ...) as a shield for `options`: each layer's buildup function,
/// the air and the media of the kerma. The materials read, which the shield points into, go to
/// `materials`. False with the message written.
bool shieldOf(const Invocation& invocation, shielding::ShieldingLibrary& library,
              const std::vector<std::string>& layerWords, const shielding::DoseOptions& options,
              std::vector<Material>& materials, shielding::Shield& shield, BufferedStream& err) {
    std::vector<attenuation::Layer> plain;
    if (!ReadLayers(invocation, layerWords, materials, plain, err)) {
        return false;
    }
    std::vector<shielding::ShieldMaterial> shieldMaterials;
    for (std::size_t i = 0; i < materials.size(); ++i) {
        shieldMaterials.push_back(
            {materials[i].resolved.get(), plain[i].densityGPerCm3, plain[i].thicknessCm});
    }
    std::string error;
    if (!shielding::BuildShield(library, shieldMaterials, options, optionText(invocation, "table"),
                                shield, error)) {
        Complain(err, error);
        return false;
    }
    return true;
}

// Inventories, decay, stays and the quantities people read; defined at the end of the file.
bool WantsInventoryDose(const Invocation& invocation);
int RunInventoryDose(const Invocation& invocation, BufferedStream& out, BufferedStream& err);
int RunChainActivities(const Invocation& invocation, BufferedStream& out, BufferedStream& err);
struct ConversionChoice {
    shielding::QuantityConversion conversion;
    std::optional<shielding::ConversionTable> table;
};
bool ReadQuantityOptions(const Invocation& invocation, std::optional<shielding::RateUnit> implied,
                         ConversionChoice& choice, BufferedStream& err);
std::string ConstantUnit(shielding::Quantity quantity);

} // namespace

int RunBuildup(const Invocation& invocation, BufferedStream& out, BufferedStream& err) {
    if (invocation.arguments.empty() ||
        (invocation.arguments.size() < 2 && !invocation.options.contains("grid")) ||
        !invocation.options.contains("mfp")) {
        return Usage(err, "buildup takes MATERIAL, at least one energy and --mfp X[,X...]");
    }
    const auto kind = wordOption(invocation, "kind", shielding::BuildupKind::Exposure,
                                 "exposure, absorption", shielding::BuildupKindNamed, err);
    if (!kind) {
        return kExitBadInput;
    }
    std::vector<double> penetrations;
    const std::string mfpText = invocation.options.at("mfp");
    for (std::size_t start = 0; start <= mfpText.size();) {
        const std::size_t comma = std::min(mfpText.find(',', start), mfpText.size());
        const std::string word = mfpText.substr(start, comma - start);
        const std::optional<double> mfp = ReadNumber(word);
        if (!mfp || !(*mfp >= 0.0) || !std::isfinite(*mfp)) {
            Complain(err, "--mfp " + Echo(word) + " is not a number of mean free paths, 0 or more");
            return kExitBadInput;
        }
        penetrations.push_back(*mfp);
        start = comma + 1;
    }

    const std::string& argument = invocation.arguments[0];
    Material m;
    if (!ResolveArgument(invocation, argument, m, err)) {
        return kExitBadInput;
    }
    ValueReader energies(invocation, {invocation.arguments.begin() + 1, invocation.arguments.end()},
                         "the energy", true, out, err);
    if (!energies.Start(&m.resolved->table)) {
        return kExitBadInput;
    }

    shielding::ShieldingLibrary library(invocation.root);
    std::string error;
    const shielding::BuildupTables* tables = library.Buildup(error);
    const std::optional<shielding::BuildupFunction> function =
        tables == nullptr
            ? std::nullopt
            : shielding::BuildupFunctionOf(*m.resolved, *tables, *kind, library.Elements(),
                                           optionText(invocation, "table"), error);
    if (!function) {
        Complain(err, error);
        return kExitBadInput;
    }

    double energy = 0.0;
    if (!energies.Next(energy)) {
        if (!energies.Failed()) {
            Complain(err, "buildup needs at least one energy");
        }
        return kExitBadInput;
    }
    const Table table(invocation, {"energy", "mfp", "buildup", "zeq"}, {"", "mfp", "", ""});
    table.Header(out.Text());
    // Rows without a value, by the limit they met (none: no finite value).
    std::array<std::size_t, 3> failed{};
    bool extrapolated = false;
    do {
        for (const double mfp : penetrations) {
            shielding::BuildupValue value;
            const Outcome outcome = function->At(energy, mfp, value);
            if (outcome != Outcome::Ok) {
                ++failed[static_cast<std::size_t>(function->LimitAt(energy, mfp))];
                table.Row(out.Text(), {}, {energy}, attenuation::OutcomeWord(outcome));
            } else {
                extrapolated = extrapolated || value.extrapolated;
                table.Cells(out.Text(), {energy, mfp, value.buildup,
                                         function->TableName().empty() ? Table::Cell(value.zeq)
                                                                       : Table::Cell::Blank()});
            }
            out.FlushIfLarge();
        }
    } while (energies.Next(energy));
    if (energies.Failed()) {
        return kExitBadInput;
    }
    if (extrapolated) {
        Complain(err, "note: buildup factors beyond 40 mfp are extrapolated (Harima et al. 1991)");
    }
    const std::size_t failedRows = failed[0] + failed[1] + failed[2];
    if (failedRows > 0) {
        const std::string name = function->TableName();
        const std::array<std::string, 3> causes = {
            "the fit gives no finite value",
            "the energy is outside the " + (name.empty() ? "" : name + " ") + "buildup table (" +
                EnergyText(invocation, function->LowestEnergyMeV()) + " to " +
                EnergyText(invocation, function->HighestEnergyMeV()) + ")",
            "the penetration is beyond 100 mfp"};
        std::string why;
        for (const std::size_t i : {1, 2, 0}) {
            if (failed[i] > 0) {
                why += (why.empty() ? "" : ", ") +
                       (failed[i] == failedRows ? "" : std::to_string(failed[i]) + " because ") +
                       causes[i];
            }
        }
        Complain(err, std::to_string(failedRows) + " of " +
                          std::to_string(energies.Count() * penetrations.size()) +
                          " rows gave no value: " + why);
        return kExitSomeRowsFailed;
    }
    return kExitDone;
}

int RunDose(const Invocation& invocation, BufferedStream& out, BufferedStream& err) {
    if (invocation.arguments.empty()) {
        return Usage(err, "dose takes a SOURCE, then any LAYERs (MATERIAL@CM)");
    }
    if (WantsInventoryDose(invocation)) {
        return RunInventoryDose(invocation, out, err);
    }
    std::vector<std::string> layerWords;
    for (std::size_t i = 1; i < invocation.arguments.size(); ++i) {
        const std::string& word = invocation.arguments[i];
        if (word.find('@') == std::string::npos) {
            return Usage(err, Echo(word) + " is not a LAYER (MATERIAL@CM or MATERIAL@CM@DENSITY)");
        }
        layerWords.push_back(word);
    }
    if (!invocation.options.contains("activity") || !invocation.options.contains("distance")) {
        return Usage(err, "dose needs --activity A and --distance R, each with its unit");
    }
    std::string error;
    const std::optional<double> activity =
        shielding::ReadActivityBq(invocation.options.at("activity"), error);
    const std::optional<double> distance =
        activity ? shielding::ReadDistanceCm(invocation.options.at("distance"), error)
                 : std::nullopt;
    if (!distance) {
        Complain(err, error);
        return kExitBadInput;
    }
    shielding::DoseOptions options;
    const auto kind = wordOption(invocation, "kind", shielding::DoseKind::Exposure,
                                 "exposure, absorption, none", shielding::DoseKindNamed, err);
    const auto rule = kind ? wordOption(invocation, "rule", shielding::LayerRule::Broder,
                                        "broder, last", shielding::LayerRuleNamed, err)
                           : std::nullopt;
    const auto cutoff = rule ? cutoffOf(invocation, 0.0, err) : std::nullopt;
    if (!cutoff) {
        return kExitBadInput;
    }
    options.kind = *kind;
    options.rule = *rule;
    options.cutoffMeV = *cutoff;
    std::optional<double> target;
    if (const auto found = invocation.options.find("thickness-for");
        found != invocation.options.end()) {
        target = ReadNumber(found->second);
        if (!target || !(*target > 0.0) || !std::isfinite(*target)) {
            Complain(err,
                     "--thickness-for " + Echo(found->second) + " is not a rate above 0 (uGy/h)");
            return kExitBadInput;
        }
        if (layerWords.empty()) {
            return Usage(err, "--thickness-for needs at least one LAYER, whose thickness it finds");
        }
    }

    shielding::ShieldingLibrary library(invocation.root);
    shielding::Source source;
    if (const int status = sourceOf(invocation, library, invocation.arguments[0], source, err);
        status != kExitDone) {
        return status;
    }
    std::vector<Material> materials;
    shielding::Shield shield;
    if (!shieldOf(invocation, library, layerWords, options, materials, shield, err)) {
        return kExitBadInput;
    }
    const std::vector<shielding::ShieldLayer>& layers = shield.layers;
    const shielding::KermaMedia& media = shield.media;
    options = shield.options;

    if (target) {
        double thickness = 0.0;
        const Outcome outcome = shielding::ThicknessForRate(
            source.lines, *activity, *distance, layers, options, media, *target, thickness);
        if (outcome != Outcome::Ok) {
            Complain(err,
                     outcome == Outcome::NoSolution
                         ? "no thickness of the last layer brings the rate to " +
                               Echo(invocation.options.at("thickness-for")) + " uGy/h"
                         : "a line gives no value: " + attenuation::DescribeOutcome(outcome, kNaN));
            return kExitBadInput;
        }
        const Table table(invocation, {"thickness"});
        table.Header(out.Text());
        table.Row(out.Text(), {}, {thickness});
        return kExitDone;
    }

    shielding::DoseResult result;
    shielding::DoseRate(source.lines, *activity, *distance, layers, options, media, result);
    const Table table(invocation, {"energy", "intensity", "uncollided", "buildup", "rate"});
    table.Header(out.Text());
    double photons = 0.0;
    double uncollided = 0.0;
    std::size_t failed = 0;
    std::vector<std::string> notes;
    for (const shielding::LineDose& line : result.lines) {
        if (line.outcome != Outcome::Ok) {
            ++failed;
            table.Row(out.Text(), {}, {line.energyMeV}, attenuation::OutcomeWord(line.outcome));
            continue;
        }
        photons += line.photonsPerDecay;
        uncollided += line.uncollided;
        table.Row(out.Text(), {},
                  {line.energyMeV, line.photonsPerDecay, line.uncollided, line.buildup, line.rate});
        switch (line.note) {
        case shielding::LineNote::None:
            break;
        case shielding::LineNote::Extrapolated:
            notes.push_back("the " + EnergyText(invocation, line.energyMeV) +
                            " line's buildup factor is extrapolated beyond 40 mfp");
            break;
        case shielding::LineNote::NoBuildupData:
            notes.push_back("the " + EnergyText(invocation, line.energyMeV) +
                            " line lies below a layer's buildup table: B = 1");
            break;
        case shielding::LineNote::BeyondRange:
            notes.push_back("the " + EnergyText(invocation, line.energyMeV) +
                            " line lies beyond 100 mfp and counts as 0");
            break;
        }
    }
    if (result.outcome != Outcome::Ok) {
        table.Row(out.Text(), {"total"}, {kNaN}, attenuation::OutcomeWord(result.outcome));
    } else {
        table.Row(out.Text(), {"total"},
                  {photons, uncollided, uncollided > 0.0 ? result.total / uncollided : kNaN,
                   result.total});
    }
    for (const std::string& note : notes) {
        Complain(err, "note: " + note);
    }
    if (invocation.format == OutputFormat::Text && result.outcome == Outcome::Ok &&
        options.kind != shielding::DoseKind::Absorption && invocation.textHeader) {
        std::string mr;
        AppendValue(mr, shielding::MilliRoentgenPerHour(result.total), invocation.digits);
        out.Text() += "# exposure rate " + mr + " mR/h\n";
    }
    if (failed > 0) {
        Complain(err, std::to_string(failed) + " of " + std::to_string(result.lines.size()) +
                          " lines gave no value, so the total has none");
        return kExitSomeRowsFailed;
    }
    return kExitDone;
}

int RunKermaConstant(const Invocation& invocation, BufferedStream& out, BufferedStream& err) {
    if (invocation.arguments.size() != 1) {
        return Usage(err, "kerma-constant takes one NUCLIDE (or lines:E=PHOTONS,...)");
    }
    const std::optional<double> cutoff = cutoffOf(invocation, 0.02, err);
    ConversionChoice quantity;
    if (!cutoff || !ReadQuantityOptions(invocation, std::nullopt, quantity, err)) {
        return kExitBadInput;
    }
    shielding::ShieldingLibrary library(invocation.root);
    shielding::Source source;
    if (const int status = sourceOf(invocation, library, invocation.arguments[0], source, err);
        status != kExitDone) {
        return status;
    }
    std::string error;
    const attenuation::AbsorptionMix* air = library.Air(error);
    if (air == nullptr) {
        Complain(err, error);
        return kExitBadInput;
    }
    double constant = 0.0;
    const Outcome outcome =
        shielding::KermaRateConstant(source.lines, *cutoff, *air, constant, &quantity.conversion);
    if (outcome != Outcome::Ok) {
        Complain(err, "a line of " + source.name +
                          (quantity.table ? " lies outside the conversion file's energies ("
                                          : " has no mu_en/rho of air (") +
                          std::string(attenuation::OutcomeWord(outcome)) + ")");
        return kExitBadInput;
    }
    const std::string unit = ConstantUnit(quantity.conversion.quantity);
    const Table table(invocation, {"nuclide", "cutoff", "constant"}, {"", "", unit});
    table.Header(out.Text());
    table.Cells(out.Text(), {std::string_view(source.name), *cutoff, constant});
    return kExitDone;
}

int RunNuclides(const Invocation& invocation, BufferedStream& out, BufferedStream& err) {
    if (invocation.arguments.size() > 1) {
        return Usage(err, "nuclides takes at most one NAME");
    }
    if (invocation.options.contains("decay") || invocation.options.contains("activity") ||
        invocation.options.contains("fresh")) {
        return RunChainActivities(invocation, out, err);
    }
    std::string error;
    shielding::ShieldingLibrary library(invocation.root);
    const std::vector<shielding::Nuclide>* nuclides = library.Nuclides(error);
    if (nuclides == nullptr) {
        Complain(err, error);
        return kExitBadInput;
    }
    if (invocation.arguments.empty()) {
        const Table table(invocation, {"nuclide", "half_life", "lines"});
        table.Header(out.Text());
        for (const shielding::Nuclide& nuclide : *nuclides) {
            const std::string count = std::to_string(nuclide.lines.size());
            table.Cells(out.Text(), {std::string_view(nuclide.name),
                                     std::string_view(nuclide.halfLife), std::string_view(count)});
        }
        return kExitDone;
    }
    const std::string& name = invocation.arguments[0];
    const shielding::Nuclide* nuclide = shielding::FindNuclide(*nuclides, name);
    if (nuclide == nullptr) {
        const std::string suggestion = shielding::DidYouMean(*nuclides, name);
        Complain(err,
                 Echo(name) + " is no nuclide of the library" +
                     (suggestion.empty() ? " (photonxs-cli nuclides lists them)" : suggestion));
        return kExitBadInput;
    }
    const Table table(invocation, {"energy", "intensity", "kind", "emitter"});
    table.Header(out.Text());
    for (const shielding::PhotonLine& line : nuclide->lines) {
        table.Cells(out.Text(), {line.energyMeV, line.photonsPerDecay, std::string_view(line.kind),
                                 std::string_view(line.emitter)});
    }
    return kExitDone;
}

// --- Inventories, decay, stays and quantities ---

namespace {

constexpr std::array<const char*, 6> kInventoryOptions = {"decay",    "stay",      "fresh",
                                                          "quantity", "rate-unit", "conversion"};

/// How a SOURCE gives an inventory: as a list "Co-60=1GBq,...", as a file whose header is
/// nuclide,activity, or not at all. A file of that name wins over a list.
enum class InventoryForm { None, List, File };

InventoryForm inventoryForm(const std::string& text) {
    if (text.starts_with(shielding::kLinesPrefix) || text == "-") {
        return InventoryForm::None;
    }
    std::error_code ec;
    if (std::filesystem::is_regular_file(text, ec)) {
        std::string content;
        return data::ReadWholeFile(text, content) && shielding::LooksLikeInventory(content)
                   ? InventoryForm::File
                   : InventoryForm::None;
    }
    return text.find('=') != std::string::npos ? InventoryForm::List : InventoryForm::None;
}

/// A rate unit and the unit of a dose over a stay that goes with it: uSv/h and uSv.
struct ChosenUnit {
    shielding::RateUnit rate;
    std::string rateName;
    std::string doseName;
    double doseBaseUnits = 1.0; ///< base dose units (uGy, mR, uSv) in one of the dose unit
};

ChosenUnit chosenUnit(const shielding::RateUnit& unit) {
    const std::string name(unit.name);
    const bool perSecond = name.ends_with("/s");
    return {unit, name, name.substr(0, name.size() - 2),
            perSecond ? unit.baseUnits / 3600.0 : unit.baseUnits};
}

/// The note of a line's buildup factor, empty for none.
std::string lineNoteText(const Invocation& invocation, const shielding::LineDose& line) {
    switch (line.note) {
    case shielding::LineNote::None:
        break;
    case shielding::LineNote::Extrapolated:
        return "the " + EnergyText(invocation, line.energyMeV) +
               " line's buildup factor is extrapolated beyond 40 mfp";
    case shielding::LineNote::NoBuildupData:
        return "the " + EnergyText(invocation, line.energyMeV) +
               " line lies below a layer's buildup table: B = 1";
    case shielding::LineNote::BeyondRange:
        return "the " + EnergyText(invocation, line.energyMeV) +
               " line lies beyond 100 mfp and counts as 0";
    }
    return {};
}

/// The source of an inventory dose: its items, or one source of lines with an activity.
struct DoseSource {
    std::vector<shielding::InventoryItem> items;
    shielding::Source plain; ///< lines or a spectrum, when there are no items
    double plainActivityBq = 0.0;
    std::vector<std::string> names; ///< one per item (or the plain source's name)
};

int readDoseSource(const Invocation& invocation, shielding::ShieldingLibrary& library,
                   DoseSource& source, BufferedStream& err) {
    const std::string& text = invocation.arguments[0];
    std::string error;
    const std::vector<shielding::Nuclide>* nuclides = library.Nuclides(error);
    if (nuclides == nullptr) {
        Complain(err, error);
        return kExitBadInput;
    }
    const bool hasActivity = invocation.options.contains("activity");
    if (const InventoryForm form = inventoryForm(text); form != InventoryForm::None) {
        if (hasActivity) {
            return Usage(err, "an inventory carries its own activities; leave out --activity");
        }
        const shielding::DecayData* chains = library.Decay(error);
        if (chains == nullptr) {
            Complain(err, error);
            return kExitBadInput;
        }
        std::optional<std::vector<shielding::InventoryItem>> items;
        if (form == InventoryForm::List) {
            items = shielding::ParseInventoryList(text, *nuclides, error, chains);
        } else {
            std::string content;
            if (!ReadInputFile(text, content, err)) {
                return kExitBadInput;
            }
            items = shielding::ParseInventoryCsv(content, *nuclides, error, chains);
            error = text + ", " + error;
        }
        if (!items) {
            Complain(err, error);
            return kExitBadInput;
        }
        source.items = std::move(*items);
    } else {
        if (!hasActivity) {
            return Usage(err, "dose needs --activity A with its unit, or an inventory "
                              "NUCLIDE=A,... as its SOURCE");
        }
        const std::optional<double> activity =
            shielding::ReadActivityBq(invocation.options.at("activity"), error);
        if (!activity) {
            Complain(err, error);
            return kExitBadInput;
        }
        if (const int status = sourceOf(invocation, library, text, source.plain, err);
            status != kExitDone) {
            return status;
        }
        if (source.plain.nuclide != nullptr) {
            source.items.push_back({source.plain.nuclide, *activity});
        } else {
            source.plainActivityBq = *activity;
        }
    }
    for (const shielding::InventoryItem& item : source.items) {
        source.names.emplace_back(item.Name());
    }
    if (source.items.empty()) {
        source.names.push_back(source.plain.name);
    }
    return kExitDone;
}

/// The line table of a rate: with a nuclide column and a total per nuclide where the source
/// has several. `emitted` gives each result line's item and photons per decay. The exit status.
int writeRateTable(const Invocation& invocation, const DoseSource& source,
                   const shielding::EmittedLines& emitted, const shielding::DoseResult& result,
                   const ChosenUnit& unit, bool icruH10, BufferedStream& out, BufferedStream& err) {
    const bool several = source.names.size() > 1;
    std::vector<std::string> keys = {"energy", "intensity", "uncollided", "buildup", "rate"};
    std::vector<std::string_view> units = {"", "", unit.rateName, "", unit.rateName};
    if (several) {
        keys.insert(keys.begin(), "nuclide");
        units.insert(units.begin(), "");
    }
    const Table table(invocation, keys, units);
    table.Header(out.Text());
    const double scale = 1.0 / unit.rate.baseUnits;
    struct Sum {
        double photons = 0.0;
        double uncollided = 0.0;
        double rate = 0.0;
        bool failed = false;
    };
    std::vector<Sum> sums(source.names.size());
    Sum all;
    std::size_t failed = 0;
    std::vector<std::string> notes;
    std::size_t lowH10 = 0;
    const auto totalRow = [&](std::string_view name, const Sum& sum) {
        const double buildup = sum.uncollided > 0.0 ? sum.rate / sum.uncollided : kNaN;
        const std::string_view word = attenuation::OutcomeWord(result.outcome);
        if (sum.failed && several) {
            table.Row(out.Text(), {name, "total"}, {}, word);
        } else if (sum.failed) {
            table.Row(out.Text(), {"total"}, {kNaN}, word);
        } else if (several) {
            table.Cells(out.Text(), {name, std::string_view("total"),
                                     &sum == &all ? Table::Cell::Blank() : Table::Cell(sum.photons),
                                     sum.uncollided * scale, buildup, sum.rate * scale});
        } else {
            table.Cells(out.Text(), {std::string_view("total"), sum.photons, sum.uncollided * scale,
                                     buildup, sum.rate * scale});
        }
    };
    for (std::size_t i = 0; i < result.lines.size(); ++i) {
        const shielding::LineDose& line = result.lines[i];
        const std::size_t n = emitted.item[i];
        const std::string_view name = source.names[n];
        const double perDecay = emitted.perDecay[i];
        if (line.outcome != Outcome::Ok) {
            ++failed;
            sums[n].failed = all.failed = true;
            several ? table.Row(out.Text(), {name}, {line.energyMeV},
                                attenuation::OutcomeWord(line.outcome))
                    : table.Row(out.Text(), {}, {line.energyMeV},
                                attenuation::OutcomeWord(line.outcome));
        } else {
            for (Sum* sum : {&sums[n], &all}) {
                sum->photons += perDecay;
                sum->uncollided += line.uncollided;
                sum->rate += line.rate;
            }
            several
                ? table.Cells(out.Text(), {name, line.energyMeV, perDecay, line.uncollided * scale,
                                           line.buildup, line.rate * scale})
                : table.Row(out.Text(), {},
                            {line.energyMeV, perDecay, line.uncollided * scale, line.buildup,
                             line.rate * scale});
            if (const std::string note = lineNoteText(invocation, line); !note.empty()) {
                notes.push_back(note);
            }
            lowH10 += icruH10 && line.energyMeV < shielding::kH10FitLowestGoodMeV && line.rate > 0.0
                          ? 1
                          : 0;
        }
        if (several && (i + 1 == result.lines.size() || emitted.item[i + 1] != n)) {
            totalRow(name, sums[n]);
        }
        out.FlushIfLarge();
    }
    totalRow("all", all);
    for (const std::string& note : notes) {
        Complain(err, "note: " + note);
    }
    if (lowH10 > 0) {
        Complain(err, "note: " + std::to_string(lowH10) +
                          (lowH10 == 1 ? " line lies" : " lines lie") +
                          " below 20 keV, where the ICRU 47 function overstates H*(10) by up to "
                          "a quarter");
    }
    if (failed > 0) {
        Complain(err, std::to_string(failed) + " of " + std::to_string(result.lines.size()) +
                          " lines gave no value, so the total has none");
        return kExitSomeRowsFailed;
    }
    return kExitDone;
}

/// The quantity the options ask for, with the unit its rates are shown in. False with a message
/// when they disagree.
bool chooseQuantity(const Invocation& invocation, const std::optional<shielding::Rate>& target,
                    ConversionChoice& choice, ChosenUnit& unit, BufferedStream& err) {
    std::optional<shielding::RateUnit> rateUnit;
    if (const auto found = invocation.options.find("rate-unit");
        found != invocation.options.end()) {
        rateUnit = shielding::RateUnitNamed(found->second);
        if (!rateUnit) {
            Complain(err, "--rate-unit " + Echo(found->second) + " is none of " +
                              shielding::RateUnitList());
            return false;
        }
    }
    std::optional<shielding::RateUnit> implied;
    if (target && target->unitGiven) {
        implied = shielding::RateUnitNamed(target->unit);
    }
    if (rateUnit && implied && rateUnit->quantity != implied->quantity) {
        Complain(err, "--rate-unit " + std::string(rateUnit->name) + " and --thickness-for in " +
                          std::string(implied->name) + " are rates of different quantities");
        return false;
    }
    if (rateUnit) {
        implied = rateUnit;
    }
    if (!ReadQuantityOptions(invocation, implied, choice, err)) {
        return false;
    }
    const shielding::Quantity quantity = choice.conversion.quantity;
    if (target && !target->unitGiven && quantity != shielding::Quantity::Kerma) {
        Complain(err, "--thickness-for " + Echo(invocation.options.at("thickness-for")) +
                          " has no unit, which means uGy/h of air kerma; give the rate of " +
                          std::string(shielding::QuantityWord(quantity)) + " with its unit (" +
                          std::string(shielding::BaseRateUnit(quantity)) + ", ...)");
        return false;
    }
    unit = chosenUnit(rateUnit ? *rateUnit
                               : *shielding::RateUnitNamed(shielding::BaseRateUnit(quantity)));
    return true;
}

} // namespace

namespace {

bool WantsInventoryDose(const Invocation& invocation) {
    for (const char* option : kInventoryOptions) {
        if (invocation.options.contains(option)) {
            return true;
        }
    }
    if (const auto found = invocation.options.find("thickness-for");
        found != invocation.options.end() && !ReadNumber(found->second)) {
        return true; // a rate with its unit
    }
    return inventoryForm(invocation.arguments[0]) != InventoryForm::None;
}

std::string ConstantUnit(shielding::Quantity quantity) {
    switch (quantity) {
    case shielding::Quantity::Kerma:
        break;
    case shielding::Quantity::Exposure:
        return "mR m2/(GBq h)";
    case shielding::Quantity::H10:
        return "uSv m2/(GBq h)";
    }
    return "uGy m2/(GBq h)";
}

bool ReadQuantityOptions(const Invocation& invocation, std::optional<shielding::RateUnit> implied,
                         ConversionChoice& choice, BufferedStream& err) {
    shielding::Quantity quantity = implied ? implied->quantity : shielding::Quantity::Kerma;
    if (const auto found = invocation.options.find("quantity"); found != invocation.options.end()) {
        const std::optional<shielding::Quantity> named = shielding::QuantityNamed(found->second);
        if (!named) {
            Complain(err,
                     "--quantity " + Echo(found->second) + " is not one of kerma, exposure, h10");
            return false;
        }
        if (implied && implied->quantity != *named) {
            Complain(err, std::string(implied->name) + " is a rate of " +
                              std::string(shielding::QuantityWord(implied->quantity)) +
                              ", not of --quantity " +
                              std::string(shielding::QuantityWord(*named)) + " (" +
                              std::string(shielding::BaseRateUnit(*named)) + ", ...)");
            return false;
        }
        quantity = *named;
    }
    choice.conversion.quantity = quantity;
    if (const auto found = invocation.options.find("conversion");
        found != invocation.options.end()) {
        if (quantity != shielding::Quantity::H10) {
            Complain(err, "--conversion gives coefficients per air kerma for --quantity h10");
            return false;
        }
        std::string text;
        if (!ReadInputFile(found->second, text, err)) {
            return false;
        }
        std::string error;
        choice.table = shielding::ConversionTable::Parse(text, error);
        if (!choice.table) {
            Complain(err, found->second + ", " + error);
            return false;
        }
        choice.conversion.table = &*choice.table;
    }
    return true;
}

int RunInventoryDose(const Invocation& invocation, BufferedStream& out, BufferedStream& err) {
    std::vector<std::string> layerWords;
    for (std::size_t i = 1; i < invocation.arguments.size(); ++i) {
        const std::string& word = invocation.arguments[i];
        if (word.find('@') == std::string::npos) {
            return Usage(err, Echo(word) + " is not a LAYER (MATERIAL@CM or MATERIAL@CM@DENSITY)");
        }
        layerWords.push_back(word);
    }
    if (!invocation.options.contains("distance")) {
        return Usage(err, "dose needs --distance R with its unit");
    }
    std::string error;
    const std::optional<double> distance =
        shielding::ReadDistanceCm(invocation.options.at("distance"), error);
    if (!distance) {
        Complain(err, error);
        return kExitBadInput;
    }
    shielding::DoseOptions options;
    const auto kind = wordOption(invocation, "kind", shielding::DoseKind::Exposure,
                                 "exposure, absorption, none", shielding::DoseKindNamed, err);
    const auto rule = kind ? wordOption(invocation, "rule", shielding::LayerRule::Broder,
                                        "broder, last", shielding::LayerRuleNamed, err)
                           : std::nullopt;
    const auto cutoff = rule ? cutoffOf(invocation, 0.0, err) : std::nullopt;
    if (!cutoff) {
        return kExitBadInput;
    }
    options.kind = *kind;
    options.rule = *rule;
    options.cutoffMeV = *cutoff;
    std::optional<shielding::Rate> target;
    if (const auto found = invocation.options.find("thickness-for");
        found != invocation.options.end()) {
        target = shielding::ReadRate(found->second, error);
        if (!target) {
            Complain(err, "--thickness-for: " + error);
            return kExitBadInput;
        }
        if (layerWords.empty()) {
            return Usage(err, "--thickness-for needs at least one LAYER, whose thickness it finds");
        }
    }
    ConversionChoice choice;
    ChosenUnit unit;
    if (!chooseQuantity(invocation, target, choice, unit, err)) {
        return kExitBadInput;
    }
    if (choice.conversion.quantity != shielding::Quantity::Kerma &&
        options.kind == shielding::DoseKind::Absorption) {
        Complain(err,
                 "--quantity " + std::string(shielding::QuantityWord(choice.conversion.quantity)) +
                     " is read from air kerma; --kind absorption gives kerma in the last layer");
        return kExitBadInput;
    }
    shielding::DecayRequest request;
    request.fresh = invocation.options.contains("fresh");
    for (const auto& [option, time] :
         {std::pair{"decay", &request.timeS}, std::pair{"stay", &request.stayS}}) {
        if (const auto found = invocation.options.find(option); found != invocation.options.end()) {
            const std::optional<double> seconds =
                shielding::ReadTimeS(found->second, std::string("--") + option + " time", error);
            if (!seconds) {
                Complain(err, error);
                return kExitBadInput;
            }
            *time = *seconds;
        }
    }
    const bool stay = invocation.options.contains("stay");
    if (stay && target) {
        return Usage(err, "--thickness-for finds a thickness for a rate; leave out --stay");
    }

    shielding::ShieldingLibrary library(invocation.root);
    DoseSource source;
    if (const int status = readDoseSource(invocation, library, source, err); status != kExitDone) {
        return status;
    }
    const bool decays = request.timeS > 0.0 || request.fresh || stay;
    if (source.items.empty() && decays) {
        Complain(err, "--decay, --stay and --fresh need nuclides of the library, not " +
                          Echo(source.plain.name));
        return kExitBadInput;
    }
    shielding::EmittedLines emitted;
    shielding::EmittedLines stayLines;
    if (source.items.empty()) {
        emitted.lines = source.plain.lines;
        emitted.item.assign(emitted.lines.size(), 0);
        for (const shielding::PhotonLine& line : emitted.lines) {
            emitted.perDecay.push_back(line.photonsPerDecay);
        }
        emitted.activityBq = source.plainActivityBq;
    } else {
        const shielding::DecayData* chains = library.Decay(error);
        const std::optional<std::vector<shielding::EmitterShare>> shares =
            chains == nullptr ? std::nullopt
                              : shielding::InventoryEmitters(*chains, source.items, request, error);
        if (!shares) {
            Complain(err, error);
            return kExitBadInput;
        }
        emitted = shielding::RateLines(source.items, *shares, request);
        stayLines = shielding::StayLines(source.items, *shares);
    }
    emitted.KeepAbove(options.cutoffMeV);
    stayLines.KeepAbove(options.cutoffMeV);
    if (choice.table) {
        for (const shielding::EmittedLines* lines : {&emitted, &stayLines}) {
            for (const shielding::PhotonLine& line : lines->lines) {
                double factor = 0.0;
                if (choice.table->At(line.energyMeV, factor) != Outcome::Ok) {
                    Complain(err, "the " + EnergyText(invocation, line.energyMeV) +
                                      " line lies outside the conversion file's energies (" +
                                      EnergyText(invocation, choice.table->LowestMeV()) + " to " +
                                      EnergyText(invocation, choice.table->HighestMeV()) +
                                      "); raise --cutoff or extend the file");
                    return kExitBadInput;
                }
            }
        }
    }

    std::vector<Material> materials;
    shielding::Shield shield;
    if (!shieldOf(invocation, library, layerWords, options, materials, shield, err)) {
        return kExitBadInput;
    }
    options = shield.options;
    options.conversion = &choice.conversion;

    if (target) {
        double thickness = 0.0;
        const Outcome outcome =
            shielding::ThicknessForRate(emitted.lines, emitted.activityBq, *distance, shield.layers,
                                        options, shield.media, target->base, thickness);
        if (outcome != Outcome::Ok) {
            Complain(err,
                     outcome == Outcome::NoSolution
                         ? "no thickness of the last layer brings the rate to " +
                               Echo(invocation.options.at("thickness-for")) +
                               (target->unitGiven ? "" : " uGy/h")
                         : "a line gives no value: " + attenuation::DescribeOutcome(outcome, kNaN));
            return kExitBadInput;
        }
        const Table table(invocation, {"thickness"});
        table.Header(out.Text());
        table.Row(out.Text(), {}, {thickness});
        return kExitDone;
    }

    shielding::DoseResult result;
    shielding::DoseRate(emitted.lines, emitted.activityBq, *distance, shield.layers, options,
                        shield.media, result);
    const bool icruH10 =
        choice.conversion.quantity == shielding::Quantity::H10 && !choice.table.has_value();
    if (!stay) {
        const int status =
            writeRateTable(invocation, source, emitted, result, unit, icruH10, out, err);
        if (status == kExitDone && invocation.format == OutputFormat::Text &&
            choice.conversion.quantity == shielding::Quantity::Kerma &&
            options.kind != shielding::DoseKind::Absorption && invocation.textHeader &&
            unit.rate.baseUnits == 1.0) {
            std::string mr;
            AppendValue(mr, shielding::MilliRoentgenPerHour(result.total), invocation.digits);
            out.Text() += "# exposure rate " + mr + " mR/h\n";
        }
        return status;
    }
    // Over a stay: each nuclide's rate at its start and the dose the stay's photons give.
    shielding::DoseResult dose;
    shielding::DoseRate(stayLines.lines, 1.0, *distance, shield.layers, options, shield.media,
                        dose);
    if (result.outcome != Outcome::Ok || dose.outcome != Outcome::Ok) {
        Complain(err, "a line gives no value: " +
                          attenuation::DescribeOutcome(
                              result.outcome != Outcome::Ok ? result.outcome : dose.outcome, kNaN));
        return kExitSomeRowsFailed;
    }
    std::vector<double> rates(source.names.size(), 0.0);
    std::vector<double> doses(source.names.size(), 0.0);
    for (std::size_t i = 0; i < result.lines.size(); ++i) {
        rates[emitted.item[i]] += result.lines[i].rate;
    }
    for (std::size_t i = 0; i < dose.lines.size(); ++i) {
        doses[stayLines.item[i]] += dose.lines[i].rate / 3600.0; // (uGy/h) s to uGy
    }
    const Table table(invocation, {"nuclide", "rate", "dose"}, {"", unit.rateName, unit.doseName});
    table.Header(out.Text());
    double totalRate = 0.0;
    double totalDose = 0.0;
    for (std::size_t n = 0; n < source.names.size(); ++n) {
        table.Row(out.Text(), {source.names[n]},
                  {rates[n] / unit.rate.baseUnits, doses[n] / unit.doseBaseUnits});
        totalRate += rates[n];
        totalDose += doses[n];
    }
    table.Row(out.Text(), {"total"},
              {totalRate / unit.rate.baseUnits, totalDose / unit.doseBaseUnits});
    return kExitDone;
}

int RunChainActivities(const Invocation& invocation, BufferedStream& out, BufferedStream& err) {
    if (invocation.arguments.size() != 1 || !invocation.options.contains("decay")) {
        return Usage(err, "nuclides NAME --decay T [--activity A] [--fresh]: --activity and "
                          "--fresh go with one NAME and a decay time");
    }
    std::string error;
    const std::optional<double> time =
        shielding::ReadTimeS(invocation.options.at("decay"), "--decay time", error);
    std::optional<double> activity = 1.0;
    if (time && invocation.options.contains("activity")) {
        activity = shielding::ReadActivityBq(invocation.options.at("activity"), error);
    }
    if (!time || !activity) {
        Complain(err, error);
        return kExitBadInput;
    }
    shielding::ShieldingLibrary library(invocation.root);
    const std::vector<shielding::Nuclide>* nuclides = library.Nuclides(error);
    const shielding::DecayData* chains = nuclides ? library.Decay(error) : nullptr;
    if (chains == nullptr) {
        Complain(err, error);
        return kExitBadInput;
    }
    const std::optional<shielding::InventoryItem> item =
        shielding::InventoryItemOf(invocation.arguments[0], *activity, *nuclides, chains, error);
    const std::optional<std::vector<double>> start =
        item ? shielding::ItemStart(*chains, *item, invocation.options.contains("fresh"))
             : std::nullopt;
    if (!start) {
        Complain(err,
                 item ? std::string(item->Name()) + " has no decay chain in the library" : error);
        return kExitBadInput;
    }
    const std::vector<double> now = shielding::ActivitiesAt(*chains, *start, *time);
    // The nuclide's chain: every radioactive member reached from it, in the table's order.
    const std::size_t head = *chains->IndexOf(item->Name());
    const std::vector<bool> reached = shielding::MembersReached(*chains, {&head, 1});
    const Table table(invocation, {"nuclide", "half_life", "activity"}, {"", "s", "Bq"});
    table.Header(out.Text());
    for (std::size_t m = 0; m < now.size(); ++m) {
        if (reached[m] && !chains->members[m].Stable()) {
            table.Row(out.Text(), {chains->members[m].name},
                      {chains->members[m].halfLifeS, now[m]});
        }
    }
    return kExitDone;
}

} // namespace

} // namespace cli
