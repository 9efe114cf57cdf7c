#include "AttenuationCommands.h"

#include "CommandSupport.h"
#include "MaterialArguments.h"
#include "NumberText.h"
#include "TableOutput.h"
#include "attenuation/Attenuation.h"
#include "attenuation/Spectrum.h"
#include "attenuation/TextLines.h"
#include "attenuation/Units.h"
#include "data/MaterialFile.h"
#include "data/NumberMask.h"
#include "material/Resolve.h"

#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cli {

namespace {

using attenuation::Outcome;

/// The energies of `words` ("-" reads standard input) and of --grid, read as rows are written.
std::unique_ptr<ValueReader> energiesOf(const Invocation& invocation,
                                        std::vector<std::string> words, BufferedStream& out,
                                        BufferedStream& err) {
    return std::make_unique<ValueReader>(invocation, std::move(words), "the energy", true, out,
                                         err);
}

int finish(std::size_t failed, std::size_t total, BufferedStream& err) {
    if (failed == 0) {
        return kExitDone;
    }
    Complain(err, std::to_string(failed) + " of " + std::to_string(total) +
                      " energies gave no value (out of range, no energy-absorption data, no " +
                      "solution or calculation error)");
    return kExitSomeRowsFailed;
}

// The MATERIAL and energies of a `command MATERIAL E...` line (or --grid), resolved; kExitDone
// when all is well, else the exit status with the message written. `density`: the material
// must have one.
int materialAndEnergies(const Invocation& invocation, const std::string& usageText, bool density,
                        Material& m, std::unique_ptr<ValueReader>& energies, BufferedStream& out,
                        BufferedStream& err,
                        std::optional<attenuation::Composition>* composition = nullptr) {
    if (invocation.arguments.empty() ||
        (invocation.arguments.size() < 2 && !invocation.options.contains("grid"))) {
        return Usage(err, usageText);
    }
    const std::string& argument = invocation.arguments[0];
    if (!ResolveArgument(invocation, argument, m, err) ||
        (density && !NeedDensity(argument, m, err)) ||
        !(energies = energiesOf(
              invocation, {invocation.arguments.begin() + 1, invocation.arguments.end()}, out, err))
             ->Start(&m.resolved->table)) {
        return kExitBadInput;
    }
    if (composition != nullptr && !(*composition = CompositionOf(argument, m, err))) {
        return kExitBadInput;
    }
    return kExitDone;
}

// The header and one row per energy: `rowAt(energy)` writes the row and gives Ok, or gives why
// it could not, and the row then carries the outcome's word. The command's exit status; nothing
// is printed when no energy is given.
template <typename RowAt>
int rowPerEnergy(const Invocation& invocation, const Table& table, ValueReader& energies,
                 BufferedStream& out, BufferedStream& err, RowAt rowAt) {
    double energy = 0.0;
    if (!energies.Next(energy)) {
        if (!energies.Failed()) {
            Complain(err, invocation.command + " needs at least one energy");
        }
        return kExitBadInput;
    }
    table.Header(out.Text());
    std::size_t failed = 0;
    do {
        const Outcome outcome = rowAt(energy);
        if (outcome != Outcome::Ok) {
            ++failed;
            table.Row(out.Text(), {}, {energy}, attenuation::OutcomeWord(outcome));
        }
        out.FlushIfLarge();
    } while (energies.Next(energy));
    return energies.Failed() ? kExitBadInput : finish(failed, energies.Count(), err);
}

} // namespace

