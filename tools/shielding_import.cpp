// Builds the shielding library files (shielding/buildup.csv and shielding/nuclides.csv) from the
// buildup-factor coefficients and the radionuclide photon lines kept in the repository.
//
//   shielding_import <data-dir> <library-dir>
//
// <data-dir> (data/ in the repository) holds buildup/ebf.csv and eabf.csv, nuclides/lines.csv and
// nuclides_summary.csv, and nist/elements.csv for the element names.

#include "shielding_library.h"

#include <iostream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: shielding_import <data-dir> <library-dir>\n";
        return 2;
    }
    const shielding::importing::ImportResult result =
        shielding::importing::ImportShieldingLibrary(argv[1], argv[2]);
    if (!result.ok()) {
        std::cerr << "shielding_import: " << result.error << '\n';
        return 1;
    }
    std::cout << "shielding_import: wrote " << std::to_string(result.filesWritten) << " files to "
              << argv[2] << "/shielding\n";
    return 0;
}
