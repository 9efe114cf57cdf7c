// Every number mask on any double: the text has the mask's shape, and its numeric value lies
// within half a unit of the last digit written. The first eight bytes are a double's bit
// pattern; the rest is a text whose numeric value is formatted too, so that decimal values near
// a rounding boundary (9.9995, 0.0000005) come up as easily as odd bit patterns.

#include "FuzzCheck.h"

#include "data/NumberMask.h"
#include "data/NumericText.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

namespace {

bool digit(char c) { return c >= '0' && c <= '9'; }

std::size_t countDigits(std::string_view text, std::size_t from) {
    std::size_t n = 0;
    while (from + n < text.size() && digit(text[from + n])) {
        ++n;
    }
    return n;
}

/// One unit in the last place of a double, the error the read-back of a correct text may add.
long double ulp(double value) {
    const double magnitude = std::fabs(value);
    const double next = std::nextafter(magnitude, std::numeric_limits<double>::infinity());
    return static_cast<long double>(next) - static_cast<long double>(magnitude);
}

/// The read-back of `text` lies within `halfUnit` of `value`, allowing for the rounding of the
/// read-back itself.
void checkWithin(const char* mask, double value, const std::string& text, long double halfUnit) {
    const double back = data::NumericValue(text);
    if (std::isinf(back) && std::fabs(value) > 1.79e308) {
        return; // rounded up past the largest double: the text is right, a double cannot hold it
    }
    const long double error =
        std::fabs(static_cast<long double>(back) - static_cast<long double>(value));
    const long double allowed = halfUnit * (1.0L + 1e-15L) + ulp(value) + ulp(back);
    FUZZ_CHECK(error <= allowed, std::string(mask) + ": " + fuzzing::exact(value) +
                                     " is written as \"" + text + "\", which reads back as " +
                                     fuzzing::exact(back));
}

void checkScientific(double value) {
    const std::string text = data::FormatScientific(value);
    const std::string detail = fuzzing::exact(value) + " gives \"" + text + "\"";
    FUZZ_CHECK(data::FormatScientificBlank(value) == " " + text, detail);
    // Shape: [-]d.dddE(+|-)dd, with a third exponent digit only when it is needed.
    std::size_t i = value < 0 ? 1 : 0;
    FUZZ_CHECK(text.size() >= i + 9, detail);
    FUZZ_CHECK(digit(text[i]) && text[i + 1] == '.' && countDigits(text, i + 2) == 3, detail);
    FUZZ_CHECK(value == 0 || text[i] != '0', detail);
    i += 5;
    FUZZ_CHECK(text[i] == 'E' && (text[i + 1] == '+' || text[i + 1] == '-'), detail);
    const std::size_t expDigits = countDigits(text, i + 2);
    FUZZ_CHECK(i + 2 + expDigits == text.size(), detail);
    FUZZ_CHECK(expDigits == 2 || (expDigits == 3 && text[i + 2] != '0'), detail);
    const int exponent = std::stoi(text.substr(i + 1));
    checkWithin("0.000E+00", value, text, 0.5L * std::pow(10.0L, exponent - 3));
}

void checkDensity(double value) {
    const std::string text = data::FormatDensity(value);
    const std::string detail = fuzzing::exact(value) + " gives \"" + text + "\"";
    // Shape: [-][digits].[digits], no leading zero, no trailing zero, at most six decimals.
    std::size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
    const std::size_t whole = countDigits(text, i);
    FUZZ_CHECK(whole == 0 || text[i] != '0', detail);
    i += whole;
    FUZZ_CHECK(i < text.size() && text[i] == '.', detail);
    const std::size_t decimals = countDigits(text, i + 1);
    FUZZ_CHECK(i + 1 + decimals == text.size() && decimals <= 6, detail);
    FUZZ_CHECK(decimals == 0 || text.back() != '0', detail);
    checkWithin("##.######", value, text, 0.5e-6L);
}

void checkCount(double value) {
    const std::string text = data::FormatCount(value);
    const std::string detail = fuzzing::exact(value) + " gives \"" + text + "\"";
    const std::size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
    FUZZ_CHECK(countDigits(text, i) == text.size() - i, detail);
    FUZZ_CHECK(text.size() == i || text[i] != '0', detail);
    FUZZ_CHECK(!(i == 1 && text.size() == 1), detail);
    checkWithin("###", value, text, 0.5L);
}

void checkDensityShown(double value) {
    const std::string text = data::FormatDensityShown(value);
    const std::string detail = fuzzing::exact(value) + " gives \"" + text + "\"";
    std::size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
    const std::size_t whole = countDigits(text, i);
    FUZZ_CHECK(whole >= 1 && (whole == 1 || text[i] != '0'), detail);
    i += whole;
    FUZZ_CHECK(i < text.size() && text[i] == '.', detail);
    const std::size_t decimals = countDigits(text, i + 1);
    FUZZ_CHECK(i + 1 + decimals == text.size() && decimals >= 3 && decimals <= 6, detail);
    FUZZ_CHECK(decimals == 3 || text.back() != '0', detail);
    checkWithin("#0.000###", value, text, 0.5e-6L);
}

void checkExact(double value) {
    const std::string text = data::FormatExact(value);
    FUZZ_CHECK(data::NumericValue(text) == value,
               fuzzing::exact(value) + " gives \"" + text + "\", which does not read back");
    const std::size_t e = text.find('E');
    if (e != std::string::npos) {
        FUZZ_CHECK(countDigits(text, e + 2) >= 2 && (text[e + 1] == '+' || text[e + 1] == '-'),
                   text);
    }
}

void checkAll(double value) {
    if (!std::isfinite(value)) {
        const std::string expected = std::isnan(value) ? "NaN" : value < 0 ? "-Inf" : "Inf";
        FUZZ_CHECK(data::FormatScientific(value) == expected, expected);
        FUZZ_CHECK(data::FormatDensity(value) == expected, expected);
        FUZZ_CHECK(data::FormatCount(value) == expected, expected);
        FUZZ_CHECK(data::FormatDensityShown(value) == expected, expected);
        FUZZ_CHECK(data::FormatExact(value) == expected, expected);
        return;
    }
    checkScientific(value);
    checkDensity(value);
    checkCount(value);
    checkDensityShown(value);
    checkExact(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size >= sizeof(double)) {
        double value = 0.0;
        std::memcpy(&value, bytes, sizeof value);
        checkAll(value);
        bytes += sizeof(double);
        size -= sizeof(double);
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    checkAll(data::NumericValue(text));
    FUZZ_CHECK(data::FormatName(text) == text, "the name mask changed " + fuzzing::printable(text));
    return 0;
}
