#include "attenuation/TextLines.h"

#include "data/CharConv.h"

#include <algorithm>
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
    return ReadNumberField(field) ? ReadNumberField(ShiftDecimalPoint(field, -3)) : std::nullopt;
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

std::string_view WithoutByteOrderMark(std::string_view text) {
    return text.starts_with("\xEF\xBB\xBF") ? text.substr(3) : text;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    SplitFields(line, fields);
    return fields;
}

void SplitFields(std::string_view line, std::vector<std::string_view>& fields) {
    fields.clear();
    const bool semicolons = line.find(';') != std::string_view::npos;
    const auto separates = [&](char c) {
        return c == ' ' || c == '\t' || c == ';' || (c == ',' && !semicolons);
    };
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && separates(line[i])) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && !separates(line[i])) {
            ++i;
        }
        if (i > start) {
            fields.push_back(line.substr(start, i - start));
        }
    }
}

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool beginsLikeNumber(std::string_view field) {
    std::size_t i = !field.empty() && (field[0] == '+' || field[0] == '-') ? 1 : 0;
    if (i < field.size() && field[i] == '.') {
        ++i;
    }
    if (i < field.size() && isDigit(field[i])) {
        return true;
    }
    std::string word;
    for (const char c : field.substr(!field.empty() && (field[0] == '+' || field[0] == '-'))) {
        word += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return word == "nan" || word == "inf" || word == "infinity";
}

bool isControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte < 0x20 && c != '\t') || byte == 0x7F;
}

} // namespace

bool IsWordLine(std::string_view line, const std::vector<std::string_view>& fields) {
    return !fields.empty() && std::none_of(line.begin(), line.end(), isControl) &&
           std::none_of(fields.begin(), fields.end(), beginsLikeNumber);
}

std::string QuotedExcerpt(std::string_view field) {
    constexpr std::size_t kMost = 24;
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text(1, '\'');
    std::size_t shown = 0;
    std::size_t i = 0;
    for (; i < field.size() && shown < kMost; ++shown) {
        const auto byte = static_cast<unsigned char>(field[i]);
        // A UTF-8 sequence of two to four bytes is one printable character.
        std::size_t length = byte >= 0xC2 && byte <= 0xDF   ? 2
                             : byte >= 0xE0 && byte <= 0xEF ? 3
                             : byte >= 0xF0 && byte <= 0xF4 ? 4
                                                            : 1;
        for (std::size_t k = 1; k < length; ++k) {
            if (i + k >= field.size() ||
                (static_cast<unsigned char>(field[i + k]) & 0xC0u) != 0x80u) {
                length = 1;
            }
        }
        if (length > 1) {
            text.append(field.substr(i, length));
        } else if (byte >= 0x20 && byte < 0x7F) {
            text += field[i];
        } else {
            text += "\\x";
            text += kHex[byte >> 4];
            text += kHex[byte & 0xF];
        }
        i += length;
    }
    text += i < field.size() ? "...'" : "'";
    return text;
}

std::string ShiftDecimalPoint(std::string_view number, int places) {
    std::size_t i = 0;
    std::string result;
    if (i < number.size() && (number[i] == '+' || number[i] == '-')) {
        result += number[i++];
    }
    std::string digits;
    std::size_t point = 0;
    for (; i < number.size() && isDigit(number[i]); ++i) {
        digits += number[i];
    }
    point = digits.size();
    if (i < number.size() && number[i] == '.') {
        for (++i; i < number.size() && isDigit(number[i]); ++i) {
            digits += number[i];
        }
    }
    const auto moved = static_cast<long>(point) + places;
    if (moved <= 0) {
        result += "0." + std::string(static_cast<std::size_t>(-moved), '0') + digits;
    } else if (static_cast<std::size_t>(moved) >= digits.size()) {
        result += digits + std::string(static_cast<std::size_t>(moved) - digits.size(), '0');
    } else {
        const auto at = static_cast<std::size_t>(moved);
        result += digits.substr(0, at) + "." + digits.substr(at);
    }
    result += number.substr(i); // the exponent, untouched
    return result;
}

} // namespace attenuation
