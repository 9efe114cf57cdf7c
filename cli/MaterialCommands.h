#pragma once

#include "Arguments.h"
#include "Output.h"
#include "data/MaterialTable.h"

#include <string_view>
#include <vector>

namespace cli {

/// True for an argument that names a material by "formula:" or "mix:" rather than a data file.
bool IsExpression(std::string_view argument);

/// Adds the energies of --grid FROM:TO:N (N log-spaced energies) and --with-edges (both sides
/// of every edge of the table in the range of the energies, or all of them when none is given)
/// to `energies`, then sorts them when either option was given. False, with a message on `err`,
/// when --grid is malformed.
bool AddGridEnergies(const Invocation& invocation, const data::MaterialTable& table,
                     std::vector<double>& energies, BufferedStream& err);

/// energy --all: for each total, one line per energy at which the table's total takes it.
/// Returns the exit status.
int PrintAllRoots(const Invocation& invocation, const data::MaterialTable& table,
                  const std::vector<double>& totals, BufferedStream& out, BufferedStream& err);

/// formula TEXT: the parsed composition, one line per element. Returns the exit status.
int RunFormula(const Invocation& invocation, BufferedStream& out, BufferedStream& err);

/// edges MATERIAL: the absorption edges of each element of a material. Returns the exit status.
int RunEdges(const Invocation& invocation, BufferedStream& out, BufferedStream& err);

} // namespace cli
