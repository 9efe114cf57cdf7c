#pragma once

#include "Arguments.h"
#include "Output.h"
#include "data/MaterialTable.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

/// Writes "photonxs-cli: " and the message as one line of the error stream.
void Complain(BufferedStream& err, std::string_view message);

/// Writes "photonxs-cli: note: " and a resolved material's note, where it has one: which
/// material a name was taken for.
void Note(BufferedStream& err, std::string_view note);

/// Complains with a pointer to the help and gives the usage status.
int Usage(BufferedStream& err, const std::string& message);

/// A typed word for a message, in quotes, cut short and with bytes that are not text escaped.
std::string Echo(std::string_view word);

/// True for an argument that names a material by "formula:" or "mix:" rather than a data file.
bool IsExpression(std::string_view argument);

/// A typed energy in the invocation's unit, as MeV: keV text is read with its point moved three
/// places, so that 662 keV is the very double of 0.662 MeV. Empty when it is not a number.
std::optional<double> ReadEnergy(const Invocation& invocation, std::string_view text);

/// The numbers of a command line, one at a time: the words given (all checked before the
/// first is handed out), where "-" stands for every number of standard input, read a line at a
/// time as the numbers are asked for (as an energy or spectrum file is read: a byte-order mark,
/// header and comment lines, and blanks, tabs, ',' or ';' between fields). Standard input is
/// read once, at the first "-". Energies are read in the invocation's unit when `energies` is
/// set. With --grid or --with-edges (energies and a table given to Start) every number is read
/// first and the grid's added, in order of energy.
class ValueReader {
  public:
    /// `what` names a value in messages ("the energy"); `out` is written out whenever standard
    /// input keeps the reader waiting.
    ValueReader(const Invocation& invocation, std::vector<std::string> words, std::string_view what,
                bool energies, BufferedStream& out, BufferedStream& err);
    ValueReader(const ValueReader&) = delete;
    ValueReader& operator=(const ValueReader&) = delete;
    ~ValueReader();

    /// Checks the words (and --grid); false, with a message, on one that is not a number.
    bool Start(const data::MaterialTable* gridTable = nullptr);
    /// The next number. False at the end, and with a message naming the line (Failed()) at a
    /// field of standard input that is not a number or when it cannot be read.
    bool Next(double& value);
    bool Failed() const { return m_failed; }
    /// How many numbers Next has given.
    std::size_t Count() const { return m_count; }

  private:
    struct Input;
    std::optional<double> read(std::string_view word) const;
    bool nextOfInput(double& value);

    const Invocation& m_invocation;
    std::vector<std::string> m_words;
    std::string_view m_what;
    bool m_energies;
    BufferedStream& m_out;
    BufferedStream& m_err;
    std::vector<double> m_given;          ///< the words' numbers, or every number for a grid
    std::optional<std::size_t> m_inputAt; ///< before which of m_given standard input comes
    std::size_t m_next = 0;               ///< the next of m_given to hand out
    std::unique_ptr<Input> m_input;       ///< standard input, once it is being read
    bool m_failed = false;
    std::size_t m_count = 0;
};

/// Adds the energies of --grid FROM:TO:N (N log-spaced energies) and --with-edges (both sides
/// of every edge of the table in the range of the energies, or all of them when none is given)
/// to `energies`, then sorts them and drops repeats; for an invocation with either option.
/// False, with a message on `err`, when --grid is malformed.
bool AddGridEnergies(const Invocation& invocation, const data::MaterialTable& table,
                     std::vector<double>& energies, BufferedStream& err);

/// The energy of a message in the invocation's unit: "6.620E-01 MeV" or "6.620E+02 keV".
std::string EnergyText(const Invocation& invocation, double energyMeV);

/// Reads a whole file, or standard input for "-"; false with a message when it cannot be read.
bool ReadInputFile(const std::string& file, std::string& text, BufferedStream& err);

} // namespace cli
