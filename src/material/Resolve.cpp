#include "material/Resolve.h"

#include "attenuation/Compositions.h"
#include "data/CharConv.h"
#include "data/MaterialFile.h"
#include "material/DataPaths.h"
#include "material/Formula.h"
#include "newdata/Builder.h"
#include "newdata/BuilderState.h"
#include "newdata/MaterialWriter.h"

#include <charconv>
#include <cmath>
#include <memory>
#include <vector>

namespace material {

namespace {

std::string inQuotes(std::string_view text) {
    std::string result(1, '\'');
    result += text;
    result += '\'';
    return result;
}

std::string formulaMessage(std::string_view formula, const FormulaResult& parsed) {
    return "formula " + inQuotes(formula) + ": " + parsed.error + " at character " +
           std::to_string(parsed.position);
}

/// One slot of an expression's build: an element file read as the builders read it, or a
/// material table taken as it was loaded.
struct Slot {
    int z = 0;               ///< 0 for a material table
    std::string elementFile; ///< "082_Pb.ele"
    std::string dataPath;    ///< the material file of a table slot
    double amount = 0.0;     ///< atoms (compound) or weight (mixture)
};

/// Reads one element file through the builders' reader.
bool readElement(const std::filesystem::path& root, const std::string& file, double nudgeStep,
                 newdata::ElementTable& table, std::string& error) {
    auto scratch = std::make_unique<newdata::BuilderState>();
    scratch->SlotFile[1] = file;
    const newdata::BuildResult read = newdata::ReadElementTables(*scratch, 1, root, nudgeStep);
    if (!read.ok()) {
        error = newdata::DescribeBuildError(read);
        return false;
    }
    table = std::move(scratch->Elements[1]);
    return true;
}

/// A loaded table as a builder slot: its rows in order, a repeated energy moved up by the nudge
/// step exactly as the reader moves an element file's edge.
newdata::ElementTable tableSlot(const data::MaterialTable& loaded, double nudgeStep) {
    newdata::ElementTable table;
    table.n = loaded.RowCount;
    const auto size = static_cast<std::size_t>(table.n) + 1;
    table.E.assign(size, 0.0);
    for (auto& column : table.C) {
        column.assign(size, 0.0);
    }
    for (std::size_t j = 1; j < size; ++j) {
        table.E[j] = loaded.Energy[j];
        if (table.E[j] == table.E[j - 1]) {
            table.E[j] = table.E[j] + nudgeStep * table.E[j];
        }
        table.C[0][j] = loaded.Coherent[j];
        table.C[1][j] = loaded.Incoherent[j];
        table.C[2][j] = loaded.PhotoElectric[j];
        table.C[3][j] = loaded.PairNuclear[j];
        table.C[4][j] = loaded.PairElectron[j];
    }
    return table;
}

bool loadDataFile(const std::filesystem::path& root, const std::string& path,
                  data::MaterialTable& table, double& density, std::string& error) {
    table.SelectedPath = path;
    table.ResetExtremes();
    const data::LoadResult loaded = data::LoadMaterialTable(table, root);
    if (!loaded.ok()) {
        error = data::DescribeLoadError(loaded, path);
        return false;
    }
    density = loaded.density;
    return true;
}

/// Builds the slots as the builder of `kind` does and loads the writer's text of the result.
/// On success `state` holds the fractions of the slots.
bool buildSlots(const std::filesystem::path& root, const std::vector<Slot>& slots,
                newdata::BuilderKind kind, const std::string& name, newdata::BuilderState& state,
                data::MaterialTable& table, std::string& error) {
    const int used = static_cast<int>(slots.size());
    state.ResizeSlots(used);
    const double nudge = newdata::NudgeStep(kind);
    for (std::size_t i = 1; i <= slots.size(); ++i) {
        const Slot& slot = slots[i - 1];
        state.SlotAmount[i] = slot.amount;
        if (!slot.elementFile.empty()) {
            state.SlotFile[i] = slot.elementFile;
            if (!readElement(root, slot.elementFile, nudge, state.Elements[i], error)) {
                return false;
            }
            continue;
        }
        auto loaded = std::make_unique<data::MaterialTable>();
        double density = 0.0;
        if (!loadDataFile(root, slot.dataPath, *loaded, density, error)) {
            return false;
        }
        state.Elements[i] = tableSlot(*loaded, nudge);
    }
    newdata::BuildResult built = newdata::BuildMergedGrid(state, used);
    if (built.error == newdata::BuildError::TooManyEnergies) {
        error = inQuotes(name) + " needs more than " + std::to_string(data::kTableCapacity) +
                " energies to hold all its parts' tables, more than a table holds";
        return false;
    }
    if (built.ok()) {
        built = newdata::InterpolateOnGrid(state, used);
    }
    if (built.ok()) {
        built = kind == newdata::BuilderKind::Compound ? newdata::CompoundFractions(state, used)
                                                       : newdata::MixtureFractions(state, used);
    }
    if (built.ok()) {
        built = newdata::CombineByMassFraction(state, used);
    }
    if (!built.ok()) {
        error = inQuotes(name) + " cannot be built: " + newdata::DescribeBuildError(built);
        return false;
    }
    const std::string text = newdata::MaterialFileText(name, 0.0, state);
    table.ResetExtremes();
    const data::LoadResult loaded = data::LoadMaterialTableFromText(table, text);
    if (!loaded.ok()) {
        error = data::DescribeLoadError(loaded, name);
        return false;
    }
    table.SelectedPath.clear();
    return true;
}

/// The element slots of a parsed formula, with the file of each element.
bool formulaSlots(const std::filesystem::path& root, std::string_view formula,
                  std::vector<Slot>& slots, std::string& error) {
    const FormulaResult parsed = ParseFormula(formula);
    if (!parsed.ok()) {
        error = formulaMessage(formula, parsed);
        return false;
    }
    for (const FormulaElement& element : parsed.elements) {
        const std::optional<std::string> file = ResolveElementFile(root, element.symbol, error);
        if (!file) {
            error = "formula " + inQuotes(formula) + ": " + error;
            return false;
        }
        slots.push_back({element.z, *file, {}, element.atoms});
    }
    return true;
}

/// Weight fractions of a formula's slots by the compound builder's rule, from the atomic weights
/// of the element files.
bool weighFormula(const std::filesystem::path& root, const std::vector<Slot>& slots,
                  std::vector<double>& fractions, std::string& error) {
    auto state = std::make_unique<newdata::BuilderState>();
    const int used = static_cast<int>(slots.size());
    state->ResizeSlots(used);
    for (std::size_t i = 1; i <= slots.size(); ++i) {
        if (!readElement(root, slots[i - 1].elementFile,
                         newdata::NudgeStep(newdata::BuilderKind::Compound), state->Elements[i],
                         error)) {
            return false;
        }
        state->SlotAmount[i] = slots[i - 1].amount;
    }
    const newdata::BuildResult weighed = newdata::CompoundFractions(*state, used);
    if (!weighed.ok()) {
        error = newdata::DescribeBuildError(weighed);
        return false;
    }
    fractions.assign(state->SlotFraction.begin() + 1, state->SlotFraction.begin() + 1 + used);
    return true;
}

std::optional<double> readWeight(std::string_view text) {
    double value = 0.0;
    const auto [end, problem] = data::FromChars(text.data(), text.data() + text.size(), value);
    if (text.empty() || problem != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value) || !(value > 0.0)) {
        return std::nullopt;
    }
    return value;
}

void addElement(std::vector<Slot>& slots, int z, const std::string& file, double weight) {
    for (Slot& slot : slots) {
        if (slot.z == z) {
            slot.amount += weight;
            return;
        }
    }
    slots.push_back({z, file, {}, weight});
}

int zOfElementFile(std::string_view fileName) {
    std::string_view stem = fileName.substr(0, fileName.size() - 4);
    const std::size_t underscore = stem.find('_');
    return AtomicNumber(underscore == std::string_view::npos ? stem : stem.substr(underscore + 1));
}

bool resolveFormula(const std::filesystem::path& root, std::string_view formula,
                    ResolvedMaterial& material, std::string& error) {
    std::vector<Slot> slots;
    if (!formulaSlots(root, formula, slots, error)) {
        return false;
    }
    auto state = std::make_unique<newdata::BuilderState>();
    auto table = std::make_unique<data::MaterialTable>();
    const std::string name(formula);
    if (!buildSlots(root, slots, newdata::BuilderKind::Compound, name, *state, *table, error)) {
        return false;
    }
    material.name = name;
    material.densityGPerCm3.reset();
    material.dataPath.clear();
    material.table = std::move(*table);
    material.composition = Composition{true, {}};
    for (std::size_t i = 0; i < slots.size(); ++i) {
        material.composition.elements.push_back({slots[i].z, std::string(ElementSymbol(slots[i].z)),
                                                 slots[i].amount, state->SlotFraction[i + 1]});
    }
    return true;
}

bool resolveMix(const std::filesystem::path& root, std::string_view mix, ResolvedMaterial& material,
                std::string& error) {
    std::vector<Slot> slots;
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t comma = mix.find(',', start);
        parts.push_back(mix.substr(start, comma == std::string_view::npos ? comma : comma - start));
        if (comma == std::string_view::npos) {
            break;
        }
        start = comma + 1;
    }
    for (std::size_t k = 0; k < parts.size(); ++k) {
        const std::string_view part = parts[k];
        const std::string where = "mixture part " + std::to_string(k + 1) + " " + inQuotes(part);
        const std::size_t equals = part.rfind('=');
        if (equals == std::string_view::npos) {
            error = where + " is not PART=WEIGHT";
            return false;
        }
        const std::string_view what = part.substr(0, equals);
        const std::optional<double> weight = readWeight(part.substr(equals + 1));
        if (!weight) {
            error = where + ": the weight " + inQuotes(part.substr(equals + 1)) +
                    " is not a positive number";
            return false;
        }
        if (what.empty()) {
            error = where + " names no formula or material";
            return false;
        }
        if (ParseFormula(what).ok()) {
            std::vector<Slot> elements;
            std::vector<double> fractions;
            if (!formulaSlots(root, what, elements, error) ||
                !weighFormula(root, elements, fractions, error)) {
                error = where + ": " + error;
                return false;
            }
            for (std::size_t i = 0; i < elements.size(); ++i) {
                addElement(slots, elements[i].z, elements[i].elementFile, *weight * fractions[i]);
            }
            continue;
        }
        std::string pathError;
        const std::optional<std::string> path = ResolveDataPath(root, what, pathError);
        const bool exists = path && std::filesystem::is_regular_file(root / *path);
        if (!exists) {
            const FormulaResult parsed = ParseFormula(what);
            error = where + " is neither a formula (" + parsed.error + " at character " +
                    std::to_string(parsed.position) + ") nor a material (" +
                    (path ? *path + " does not exist" : pathError) + ")";
            return false;
        }
        if (path->rfind("ele/", 0) == 0) {
            const std::string file = path->substr(4);
            const int z = zOfElementFile(file);
            if (z == 0) {
                error = where + ": " + *path + " is not named by an element symbol";
                return false;
            }
            addElement(slots, z, file, *weight);
        } else {
            slots.push_back({0, {}, *path, *weight});
        }
    }

