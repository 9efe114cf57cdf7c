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

} // namespace data
