#include "data/NumericText.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace data {

namespace {

bool isIgnored(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

double NumericValue(std::string_view text) {
    // Gather the significant characters of the leading number, skipping blanks wherever they
    // stand, into a form std::from_chars accepts: [-]digits[.digits][e[-]digits].
    std::string number;
    number.reserve(32);
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
    const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
        // Too large or too small for a double: decide by the decimal exponent of the value.
        const std::size_t ePos = number.find('e');
        long long exp10 = 0;
        if (ePos != std::string::npos) {
            const std::string_view digits(number.data() + ePos + 1, number.size() - ePos - 1);
            const bool expNegative = !digits.empty() && digits.front() == '-';
            const std::string_view magnitude = expNegative ? digits.substr(1) : digits;
            exp10 = magnitude.size() > 15 ? 1000000000000000LL : 0;
            if (exp10 == 0) {
                std::from_chars(magnitude.data(), magnitude.data() + magnitude.size(), exp10);
            }
            if (expNegative) {
                exp10 = -exp10;
            }
        }
        const std::string_view mantissa(number.data(),
                                        ePos == std::string::npos ? number.size() : ePos);
        const std::size_t point = mantissa.find('.');
        const std::string_view whole = mantissa.substr(0, point);
        const std::size_t firstNonZero = whole.find_first_not_of('0');
        if (firstNonZero != std::string_view::npos) {
            exp10 += static_cast<long long>(whole.size() - firstNonZero);
        }
        value = exp10 > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (error != std::errc() || end != last) {
        return 0.0;
    }
    return negative ? -value : value;
}

} // namespace data