    auto state = std::make_unique<newdata::BuilderState>();
    auto table = std::make_unique<data::MaterialTable>();
    const std::string name(mix);
    if (!buildSlots(root, slots, newdata::BuilderKind::Mixture, name, *state, *table, error)) {
        return false;
    }
    Composition composition{true, {}};
    for (std::size_t i = 0; i < slots.size() && composition.known; ++i) {
        const double fraction = state->SlotFraction[i + 1];
        std::vector<ElementFraction> shares;
        if (slots[i].z != 0) {
            shares.push_back({slots[i].z, std::string(ElementSymbol(slots[i].z)), 0.0, 1.0});
        } else if (const std::optional<Composition> known =
                       LibraryComposition(root, slots[i].dataPath)) {
            shares = known->elements;
        } else {
            composition = Composition{};
            break;
        }
        for (const ElementFraction& share : shares) {
            bool merged = false;
            for (ElementFraction& element : composition.elements) {
                if (element.z == share.z) {
                    element.weightFraction += fraction * share.weightFraction;
                    merged = true;
                }
            }
            if (!merged) {
                composition.elements.push_back(
                    {share.z, share.symbol, 0.0, fraction * share.weightFraction});
            }
        }
    }
    material.name = name;
    material.densityGPerCm3.reset();
    material.dataPath.clear();
    material.table = std::move(*table);
    material.composition = std::move(composition);
    return true;
}

} // namespace

