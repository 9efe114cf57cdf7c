#include "attenuation/TextLines.h"

#include "data/CharConv.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
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

namespace {

/// A number's text without the zeros that change nothing: those leading the whole part (one is
/// kept before the point) and those trailing the fraction, with its point when nothing follows.
std::string withoutSpareZeros(const std::string& number) {
    const std::size_t digits = number.find_first_not_of("+-");
    std::string sign = number.substr(0, digits);
    std::string whole = number.substr(digits);
    std::string fraction;
    if (const std::size_t point = whole.find('.'); point != std::string::npos) {
        fraction = whole.substr(point + 1);
        whole.resize(point);
    }
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
    fraction.erase(std::min(fraction.find_last_not_of('0') + 1, fraction.size()));
    return sign + (whole.empty() ? "0" : whole) + (fraction.empty() ? "" : "." + fraction);
}

} // namespace

std::optional<std::string> EnergyInOtherUnit(std::string_view field, bool toKeV) {
    if (!ReadNumberField(field)) {
        return std::nullopt;
    }
    const int places = toKeV ? 3 : -3;
    const std::size_t e = field.find_first_of("eE");
    int exponent = 0;
    if (e != std::string_view::npos) {
        std::string_view digits = field.substr(e + 1);
        if (digits.starts_with('+')) {
            digits.remove_prefix(1);
        }
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), exponent);
        // An exponent beyond an int stays as it is: the point moves in the digits instead.
        if (error == std::errc() && end == digits.data() + digits.size() &&
            std::abs(exponent) < 100000) {
            const int moved = exponent + places;
            const std::string mantissa(field.substr(0, e));
            return moved == 0 ? mantissa : mantissa + field[e] + std::to_string(moved);
        }
        return ShiftDecimalPoint(field, places);
    }
    return withoutSpareZeros(ShiftDecimalPoint(field, places));
}

std::string EnergiesInOtherUnit(std::string_view text, bool toKeV) {
    std::string result;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t end = std::min(text.find_first_of(" \t\r\n,;", i), text.size());
        if (end == i) {
            result += text[i++];
            continue;
        }
        const std::string_view word = text.substr(i, end - i);
        // The energy of a word: the whole word, or what stands before '=' and after any ':'.
        std::size_t from = 0;
        std::size_t to = word.find('=');
        if (to != std::string_view::npos) {
            const std::size_t colon = word.substr(0, to).rfind(':');
            from = colon == std::string_view::npos ? 0 : colon + 1;
        } else {
            to = word.size();
        }
        const std::optional<std::string> energy =
            EnergyInOtherUnit(word.substr(from, to - from), toKeV);
        result += energy
                      ? std::string(word.substr(0, from)) + *energy + std::string(word.substr(to))
                      : std::string(word);
        i = end;
    }
    return result;
}

} // namespace attenuation
