#pragma once

#include "Arguments.h"
#include "Output.h"

namespace cli {

/// Draws the enlarged view with the given materials on the windows' own canvas, off screen, and
/// writes it as BMP or PNG. Needs no display. Returns the exit status.
int RunPlot(const Invocation& invocation, BufferedStream& out, BufferedStream& err);

} // namespace cli
