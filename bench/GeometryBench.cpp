// Shielding models: the point kernel integrated over a self-absorbing water tank at two
// accuracies, and a dose map around a drum behind a concrete wall on every core.

#include "BenchSupport.h"
#include "Registry.h"

#include "geometry/ModelFile.h"
#include "geometry/ModelRun.h"
#include "shielding/ShieldingLibrary.h"

namespace bench {

namespace {

/// A water tank 1.83 m in radius and 10.7 m tall, 0.8 MeV photons spread through its water, in
/// air; the detector 6 m from the axis at mid-height.
constexpr const char* kTank = R"({
  "source": {"shape": "cylinder", "base": [0, 0, 0], "axis": "z", "length": "10.7 m",
             "radius": "1.83 m", "material": "Water_Liquid", "lines": [[0.8, 1e12]]},
  "filler": {"material": "Air_Dry"},
  "detectors": [[600, 0, 535]]})";

/// A drum of waste (Co-60 and Cs-137) 1.5 m from a 30 cm concrete wall, mapped 100 x 100 over
/// a plane through its middle, in air.
constexpr const char* kDrumMap = R"({
  "source": {"shape": "cylinder", "base": [0, 0, 0], "axis": "z", "length": 88, "radius": 28.6,
             "material": "Concrete_Ordinary", "density": 1.6,
             "nuclides": {"Co-60": "1 GBq", "Cs-137": "10 mCi"}},
  "shields": [{"shape": "slab", "axis": "x", "from": 150, "to": 180, "material": "Concrete_ANS"}],
  "filler": {"material": "Air_Dry"},
  "map": {"plane": "z", "at": 44, "from": [-100, -150], "to": [350, 150], "steps": [100, 100]},
  "accuracy": 1e-2})";

struct Prepared {
    shielding::ShieldingLibrary library{LibraryFolder()};
    geometry::ModelSpec asGiven;
    geometry::PreparedModel prepared;
    std::string error;

    Prepared(const char* text, double accuracy) {
        if (geometry::ReadModel(text, asGiven, error)) {
            if (accuracy > 0.0) {
                asGiven.accuracy = accuracy;
            }
            geometry::PrepareModel(library, asGiven, prepared, error);
        }
    }
};

void tankAt(benchmark::State& state, double accuracy) {
    const Prepared setup(kTank, accuracy);
    if (!setup.error.empty()) {
        state.SkipWithError(setup.error.c_str());
        return;
    }
    geometry::DetectorResult result;
    for (auto _ : state) {
        geometry::DoseAt(setup.prepared.model, setup.prepared.detectors.front(), result);
        benchmark::DoNotOptimize(result.total);
    }
    state.counters["rays"] = static_cast<double>(result.rays);
}

void TankAtOnePerMille(benchmark::State& state) { tankAt(state, 1e-3); }

void TankAtOnePerMillion(benchmark::State& state) { tankAt(state, 1e-6); }

void DrumMapOnTwoCores(benchmark::State& state) {
    const Prepared setup(kDrumMap, 0.0);
    if (!setup.error.empty()) {
        state.SkipWithError(setup.error.c_str());
        return;
    }
    std::vector<geometry::DetectorResult> results;
    for (auto _ : state) {
        geometry::RunModel(setup.prepared, results, {}, 2);
        benchmark::DoNotOptimize(results.data());
    }
}

} // namespace

void RegisterGeometryCases() {
    Register("Geometry/tank_0.8MeV_accuracy_1e-3", TankAtOnePerMille, 9,
             {Goal::TimeBelow, 20e-3, {}})
        ->Unit(benchmark::kMillisecond);
    Register("Geometry/tank_0.8MeV_accuracy_1e-6", TankAtOnePerMillion, 5,
             {Goal::TimeBelow, 1.0, {}})
        ->Unit(benchmark::kMillisecond);
    Register("Geometry/drum_map_100x100_accuracy_1e-2_2_threads", DrumMapOnTwoCores, 3,
             {Goal::TimeBelow, 10.0, {}})
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
}

} // namespace bench
