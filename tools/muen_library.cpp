#include "muen_library.h"

#include "attenuation/EnergyAbsorption.h"
#include "attenuation/TextLines.h"
#include "data/MaterialFile.h"
#include "element_library.h"

#include <cstdio>
#include <utility>
#include <vector>

namespace muen {

namespace {

constexpr std::string_view kHeader = "energy_MeV,mu_rho_cm2_g,mu_en_rho_cm2_g";

} // namespace

std::string FormatAbsorptionFile(std::string_view csvText, int atomicNumber,
                                 std::string_view elementName, std::string& error) {
    const std::vector<std::string_view> lines = attenuation::SplitLines(csvText);
    std::vector<std::string> out{std::string(elementName), std::to_string(atomicNumber), ""};
    bool headerSeen = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        const std::string where = "line " + std::to_string(i + 1) + ": ";
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (!headerSeen) {
            if (line != kHeader) {
                error = where + "the header is not " + std::string(kHeader);
                return {};
            }
            headerSeen = true;
            continue;
        }
        std::string row;
        std::size_t start = 0;
        int fields = 0;
        for (std::size_t end = 0; end <= line.size(); ++end) {
            if (end < line.size() && line[end] != ',') {
                continue;
            }
            std::string field(line.substr(start, end - start));
            if (!attenuation::ReadNumberField(field)) {
                error = where + "\"" + field + "\" is not a number";
                return {};
            }
            for (char& c : field) {
                c = c == 'e' ? 'E' : c;
            }
            row += (fields++ == 0 ? "" : " ") + field;
            start = end + 1;
        }
        if (fields != 3) {
            error = where + "not three fields";
            return {};
        }
        out.push_back(row);
    }
    out[2] = std::to_string(out.size() - 3);
    const std::string text = data::JoinLines(out);
    // What is written must read back: positive values, energies that never fall.
    std::string problem;
    if (!attenuation::ParseAbsorptionTable(text, problem)) {
        error = "the converted table is refused: " + problem;
        return {};
    }
    return text;
}

ImportResult ImportAbsorptionLibrary(const std::filesystem::path& dataDir,
                                     const std::filesystem::path& outDir) {
    ImportResult result;
    std::string csv;
    if (!data::ReadWholeFile(dataDir / "elements.csv", csv)) {
        result.error = (dataDir / "elements.csv").string() + ": cannot be read";
        return result;
    }
    const xcom::FactsResult facts = xcom::ReadElementFacts(csv);
    if (!facts.ok()) {
        result.error = facts.error;
        return result;
    }
    std::vector<std::pair<std::string, std::string>> files; // name, text
    for (int z = 1; z <= attenuation::kAbsorptionHighestZ; ++z) {
        const xcom::ElementFacts& element = facts.elements[static_cast<std::size_t>(z - 1)];
        char name[16];
        std::snprintf(name, sizeof name, "z%03d.csv", z);
        const std::filesystem::path source = dataDir / "muen" / name;
        std::string text;
        std::string error;
        if (!data::ReadWholeFile(source, text)) {
            result.error = source.string() + ": cannot be read";
            return result;
        }
        std::string formatted = FormatAbsorptionFile(text, z, element.name, error);
        if (formatted.empty()) {
            result.error = source.string() + ": " + error;
            return result;
        }
        files.emplace_back(attenuation::AbsorptionFileName(z, element.symbol),
                           std::move(formatted));
    }
    std::error_code ec;
    std::filesystem::create_directories(outDir, ec);
    if (ec) {
        result.error = outDir.string() + ": " + ec.message();
        return result;
    }
    for (const auto& [name, text] : files) {
        const data::WriteResult written = data::WriteFileReplacing(outDir / name, text);
        if (!written.ok) {
            result.error = (outDir / name).string() + ": " + written.reason;
            return result;
        }
        ++result.filesWritten;
    }
    return result;
}

} // namespace muen
