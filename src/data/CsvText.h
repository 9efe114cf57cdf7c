#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace data {

/// Appends one CSV line of text fields ended by CR LF: a field holding a comma or a quote is
/// quoted, its quotes doubled.
void AppendCsvRow(std::string& out, const std::vector<std::string>& fields);

/// Splits one line of comma-separated fields; a field in double quotes may hold commas and ""
/// for a quote. False when a quote is left open or text follows a closing quote.
bool SplitCsvLine(std::string_view line, std::vector<std::string>& fields);

} // namespace data
