#include "BenchSupport.h"

#include "calc/Interpolation.h"
#include "data/MaterialFile.h"

#include <QApplication>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace bench {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void fail(const std::string& what) {
    std::fputs(("photonxs-bench: " + what + "\n").c_str(), stderr);
    std::exit(2);
}

// The copy lives in the system's temporary folder and goes when the run ends.
class ScratchFolder {
  public:
    explicit ScratchFolder(const fs::path& base) {
        std::string pattern = (base / "photonxs-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            fail("cannot create a temporary folder");
        }
        m_path = pattern;
        std::error_code error;
        fs::copy(LibraryFolder(), m_path, fs::copy_options::recursive, error);
        if (error) {
            fail("cannot copy the library: " + error.message());
        }
        fs::create_directories(m_path / "mix", error);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const fs::path& path() const { return m_path; }

  private:
    fs::path m_path;
};

// The environment of this process with `extra` ("NAME=value") replacing entries of that name.
std::vector<std::string> mergedEnvironment(const std::vector<std::string>& extra) {
    std::vector<std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text(*entry);
        const std::string name = text.substr(0, text.find('='));
        bool replaced = false;
        for (const std::string& added : extra) {
            replaced = replaced || added.substr(0, added.find('=')) == name;
        }
        if (!replaced) {
            merged.push_back(text);
        }
    }
    merged.insert(merged.end(), extra.begin(), extra.end());
    return merged;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> result;
    for (std::string& text : texts) {
        result.push_back(text.data());
    }
    result.push_back(nullptr);
    return result;
}

} // namespace

fs::path LibraryFolder() { return fs::path(PHOTONXS_SOURCE_DIR) / "library"; }

const fs::path& ScratchLibrary() {
    static const ScratchFolder folder(fs::temp_directory_path());
    return folder.path();
}

const fs::path& MemoryScratchLibrary() {
    static const fs::path none;
    std::error_code error;
    if (!fs::is_directory("/dev/shm", error)) {
        return none;
    }
    static const ScratchFolder folder("/dev/shm");
    return folder.path();
}

std::vector<double> LogUniform(std::size_t count, double low, double high, std::uint64_t seed) {
    std::mt19937_64 random(seed);
    const double logLow = std::log(low);
    const double logSpan = std::log(high) - logLow;
    std::vector<double> values(count);
    for (double& value : values) {
        // 53 random bits as a fraction in [0, 1); the ends are clamped against rounding.
        const double unit = static_cast<double>(random() >> 11) * 0x1.0p-53;
        value = std::clamp(std::exp(logLow + logSpan * unit), low, high);
    }
    return values;
}

const std::vector<double>& MillionEnergies() {
    static const std::vector<double> energies = LogUniform(1000000, 0.001, 100000.0, 20240601);
    return energies;
}

std::unique_ptr<data::MaterialTable> LoadShipped(const std::string& relativePath) {
    auto table = std::make_unique<data::MaterialTable>();
    table->SelectedPath = relativePath;
    table->ResetExtremes();
    const data::LoadResult loaded = data::LoadMaterialTable(*table, LibraryFolder());
    if (!loaded.ok()) {
        fail(data::DescribeLoadError(loaded, relativePath));
    }
    data::ComputeFractions(*table);
    return table;
}

namespace {

std::unique_ptr<QApplication>& TheApplication() {
    static std::unique_ptr<QApplication> application;
    return application;
}

} // namespace

void EnsureApplication() {
    std::unique_ptr<QApplication>& application = TheApplication();
    if (!application) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        static int argc = 1;
        static char name[] = "photonxs-bench";
        static char* argv[] = {name, nullptr};
        application = std::make_unique<QApplication>(argc, argv);
    }
}

void ReleaseApplication() { TheApplication().reset(); }

void CleanVectorRegisters() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    if (__builtin_cpu_supports("avx")) {
        asm volatile("vzeroupper" ::: "memory");
    }
#endif
}

void DirtyVectorRegisters() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    if (__builtin_cpu_supports("avx")) {
        asm volatile("vcmptrueps %%ymm15, %%ymm15, %%ymm15" ::: "xmm15");
    }
