#include "data/CharConv.h"

#include <cctype>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace data {
namespace detail {
namespace {

// The C library writes and reads the locale's decimal point; ours is always '.'.
char localePoint() {
    const char* point = std::localeconv()->decimal_point;
    return point != nullptr && point[0] != '\0' ? point[0] : '.';
}

std::to_chars_result put(char* first, char* last, const std::string& text) {
    if (static_cast<std::size_t>(last - first) < text.size()) {
        return {last, std::errc::value_too_large};
    }
    std::memcpy(first, text.data(), text.size());
    return {first + text.size(), std::errc()};
}

std::string nonFinite(double value) {
    return std::string(std::signbit(value) ? "-" : "") + (std::isnan(value) ? "nan" : "inf");
}

std::string printed(const char* format, int precision, double value) {
    const int size = std::snprintf(nullptr, 0, format, precision, value);
    std::string text(static_cast<std::size_t>(size) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, precision, value);
    text.pop_back();
    const char point = localePoint();
    for (char& c : text) {
        if (c == point) {
            c = '.';
        }
    }
    return text;
}

double readBack(std::string text) {
    const char point = localePoint();
    for (char& c : text) {
        if (c == '.') {
            c = point;
        }
    }
    return std::strtod(text.c_str(), nullptr);
}

// A positive decimal d.ddd x 10^exponent as its digits without trailing zeros.
struct Decimal {
    std::string digits;
    int exponent = 0;

