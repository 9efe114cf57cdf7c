#include "data/CsvText.h"

namespace data {

void AppendCsvRow(std::string& out, const std::vector<std::string>& fields) {
    for (std::size_t col = 0; col < fields.size(); ++col) {
        std::string field = fields[col];
        if (field.find_first_of(",\"") != std::string::npos) {
            for (std::size_t at = field.find('"'); at != std::string::npos;
                 at = field.find('"', at + 2)) {
                field.insert(at, 1, '"');
            }
            field = "\"" + field + "\"";
        }
        out += (col == 0 ? "" : ",") + field;
    }
    out += "\r\n";
}

bool SplitCsvLine(std::string_view line, std::vector<std::string>& fields) {
    fields.assign(1, std::string());
    bool quoted = false;
    bool closed = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c != '"') {
                fields.back() += c;
            } else if (i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else {
                quoted = false;
                closed = true;
            }
        } else if (c == ',') {
            fields.emplace_back();
            closed = false;
        } else if (closed) {
            return false;
        } else if (c == '"' && fields.back().empty()) {
            quoted = true;
        } else {
            fields.back() += c;
        }
    }
    return !quoted;
}

} // namespace data
