// photonxs-bench: every case on the shipped library, with a summary table of medians, minima,
// maxima, the peer ratio and whether each target holds.
//
//   photonxs-bench [--summary_out=FILE] [Google Benchmark flags]
//
// The window cases need a Qt platform; without a display the offscreen one is used. The Qt
// application is made only when the first window case runs (see EnsureApplication).

#include "BenchSupport.h"
#include "Registry.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Processor time of the process doing the work, which other jobs on a shared machine do not
// stretch, judges each case; the wall time stands beside it.
struct Aggregates {
    double medianSeconds = 0.0; ///< processor time
    double minSeconds = 0.0;
    double maxSeconds = 0.0;
    double wallMedianSeconds = 0.0;
    double peakMegabytes = 0.0;
};

std::string Fixed(double value, int decimals) {
    char buffer[64];
    const auto written =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return std::string(buffer, written.ptr);
}

// Three significant digits in the unit that suits the value: 41.2 ns, 3.07 ms.
std::string Duration(double seconds) {
    static constexpr std::pair<double, const char*> kUnits[] = {
        {1.0, "s"}, {1e-3, "ms"}, {1e-6, "us"}, {1e-9, "ns"}};
    for (const auto& [scale, unit] : kUnits) {
        if (seconds >= scale || scale == 1e-9) {
            const double value = seconds / scale;
            const int decimals = value >= 100.0 ? 0 : value >= 10.0 ? 1 : 2;
            return Fixed(value, decimals) + " " + unit;
        }
    }
    return {};
}

/// Shows the usual console output and keeps each case's aggregates for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Aggregate || run.error_occurred) {
                continue;
            }
            const std::string name = run.run_name.function_name;
            const double toSeconds = 1.0 / benchmark::GetTimeUnitMultiplier(run.time_unit);
            // A case that starts a program counts that program's processor time; the time Google
            // Benchmark gives it is the wall time from the start.
            const auto program = run.counters.find(bench::kProgramCpuCounter);
            const double processor = program != run.counters.end()
                                         ? program->second.value
                                         : run.GetAdjustedCPUTime() * toSeconds;
            Aggregates& found = m_found[name];
            if (run.aggregate_name == "median") {
                found.medianSeconds = processor;
                found.wallMedianSeconds = run.GetAdjustedRealTime() * toSeconds;
                if (const auto peak = run.counters.find("peak_MB"); peak != run.counters.end()) {
                    found.peakMegabytes = peak->second.value;
                }
            } else if (run.aggregate_name == "min") {
                found.minSeconds = processor;
            } else if (run.aggregate_name == "max") {
                found.maxSeconds = processor;
            }
        }
    }

    /// The summary as a Markdown table.
    std::string Summary() const {
        std::string text =
            "| Case | Median | Min | Max | Wall median | Target | Measured | Holds |\n"
            "|---|---:|---:|---:|---:|---|---:|:---:|\n";
        for (const std::string& name : bench::RegisteredCases()) {
            const auto result = m_found.find(name);
            if (result == m_found.end()) {
                continue; // filtered out, or failed
            }
            const Aggregates& a = result->second;
            const bench::Target target = bench::TargetOf(name);
            std::string goal = "-";
            std::string measured = "-";
            std::string holds = "-";
            switch (target.goal) {
            case bench::Goal::None:
                if (const auto peer = m_found.find(target.peer);
                    peer != m_found.end() && peer->second.medianSeconds > 0.0) {
                    measured = "ratio " + Fixed(a.medianSeconds / peer->second.medianSeconds, 3);
                }
                break;
            case bench::Goal::TimeBelow:
                goal = "< " + Duration(target.limit);
                measured = Duration(a.medianSeconds);
                holds = a.medianSeconds < target.limit ? "yes" : "NO";
                break;
            case bench::Goal::RatioAtMost: {
                const auto peer = m_found.find(target.peer);
                goal = "ours / " + target.peer + " <= " + Fixed(target.limit, 3);
                if (peer != m_found.end() && peer->second.medianSeconds > 0.0) {
                    const double ratio = a.medianSeconds / peer->second.medianSeconds;
                    measured = "ratio " + Fixed(ratio, 3);
                    holds = ratio <= target.limit ? "yes" : "NO";
                }
                break;
            }
            case bench::Goal::MemoryBelow:
                goal = "peak memory < " + Fixed(target.limit, 0) + " MB";
                measured = Fixed(a.peakMegabytes, 1) + " MB";
                holds = a.peakMegabytes < target.limit ? "yes" : "NO";
                break;
            }
            text += "| " + name + " | " + Duration(a.medianSeconds) + " | " +
                    Duration(a.minSeconds) + " | " + Duration(a.maxSeconds) + " | " +
                    Duration(a.wallMedianSeconds) + " | " + goal + " | " + measured + " | " +
                    holds + " |\n";
        }
        return text;
    }

  private:
    std::map<std::string, Aggregates> m_found;
};

} // namespace

int main(int argc, char** argv) {
    // Our own flag first: Google Benchmark refuses flags it does not know.
    std::string summaryPath;
    std::vector<char*> arguments;
    for (int i = 0; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        constexpr std::string_view kSummaryFlag = "--summary_out=";
        if (argument.substr(0, kSummaryFlag.size()) == kSummaryFlag) {
            summaryPath = std::string(argument.substr(kSummaryFlag.size()));
        } else {
            arguments.push_back(argv[i]);
        }
    }
    int count = static_cast<int>(arguments.size());
    arguments.push_back(nullptr);

    benchmark::Initialize(&count, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(count, arguments.data())) {
        return 2;
    }
    bench::RegisterCoreCases();
    bench::RegisterPeerCases();
    bench::RegisterAttenuationCases();
    bench::RegisterWindowCases();
    bench::RegisterProcessCases();
    bench::RegisterShieldingCases();
    bench::RegisterGeometryCases();
    bench::RegisterLayerCases();

    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    bench::ReleaseWindows();
    bench::ReleaseApplication();

    const std::string summary = reporter.Summary();
    std::fputs(("\n" + summary).c_str(), stdout);
    if (!summaryPath.empty()) {
        std::ofstream(summaryPath, std::ios::binary) << summary;
    }
    return 0;
}
