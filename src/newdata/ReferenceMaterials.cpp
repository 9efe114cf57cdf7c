#include "newdata/ReferenceMaterials.h"
#include "data/CsvText.h"

#include "data/MaterialFile.h"
#include "data/NumberMask.h"
#include "data/NumericText.h"

#include <algorithm>
#include <cmath>

namespace newdata {

namespace {

constexpr std::string_view kHeader = "key,name,density_g_cm3,category,composition";

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isNameChar(char c) {
    return isDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-';
}

/// A number field of the list: it must begin with digits (after an optional sign or point) and
/// be finite.
bool parseNumber(std::string_view text, double& value) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
    }
    if (i >= text.size() || !isDigit(text[i])) {
        return false;
    }
    value = data::NumericValue(text);
    return std::isfinite(value);
}

bool parseCategory(std::string_view text, Category& category) {
    if (text == "human") {
        category = Category::HumanTissues;
    } else if (text == "phantom") {
        category = Category::PhantomSubstances;
    } else if (text == "other") {
        category = Category::Others;
    } else {
        return false;
    }
    return true;
}

bool parseComposition(std::string_view text, std::vector<std::pair<int, double>>& composition) {
    composition.clear();
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(';'), text.size());
        const std::string_view part = text.substr(0, end);
        text = end < text.size() ? text.substr(end + 1) : std::string_view{};
        const std::size_t colon = part.find(':');
        if (colon == 0 || colon == std::string_view::npos || colon > 3) {
            return false;
        }
        int z = 0;
        for (std::size_t i = 0; i < colon; ++i) {
            if (!isDigit(part[i])) {
                return false;
            }
            z = z * 10 + (part[i] - '0');
        }
        double weight = 0.0;
        if (z < 1 || !parseNumber(part.substr(colon + 1), weight)) {
            return false;
        }
        composition.emplace_back(z, weight);
    }
    return !composition.empty();
}

std::string lineError(std::size_t line, std::string_view what) {
    return "line " + data::FormatCount(static_cast<double>(line)) + ": " + std::string(what);
}

} // namespace

bool ParseReferenceMaterials(std::string_view csvText, std::vector<ReferenceMaterial>& materials,
                             std::string& error) {
    materials.clear();
    std::vector<std::string> fields;
    std::size_t lineNumber = 0;
    while (!csvText.empty()) {
        const std::size_t end = std::min(csvText.find('\n'), csvText.size());
        std::string_view line = csvText.substr(0, end);
        csvText = end < csvText.size() ? csvText.substr(end + 1) : std::string_view{};
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (lineNumber == 1) {
            if (line != kHeader) {
                error = lineError(lineNumber, "the header is not " + std::string(kHeader));
                return false;
            }
            continue;
        }
        if (line.empty()) {
            continue;
        }
        if (!data::SplitCsvLine(line, fields) || fields.size() != 5) {
            error = lineError(lineNumber, "expected five comma-separated fields");
            return false;
        }
        ReferenceMaterial material;
        material.key = fields[0];
        material.name = fields[1];
        if (material.name.empty()) {
            error = lineError(lineNumber, "the name is empty");
            return false;
        }
        if (!parseNumber(fields[2], material.densityGPerCm3) || material.densityGPerCm3 <= 0.0) {
            error = lineError(lineNumber, "the density is not a positive number");
            return false;
        }
        if (!parseCategory(fields[3], material.category)) {
            error = lineError(lineNumber, "the category is not human, phantom or other");
            return false;
        }
        if (!parseComposition(fields[4], material.composition)) {
            error = lineError(lineNumber, "the composition is not a list of Z:weight pairs");
            return false;
        }
        materials.push_back(std::move(material));
    }
    if (materials.empty()) {
        error = "the list holds no material";
        return false;
    }
    return true;
}

