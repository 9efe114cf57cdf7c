// Layer by layer on the shipped library: the per-layer table of a detector-like stack for a
// spectrum, with the energy deposited in each layer.

#include "BenchSupport.h"
#include "Registry.h"

#include "attenuation/Compositions.h"
#include "attenuation/LayerShares.h"

#include <cmath>

namespace bench {

namespace {

// A 1,000-bin spectrum from 2 to 150 keV through five layers (a beryllium window, an aluminium
// filter, a silicon dead layer, a CdTe sensor and a copper backing), each with its
// energy-absorption mix: every bin's interacted, photo-absorbed and deposited shares and the
// sums over the spectrum.
void SpectrumSharesFiveLayers(benchmark::State& state) {
    const char* const paths[] = {"ele/004_Be.ele", "ele/013_Al.ele", "ele/014_Si.ele",
                                 "mix/Cadmium_Telluride.mix3", "ele/029_Cu.ele"};
    const double densities[] = {1.848, 2.699, 2.33, 6.2, 8.96};
    const double thicknesses[] = {0.0025, 0.01, 0.00005, 0.1, 0.05};
    std::vector<std::unique_ptr<data::MaterialTable>> tables;
    std::vector<attenuation::Layer> layers;
    std::vector<attenuation::AbsorptionMix> mixes;
    attenuation::AbsorptionLibrary library(LibraryFolder());
    for (std::size_t l = 0; l < 5; ++l) {
        tables.push_back(LoadShipped(paths[l]));
        layers.push_back({tables.back().get(), densities[l], thicknesses[l]});
        std::string error;
        const auto composition = attenuation::FindComposition(LibraryFolder(), paths[l], error);
        const auto mix =
            composition ? attenuation::MixAbsorption(*composition, library, error) : std::nullopt;
        if (!mix) {
            state.SkipWithError(error.c_str());
            return;
        }
        mixes.push_back(*mix);
    }
    std::vector<attenuation::SpectrumBin> bins;
    for (int k = 0; k < 1000; ++k) {
        const double energy = 0.002 + 0.148 * k / 999.0;
        bins.push_back({energy, (0.150 - energy) / energy, k + 1});
    }
    const double pathFactor = 1.0 / std::cos(0.5);
    attenuation::SpectrumShares shares;
    attenuation::SpectrumProblem problem;
    CleanVectorRegisters();
    for (auto _ : state) {
        if (!attenuation::SpectrumLayerShares(bins, layers, &mixes, pathFactor, shares, problem)) {
            state.SkipWithError(problem.what.c_str());
            break;
        }
        benchmark::DoNotOptimize(shares);
    }
}

} // namespace

void RegisterLayerCases() {
    Register("Layers/spectrum_1000_bins_5_layers_shares", SpectrumSharesFiveLayers, 9,
             {Goal::TimeBelow, 2e-3, {}})
        ->Unit(benchmark::kMicrosecond);
}

} // namespace bench
