#pragma once

#include "Arguments.h"
#include "Output.h"

#include <string_view>

namespace cli {

/// Writes "photonxs-cli: " and the message as one line of the error stream.
void Complain(BufferedStream& err, std::string_view message);

/// Runs a command that draws nothing (all but plot): rows go to `out`, messages to `err`.
/// Returns the exit status.
int RunCommand(const Invocation& invocation, BufferedStream& out, BufferedStream& err);

} // namespace cli
