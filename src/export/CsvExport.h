#pragma once

#include "data/MaterialTable.h"

#include <filesystem>
#include <string>

namespace exporting {

/// The text of a material's CSV file: the name as read, the density through "##.######", the
/// row count through "###", then one line per row with the energy and the five partial
/// coefficients (the total is left out), every line ended by CR LF.
std::string CsvText(const data::MaterialTable& table, double density);

/// The file a save dialog writes: the folder, a separator, the name exactly as typed and the
/// extension, which is always appended ("plot.bmp" becomes "plot.bmp.bmp"). A typed name that
/// starts with a separator still names a file inside the folder.
std::filesystem::path ComposeTargetPath(const std::filesystem::path& folder,
                                        const std::filesystem::path& typedName,
                                        const std::string& extension);

enum class ExportStatus {
    Written,
    NoSelection, ///< no material file is selected
    CannotLoad,  ///< the selected material file could not be read again
    CannotWrite, ///< the CSV file could not be created or written
};

/// What became of one export. On failure `detail` says why: for CannotLoad the description of
/// the material file's fault (naming the file), for CannotWrite the system's reason, with `file`
/// the CSV file that could not be written.
struct ExportResult {
    ExportStatus status = ExportStatus::Written;
    std::string detail;
    std::filesystem::path file;

    bool ok() const { return status == ExportStatus::Written; }
};

/// Reads the selected material file (`root / table.SelectedPath`) into the table again, without
/// resetting TotalMin and TotalMax, and writes its CSV text to `target`, replacing a file of that
/// name only once the new one is complete. When the reload fails nothing is written and the
/// table keeps what it held; when the write fails the old file is left as it was.
ExportResult ExportTableCsv(data::MaterialTable& table, const std::filesystem::path& root,
                            const std::filesystem::path& target);

} // namespace exporting
