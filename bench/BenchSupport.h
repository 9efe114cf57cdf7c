#pragma once

#include "data/MaterialTable.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace bench {

/// The repository's shipped working folder (Start.dat, ele/, mix/).
std::filesystem::path LibraryFolder();

/// A private copy of the shipped working folder, made once per run and removed at exit, for the
/// cases that write files or start the program in it.
const std::filesystem::path& ScratchLibrary();

/// The same copy in a folder held in memory (/dev/shm), where a file's flush to disk costs
/// nothing; empty where there is no such folder.
const std::filesystem::path& MemoryScratchLibrary();

/// `count` photon energies in MeV, log-uniform over [lowMeV, highMeV], the same on every run.
std::vector<double> LogUniform(std::size_t count, double low, double high, std::uint64_t seed);

/// The energies every look-up case uses: one million, log-uniform over 1 keV..100 GeV.
const std::vector<double>& MillionEnergies();

/// A table loaded from a file of the shipped library ("ele/082_Pb.ele"), extremes reset first
/// as GO does; the process stops with a message when the file does not load.
std::unique_ptr<data::MaterialTable> LoadShipped(const std::string& relativePath);

/// Outcome of a program started by RunProgram.
struct ProgramRun {
    bool started = false;
    int exitStatus = -1;      ///< exit code, or -1 when it ended by a signal or timed out
    double wallSeconds = 0.0; ///< from just before the start to the end of the wait
    double cpuSeconds = 0.0;  ///< processor time of the program, user and system
    std::string report;       ///< what the program wrote to descriptor 3, when asked for
    std::int64_t startNs = 0; ///< CLOCK_MONOTONIC just before the start
    long maxRssKilobytes = 0; ///< peak resident memory of the program
};

struct ProgramStart {
    std::filesystem::path program;
    std::vector<std::string> arguments;
    std::filesystem::path workingFolder;
    std::vector<std::string> environment; ///< "NAME=value" entries added to this process's own
    std::filesystem::path standardInput;  ///< empty: /dev/null
    bool captureReport = false;           ///< give the program a pipe as descriptor 3
    double timeoutSeconds = 60.0;
};

/// Starts a program, waits for it (killing it after the timeout) and returns what it did.
/// Standard output goes to /dev/null; standard error stays this process's.
ProgramRun RunProgram(const ProgramStart& start);

/// The Qt application the window cases need, made on first use; ReleaseApplication ends it.
void EnsureApplication();
void ReleaseApplication();

/// Starts a case that times the computing core from a clean state of the processor's vector
/// registers. Qt's drawing code can leave the upper halves of the AVX registers in use, and
/// then every call of exp and log, ours and the peer's alike, pays a transition of many cycles
/// (twenty times the call itself on the machine measured); a process that never drew, like the
/// command line's `at`, does not pay it.
void CleanVectorRegisters();
/// Puts the upper halves of the AVX registers in use, as Qt's start and painting leave them
/// (through glibc's AVX-512 string routines); for timing the core as the program calls it.
void DirtyVectorRegisters();

/// Times CoefficientsAtEnergy on lead, one energy of the list per iteration, cycling; an energy
/// the look-up refuses marks the case as failed.
void TimeLeadLookups(benchmark::State& state, const std::vector<double>& energies);

/// CLOCK_MONOTONIC in nanoseconds; the clock is shared by every process of the machine.
std::int64_t MonotonicNs();

} // namespace bench
