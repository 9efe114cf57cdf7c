// Files for the page: a material's table as CSV, a material file checked, a compound or mixture
// built into the library.
#include "Support.h"
#include "data/MaterialFile.h"
#include "export/CsvExport.h"
#include "material/DataPaths.h"
#include "newdata/Builder.h"
#include "newdata/MaterialWriter.h"

#include <emscripten/bind.h>

#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace bindings {
namespace {

val csvText(const std::string& argument) {
    return onMaterial(argument, [&](const material::ResolvedMaterial& m) {
        const double density = m.densityGPerCm3.value_or(0.0);
        val result = val::object();
        result.set("text", exporting::CsvText(m.table, density));
        return result;
    });
}

// Checks the bytes of a material file as the program reads one; "" when it reads.
std::string checkMaterialFile(const std::string& fileName, const val& bytes) {
    const std::vector<unsigned char> content =
        emscripten::convertJSArrayToNumberVector<unsigned char>(bytes);
    const std::string text(content.begin(), content.end());
    auto table = std::make_unique<data::MaterialTable>();
    const data::LoadResult loaded = data::LoadMaterialTableFromText(*table, text);
    return loaded.ok() ? std::string() : data::DescribeLoadError(loaded, fileName);
}

// Builds a compound (atoms) or mixture (weights) of elements and writes it into the library's
// mix/ folder. order: {kind, name, density, category, file, parts: [[element, amount], ...]}.
val buildMaterial(const val& order) {
    const bool compound = order["kind"].as<std::string>() == "compound";
    const newdata::BuilderKind kind =
        compound ? newdata::BuilderKind::Compound : newdata::BuilderKind::Mixture;
    const std::string name = order["name"].as<std::string>();
    const double density = order["density"].as<double>();
    const std::string file = order["file"].as<std::string>();
    const std::string category = order["category"].as<std::string>();
    const val parts = order["parts"];
    const auto count = parts["length"].as<int>();
    if (name.empty()) {
        return failed("the name is empty");
    }
    if (!(density > 0.0) || !std::isfinite(density)) {
        return failed("the density must be a number greater than 0");
    }
    if (file.empty() || file.find_first_of("/\\") != std::string::npos) {
        return failed("the file name must not be empty or hold / or \\");
    }
    if (count < 1 || count > newdata::MaxElements(kind)) {
        return failed(std::string("a ") + (compound ? "compound" : "mixture") + " takes 1 to " +
                      std::to_string(newdata::MaxElements(kind)) + " elements, not " +
                      std::to_string(count));
    }
    auto state = std::make_unique<newdata::BuilderState>();
    state->ClearSlots();
    state->ElementCount = count;
    for (int slot = 1; slot <= count; ++slot) {
        const val part = parts[static_cast<unsigned>(slot - 1)];
        std::string error;
        const std::optional<std::string> element =
            material::ResolveElementFile(kRoot, part[0].as<std::string>(), error);
        if (!element) {
            return failed(error);
        }
        const double amount = part[1].isNumber() ? part[1].as<double>() : kNaN;
        if (!std::isfinite(amount) || (compound && !(amount > 0.0))) {
            return failed(
                "'" + part[0].as<std::string>() + "': the " +
                (compound ? "number of atoms must be greater than 0" : "weight must be a number"));
        }
        state->SlotFile[static_cast<std::size_t>(slot)] = *element;
        state->SlotAmount[static_cast<std::size_t>(slot)] = amount;
    }
    const newdata::BuildResult built = newdata::BuildMaterial(*state, kRoot, kind);
    if (!built.ok()) {
        return failed(newdata::DescribeBuildError(built));
    }
    const newdata::Category where = category == "human"     ? newdata::Category::HumanTissues
                                    : category == "phantom" ? newdata::Category::PhantomSubstances
                                                            : newdata::Category::Others;
    const newdata::BuildResult written =
        newdata::WriteMaterialFile(kRoot, name, density, where, file, *state);
    if (!written.ok()) {
        return failed(newdata::DescribeBuildError(written));
    }
    forget();
    val result = val::object();
    result.set("path", written.path);
    return result;
}

} // namespace

void BindFiles() {
    emscripten::function("csv_text", &csvText);
    emscripten::function("check_material_file", &checkMaterialFile);
    emscripten::function("build_material", &buildMaterial);
}

} // namespace bindings