int RunAbsorption(const Invocation& invocation, BufferedStream& out, BufferedStream& err) {
    Material m;
    std::unique_ptr<ValueReader> energies;
    std::optional<attenuation::Composition> composition;
    if (const int status =
            materialAndEnergies(invocation, "absorption takes MATERIAL and at least one energy",
                                false, m, energies, out, err, &composition);
        status != kExitDone) {
        return status;
    }
    attenuation::AbsorptionLibrary library(invocation.root);
    const auto mix = MixOf(invocation, library, composition, {}, err);
    const auto air =
        mix ? MixOf(invocation, library, {}, attenuation::kDryAirPath, err) : std::nullopt;
    const auto water =
        air ? MixOf(invocation, library, {}, attenuation::kWaterPath, err) : std::nullopt;
    if (!water) {
        return kExitBadInput;
    }
    const std::optional<attenuation::CoefficientScale> scale = UnitScaleOf(invocation, m, err);
    if (!scale) {
        return kExitBadInput;
    }
    const std::string_view unit = invocation.options.contains("unit") ? scale->unit.name : "";
    const attenuation::AbsorptionColumns columns(*mix, *air, *water);
    const Table table(invocation,
                      {"energy", "mu_rho", "mu_en_rho", "kerma_ratio_air", "kerma_ratio_water"},
                      {"", unit, unit});
    return rowPerEnergy(invocation, table, *energies, out, err, [&](double energy) {
        attenuation::AbsorptionRow row;
        const Outcome outcome = attenuation::AbsorptionAt(m.resolved->table, columns, energy, row);
        if (outcome == Outcome::Ok) {
            table.Row(out.Text(), {},
                      {energy, scale->Apply(row.muRho), scale->Apply(row.muEnRho),
                       row.kermaRatioAir, row.kermaRatioWater});
        }
        return outcome;
    });
}

int RunHalfValue(const Invocation& invocation, BufferedStream& out, BufferedStream& err) {
    const auto spectrum = invocation.options.find("spectrum");
    if (spectrum != invocation.options.end()) {
        if (invocation.arguments.size() != 1) {
            return Usage(err, "hvl --spectrum FILE takes one MATERIAL");
        }
        const std::string& argument = invocation.arguments[0];
        Material m;
        std::vector<attenuation::SpectrumBin> bins;
        if (!ResolveArgument(invocation, argument, m, err) || !NeedDensity(argument, m, err) ||
            !ReadSpectrumFile(invocation, spectrum->second, bins, err)) {
            return kExitBadInput;
        }
        attenuation::AbsorptionLibrary library(invocation.root);
        const auto air = MixOf(invocation, library, {}, attenuation::kDryAirPath, err);
        attenuation::HalfValueLayers hvl;
        attenuation::SpectrumProblem problem;
        if (!air || !attenuation::SpectrumHalfValueLayers(
                        bins, {&m.resolved->table, m.density, 0.0}, *air, hvl, problem)) {
            return air ? SpectrumFailed(spectrum->second, problem, err) : kExitBadInput;
        }
        const std::optional<attenuation::CoefficientScale> scale =
            UnitScaleOf(invocation, m, err, {attenuation::CoefficientKind::Length, "cm", 0});
        if (scale && scale->unit.kind != attenuation::CoefficientKind::Length) {
            Complain(err, "hvl --spectrum gives lengths: --unit takes nm, um, mm, cm or m there");
        }
        if (!scale || scale->unit.kind != attenuation::CoefficientKind::Length) {
            return kExitBadInput;
        }
        const Table table(invocation, {"first_hvl", "second_hvl", "homogeneity"},
                          {scale->unit.name, scale->unit.name});
        table.Header(out.Text());
        table.Row(out.Text(), {},
                  {scale->Length(hvl.first), scale->Length(hvl.second), hvl.homogeneity});
        return kExitDone;
    }
    Material m;
    std::unique_ptr<ValueReader> energies;
    if (const int status = materialAndEnergies(
            invocation, "hvl takes MATERIAL and at least one energy, or --spectrum FILE", true, m,
            energies, out, err);
        status != kExitDone) {
        return status;
    }
    // mu in the unit of --unit (1/cm when not given); a length unit is the lengths' unit too.
    const std::optional<attenuation::CoefficientScale> scale =
        UnitScaleOf(invocation, m, err, {attenuation::CoefficientKind::Linear, "1/cm", 0});
    if (!scale) {
        return kExitBadInput;
    }
    const bool lengths = scale->unit.kind == attenuation::CoefficientKind::Length;
    const std::string_view length = lengths ? scale->unit.name : "";
    const Table table(invocation, {"energy", "mu", "hvl", "tvl", "mfp"},
                      {"", scale->unit.name, length, length, length});
    return rowPerEnergy(invocation, table, *energies, out, err, [&](double energy) {
        attenuation::HalfValueRow row;
        double muRho = 0.0;
        const Outcome outcome = attenuation::HalfValueAt(m.resolved->table, m.density, energy, row);
        if (outcome == Outcome::Ok) {
            const bool linear = scale->unit.kind == attenuation::CoefficientKind::Linear;
            attenuation::MassAttenuation(m.resolved->table, energy, muRho);
            table.Row(out.Text(), {},
                      {energy, linear ? row.mu : scale->Apply(muRho), scale->Length(row.hvl),
                       scale->Length(row.tvl), scale->Length(row.mfp)});
        }
        return outcome;
    });
}

