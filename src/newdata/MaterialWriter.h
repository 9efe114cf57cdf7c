#pragma once

#include "newdata/Builder.h"
#include "newdata/BuilderState.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace newdata {

/// Category of a material file; it is the file's extension and nothing inside the file.
enum class Category {
    HumanTissues,      ///< ".mix1"
    PhantomSubstances, ///< ".mix2"
    Others,            ///< ".mix3"
};

/// ".mix1", ".mix2" or ".mix3".
std::string_view CategoryExtension(Category category);

/// The category of a builder's option buttons: the first one when it is selected, else the
/// second, else "Others".
Category CategoryOfOptions(bool option1, bool option2);

/// The text of a material file for the built grid and columns of `state`: the name unchanged,
/// the density through "##.######", N through "###", then N rows of energy and the five
/// coefficients, every line ended by CR LF.
std::string MaterialFileText(std::string_view materialName, double densityGPerCm3,
                             const BuilderState& state);

/// Writes `root/mix/<fileName><extension>` from the last successful build in `state`, replacing
/// a file of that name. A failed write keeps the old file and leaves no partial one. On success
/// `path` of the result is the relative path written, such as "mix/NewData.mix3". A value whose
/// text is not nine characters (negative, or 1E+100 and beyond, or below 1E-99) refuses the save
/// with ValueDoesNotFit, since a reader would misplace the fields after it.
BuildResult WriteMaterialFile(const std::filesystem::path& root, std::string_view materialName,
                              double densityGPerCm3, Category category, std::string_view fileName,
                              const BuilderState& state);

} // namespace newdata
