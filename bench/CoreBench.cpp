// The computing core on the shipped library: look-ups, loading, fractions and a mixture build.

#include "BenchSupport.h"
#include "Registry.h"

#include "calc/Interpolation.h"
#include "data/MaterialFile.h"
#include "material/Catalogue.h"
#include "material/Resolve.h"
#include "newdata/Builder.h"
#include "newdata/MaterialWriter.h"

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <utility>

namespace bench {

namespace {

void CoefficientsAtEnergy(benchmark::State& state) { TimeLeadLookups(state, MillionEnergies()); }

void EnergyAtTotal(benchmark::State& state) {
    const auto table = LoadShipped("ele/082_Pb.ele");
    const std::vector<double> totals = LogUniform(1000000, table->TotalMin, table->TotalMax, 7);
    calc::CoefficientSet set;
    double energy = 0.0;
    std::size_t i = 0;
    CleanVectorRegisters();
    for (auto _ : state) {
        const calc::CalcStatus status = calc::EnergyAtTotal(*table, totals[i], energy, set);
        benchmark::DoNotOptimize(status);
        benchmark::DoNotOptimize(set);
        if (++i == totals.size()) {
            i = 0;
        }
    }
}

void LoadMaterialTable(benchmark::State& state) {
    data::MaterialTable table;
    table.SelectedPath = "ele/100_Fm.ele"; // the longest element file, 108 rows
    const std::filesystem::path root = LibraryFolder();
    CleanVectorRegisters();
    for (auto _ : state) {
        table.ResetExtremes();
        const data::LoadResult loaded = data::LoadMaterialTable(table, root);
        if (!loaded.ok() || table.RowCount != 108) {
            state.SkipWithError("ele/100_Fm.ele did not load its 108 rows");
            break;
        }
        benchmark::ClobberMemory();
    }
}

void ComputeFractions(benchmark::State& state) {
    const auto table = LoadShipped("ele/082_Pb.ele");
    CleanVectorRegisters();
    for (auto _ : state) {
        data::ComputeFractions(*table);
        benchmark::ClobberMemory();
    }
}

// Fifteen elements by weight, a bone-like tissue with traces: every slot a mixture allows.
constexpr std::array<std::pair<const char*, double>, 15> kMixture{{
    {"001_H.ele", 6.4},
    {"006_C.ele", 27.8},
    {"007_N.ele", 2.7},
    {"008_O.ele", 41.0},
    {"011_Na.ele", 0.1},
    {"012_Mg.ele", 0.2},
    {"014_Si.ele", 0.1},
    {"015_P.ele", 7.0},
    {"016_S.ele", 0.2},
    {"017_Cl.ele", 0.1},
    {"019_K.ele", 0.1},
    {"020_Ca.ele", 14.7},
    {"026_Fe.ele", 0.1},
    {"030_Zn.ele", 0.1},
    {"038_Sr.ele", 0.1},
}};

void MixtureBuildIn(benchmark::State& state, const std::filesystem::path& root) {
    if (root.empty()) {
        state.SkipWithError("no folder held in memory on this system");
        return;
    }
    auto builder = std::make_unique<newdata::BuilderState>();
    builder->ClearSlots();
    builder->ElementCount = static_cast<double>(kMixture.size());
    for (std::size_t k = 0; k < kMixture.size(); ++k) {
        builder->SlotFile[k + 1] = kMixture[k].first;
        builder->SlotAmount[k + 1] = kMixture[k].second;
    }
    CleanVectorRegisters();
    for (auto _ : state) {
        const newdata::BuildResult built =
            newdata::BuildMaterial(*builder, root, newdata::BuilderKind::Mixture);
        if (!built.ok()) {
            state.SkipWithError(newdata::DescribeBuildError(built).c_str());
            break;
        }
        const newdata::BuildResult written =
            newdata::WriteMaterialFile(root, "Bone-like mixture", 1.85, newdata::Category::Others,
                                       "Bench_Mixture_15", *builder);
        if (!written.ok()) {
            state.SkipWithError(newdata::DescribeBuildError(written).c_str());
            break;
        }
    }
    state.counters["energies"] = static_cast<double>(builder->GridSize());
}

// The library copy on the temporary folder's disk: the write waits for the disk to hold the
// file before it takes the file's name.
void MixtureBuild(benchmark::State& state) { MixtureBuildIn(state, ScratchLibrary()); }

// The same in memory: what the build costs without the disk's flush.
void MixtureBuildInMemory(benchmark::State& state) {
    MixtureBuildIn(state, MemoryScratchLibrary());
}

// One name of each kind as typed, resolved on the kept catalogue: a library material by its
// words, a compendium alias, a bare formula, a compendium name by its words, and a typo that
// is refused with the closest names of every name and word.
void ResolveNames(benchmark::State& state) {
    const std::array<const char*, 5> names = {"water", "Kapton", "CsI", "steel stainless 304",
                                              "Watr"};
    auto material = std::make_unique<material::ResolvedMaterial>();
    std::string error;
    for (auto _ : state) {
        for (const char* name : names) {
            benchmark::DoNotOptimize(
                material::ResolveMaterial(LibraryFolder(), name, *material, error));
        }
    }
}

// The catalogue of the library folder built afresh: every file's first line and the compendium.
void BuildCatalogue(benchmark::State& state) {
    for (auto _ : state) {
        material::ForgetCatalogues();
        benchmark::DoNotOptimize(material::CatalogueOf(LibraryFolder())->names.size());
    }
}

} // namespace

void RegisterCoreCases() {
    // Over 1 keV..100 GeV, beside the peer's calls over 1..800 keV: for reference only.
    Register("CoefficientsAtEnergy", CoefficientsAtEnergy, 9, {Goal::None, 0.0, "xraylib/CS_Total"})
        ->Unit(benchmark::kNanosecond);
    Register("EnergyAtTotal", EnergyAtTotal, 9, {Goal::TimeBelow, 150e-9, {}})
        ->Unit(benchmark::kNanosecond);
    Register("LoadMaterialTable/108_rows", LoadMaterialTable, 9, {Goal::TimeBelow, 40e-6, {}})
        ->Unit(benchmark::kMicrosecond);
    Register("ComputeFractions", ComputeFractions, 9, {})->Unit(benchmark::kNanosecond);
    Register("MixtureBuild/15_elements", MixtureBuild, 9, {Goal::TimeBelow, 2e-3, {}})
        ->Unit(benchmark::kMicrosecond);
    Register("MixtureBuild/15_elements_memory_folder", MixtureBuildInMemory, 9, {})
        ->Unit(benchmark::kMicrosecond);
    Register("ResolveNames/5_names", ResolveNames, 9, {Goal::TimeBelow, 10e-3, {}})
        ->Unit(benchmark::kMicrosecond);
    Register("BuildCatalogue", BuildCatalogue, 9, {Goal::TimeBelow, 20e-3, {}})
        ->Unit(benchmark::kMicrosecond);
}

} // namespace bench
