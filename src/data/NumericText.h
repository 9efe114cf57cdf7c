#pragma once

#include <string_view>

namespace data {

/// The number a text stands for: blanks, tabs and line ends anywhere are ignored, then the longest
/// leading decimal number (sign, digits, point, exponent after E or D) is taken and the rest
/// ignored. A text that does not begin with a number gives 0; an exponent too large gives
/// +/-infinity. The point is the decimal separator whatever the locale.
double NumericValue(std::string_view text);

/// True when the text opens with a decimal number: an optional sign, then digits with an
/// optional point, at least one digit ("7", "-.5", "2abc"; not "", "abc", ".", "-", "nan").
bool StartsWithNumber(std::string_view text);

} // namespace data
