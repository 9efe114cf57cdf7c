#include "LayerCommands.h"

#include "CommandSupport.h"
#include "MaterialArguments.h"
#include "NumberText.h"
#include "TableOutput.h"
#include "attenuation/Compositions.h"
#include "attenuation/LayerShares.h"

#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace cli {

namespace {

using attenuation::Outcome;

/// A command's stack as typed: the layers (words with '@'), the energies (the other words, with
/// --energy) or a spectrum file, resolved.
struct Stack {
    std::vector<std::string> layerWords;
    std::vector<std::string> energyWords;
    std::vector<Material> materials;
    std::vector<attenuation::Layer> layers;
    std::optional<std::string> spectrum;
    double pathFactor = 1.0;
};

// kExitDone with `stack` filled, else the status with the message written. `spectrum`: the
// command takes --spectrum FILE in place of energies.
int readStack(const Invocation& invocation, bool spectrum, Stack& stack, BufferedStream& err) {
    const std::string& command = invocation.command;
    const auto file = invocation.options.find("spectrum");
    if (file != invocation.options.end()) {
        stack.spectrum = file->second;
    }
    const bool byEnergy =
        invocation.options.contains("energy") || invocation.options.contains("grid");
    if (spectrum ? byEnergy == stack.spectrum.has_value() : !byEnergy) {
        return Usage(err, command + (spectrum ? " takes either --energy E... or --spectrum FILE"
                                              : " takes --energy E..."));
    }
    for (const std::string& word : invocation.arguments) {
        (word.find('@') != std::string::npos ? stack.layerWords : stack.energyWords)
            .push_back(word);
    }
    if (stack.layerWords.empty()) {
        return Usage(err,
                     command + " needs at least one LAYER (MATERIAL@CM or MATERIAL@CM@DENSITY)");
    }
    if (!byEnergy && !stack.energyWords.empty()) {
        return Usage(err, Echo(stack.energyWords[0]) + " is not a LAYER (MATERIAL@CM)");
    }
    if (const auto angle = invocation.options.find("angle"); angle != invocation.options.end()) {
        const std::optional<double> degrees = ReadNumber(angle->second);
        std::string problem = "not a number";
        const std::optional<double> factor =
            degrees ? attenuation::PathFactor(*degrees, problem) : std::nullopt;
        if (!factor) {
            Complain(err, "--angle " + Echo(angle->second) + ": " + problem);
            return kExitBadInput;
        }
        stack.pathFactor = *factor;
    }
    return ReadLayers(invocation, stack.layerWords, stack.materials, stack.layers, err)
               ? kExitDone
               : kExitBadInput;
}

std::optional<attenuation::AbsorptionMix>
dryAir(const Invocation& invocation, attenuation::AbsorptionLibrary& library, BufferedStream& err) {
    return MixOf(invocation, library, {}, attenuation::kDryAirPath, err);
}

// The energy-absorption mix of every layer; empty, with a note, when a layer's composition is
// not known (its deposited energy is then left blank, the other shares stand).
std::optional<std::vector<attenuation::AbsorptionMix>>
layerMixes(const Stack& stack, attenuation::AbsorptionLibrary& library, BufferedStream& err) {
    std::vector<attenuation::AbsorptionMix> mixes;
    for (std::size_t i = 0; i < stack.layers.size(); ++i) {
        const material::ResolvedMaterial& resolved = *stack.materials[i].resolved;
        const std::string name = stack.layerWords[i].substr(0, stack.layerWords[i].find('@'));
        std::string error;
        std::optional<attenuation::Composition> shares = attenuation::SharesOf(
            resolved.composition, resolved.dataPath.empty() ? name : resolved.dataPath, error);
        std::optional<attenuation::AbsorptionMix> mix =
            shares ? attenuation::MixAbsorption(*shares, library, error) : std::nullopt;
        if (!mix) {
            Complain(err, "note: the energy deposited is left blank: " + error);
            return std::nullopt;
        }
        mixes.push_back(std::move(*mix));
    }
    return mixes;
}

int finish(std::size_t failed, const ValueReader& energies, BufferedStream& err) {
    if (energies.Failed()) {
        return kExitBadInput;
    }
    if (failed == 0) {
        return kExitDone;
    }
    Complain(err, std::to_string(failed) + " of " + std::to_string(energies.Count()) +
                      " energies gave no value (out of range or no solution)");
    return kExitSomeRowsFailed;
}

// One row per energy of the stack's energies: `row(energy)` writes it, or gives why not and
// the row carries the outcome's word under `texts`.
template <typename RowAt>
int perEnergy(const Invocation& invocation, Stack& stack, const data::MaterialTable* gridTable,
              const Table& table, std::initializer_list<std::string_view> texts,
              BufferedStream& out, BufferedStream& err, RowAt row) {
    ValueReader energies(invocation, std::move(stack.energyWords), "the energy", true, out, err);
    double energy = 0.0;
    if (!energies.Start(gridTable)) {
        return kExitBadInput;
    }
    if (!energies.Next(energy)) {
        return energies.Failed()
                   ? kExitBadInput
                   : Usage(err, invocation.command + " --energy needs at least one energy");
    }
    table.Header(out.Text());
    std::size_t failed = 0;
    do {
        const Outcome outcome = row(energy);
        if (outcome != Outcome::Ok) {
            ++failed;
            table.Row(out.Text(), texts, {energy}, attenuation::OutcomeWord(outcome));
        }
        out.FlushIfLarge();
    } while (energies.Next(energy));
    return finish(failed, energies, err);
}

} // namespace

