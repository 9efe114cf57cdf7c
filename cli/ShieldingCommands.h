#pragma once

#include "Arguments.h"
#include "Output.h"

namespace cli {

/// buildup MATERIAL E... --mfp X[,X...]: G-P buildup factors, the material's own table or by
/// equivalent Z.
int RunBuildup(const Invocation& invocation, BufferedStream& out, BufferedStream& err);

/// dose SOURCE [LAYER...] --activity A --distance R: the kerma rate of a point source behind
/// layers, line by line, or with --thickness-for the last layer's thickness for a rate.
int RunDose(const Invocation& invocation, BufferedStream& out, BufferedStream& err);

/// kerma-constant NUCLIDE: the air-kerma-rate constant of its lines above a cut-off.
int RunKermaConstant(const Invocation& invocation, BufferedStream& out, BufferedStream& err);

/// nuclides [NAME]: the library's nuclides with their half-lives, or one nuclide's lines.
int RunNuclides(const Invocation& invocation, BufferedStream& out, BufferedStream& err);

} // namespace cli
