#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The comma-separated source tables the importers read: a header line, then one record a line.
namespace importing {

/// One record of a source table, its fields unquoted, with the line it stands on.
struct SourceRecord {
    std::size_t line = 0;
    std::vector<std::string> fields;
};

/// "FILE, line N: ", the start of a message about that line.
std::string Place(std::string_view file, std::size_t line);

/// The records after the header line of a source table (LF or CR LF, a byte-order mark and
/// empty lines skipped), each with as many fields as the header. Empty with `error` naming the
/// file and the line when the header differs, a line does not split or has another number of
/// fields, or there is no record.
std::optional<std::vector<SourceRecord>> ReadSourceTable(std::string_view text,
                                                         std::string_view file,
                                                         std::string_view header,
                                                         std::string& error);

} // namespace importing