int RunLayers(const Invocation& invocation, BufferedStream& out, BufferedStream& err) {
    Stack stack;
    if (const int status = readStack(invocation, true, stack, err); status != kExitDone) {
        return status;
    }
    attenuation::AbsorptionLibrary library(invocation.root);
    const auto mixes = layerMixes(stack, library, err);
    const auto* mixesGiven = mixes ? &*mixes : nullptr;
    if (!stack.spectrum) {
        if (invocation.options.contains("bins")) {
            return Usage(err, "--bins lists a spectrum's bins: it needs --spectrum");
        }
        const Table table(invocation, {"layer", "energy", "interacted", "photo_absorbed",
                                       "deposited", "transmitted"});
        return perEnergy(
            invocation, stack, stack.layers.back().table, table, {"stack"}, out, err,
            [&](double energy) {
                std::vector<attenuation::LayerShare> shares;
                const Outcome outcome = attenuation::LayerSharesAt(stack.layers, mixesGiven, energy,
                                                                   stack.pathFactor, shares);
                for (std::size_t l = 0; outcome == Outcome::Ok && l < shares.size(); ++l) {
                    const attenuation::LayerShare& s = shares[l];
                    table.Cells(out.Text(),
                                {std::string_view(stack.layerWords[l]), energy, s.interacted,
                                 s.photoAbsorbed, s.deposited, s.transmitted});
                }
                return outcome;
            });
    }
    std::vector<attenuation::SpectrumBin> bins;
    if (!ReadSpectrumFile(invocation, *stack.spectrum, bins, err)) {
        return kExitBadInput;
    }
    attenuation::SpectrumShares shares;
    attenuation::SpectrumProblem problem;
    if (!attenuation::SpectrumLayerShares(bins, stack.layers, mixesGiven, stack.pathFactor, shares,
                                          problem)) {
        return SpectrumFailed(*stack.spectrum, problem, err);
    }
    if (invocation.options.contains("bins")) {
        const Table table(invocation, {"layer", "energy", "received", "interacted",
                                       "photo_absorbed", "deposited", "passed"});
        table.Header(out.Text());
        for (std::size_t b = 0; b < bins.size(); ++b) {
            double received = bins[b].weight;
            for (std::size_t l = 0; l < stack.layers.size(); ++l) {
                const attenuation::LayerShare& s = shares.bins[b][l];
                const double passed = bins[b].weight * s.transmitted;
                table.Cells(out.Text(),
                            {std::string_view(stack.layerWords[l]), bins[b].energyMeV, received,
                             s.interacted, s.photoAbsorbed, s.deposited, passed});
                received = passed;
            }
            out.FlushIfLarge();
        }
        return kExitDone;
    }
    const Table table(invocation,
                      {"layer", "interacted", "photo_absorbed", "deposited", "transmitted"});
    table.Header(out.Text());
    for (std::size_t l = 0; l < stack.layers.size(); ++l) {
        const attenuation::LayerShare& s = shares.total[l];
        table.Cells(out.Text(), {std::string_view(stack.layerWords[l]), s.interacted,
                                 s.photoAbsorbed, s.deposited, s.transmitted});
    }
    return kExitDone;
}