    std::string text() const {
        return digits.substr(0, 1) + "." + (digits.size() > 1 ? digits.substr(1) : "0") + "e" +
               std::to_string(exponent);
    }
    void trim() {
        while (digits.size() > 1 && digits.back() == '0') {
            digits.pop_back();
        }
    }
};

// The decimal printf writes with `precision` digits after the point (value > 0).
Decimal rounded(double value, int precision) {
    const std::string text = printed("%.*e", precision, value);
    const std::size_t e = text.find('e');
    Decimal decimal;
    for (std::size_t i = 0; i < e; ++i) {
        if (text[i] != '.') {
            decimal.digits += text[i];
        }
    }
    decimal.exponent = std::atoi(text.c_str() + e + 1);
    return decimal;
}

// The decimal one unit in its last digit above or below, of the same length where it can be.
Decimal step(Decimal decimal, int direction) {
    std::string& d = decimal.digits;
    std::size_t i = d.size();
    if (direction > 0) {
        while (i > 0 && d[i - 1] == '9') {
            d[--i] = '0';
        }
        if (i == 0) {
            d.insert(d.begin(), '1');
            d.pop_back();
            ++decimal.exponent;
        } else {
            ++d[i - 1];
        }
    } else {
        while (i > 0 && d[i - 1] == '0') {
            d[--i] = '9';
        }
        if (i == 0) {
            return {"0", 0};
        }
        --d[i - 1];
        if (d[0] == '0') {
            d.erase(d.begin());
            d.push_back('9');
            --decimal.exponent;
        }
    }
    return decimal;
}

// The fewest digits that read back to value (> 0), the nearest such when several do: printf's
// rounding is the nearest, and where the doubles' spacing changes (powers of two) the nearest
// of that length may fall outside while its neighbour reads back.
Decimal shortest(double value) {
    for (int precision = 0; precision < 17; ++precision) {
        Decimal decimal = rounded(value, precision);
        for (const int direction : {0, 1, -1}) {
            const Decimal candidate = direction == 0 ? decimal : step(decimal, direction);
            if (candidate.digits != "0" && readBack(candidate.text()) == value) {
                Decimal found = candidate;
                found.trim();
                return found;
            }
        }
    }
    Decimal decimal = rounded(value, 16);
    decimal.trim();
    return decimal;
}

} // namespace

std::to_chars_result ToCharsByPrintf(char* first, char* last, double value) {
    if (!std::isfinite(value)) {
        return put(first, last, nonFinite(value));
    }
    const std::string sign = std::signbit(value) ? "-" : "";
    if (value == 0.0) {
        return put(first, last, sign + "0");
    }
    const Decimal decimal = shortest(std::fabs(value));
    const std::string& d = decimal.digits;
    const int n = static_cast<int>(d.size());
    const int e = decimal.exponent;

    std::string scientific = d.substr(0, 1);
    if (n > 1) {
        scientific += "." + d.substr(1);
    }
    const std::string exponent = std::to_string(e < 0 ? -e : e);
    scientific += std::string(e < 0 ? "e-" : "e+") + (exponent.size() < 2 ? "0" : "") + exponent;

    std::string fixed;
    if (e < 0) {
        fixed = "0." + std::string(static_cast<std::size_t>(-e - 1), '0') + d;
    } else if (n <= e + 1) {
        // A whole number is written in full, every digit of the double's exact value.
        fixed = printed("%.*f", 0, std::fabs(value));
    } else {
        fixed = d.substr(0, static_cast<std::size_t>(e + 1)) + "." +
                d.substr(static_cast<std::size_t>(e + 1));
    }
    return put(first, last, sign + (fixed.size() <= scientific.size() ? fixed : scientific));
}

std::to_chars_result ToCharsByPrintf(char* first, char* last, double value,
                                     std::chars_format format, int precision) {
    if (!std::isfinite(value)) {
        return put(first, last, nonFinite(value));
    }
    return put(first, last,
               printed(format == std::chars_format::fixed        ? "%.*f"
                       : format == std::chars_format::scientific ? "%.*e"
                                                                 : "%.*g",
                       precision, value));
}

std::from_chars_result FromCharsByStrtod(const char* first, const char* last, double& value,
                                         std::chars_format format) {
    const char* p = first;
    const bool negative = p != last && *p == '-';
    p += negative ? 1 : 0;
    const auto startsWith = [&](const char* at, const char* word) {
        for (; *word != '\0'; ++at, ++word) {
            if (at == last || (*at | 0x20) != *word) {
                return false;
            }
        }
        return true;
    };
    if (startsWith(p, "inf")) {
        value = negative ? -HUGE_VAL : HUGE_VAL;
        return {p + (startsWith(p, "infinity") ? 8 : 3), std::errc()};
    }
    if (startsWith(p, "nan")) {
        p += 3;
        if (p != last && *p == '(') {
            const char* q = p + 1;
            while (q != last && (std::isalnum(static_cast<unsigned char>(*q)) || *q == '_')) {
                ++q;
            }
            if (q != last && *q == ')') {
                p = q + 1;
            }
        }
        value = negative ? -std::nan("") : std::nan("");
        return {p, std::errc()};
    }

    std::string text = negative ? "-" : "";
    bool anyDigit = false;
    bool nonZero = false;
    const auto digits = [&] {
        for (; p != last && *p >= '0' && *p <= '9'; ++p) {
            text += *p;
            anyDigit = true;
            nonZero = nonZero || *p != '0';
        }
    };
    digits();
    if (p != last && *p == '.') {
        text += localePoint();
        ++p;
        digits();
    }
    if (!anyDigit) {
        return {first, std::errc::invalid_argument};
    }
    if (format != std::chars_format::fixed && p != last && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        std::string exponent = "e";
        if (q != last && (*q == '+' || *q == '-')) {
            exponent += *q++;
        }
        if (q != last && *q >= '0' && *q <= '9') {
            for (; q != last && *q >= '0' && *q <= '9'; ++q) {
                exponent += *q;
            }
            text += exponent;
            p = q;
        }
    }
    const double read = std::strtod(text.c_str(), nullptr);
    if (std::isinf(read) || (read == 0.0 && nonZero)) {
        return {p, std::errc::result_out_of_range};
    }
    value = read;
    return {p, std::errc()};
}

} // namespace detail

#if defined(__cpp_lib_to_chars)

std::to_chars_result ToChars(char* first, char* last, double value) {
    return std::to_chars(first, last, value);
}
std::to_chars_result ToChars(char* first, char* last, double value, std::chars_format format,
                             int precision) {
    return std::to_chars(first, last, value, format, precision);
}
std::from_chars_result FromChars(const char* first, const char* last, double& value,
                                 std::chars_format format) {
    return std::from_chars(first, last, value, format);
}

#else

std::to_chars_result ToChars(char* first, char* last, double value) {
    return detail::ToCharsByPrintf(first, last, value);
}
std::to_chars_result ToChars(char* first, char* last, double value, std::chars_format format,
                             int precision) {
    return detail::ToCharsByPrintf(first, last, value, format, precision);
}
std::from_chars_result FromChars(const char* first, const char* last, double& value,
                                 std::chars_format format) {
    return detail::FromCharsByStrtod(first, last, value, format);
}

#endif

} // namespace data
