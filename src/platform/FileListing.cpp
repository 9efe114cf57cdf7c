#include "platform/FileListing.h"

#include <algorithm>
#include <system_error>

namespace platform {

bool MatchesPattern(std::string_view name, std::string_view pattern) {
    // Iterative wildcard match with one back-tracking point for the last '*'.
    std::size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

namespace {

template <typename Keep>
std::vector<std::string> listEntries(const std::filesystem::path& folder, Keep keep) {
    std::vector<std::string> names;
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error);
    if (error) {
        return names;
    }
    for (const auto& entry : it) {
        const std::string name = entry.path().filename().string();
        if (keep(entry, name)) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

std::vector<std::string> ListFiles(const std::filesystem::path& folder, std::string_view pattern) {
    return listEntries(
        folder, [pattern](const std::filesystem::directory_entry& entry, const std::string& name) {
            std::error_code error;
            return entry.is_regular_file(error) && MatchesPattern(name, pattern);
        });
}

std::vector<std::string> ListFolders(const std::filesystem::path& folder) {
    return listEntries(folder,
                       [](const std::filesystem::directory_entry& entry, const std::string& name) {
                           std::error_code error;
                           return entry.is_directory(error) && !name.empty() && name.front() != '.';
                       });
}

} // namespace platform
