#pragma once

#include <string>
#include <string_view>

namespace data {

/// "0.000E+00": one digit, three decimals, signed exponent of at least two digits (1.000E-03).
/// Rounds the exact binary value to four significant digits; a carry moves the exponent
/// (9.99951 gives 1.000E+01). Negative zero gives 0.000E+00, as in the masks below. Non-finite
/// values give "NaN", "Inf" or "-Inf".
std::string FormatScientific(double value);

/// " 0.000E+00": a blank, then FormatScientific.
std::string FormatScientificBlank(double value);

/// "##.######": six decimals at most, trailing zeros dropped, no leading zero, the point always
/// written (0.5 gives .5, 1 gives 1., 1.06 gives 1.06).
std::string FormatDensity(double value);

/// "###": a whole number without leading zeros; 0 gives an empty text.
std::string FormatCount(double value);

/// "#0.000###": at least one integer digit, three to six decimals (1 gives 1.000, 0.00120479
/// gives 0.001205).
std::string FormatDensityShown(double value);

/// The thirty-place text mask: a text is written unchanged, longer ones too.
std::string FormatName(std::string_view text);

/// The shortest text that reads back as the same double, exponent as E-05 (11.35, 8.375E-05).
std::string FormatExact(double value);

} // namespace data
