#include "material/DataPaths.h"

#include "attenuation/TextLines.h"
#include "data/MaterialFile.h"
#include "material/Catalogue.h"
#include "material/Formula.h"

#include <algorithm>
#include <array>
#include <vector>

namespace material {

namespace {

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

std::vector<std::string> elementFilesFor(const Catalogue& catalogue, std::string_view symbol) {
    std::vector<std::string> found;
    for (const std::string& name : catalogue.elementFiles) {
        if (symbolOf(name) == symbol) {
            found.push_back(name);
        }
    }
    return found;
}

// A typed name in a message: short, with bytes that are not text escaped.
std::string quoted(std::string_view text) { return attenuation::QuotedExcerpt(text); }

bool namesDataFile(const CatalogueName& name) { return !name.path.empty(); }

// A data file named as people type it: an element's name or symbol, a material's file name or
// name, case and blanks aside. Empty with `error` when none or several answer to it.
std::optional<std::string> byName(const Catalogue& catalogue, std::string_view argument,
                                  std::string& error, bool* nothingFound) {
    std::vector<const CatalogueName*> matched;
    for (const CatalogueName* name : catalogue.Exactly(argument)) {
        const bool seen = std::any_of(matched.begin(), matched.end(), [&](const CatalogueName* m) {
            return m->path == name->path;
        });
        if (namesDataFile(*name) && !seen) {
            matched.push_back(name);
        }
    }
    if (matched.size() == 1 && matched.front()->kind == NameKind::Symbol) {
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
    const std::string near = catalogue.Closest(argument);
    error = quoted(argument) + " names no data file, element or material in " +
            catalogue.root.generic_string() + (near.empty() ? "" : "; did you mean " + near + "?");
    return std::nullopt;
}

} // namespace

std::optional<std::string> ResolveDataPath(const std::filesystem::path& root,
                                           std::string_view argument, std::string& error,
                                           bool* nothingFound) {
    return ResolveDataPath(*CatalogueOf(root), argument, error, nothingFound);
}

std::optional<std::string> ResolveDataPath(const Catalogue& catalogue, std::string_view argument,
                                           std::string& error, bool* nothingFound) {
    const std::filesystem::path& root = catalogue.root;
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
        return byName(catalogue, argument.substr(0, argument.size() - 5), ignored, nullptr)
            .value_or(path);
    }
    std::vector<std::string> found;
    for (const std::string& name : elementFilesFor(catalogue, argument)) {
        found.push_back("ele/" + name);
    }
    if (found.empty()) {
        for (const std::string& listed : catalogue.materialFiles) {
            if (listed.size() == argument.size() + 5 && listed.starts_with(argument) &&
                isMaterialFileName(listed)) {
                found.push_back("mix/" + listed);
            }
        }
    }
    if (found.size() == 1) {
        return found.front();
    }
    if (found.empty()) {
        return byName(catalogue, argument, error, nothingFound);
    }
    error = quoted(argument) + " names more than one data file (" + found[0] + ", " + found[1] +
            "): give the path";
    return std::nullopt;
}

std::optional<std::string> ResolveElementFile(const std::filesystem::path& root,
                                              std::string_view argument, std::string& error) {
    return ResolveElementFile(*CatalogueOf(root), argument, error);
}

std::optional<std::string> ResolveElementFile(const Catalogue& catalogue, std::string_view argument,
                                              std::string& error) {
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
    const std::vector<std::string> found = elementFilesFor(catalogue, name);
    if (found.size() == 1) {
        return found.front();
    }
    if (found.empty()) {
        error = "no element file for the symbol " + quoted(name) + " in " +
                (catalogue.root / "ele").generic_string();
    } else {
        error = "the symbol " + quoted(name) + " names more than one element file (" + found[0] +
                ", " + found[1] + ")";
    }
    return std::nullopt;
}

} // namespace material
