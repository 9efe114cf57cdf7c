#pragma once

#include "attenuation/Compositions.h"
#include "material/Compendium.h"

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace material {

/// What a name of the catalogue names.
enum class NameKind {
    Symbol,         ///< an element's symbol ("Pb")
    ElementName,    ///< an element's name, line 1 of its file ("Lead")
    FileStem,       ///< a library material's file name without extension ("Water_Liquid")
    MaterialName,   ///< a library material's name, line 1 of its file ("Water, Liquid")
    CompendiumName, ///< a compendium material's own name
    Alias,          ///< a compendium alias ("Kapton")
    Group,          ///< a common name of several compendium materials ("soil")
};

/// One name people may type, as the catalogue keeps it.
struct CatalogueName {
    std::string key;   ///< folded, as names are compared
    std::string shown; ///< as a message shows it
    NameKind kind = NameKind::Symbol;
    std::string path;         ///< the data file ("ele/082_Pb.ele"); empty for the compendium
    std::size_t material = 0; ///< the compendium material of a compendium name, alias or group
    bool usual = false;       ///< the usual meaning among a group's materials
    std::vector<std::string> words; ///< folded words of the name ("lead", "glass")
    std::string loose;              ///< letters and digits alone, in lower case
    double density = 0.0;           ///< g/cm3 of a data file or compendium material
    std::string text;               ///< the name as written
};

/// Every name of a library folder: element files by symbol and name, library materials by file
/// name and name, the compendium's materials, aliases and common names; read by resolution,
/// completion and the closest-name suggestions alike.
struct Catalogue {
    std::filesystem::path root;
    std::vector<std::string> elementFiles;  ///< "082_Pb.ele", sorted
    std::vector<std::string> materialFiles; ///< "Water_Liquid.mix2", by extension then name
    std::vector<CatalogueName> names;       ///< files first, then the compendium
    Compendium compendium;
    std::string compendiumError; ///< why the folder's compendium could not be read
    std::map<std::string, attenuation::Composition> compositions; ///< by data path

    /// The names whose key is the folded `typed`.
    std::vector<const CatalogueName*> Exactly(std::string_view typed) const;

    /// Up to three names closest to `typed`, joined for a message ("A, B or C"); names (or a
    /// word of a name) that begin with it first, then names that hold it, then those a few
    /// letters away; library files before the compendium. Empty when none is near.
    std::string Closest(std::string_view typed) const;
};

/// A name as compared: ASCII letters in lower case, blanks, tabs and underscores left out, so
/// that "Water, Liquid", "water,liquid" and "WATER , LIQUID" are one name.
std::string FoldedName(std::string_view text);

/// The folded words of a name, split at blanks, underscores, commas, colons, semicolons and
/// brackets ("Glass, Lead" and "Glass_Lead" give glass and lead; "Air-equivalent" is one word).
std::vector<std::string> NameWords(std::string_view text);

/// A name's letters and digits alone, in lower case: "Steel, Stainless 304" and
/// "Steel_Stainless_304" give steelstainless304.
std::string LooseName(std::string_view text);

/// One material as a chooser lists it: an element, a library material or a compendium material.
struct MaterialChoice {
    std::string name;  ///< its name ("Water, Liquid", "Kapton Polyimide Film")
    std::string typed; ///< what to type for it, one word ("Water_Liquid", "Kapton", "Pb")
    double density = 0.0;
    bool compendium = false;
    std::string aliases;            ///< the compendium's other names for it, joined by ", "
    std::vector<std::string> words; ///< of the name, the file name and the aliases
    std::string path; ///< the data file ("mix/Water_Liquid.mix2"); empty for the compendium
};

/// What to type for a compendium material as one word: its name with blanks and punctuation as
/// underscores ("Steel_Stainless_304"), after "compendium:" where a data file, an element or a
/// library material would answer to it first ("compendium:Water_Liquid").
std::string TypedCompendiumName(const Catalogue& catalogue, std::size_t material);

/// Every library material and compendium material of a catalogue, library first; with
/// `elements`, the elements before them (typed by symbol).
std::vector<MaterialChoice> MaterialChoices(const Catalogue& catalogue, bool elements = false);

/// True when every word of `search` begins a word of the choice (`anywhere`: lies anywhere in
/// one, as a browser completes), or `search` is empty.
bool ChoiceMatches(const MaterialChoice& choice, std::string_view search, bool anywhere = false);

/// The catalogue of a library folder, built on first use and kept until a file is added to or
/// removed from its ele/, mix/ or compendium/ folder or its compositions file changes.
std::shared_ptr<const Catalogue> CatalogueOf(const std::filesystem::path& root);

/// Drops every kept catalogue, for a file system whose times are too coarse to tell a change
/// (the page's in-memory folders count milliseconds).
void ForgetCatalogues();

} // namespace material