std::string ReferenceFileName(std::string_view materialName, bool keepParentheses) {
    std::string name;
    bool pendingSeparator = false;
    int depth = 0;
    for (const char c : materialName) {
        if (!keepParentheses && c == '(') {
            ++depth;
        }
        const bool inside = depth > 0;
        if (!keepParentheses && c == ')' && depth > 0) {
            --depth;
        }
        if (inside) {
            pendingSeparator = true;
            continue;
        }
        if (!isNameChar(c) || (name.empty() && c == '-')) {
            pendingSeparator = true;
            continue;
        }
        if (pendingSeparator && !name.empty()) {
            name += '_';
        }
        pendingSeparator = false;
        name += c;
    }
    return name;
}

std::map<int, std::string> ListElementFiles(const std::filesystem::path& eleFolder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(eleFolder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (it->path().extension() == ".ele" && name.size() > 3 && isDigit(name[0]) &&
            isDigit(name[1]) && isDigit(name[2])) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    std::map<int, std::string> files;
    for (const std::string& name : names) {
        const int z = (name[0] - '0') * 100 + (name[1] - '0') * 10 + (name[2] - '0');
        files.emplace(z, name); // the first name in sorted order wins a repeated Z
    }
    return files;
}

bool GenerateReferenceMaterials(const std::filesystem::path& csvFile,
                                const std::filesystem::path& elementRoot,
                                const std::filesystem::path& outputRoot,
                                std::vector<GeneratedMaterial>& generated, std::string& error) {
    generated.clear();
    std::string text;
    if (!data::ReadWholeFile(csvFile, text)) {
        error = csvFile.string() + ": cannot be read";
        return false;
    }
    std::vector<ReferenceMaterial> materials;
    if (!ParseReferenceMaterials(text, materials, error)) {
        error = csvFile.string() + ", " + error;
        return false;
    }
    const std::map<int, std::string> elementFiles = ListElementFiles(elementRoot / "ele");

    // Names that only differ inside parentheses keep them, so that no file replaces another.
    std::vector<std::string> bases;
    for (const ReferenceMaterial& material : materials) {
        bases.push_back(ReferenceFileName(material.name));
    }
    std::vector<std::string> fileNames;
    for (std::size_t i = 0; i < materials.size(); ++i) {
        const bool shared = std::count(bases.begin(), bases.end(), bases[i]) > 1;
        fileNames.push_back(shared ? ReferenceFileName(materials[i].name, true) : bases[i]);
    }

    for (std::size_t m = 0; m < materials.size(); ++m) {
        const ReferenceMaterial& material = materials[m];
        GeneratedMaterial outcome;
        outcome.name = material.name;
        const std::string& fileName = fileNames[m];
        outcome.relativePath =
            "mix/" + fileName + std::string(CategoryExtension(material.category));
        generated.push_back(outcome);
        GeneratedMaterial& result = generated.back();

        if (fileName.empty() || std::count(fileNames.begin(), fileNames.end(), fileName) > 1) {
            result.problem = "no file name of its own can be made from the name";
            continue;
        }
        if (material.composition.size() > static_cast<std::size_t>(kMaxSlots)) {
            result.problem = "more elements than a mixture holds";
            continue;
        }
        BuilderState state;
        state.ElementCount = static_cast<double>(material.composition.size());
        for (std::size_t k = 0; k < material.composition.size(); ++k) {
            const auto [z, weight] = material.composition[k];
            const auto file = elementFiles.find(z);
            if (file == elementFiles.end()) {
                result.problem = "no element file for Z = " + data::FormatCount(z);
                break;
            }
            state.SlotFile[k + 1] = file->second;
            state.SlotAmount[k + 1] = weight;
        }
        if (!result.problem.empty()) {
            continue;
        }
        BuildResult built = BuildMaterial(state, elementRoot, BuilderKind::Mixture);
        if (built.ok()) {
            built = WriteMaterialFile(outputRoot, material.name, material.densityGPerCm3,
                                      material.category, fileName, state);
        }
        if (!built.ok()) {
            result.problem = DescribeBuildError(built);
            continue;
        }
        result.gridSize = state.GridSize();
    }
    return true;
}

} // namespace newdata
