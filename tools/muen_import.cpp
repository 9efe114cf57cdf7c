// Builds the energy-absorption tables (muen/*.muen) from the NIST SRD 126 element files.
//
//   muen_import <nist-data-dir> <output-muen-dir>
//
// <nist-data-dir> (data/nist in the repository) holds elements.csv and the folder muen/ with
// z001.csv .. z092.csv.

#include "muen_library.h"

#include <iostream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: muen_import <nist-data-dir> <output-muen-dir>\n";
        return 2;
    }
    const muen::ImportResult result = muen::ImportAbsorptionLibrary(argv[1], argv[2]);
    if (!result.ok()) {
        std::cerr << "muen_import: " << result.error << '\n';
        return 1;
    }
    std::cout << "muen_import: wrote " << std::to_string(result.filesWritten)
              << " energy-absorption tables to " << argv[2] << '\n';
    return 0;
}
