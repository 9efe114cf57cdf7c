#include "newdata/MaterialWriter.h"

#include "attenuation/Compositions.h"
#include "data/MaterialFile.h"
#include "data/NumberMask.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace newdata {

std::string_view CategoryExtension(Category category) {
    switch (category) {
    case Category::HumanTissues:
        return ".mix1";
    case Category::PhantomSubstances:
        return ".mix2";
    case Category::Others:
        break;
    }
    return ".mix3";
}

Category CategoryOfOptions(bool option1, bool option2) {
    if (option1) {
        return Category::HumanTissues;
    }
    return option2 ? Category::PhantomSubstances : Category::Others;
}

std::string MaterialFileText(std::string_view materialName, double densityGPerCm3,
                             const BuilderState& state) {
    const int n = state.GridSize();
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(n) + 3);
    lines.push_back(data::FormatName(materialName));
    lines.push_back(data::FormatDensity(densityGPerCm3));
    lines.push_back(data::FormatCount(n));
    for (std::size_t j = 1; j <= static_cast<std::size_t>(n); ++j) {
        std::array<double, 5> row{};
        for (std::size_t c = 0; c < 5; ++c) {
            row[c] = state.Combined[c][j];
        }
        lines.push_back(data::FormatTableRow(state.MergedGrid[j], row));
    }
    return data::JoinLines(lines);
}

BuildResult WriteMaterialFile(const std::filesystem::path& root, std::string_view materialName,
                              double densityGPerCm3, Category category, std::string_view fileName,
                              const BuilderState& state) {
    BuildResult result;
    const std::string base = std::string(fileName) + std::string(CategoryExtension(category));
    result.path = "mix/" + base;

    const int n = state.GridSize();
    bool built = n >= 1;
    for (const auto& column : state.Combined) {
        built = built && column.size() == state.MergedGrid.size();
    }
    if (!built) {
        result.error = BuildError::NothingBuilt;
        return result;
    }
    if (!std::isfinite(densityGPerCm3)) {
        result.error = BuildError::NonFiniteValue;
        return result;
    }
    if (fileName.empty()) {
        result.error = BuildError::CannotWrite;
        result.reason = "no file name";
        return result;
    }
    const data::WriteResult written = data::WriteFileReplacing(
        root / "mix" / base, MaterialFileText(materialName, densityGPerCm3, state));
    if (!written.ok) {
        result.error = BuildError::CannotWrite;
        result.reason = written.reason;
        return result;
    }
    // What the material is made of, by weight, for the energy-absorption computations. The
    // material file is complete without it: a failure here leaves the composition unknown.
    attenuation::Composition composition;
    for (int i = 1; i <= UsedSlots(state.ElementCount); ++i) {
        const std::string& file = state.SlotFile[static_cast<std::size_t>(i)];
        const int z = file.size() > 3 && file[3] == '_' ? std::atoi(file.substr(0, 3).c_str()) : 0;
        composition.push_back({z, state.SlotFraction[static_cast<std::size_t>(i)]});
    }
    attenuation::RecordComposition(root, result.path,
                                   attenuation::NormalizedComposition(composition));
    return result;
}

} // namespace newdata
