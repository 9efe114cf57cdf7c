#include "app/StartupFiles.h"

#include "data/MaterialFile.h"

#include <string_view>

namespace app {

namespace {

std::string_view withoutByteOrderMark(std::string_view text) {
    constexpr std::string_view bom = "\xEF\xBB\xBF";
    if (text.substr(0, bom.size()) == bom) {
        text.remove_prefix(bom.size());
    }
    return text;
}

} // namespace

bool StartMarkerReadable(const std::filesystem::path& file) {
    std::string text;
    if (!data::ReadWholeFile(file, text)) {
        return false;
    }
    return withoutByteOrderMark(text).find_first_not_of(" \t\r\n") != std::string_view::npos;
}

bool ReadTitleLine(const std::filesystem::path& file, std::string& line) {
    std::string text;
    if (!data::ReadWholeFile(file, text)) {
        return false;
    }
    const std::string_view rest = withoutByteOrderMark(text);
    if (rest.empty()) {
        return false;
    }
    line = std::string(rest.substr(0, rest.find_first_of("\r\n")));
    return true;
}

} // namespace app
