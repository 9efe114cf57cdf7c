#pragma once

#include "Arguments.h"
#include "Output.h"

#include <string_view>
#include <vector>

namespace cli {

/// Writes "photonxs-cli: " and the message as one line of the error stream.
void Complain(BufferedStream& err, std::string_view message);

/// The numbers of the arguments after the first, in order; "-" stands for every number of
/// standard input (read once). False, with a message naming the word, on one that is not a number.
bool GatherValues(const Invocation& invocation, std::string_view what, std::vector<double>& values,
                  BufferedStream& err);

/// Runs a command that draws nothing (all but plot): rows go to `out`, messages to `err`.
/// Returns the exit status.
int RunCommand(const Invocation& invocation, BufferedStream& out, BufferedStream& err);

} // namespace cli
