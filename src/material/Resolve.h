#pragma once

#include "data/MaterialTable.h"
#include "material/Composition.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace material {

/// The prefixes of material expressions.
inline constexpr std::string_view kFormulaPrefix = "formula:";
inline constexpr std::string_view kMixPrefix = "mix:";
/// Names a material of the compendium alone ("compendium:Water, Liquid", "compendium:NaI"), where
/// a data file, an element, a library material or a formula would otherwise answer.
inline constexpr std::string_view kCompendiumPrefix = "compendium:";

/// A material named by a typed argument, loaded and ready for the look-ups.
struct ResolvedMaterial {
    std::string name;                     ///< line 1 of a data file, or the expression's text
    std::optional<double> densityGPerCm3; ///< a data file's density; unknown for an expression
    std::string dataPath;      ///< "ele/082_Pb.ele", "mix/X.mix2"; empty for an expression
    data::MaterialTable table; ///< loaded as GO loads a file (extremes reset first)
    Composition composition;   ///< by weight; `known` false for library materials
    /// Which material a name was taken for where the text could also be read otherwise (an
    /// alias that reads as a formula, a name matched by its words, a formula with a library
    /// material's composition); empty where the text names it plainly.
    std::string note;
};

/// Turns an argument into a material: "formula:TEXT", "mix:PART=WEIGHT,...", "compendium:NAME",
/// or else the first of these that answers to it: a data file path or name, an element symbol or
/// a library material name (as ResolveDataPath); the one library material whose name holds every
/// word of the text ("lead glass"); a compendium material by its name, alias or common name; a
/// chemical formula ("H2O", which takes the density of a library material of the same
/// composition); the one compendium material whose name holds every word. A name that several
/// materials answer to is refused with their names. An expression is built as
/// the builders build (Bragg additivity on their merged grid from the element files of
/// `root/ele`), formatted as the writer writes it and loaded from that text. False, with one
/// sentence in `error` naming the offending place, when the argument names no usable material;
/// `material` is then untouched, and `failure`, when given, says which kind of fault it was.
enum class ResolveFailure {
    NotFound, ///< a name that no data file answers to, or a data file that is not there
    Invalid,  ///< a damaged or unreadable file, a name of several files, a bad expression
};
bool ResolveMaterial(const std::filesystem::path& root, std::string_view argument,
                     ResolvedMaterial& material, std::string& error,
                     ResolveFailure* failure = nullptr);

/// The composition of a formula with the weight fractions the compound builder computes from the
/// atomic weights of `root/ele`. False with `error` (naming the character) when it cannot be read.
bool FormulaComposition(const std::filesystem::path& root, std::string_view formula,
                        Composition& composition, std::string& error);

/// The composition of a library material file ("mix/Water_Liquid.mix2"), where the library keeps
/// one; empty when it is not known. The one place where library compositions are looked up.
std::optional<Composition> LibraryComposition(const std::filesystem::path& root,
                                              std::string_view dataPath);

} // namespace material
