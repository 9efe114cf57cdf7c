#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

/// True when a bare file name matches a pattern of '*' and '?' wildcards ("*.mix3").
/// The match is exact: "*.mix" does not match "a.mix3".
bool MatchesPattern(std::string_view name, std::string_view pattern);

/// The regular files of a folder whose names match the pattern, sorted by byte value;
/// empty when the folder cannot be read.
std::vector<std::string> ListFiles(const std::filesystem::path& folder, std::string_view pattern);

/// The sub-folders of a folder, sorted; empty when it cannot be read.
std::vector<std::string> ListFolders(const std::filesystem::path& folder);

} // namespace platform
