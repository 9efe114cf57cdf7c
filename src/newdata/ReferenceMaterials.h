#pragma once

#include "newdata/Builder.h"
#include "newdata/MaterialWriter.h"

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace newdata {

/// One material of the reference list: its name (line 1 of the file), density, category and
/// composition by weight.
struct ReferenceMaterial {
    std::string key;
    std::string name;
    double densityGPerCm3 = 0.0;
    Category category = Category::Others;
    std::vector<std::pair<int, double>> composition; ///< atomic number Z, weight
};

/// Reads the reference list: a header line, then `key,name,density,category,composition` rows
/// (standard CSV quoting; category human, phantom or other; composition "Z:weight;Z:weight").
/// False with `error` naming the line when a row does not fit that layout.
bool ParseReferenceMaterials(std::string_view csvText, std::vector<ReferenceMaterial>& materials,
                             std::string& error);

/// A file name a user recognises, from a material name: parenthesised parts dropped unless
/// `keepParentheses`, letters, digits and '-' kept, every other run of characters one '_'
/// ("Water, Liquid" gives Water_Liquid).
std::string ReferenceFileName(std::string_view materialName, bool keepParentheses = false);

/// Element files of `eleFolder` by atomic number, read from the first three digits of each
/// "*.ele" name (082_Pb.ele is Z 82), in sorted name order.
std::map<int, std::string> ListElementFiles(const std::filesystem::path& eleFolder);

/// What became of one reference material.
struct GeneratedMaterial {
    std::string name;
    std::string relativePath; ///< "mix/Water_Liquid.mix2"
    int gridSize = 0;         ///< energies in the written table
    std::string problem;      ///< empty on success
};

/// Builds every material of `csvFile` as a mixture by weight from `elementRoot/ele` and writes it
/// into `outputRoot/mix` (which must exist). False with `error` when the list cannot be read;
/// otherwise each material reports its own outcome.
bool GenerateReferenceMaterials(const std::filesystem::path& csvFile,
                                const std::filesystem::path& elementRoot,
                                const std::filesystem::path& outputRoot,
                                std::vector<GeneratedMaterial>& generated, std::string& error);

} // namespace newdata
