#include "NumberText.h"

#include "data/CharConv.h"
#include "data/NumberMask.h"
#include "data/NumericText.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace cli {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kLargestExactPower = 22;
constexpr int kMostScaledDigits = 9;

// The `digits` significant digits of a positive value as a whole number, and the power of ten
// of the first, from one multiplication or division by an exact power of ten. That rounds once,
// by far less than a millionth of a unit of the last digit, so the digits are the correctly
// rounded ones unless the scaled value lies that close to a half; false then (and for powers
// beyond the exact ones), and the general conversion decides.
bool scaledDigits(double value, int digits, long long& whole, int& exponent) {
    int binary = 0;
    std::frexp(value, &binary); // 2^(binary-1) <= value < 2^binary
    exponent = static_cast<int>(std::floor((binary - 1) * 0.30102999566398120));
    double scaled = 0.0;
    const auto scale = [&] {
        const int shift = digits - 1 - exponent;
        if (shift > kLargestExactPower || shift < -kLargestExactPower) {
            return false;
        }
        scaled = shift >= 0 ? value * kPowersOfTen[shift] : value / kPowersOfTen[-shift];
        return true;
    };
    if (!scale()) {
        return false;
    }
    if (scaled >= kPowersOfTen[digits]) {
        ++exponent; // the estimate from the binary exponent is at most one too low
        if (!scale()) {
            return false;
        }
    }
    const double below = std::floor(scaled);
    const double fraction = scaled - below;
    if (std::fabs(fraction - 0.5) < 1e-6) {
        return false;
    }
    whole = static_cast<long long>(below) + (fraction > 0.5 ? 1 : 0);
    if (whole == static_cast<long long>(kPowersOfTen[digits])) {
        whole /= 10; // 9.9996 -> 10.00
        ++exponent;
    }
    return true;
}

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
    // here exactly what it means in the windows.
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
    long long whole = 0;
    int exponent = 0;
    if (value != 0.0 && digits <= kMostScaledDigits &&
        scaledDigits(std::fabs(value), digits, whole, exponent)) {
        // The digits are the whole number's; the exponent, within the powers of ten exact in a
        // double of the first digit, has a sign and two digits.
        char* p = buffer + sizeof buffer;
        const int shown = std::abs(exponent);
        *--p = static_cast<char>('0' + shown % 10);
        *--p = static_cast<char>('0' + shown / 10);
        *--p = exponent < 0 ? '-' : '+';
        *--p = 'E';
        for (int k = 1; k < digits; ++k, whole /= 10) {
            *--p = static_cast<char>('0' + whole % 10);
        }
        if (digits > 1) {
            *--p = '.';
        }
        *--p = static_cast<char>('0' + whole);
        if (value < 0.0) {
            *--p = '-';
        }
        out.append(p, buffer + sizeof buffer);
        return;
    }
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
