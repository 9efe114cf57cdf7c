#pragma once

#include <string>
#include <string_view>

namespace cli {

/// The help of one command, or the program's general help when `command` is empty.
std::string HelpText(std::string_view command);

} // namespace cli
