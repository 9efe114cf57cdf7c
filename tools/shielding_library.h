#pragma once

#include "element_library.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace shielding::importing {

/// The library's buildup file (shielding/buildup.csv) from the exposure and energy-absorption
/// coefficient tables, buildup/ebf.csv and buildup/eabf.csv (header
/// material,Z_or_Zeq,energy_MeV,b,c,a,Xk,d,source; quoted fields allowed): '#' lines with the
/// credit, the header kind,material,z,energy_mev,b,c,a,xk,d, every exposure row, then every
/// absorption row, number texts as given, lines ended by LF. Empty with `error` naming the
/// source file and line when an input does not fit or the result would not read back.
std::string FormatBuildupFile(std::string_view ebfCsv, std::string_view eabfCsv,
                              std::string& error);

/// The library's nuclide file (shielding/nuclides.csv) from the photon lines of
/// nuclides/lines.csv (keV, per 100 decays) and the per-nuclide facts of
/// nuclides/nuclides_summary.csv, which must agree on the nuclides, their half-lives, their
/// chains and their line counts: '#' lines with the credit, the header
/// nuclide,element,half_life,energy_mev,photons_per_decay,kind,emitter, then one row per line
/// in the source's order, energies and intensities shifted in their text so that no rounding
/// enters, lines ended by LF. Element names come from `elements` (indexed by Z - 1).
std::string FormatNuclidesFile(std::string_view linesCsv, std::string_view summaryCsv,
                               const std::vector<xcom::ElementFacts>& elements, std::string& error);

struct ImportResult {
    int filesWritten = 0;
    std::string error; ///< empty on success

    bool ok() const { return error.empty(); }
};

/// Reads `dataDir`/buildup/{ebf,eabf}.csv, `dataDir`/nuclides/{lines,nuclides_summary,chains}.csv,
/// the decay files in `dataDir`/nuclides/endf and `dataDir`/nist/elements.csv and writes
/// shielding/buildup.csv, nuclides.csv, decay.csv and emitters.csv into `libraryDir` (the folder
/// made when missing). All files are made and checked, then written aside, before any replaces
/// its old version, so a damaged input or a failed write leaves the library as it was.
ImportResult ImportShieldingLibrary(const std::filesystem::path& dataDir,
                                    const std::filesystem::path& libraryDir);

} // namespace shielding::importing
