#pragma once

#include "data/MaterialTable.h"

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace data {

/// Why a data file could not be read.
enum class LoadError {
    None,
    CannotOpen,     ///< missing or unreadable
    MissingName,    ///< the file is empty
    MissingDensity, ///< the file ends before the density
    BadDensity,     ///< the density does not begin with a number
    MissingCount,   ///< the file ends before the row count
    CountNotNumber, ///< the row count does not begin with a number
    BadCount,       ///< the count is not a whole number from 0 to 150
    TooManyRows,    ///< the count is above the 150 rows a table holds
    MissingRows,    ///< fewer rows than the count says
    BadValue,       ///< a number, or a row's total, too large to hold (1E+999)
};

/// Outcome of a read: the error kind, the 1-based line it concerns (0 = the whole file) and the
/// density read from line 2 when the read succeeded.
struct LoadResult {
    LoadError error = LoadError::None;
    int line = 0;
    double density = 0.0;

    bool ok() const { return error == LoadError::None; }
};

/// One message naming the file and what is wrong with it, for a failed read.
std::string DescribeLoadError(const LoadResult& result, std::string_view displayPath);

struct DataFileHeader {
    std::string name;
    double density = 0.0;
};

/// Line 1 (the name) and the density of a data file; the row count must be present and begin
/// with a number, but its value is not used. `header` is written only on success.
LoadResult ReadDataFileHeader(const std::filesystem::path& file, DataFileHeader& header);

/// One table row split by fixed columns: energy from columns 1-9, the five coefficients from
/// columns 11, 21, 31, 41 and 51 (nine characters each). A field beyond the line's end reads 0.
struct TableRow {
    double energy = 0.0;
    std::array<double, 5> coefficients{}; ///< coherent, incoherent, photo-electric, pair n, pair e
};
TableRow ParseTableRow(std::string_view line);

/// Loads `root / table.SelectedPath` into `table`: name, rows, totals, and narrows TotalMin and
/// TotalMax. The file is read whole into a scratch table first; on failure `table` is untouched.
/// Slots above the new RowCount keep what an earlier load left there.
LoadResult LoadMaterialTable(MaterialTable& table, const std::filesystem::path& root);

/// The same load from text already in memory (used by the file load and by the fuzzers).
LoadResult LoadMaterialTableFromText(MaterialTable& table, std::string_view text);

/// Fraction columns for rows 1..RowCount: each coefficient over the row's Total; a row whose
/// Total is 0 gets fractions of 0, and so does a quotient too large for a double.
void ComputeFractions(MaterialTable& table);

/// A 59-character row: the energy through "0.000E+00" and each coefficient through " 0.000E+00".
std::string FormatTableRow(double energyMeV, const std::array<double, 5>& coefficients);

/// Lines joined with CR LF after each, as every data file of the program is written.
std::string JoinLines(const std::vector<std::string>& lines);

/// Why a file could not be written.
struct WriteResult {
    bool ok = true;
    std::string reason; ///< the system's reason when not ok
};

/// Writes `bytes` to a new file beside `target`, flushes it to the disk, then renames it over
/// `target`, whose access rights it keeps. A folder, device or pipe of that name, or a
/// write-protected file, is refused. On any failure the old file stays as it was and no
/// temporary file is left behind.
WriteResult WriteFileReplacing(const std::filesystem::path& target, std::string_view bytes);

/// Reads a whole file into `text`; false when it cannot be opened or read.
bool ReadWholeFile(const std::filesystem::path& file, std::string& text);

} // namespace data
