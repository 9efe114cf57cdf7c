#include "data/NumberMask.h"

#include "data/CharConv.h"

#include <charconv>
#include <cmath>
#include <string>

namespace data {

namespace {

std::string nonFinite(double value) {
    if (std::isnan(value)) {
        return "NaN";
    }
    return value < 0 ? "-Inf" : "Inf";
}

/// Negative zero is written as zero: a sign on it would also push a fixed-width field one
/// column to the right.
double unsignedZero(double value) { return value == 0.0 ? 0.0 : value; }

/// Fixed-point text with `decimals` places, correctly rounded from the binary value.
std::string fixed(double value, int decimals) {
    char buffer[400];
    const auto result =
        data::ToChars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return std::string(buffer, result.ptr);
}

} // namespace

std::string FormatScientific(double value) {
    if (!std::isfinite(value)) {
        return nonFinite(value);
    }
    value = unsignedZero(value);
    char buffer[32];
    const auto result =
        data::ToChars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 3);
    std::string text(buffer, result.ptr);
    // to_chars writes "1.234e+05" with at least two exponent digits; only the letter differs.
    const std::size_t e = text.find('e');
    if (e != std::string::npos) {
        text[e] = 'E';
    }
    return text;
}

std::string FormatScientificBlank(double value) {
    std::string text(1, ' ');
    text += FormatScientific(value);
    return text;
}

std::string FormatDensity(double value) {
    if (!std::isfinite(value)) {
        return nonFinite(value);
    }
    value = unsignedZero(value);
    std::string text = fixed(value, 6);
    while (!text.empty() && text.back() == '0') {
        text.pop_back();
    }
    // No leading zero before the point: "0.5" -> ".5", "-0.5" -> "-.5".
    const std::size_t start = text.front() == '-' ? 1 : 0;
    if (text.size() > start + 1 && text[start] == '0' && text[start + 1] == '.') {
        text.erase(start, 1);
    }
    return text;
}

std::string FormatCount(double value) {
    if (!std::isfinite(value)) {
        return nonFinite(value);
    }
    std::string text = fixed(value, 0);
    if (text == "0" || text == "-0") {
        return {};
    }
    return text;
}

std::string FormatDensityShown(double value) {
    if (!std::isfinite(value)) {
        return nonFinite(value);
    }
    value = unsignedZero(value);
    std::string text = fixed(value, 6);
    const std::size_t point = text.find('.');
    while (text.size() > point + 4 && text.back() == '0') {
        text.pop_back();
    }
    return text;
}

std::string FormatName(std::string_view text) { return std::string(text); }

std::string FormatExact(double value) {
    if (!std::isfinite(value)) {
        return nonFinite(value);
    }
    char buffer[32];
    const auto result = data::ToChars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, result.ptr);
    const std::size_t e = text.find('e');
    if (e != std::string::npos) {
        text[e] = 'E';
        // Two exponent digits at least, as the other masks write them: 8.375E-05.
        const std::size_t digits = text.size() - (e + 2);
        if (digits < 2) {
            text.insert(e + 2, 2 - digits, '0');
        }
    }
    return text;
}

} // namespace data
