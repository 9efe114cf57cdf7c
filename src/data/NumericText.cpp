#include "data/NumericText.h"

#include "data/CharConv.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace data {

namespace {

bool isIgnored(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

/// For a number in the form [digits][.digits][e[-]digits] with a non-zero digit: the power of
/// ten of its first significant digit, saturated far beyond any double's range.
long long decimalOrder(std::string_view number) {
    constexpr long long kFar = 1000000000000000LL;
    const std::size_t ePos = number.find('e');
    long long exp10 = 0;
    if (ePos != std::string_view::npos) {
        std::string_view digits = number.substr(ePos + 1);
        const bool negative = !digits.empty() && digits.front() == '-';
        if (negative) {
            digits.remove_prefix(1);
        }
        // Leading zeros carry no weight: "1e-0000000000000000005" is 1e-5.
        while (digits.size() > 1 && digits.front() == '0') {
            digits.remove_prefix(1);
        }
        if (digits.size() > 15) {
            exp10 = kFar;
        } else {
            for (char c : digits) {
                exp10 = exp10 * 10 + (c - '0');
            }
        }
        if (negative) {
            exp10 = -exp10;
        }
    }
    const std::string_view mantissa = number.substr(0, ePos);
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t first = mantissa.find_first_of("123456789");
    if (first == std::string_view::npos) {
        return -kFar;
    }
    // Digits between the first significant one and the point raise the order; zeros after the
    // point and before the first significant digit lower it.
    const auto before = static_cast<long long>(point);
    const auto at = static_cast<long long>(first);
    return exp10 + (first < point ? before - at - 1 : before - at);
}

} // namespace

double NumericValue(std::string_view text) {
    // Gather the significant characters of the leading number, skipping blanks wherever they
    // stand, into a form std::from_chars accepts: [-]digits[.digits][e[-]digits].
    std::string number; // most numbers fit in the string itself, with no allocation
    std::size_t i = 0;
    const auto next = [&]() -> char {
        while (i < text.size() && isIgnored(text[i])) {
            ++i;
        }
        return i < text.size() ? text[i] : '\0';
    };

    bool negative = false;
    char c = next();
    if (c == '+' || c == '-') {
        negative = c == '-';
        ++i;
        c = next();
    }
    bool anyDigit = false;
    while (isDigit(c)) {
        number.push_back(c);
        anyDigit = true;
        ++i;
        c = next();
    }
    if (c == '.') {
        number.push_back('.');
        ++i;
        c = next();
        while (isDigit(c)) {
            number.push_back(c);
            anyDigit = true;
            ++i;
            c = next();
        }
    }
    if (!anyDigit) {
        return 0.0;
    }
    if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
        // The exponent counts only when digits follow its letter and optional sign.
        const std::size_t mark = i;
        ++i;
        std::string exponent = "e";
        char s = next();
        if (s == '+' || s == '-') {
            if (s == '-') {
                exponent.push_back('-');
            }
            ++i;
            s = next();
        }
        bool expDigit = false;
        while (isDigit(s)) {
            exponent.push_back(s);
            expDigit = true;
            ++i;
            s = next();
        }
        if (expDigit) {
            number += exponent;
        } else {
            i = mark;
        }
    }

    double value = 0.0;
    const char* first = number.data();
    const char* last = number.data() + number.size();
    const auto [end, error] = data::FromChars(first, last, value, std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
        // Too large or too small for a double. Which one follows from the decimal order of the
        // first significant digit: at or above 10^0 the value can only have overflowed.
        value = decimalOrder(number) >= 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (error != std::errc() || end != last) {
        return 0.0;
    }
    return negative ? -value : value;
}

bool StartsWithNumber(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    bool digits = false;
    while (i < text.size() && isDigit(text[i])) {
        digits = true;
        ++i;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            digits = true;
            ++i;
        }
    }
    return digits;
}

} // namespace data