int RunAttenuate(const Invocation& invocation, BufferedStream& out, BufferedStream& err) {
    const auto spectrum = invocation.options.find("spectrum");
    const bool byEnergy = invocation.options.contains("energy");
    if (byEnergy == (spectrum != invocation.options.end())) {
        return Usage(err, "attenuate takes either --energy E... or --spectrum FILE");
    }
    // Layers carry '@'; with --energy the other words are energies.
    std::vector<std::string> layerWords;
    std::vector<std::string> energyWords;
    for (const std::string& word : invocation.arguments) {
        (word.find('@') != std::string::npos ? layerWords : energyWords).push_back(word);
    }
    if (layerWords.empty()) {
        return Usage(err,
                     "attenuate needs at least one LAYER (MATERIAL@CM or MATERIAL@CM@DENSITY)");
    }
    if (!byEnergy && !energyWords.empty()) {
        return Usage(err, Echo(energyWords[0]) + " is not a LAYER (MATERIAL@CM)");
    }
    std::optional<double> target;
    if (const auto found = invocation.options.find("thickness-for");
        found != invocation.options.end()) {
        target = ReadNumber(found->second);
        if (!target || !(*target > 0.0 && *target <= 1.0)) {
            Complain(err, "--thickness-for " + Echo(found->second) +
                              " is not a transmission above 0 and at most 1");
            return kExitBadInput;
        }
    }

    std::vector<Material> materials;
    std::vector<attenuation::Layer> layers;
    if (!ReadLayers(invocation, layerWords, materials, layers, err)) {
        return kExitBadInput;
    }

    if (!byEnergy) {
        const std::string& file = spectrum->second;
        std::vector<attenuation::SpectrumBin> bins;
        attenuation::AbsorptionLibrary library(invocation.root);
        const auto air = MixOf(invocation, library, {}, attenuation::kDryAirPath, err);
        if (!air || !ReadSpectrumFile(invocation, file, bins, err)) {
            return kExitBadInput;
        }
        attenuation::SpectrumProblem problem;
        if (target) {
            double thickness = 0.0;
            if (!attenuation::SpectrumThicknessFor(bins, layers, *air, *target, thickness,
                                                   problem)) {
                return SpectrumFailed(file, problem, err);
            }
            const Table table(invocation, {"thickness"});
            table.Header(out.Text());
            table.Row(out.Text(), {}, {thickness});
            return kExitDone;
        }
        attenuation::SpectrumTransmission result;
        if (!attenuation::TransmitSpectrum(bins, layers, *air, result, problem)) {
            return SpectrumFailed(file, problem, err);
        }
        if (const auto outFile = invocation.options.find("out");
            outFile != invocation.options.end()) {
            const bool keV = invocation.energyUnit == EnergyUnit::keV;
            std::string text = keV ? "# energy_keV weight, transmitted through"
                                   : "# energy_MeV weight, transmitted through";
            for (const std::string& word : layerWords) {
                text += " " + word;
            }
            text += "\n";
            for (const attenuation::SpectrumBin& bin : result.transmitted) {
                const std::string energy = data::FormatExact(bin.energyMeV);
                text += (keV ? attenuation::ShiftDecimalPoint(energy, 3) : energy) + " " +
                        data::FormatExact(bin.weight) + "\n";
            }
            const data::WriteResult written = data::WriteFileReplacing(outFile->second, text);
            if (!written.ok) {
                Complain(err, outFile->second + ": " + written.reason);
                return kExitBadInput;
            }
        }
        const Table table(invocation, {"fluence_transmission", "air_kerma_transmission",
                                       "mean_energy_in", "mean_energy_out"});
        table.Header(out.Text());
        table.Row(
            out.Text(), {},
            {result.fluence, result.airKerma, result.meanEnergyInMeV, result.meanEnergyOutMeV});
        return kExitDone;
    }

    if (invocation.options.contains("out")) {
        return Usage(err, "--out writes a transmitted spectrum: it needs --spectrum");
    }
    ValueReader energies(invocation, std::move(energyWords), "the energy", true, out, err);
    double energy = 0.0;
    if (!energies.Start(layers.back().table)) {
        return kExitBadInput;
    }
    if (!energies.Next(energy)) {
        return energies.Failed() ? kExitBadInput
                                 : Usage(err, "attenuate --energy needs at least one energy");
    }
    const bool perLayer = invocation.options.contains("layers") && !target;
    std::vector<std::string> keys{"energy", "mu_x", "transmission"};
    if (target) {
        keys = {"energy", "thickness"};
    } else if (perLayer) {
        keys.insert(keys.begin(), "layer");
    }
    const Table table(invocation, keys);
    table.Header(out.Text());
    std::size_t failed = 0;
    do {
        std::vector<double> each;
        double muX = 0.0;
        double thickness = 0.0;
        const Outcome outcome = target
                                    ? attenuation::ThicknessFor(layers, energy, *target, thickness)
                                    : attenuation::StackAt(layers, energy, muX, &each);
        if (outcome != Outcome::Ok) {
            ++failed;
            const std::string_view word = attenuation::OutcomeWord(outcome);
            perLayer ? table.Row(out.Text(), {"stack"}, {energy}, word)
                     : table.Row(out.Text(), {}, {energy}, word);
        } else if (target) {
            table.Row(out.Text(), {}, {energy, thickness});
        } else {
            for (std::size_t i = 0; perLayer && i < each.size(); ++i) {
                table.Row(out.Text(), {layerWords[i]}, {energy, each[i], std::exp(-each[i])});
            }
            perLayer ? table.Row(out.Text(), {"stack"}, {energy, muX, std::exp(-muX)})
                     : table.Row(out.Text(), {}, {energy, muX, std::exp(-muX)});
        }
        out.FlushIfLarge();
    } while (energies.Next(energy));
    return energies.Failed() ? kExitBadInput : finish(failed, energies.Count(), err);
}

int RunEffectiveZ(const Invocation& invocation, BufferedStream& out, BufferedStream& err) {
    Material m;
    std::unique_ptr<ValueReader> energies;
    std::optional<attenuation::Composition> composition;
    if (const int status =
            materialAndEnergies(invocation, "zeff takes MATERIAL and at least one energy", false, m,
                                energies, out, err, &composition);
        status != kExitDone) {
        return status;
    }
    attenuation::ElementLibrary library(invocation.root);
    std::string error;
    const auto elements = attenuation::ElementsOf(*composition, library, error);
    if (!elements) {
        Complain(err, error);
        return kExitBadInput;
    }
    const Table table(invocation, {"energy", "zeff", "neff"});
    return rowPerEnergy(invocation, table, *energies, out, err, [&](double energy) {
        attenuation::EffectiveZRow row;
        const Outcome outcome = attenuation::EffectiveZAt(*elements, energy, row);
        if (outcome == Outcome::Ok) {
            table.Row(out.Text(), {}, {energy, row.zeff, row.neff});
        }
        return outcome;
    });
}

} // namespace cli
