#include "material/Resolve.h"

#include "attenuation/Compositions.h"
#include "data/CharConv.h"
#include "data/MaterialFile.h"
#include "material/Catalogue.h"
#include "material/DataPaths.h"
#include "material/Formula.h"
#include "newdata/Builder.h"
#include "newdata/BuilderState.h"
#include "newdata/MaterialWriter.h"

#include <algorithm>
#include <array>
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
bool formulaSlots(const Catalogue& catalogue, std::string_view formula, std::vector<Slot>& slots,
                  std::string& error) {
    const FormulaResult parsed = ParseFormula(formula);
    if (!parsed.ok()) {
        error = formulaMessage(formula, parsed);
        return false;
    }
    for (const FormulaElement& element : parsed.elements) {
        const std::optional<std::string> file =
            ResolveElementFile(catalogue, element.symbol, error);
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

bool resolveFormula(const Catalogue& catalogue, std::string_view formula,
                    ResolvedMaterial& material, std::string& error) {
    const std::filesystem::path& root = catalogue.root;
    std::vector<Slot> slots;
    if (!formulaSlots(catalogue, formula, slots, error)) {
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
    material.note.clear();
    return true;
}

std::optional<std::size_t> compendiumPart(const Catalogue& catalogue, std::string_view typed);
std::optional<std::string> libraryByWords(const Catalogue& catalogue, std::string_view typed);

bool resolveMix(const Catalogue& catalogue, std::string_view mix, ResolvedMaterial& material,
                std::string& error) {
    const std::filesystem::path& root = catalogue.root;
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
            if (!formulaSlots(catalogue, what, elements, error) ||
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
        std::optional<std::string> path = ResolveDataPath(catalogue, what, pathError);
        if (!path) {
            // As a material alone: the one library material holding every word ("Water").
            path = libraryByWords(catalogue, what);
        }
        const bool exists = path && std::filesystem::is_regular_file(root / *path);
        if (const std::optional<std::size_t> named =
                path ? std::nullopt : compendiumPart(catalogue, what)) {
            // A compendium material adds its elements by weight.
            for (const auto& [z, fraction] : catalogue.compendium.materials[*named].fractions) {
                const std::optional<std::string> file =
                    ResolveElementFile(catalogue, ElementSymbol(z), error);
                if (!file) {
                    error = where + ": " + error;
                    return false;
                }
                addElement(slots, z, *file, *weight * fraction);
            }
            continue;
        }
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

std::string stemOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    std::string_view file = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = file.rfind('.');
    return std::string(dot == std::string_view::npos ? file : file.substr(0, dot));
}

std::string densityText(double density) {
    std::array<char, 32> text{};
    const auto written = data::ToChars(text.data(), text.data() + text.size(), density);
    return std::string(text.data(), written.ptr) + " g/cm3";
}

bool resolveDataFile(const Catalogue& catalogue, const std::string& path,
                     ResolvedMaterial& material, std::string& error, ResolveFailure& kind) {
    const std::filesystem::path& root = catalogue.root;
    auto table = std::make_unique<data::MaterialTable>();
    double density = 0.0;
    if (!loadDataFile(root, path, *table, density, error)) {
        std::error_code noFile;
        kind = std::filesystem::exists(root / path, noFile) ? ResolveFailure::Invalid
                                                            : ResolveFailure::NotFound;
        return false;
    }
    Composition composition;
    if (path.rfind("ele/", 0) == 0) {
        if (const int z = zOfElementFile(path.substr(4)); z != 0) {
            composition = Composition{true, {{z, std::string(ElementSymbol(z)), 1.0, 1.0}}};
        }
    } else if (const auto known = catalogue.compositions.find(path);
               known != catalogue.compositions.end()) {
        composition = Composition{true, {}};
        for (const attenuation::ElementShare& share : known->second) {
            composition.elements.push_back({share.atomicNumber,
                                            std::string(ElementSymbol(share.atomicNumber)), 0.0,
                                            share.weightFraction});
        }
    }
    material.name = table->MaterialName;
    material.densityGPerCm3 = density;
    material.dataPath = path;
    material.table = std::move(*table);
    material.composition = std::move(composition);
    material.note.clear();
    return true;
}

/// A compendium material built as the mixture builder builds its elements by weight.
bool resolveCompendium(const Catalogue& catalogue, std::size_t index, ResolvedMaterial& material,
                       std::string& error) {
    const CompendiumMaterial& m = catalogue.compendium.materials[index];
    std::vector<Slot> slots;
    for (const auto& [z, fraction] : m.fractions) {
        const std::optional<std::string> file =
            ResolveElementFile(catalogue, ElementSymbol(z), error);
        if (!file) {
            error = inQuotes(m.name) + ": " + error;
            return false;
        }
        slots.push_back({z, *file, {}, fraction});
    }
    auto state = std::make_unique<newdata::BuilderState>();
    auto table = std::make_unique<data::MaterialTable>();
    if (!buildSlots(catalogue.root, slots, newdata::BuilderKind::Mixture, m.name, *state, *table,
                    error)) {
        return false;
    }
    material.name = m.name;
    material.densityGPerCm3 = m.densityGPerCm3;
    material.dataPath.clear();
    material.table = std::move(*table);
    material.composition = Composition{true, {}};
    for (std::size_t i = 0; i < slots.size(); ++i) {
        material.composition.elements.push_back(
            {slots[i].z, std::string(ElementSymbol(slots[i].z)), 0.0, state->SlotFraction[i + 1]});
    }
    material.note.clear();
    return true;
}

std::string compendiumShown(const Catalogue& catalogue, const ResolvedMaterial& material) {
    std::string shown = "the compendium's " + material.name + " (" +
                        densityText(material.densityGPerCm3.value_or(0.0)) + ")";
    for (const CompendiumMaterial& m : catalogue.compendium.materials) {
        if (m.name == material.name && !m.remark.empty()) {
            shown += ", " + m.remark;
        }
    }
    return shown;
}

struct CompendiumMatch {
    std::size_t material = 0;
    bool usual = false;
    bool group = false;
};

/// The compendium materials a text names by their name, an alias or a common name.
std::vector<CompendiumMatch> compendiumByName(const Catalogue& catalogue, std::string_view typed) {
    std::vector<CompendiumMatch> found;
    for (const CatalogueName* name : catalogue.Exactly(typed)) {
        const bool own = name->kind == NameKind::CompendiumName;
        if (!own && name->kind != NameKind::Alias && name->kind != NameKind::Group) {
            continue;
        }
        const bool seen = std::any_of(found.begin(), found.end(), [&](const CompendiumMatch& m) {
            return m.material == name->material;
        });
        if (!seen) {
            found.push_back({name->material, name->usual, name->kind == NameKind::Group});
        }
    }
    // A compendium name with blanks and punctuation written otherwise ("Steel_Stainless_304").
    const std::string loose = LooseName(typed);
    for (const CatalogueName& name : catalogue.names) {
        if (found.empty() && !loose.empty() && name.kind == NameKind::CompendiumName &&
            name.loose == loose) {
            found.push_back({name.material, false, false});
        }
    }
    return found;
}

/// The one compendium material a mixture part names by its name or alias.
std::optional<std::size_t> compendiumPart(const Catalogue& catalogue, std::string_view typed) {
    const std::vector<CompendiumMatch> named = compendiumByName(catalogue, typed);
    if (named.size() != 1 || named.front().group) {
        return std::nullopt;
    }
    return named.front().material;
}

struct WordMatches {
    std::vector<std::string> library;    ///< data paths
    std::vector<std::size_t> compendium; ///< materials
};

/// The library materials and compendium materials whose name holds every word of `typed`.
WordMatches byWords(const Catalogue& catalogue, std::string_view typed) {
    WordMatches matches;
    const std::vector<std::string> words = NameWords(typed);
    if (words.empty()) {
        return matches;
    }
    for (const CatalogueName& name : catalogue.names) {
        const bool library = name.kind == NameKind::FileStem || name.kind == NameKind::MaterialName;
        if (!library && name.kind != NameKind::CompendiumName) {
            continue;
        }
        const bool all = std::all_of(words.begin(), words.end(), [&](const std::string& word) {
            return std::find(name.words.begin(), name.words.end(), word) != name.words.end();
        });
        if (!all) {
            continue;
        }
        if (library && std::find(matches.library.begin(), matches.library.end(), name.path) ==
                           matches.library.end()) {
            matches.library.push_back(name.path);
        } else if (!library) {
            matches.compendium.push_back(name.material);
        }
    }
    return matches;
}

std::optional<std::string> libraryByWords(const Catalogue& catalogue, std::string_view typed) {
    const WordMatches words = byWords(catalogue, typed);
    if (words.library.size() != 1) {
        return std::nullopt;
    }
    return words.library.front();
}

/// The refusal of a name that several materials answer to, naming them (a dozen at most).
std::string severalMessage(const Catalogue& catalogue, std::string_view typed,
                           const std::vector<std::string>& library,
                           const std::vector<CompendiumMatch>& compendium) {
    std::vector<std::string> shown;
    for (const std::string& path : library) {
        shown.push_back(stemOf(path));
    }
    for (const CompendiumMatch& match : compendium) {
        shown.push_back(catalogue.compendium.materials[match.material].name +
                        (match.usual ? " (the usual meaning)" : ""));
    }
    constexpr std::size_t kShown = 12;
    std::string text =
        inQuotes(typed) + " may mean " + std::to_string(shown.size()) + " materials; name one: ";
    for (std::size_t i = 0; i < shown.size() && i < kShown; ++i) {
        text += (i == 0 ? "" : "; ") + shown[i];
    }
    if (shown.size() > kShown) {
        text += "; and " + std::to_string(shown.size() - kShown) + " more";
    }
    return text;
}

std::vector<CompendiumMatch> asMatches(const std::vector<std::size_t>& materials) {
    std::vector<CompendiumMatch> matches;
    for (const std::size_t m : materials) {
        matches.push_back({m, false, false});
    }
    return matches;
}

bool resolveCompendiumMatches(const Catalogue& catalogue, std::string_view typed,
                              const std::vector<CompendiumMatch>& named, ResolvedMaterial& material,
                              std::string& error) {
    if (named.size() > 1 || named.front().group) {
        error = severalMessage(catalogue, typed, {}, named);
        return false;
    }
    if (!resolveCompendium(catalogue, named.front().material, material, error)) {
        return false;
    }
    if (FoldedName(typed) != FoldedName(material.name)) {
        material.note = inQuotes(typed) + " taken for " + compendiumShown(catalogue, material);
        if (ParseFormula(typed).ok()) {
            material.note +=
                "; for the formula write " + std::string(kFormulaPrefix) + std::string(typed);
        }
    }
    return true;
}

bool resolveCompendiumName(const Catalogue& catalogue, std::string_view typed,
                           ResolvedMaterial& material, std::string& error, ResolveFailure& kind) {
    const std::vector<CompendiumMatch> named = compendiumByName(catalogue, typed);
    if (!named.empty()) {
        return resolveCompendiumMatches(catalogue, typed, named, material, error);
    }
    const WordMatches words = byWords(catalogue, typed);
    if (words.compendium.size() == 1) {
        if (!resolveCompendium(catalogue, words.compendium.front(), material, error)) {
            return false;
        }
        material.note = inQuotes(typed) + " taken for " + compendiumShown(catalogue, material);
        return true;
    }
    if (words.compendium.size() > 1) {
        error = severalMessage(catalogue, typed, {}, asMatches(words.compendium));
        return false;
    }
    kind = ResolveFailure::NotFound;
    error = inQuotes(typed) + " names no material of the compendium" +
            (catalogue.compendiumError.empty() ? "" : " (" + catalogue.compendiumError + ")");
    return false;
}

/// A formula typed without its prefix; where its composition is a library material's (by
/// weight within 1e-5), the answer says so and takes that material's density. The tolerance is
/// wider than the compositions' last digit because the element files' atomic weights (H 1.0079)
/// are not those the library's compositions were worked out with (1.00794): water differs by
/// 3.6e-6.
bool resolveBareFormula(const Catalogue& catalogue, std::string_view formula,
                        ResolvedMaterial& material, std::string& error) {
    if (!resolveFormula(catalogue, formula, material, error)) {
        return false;
    }
    for (const auto& entry : catalogue.compositions) {
        const std::string& path = entry.first;
        const attenuation::Composition& shares = entry.second;
        if (path.rfind("mix/", 0) != 0 || shares.size() != material.composition.elements.size()) {
            continue;
        }
        const bool same = std::all_of(
            material.composition.elements.begin(), material.composition.elements.end(),
            [&](const ElementFraction& element) {
                return std::any_of(shares.begin(), shares.end(), [&](const auto& share) {
                    return share.atomicNumber == element.z &&
                           std::abs(share.weightFraction - element.weightFraction) <= 1e-5;
                });
            });
        std::string loadError;
        auto table = std::make_unique<data::MaterialTable>();
        double density = 0.0;
        if (same && loadDataFile(catalogue.root, path, *table, density, loadError)) {
            material.densityGPerCm3 = density;
            material.note = inQuotes(formula) + " has the composition of the library material " +
                            stemOf(path) + ", whose density (" + densityText(density) +
                            ") it takes";
            break;
        }
    }
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
    if (!formulaSlots(*CatalogueOf(root), formula, slots, error) ||
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
    const std::shared_ptr<const Catalogue> catalogue = CatalogueOf(root);
    if (argument.substr(0, kFormulaPrefix.size()) == kFormulaPrefix) {
        return resolveFormula(*catalogue, argument.substr(kFormulaPrefix.size()), material, error);
    }
    if (argument.substr(0, kMixPrefix.size()) == kMixPrefix) {
        return resolveMix(*catalogue, argument.substr(kMixPrefix.size()), material, error);
    }
    if (argument.substr(0, kCompendiumPrefix.size()) == kCompendiumPrefix) {
        return resolveCompendiumName(*catalogue, argument.substr(kCompendiumPrefix.size()),
                                     material, error, kind);
    }
    // The data file's refusal is the answer only when no other reading of the text is found.
    std::string notFound;
    bool nothingFound = false;
    const std::optional<std::string> path =
        ResolveDataPath(*catalogue, argument, notFound, &nothingFound);
    if (path) {
        return resolveDataFile(*catalogue, *path, material, error, kind);
    }
    if (!nothingFound || argument.empty()) {
        error = notFound;
        kind = nothingFound ? ResolveFailure::NotFound : ResolveFailure::Invalid;
        return false;
    }
    const WordMatches words = byWords(*catalogue, argument);
    if (words.library.size() == 1) {
        if (!resolveDataFile(*catalogue, words.library.front(), material, error, kind)) {
            return false;
        }
        material.note =
            inQuotes(argument) + " taken for the library material " + stemOf(words.library.front());
        return true;
    }
    const std::vector<CompendiumMatch> named = compendiumByName(*catalogue, argument);
    if (words.library.size() > 1) {
        error = severalMessage(*catalogue, argument, words.library,
                               named.empty() ? asMatches(words.compendium) : named);
        return false;
    }
    if (!named.empty()) {
        return resolveCompendiumMatches(*catalogue, argument, named, material, error);
    }
    if (ParseFormula(argument).ok()) {
        return resolveBareFormula(*catalogue, argument, material, error);
    }
    if (words.compendium.size() == 1) {
        if (!resolveCompendium(*catalogue, words.compendium.front(), material, error)) {
            return false;
        }
        material.note = inQuotes(argument) + " taken for " + compendiumShown(*catalogue, material);
        return true;
    }
    if (words.compendium.size() > 1) {
        error = severalMessage(*catalogue, argument, {}, asMatches(words.compendium));
        return false;
    }
    error = notFound;
    // A text that looks like a formula (one word with a digit, bracket or point) is told why it
    // is not one.
    const FormulaResult parsed = ParseFormula(argument);
    if (argument.find_first_of(" \t") == std::string_view::npos &&
        argument.find_first_of("0123456789()[].*\xC2\xE2") != std::string_view::npos) {
        error += "; as a " + formulaMessage(argument, parsed);
    }
    if (!catalogue->compendiumError.empty()) {
        error += "; " + catalogue->compendiumError;
    }
    kind = ResolveFailure::NotFound;
    return false;
}

} // namespace material
