// The numeric value of a text, against a plain model of the rule: drop every blank, tab and line
// end, take the longest leading decimal number (sign, digits, point, exponent after E or D) and
// convert it with the C library's strtod. Both must agree exactly, for any bytes.

#include "FuzzCheck.h"

#include "data/NumericText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

bool ignored(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool digit(char c) { return c >= '0' && c <= '9'; }

/// The leading number of the text in the form strtod reads, or empty when there is none.
std::string leadingNumber(std::string_view text) {
    std::string s;
    for (char c : text) {
        if (!ignored(c)) {
            s.push_back(c);
        }
    }
    std::size_t i = 0;
    std::string number;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        number.push_back(s[i++]);
    }
    std::size_t digits = 0;
    while (i < s.size() && digit(s[i])) {
        number.push_back(s[i++]);
        ++digits;
    }
    if (i < s.size() && s[i] == '.') {
        number.push_back(s[i++]);
        while (i < s.size() && digit(s[i])) {
            number.push_back(s[i++]);
            ++digits;
        }
    }
    if (digits == 0) {
        return {};
    }
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) {
            exponent.push_back(s[j++]);
        }
        const std::size_t firstDigit = j;
        while (j < s.size() && digit(s[j])) {
            exponent.push_back(s[j++]);
        }
        if (j > firstDigit) {
            number += exponent;
        }
    }
    return number;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    const double value = data::NumericValue(text);
    FUZZ_CHECK(!std::isnan(value), "NaN from " + fuzzing::printable(text));

    const std::string number = leadingNumber(text);
    // The process runs in the "C" locale, so strtod takes the point as the decimal separator.
    const double expected = number.empty() ? 0.0 : std::strtod(number.c_str(), nullptr);
    FUZZ_CHECK(value == expected, "text " + fuzzing::printable(text) + " gives " +
                                      fuzzing::exact(value) + ", expected " +
                                      fuzzing::exact(expected));
    return 0;
}
