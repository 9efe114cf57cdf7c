#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace data {

/// The Levenshtein distance: how many letters must be inserted, deleted or changed to turn one
/// text into the other.
std::size_t EditDistance(std::string_view a, std::string_view b);

/// "; did you mean \"radius\"?" for the candidate closest to `typed` (at most a third of its
/// letters away, and at least one); empty when none is that close.
std::string SuggestWord(std::string_view typed, const std::vector<std::string_view>& candidates);

} // namespace data
