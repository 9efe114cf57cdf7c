#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace shielding::importing {

/// One discrete photon line of an ENDF-6 decay file.
struct EndfLine {
    int spectrumType = 0;  ///< STYP: 0 gamma rays, 9 X-rays and annihilation radiation
    double energyEv = 0.0; ///< ER
    double perDecay = 0.0; ///< FD x RI
};

/// What this program reads of an ENDF-6 decay file's MF8/MT457 section.
struct EndfDecay {
    int za = 0;             ///< 1000 Z + A
    int isomer = 0;         ///< LISO
    bool stable = false;    ///< NST = 1
    double halfLifeS = 0.0; ///< T1/2
    std::vector<EndfLine> lines;
};

/// The MF8/MT457 section of an ENDF-6 file's text. False with `error` when it is missing or
/// ends early.
bool ReadEndfDecay(std::string_view text, EndfDecay& decay, std::string& error);

/// The decay file of a chain member ("Ba-137m": dec-056_Ba_137m1.endf) in `folder`; empty when
/// there is none.
std::filesystem::path EndfFileOf(const std::filesystem::path& folder, std::string_view member);

/// The library's decay table (shielding/decay.csv) from nuclides/chains.csv (header
/// chain,parent,daughter,branching,parent_half_life_s,daughter_half_life_s,mode): '#' lines with
/// the credit, the header nuclide,half_life_s,daughter,branching,mode, then each member once in
/// the order the chains first name it, with a row per way it decays, "stable" for a stable
/// member and mode "end" for one whose decay the chains do not follow; number texts as given.
/// Empty with `error` naming the line when the chains disagree on a member or do not read back.
std::string FormatDecayFile(std::string_view chainsCsv, std::string& error);

/// The library's emitter file (shielding/emitters.csv): for each radioactive member of
/// `decayCsv` in order, the discrete gamma, X-ray and annihilation lines of its own ENDF file in
/// `endfFolder` of at least 1 keV and 1e-5 photons per decay, energies rising (MeV to 9 digits,
/// photons per decay to 6). Empty with `error` when a member has no file, the file's half-life
/// is not the table's or the file does not read.
std::string FormatEmittersFile(std::string_view decayCsv, const std::filesystem::path& endfFolder,
                               std::string& error);

} // namespace shielding::importing
