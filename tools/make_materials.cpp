// Builds the reference materials of the shipped library from composition lists and the element
// files: make_materials <materials.csv>... <library folder>. The library folder holds ele/; the
// material files go into its mix/ folder.
#include "data/NumberMask.h"
#include "newdata/ReferenceMaterials.h"

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: make_materials <materials.csv>... <library folder>\n";
        return 2;
    }
    const std::filesystem::path library = argv[argc - 1];
    std::error_code ec;
    std::filesystem::create_directories(library / "mix", ec);
    if (ec) {
        std::cerr << (library / "mix").string() << ": " << ec.message() << "\n";
        return 1;
    }
    std::vector<newdata::GeneratedMaterial> generated;
    for (int list = 1; list < argc - 1; ++list) {
        std::vector<newdata::GeneratedMaterial> more;
        std::string error;
        if (!newdata::GenerateReferenceMaterials(argv[list], library, library, more, error)) {
            std::cerr << error << "\n";
            return 1;
        }
        generated.insert(generated.end(), more.begin(), more.end());
    }
    int failed = 0;
    for (const newdata::GeneratedMaterial& material : generated) {
        if (material.problem.empty()) {
            std::cout << material.relativePath << "  " << data::FormatCount(material.gridSize)
                      << " energies  " << material.name << "\n";
        } else {
            ++failed;
            std::cerr << material.relativePath << "  " << material.name << ": " << material.problem
                      << "\n";
        }
    }
    std::cout << data::FormatCount(static_cast<double>(generated.size()) - failed)
              << " materials written";
    if (failed > 0) {
        std::cout << ", " << data::FormatCount(failed) << " failed";
    }
    std::cout << "\n";
    return failed > 0 ? 1 : 0;
}