#endif
}

std::int64_t MonotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

ProgramRun RunProgram(const ProgramStart& start) {
    ProgramRun run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string input =
        start.standardInput.empty() ? "/dev/null" : start.standardInput.string();
    posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const std::string folder = start.workingFolder.string();
    if (!folder.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    }

    int reportRead = -1;
    int reportWrite = -1;
    if (start.captureReport) {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) {
            posix_spawn_file_actions_destroy(&actions);
            return run;
        }
        reportRead = ends[0];
        // Kept above 3 so that the copy onto descriptor 3 is a real one, which clears
        // close-on-exec.
        reportWrite = fcntl(ends[1], F_DUPFD_CLOEXEC, 10);
        close(ends[1]);
        posix_spawn_file_actions_adddup2(&actions, reportWrite, 3);
    }

    std::vector<std::string> argumentTexts{start.program.string()};
    argumentTexts.insert(argumentTexts.end(), start.arguments.begin(), start.arguments.end());
    std::vector<std::string> environmentTexts = mergedEnvironment(start.environment);
    std::vector<char*> argv = pointers(argumentTexts);
    std::vector<char*> envp = pointers(environmentTexts);

    pid_t child = 0;
    run.startNs = MonotonicNs();
    const int spawned =
        posix_spawn(&child, argumentTexts[0].c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (reportWrite >= 0) {
        close(reportWrite);
    }
    if (spawned != 0) {
        if (reportRead >= 0) {
            close(reportRead);
        }
        return run;
    }
    run.started = true;

    const int childFd = static_cast<int>(syscall(SYS_pidfd_open, child, 0));
    const std::int64_t deadline =
        run.startNs + static_cast<std::int64_t>(start.timeoutSeconds * 1e9);
    bool ended = false;
    while (!ended) {
        pollfd watched[2] = {{childFd, POLLIN, 0}, {reportRead, POLLIN, 0}};
        const std::int64_t left = deadline - MonotonicNs();
        if (left <= 0) {
            kill(child, SIGKILL);
            break;
        }
        const int waitMs = static_cast<int>(std::min<std::int64_t>(left / 1000000 + 1, 1000));
        if (poll(watched, 2, waitMs) < 0 && errno != EINTR) {
            break;
        }
        if (reportRead >= 0 && (watched[1].revents & (POLLIN | POLLHUP)) != 0) {
            char buffer[256];
            const ssize_t got = read(reportRead, buffer, sizeof buffer);
            if (got > 0) {
                run.report.append(buffer, static_cast<std::size_t>(got));
            } else {
                close(reportRead);
                reportRead = -1;
            }
        }
        ended = childFd < 0 || (watched[0].revents & POLLIN) != 0;
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    run.wallSeconds = static_cast<double>(MonotonicNs() - run.startNs) * 1e-9;
    if (ended && WIFEXITED(status)) {
        run.exitStatus = WEXITSTATUS(status);
    }
    if (reportRead >= 0) {
        char buffer[256];
        ssize_t got = 0;
        while ((got = read(reportRead, buffer, sizeof buffer)) > 0) {
            run.report.append(buffer, static_cast<std::size_t>(got));
        }
        close(reportRead);
    }
    if (childFd >= 0) {
        close(childFd);
    }
    return run;
}

void TimeLeadLookups(benchmark::State& state, const std::vector<double>& energies) {
    const auto table = LoadShipped("ele/082_Pb.ele");
    calc::CoefficientSet set;
    std::size_t i = 0;
    std::size_t refused = 0;
    CleanVectorRegisters();
    for (auto _ : state) {
        const calc::CalcStatus status = calc::CoefficientsAtEnergy(*table, energies[i], set);
        benchmark::DoNotOptimize(set);
        refused += status != calc::CalcStatus::Ok ? 1 : 0;
        if (++i == energies.size()) {
            i = 0;
        }
    }
    if (refused != 0) {
        state.SkipWithError("an energy inside the table was refused");
    }
}

} // namespace bench
