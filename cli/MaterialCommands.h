#pragma once

#include "Arguments.h"
#include "Output.h"

namespace cli {

/// formula TEXT: the parsed composition, one line per element. Returns the exit status.
int RunFormula(const Invocation& invocation, BufferedStream& out, BufferedStream& err);

/// edges MATERIAL: the absorption edges of each element of a material. Returns the exit status.
int RunEdges(const Invocation& invocation, BufferedStream& out, BufferedStream& err);

} // namespace cli
