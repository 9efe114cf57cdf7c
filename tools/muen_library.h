#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace muen {

/// The library table of one element from its NIST SRD 126 file (comment lines starting with
/// '#', the header energy_MeV,mu_rho_cm2_g,mu_en_rho_cm2_g, then rows of three numbers): name,
/// atomic number, row count, then the rows with their number texts as given (e written E),
/// lines ended by CR LF. Empty with `error` naming the line when the file does not fit.
std::string FormatAbsorptionFile(std::string_view csvText, int atomicNumber,
                                 std::string_view elementName, std::string& error);

struct ImportResult {
    int filesWritten = 0;
    std::string error; ///< empty on success

    bool ok() const { return error.empty(); }
};

/// Reads `dataDir`/elements.csv and `dataDir`/muen/z001.csv .. z092.csv and writes one table per
/// element into `outDir` (created when missing). Every file is read and checked before the
/// first is written, so a damaged input leaves `outDir` untouched.
ImportResult ImportAbsorptionLibrary(const std::filesystem::path& dataDir,
                                     const std::filesystem::path& outDir);

} // namespace muen
