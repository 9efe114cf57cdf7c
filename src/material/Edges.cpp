#include "material/Edges.h"

#include "data/CharConv.h"
#include "data/MaterialFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

namespace material {

namespace {

std::vector<std::string_view> split(std::string_view line) {
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t comma = line.find(',', start);
        fields.push_back(
            line.substr(start, comma == std::string_view::npos ? comma : comma - start));
        if (comma == std::string_view::npos) {
            return fields;
        }
        start = comma + 1;
    }
}

template <typename Number> bool parse(std::string_view text, Number& value) {
    const auto [end, problem] = data::FromChars(text.data(), text.data() + text.size(), value);
    return !text.empty() && problem == std::errc() && end == text.data() + text.size();
}

} // namespace

bool ReadEdgeList(const std::filesystem::path& root, std::vector<Edge>& edges, std::string& error) {
    const std::filesystem::path file = root / "edges.csv";
    std::string text;
    if (!data::ReadWholeFile(file, text)) {
        error = file.generic_string() + " cannot be read (the element library's edge list)";
        return false;
    }
    std::vector<Edge> read;
    std::size_t start = 0;
    for (int line = 1; start < text.size(); ++line) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string_view content = std::string_view(text).substr(start, end - start);
        if (!content.empty() && content.back() == '\r') {
            content.remove_suffix(1);
        }
        start = end + 1;
        if (line == 1 || content.empty()) {
            continue;
        }
        const std::vector<std::string_view> fields = split(content);
        Edge edge;
        if (fields.size() != 5 || !parse(fields[0], edge.z) || !parse(fields[3], edge.energyMeV) ||
            !parse(fields[4], edge.row) || fields[1].empty() || fields[2].empty() ||
            !(edge.energyMeV > 0.0)) {
            error = file.generic_string() + ", line " + std::to_string(line) +
                    ": not z,symbol,shell,energy_mev,row";
            return false;
        }
        edge.symbol = std::string(fields[1]);
        edge.shell = std::string(fields[2]);
        read.push_back(std::move(edge));
    }
    edges = std::move(read);
    return true;
}

namespace {

// The tables print energies with four digits: half a unit of the fourth digit at most.
constexpr double kRounding = 5.0005e-4;

} // namespace

std::vector<int> EdgeRows(const data::MaterialTable& table) {
    std::vector<int> rows;
    const int n = std::clamp(table.RowCount, 0, data::kTableCapacity);
    for (int i = 2; i <= n; ++i) {
        const auto above = static_cast<std::size_t>(i);
        const double below = table.Energy[above - 1];
        if (table.Total[above] > table.Total[above - 1] && below > 0.0 &&
            table.Energy[above] >= below &&
            table.Energy[above] <= below * (1.0 + 2.0 * kRounding)) {
            rows.push_back(i);
        }
    }
    return rows;
}

double EdgeJump(const data::MaterialTable& table, double energyMeV) {
    for (const int row : EdgeRows(table)) {
        const auto i = static_cast<std::size_t>(row);
        if (std::abs(table.Energy[i] - energyMeV) <= kRounding * energyMeV) {
            return table.Total[i] / table.Total[i - 1];
        }
    }
    return std::numeric_limits<double>::quiet_NaN();
}

} // namespace material
