#pragma once

#include <string>
#include <vector>

namespace data {

/// Appends one CSV line of text fields ended by CR LF: a field holding a comma or a quote is
/// quoted, its quotes doubled.
void AppendCsvRow(std::string& out, const std::vector<std::string>& fields);

} // namespace data
