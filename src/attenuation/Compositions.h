#pragma once

#include "data/MaterialFile.h"
#include "material/Composition.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace attenuation {

/// One element of a material and its share of the material's mass.
struct ElementShare {
    int atomicNumber = 0;
    double weightFraction = 0.0;
};
using Composition = std::vector<ElementShare>;

/// The compositions file of a library folder, beside ele/ and mix/.
inline constexpr std::string_view kCompositionsFile = "compositions.txt";

/// Each element once, in ascending atomic number, weights summed and divided by their sum.
/// Empty when the weights do not sum to a positive finite number or a Z lies outside 1..100.
Composition NormalizedComposition(const Composition& shares);

/// The compositions file's text: one line per material file, its path relative to the library
/// ("mix/Water_Liquid.mix2"), a tab, then "Z:fraction" items joined by ';', lines sorted by
/// path and ended by CR LF; fractions in the shortest text that reads back exactly.
std::string FormatCompositions(const std::map<std::string, Composition>& compositions);

/// Reads that text back; empty with `error` naming the line when a line does not fit.
std::optional<std::map<std::string, Composition>> ParseCompositions(std::string_view text,
                                                                    std::string& error);

/// The composition of a data file given by its path relative to `root`: an element file
/// ("ele/082_Pb.ele") is its element alone; a material file is looked up in the compositions
/// file. Empty with `error` saying why when it is not known.
std::optional<Composition> FindComposition(const std::filesystem::path& root,
                                           std::string_view relativePath, std::string& error);

/// The element shares of a resolved material's composition. Empty, with `error` saying that the
/// composition of `named` is not known, when it is not.
std::optional<Composition> SharesOf(const material::Composition& composition,
                                    std::string_view named, std::string& error);

/// Records (or, with an empty composition, removes) the composition of `relativePath` in the
/// compositions file, replacing the file whole. A compositions file that exists but cannot be
/// read is left as it is and the write fails.
data::WriteResult RecordComposition(const std::filesystem::path& root,
                                    std::string_view relativePath, const Composition& composition);

} // namespace attenuation
