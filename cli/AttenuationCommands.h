#pragma once

#include "Arguments.h"
#include "Output.h"

namespace cli {

/// absorption MATERIAL E...: mu/rho, mu_en/rho and the kerma ratios to dry air and water.
int RunAbsorption(const Invocation& invocation, BufferedStream& out, BufferedStream& err);

/// hvl MATERIAL E... (mu, half- and tenth-value layers, mean free path) or
/// hvl --spectrum FILE MATERIAL (first and second half-value layers by air kerma).
int RunHalfValue(const Invocation& invocation, BufferedStream& out, BufferedStream& err);

/// attenuate LAYER... --energy E... | --spectrum FILE: transmission through a stack of layers.
int RunAttenuate(const Invocation& invocation, BufferedStream& out, BufferedStream& err);

/// zeff MATERIAL E...: effective atomic number and electrons per gram.
int RunEffectiveZ(const Invocation& invocation, BufferedStream& out, BufferedStream& err);

} // namespace cli
