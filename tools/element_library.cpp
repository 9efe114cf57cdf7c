#include "element_library.h"

#include "data/MaterialFile.h"
#include "data/NumberMask.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <optional>
#include <system_error>
#include <utility>

namespace xcom {
namespace {

constexpr int kElementCount = 100;
constexpr double kEvPerMeV = 1e6;

std::string threeDigits(int value) {
    std::string text = std::to_string(value);
    while (text.size() < 3) {
        text.insert(text.begin(), '0');
    }
    return text;
}

// Standard CSV: fields separated by commas, a quoted field may hold commas, line ends and
// doubled quotes. Returns the records, or nothing when a quote is left open.
std::optional<std::vector<std::vector<std::string>>> splitCsv(std::string_view text) {
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> record;
    std::string field;
    bool quoted = false;
    bool fieldStarted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < text.size() && text[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
            continue;
        }
        if (c == '"') {
            quoted = true;
            fieldStarted = true;
        } else if (c == ',') {
            record.push_back(std::move(field));
            field.clear();
            fieldStarted = true;
        } else if (c == '\n') {
            if (fieldStarted || !field.empty() || !record.empty()) {
                record.push_back(std::move(field));
                records.push_back(std::move(record));
            }
            field.clear();
            record.clear();
            fieldStarted = false;
        } else if (c != '\r') {
            field += c;
            fieldStarted = true;
        }
    }
    if (quoted) {
        return std::nullopt;
    }
    if (fieldStarted || !field.empty() || !record.empty()) {
        record.push_back(std::move(field));
        records.push_back(std::move(record));
    }
    return records;
}

std::optional<double> parseNumber(std::string_view text) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::general);
    if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<int> parseWhole(std::string_view text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return value;
}

} // namespace

FactsResult ReadElementFacts(std::string_view csvText) {
    FactsResult result;
    const auto records = splitCsv(csvText);
    if (!records) {
        result.error = "elements.csv: a quoted field is not closed";
        return result;
    }
    const std::vector<std::string> header = {"z", "symbol", "name", "atomic_weight",
                                             "density_g_cm3"};
    if (records->empty() || (*records)[0] != header) {
        result.error = "elements.csv: the first line is not z,symbol,name,atomic_weight,"
                       "density_g_cm3";
        return result;
    }
    result.elements.resize(kElementCount);
    std::array<bool, kElementCount> seen{};
    for (std::size_t r = 1; r < records->size(); ++r) {
        const std::vector<std::string>& fields = (*records)[r];
        const std::string where = "elements.csv record " + std::to_string(r + 1) + ": ";
        if (fields.size() != header.size()) {
            result.error = where + "expected 5 fields";
            return result;
        }
        const auto z = parseWhole(fields[0]);
        const auto weight = parseNumber(fields[3]);
        const auto density = parseNumber(fields[4]);
        if (!z || *z < 1 || *z > kElementCount) {
            result.error = where + "the atomic number is not a whole number from 1 to 100";
            return result;
        }
        if (!weight || !(*weight > 0.0) || !density || !(*density > 0.0)) {
            result.error = where + "the atomic weight or the density is not a positive number";
            return result;
        }
        if (fields[1].empty() || fields[2].empty()) {
            result.error = where + "the symbol or the name is empty";
            return result;
        }
        const std::size_t slot = static_cast<std::size_t>(*z - 1);
        if (seen[slot]) {
            result.error = where + "atomic number " + fields[0] + " appears twice";
            return result;
        }
        seen[slot] = true;
        result.elements[slot] = ElementFacts{*z, fields[1], fields[2], *weight, *density};
    }
    for (std::size_t slot = 0; slot < seen.size(); ++slot) {
        if (!seen[slot]) {
            result.error = "elements.csv: no record for atomic number " + std::to_string(slot + 1);
            return result;
        }
    }
    return result;
}

std::string ElementFileName(const ElementFacts& facts) {
    return threeDigits(facts.atomicNumber) + "_" + facts.symbol + ".ele";
}

