// Beside a peer: xraylib's total cross section of lead, CS_Total(82, E), over the energies of
// the look-up case that xraylib accepts (it refuses energies above 800 keV), and our look-up
// over exactly those energies.

#include "BenchSupport.h"
#include "Registry.h"

#include "calc/Interpolation.h"

#include <xraylib.h>

namespace bench {

namespace {

constexpr double kPeerHighestMeV = 0.8;
constexpr int kLead = 82;

// The look-up energies xraylib accepts, in MeV, in the order of the full set.
const std::vector<double>& PeerEnergiesMeV() {
    static const std::vector<double> energies = [] {
        std::vector<double> kept;
        for (double energy : MillionEnergies()) {
            if (energy <= kPeerHighestMeV) {
                kept.push_back(energy);
            }
        }
        return kept;
    }();
    return energies;
}

void OursOnPeerEnergies(benchmark::State& state) { TimeLeadLookups(state, PeerEnergiesMeV()); }

void PeerCsTotal(benchmark::State& state) {
    std::vector<double> energiesKeV;
    for (double energy : PeerEnergiesMeV()) {
        energiesKeV.push_back(energy * 1000.0);
    }
    std::size_t i = 0;
    std::size_t refused = 0;
    CleanVectorRegisters();
    for (auto _ : state) {
        // No error object: a refusal shows as 0.
        const double total = CS_Total(kLead, energiesKeV[i], nullptr);
        benchmark::DoNotOptimize(total);
        refused += total > 0.0 ? 0 : 1;
        if (++i == energiesKeV.size()) {
            i = 0;
        }
    }
    if (refused != 0) {
        state.SkipWithError("xraylib refused an energy it should accept");
    }
    state.counters["energies"] = static_cast<double>(energiesKeV.size());
}

} // namespace

void RegisterPeerCases() {
    Register("xraylib/CS_Total", PeerCsTotal, 15, {})->Unit(benchmark::kNanosecond);
    Register("CoefficientsAtEnergy/peer_energies", OursOnPeerEnergies, 15,
             {Goal::RatioAtMost, 1.0 / 3.0, "xraylib/CS_Total"})
        ->Unit(benchmark::kNanosecond);
}

} // namespace bench
