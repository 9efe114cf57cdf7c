#include "ShieldingCommands.h"

#include "CommandSupport.h"
#include "MaterialArguments.h"
#include "NumberText.h"
#include "TableOutput.h"
#include "shielding/Dose.h"
#include "shielding/ShieldingLibrary.h"

#include <array>
#include <cmath>
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

/// The energy of a message in the invocation's unit: "0.662 MeV" or "662 keV".
std::string energyText(const Invocation& invocation, double energyMeV) {
    std::string text;
    OutputStyle style = invocation.Style();
    style.format = OutputFormat::Csv;
    AppendColumnValue(text, style, "energy", energyMeV);
    return text + (invocation.energyUnit == EnergyUnit::keV ? " keV" : " MeV");
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
                energyText(invocation, function->LowestEnergyMeV()) + " to " +
                energyText(invocation, function->HighestEnergyMeV()) + ")",
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
    std::vector<attenuation::Layer> plain;
    if (!ReadLayers(invocation, layerWords, materials, plain, err)) {
        return kExitBadInput;
    }
    std::vector<shielding::ShieldMaterial> shieldMaterials;
    for (std::size_t i = 0; i < materials.size(); ++i) {
        shieldMaterials.push_back(
            {materials[i].resolved.get(), plain[i].densityGPerCm3, plain[i].thicknessCm});
    }
    shielding::Shield shield;
    if (!shielding::BuildShield(library, shieldMaterials, options, optionText(invocation, "table"),
                                shield, error)) {
        Complain(err, error);
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
            notes.push_back("the " + energyText(invocation, line.energyMeV) +
                            " line's buildup factor is extrapolated beyond 40 mfp");
            break;
        case shielding::LineNote::NoBuildupData:
            notes.push_back("the " + energyText(invocation, line.energyMeV) +
                            " line lies below a layer's buildup table: B = 1");
            break;
        case shielding::LineNote::BeyondRange:
            notes.push_back("the " + energyText(invocation, line.energyMeV) +
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
    if (!cutoff) {
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
    const Outcome outcome = shielding::KermaRateConstant(source.lines, *cutoff, *air, constant);
    if (outcome != Outcome::Ok) {
        Complain(err, "a line of " + source.name + " has no mu_en/rho of air (" +
                          std::string(attenuation::OutcomeWord(outcome)) + ")");
        return kExitBadInput;
    }
    const Table table(invocation, {"nuclide", "cutoff", "constant"});
    table.Header(out.Text());
    table.Cells(out.Text(), {std::string_view(source.name), *cutoff, constant});
    return kExitDone;
}

int RunNuclides(const Invocation& invocation, BufferedStream& out, BufferedStream& err) {
    if (invocation.arguments.size() > 1) {
        return Usage(err, "nuclides takes at most one NAME");
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

} // namespace cli
