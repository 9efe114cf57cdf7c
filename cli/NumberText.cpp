#include "NumberText.h"

#include "data/CharConv.h"
#include "data/NumberMask.h"
#include "data/NumericText.h"

#include <charconv>
#include <cmath>
#include <string>

namespace cli {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

bool IsNumberText(std::string_view text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    std::size_t digits = 0;
    while (i < n && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) {
        return false;
    }
    if (i < n && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) {
            ++i;
        }
        std::size_t exponentDigits = 0;
        while (i < n && isDigit(text[i])) {
            ++i;
            ++exponentDigits;
        }
        if (exponentDigits == 0) {
            return false;
        }
    }
    return i == n;
}

std::optional<double> ReadNumber(std::string_view text) {
    if (!IsNumberText(text)) {
        return std::nullopt;
    }
    // The check above guarantees that the reader takes the whole text, so a typed number means
    // here exactly what it means in the windows. Where the text is also one the standard reader
    // takes whole (no leading '+', no D exponent), both give the correctly rounded value; the
    // program's reader then only has to say what a number beyond a double's range becomes.
    double value = 0.0;
    const char* last = text.data() + text.size();
    if (text.front() != '+' && text.find_first_of("Dd") == std::string_view::npos) {
        const auto [end, error] = data::FromChars(text.data(), last, value);
        if (error == std::errc() && end == last) {
            return value;
        }
    }
    return data::NumericValue(text);
}

void AppendValue(std::string& out, double value, int digits) {
    if (!std::isfinite(value)) {
        out += data::FormatScientific(value);
        return;
    }
    // Negative zero prints as zero, as the masks print it.
    if (value == 0.0) {
        value = 0.0;
    }
    char buffer[64];
    const auto result = data::ToChars(buffer, buffer + sizeof buffer, value,
                                      std::chars_format::scientific, digits - 1);
    // to_chars already writes a signed exponent of at least two digits; only the letter differs.
    for (char* p = buffer; p != result.ptr; ++p) {
        if (*p == 'e') {
            *p = 'E';
        }
    }
    out.append(buffer, result.ptr);
}

void AppendValueTimesThousand(std::string& out, double value, int digits) {
    std::string text;
    AppendValue(text, value, digits);
    const std::size_t e = text.find('E');
    if (e == std::string::npos || !std::isfinite(value)) {
        out += text;
        return;
    }
    const int exponent = std::stoi(text.substr(e + 1)) + 3;
    const std::string magnitude = std::to_string(exponent < 0 ? -exponent : exponent);
    out += text.substr(0, e + 1);
    out += exponent < 0 ? '-' : '+';
    out += magnitude.size() < 2 ? "0" + magnitude : magnitude;
}

} // namespace cli
