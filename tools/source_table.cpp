#include "source_table.h"

#include "attenuation/TextLines.h"
#include "data/CsvText.h"

#include <algorithm>

namespace importing {

std::string Place(std::string_view file, std::size_t line) {
    return std::string(file) + ", line " + std::to_string(line) + ": ";
}

std::optional<std::vector<SourceRecord>> ReadSourceTable(std::string_view text,
                                                         std::string_view file,
                                                         std::string_view header,
                                                         std::string& error) {
    const std::vector<std::string_view> lines =
        attenuation::SplitLines(attenuation::WithoutByteOrderMark(text));
    const auto width = static_cast<std::size_t>(std::count(header.begin(), header.end(), ',')) + 1;
    std::vector<SourceRecord> records;
    bool headerSeen = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].empty()) {
            continue;
        }
        if (!headerSeen) {
            if (lines[i] != header) {
                error = Place(file, i + 1) + "the header is not " + std::string(header);
                return std::nullopt;
            }
            headerSeen = true;
            continue;
        }
        SourceRecord record{i + 1, {}};
        if (!data::SplitCsvLine(lines[i], record.fields)) {
            error = Place(file, i + 1) + "a quoted field is not closed where it should be";
            return std::nullopt;
        }
        if (record.fields.size() != width) {
            error = Place(file, i + 1) + std::to_string(record.fields.size()) + " fields where " +
                    std::to_string(width) + " belong";
            return std::nullopt;
        }
        records.push_back(std::move(record));
    }
    if (records.empty()) {
        error = std::string(file) + ": no rows";
        return std::nullopt;
    }
    return records;
}

} // namespace importing
