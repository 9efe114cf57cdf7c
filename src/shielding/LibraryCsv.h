#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace shielding {

/// One data line of a library CSV file: its 1-based line number and its comma-separated fields
/// (views into the file's text).
struct CsvRow {
    std::size_t line = 0;
    std::vector<std::string_view> fields;
};

/// The data lines of a library CSV file (LF or CR LF; a leading byte-order mark, '#' comment
/// lines and empty lines skipped) after its header. Empty with `error` ("line 3: ...") when the
/// first other line is not `header` or a line has not as many fields as the header.
std::optional<std::vector<CsvRow>> ReadCsvRows(std::string_view text, std::string_view header,
                                               std::string& error);

/// "line 12: " followed by `what`.
std::string AtLine(std::size_t line, std::string_view what);

} // namespace shielding
