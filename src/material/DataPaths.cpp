#include "material/DataPaths.h"

#include "attenuation/TextLines.h"
#include "data/MaterialFile.h"
#include "material/Formula.h"
#include "platform/FileListing.h"

#include <algorithm>
#include <array>
#include <vector>

namespace material {

namespace {

constexpr std::array<std::string_view, 3> kMaterialPatterns = {"*.mix1", "*.mix2", "*.mix3"};

bool endsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

bool isMaterialFileName(std::string_view name) {
    return endsWith(name, ".mix1") || endsWith(name, ".mix2") || endsWith(name, ".mix3");
}

// Element files are named by atomic number and symbol ("082_Pb.ele"): the symbol is the part
// between the first underscore and the extension.
std::string symbolOf(std::string_view fileName) {
    std::string_view stem = fileName.substr(0, fileName.size() - 4);
    const std::size_t underscore = stem.find('_');
    return std::string(underscore == std::string_view::npos ? stem : stem.substr(underscore + 1));
}

std::vector<std::string> elementFilesFor(const std::filesystem::path& root,
                                         std::string_view symbol) {
    std::vector<std::string> found;
    for (const std::string& name : platform::ListFiles(root / "ele", "*.ele")) {
        if (symbolOf(name) == symbol) {
            found.push_back(name);
        }
    }
    return found;
}

// A typed name in a message: short, with bytes that are not text escaped.
std::string quoted(std::string_view text) { return attenuation::QuotedExcerpt(text); }

// A name as compared: ASCII letters in lower case, blanks, tabs and underscores left out, so that
// "Water, Liquid", "water,liquid" and "WATER , LIQUID" are one name.
std::string folded(std::string_view text) {
    std::string result;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '_') {
            continue;
        }
        result += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return result;
}

/// One way of naming a data file: its folded key, the text a message shows for it, and whether
/// it is an element's symbol.
struct Name {
    std::string key;
    std::string shown;
    std::string path;
    bool symbol = false;
};

// Every name of the root's data files: an element by symbol and by name (line 1 of its file), a
// material by file name without extension and by name.
std::vector<Name> allNames(const std::filesystem::path& root) {
    std::vector<Name> names;
    const auto lineOne = [&](const std::string& path) {
        data::DataFileHeader header;
        return data::ReadDataFileHeader(root / path, header).ok() ? header.name : std::string();
    };
    for (const std::string& file : platform::ListFiles(root / "ele", "*.ele")) {
        const std::string path = "ele/" + file;
        const std::string symbol = symbolOf(file);
        names.push_back({folded(symbol), symbol, path, true});
        if (const std::string name = lineOne(path); !folded(name).empty()) {
            names.push_back({folded(name), name, path, false});
        }
    }
    for (const std::string_view pattern : kMaterialPatterns) {
        for (const std::string& file : platform::ListFiles(root / "mix", pattern)) {
            const std::string path = "mix/" + file;
            const std::string stem = file.substr(0, file.size() - 5);
            names.push_back({folded(stem), stem, path, false});
            if (const std::string name = lineOne(path); !folded(name).empty()) {
                names.push_back({folded(name), stem, path, false});
            }
        }
    }
    return names;
}

std::size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        row[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// Up to three names closest to a folded text: names that begin with it first, then names that
// hold it, then those a few letters away; "" when none is near.
std::string closest(const std::vector<Name>& names, const std::string& key) {
    struct Near {
        std::size_t score;
        std::size_t lengthGap;
        const Name* name;
    };
    std::vector<Near> near;
    for (const Name& name : names) {
        if (key.empty()) {
            break;
        }
        std::size_t score = 0;
        if (name.key.starts_with(key)) {
            score = 1;
        } else if (key.size() >= 3 && name.key.find(key) != std::string::npos) {
            score = 2;
        } else if (const std::size_t d = editDistance(key, name.key);
                   d <= std::max<std::size_t>(1, key.size() / 3)) {
            score = 2 + d;
        } else {
            continue;
        }
        const std::size_t gap = name.key.size() > key.size() ? name.key.size() - key.size()
                                                             : key.size() - name.key.size();
        near.push_back({score, gap, &name});
    }
    std::sort(near.begin(), near.end(), [](const Near& a, const Near& b) {
        return a.score != b.score ? a.score < b.score
                                  : (a.lengthGap != b.lengthGap ? a.lengthGap < b.lengthGap
                                                                : a.name->shown < b.name->shown);
    });
    std::vector<std::string> shown;
    for (const Near& n : near) {
        if (n.score != near.front().score || shown.size() == 3) {
            break;
        }
        if (std::find(shown.begin(), shown.end(), n.name->shown) == shown.end()) {
            shown.push_back(n.name->shown);
        }
    }
    std::string text;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == shown.size() ? " or " : ", ") + shown[i];
    }
    return text;
}