std::optional<Composition> LibraryComposition(const std::filesystem::path& root,
                                              std::string_view dataPath) {
    // Material files have theirs in the library's compositions file; an element file is itself.
    std::string error;
    const std::optional<attenuation::Composition> found =
        attenuation::FindComposition(root, dataPath, error);
    if (!found) {
        return std::nullopt;
    }
    Composition composition{true, {}};
    for (const attenuation::ElementShare& share : *found) {
        composition.elements.push_back({share.atomicNumber,
                                        std::string(ElementSymbol(share.atomicNumber)), 0.0,
                                        share.weightFraction});
    }
    return composition;
}

bool FormulaComposition(const std::filesystem::path& root, std::string_view formula,
                        Composition& composition, std::string& error) {
    std::vector<Slot> slots;
    std::vector<double> fractions;
    if (!formulaSlots(root, formula, slots, error) ||
        !weighFormula(root, slots, fractions, error)) {
        return false;
    }
    Composition result{true, {}};
    for (std::size_t i = 0; i < slots.size(); ++i) {
        result.elements.push_back(
            {slots[i].z, std::string(ElementSymbol(slots[i].z)), slots[i].amount, fractions[i]});
    }
    composition = std::move(result);
    return true;
}

bool ResolveMaterial(const std::filesystem::path& root, std::string_view argument,
                     ResolvedMaterial& material, std::string& error, ResolveFailure* failure) {
    ResolveFailure unused = ResolveFailure::Invalid;
    ResolveFailure& kind = failure != nullptr ? *failure : unused;
    kind = ResolveFailure::Invalid;
    if (argument.find_first_of("\r\n") != std::string_view::npos) {
        error = "a material cannot be named across lines";
        return false;
    }
    if (argument.substr(0, kFormulaPrefix.size()) == kFormulaPrefix) {
        return resolveFormula(root, argument.substr(kFormulaPrefix.size()), material, error);
    }
    if (argument.substr(0, kMixPrefix.size()) == kMixPrefix) {
        return resolveMix(root, argument.substr(kMixPrefix.size()), material, error);
    }
    bool nothingFound = false;
    const std::optional<std::string> path = ResolveDataPath(root, argument, error, &nothingFound);
    if (!path) {
        kind = nothingFound ? ResolveFailure::NotFound : ResolveFailure::Invalid;
        return false;
    }
    auto table = std::make_unique<data::MaterialTable>();
    double density = 0.0;
    if (!loadDataFile(root, *path, *table, density, error)) {
        std::error_code noFile;
        kind = std::filesystem::exists(root / *path, noFile) ? ResolveFailure::Invalid
                                                             : ResolveFailure::NotFound;
        return false;
    }
    Composition composition;
    if (path->rfind("ele/", 0) == 0) {
        if (const int z = zOfElementFile(path->substr(4)); z != 0) {
            composition = Composition{true, {{z, std::string(ElementSymbol(z)), 1.0, 1.0}}};
        }
    } else if (const std::optional<Composition> known = LibraryComposition(root, *path)) {
        composition = *known;
    }
    material.name = table->MaterialName;
    material.densityGPerCm3 = density;
    material.dataPath = *path;
    material.table = std::move(*table);
    material.composition = std::move(composition);
    return true;
}

} // namespace material
