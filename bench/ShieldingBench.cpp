// Shielding on the shipped library: the dose rate of every nuclide behind three layers with
// Broder's buildup, and buildup factors of an own table and of an equivalent-Z material.

#include "BenchSupport.h"
#include "Registry.h"

#include "material/Resolve.h"
#include "shielding/Dose.h"
#include "shielding/ShieldingLibrary.h"

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
    Register("Shielding/buildup_1e6_pairs_own_table", BuildupOwnTable, 5,
             {Goal::TimeBelow, 0.2, {}})
        ->Unit(benchmark::kMillisecond);
    Register("Shielding/buildup_1e6_pairs_equivalent_z", BuildupEquivalentZ, 5,
             {Goal::TimeBelow, 0.2, {}})
        ->Unit(benchmark::kMillisecond);
}

} // namespace bench
