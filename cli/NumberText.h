#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace cli {

/// Significant digits the program's own masks print ("0.000E+00"), and the most a double holds.
inline constexpr int kMaskDigits = 4;
inline constexpr int kMostDigits = 17;

/// True when the whole text is one decimal number as a user types it: an optional sign, digits
/// with an optional point (or a point and digits), an optional exponent after E or D with an
/// optional sign and at least one digit. Nothing else is allowed, not even a blank.
bool IsNumberText(std::string_view text);

/// The value of a typed number, read by the program's own number reader; empty when the text is
/// not a number by IsNumberText. Too large an exponent gives an infinity.
std::optional<double> ReadNumber(std::string_view text);

/// Appends a value in the masks' form: one digit, the point, digits-1 decimals (no point when
/// digits is 1), "E", the exponent's sign and at least two exponent digits. At 4 digits this is
/// exactly the "0.000E+00" mask. Non-finite values give the mask's words (NaN, Inf, -Inf).
void AppendValue(std::string& out, double value, int digits);

/// Appends a value times 1000 (an energy in MeV printed in keV): the value as AppendValue writes
/// it, with its exponent raised by 3, so that the digits are those of the exact product.
void AppendValueTimesThousand(std::string& out, double value, int digits);

} // namespace cli
