#pragma once

#include <string_view>

namespace data {

/// The numeric value of one fixed-width field of a table row: exactly NumericValue(field), bit
/// for bit. A field written as the files write them ("1.234E-05": digit, point, three digits,
/// E, sign, two digits) is converted directly; any other text goes through NumericValue.
double TableFieldValue(std::string_view field);

} // namespace data
