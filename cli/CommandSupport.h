#pragma once

#include "Arguments.h"
#include "Output.h"
#include "data/MaterialTable.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

/// Writes "photonxs-cli: " and the message as one line of the error stream.
void Complain(BufferedStream& err, std::string_view message);

/// Complains with a pointer to the help and gives the usage status.
int Usage(BufferedStream& err, const std::string& message);

/// A typed word for a message, in quotes, cut short and with bytes that are not text escaped.
std::string Echo(std::string_view word);

/// True for an argument that names a material by "formula:" or "mix:" rather than a data file.
bool IsExpression(std::string_view argument);

/// A typed energy in the invocation's unit, as MeV: keV text is read with its point moved three
/// places, so that 662 keV is the very double of 0.662 MeV. Empty when it is not a number.
std::optional<double> ReadEnergy(const Invocation& invocation, std::string_view text);

/// The numbers of the arguments after the first, in order; "-" stands for every number of
/// standard input (read once, as an energy or spectrum file is read: a byte-order mark, header
/// and comment lines, and blanks, tabs, ',' or ';' between fields). Energies are read in the
/// invocation's unit when `energies` is set. False, with a message naming the word, on one that
/// is not a number.
bool GatherValues(const Invocation& invocation, std::string_view what, bool energies,
                  std::vector<double>& values, BufferedStream& err);

/// Adds the energies of --grid FROM:TO:N (N log-spaced energies) and --with-edges (both sides
/// of every edge of the table in the range of the energies, or all of them when none is given)
/// to `energies`, then sorts them when either option was given. False, with a message on `err`,
/// when --grid is malformed.
bool AddGridEnergies(const Invocation& invocation, const data::MaterialTable& table,
                     std::vector<double>& energies, BufferedStream& err);

/// Reads a whole file, or standard input for "-"; false with a message when it cannot be read.
bool ReadInputFile(const std::string& file, std::string& text, BufferedStream& err);

} // namespace cli
