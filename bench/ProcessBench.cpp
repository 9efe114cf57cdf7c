// Whole programs, each started afresh: the command line's `at` over a million energies read from
// standard input beside a naive awk pass over the same lines, `at` over five million for its
// memory, the program's start until the main window has been painted, and its peak
// memory once GO has drawn lead. The program runs unchanged; a small library loaded into it
// (StartupProbe.cpp) reports the moment, the memory and its processor time through descriptor 3.
// Google Benchmark's time of these cases is the wall time from the start; the program's own
// processor time is the counter program_cpu_s.

#include "BenchSupport.h"
#include "Registry.h"

#include <charconv>
#include <fstream>
#include <string>

namespace bench {

namespace {

// The energies of the look-up case as text, one a line, `copies` times over, written once into
// the scratch folder.
std::filesystem::path EnergiesFile(int copies) {
    const std::filesystem::path path =
        ScratchLibrary() / ("energies_x" + std::to_string(copies) + ".txt");
    if (!std::filesystem::exists(path)) {
        std::string text;
        text.reserve(MillionEnergies().size() * 24);
        char buffer[32];
        for (double energy : MillionEnergies()) {
            const auto written = std::to_chars(buffer, buffer + sizeof buffer, energy);
            text.append(buffer, written.ptr);
            text += '\n';
        }
        std::ofstream file(path, std::ios::binary);
        for (int k = 0; k < copies; ++k) {
            file << text;
        }
    }
    return path;
}

// Runs `start` as the case's iterations: wall time as the case's time, the program's processor
// time and its peak memory as counters.
void TimeProgram(benchmark::State& state, const ProgramStart& start) {
    double cpuSeconds = 0.0;
    double peakMegabytes = 0.0;
    for (auto _ : state) {
        const ProgramRun run = RunProgram(start);
        if (run.exitStatus != 0) {
            state.SkipWithError(
                (start.program.filename().string() + " did not finish with status 0").c_str());
            break;
        }
        state.SetIterationTime(run.wallSeconds);
        cpuSeconds = run.cpuSeconds;
        peakMegabytes = static_cast<double>(run.maxRssKilobytes) / 1024.0;
    }
    state.counters[kProgramCpuCounter] = cpuSeconds;
    state.counters["peak_MB"] = peakMegabytes;
}

ProgramStart CliAtStart(int millions) {
    ProgramStart start;
    start.program = PHOTONXS_CLI_PROGRAM;
    start.arguments = {"--root", ScratchLibrary().string(), "at", "ele/082_Pb.ele", "-"};
    start.standardInput = EnergiesFile(millions);
    return start;
}

void CliAt(benchmark::State& state) { TimeProgram(state, CliAtStart(1)); }
void CliAtFiveMillion(benchmark::State& state) { TimeProgram(state, CliAtStart(5)); }

// The yardstick of a filter: awk reading the same million lines and writing each energy as a
// row of the seven numbers `at` writes, in its format, with no look-up between.
void AwkPass(benchmark::State& state) {
    ProgramStart start;
    start.program = "/usr/bin/awk";
    start.arguments = {"{ printf \"%.3E  %.3E  %.3E  %.3E  %.3E  %.3E  %.3E\\n\", "
                       "$1, $1, $1, $1, $1, $1, $1 }"};
    start.standardInput = EnergiesFile(1);
    TimeProgram(state, start);
}

// The program with the probe loaded, in the scratch folder, without a display.
ProgramStart ProbedProgram(const char* mode) {
    ProgramStart start;
    start.program = PHOTONXS_PROGRAM;
    start.workingFolder = ScratchLibrary();
    start.environment = {"QT_QPA_PLATFORM=offscreen", std::string("LD_PRELOAD=") + PHOTONXS_PROBE,
                         std::string("PHOTONXS_PROBE=") + mode};
    start.captureReport = true;
    return start;
}

// The probe's line: the monotonic time of the moment, the peak resident memory in kB and the
// program's processor time in ns.
struct Report {
    long long momentNs = 0;
    long long peakKilobytes = 0;
    long long cpuNs = 0;
};

bool ParseReport(const std::string& text, Report& report) {
    const char* at = text.data();
    const char* last = text.data() + text.size();
    for (long long* field : {&report.momentNs, &report.peakKilobytes, &report.cpuNs}) {
        const auto read = std::from_chars(at, last, *field);
        if (read.ec != std::errc()) {
            return false;
        }
        at = read.ptr == last ? last : read.ptr + 1;
    }
    return true;
}

void ProbedRun(benchmark::State& state, const char* mode) {
    const ProgramStart start = ProbedProgram(mode);
    double peakMegabytes = 0.0;
    double cpuSeconds = 0.0;
    for (auto _ : state) {
        const ProgramRun run = RunProgram(start);
        Report report;
        if (!run.started || !ParseReport(run.report, report)) {
            state.SkipWithError("the program ended without reporting its window");
            break;
        }
        state.SetIterationTime(static_cast<double>(report.momentNs - run.startNs) * 1e-9);
        peakMegabytes = static_cast<double>(report.peakKilobytes) / 1024.0;
        cpuSeconds = static_cast<double>(report.cpuNs) * 1e-9;
    }
    state.counters["peak_MB"] = peakMegabytes;
    state.counters[kProgramCpuCounter] = cpuSeconds;
}

void ColdStart(benchmark::State& state) { ProbedRun(state, "shown"); }
void StartAndGo(benchmark::State& state) { ProbedRun(state, "go"); }

} // namespace

void RegisterProcessCases() {
    Register("CLI/awk_pass_1e6_lines", AwkPass, 7, {})
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    Register("CLI/at_1e6_energies_stdin", CliAt, 7,
             {Goal::RatioAtMost, 0.4, "CLI/awk_pass_1e6_lines"})
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    // Standard input is read as a stream: five times the energies, the same memory.
    Register("CLI/at_5e6_energies_stdin_peak_memory", CliAtFiveMillion, 3,
             {Goal::MemoryBelow, 25.0, {}})
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    Register("Program/cold_start_to_main_window", ColdStart, 15, {Goal::TimeBelow, 300e-3, {}})
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    Register("Program/start_and_GO_peak_memory", StartAndGo, 7, {Goal::MemoryBelow, 80.0, {}})
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
}

} // namespace bench
