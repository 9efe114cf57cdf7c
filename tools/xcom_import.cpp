// Builds the element library (ele/*.ele) from the NIST XCOM element files and elements.csv.
//
//   xcom_import <nist-data-dir> <output-ele-dir>
//
// <nist-data-dir> (data/nist in the repository) holds elements.csv and the folder xcom/ with
// MDATX3.001 .. MDATX3.100.

#include "element_library.h"

#include <iostream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: xcom_import <nist-data-dir> <output-ele-dir>\n";
        return 2;
    }
    const xcom::ImportResult result = xcom::ImportElementLibrary(argv[1], argv[2]);
    if (!result.ok()) {
        std::cerr << "xcom_import: " << result.error << '\n';
        return 1;
    }
    std::cout << "xcom_import: wrote " << std::to_string(result.filesWritten)
              << " element files to " << argv[2] << '\n';
    return 0;
}
