#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace material {

struct Catalogue;

/// The data path a typed argument names, as the main window's selection holds it: a path with a
/// folder ("ele/082_Pb.ele", "mix/Water_Liquid.mix2") as given; a bare element or material file
/// name put in its folder; an element symbol ("Pb") or a material file name without its
/// extension ("Water_Liquid") looked up in the root; failing those, an element by its name or
/// symbol, or a material by its file name or its name (line 1, "Water, Liquid"), with case,
/// blanks and underscores aside ("lead", "pb", "water liquid"). A symbol in another case that
/// also reads as a formula of other elements ("PB") is refused. Empty, with `error` set, when a
/// text matches no file (the message then names the closest names) or more than one;
/// `nothingFound`, when given, then tells whether nothing (or an empty text) was found.
std::optional<std::string> ResolveDataPath(const std::filesystem::path& root,
                                           std::string_view argument, std::string& error,
                                           bool* nothingFound = nullptr);

/// The element file name (as the builders' element list shows it, "082_Pb.ele") that a typed
/// element names: a symbol, a file name, or a path in "ele/". Empty, with `error` set, when
/// there is no such element.
std::optional<std::string> ResolveElementFile(const std::filesystem::path& root,
                                              std::string_view argument, std::string& error);

/// The same on a library folder's catalogue (CatalogueOf), so that one resolution reads the
/// folder once.
std::optional<std::string> ResolveDataPath(const Catalogue& catalogue, std::string_view argument,
                                           std::string& error, bool* nothingFound = nullptr);
std::optional<std::string> ResolveElementFile(const Catalogue& catalogue, std::string_view argument,
                                              std::string& error);

} // namespace material
