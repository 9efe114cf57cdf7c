// Attenuation on the shipped library: a spectrum through layers with its half-value layers, and
// the energy-absorption look-up against the calculator's own look-up, in the core and through
// the command line.

#include "BenchSupport.h"
#include "Registry.h"

#include "attenuation/Attenuation.h"
#include "attenuation/Spectrum.h"
#include "calc/Interpolation.h"

#include <charconv>
#include <fstream>
#include <optional>

namespace bench {

namespace {

attenuation::AbsorptionMix ReferenceMix(attenuation::AbsorptionLibrary& library,
                                        std::string_view path) {
    std::string error;
    const auto composition = attenuation::FindComposition(LibraryFolder(), path, error);
    const auto mix =
        composition ? attenuation::MixAbsorption(*composition, library, error) : std::nullopt;
    return mix.value_or(attenuation::AbsorptionMix{});
}

// A 1,000-bin spectrum from 10 to 150 keV through 2 mm of aluminium, 0.1 mm of copper and 10 cm
// of water, then its first and second half-value layers in aluminium.
void SpectrumThroughLayers(benchmark::State& state) {
    const auto aluminium = LoadShipped("ele/013_Al.ele");
    const auto copper = LoadShipped("ele/029_Cu.ele");
    const auto water = LoadShipped("mix/Water_Liquid.mix2");
    attenuation::AbsorptionLibrary library(LibraryFolder());
    const attenuation::AbsorptionMix air = ReferenceMix(library, attenuation::kDryAirPath);
    std::vector<attenuation::SpectrumBin> bins;
    for (int k = 0; k < 1000; ++k) {
        const double energy = 0.010 + 0.140 * k / 999.0;
        bins.push_back({energy, (0.150 - energy) / energy, k + 1});
    }
    const std::vector<attenuation::Layer> layers{
        {aluminium.get(), 2.699, 0.2}, {copper.get(), 8.96, 0.01}, {water.get(), 1.0, 10.0}};
    attenuation::SpectrumTransmission through;
    attenuation::HalfValueLayers hvl;
    attenuation::SpectrumProblem problem;
    CleanVectorRegisters();
    for (auto _ : state) {
        if (!attenuation::TransmitSpectrum(bins, layers, air, through, problem) ||
            !attenuation::SpectrumHalfValueLayers(through.transmitted, layers.front(), air, hvl,
                                                  problem)) {
            state.SkipWithError(problem.what.c_str());
            break;
        }
        benchmark::DoNotOptimize(hvl);
    }
}

const std::vector<double>& AbsorptionEnergies() {
    static const std::vector<double> energies = LogUniform(1000000, 0.001, 20.0, 11);
    return energies;
}

// One value per iteration, cycling through a million energies of 1 keV..20 MeV.
void WaterAt(benchmark::State& state) {
    const auto water = LoadShipped("mix/Water_Liquid.mix2");
    const std::vector<double>& energies = AbsorptionEnergies();
    calc::CoefficientSet set;
    std::size_t i = 0;
    CleanVectorRegisters();
    for (auto _ : state) {
        benchmark::DoNotOptimize(calc::CoefficientsAtEnergy(*water, energies[i], set));
        if (++i == energies.size()) {
            i = 0;
        }
    }
}

void WaterMuEnRho(benchmark::State& state) {
    attenuation::AbsorptionLibrary library(LibraryFolder());
    const attenuation::AbsorptionMix water = ReferenceMix(library, attenuation::kWaterPath);
    const std::vector<double>& energies = AbsorptionEnergies();
    double value = 0.0;
    std::size_t i = 0;
    CleanVectorRegisters();
    for (auto _ : state) {
        benchmark::DoNotOptimize(attenuation::MassEnergyAbsorption(water, energies[i], value));
        if (++i == energies.size()) {
            i = 0;
        }
    }
}

// One row of `absorption` for water: the total, and mu_en/rho of water, dry air and water.
void WaterAbsorptionRow(benchmark::State& state) {
    const auto table = LoadShipped("mix/Water_Liquid.mix2");
    attenuation::AbsorptionLibrary library(LibraryFolder());
    const attenuation::AbsorptionMix air = ReferenceMix(library, attenuation::kDryAirPath);
    const attenuation::AbsorptionMix water = ReferenceMix(library, attenuation::kWaterPath);
    const attenuation::AbsorptionColumns columns(water, air, water);
    const std::vector<double>& energies = AbsorptionEnergies();
    attenuation::AbsorptionRow row;
    std::size_t i = 0;
    CleanVectorRegisters();
    for (auto _ : state) {
        benchmark::DoNotOptimize(attenuation::AbsorptionAt(*table, columns, energies[i], row));
        if (++i == energies.size()) {
            i = 0;
        }
    }
}

const std::filesystem::path& AbsorptionEnergiesFile() {
    static const std::filesystem::path file = [] {
        const std::filesystem::path path = ScratchLibrary() / "absorption-energies.txt";
        std::string text;
        char buffer[32];
        for (double energy : AbsorptionEnergies()) {
            text.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, energy).ptr);
            text += '\n';
        }
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }();
    return file;
}

void CliOverMillion(benchmark::State& state, const char* command) {
    ProgramStart start;
    start.program = PHOTONXS_CLI_PROGRAM;
    start.arguments = {"--root", ScratchLibrary().string(), command, "mix/Water_Liquid.mix2", "-"};
    start.standardInput = AbsorptionEnergiesFile();
    double cpuSeconds = 0.0;
    for (auto _ : state) {
        const ProgramRun run = RunProgram(start);
        if (run.exitStatus != 0) {
            state.SkipWithError("photonxs-cli did not finish with status 0");
            break;
        }
        state.SetIterationTime(run.wallSeconds);
        cpuSeconds = run.cpuSeconds;
    }
    state.counters[kProgramCpuCounter] = cpuSeconds;
}

void CliAt(benchmark::State& state) { CliOverMillion(state, "at"); }
void CliAbsorption(benchmark::State& state) { CliOverMillion(state, "absorption"); }

} // namespace

void RegisterAttenuationCases() {
    Register("Attenuation/spectrum_1000_bins_3_layers_with_hvl", SpectrumThroughLayers, 9,
             {Goal::TimeBelow, 1e-3, {}})
        ->Unit(benchmark::kMicrosecond);
    Register("Attenuation/at_water_1keV_20MeV", WaterAt, 9, {})->Unit(benchmark::kNanosecond);
    Register("Attenuation/mu_en_rho_water_1keV_20MeV", WaterMuEnRho, 9,
             {Goal::RatioAtMost, 1.0, "Attenuation/at_water_1keV_20MeV"})
        ->Unit(benchmark::kNanosecond);
    Register("Attenuation/absorption_row_water_1keV_20MeV", WaterAbsorptionRow, 9, {})
        ->Unit(benchmark::kNanosecond);
    Register("CLI/at_water_1e6_energies_1keV_20MeV", CliAt, 5, {})
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    // As fast per value as `at`: each row looks up the total and the mu_en/rho of the
    // material, dry air and water, and prints five columns where `at` prints seven.
    Register("CLI/absorption_water_1e6_energies", CliAbsorption, 5,
             {Goal::RatioAtMost, 1.0, "CLI/at_water_1e6_energies_1keV_20MeV"})
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
}

} // namespace bench
