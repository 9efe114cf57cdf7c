#pragma once

#include "Output.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace cli {

/// Exit statuses of the program.
enum ExitStatus : int {
    kExitDone = 0,
    kExitBadInput = 1,       ///< a file, a number or a value given is wrong; nothing done
    kExitUsage = 2,          ///< the command line itself is wrong
    kExitSomeRowsFailed = 3, ///< some rows were out of range or in calculation error
};

/// One command line, taken apart. Options may stand anywhere; "--" ends them.
struct Invocation {
    std::string command;                        ///< empty when none was given
    std::vector<std::string> arguments;         ///< the words after the command, in order
    std::map<std::string, std::string> options; ///< the command's own options, by name
    std::filesystem::path root;
    int digits = 4;
    OutputFormat format = OutputFormat::Text;
    EnergyUnit energyUnit = EnergyUnit::MeV; ///< --energy-unit: energies typed and printed
    bool textHeader = true;                  ///< false with --no-header
    bool help = false;                       ///< --help, -h or the word "help" before a command

    OutputStyle Style() const { return {format, digits, energyUnit, textHeader}; }
};

/// A parsed command line, or the reason it cannot be used (a usage error).
struct ParsedArguments {
    Invocation invocation;
    std::string error;

    bool ok() const { return error.empty(); }
};

/// The commands the program knows, in the order its help lists them.
const std::vector<std::string>& CommandNames();

/// Takes the words after the program's name apart. `home` is the value of PHOTONXS_HOME, or
/// null when it is not set; it is the root unless --root gives one.
ParsedArguments ParseArguments(const std::vector<std::string>& words, const char* home);

} // namespace cli
