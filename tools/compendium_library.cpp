#include "compendium_library.h"

#include "source_table.h"

#include "attenuation/TextLines.h"
#include "data/MaterialFile.h"
#include "material/Compendium.h"
#include "material/Formula.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace material::importing {

namespace {

using ::importing::Place;
using ::importing::ReadSourceTable;
using Record = ::importing::SourceRecord;

constexpr std::string_view kMaterialsHeader =
    "material_name,density_g_cm3,element_symbol,weight_fraction,source";
constexpr std::string_view kAliasesHeader = "alias,material_name,basis,alias_is_also_a_formula";
constexpr std::string_view kGroupsHeader = "name,material_name,usual";

const std::vector<std::string> kCredit = {
    "# Written by compendium_import from data/compendium; regenerate rather than edit.",
    "# Material compositions and densities of the compendium library: R. S. Detwiler,",
    "# R. J. McConn, T. F. Grimes, S. A. Upton and E. J. Engel, Compendium of Material",
    "# Composition Data for Radiation Transport Modeling, PNNL-15870 Rev. 2, Pacific Northwest",
    "# National Laboratory (2021), doi:10.2172/1782721; machine-readable values from the WASP",
    "# project (copyright 2021 UT-Battelle, LLC) and OpenMC (MIT licence), converted to",
    "# elemental weight fractions; one entry corrected (Fe2B); doubtful entries marked. PNNL,",
    "# Battelle and the U.S. Government make no warranty for these data.",
};

// The remark a source field carries: its last part when that begins with DOUBTFUL or NOTE.
std::string remarkOf(std::string_view source) {
    const std::size_t semicolon = source.rfind(';');
    std::string_view last =
        semicolon == std::string_view::npos ? source : source.substr(semicolon + 1);
    while (!last.empty() && last.front() == ' ') {
        last.remove_prefix(1);
    }
    for (const auto& [word, shown] : {std::pair{std::string_view("DOUBTFUL "), "doubtful: "},
                                      std::pair{std::string_view("NOTE "), "changed: "}}) {
        if (last.starts_with(word)) {
            return shown + std::string(last.substr(word.size()));
        }
    }
    return {};
}

std::string joinWithLf(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
    return text;
}

} // namespace

bool FormatCompendium(std::string_view materialsCsv, std::string_view aliasesCsv,
                      std::string_view groupsCsv, std::string& materials, std::string& names,
                      std::string& error) {
    const auto rows =
        ReadSourceTable(materialsCsv, "compendium/materials.csv", kMaterialsHeader, error);
    const auto aliases =
        rows ? ReadSourceTable(aliasesCsv, "compendium/aliases.csv", kAliasesHeader, error)
             : std::nullopt;
    const auto groups =
        aliases ? ReadSourceTable(groupsCsv, "compendium/groups.csv", kGroupsHeader, error)
                : std::nullopt;
    if (!groups) {
        return false;
    }
    std::vector<std::string> materialLines = kCredit;
    materialLines.insert(
        materialLines.begin(),
        {"# Materials of radiation-transport practice: name, density (g/cm3), "
         "elemental weight",
         "# fractions (Z:fraction), and a remark on a doubtful or changed entry."});
    materialLines.emplace_back(kCompendiumMaterialsHeader);
    std::set<std::string> done;
    for (std::size_t i = 0; i < rows->size();) {
        const Record& first = (*rows)[i];
        const std::string& name = first.fields[0];
        if (!done.insert(name).second) {
            error = Place("compendium/materials.csv", first.line) + "the rows of " + name +
                    " are not together";
            return false;
        }
        std::string composition;
        for (; i < rows->size() && (*rows)[i].fields[0] == name; ++i) {
            const Record& row = (*rows)[i];
            const int z = AtomicNumber(row.fields[2]);
            if (row.fields[1] != first.fields[1] || z == 0 ||
                !attenuation::ReadNumberField(row.fields[3])) {
                error = Place("compendium/materials.csv", row.line) +
                        "a second density, an unknown element or a fraction that is no number";
                return false;
            }
            composition +=
                (composition.empty() ? "" : ";") + std::to_string(z) + ":" + row.fields[3];
        }
        materialLines.push_back(CsvField(name) + "," + first.fields[1] + "," + composition + "," +
                                CsvField(remarkOf(first.fields[4])));
    }

    std::vector<std::string> nameLines = kCredit;
    nameLines.insert(nameLines.begin(),
                     {"# Names people type for the compendium's materials: an alias names one "
                      "material; a",
                      "# common name listed with several (usual or one of) means each of them."});
    nameLines.emplace_back(kCompendiumNamesHeader);
    for (const Record& alias : *aliases) {
        nameLines.push_back(CsvField(alias.fields[0]) + "," + CsvField(alias.fields[1]) + ",alias");
    }
    for (const Record& group : *groups) {
        if (group.fields[2] != "yes" && group.fields[2] != "no") {
            error = Place("compendium/groups.csv", group.line) + "usual is neither yes nor no";
            return false;
        }
        nameLines.push_back(CsvField(group.fields[0]) + "," + CsvField(group.fields[1]) + "," +
                            (group.fields[2] == "yes" ? "usual" : "one of"));
    }
    materials = joinWithLf(materialLines);
    names = joinWithLf(nameLines);
    // What is shipped must read back: fractions that sum to 1, densities above 0, every name
    // naming a material.
    return ParseCompendium(materials, names, error).has_value();
}

std::string ImportCompendium(const std::filesystem::path& dataDir,
                             const std::filesystem::path& libraryDir) {
    const std::filesystem::path source = dataDir / "compendium";
    std::array<std::string, 3> texts;
    const std::array<std::string_view, 3> files = {"materials.csv", "aliases.csv", "groups.csv"};
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!data::ReadWholeFile(source / files[i], texts[i])) {
            return (source / files[i]).string() + ": cannot be read";
        }
    }
    std::string materials;
    std::string names;
    std::string error;
    if (!FormatCompendium(texts[0], texts[1], texts[2], materials, names, error)) {
        return error;
    }
    const std::filesystem::path folder = libraryDir / kCompendiumFolder;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        return folder.string() + ": cannot be created (" + ec.message() + ")";
    }
    // Both files go aside first; only when both are on the disk do they replace the old ones.
    const std::array<std::pair<std::string_view, const std::string*>, 2> outputs = {
        std::pair{kCompendiumMaterialsFile, &materials}, std::pair{kCompendiumNamesFile, &names}};
    const auto aside = [&](std::string_view name) {
        return folder / ("." + std::string(name) + ".new");
    };
    for (const auto& [name, text] : outputs) {
        const data::WriteResult written = data::WriteFileReplacing(aside(name), *text);
        if (!written.ok) {
            for (const auto& [other, ignored] : outputs) {
                std::filesystem::remove(aside(other), ec);
            }
            return aside(name).string() + ": " + written.reason;
        }
    }
    for (const auto& [name, text] : outputs) {
        std::filesystem::rename(aside(name), folder / name, ec);
        if (ec) {
            return (folder / name).string() + ": cannot be replaced (" + ec.message() + ")";
        }
    }
    return {};
}

} // namespace material::importing
