#pragma once

#include <filesystem>
#include <string>

namespace app {

/// True when the start marker file can be read and holds at least one field (a character that
/// is not a blank or a line end).
bool StartMarkerReadable(const std::filesystem::path& file);

/// The first line of the file, without its line end or a UTF-8 byte-order mark. False when the
/// file cannot be read or is empty; `line` is written only on success.
bool ReadTitleLine(const std::filesystem::path& file, std::string& line);

} // namespace app
