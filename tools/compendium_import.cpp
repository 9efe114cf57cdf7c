// Builds the library's compendium files (compendium/materials.csv and compendium/names.csv)
// from the compendium of materials kept in the repository.
//
//   compendium_import <data-dir> <library-dir>
//
// <data-dir> (data/ in the repository) holds compendium/materials.csv, aliases.csv and
// groups.csv.

#include "compendium_library.h"

#include <iostream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: compendium_import <data-dir> <library-dir>\n";
        return 2;
    }
    const std::string error = material::importing::ImportCompendium(argv[1], argv[2]);
    if (!error.empty()) {
        std::cerr << "compendium_import: " << error << '\n';
        return 1;
    }
    std::cout << "compendium_import: wrote 2 files to " << argv[2] << "/compendium\n";
    return 0;
}
