#include "material/DataPaths.h"

#include "platform/FileListing.h"

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

std::string quoted(std::string_view text) {
    std::string result(1, '\'');
    result += text;
    result += '\'';
    return result;
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
        return "mix/" + std::string(argument);
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
        error = quoted(argument) + " is neither a data file nor an element symbol in " +
                (root / "ele").generic_string();
        if (nothingFound != nullptr) {
            *nothingFound = true;
        }
    } else {
        error = quoted(argument) + " names more than one data file (" + found[0] + ", " + found[1] +
                "): give the path";
    }
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
