#pragma once

#include "Arguments.h"
#include "Output.h"

namespace cli {

/// layers LAYER... --energy E... | --spectrum FILE [--angle DEG] [--bins]: what each layer of a
/// stack takes out of the beam (interacted, photo-absorbed, deposited) and lets through.
int RunLayers(const Invocation& invocation, BufferedStream& out, BufferedStream& err);

/// efficiency LAYER... --sensor N --energy E... [--angle DEG] [--thickness-for F [--by photo]]:
/// the interaction and photo-absorption efficiency of the stack's N-th layer, or the thickness
/// of it that takes a fraction F of the photons.
int RunEfficiency(const Invocation& invocation, BufferedStream& out, BufferedStream& err);

/// equivalent LAYER... --energy E... | --spectrum FILE [--reference MATERIAL]: the thickness of
/// the reference (lead by default) that transmits what the stack does.
int RunEquivalent(const Invocation& invocation, BufferedStream& out, BufferedStream& err);

} // namespace cli
