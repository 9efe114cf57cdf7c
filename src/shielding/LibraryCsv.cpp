#include "shielding/LibraryCsv.h"

#include "attenuation/TextLines.h"

#include <algorithm>

namespace shielding {

std::string AtLine(std::size_t line, std::string_view what) {
    return "line " + std::to_string(line) + ": " + std::string(what);
}

std::optional<std::vector<CsvRow>> ReadCsvRows(std::string_view text, std::string_view header,
                                               std::string& error) {
    const std::vector<std::string_view> lines =
        attenuation::SplitLines(attenuation::WithoutByteOrderMark(text));
    const auto fieldCount =
        static_cast<std::size_t>(std::count(header.begin(), header.end(), ',')) + 1;
    std::vector<CsvRow> rows;
    bool headerSeen = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (!headerSeen) {
            if (line != header) {
                error = AtLine(i + 1, "the header is not " + std::string(header));
                return std::nullopt;
            }
            headerSeen = true;
            continue;
        }
        CsvRow row{i + 1, {}};
        std::size_t start = 0;
        for (std::size_t end = line.find(','); end != std::string_view::npos;
             end = line.find(',', start)) {
            row.fields.push_back(line.substr(start, end - start));
            start = end + 1;
        }
        row.fields.push_back(line.substr(start));
        if (row.fields.size() != fieldCount) {
            error = AtLine(row.line, std::to_string(row.fields.size()) + " fields where " +
                                         std::to_string(fieldCount) + " belong");
            return std::nullopt;
        }
        rows.push_back(std::move(row));
    }
    if (!headerSeen) {
        error = AtLine(lines.size() + 1, "the file ends before the header " + std::string(header));
        return std::nullopt;
    }
    return rows;
}

} // namespace shielding
