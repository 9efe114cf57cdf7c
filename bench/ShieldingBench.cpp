// Shielding on the shipped library, as the browser page's benchmark runs it: the dose rate of
// every nuclide behind lead, iron and concrete, and buildup factors over a million pairs of
// energy and penetration, for a table of its own and for equivalent Z.

#include "BenchSupport.h"
#include "Registry.h"

#include "material/Resolve.h"
#include "shielding/Dose.h"
#include "shielding/ShieldingLibrary.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace bench {

namespace {

// A material and its exposure buildup function; empty `function` with `error` when either fails.
struct Shield {
    material::ResolvedMaterial material;
    std::optional<shielding::BuildupFunction> function;
    std::string error;
};

std::unique_ptr<Shield> ShieldOf(shielding::ShieldingLibrary& library, std::string_view name) {
    auto shield = std::make_unique<Shield>();
    const shielding::BuildupTables* tables = nullptr;
    if (material::ResolveMaterial(LibraryFolder(), name, shield->material, shield->error) &&
        (tables = library.Buildup(shield->error)) != nullptr) {
        shield->function = shielding::BuildupFunctionOf(shield->material, *tables,
                                                        shielding::BuildupKind::Exposure,
                                                        library.Elements(), "", shield->error);
    }
    return shield;
}

// One iteration: every nuclide of the library, each looked up by name, 1 GBq at 1 m behind
// 2 cm of lead, 5 cm of iron and 30 cm of concrete, exposure buildup by Broder's rule.
void DoseEveryNuclide(benchmark::State& state) {
    shielding::ShieldingLibrary library(LibraryFolder());
    std::string error;
    const std::vector<shielding::Nuclide>* nuclides = library.Nuclides(error);
    const attenuation::AbsorptionMix* air = nuclides ? library.Air(error) : nullptr;
    const std::array<std::pair<const char*, double>, 3> stack = {
        {{"Pb", 2.0}, {"Fe", 5.0}, {"Concrete_Ordinary", 30.0}}};
    std::vector<std::unique_ptr<Shield>> shields;
    std::vector<shielding::ShieldLayer> layers;
    for (const auto& [name, cm] : stack) {
        shields.push_back(ShieldOf(library, name));
        const Shield& s = *shields.back();
        if (!s.function) {
            error = s.error;
            break;
        }
        layers.push_back(
            {&s.material.table, s.material.densityGPerCm3.value_or(0.0), cm, &*s.function});
    }
    if (air == nullptr || layers.size() != stack.size()) {
        state.SkipWithError(error.c_str());
        return;
    }
    std::vector<std::string> names;
    for (const shielding::Nuclide& nuclide : *nuclides) {
        names.push_back(nuclide.name);
    }
    const shielding::KermaMedia media{air, nullptr};
    const shielding::DoseOptions options;
    shielding::DoseResult result;
    CleanVectorRegisters();
    for (auto _ : state) {
        for (const std::string& name : names) {
            const shielding::Nuclide* nuclide = shielding::FindNuclide(*nuclides, name);
            shielding::DoseRate(nuclide->lines, 1e9, 100.0, layers, options, media, result);
            benchmark::DoNotOptimize(result.total);
        }
    }
}

// The page benchmark's million pairs: the same generator and seed, energies log-uniform over
// 0.015..15 MeV, penetrations uniform over 0..40 mfp.
const std::vector<std::array<double, 2>>& MillionPairs() {
    static const std::vector<std::array<double, 2>> pairs = [] {
        std::uint32_t seed = 19910101;
        const auto next = [&seed] {
            seed = seed * 1664525u + 1013904223u;
            return seed / 4294967296.0;
        };
        std::vector<std::array<double, 2>> made(1000000);
        for (std::array<double, 2>& pair : made) {
            pair[0] = 0.015 * std::pow(1000.0, next());
            pair[1] = 40.0 * next();
        }
        return made;
    }();
    return pairs;
}

void TimeBuildup(benchmark::State& state, std::string_view material) {
    shielding::ShieldingLibrary library(LibraryFolder());
    const std::unique_ptr<Shield> shield = ShieldOf(library, material);
    if (!shield->function) {
        state.SkipWithError(shield->error.c_str());
        return;
    }
    const std::vector<std::array<double, 2>>& pairs = MillionPairs();
    shielding::BuildupValue value;
    std::size_t i = 0;
    CleanVectorRegisters();
    for (auto _ : state) {
        const attenuation::Outcome outcome = shield->function->At(pairs[i][0], pairs[i][1], value);
        benchmark::DoNotOptimize(outcome);
        benchmark::DoNotOptimize(value);
        if (++i == pairs.size()) {
            i = 0;
        }
    }
}

void BuildupLead(benchmark::State& state) { TimeBuildup(state, "Pb"); }
void BuildupConcrete(benchmark::State& state) { TimeBuildup(state, "Concrete_Ordinary"); }

} // namespace

void RegisterShieldingCases() {
    Register("Shielding/dose_every_nuclide_3_layers", DoseEveryNuclide, 9, {})
        ->Unit(benchmark::kMillisecond);
    Register("Shielding/buildup_lead_pair", BuildupLead, 9, {})->Unit(benchmark::kNanosecond);
    Register("Shielding/buildup_concrete_pair", BuildupConcrete, 9, {})
        ->Unit(benchmark::kNanosecond);
}

} // namespace bench
