#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace material {

/// The compendium's folder in a library folder, beside ele/ and mix/, and its two files.
inline constexpr std::string_view kCompendiumFolder = "compendium";
inline constexpr std::string_view kCompendiumMaterialsFile = "materials.csv";
inline constexpr std::string_view kCompendiumNamesFile = "names.csv";

/// The header lines of those files (after their '#' lines).
inline constexpr std::string_view kCompendiumMaterialsHeader =
    "name,density_g_cm3,composition,remark";
inline constexpr std::string_view kCompendiumNamesHeader = "name,material,kind";

/// One material of the compendium: its name, density and elemental weight fractions.
struct CompendiumMaterial {
    std::string name;
    double densityGPerCm3 = 0.0;
    std::vector<std::pair<int, double>> fractions; ///< (Z, weight fraction), as listed
    std::string remark; ///< why the entry is doubtful or was changed; empty for most
};

/// A short name of one material ("Kapton"), or one of the materials a common name may mean
/// ("soil"): a name listed with several materials means each of them and chooses none.
struct CompendiumName {
    std::string name;
    std::size_t material = 0; ///< index into the materials
    bool group = false;       ///< one of the materials a common name may mean
    bool usual = false;       ///< the usual meaning of a name of several materials
};

struct Compendium {
    std::vector<CompendiumMaterial> materials;
    std::vector<CompendiumName> names;
};

/// A field as it is written in a comma-separated file: in quotes (with "" for a quote) when it
/// holds a comma or a quote.
std::string CsvField(std::string_view field);

/// Reads the two files' texts as the importer writes them; empty with `error` naming the file
/// and line when a line does not fit (a density not above 0, a Z outside 1..100, fractions that
/// do not sum to 1 within 1e-5, a name given twice or naming no material).
std::optional<Compendium> ParseCompendium(std::string_view materialsText,
                                          std::string_view namesText, std::string& error);

/// The compendium of a library folder: an empty one where the folder has none; empty with
/// `error` when its files are there but cannot be read.
std::optional<Compendium> ReadCompendium(const std::filesystem::path& root, std::string& error);

} // namespace material
