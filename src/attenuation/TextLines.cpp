#include "attenuation/TextLines.h"

#include "data/CharConv.h"

#include <charconv>
#include <string>

namespace attenuation {

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < text.size()) {
        lines.push_back(text.substr(start));
    }
    return lines;
}

std::vector<std::string_view> SplitBlanks(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            ++i;
        }
        if (i > start) {
            words.push_back(line.substr(start, i - start));
        }
    }
    return words;
}

std::vector<std::string_view> SplitLayerList(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t start = 0;
    const auto endWord = [&](std::size_t end) {
        if (end > start) {
            words.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == ';') {
            endWord(i);
        } else if (c == ',') {
            const std::string_view word = text.substr(start, i - start);
            if (!word.starts_with("mix:") || word.find('@') != std::string_view::npos) {
                endWord(i);
            }
        }
    }
    endWord(text.size());
    return words;
}

std::optional<double> ReadKeVAsMeV(std::string_view field) {
    const std::size_t e = field.find_first_of("eE");
    if (e == std::string_view::npos) {
        return ReadNumberField(std::string(field) + "e-3");
    }
    // The exponent is read as the number reader reads it (an optional sign, then digits).
    std::string_view exponent = field.substr(e + 1);
    if (!exponent.empty() && exponent.front() == '+') {
        exponent.remove_prefix(1);
    }
    long long power = 0;
    const auto [end, error] =
        std::from_chars(exponent.data(), exponent.data() + exponent.size(), power);
    if (exponent.empty() || end != exponent.data() + exponent.size() || error != std::errc() ||
        ReadNumberField(field.substr(0, e)) == std::nullopt) {
        return std::nullopt;
    }
    return ReadNumberField(std::string(field.substr(0, e)) + "e" + std::to_string(power - 3));
}

std::optional<double> ReadNumberField(std::string_view field) {
    if (!field.empty() && field.front() == '+') {
        field.remove_prefix(1);
    }
    // from_chars also takes "inf" and "nan"; a field must start like a decimal number. A number
    // beyond a double (1E+999, 1E-999) is refused rather than read as something else.
    const std::size_t first = !field.empty() && field.front() == '-' ? 1 : 0;
    if (first >= field.size() ||
        !((field[first] >= '0' && field[first] <= '9') || field[first] == '.')) {
        return std::nullopt;
    }
    double value = 0.0;
    const auto [end, error] = data::FromChars(field.data(), field.data() + field.size(), value,
                                              std::chars_format::general);
    if (end != field.data() + field.size() || error != std::errc()) {
        return std::nullopt;
    }
    return value;
}

} // namespace attenuation
