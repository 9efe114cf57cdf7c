#include "attenuation/Compositions.h"

#include "attenuation/TextLines.h"
#include "data/NumberMask.h"

#include <algorithm>
#include <cmath>

namespace attenuation {

namespace {

inline constexpr int kHighestZ = 100;

/// The atomic number an element file's name starts with ("082_Pb.ele" is 82); 0 for none.
int leadingAtomicNumber(std::string_view fileName) {
    if (fileName.size() < 4 || fileName[3] != '_') {
        return 0;
    }
    int z = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        if (fileName[i] < '0' || fileName[i] > '9') {
            return 0;
        }
        z = z * 10 + (fileName[i] - '0');
    }
    return z;
}

} // namespace

Composition NormalizedComposition(const Composition& shares) {
    std::map<int, double> byZ;
    double sum = 0.0;
    for (const ElementShare& share : shares) {
        if (share.atomicNumber < 1 || share.atomicNumber > kHighestZ) {
            return {};
        }
        byZ[share.atomicNumber] += share.weightFraction;
        sum += share.weightFraction;
    }
    if (!(sum > 0.0) || !std::isfinite(sum)) {
        return {};
    }
    Composition normalized;
    for (const auto& [z, weight] : byZ) {
        normalized.push_back({z, weight / sum});
    }
    return normalized;
}

std::string FormatCompositions(const std::map<std::string, Composition>& compositions) {
    std::vector<std::string> lines;
    for (const auto& [path, composition] : compositions) {
        std::string line = path + "\t";
        for (std::size_t i = 0; i < composition.size(); ++i) {
            line += (i == 0 ? "" : ";") + std::to_string(composition[i].atomicNumber) + ":" +
                    data::FormatExact(composition[i].weightFraction);
        }
        lines.push_back(line);
    }
    return data::JoinLines(lines);
}

std::optional<std::map<std::string, Composition>> ParseCompositions(std::string_view text,
                                                                    std::string& error) {
    std::map<std::string, Composition> compositions;
    const std::vector<std::string_view> lines = SplitLines(text);
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const std::string_view line = lines[n];
        if (line.empty()) {
            continue;
        }
        const auto fail = [&](const std::string& what) {
            error = std::string(kCompositionsFile) + " line " + std::to_string(n + 1) + ": " + what;
            return std::nullopt;
        };
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos || tab == 0) {
            return fail("no path and tab before the composition");
        }
        Composition composition;
        std::string_view items = line.substr(tab + 1);
        while (!items.empty()) {
            const std::size_t end = std::min(items.find(';'), items.size());
            const std::string_view item = items.substr(0, end);
            const std::size_t colon = item.find(':');
            const std::optional<double> z = colon == std::string_view::npos
                                                ? std::nullopt
                                                : ReadNumberField(item.substr(0, colon));
            const std::optional<double> weight = colon == std::string_view::npos
                                                     ? std::nullopt
                                                     : ReadNumberField(item.substr(colon + 1));
            if (!z || !weight || *z < 1 || *z > kHighestZ || *z != std::floor(*z)) {
                return fail("\"" + std::string(item) + "\" is not Z:fraction");
            }
            composition.push_back({static_cast<int>(*z), *weight});
            items.remove_prefix(std::min(end + 1, items.size()));
        }
        if (composition.empty()) {
            return fail("no elements");
        }
        compositions[std::string(line.substr(0, tab))] = composition;
    }
    return compositions;
}

std::optional<Composition> FindComposition(const std::filesystem::path& root,
                                           std::string_view relativePath, std::string& error) {
    const std::string_view fileName = relativePath.substr(relativePath.find_last_of('/') + 1);
    if (relativePath.rfind("ele/", 0) == 0) {
        if (const int z = leadingAtomicNumber(fileName); z >= 1) {
            return Composition{{z, 1.0}};
        }
    }
    std::string text;
    if (!data::ReadWholeFile(root / kCompositionsFile, text)) {
        error = "the composition of " + std::string(relativePath) + " is not known: there is no " +
                std::string(kCompositionsFile);
        return std::nullopt;
    }
    std::string problem;
    const auto compositions = ParseCompositions(text, problem);
    if (!compositions) {
        error = "the composition of " + std::string(relativePath) + " is not known: " + problem;
        return std::nullopt;
    }
    const auto found = compositions->find(std::string(relativePath));
    if (found == compositions->end()) {
        error = "the composition of " + std::string(relativePath) + " is not known (it is not in " +
                std::string(kCompositionsFile) + ")";
        return std::nullopt;
    }
    return found->second;
}

data::WriteResult RecordComposition(const std::filesystem::path& root,
                                    std::string_view relativePath, const Composition& composition) {
    const std::filesystem::path file = root / kCompositionsFile;
    std::map<std::string, Composition> compositions;
    std::error_code ec;
    if (std::filesystem::exists(file, ec)) {
        std::string text;
        std::string problem;
        std::optional<std::map<std::string, Composition>> read;
        if (!data::ReadWholeFile(file, text)) {
            return {false, file.string() + " cannot be read"};
        }
        if (!(read = ParseCompositions(text, problem))) {
            return {false, problem};
        }
        compositions = std::move(*read);
    }
    const std::string key(relativePath);
    if (key.find_first_of("\t\r\n") != std::string::npos) {
        return {false, "a path holding a tab or a line end cannot be recorded"};
    }
    if (composition.empty()) {
        if (compositions.erase(key) == 0) {
            return {};
        }
    } else {
        compositions[key] = composition;
    }
    return data::WriteFileReplacing(file, FormatCompositions(compositions));
}

std::optional<Composition> SharesOf(const material::Composition& composition,
                                    std::string_view named, std::string& error) {
    if (!composition.known || composition.elements.empty()) {
        error = "the composition of " + std::string(named) +
                " is not known, so its energy absorption cannot be computed (build it again, or " +
                "give it as formula: or mix:)";
        return std::nullopt;
    }
    Composition shares;
    for (const material::ElementFraction& element : composition.elements) {
        shares.push_back({element.z, element.weightFraction});
    }
    return shares;
}

} // namespace attenuation
