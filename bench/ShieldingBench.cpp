// Shielding on the shipped library: the dose rate of every nuclide behind three layers with
// Broder's buildup, an inventory's rate decayed over time, and buildup factors of an own table
// and of an equivalent-Z material.

#include "BenchSupport.h"
#include "Registry.h"

#include "material/Resolve.h"
#include "shielding/Dose.h"
#include "shielding/Inventory.h"
#include "shielding/ShieldingLibrary.h"

#include <cmath>
#include <memory>

namespace bench {

namespace {

/// The library's shielding data and three resolved layers: 1 cm of lead, 2 cm of iron and
/// 20 cm of ordinary concrete.
struct ThreeLayers {
    shielding::ShieldingLibrary library{LibraryFolder()};
    std::vector<std::unique_ptr<material::ResolvedMaterial>> materials;
    shielding::Shield shield;
    std::string error;

    ThreeLayers() {
        std::vector<shielding::ShieldMaterial> layers;
        for (const auto& [name, cm] :
             {std::pair{"Pb", 1.0}, std::pair{"Fe", 2.0}, std::pair{"Concrete_Ordinary", 20.0}}) {
            materials.push_back(std::make_unique<material::ResolvedMaterial>());
            material::ResolveMaterial(LibraryFolder(), name, *materials.back(), error);
            layers.push_back(
                {materials.back().get(), materials.back()->densityGPerCm3.value_or(1.0), cm});
        }
        shielding::BuildShield(library, layers, {}, {}, shield, error);
    }
};

void DoseOfEveryNuclide(benchmark::State& state) {
    ThreeLayers setup;
    const std::vector<shielding::Nuclide>* nuclides = setup.library.Nuclides(setup.error);
    if (nuclides == nullptr || !setup.error.empty()) {
        state.SkipWithError(setup.error.c_str());
        return;
    }
    shielding::DoseResult result;
    for (auto _ : state) {
        double total = 0.0;
        for (const shielding::Nuclide& nuclide : *nuclides) {
            shielding::DoseRate(nuclide.lines, 1e9, 100.0, setup.shield.layers,
                                setup.shield.options, setup.shield.media, result);
            total += result.total;
        }
        benchmark::DoNotOptimize(total);
    }
}

/// A waste inventory of 20 nuclides (1 GBq each, Ra-226 and Th-228 with their chains among
/// them) behind the three layers at 100 times log-spaced from 1 h to 30 y: one rate curve.
void InventoryDecayCurve(benchmark::State& state) {
    ThreeLayers setup;
    const std::vector<shielding::Nuclide>* nuclides = setup.library.Nuclides(setup.error);
    const shielding::DecayData* chains =
        nuclides == nullptr ? nullptr : setup.library.Decay(setup.error);
    if (chains == nullptr || !setup.error.empty()) {
        state.SkipWithError(setup.error.c_str());
        return;
    }
    std::vector<shielding::InventoryItem> items;
    for (const char* name : {"Co-60",  "Cs-137", "Am-241", "Ra-226", "Th-228", "Eu-152", "Eu-154",
                             "Ba-133", "Mo-99",  "I-131",  "Ir-192", "Se-75",  "Na-22",  "Mn-54",
                             "Co-57",  "Zn-65",  "Cs-134", "Ge-68",  "Ra-223", "U-238"}) {
        items.push_back({shielding::FindNuclide(*nuclides, name), 1e9});
    }
    std::vector<double> times(100);
    for (std::size_t i = 0; i < times.size(); ++i) {
        times[i] = 3600.0 * std::pow(30.0 * 8766.0, static_cast<double>(i) / 99.0);
    }
    std::vector<double> rates;
    for (auto _ : state) {
        const shielding::Outcome outcome =
            shielding::RateSeries(*chains, items, false, times, 100.0, setup.shield.layers,
                                  setup.shield.options, setup.shield.media, rates, setup.error);
        benchmark::DoNotOptimize(rates.data());
        if (outcome != shielding::Outcome::Ok) {
            state.SkipWithError("a line gives no value");
            return;
        }
    }
}

/// B at a million (E, x) pairs, E log-uniform over 30 keV..15 MeV and x uniform up to 40 mfp.
void BuildupPairs(benchmark::State& state, const char* materialName) {
    shielding::ShieldingLibrary library(LibraryFolder());
    material::ResolvedMaterial material;
    std::string error;
    material::ResolveMaterial(LibraryFolder(), materialName, material, error);
    const shielding::BuildupTables* tables = library.Buildup(error);
    const auto function =
        tables == nullptr
            ? std::nullopt
            : shielding::BuildupFunctionOf(material, *tables, shielding::BuildupKind::Exposure,
                                           library.Elements(), {}, error);
    if (!function) {
        state.SkipWithError(error.c_str());
        return;
    }
    static const std::vector<double> energies = LogUniform(1000000, 0.03, 15.0, 5);
    static const std::vector<double> mfps = LogUniform(1000000, 0.01, 40.0, 6);
    for (auto _ : state) {
        double sum = 0.0;
        shielding::BuildupValue value;
        for (std::size_t i = 0; i < energies.size(); ++i) {
            function->At(energies[i], mfps[i], value);
            sum += value.buildup;
        }
        benchmark::DoNotOptimize(sum);
    }
}

void BuildupOwnTable(benchmark::State& state) { BuildupPairs(state, "Pb"); }
void BuildupEquivalentZ(benchmark::State& state) { BuildupPairs(state, "formula:H2O"); }

} // namespace

void RegisterShieldingCases() {
    Register("Shielding/dose_every_nuclide_3_layers", DoseOfEveryNuclide, 9,
             {Goal::TimeBelow, 5e-3, {}})
        ->Unit(benchmark::kMillisecond);
    Register("Shielding/inventory_20_nuclides_100_times_3_layers", InventoryDecayCurve, 9,
             {Goal::TimeBelow, 20e-3, {}})
        ->Unit(benchmark::kMillisecond);
    Register("Shielding/buildup_1e6_pairs_own_table", BuildupOwnTable, 5,
             {Goal::TimeBelow, 0.2, {}})
        ->Unit(benchmark::kMillisecond);
    Register("Shielding/buildup_1e6_pairs_equivalent_z", BuildupEquivalentZ, 5,
             {Goal::TimeBelow, 0.2, {}})
        ->Unit(benchmark::kMillisecond);
}

} // namespace bench