std::string FormatElementFile(const ElementData& data, const ElementFacts& facts) {
    std::vector<std::string> lines;
    lines.reserve(data.energiesEv.size() + 4);
    lines.push_back(facts.name);
    lines.push_back(data::FormatExact(facts.densityGPerCm3));
    lines.push_back(data::FormatCount(static_cast<double>(data.energiesEv.size())));
    // Rows keep the file's order, so the two energies of an edge stay below-then-above even
    // where four digits print them alike.
    for (std::size_t k = 0; k < data.energiesEv.size(); ++k) {
        std::array<double, kProcessCount> coefficients{};
        for (std::size_t p = 0; p < coefficients.size(); ++p) {
            coefficients[p] =
                data.crossSectionsBarns[p][k] * kBarnsToCm2PerGTimesWeight / data.atomicWeight;
        }
        lines.push_back(data::FormatTableRow(data.energiesEv[k] / kEvPerMeV, coefficients));
    }
    lines.push_back(data::FormatExact(data.atomicWeight));
    return data::JoinLines(lines);
}

std::string FormatEdgeList(const std::vector<std::pair<ElementData, ElementFacts>>& elements) {
    std::vector<std::string> lines = {"z,symbol,shell,energy_mev,row"};
    for (const auto& [data, facts] : elements) {
        for (std::size_t e = 0; e < data.edgeIndices.size() && e < data.edgeNames.size(); ++e) {
            const auto row = static_cast<std::size_t>(data.edgeIndices[e]);
            lines.push_back(std::to_string(facts.atomicNumber) + "," + facts.symbol + "," +
                            data.edgeNames[e] + "," +
                            data::FormatExact(data.energiesEv[row - 1] / kEvPerMeV) + "," +
                            std::to_string(row));
        }
    }
    return data::JoinLines(lines);
}

ImportResult ImportElementLibrary(const std::filesystem::path& dataDir,
                                  const std::filesystem::path& eleDir) {
    ImportResult result;
    std::string csvText;
    if (!data::ReadWholeFile(dataDir / "elements.csv", csvText)) {
        result.error = (dataDir / "elements.csv").string() + ": cannot be read";
        return result;
    }
    const FactsResult facts = ReadElementFacts(csvText);
    if (!facts.ok()) {
        result.error = facts.error;
        return result;
    }

    std::vector<std::pair<std::string, std::string>> outputs; // file name, bytes
    std::vector<std::pair<ElementData, ElementFacts>> parsed;
    for (const ElementFacts& element : facts.elements) {
        const std::filesystem::path file =
            dataDir / "xcom" / ("MDATX3." + threeDigits(element.atomicNumber));
        std::string text;
        if (!data::ReadWholeFile(file, text)) {
            result.error = file.string() + ": cannot be read";
            return result;
        }
        const ReadResult read = ReadElementFile(text);
        if (!read.ok()) {
            result.error = file.string() + ": " + DescribeReadError(read);
            return result;
        }
        if (read.data.atomicNumber != element.atomicNumber) {
            result.error = file.string() + ": holds Z = " + std::to_string(read.data.atomicNumber) +
                           ", not " + std::to_string(element.atomicNumber);
            return result;
        }
        // The cross sections are per atom of the weight on line 1; elements.csv repeats it, and a
        // difference means one of the two files is not what it claims to be.
        if (read.data.atomicWeight != element.atomicWeight) {
            result.error = file.string() + ": its atomic weight differs from elements.csv";
            return result;
        }
        outputs.emplace_back(ElementFileName(element), FormatElementFile(read.data, element));
        parsed.emplace_back(read.data, element);
    }

    std::error_code ec;
    std::filesystem::create_directories(eleDir, ec);
    if (ec) {
        result.error = eleDir.string() + ": cannot be created (" + ec.message() + ")";
        return result;
    }
    for (const auto& [name, bytes] : outputs) {
        const data::WriteResult written = data::WriteFileReplacing(eleDir / name, bytes);
        if (!written.ok) {
            result.error =
                (eleDir / name).string() + ": cannot be written (" + written.reason + ")";
            return result;
        }
        ++result.filesWritten;
    }
    // The edge list lives beside ele/ so that the element files keep their layout.
    std::filesystem::path folder = eleDir.lexically_normal();
    if (!folder.has_filename()) {
        folder = folder.parent_path();
    }
    const std::filesystem::path edges = folder.parent_path() / "edges.csv";
    const data::WriteResult written = data::WriteFileReplacing(edges, FormatEdgeList(parsed));
    if (!written.ok) {
        result.error = edges.string() + ": cannot be written (" + written.reason + ")";
    }
    return result;
}

} // namespace xcom