// A data file named as people type it: an element's name or symbol, a material's file name or
// name, case and blanks aside. Empty with `error` when none or several answer to it.
std::optional<std::string> byName(const std::filesystem::path& root, std::string_view argument,
                                  std::string& error, bool* nothingFound) {
    const std::vector<Name> names = allNames(root);
    const std::string key = folded(argument);
    std::vector<const Name*> matched;
    for (const Name& name : names) {
        const bool seen = std::any_of(matched.begin(), matched.end(),
                                      [&](const Name* m) { return m->path == name.path; });
        if (!key.empty() && name.key == key && !seen) {
            matched.push_back(&name);
        }
    }
    if (matched.size() == 1 && matched.front()->symbol) {
        // "PB" is lead in another case, but also phosphorus and boron.
        const FormulaResult formula = ParseFormula(argument);
        const bool oneElement =
            formula.ok() && formula.elements.size() == 1 && formula.elements.front().atoms == 1.0;
        if (formula.ok() && !oneElement) {
            error = quoted(argument) + " reads both as the element " + matched.front()->shown +
                    " and as a formula: write " + matched.front()->shown +
                    " or formula:" + std::string(argument);
            return std::nullopt;
        }
    }
    if (matched.size() == 1) {
        return matched.front()->path;
    }
    if (matched.size() > 1) {
        error = quoted(argument) + " names more than one data file (" + matched[0]->path + ", " +
                matched[1]->path + "): give the path";
        return std::nullopt;
    }
    if (nothingFound != nullptr) {
        *nothingFound = true;
    }
    const std::string near = closest(names, key);
    error = quoted(argument) + " names no data file, element or material in " +
            root.generic_string() + (near.empty() ? "" : "; did you mean " + near + "?");
    return std::nullopt;
}

} // namespace

std::optional<std::string> ResolveDataPath(const std::filesystem::path& root,
                                           std::string_view argument, std::string& error,
                                           bool* nothingFound) {
    if (nothingFound != nullptr) {
        *nothingFound = argument.empty(); // as Python's open("") finds no file
    }
    if (argument.empty()) {
        error = "an empty text names no data file";
        return std::nullopt;
    }
    if (argument.find('/') != std::string_view::npos) {
        return std::string(argument);
    }
    if (endsWith(argument, ".ele")) {
        return "ele/" + std::string(argument);
    }
    if (isMaterialFileName(argument)) {
        // As the material list shows it, in another case ("water_liquid.mix2") where the file
        // itself is not there.
        const std::string path = "mix/" + std::string(argument);
        std::error_code noFile;
        std::string ignored;
        if (std::filesystem::exists(root / path, noFile)) {
            return path;
        }
        return byName(root, argument.substr(0, argument.size() - 5), ignored, nullptr)
            .value_or(path);
    }
    std::vector<std::string> found;
    for (const std::string& name : elementFilesFor(root, argument)) {
        found.push_back("ele/" + name);
    }
    if (found.empty()) {
        for (const std::string_view pattern : kMaterialPatterns) {
            const std::string name = std::string(argument) + std::string(pattern.substr(1));
            for (const std::string& listed : platform::ListFiles(root / "mix", pattern)) {
                if (listed == name) {
                    found.push_back("mix/" + listed);
                }
            }
        }
    }
    if (found.size() == 1) {
        return found.front();
    }
    if (found.empty()) {
        return byName(root, argument, error, nothingFound);
    }
    error = quoted(argument) + " names more than one data file (" + found[0] + ", " + found[1] +
            "): give the path";
    return std::nullopt;
}

std::optional<std::string> ResolveElementFile(const std::filesystem::path& root,
                                              std::string_view argument, std::string& error) {
    std::string_view name = argument;
    if (name.substr(0, 4) == "ele/") {
        name.remove_prefix(4);
    }
    if (name.empty() || name.find('/') != std::string_view::npos) {
        error = quoted(argument) + " is not an element: give its symbol or a file in ele/";
        return std::nullopt;
    }
    if (endsWith(name, ".ele")) {
        return std::string(name);
    }
    const std::vector<std::string> found = elementFilesFor(root, name);
    if (found.size() == 1) {
        return found.front();
    }
    if (found.empty()) {
        error = "no element file for the symbol " + quoted(name) + " in " +
                (root / "ele").generic_string();
    } else {
        error = "the symbol " + quoted(name) + " names more than one element file (" + found[0] +
                ", " + found[1] + ")";
    }
    return std::nullopt;
}

} // namespace material
