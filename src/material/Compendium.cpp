#include "material/Compendium.h"
#include "data/CsvText.h"

#include "attenuation/TextLines.h"
#include "data/MaterialFile.h"
#include "material/Formula.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace material {

namespace {

std::string place(std::string_view file, std::size_t line) {
    return std::string(file) + ", line " + std::to_string(line) + ": ";
}

// The field lists of the lines after the header ('#' lines and empty lines skipped), each with
// its line number; empty with `error` when the header or a line does not fit.
std::optional<std::vector<std::pair<std::size_t, std::vector<std::string>>>>
readRows(std::string_view text, std::string_view file, std::string_view header,
         std::string& error) {
    const auto width = static_cast<std::size_t>(std::count(header.begin(), header.end(), ',')) + 1;
    std::vector<std::pair<std::size_t, std::vector<std::string>>> rows;
    bool headerSeen = false;
    const std::vector<std::string_view> lines =
        attenuation::SplitLines(attenuation::WithoutByteOrderMark(text));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].empty() || lines[i].front() == '#') {
            continue;
        }
        if (!headerSeen) {
            if (lines[i] != header) {
                error = place(file, i + 1) + "the header is not " + std::string(header);
                return std::nullopt;
            }
            headerSeen = true;
            continue;
        }
        std::vector<std::string> fields;
        if (!data::SplitCsvLine(lines[i], fields) || fields.size() != width) {
            error = place(file, i + 1) + "not " + std::to_string(width) + " fields";
            return std::nullopt;
        }
        rows.emplace_back(i + 1, std::move(fields));
    }
    if (!headerSeen) {
        error = std::string(file) + ": no header " + std::string(header);
        return std::nullopt;
    }
    return rows;
}

// "1:0.101327;6:0.7755": each Z within 1..100 once, each fraction above 0, summing to 1.
bool readFractions(std::string_view text, std::vector<std::pair<int, double>>& fractions) {
    double sum = 0.0;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find(';', start);
        end = end == std::string_view::npos ? text.size() : end;
        const std::string_view item = text.substr(start, end - start);
        const std::size_t colon = item.find(':');
        const std::optional<double> z = colon == std::string_view::npos
                                            ? std::nullopt
                                            : attenuation::ReadNumberField(item.substr(0, colon));
        const std::optional<double> fraction =
            colon == std::string_view::npos ? std::nullopt
                                            : attenuation::ReadNumberField(item.substr(colon + 1));
        if (!z || !fraction || *z < 1 || *z > kHighestAtomicNumber || *z != std::floor(*z) ||
            !(*fraction > 0.0) || *fraction > 1.0) {
            return false;
        }
        for (const auto& [seen, ignored] : fractions) {
            if (seen == static_cast<int>(*z)) {
                return false;
            }
        }
        fractions.emplace_back(static_cast<int>(*z), *fraction);
        sum += *fraction;
        start = end + 1;
    }
    return std::abs(sum - 1.0) <= 1e-5;
}

} // namespace

std::string CsvField(std::string_view field) {
    if (field.find_first_of(",\"") == std::string_view::npos) {
        return std::string(field);
    }
    std::string text = "\"";
    for (const char c : field) {
        text += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return text + '"';
}

std::optional<Compendium> ParseCompendium(std::string_view materialsText,
                                          std::string_view namesText, std::string& error) {
    const std::string materialsFile =
        std::string(kCompendiumFolder) + "/" + std::string(kCompendiumMaterialsFile);
    const std::string namesFile =
        std::string(kCompendiumFolder) + "/" + std::string(kCompendiumNamesFile);
    const auto materialRows =
        readRows(materialsText, materialsFile, kCompendiumMaterialsHeader, error);
    const auto nameRows =
        materialRows ? readRows(namesText, namesFile, kCompendiumNamesHeader, error) : std::nullopt;
    if (!materialRows || !nameRows) {
        return std::nullopt;
    }
    Compendium compendium;
    std::map<std::string, std::size_t> byName;
    for (const auto& [line, fields] : *materialRows) {
        CompendiumMaterial m{fields[0], 0.0, {}, fields[3]};
        const std::optional<double> density = attenuation::ReadNumberField(fields[1]);
        if (m.name.empty() || !byName.emplace(m.name, compendium.materials.size()).second) {
            error = place(materialsFile, line) + "the name is empty or given twice";
            return std::nullopt;
        }
        if (!density || !(*density > 0.0) || !std::isfinite(*density)) {
            error = place(materialsFile, line) + "the density is not a number above 0";
            return std::nullopt;
        }
        m.densityGPerCm3 = *density;
        if (!readFractions(fields[2], m.fractions)) {
            error = place(materialsFile, line) +
                    "the composition is not Z:fraction items that sum to 1 (Z from 1 to " +
                    std::to_string(kHighestAtomicNumber) + ", each once)";
            return std::nullopt;
        }
        compendium.materials.push_back(std::move(m));
    }
    for (const auto& [line, fields] : *nameRows) {
        const auto found = byName.find(fields[1]);
        const bool kindKnown =
            fields[2] == "alias" || fields[2] == "usual" || fields[2] == "one of";
        if (fields[0].empty() || found == byName.end() || !kindKnown) {
            error = place(namesFile, line) +
                    "not a name, a material of the materials file and alias, usual or one of";
            return std::nullopt;
        }
        compendium.names.push_back(
            {fields[0], found->second, fields[2] != "alias", fields[2] == "usual"});
    }
    return compendium;
}

std::optional<Compendium> ReadCompendium(const std::filesystem::path& root, std::string& error) {
    const std::filesystem::path folder = root / kCompendiumFolder;
    std::error_code noFolder;
    if (!std::filesystem::is_directory(folder, noFolder)) {
        return Compendium{};
    }
    std::string materials;
    std::string names;
    if (!data::ReadWholeFile(folder / kCompendiumMaterialsFile, materials) ||
        !data::ReadWholeFile(folder / kCompendiumNamesFile, names)) {
        error = "the compendium in " + folder.generic_string() + " cannot be read";
        return std::nullopt;
    }
    return ParseCompendium(materials, names, error);
}

} // namespace material