int RunEfficiency(const Invocation& invocation, BufferedStream& out, BufferedStream& err) {
    Stack stack;
    if (const int status = readStack(invocation, false, stack, err); status != kExitDone) {
        return status;
    }
    const auto sensorOption = invocation.options.find("sensor");
    if (sensorOption == invocation.options.end()) {
        return Usage(err, "efficiency needs --sensor N, the layer (1 for the first) that detects");
    }
    const std::optional<double> number = ReadNumber(sensorOption->second);
    const std::size_t count = stack.layers.size();
    if (!number || *number != std::floor(*number) || *number < 1.0 ||
        *number > static_cast<double>(count)) {
        Complain(err, "--sensor " + Echo(sensorOption->second) + " is not a layer of the stack: " +
                          "give 1 to " + std::to_string(count) + " (1 for the first)");
        return kExitBadInput;
    }
    const auto sensor = static_cast<std::size_t>(*number) - 1;
    attenuation::SensorCount counted = attenuation::SensorCount::Interacted;
    if (const auto by = invocation.options.find("by"); by != invocation.options.end()) {
        if (by->second != "interacted" && by->second != "photo") {
            Complain(err, "--by " + Echo(by->second) + " is not one of interacted, photo");
            return kExitBadInput;
        }
        counted = by->second == "photo" ? attenuation::SensorCount::PhotoAbsorbed : counted;
    }
    if (const auto found = invocation.options.find("thickness-for");
        found != invocation.options.end()) {
        const std::optional<double> fraction = ReadNumber(found->second);
        if (!fraction || !(*fraction > 0.0 && *fraction < 1.0)) {
            Complain(err, "--thickness-for " + Echo(found->second) +
                              " is not a fraction above 0 and below 1");
            return kExitBadInput;
        }
        const Table table(invocation, {"energy", "thickness"});
        return perEnergy(
            invocation, stack, stack.layers[sensor].table, table, {}, out, err, [&](double energy) {
                double thickness = 0.0;
                const Outcome outcome = attenuation::SensorThicknessFor(
                    stack.layers, sensor, energy, stack.pathFactor, *fraction, counted, thickness);
                if (outcome == Outcome::Ok) {
                    table.Row(out.Text(), {}, {energy, thickness});
                }
                return outcome;
            });
    }
    if (invocation.options.contains("by")) {
        return Usage(err, "--by says what --thickness-for counts: it needs --thickness-for");
    }
    // Layers behind the sensor change nothing of what reaches it.
    stack.layers.resize(sensor + 1);
    const Table table(invocation, {"energy", "interacted", "photo_absorbed"});
    return perEnergy(
        invocation, stack, stack.layers[sensor].table, table, {}, out, err, [&](double energy) {
            std::vector<attenuation::LayerShare> shares;
            const Outcome outcome =
                attenuation::LayerSharesAt(stack.layers, nullptr, energy, stack.pathFactor, shares);
            if (outcome == Outcome::Ok) {
                table.Row(out.Text(), {},
                          {energy, shares[sensor].interacted, shares[sensor].photoAbsorbed});
            }
            return outcome;
        });
}

int RunEquivalent(const Invocation& invocation, BufferedStream& out, BufferedStream& err) {
    Stack stack;
    if (const int status = readStack(invocation, true, stack, err); status != kExitDone) {
        return status;
    }
    const auto named = invocation.options.find("reference");
    const std::string referenceName = named == invocation.options.end() ? "Pb" : named->second;
    std::optional<double> density;
    if (const auto found = invocation.options.find("reference-density");
        found != invocation.options.end()) {
        density = ReadNumber(found->second);
        if (!density || !(*density > 0.0) || !std::isfinite(*density)) {
            Complain(err, "--reference-density " + Echo(found->second) +
                              " is not a number greater than 0");
            return kExitBadInput;
        }
    }
    Material reference;
    if (!ResolveArgument(invocation, referenceName, reference, err, density) ||
        !NeedDensity(referenceName, reference, err)) {
        return kExitBadInput;
    }
    const attenuation::Layer referenceLayer{&reference.resolved->table, reference.density, 0.0};
    if (!stack.spectrum) {
        const Table table(invocation, {"energy", "transmission", "thickness"});
        return perEnergy(invocation, stack, stack.layers.back().table, table, {}, out, err,
                         [&](double energy) {
                             double muX = 0.0;
                             double thickness = 0.0;
                             Outcome outcome = attenuation::StackAt(stack.layers, energy, muX);
                             if (outcome == Outcome::Ok) {
                                 outcome = attenuation::EquivalentThicknessAt(
                                     stack.layers, referenceLayer, energy, thickness);
                             }
                             if (outcome == Outcome::Ok) {
                                 table.Row(out.Text(), {}, {energy, std::exp(-muX), thickness});
                             }
                             return outcome;
                         });
    }
    std::vector<attenuation::SpectrumBin> bins;
    attenuation::AbsorptionLibrary library(invocation.root);
    const auto air = dryAir(invocation, library, err);
    if (!air || !ReadSpectrumFile(invocation, *stack.spectrum, bins, err)) {
        return kExitBadInput;
    }
    double kerma = 0.0;
    double thickness = 0.0;
    attenuation::SpectrumProblem problem;
    if (!attenuation::SpectrumEquivalentThickness(bins, stack.layers, referenceLayer, *air, kerma,
                                                  thickness, problem)) {
        return SpectrumFailed(*stack.spectrum, problem, err);
    }
    const Table table(invocation, {"air_kerma_transmission", "thickness"});
    table.Header(out.Text());
    table.Row(out.Text(), {}, {kerma, thickness});
    return kExitDone;
}

} // namespace cli
