#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace material::importing {

/// The library's compendium files from the compendium's tables: `materials` (compendium/
/// materials.csv) gets one row per material, name, density, "Z:fraction" items joined by ';'
/// with the fractions' texts as given, and the remark of a doubtful or changed entry; `names`
/// (compendium/names.csv) one row per alias (kind alias) and per material a common name may
/// mean (kind usual or one of). '#' lines with the credit come first; lines end with LF. False
/// with `error` naming the source file and line when an input does not fit: the rows of a
/// material apart or with two densities, an unknown element symbol, a name of no material, or
/// a result that would not read back.
bool FormatCompendium(std::string_view materialsCsv, std::string_view aliasesCsv,
                      std::string_view groupsCsv, std::string& materials, std::string& names,
                      std::string& error);

/// Reads `dataDir`/compendium/{materials,aliases,groups}.csv and writes compendium/materials.csv
/// and compendium/names.csv into `libraryDir`: both are made and checked, then written aside,
/// before either replaces its old version. Empty on success, else why not.
std::string ImportCompendium(const std::filesystem::path& dataDir,
                             const std::filesystem::path& libraryDir);

} // namespace material::importing
