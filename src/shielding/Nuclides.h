#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace shielding {

/// The library file of radionuclide photon lines, relative to the library folder.
inline constexpr std::string_view kNuclidesFile = "shielding/nuclides.csv";

/// One photon line of a source.
struct PhotonLine {
    double energyMeV = 0.0;
    double photonsPerDecay = 0.0;
    std::string kind;    ///< "gamma", "X" or "annihilation"; empty for lines given by hand
    std::string emitter; ///< the chain member that emits it ("Ba-137m"); empty when by hand
};

struct Nuclide {
    std::string name;              ///< "Co-60", "Tc-99m"
    std::string element;           ///< "Cobalt"
    std::string halfLife;          ///< as the data give it: "1925.28 d"
    std::vector<PhotonLine> lines; ///< energies never falling (lines may share one)
};

/// The file's text: '#' comment lines, the header
/// nuclide,element,half_life,energy_mev,photons_per_decay,kind,emitter, then one row per line,
/// the rows of one nuclide together. Empty with `error` naming the line when it does not fit.
std::optional<std::vector<Nuclide>> ParseNuclides(std::string_view text, std::string& error);

/// Reads `root/shielding/nuclides.csv`; empty with `error` naming the file when it is missing
/// or damaged.
std::optional<std::vector<Nuclide>> ReadNuclides(const std::filesystem::path& root,
                                                 std::string& error);

/// The nuclide a typed name means: "Co-60", "co60", "Cobalt-60", "cobalt 60", "Tc-99m",
/// "Tc99m", "Cs137" (case, blanks, '-' and '_' do not matter). Null when none does.
const Nuclide* FindNuclide(const std::vector<Nuclide>& nuclides, std::string_view name);

/// Up to three names closest to a typed one, closest first, for a "did you mean".
std::vector<std::string> ClosestNuclides(const std::vector<Nuclide>& nuclides,
                                         std::string_view name);

} // namespace shielding
