#pragma once

#include "Arguments.h"
#include "Output.h"

#include <string_view>
#include <vector>

namespace cli {

/// One command of the program: its name, the options it takes beyond the common ones, and what
/// runs it (rows to `out`, messages to `err`; the exit status back).
struct Command {
    std::string_view name;
    std::vector<std::string_view> options;
    int (*run)(const Invocation& invocation, BufferedStream& out, BufferedStream& err);
};

/// Every command, in the order the help lists them. The one place that knows them all.
const std::vector<Command>& Commands();

/// The command of that name, or null.
const Command* FindCommand(std::string_view name);

/// Runs the invocation's command in its root. Returns the exit status.
int RunCommand(const Invocation& invocation, BufferedStream& out, BufferedStream& err);

} // namespace cli
