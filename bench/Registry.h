#pragma once

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace bench {

/// Counter of the cases that start a program: that program's processor time, in seconds.
inline constexpr const char* kProgramCpuCounter = "program_cpu_s";

/// What a case must reach, checked against its median in the summary table.
enum class Goal {
    None,        ///< reported only
    TimeBelow,   ///< median wall time per iteration below `limit` seconds
    RatioAtMost, ///< median time over the peer's median at most `limit`
    MemoryBelow, ///< median of the peak_MB counter below `limit` megabytes
};

struct Target {
    Goal goal = Goal::None;
    double limit = 0.0;
    std::string peer; ///< the case whose median divides this one's, when a ratio is shown
};

/// Registers a case with the statistics every case reports (median, min and max over
/// `repetitions` runs, wall time) and records its target for the summary.
benchmark::internal::Benchmark* Register(const std::string& name, void (*run)(benchmark::State&),
                                         int repetitions, Target target);

/// The names of the cases in the order they were registered.
const std::vector<std::string>& RegisteredCases();

/// The target recorded for a case; Goal::None when it has none.
Target TargetOf(const std::string& name);

/// Registration of each group of cases, called once from main before the run.
void RegisterCoreCases();
void RegisterPeerCases();
void RegisterAttenuationCases();
void RegisterWindowCases();
void RegisterProcessCases();
void RegisterShieldingCases();
void RegisterLayerCases();
void RegisterGeometryCases();

/// Destroys the windows the window cases made, before the application object goes.
void ReleaseWindows();

} // namespace bench
