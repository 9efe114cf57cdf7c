#include "data/EditDistance.h"

#include <algorithm>

namespace data {

std::size_t EditDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        row[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::string SuggestWord(std::string_view typed, const std::vector<std::string_view>& candidates) {
    std::string_view best;
    std::size_t bestDistance = std::max<std::size_t>(1, typed.size() / 3) + 1;
    for (const std::string_view candidate : candidates) {
        const std::size_t distance = EditDistance(typed, candidate);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = candidate;
        }
    }
    return best.empty() ? std::string() : "; did you mean \"" + std::string(best) + "\"?";
}

} // namespace data
