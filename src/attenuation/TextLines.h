#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace attenuation {

/// The lines of a text: CR LF, LF and a lone CR all end a line; no empty last line for a text
/// that ends with a line end.
std::vector<std::string_view> SplitLines(std::string_view text);

/// The words of a line, separated by blanks and tabs.
std::vector<std::string_view> SplitBlanks(std::string_view line);

/// A whole field as one decimal number (optional sign, digits with an optional point, optional
/// exponent after E or e), read the same under every locale; empty for anything else, and for a
/// number beyond the range of a double.
std::optional<double> ReadNumberField(std::string_view field);

} // namespace attenuation
