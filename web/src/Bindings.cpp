// The computing core for the browser page: look-ups, attenuation, builders and the plots, over
// JavaScript numbers and typed arrays. A call that cannot answer returns {error: "..."}, which
// the page's script turns into an Error; nothing here throws.
#include "attenuation/Attenuation.h"
#include "attenuation/Compositions.h"
#include "attenuation/EfficiencyPlot.h"
#include "attenuation/LayerShares.h"
#include "attenuation/Spectrum.h"
#include "attenuation/TextLines.h"
#include "attenuation/TransmissionPlot.h"
#include "attenuation/Units.h"
#include "calc/Interpolation.h"
#include "calc/TotalRoots.h"
#include "data/CharConv.h"
#include "data/MaterialFile.h"
#include "export/CsvExport.h"
#include "graph/GraphCoords.h"
#include "graph/Plots.h"
#include "graph/Readout.h"
#include "material/Catalogue.h"
#include "material/DataPaths.h"
#include "material/Edges.h"
#include "material/Formula.h"
#include "material/Resolve.h"
#include "newdata/Builder.h"
#include "newdata/MaterialWriter.h"
#include "platform/FileListing.h"
#include "platform/web/HtmlCanvas.h"
#include "shielding/Dose.h"
#include "shielding/ShieldingLibrary.h"
#include "shielding/ShieldingPlots.h"

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using emscripten::val;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const std::filesystem::path kRoot = "/library";

struct Failure {
    std::string message;
};

val failed(const std::string& message) {
    val result = val::object();
    result.set("error", message);
    return result;
}

// A copy of doubles as a Float64Array of the page's own.
val floatArray(const std::vector<double>& values) {
    return val(emscripten::typed_memory_view(values.size(), values.data())).call<val>("slice");
}

std::vector<double> numbers(const val& array) {
    return emscripten::convertJSArrayToNumberVector<double>(array);
}

std::string numberText(double value) {
    char text[32];
    const auto written = data::ToChars(text, text + sizeof text, value);
    return std::string(text, written.ptr);
}

// Materials resolved lately, by the text that named them; the library changes only through
// forget(), which empties it.
using Material = std::shared_ptr<const material::ResolvedMaterial>;
std::list<std::pair<std::string, Material>> g_recent;
constexpr std::size_t kRecentMaterials = 24;

std::optional<Material> resolve(const std::string& argument, std::string& error) {
    for (auto it = g_recent.begin(); it != g_recent.end(); ++it) {
        if (it->first == argument) {
            g_recent.splice(g_recent.begin(), g_recent, it);
            return it->second;
        }
    }
    auto resolved = std::make_shared<material::ResolvedMaterial>();
    if (!material::ResolveMaterial(kRoot, argument, *resolved, error)) {
        return std::nullopt;
    }
    // The shares the fraction plot draws, as GO computes them.
    data::ComputeFractions(resolved->table);
    g_recent.emplace_front(argument, resolved);
    if (g_recent.size() > kRecentMaterials) {
        g_recent.pop_back();
    }
    return resolved;
}

// Buildup functions made lately, by kind, table and material text: an equivalent-Z function
// reads element files, which a dose or a plot should not repeat for every call.
using Function = std::shared_ptr<const shielding::BuildupFunction>;
std::map<std::string, Function> g_functions;
constexpr std::size_t kFunctionsKept = 64;

void forget() {
    material::ForgetCatalogues();
    g_recent.clear();
    g_functions.clear();
}

double densityOf(const material::ResolvedMaterial& material, const val& given, std::string& error) {
    std::optional<double> density = material.densityGPerCm3;
    if (!given.isUndefined() && !given.isNull()) {
        density = given.as<double>();
    }
    if (!density) {
        error = "the density of '" + material.name + "' is not known: give it";
        return kNaN;
    }
    if (!(*density > 0.0) || !std::isfinite(*density)) {
        error = "the density must be a number greater than 0";
        return kNaN;
    }
    return *density;
}

// Calls body(material) for the material an argument names, or returns the resolver's message.
template <typename Body> val onMaterial(const std::string& argument, Body&& body) {
    std::string error;
    const std::optional<Material> found = resolve(argument, error);
    return found ? body(**found) : failed(error);
}

// The same with the material's composition by weight, which energy absorption and Zeff need.
template <typename Body> val onShares(const std::string& argument, Body&& body) {
    return onMaterial(argument, [&](const material::ResolvedMaterial& material) {
        std::string error;
        const std::string named = material.dataPath.empty() ? argument : material.dataPath;
        const std::optional<attenuation::Composition> shares =
            attenuation::SharesOf(material.composition, named, error);
        return shares ? body(material, *shares) : failed(error);
    });
}

// ----------------------------------------------------------------------------- look-ups

val describeMaterial(const std::string& argument) {
    return onMaterial(argument, [&](const material::ResolvedMaterial& m) {
        val result = val::object();
        result.set("name", m.name);
        result.set("path", m.dataPath.empty() ? val::null() : val(m.dataPath));
        result.set("density", m.densityGPerCm3 ? val(*m.densityGPerCm3) : val::null());
        result.set("note", m.note);
        val composition = val::null();
        if (m.composition.known) {
            composition = val::object();
            for (const material::ElementFraction& element : m.composition.elements) {
                composition.set(element.symbol, element.weightFraction);
            }
        }
        result.set("composition", composition);
        std::array<std::vector<double>, 7> columns;
        const data::MaterialTable& t = m.table;
        for (int i = 1; i <= t.RowCount; ++i) {
            const auto s = static_cast<std::size_t>(i);
            const std::array<double, 7> row = {
                t.Energy[s],      t.Coherent[s],     t.Incoherent[s], t.PhotoElectric[s],
                t.PairNuclear[s], t.PairElectron[s], t.Total[s]};
            for (std::size_t c = 0; c < row.size(); ++c) {
                columns[c].push_back(row[c]);
            }
        }
        val table = val::object();
        const std::array<const char*, 7> names = {"energy",         "coherent",     "incoherent",
                                                  "photo_electric", "pair_nuclear", "pair_electron",
                                                  "total"};
        for (std::size_t c = 0; c < names.size(); ++c) {
            table.set(names[c], floatArray(columns[c]));
        }
        result.set("table", table);
        return result;
    });
}

constexpr std::array<const char*, 6> kColumns = {"coherent",     "incoherent",    "photo_electric",
                                                 "pair_nuclear", "pair_electron", "total"};

std::array<double, 6> valuesOf(const calc::CoefficientSet& s) {
    return {s.coherent, s.incoherent, s.photoElectric, s.pairNuclear, s.pairElectron, s.total};
}

// Rows of an energy and its six coefficients, gathered as columns: {energy, coherent, ...}.
struct EnergyColumns {
    std::vector<double> energies;
    std::array<std::vector<double>, 6> columns;

    void add(double energyMeV, const calc::CoefficientSet& set) {
        energies.push_back(energyMeV);
        const std::array<double, 6> row = valuesOf(set);
        for (std::size_t c = 0; c < row.size(); ++c) {
            columns[c].push_back(row[c]);
        }
    }
    val object() const {
        val result = val::object();
        result.set("energy", floatArray(energies));
        for (std::size_t c = 0; c < kColumns.size(); ++c) {
            result.set(kColumns[c], floatArray(columns[c]));
        }
        return result;
    }
};

// The six coefficients at `count` energies read from the module's memory at `in`, written
// column after column (count values each) at `out`: the page's script moves the values in and
// out, so that a million energies cost no more than the look-ups themselves.
val muRhoInto(const std::string& argument, std::uintptr_t in, std::uintptr_t out,
              std::size_t count) {
    return onMaterial(argument, [&](const material::ResolvedMaterial& m) {
        const auto* energies = reinterpret_cast<const double*>(in);
        auto* columns = reinterpret_cast<double*>(out);
        const data::MaterialTable& table = m.table;
        for (std::size_t i = 0; i < count; ++i) {
            calc::CoefficientSet set;
            if (calc::CoefficientsAtEnergy(table, energies[i], set) != calc::CalcStatus::Ok) {
                set = {kNaN, kNaN, kNaN, kNaN, kNaN, kNaN};
            }
            const std::array<double, 6> row = valuesOf(set);
            for (std::size_t c = 0; c < row.size(); ++c) {
                columns[c * count + i] = row[c];
            }
        }
        return val::undefined();
    });
}

// The six coefficients in a unit, then the total without coherent scattering: seven columns
// laid out as muRhoInto lays out its six; the command line's --unit and --without-coherent.
val muRhoUnitInto(const std::string& argument, std::uintptr_t in, std::uintptr_t out,
                  std::size_t count, const std::string& unitText, const val& density) {
    std::string problem;
    const std::optional<attenuation::CoefficientUnit> unit =
        attenuation::ReadCoefficientUnit(unitText, problem);
    if (!unit) {
        return failed(problem);
    }
    return onMaterial(argument, [&](const material::ResolvedMaterial& m) {
        std::optional<double> given;
        if (!density.isUndefined() && !density.isNull()) {
            given = density.isNumber() ? density.as<double>() : kNaN;
        }
        std::string why;
        const std::optional<attenuation::CoefficientScale> scale =
            attenuation::ScaleFor(*unit, m, given, kRoot, why, "{density: D}");
        if (!scale) {
            return failed(why);
        }
        const auto* energies = reinterpret_cast<const double*>(in);
        auto* columns = reinterpret_cast<double*>(out);
        for (std::size_t i = 0; i < count; ++i) {
            calc::CoefficientSet set;
            if (calc::CoefficientsAtEnergy(m.table, energies[i], set) != calc::CalcStatus::Ok) {
                set = {kNaN, kNaN, kNaN, kNaN, kNaN, kNaN};
            }
            const std::array<double, 6> row = valuesOf(set);
            for (std::size_t c = 0; c < row.size(); ++c) {
                columns[c * count + i] = scale->Apply(row[c]);
            }
            columns[6 * count + i] = scale->Apply(attenuation::TotalWithoutCoherent(set));
        }
        return val::undefined();
    });
}

// The energy at each total, the lowest where several energies give it; NaN where none does.
val energyAt(const std::string& argument, const val& totalsArray) {
    return onMaterial(argument, [&](const material::ResolvedMaterial& m) {
        EnergyColumns found;
        for (const double total : numbers(totalsArray)) {
            calc::CoefficientSet set;
            double energy = 0.0;
            if (calc::EnergyAtTotal(m.table, total, energy, set) != calc::CalcStatus::Ok) {
                energy = kNaN;
                set = {kNaN, kNaN, kNaN, kNaN, kNaN, total};
            }
            found.add(energy, set);
        }
        return found.object();
    });
}

// Every energy at which the total takes each value: one object of arrays per total.
val allEnergiesAt(const std::string& argument, const val& totalsArray) {
    return onMaterial(argument, [&](const material::ResolvedMaterial& m) {
        val list = val::array();
        for (const double total : numbers(totalsArray)) {
            EnergyColumns roots;
            for (const calc::TotalRoot& root : calc::EnergiesAtTotal(m.table, total)) {
                roots.add(root.energyMeV, root.set);
            }
            list.call<void>("push", roots.object());
        }
        return list;
    });
}

val edgesOf(const std::string& argument) {
    return onMaterial(argument, [&](const material::ResolvedMaterial& m) {
        if (!m.composition.known) {
            return failed("the elements of '" + argument +
                          "' are not known, so neither are its edges");
        }
        std::vector<material::Edge> edges;
        std::string error;
        if (!material::ReadEdgeList(kRoot, edges, error)) {
            return failed(error);
        }
        val list = val::array();
        for (const material::ElementFraction& element : m.composition.elements) {
            for (const material::Edge& edge : edges) {
                if (edge.z == element.z) {
                    val row = val::object();
                    row.set("element", element.symbol);
                    row.set("shell", edge.shell);
                    row.set("energy", edge.energyMeV);
                    row.set("jump", material::EdgeJump(m.table, edge.energyMeV));
                    list.call<void>("push", row);
                }
            }
        }
        return list;
    });
}

val parseFormula(const std::string& text) {
    const material::FormulaResult parsed = material::ParseFormula(text);
    if (!parsed.ok()) {
        return failed("formula '" + text + "': " + parsed.error + " at character " +
                      std::to_string(parsed.position));
    }
    val atoms = val::object();
    for (const material::FormulaElement& element : parsed.elements) {
        atoms.set(element.symbol, element.atoms);
    }
    return atoms;
}

// The compendium's names for completion and search: each material by its own name, then each
// alias and common name, with the material it names and that material's density.
val compendiumNames() {
    const std::shared_ptr<const material::Catalogue> catalogue = material::CatalogueOf(kRoot);
    val list = val::array();
    for (const material::CatalogueName& name : catalogue->names) {
        const bool own = name.kind == material::NameKind::CompendiumName;
        if (!own && name.kind != material::NameKind::Alias &&
            name.kind != material::NameKind::Group) {
            continue;
        }
        const material::CompendiumMaterial& m = catalogue->compendium.materials[name.material];
        val entry = val::object();
        entry.set("name", name.shown);
        entry.set("material", m.name);
        entry.set("density", m.densityGPerCm3);
        entry.set("kind", std::string(own                                      ? "material"
                                      : name.kind == material::NameKind::Alias ? "alias"
                                                                               : "common name"));
        list.call<void>("push", entry);
    }
    return list;
}

val listMaterials() {
    struct Folder {
        const char* name;
        const char* pattern;
        const char* category;
    };
    constexpr std::array<Folder, 4> kFolders = {{{"ele", "*.ele", "element"},
                                                 {"mix", "*.mix1", "human"},
                                                 {"mix", "*.mix2", "phantom"},
                                                 {"mix", "*.mix3", "other"}}};
    val list = val::array();
    for (const Folder& folder : kFolders) {
        for (const std::string& file : platform::ListFiles(kRoot / folder.name, folder.pattern)) {
            const std::string path = std::string(folder.name) + "/" + file;
            data::DataFileHeader header;
            if (!data::ReadDataFileHeader(kRoot / path, header).ok()) {
                continue;
            }
            val entry = val::object();
            entry.set("path", path);
            entry.set("name", header.name);
            entry.set("category", std::string(folder.category));
            entry.set("density", header.density);
            list.call<void>("push", entry);
        }
    }
    return list;
}

// ----------------------------------------------------------------------------- attenuation

// Runs one computation per energy; a refused energy gives `refused` and no error.
template <std::size_t N, typename Compute>
std::array<std::vector<double>, N> perEnergy(const std::vector<double>& energies, Compute compute) {
    std::array<std::vector<double>, N> columns;
    for (std::vector<double>& column : columns) {
        column.resize(energies.size());
    }
    for (std::size_t i = 0; i < energies.size(); ++i) {
        std::array<double, N> row{};
        if (compute(energies[i], row) != attenuation::Outcome::Ok) {
            row.fill(kNaN);
        }
        for (std::size_t c = 0; c < N; ++c) {
            columns[c][i] = row[c];
        }
    }
    return columns;
}

template <std::size_t N>
val named(const std::array<std::vector<double>, N>& columns,
          const std::array<const char*, N>& names) {
    val result = val::object();
    for (std::size_t c = 0; c < N; ++c) {
        result.set(names[c], floatArray(columns[c]));
    }
    return result;
}

// The mixes of energy-absorption tables of several compositions, in order, pointing into
// `library`; empty with the message of the first that cannot be had.
std::optional<std::vector<attenuation::AbsorptionMix>>
mixesOf(const std::vector<attenuation::Composition>& compositions,
        attenuation::AbsorptionLibrary& library, std::string& error) {
    std::vector<attenuation::AbsorptionMix> mixes;
    for (const attenuation::Composition& composition : compositions) {
        std::optional<attenuation::AbsorptionMix> mix =
            attenuation::MixAbsorption(composition, library, error);
        if (!mix) {
            return std::nullopt;
        }
        mixes.push_back(std::move(*mix));
    }
    return mixes;
}

std::optional<attenuation::Composition> libraryComposition(std::string_view path,
                                                           std::string& error) {
    return attenuation::FindComposition(kRoot, path, error);
}

// mu/rho, mu_en/rho and the kerma ratios to dry air and to water, as the absorption command.
val absorption(const std::string& argument, const val& energiesArray) {
    return onShares(argument, [&](const material::ResolvedMaterial& m,
                                  const attenuation::Composition& shares) {
        std::string error;
        attenuation::AbsorptionLibrary library(kRoot);
        const std::optional<attenuation::Composition> air =
            libraryComposition(attenuation::kDryAirPath, error);
        const std::optional<attenuation::Composition> water =
            air ? libraryComposition(attenuation::kWaterPath, error) : std::nullopt;
        std::optional<std::vector<attenuation::AbsorptionMix>> mixes =
            water ? mixesOf({shares, *air, *water}, library, error) : std::nullopt;
        if (!mixes) {
            return failed(error);
        }
        const attenuation::AbsorptionColumns columns(std::move((*mixes)[0]), std::move((*mixes)[1]),
                                                     std::move((*mixes)[2]));
        return named<4>(
            perEnergy<4>(numbers(energiesArray),
                         [&](double energy, std::array<double, 4>& row) {
                             attenuation::AbsorptionRow r;
                             const attenuation::Outcome outcome =
                                 attenuation::AbsorptionAt(m.table, columns, energy, r);
                             row = {r.muRho, r.muEnRho, r.kermaRatioAir, r.kermaRatioWater};
                             return outcome;
                         }),
            {"mu_rho", "mu_en_rho", "kerma_air", "kerma_water"});
    });
}

val muEnRho(const std::string& argument, const val& energiesArray) {
    return onShares(argument, [&](const material::ResolvedMaterial&,
                                  const attenuation::Composition& shares) {
        std::string error;
        attenuation::AbsorptionLibrary library(kRoot);
        const std::optional<std::vector<attenuation::AbsorptionMix>> mix =
            mixesOf({shares}, library, error);
        if (!mix) {
            return failed(error);
        }
        return floatArray(
            perEnergy<1>(numbers(energiesArray), [&](double energy, std::array<double, 1>& row) {
                return attenuation::MassEnergyAbsorption(mix->front(), energy, row[0]);
            })[0]);
    });
}

val halfValueLayers(const std::string& argument, const val& energiesArray, const val& density) {
    return onMaterial(argument, [&](const material::ResolvedMaterial& m) {
        std::string error;
        const double rho = densityOf(m, density, error);
        if (!error.empty()) {
            return failed(error);
        }
        const data::MaterialTable& table = m.table;
        return named<4>(perEnergy<4>(numbers(energiesArray),
                                     [&](double energy, std::array<double, 4>& row) {
                                         attenuation::HalfValueRow r;
                                         const attenuation::Outcome outcome =
                                             attenuation::HalfValueAt(table, rho, energy, r);
                                         row = {r.mu, r.hvl, r.tvl, r.mfp};
                                         return outcome;
                                     }),
                        {"mu", "hvl", "tvl", "mfp"});
    });
}

// The layers of a stack, [[material, cm], [material, cm, density], ...], with the materials
// they hold kept alive. A thickness may be a text with its unit ("5 mm", "2 g/cm2").
struct Stack {
    std::vector<Material> materials;
    std::vector<attenuation::Layer> layers;
};

std::optional<Stack> stackOf(const val& list, std::string& error) {
    Stack stack;
    const auto count = list["length"].as<unsigned>();
    for (unsigned i = 0; i < count; ++i) {
        const val layer = list[i];
        const std::string where = "layer " + std::to_string(i + 1);
        if (!val::global("Array").call<bool>("isArray", layer) ||
            (layer["length"].as<unsigned>() != 2 && layer["length"].as<unsigned>() != 3) ||
            !layer[0].isString()) {
            error = where + " is not [material, cm] or [material, cm, density]";
            return std::nullopt;
        }
        const std::string name = layer[0].as<std::string>();
        const std::optional<Material> found = resolve(name, error);
        if (!found) {
            return std::nullopt;
        }
        std::string unreadable;
        const std::optional<attenuation::Thickness> thickness =
            layer[1].isString() ? attenuation::ReadThickness(layer[1].as<std::string>(), unreadable)
                                : std::optional(attenuation::Thickness{
                                      layer[1].isNumber() ? layer[1].as<double>() : kNaN, false});
        if (!thickness || !(thickness->value >= 0.0) || !std::isfinite(thickness->value)) {
            error = where + " ('" + name + "'): " +
                    (unreadable.empty() ? "the thickness is not a number of cm, 0 or more"
                                        : unreadable);
            return std::nullopt;
        }
        const double density = densityOf(**found, layer[2], error);
        if (!error.empty()) {
            error = where + " ('" + name + "'): " + error;
            return std::nullopt;
        }
        stack.materials.push_back(*found);
        stack.layers.push_back({&(*found)->table, density, thickness->Cm(density)});
    }
    if (stack.layers.empty()) {
        error = "a stack needs at least one layer";
        return std::nullopt;
    }
    return stack;
}

val transmission(const val& list, const val& energiesArray) {
    std::string error;
    const std::optional<Stack> stack = stackOf(list, error);
    if (!stack) {
        return failed(error);
    }
    return floatArray(
        perEnergy<1>(numbers(energiesArray), [&](double energy, std::array<double, 1>& row) {
            double muX = 0.0;
            const attenuation::Outcome outcome = attenuation::StackAt(stack->layers, energy, muX);
            row[0] = std::exp(-muX);
            return outcome;
        })[0]);
}

val effectiveZ(const std::string& argument, const val& energiesArray) {
    return onShares(
        argument, [&](const material::ResolvedMaterial&, const attenuation::Composition& shares) {
            std::string error;
            attenuation::ElementLibrary library(kRoot);
            const auto elements = attenuation::ElementsOf(shares, library, error);
            if (!elements) {
                return failed(error);
            }
            return named<2>(perEnergy<2>(numbers(energiesArray),
                                         [&](double energy, std::array<double, 2>& row) {
                                             attenuation::EffectiveZRow r;
                                             const attenuation::Outcome outcome =
                                                 attenuation::EffectiveZAt(*elements, energy, r);
                                             row = {r.zeff, r.neff};
                                             return outcome;
                                         }),
                            {"zeff", "neff"});
        });
}

// First and second half-value layers of a spectrum given as the text of a spectrum file.
val spectrumHalfValueLayers(const std::string& spectrum, const std::string& argument,
                            const val& density, bool energiesInKeV) {
    std::vector<attenuation::SpectrumBin> bins;
    attenuation::SpectrumProblem problem;
    if (!attenuation::ReadSpectrum(spectrum, bins, problem, energiesInKeV)) {
        return failed("the spectrum, " + attenuation::DescribeSpectrumProblem(problem));
    }
    return onMaterial(argument, [&](const material::ResolvedMaterial& m) {
        std::string error;
        const double rho = densityOf(m, density, error);
        attenuation::AbsorptionLibrary library(kRoot);
        const std::optional<attenuation::Composition> air =
            error.empty() ? libraryComposition(attenuation::kDryAirPath, error) : std::nullopt;
        const std::optional<std::vector<attenuation::AbsorptionMix>> airMix =
            air ? mixesOf({*air}, library, error) : std::nullopt;
        if (!airMix) {
            return failed(error);
        }
        attenuation::HalfValueLayers layers;
        if (!attenuation::SpectrumHalfValueLayers(bins, {&m.table, rho, 0.0}, airMix->front(),
                                                  layers, problem)) {
            return failed(attenuation::DescribeSpectrumProblem(problem));
        }
        val result = val::object();
        result.set("first", layers.first);
        result.set("second", layers.second);
        result.set("homogeneity", layers.homogeneity);
        result.set("bins", static_cast<double>(bins.size()));
        return result;
    });
}

// A typed number as the command line reads one; an energy in keV becomes MeV by moving the
// decimal point in the text. Null when the text is no number.
val readNumber(const std::string& text, bool keV) {
    const std::optional<double> value =
        keV ? attenuation::ReadKeVAsMeV(text) : attenuation::ReadNumberField(text);
    return value ? val(*value) : val::null();
}

// The energies of a typed text in the other unit (MeV to keV with `toKeV`, else back), each
// read in its new unit as the same double: every energy of a list, or the text as one energy
// (blanks around it kept). What is no energy stays as typed.
std::string energiesInOtherUnit(const std::string& text, bool toKeV, bool list) {
    if (list) {
        return attenuation::EnergiesInOtherUnit(text, toKeV);
    }
    const std::size_t first = std::min(text.find_first_not_of(" \t"), text.size());
    const std::size_t last = text.find_last_not_of(" \t") + 1;
    const std::optional<std::string> energy =
        attenuation::EnergyInOtherUnit(std::string_view(text).substr(first, last - first), toKeV);
    return energy ? text.substr(0, first) + *energy + text.substr(last) : text;
}

// ----------------------------------------------------------------------------- pictures

val scaleOf(const HtmlCanvas& canvas) {
    val scale = val::object();
    scale.set("left", canvas.ScaleLeft());
    scale.set("top", canvas.ScaleTop());
    scale.set("width", canvas.ScaleWidth());
    scale.set("height", canvas.ScaleHeight());
    return scale;
}

// Draws the graph ("graph") or the fraction plot ("fraction") of a material on a 2D context
// of width x height picture pixels; returns the user scale for the read-out.
val drawPlot(const std::string& argument, const std::string& which, val context, int width,
             int height) {
    return onMaterial(argument, [&](const material::ResolvedMaterial& m) {
        HtmlCanvas canvas(std::move(context), width, height);
        if (which == "fraction") {
            graph::PrepareFractionCanvas(canvas);
            graph::DrawFractionPlot(canvas, m.table);
        } else {
            graph::PrepareGraphCanvas(canvas);
            graph::DrawGraphPlot(canvas, m.table);
        }
        return scaleOf(canvas);
    });
}

// The enlarged view of several materials, the first without and the others with circles at
// their tabulated points, as materials are added to it one by one.
val drawEnlarged(const val& names, val context, int width, int height) {
    std::vector<Material> materials;
    std::string error;
    const auto count = names["length"].as<unsigned>();
    for (unsigned i = 0; i < count; ++i) {
        const std::optional<Material> found = resolve(names[i].as<std::string>(), error);
        if (!found) {
            return failed(error);
        }
        materials.push_back(*found);
    }
    HtmlCanvas canvas(std::move(context), width, height);
    graph::PrepareEnlargedCanvas(canvas);
    data::MaterialTable scratch;
    graph::DrawEnlargedFrame(canvas, scratch);
    int used = 0;
    for (const Material& material : materials) {
        auto table = std::make_unique<data::MaterialTable>(material->table);
        table->EnlargedViewUsed = used;
        graph::DrawEnlargedCurves(canvas, *table);
        used = table->EnlargedViewUsed;
    }
    return scaleOf(canvas);
}

// The transmission of a stack against energy, as the Attenuation window draws it.
val drawTransmission(const val& list, val context, int width, int height) {
    std::string error;
    const std::optional<Stack> stack = stackOf(list, error);
    if (!stack) {
        return failed(error);
    }
    HtmlCanvas canvas(std::move(context), width, height);
    attenuation::DrawTransmissionPlot(canvas, stack->layers);
    return scaleOf(canvas);
}

// A tabulated row for the read-out: its number, energy, six coefficients and where the
// read-out's line stands for it (user x).
val rowObject(const data::MaterialTable& t, int row) {
    const auto s = static_cast<std::size_t>(row);
    val result = val::object();
    result.set("row", row);
    result.set("rows", t.RowCount);
    result.set("x", graph::ReadoutX(t.Energy[s]));
    result.set("energy", t.Energy[s]);
    const std::array<double, 6> values = {t.Coherent[s],    t.Incoherent[s],   t.PhotoElectric[s],
                                          t.PairNuclear[s], t.PairElectron[s], t.Total[s]};
    for (std::size_t c = 0; c < kColumns.size(); ++c) {
        result.set(kColumns[c], values[c]);
    }
    return result;
}

// The transmission plot's note when there is nothing to draw.
void drawNoTransmission(const std::string& note, val context, int width, int height) {
    HtmlCanvas canvas(std::move(context), width, height);
    attenuation::DrawNoTransmission(canvas, note);
}

// What the read-out shows for a pointer at user (x, y) of the graph or fraction plot: the
// nearest tabulated row, or null off the plot.
val readout(const std::string& argument, const std::string& which, float x, float y) {
    return onMaterial(argument, [&](const material::ResolvedMaterial& m) {
        const bool inside =
            which == "fraction" ? graph::InsideFraction(x, y) : graph::InsideGraph(x, y);
        const std::optional<int> row = inside ? graph::NearestRow(m.table, x) : std::nullopt;
        return row ? rowObject(m.table, *row) : val::null();
    });
}

// Row `row` (1..RowCount, kept within) for the read-out moved by the keyboard.
val readoutRow(const std::string& argument, int row) {
    return onMaterial(argument, [&](const material::ResolvedMaterial& m) {
        return m.table.RowCount < 1 ? val::null()
                                    : rowObject(m.table, std::clamp(row, 1, m.table.RowCount));
    });
}

// ----------------------------------------------------------------------------- files

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

// ----------------------------------------------------------------------------- shielding

// The library's buildup tables, nuclides and dry air, read once: the page never changes them.
shielding::ShieldingLibrary& shieldingLibrary() {
    static shielding::ShieldingLibrary library(kRoot);
    return library;
}

std::optional<shielding::BuildupKind> buildupKindOf(const std::string& word, std::string& error) {
    const std::optional<shielding::BuildupKind> kind = shielding::BuildupKindNamed(word);
    if (!kind) {
        error = "kind takes 'exposure' or 'absorption', not '" + word + "'";
    }
    return kind;
}

// The buildup function of a material (its own table or equivalent Z, or the table named).
std::optional<Function> buildupFunction(const std::string& argument,
                                        const material::ResolvedMaterial& m,
                                        shielding::BuildupKind kind, const std::string& table,
                                        std::string& error) {
    const std::string key =
        std::string(shielding::BuildupKindWord(kind)) + '\n' + table + '\n' + argument;
    if (const auto found = g_functions.find(key); found != g_functions.end()) {
        return found->second;
    }
    shielding::ShieldingLibrary& library = shieldingLibrary();
    const shielding::BuildupTables* tables = library.Buildup(error);
    std::optional<shielding::BuildupFunction> function =
        tables == nullptr
            ? std::nullopt
            : shielding::BuildupFunctionOf(m, *tables, kind, library.Elements(), table, error);
    if (!function) {
        return std::nullopt;
    }
    if (g_functions.size() >= kFunctionsKept) {
        g_functions.clear();
    }
    auto made = std::make_shared<const shielding::BuildupFunction>(std::move(*function));
    g_functions.emplace(key, made);
    return made;
}

// B and Zeq at pairs of energy (MeV) and penetration (mfp) of one length; NaN where the pair
// lies outside the table or beyond 100 mfp. {buildup, zeq, table, lowest, highest,
// extrapolated}: table is the own table's name (null for equivalent Z), lowest and highest its
// energies, extrapolated whether any pair lies beyond 40 mfp.
val buildupAt(const std::string& argument, const std::string& kindWord, const std::string& table,
              const val& energiesArray, const val& mfpArray) {
    return onMaterial(argument, [&](const material::ResolvedMaterial& m) {
        std::string error;
        const std::optional<shielding::BuildupKind> kind = buildupKindOf(kindWord, error);
        const std::optional<Function> function =
            kind ? buildupFunction(argument, m, *kind, table, error) : std::nullopt;
        if (!function) {
            return failed(error);
        }
        const std::vector<double> energies = numbers(energiesArray);
        const std::vector<double> penetrations = numbers(mfpArray);
        if (energies.size() != penetrations.size()) {
            return failed("energies and penetrations must be of one length");
        }
        std::vector<double> factors(energies.size());
        std::vector<double> zeq(energies.size());
        bool extrapolated = false;
        for (std::size_t i = 0; i < energies.size(); ++i) {
            shielding::BuildupValue value;
            if ((*function)->At(energies[i], penetrations[i], value) != attenuation::Outcome::Ok) {
                factors[i] = kNaN;
                zeq[i] = kNaN;
                continue;
            }
            factors[i] = value.buildup;
            zeq[i] = value.zeq;
            extrapolated = extrapolated || value.extrapolated;
        }
        const std::string& own = (*function)->TableName();
        val result = val::object();
        result.set("buildup", floatArray(factors));
        result.set("zeq", own.empty() ? floatArray(zeq) : val::null());
        result.set("table", own.empty() ? val::null() : val(own));
        result.set("lowest", (*function)->LowestEnergyMeV());
        result.set("highest", (*function)->HighestEnergyMeV());
        result.set("extrapolated", extrapolated);
        return result;
    });
}

// A source given as text (a nuclide, "lines:E=Y,...", a spectrum file of the library) or as
// [[energy MeV, photons per decay], ...].
bool sourceOf(const val& given, bool keV, shielding::Source& source, std::string& error) {
    if (given.isString()) {
        return shielding::ResolveSource(shieldingLibrary(), given.as<std::string>(), keV, source,
                                        error);
    }
    if (!val::global("Array").call<bool>("isArray", given)) {
        error = "a source is a nuclide's name, \"lines:E=Y,...\" or an array of [energy, "
                "photons per decay]";
        return false;
    }
    source.name = "lines";
    const auto count = given["length"].as<unsigned>();
    for (unsigned i = 0; i < count; ++i) {
        const val pair = given[i];
        const bool isPair = val::global("Array").call<bool>("isArray", pair) &&
                            pair["length"].as<unsigned>() == 2 && pair[0].isNumber() &&
                            pair[1].isNumber();
        const double energy = isPair ? pair[0].as<double>() : kNaN;
        const double photons = isPair ? pair[1].as<double>() : kNaN;
        if (!(energy > 0.0) || !std::isfinite(energy) || !(photons >= 0.0) ||
            !std::isfinite(photons)) {
            error = "line " + std::to_string(i + 1) +
                    " is not [energy above 0 (MeV), photons per decay of 0 or more]";
            return false;
        }
        source.lines.push_back({energy, photons, {}, {}});
    }
    return true;
}

// An activity (Bq) or distance (cm) given as a number, or as a text with its unit.
std::optional<double> quantityOf(const val& given, bool activity, std::string& error) {
    if (given.isString()) {
        const std::string text = given.as<std::string>();
        return activity ? shielding::ReadActivityBq(text, error)
                        : shielding::ReadDistanceCm(text, error);
    }
    const double value = given.isNumber() ? given.as<double>() : kNaN;
    const bool fits = std::isfinite(value) && (activity ? value >= 0.0 : value > 0.0);
    if (!fits) {
        error = activity ? "the activity must be a number of Bq from 0 up, or a text with its unit"
                         : "the distance must be a number of cm above 0, or a text with its unit";
        return std::nullopt;
    }
    return value;
}

// Everything one dose computation needs, made from the order the page or the script gives:
// {source, keV, activity, distance, layers, kind, rule, table, cutoff}. The layers point into
// the stack and the functions, the media into the mix: it is made in place and never moved.
struct DoseSetup {
    shielding::Source source;
    double activityBq = 0.0;
    double distanceCm = 0.0;
    Stack stack;
    std::vector<Function> functions;
    std::vector<shielding::ShieldLayer> layers;
    std::optional<attenuation::AbsorptionMix> lastMix;
    shielding::KermaMedia media;
    shielding::DoseOptions options;
};

std::string wordOf(const val& order, const char* name, const char* fallback) {
    const val given = order[name];
    return given.isString() ? given.as<std::string>() : std::string(fallback);
}

std::unique_ptr<DoseSetup> doseSetup(const val& order, std::string& error) {
    auto setup = std::make_unique<DoseSetup>();
    shielding::DoseOptions& options = setup->options;
    const std::string kind = wordOf(order, "kind", "exposure");
    const std::string rule = wordOf(order, "rule", "broder");
    const std::string table = wordOf(order, "table", "");
    const std::optional<shielding::DoseKind> doseKind = shielding::DoseKindNamed(kind);
    const std::optional<shielding::LayerRule> layerRule = shielding::LayerRuleNamed(rule);
    if (!doseKind) {
        error = "kind takes 'exposure', 'absorption' or 'none', not '" + kind + "'";
        return nullptr;
    }
    if (!layerRule) {
        error = "rule takes 'broder' or 'last', not '" + rule + "'";
        return nullptr;
    }
    options.kind = *doseKind;
    options.rule = *layerRule;
    const val cutoff = order["cutoff"];
    options.cutoffMeV = cutoff.isNumber() ? cutoff.as<double>() : cutoff.isUndefined() ? 0.0 : kNaN;
    if (!(options.cutoffMeV >= 0.0) || !std::isfinite(options.cutoffMeV)) {
        error = "the cut-off must be an energy of 0 MeV or more";
        return nullptr;
    }
    const std::optional<double> activity = quantityOf(order["activity"], true, error);
    const std::optional<double> distance =
        activity ? quantityOf(order["distance"], false, error) : std::nullopt;
    if (!distance) {
        return nullptr;
    }
    setup->activityBq = *activity;
    setup->distanceCm = *distance;
    if (!sourceOf(order["source"], order["keV"].isTrue(), setup->source, error)) {
        return nullptr;
    }
    const val layers = order["layers"];
    if (!layers.isUndefined() && !layers.isNull() && layers["length"].as<unsigned>() > 0) {
        std::optional<Stack> stack = stackOf(layers, error);
        if (!stack) {
            return nullptr;
        }
        setup->stack = std::move(*stack);
    }
    shielding::ShieldingLibrary& library = shieldingLibrary();
    setup->media.air = library.Air(error);
    if (setup->media.air == nullptr) {
        return nullptr;
    }
    const std::vector<Material>& materials = setup->stack.materials;
    if (options.kind == shielding::DoseKind::Absorption && !materials.empty()) {
        setup->lastMix = library.MixOf(*materials.back(), error);
        if (!setup->lastMix) {
            return nullptr;
        }
        setup->media.lastLayer = &*setup->lastMix;
    }
    // Each layer's buildup function, or the one table named for the whole stack.
    const shielding::BuildupKind buildupKind = options.kind == shielding::DoseKind::Absorption
                                                   ? shielding::BuildupKind::Absorption
                                                   : shielding::BuildupKind::Exposure;
    if (options.kind != shielding::DoseKind::None) {
        for (std::size_t i = 0; i < materials.size() && (table.empty() || i == 0); ++i) {
            const std::string name = layers[static_cast<unsigned>(i)][0].as<std::string>();
            const std::optional<Function> function =
                buildupFunction(name, *materials[i], buildupKind, table, error);
            if (!function) {
                return nullptr;
            }
            setup->functions.push_back(*function);
        }
        options.table =
            table.empty() || setup->functions.empty() ? nullptr : setup->functions.front().get();
    }
    for (std::size_t i = 0; i < setup->stack.layers.size(); ++i) {
        const attenuation::Layer& layer = setup->stack.layers[i];
        const shielding::BuildupFunction* function =
            setup->functions.empty() ? nullptr : setup->functions[table.empty() ? i : 0].get();
        setup->layers.push_back({layer.table, layer.densityGPerCm3, layer.thicknessCm, function});
    }
    return setup;
}

// A line's note as a number, which the page's script turns into words: one array for all
// lines costs less than a text for each. 0 none, 1 extrapolated, 2 no buildup data, 3 beyond
// 100 mfp.
double noteCode(shielding::LineNote note) {
    switch (note) {
    case shielding::LineNote::None:
        return 0.0;
    case shielding::LineNote::Extrapolated:
        return 1.0;
    case shielding::LineNote::NoBuildupData:
        return 2.0;
    case shielding::LineNote::BeyondRange:
        break;
    }
    return 3.0;
}

// The rate (uGy/h) of a point source behind layers: {total, mR_h, name, half_life, columns},
// columns holding one value a line (in the source's order) of energy, intensity, mfp,
// uncollided, buildup, rate and note (as noteCode gives it), column after column. A line
// without a value fails the call, naming it.
val doseRate(const val& order) {
    std::string error;
    const std::unique_ptr<DoseSetup> setup = doseSetup(order, error);
    if (!setup) {
        return failed(error);
    }
    shielding::DoseResult result;
    shielding::DoseRate(setup->source.lines, setup->activityBq, setup->distanceCm, setup->layers,
                        setup->options, setup->media, result);
    // The seven columns one after another in one array: one copy out instead of seven.
    const std::size_t count = result.lines.size();
    std::vector<double> columns(7 * count);
    for (std::size_t i = 0; i < count; ++i) {
        const shielding::LineDose& line = result.lines[i];
        if (line.outcome != attenuation::Outcome::Ok) {
            return failed("the " + numberText(line.energyMeV) + " MeV line gives no value: " +
                          attenuation::DescribeOutcome(line.outcome, line.energyMeV));
        }
        const std::array<double, 7> row = {line.energyMeV,     line.photonsPerDecay, line.mfp,
                                           line.uncollided,    line.buildup,         line.rate,
                                           noteCode(line.note)};
        for (std::size_t c = 0; c < row.size(); ++c) {
            columns[c * count + i] = row[c];
        }
    }
    val answer = val::object();
    answer.set("columns", floatArray(columns));
    answer.set("total", result.total);
    answer.set("mR_h", shielding::MilliRoentgenPerHour(result.total));
    answer.set("name", setup->source.name);
    answer.set("half_life",
               setup->source.nuclide ? val(setup->source.nuclide->halfLife) : val::null());
    return answer;
}

// The last layer's thickness (cm) that brings the rate to `target` uGy/h.
val thicknessFor(const val& order, double target) {
    std::string error;
    const std::unique_ptr<DoseSetup> setup = doseSetup(order, error);
    if (!setup) {
        return failed(error);
    }
    if (setup->layers.empty()) {
        return failed("a target rate needs at least one layer, whose thickness it finds");
    }
    if (!(target > 0.0) || !std::isfinite(target)) {
        return failed("the target is not a rate above 0 (uGy/h)");
    }
    double thickness = 0.0;
    const attenuation::Outcome outcome =
        shielding::ThicknessForRate(setup->source.lines, setup->activityBq, setup->distanceCm,
                                    setup->layers, setup->options, setup->media, target, thickness);
    if (outcome == attenuation::Outcome::NoSolution) {
        return failed("no thickness of the last layer brings the rate to " + numberText(target) +
                      " uGy/h");
    }
    if (outcome != attenuation::Outcome::Ok) {
        return failed("a line gives no value: " + attenuation::DescribeOutcome(outcome, kNaN));
    }
    return val(thickness);
}

// The air-kerma-rate constant, uGy m2/(GBq h), of a source's lines above the cut-off.
val kermaConstant(const val& given, bool keV, double cutoffMeV) {
    if (!(cutoffMeV >= 0.0) || !std::isfinite(cutoffMeV)) {
        return failed("the cut-off must be an energy of 0 MeV or more");
    }
    shielding::Source source;
    std::string error;
    const attenuation::AbsorptionMix* air =
        sourceOf(given, keV, source, error) ? shieldingLibrary().Air(error) : nullptr;
    if (air == nullptr) {
        return failed(error);
    }
    double constant = 0.0;
    const attenuation::Outcome outcome =
        shielding::KermaRateConstant(source.lines, cutoffMeV, *air, constant);
    if (outcome != attenuation::Outcome::Ok) {
        return failed("a line of " + source.name + " has no mu_en/rho of air (" +
                      std::string(attenuation::OutcomeWord(outcome)) + ")");
    }
    return val(constant);
}

// {name, element, half_life, energy, intensity, kind, emitter} of the nuclide a name means.
val nuclideNamed(const std::string& name) {
    std::string error;
    const std::vector<shielding::Nuclide>* nuclides = shieldingLibrary().Nuclides(error);
    if (nuclides == nullptr) {
        return failed(error);
    }
    const shielding::Nuclide* found = shielding::FindNuclide(*nuclides, name);
    if (found == nullptr) {
        const std::string suggestion = shielding::DidYouMean(*nuclides, name);
        return failed("'" + name + "' is no nuclide of the library" +
                      (suggestion.empty() ? std::string(" (nuclides() lists them)") : suggestion));
    }
    std::vector<double> energy;
    std::vector<double> intensity;
    val kinds = val::array();
    val emitters = val::array();
    for (const shielding::PhotonLine& line : found->lines) {
        energy.push_back(line.energyMeV);
        intensity.push_back(line.photonsPerDecay);
        kinds.call<void>("push", line.kind);
        emitters.call<void>("push", line.emitter);
    }
    val result = val::object();
    result.set("name", found->name);
    result.set("element", found->element);
    result.set("half_life", found->halfLife);
    result.set("energy", floatArray(energy));
    result.set("intensity", floatArray(intensity));
    result.set("kind", kinds);
    result.set("emitter", emitters);
    return result;
}

// The library's nuclides: [{name, element, half_life, lines}], in the file's order.
val nuclideList() {
    std::string error;
    const std::vector<shielding::Nuclide>* nuclides = shieldingLibrary().Nuclides(error);
    if (nuclides == nullptr) {
        return failed(error);
    }
    val list = val::array();
    for (const shielding::Nuclide& nuclide : *nuclides) {
        val entry = val::object();
        entry.set("name", nuclide.name);
        entry.set("element", nuclide.element);
        entry.set("half_life", nuclide.halfLife);
        entry.set("lines", static_cast<double>(nuclide.lines.size()));
        list.call<void>("push", entry);
    }
    return list;
}

// An activity ("1 GBq", "10 mCi") in Bq or a distance ("50 cm", "2 m") in cm.
val readQuantity(const std::string& text, bool activity) {
    std::string error;
    const std::optional<double> value =
        activity ? shielding::ReadActivityBq(text, error) : shielding::ReadDistanceCm(text, error);
    return value ? val(*value) : failed(error);
}

// The rate against the last layer's thickness, broad and narrow beam, with the target (above
// 0) as a line; {scale, thickness: the plot's largest}.
val drawRatePlot(const val& order, double target, val context, int width, int height) {
    std::string error;
    const std::unique_ptr<DoseSetup> setup = doseSetup(order, error);
    if (!setup) {
        return failed(error);
    }
    const double maxCm =
        shielding::PlotThicknessCm(setup->source.lines, setup->layers, setup->options.cutoffMeV);
    if (!(maxCm > 0.0)) {
        return failed("no rate to plot: the plot needs a layer and a line above the cut-off");
    }
    constexpr int kSteps = 160;
    const std::vector<shielding::RatePoint> points =
        shielding::RateAgainstThickness(setup->source.lines, setup->activityBq, setup->distanceCm,
                                        setup->layers, setup->options, setup->media, maxCm, kSteps);
    HtmlCanvas canvas(std::move(context), width, height);
    shielding::DrawRatePlot(canvas, points, target);
    val result = val::object();
    result.set("scale", scaleOf(canvas));
    result.set("thickness", maxCm);
    return result;
}

// B against the penetration, 0 to maxMfp, at one energy.
val drawBuildupPlot(const std::string& argument, const std::string& kindWord,
                    const std::string& table, double energyMeV, double maxMfp, val context,
                    int width, int height) {
    return onMaterial(argument, [&](const material::ResolvedMaterial& m) {
        std::string error;
        const std::optional<shielding::BuildupKind> kind = buildupKindOf(kindWord, error);
        const std::optional<Function> function =
            kind ? buildupFunction(argument, m, *kind, table, error) : std::nullopt;
        if (!function) {
            return failed(error);
        }
        if (!(maxMfp > 0.0) || maxMfp > shielding::kHighestMfp) {
            return failed("the plot's penetration must lie above 0 and up to 100 mfp");
        }
        HtmlCanvas canvas(std::move(context), width, height);
        shielding::DrawBuildupPlot(canvas, **function, energyMeV, maxMfp);
        return scaleOf(canvas);
    });
}

// ----------------------------------------------------------------------------- layer by layer

// 1 / cos of the angle of incidence, or the message for an angle outside 0 up to 90 degrees.
std::optional<double> pathFactorOf(double angleDeg, std::string& error) {
    std::string problem;
    const std::optional<double> factor = attenuation::PathFactor(angleDeg, problem);
    if (!factor) {
        error = "angle " + numberText(angleDeg) + ": " + problem;
    }
    return factor;
}

// Every layer's energy-absorption mix, or none when a layer's composition is not known (its
// deposited shares are then NaN).
std::optional<std::vector<attenuation::AbsorptionMix>>
layerMixesOf(const Stack& stack, attenuation::AbsorptionLibrary& library) {
    std::vector<attenuation::Composition> compositions;
    std::string error;
    for (const Material& m : stack.materials) {
        std::optional<attenuation::Composition> shares = attenuation::SharesOf(
            m->composition, m->dataPath.empty() ? m->name : m->dataPath, error);
        if (!shares) {
            return std::nullopt;
        }
        compositions.push_back(std::move(*shares));
    }
    return mixesOf(compositions, library, error);
}

// The stack's layer `sensor` (0 for the first), or the message for one outside it.
std::optional<std::size_t> sensorOf(const Stack& stack, int sensor, std::string& error) {
    if (sensor < 0 || static_cast<std::size_t>(sensor) >= stack.layers.size()) {
        error = "sensor " + std::to_string(sensor) + " is not a layer of the stack: give 0 to " +
                std::to_string(stack.layers.size() - 1) + " (0 for the first)";
        return std::nullopt;
    }
    return static_cast<std::size_t>(sensor);
}

constexpr std::array<const char*, 4> kShareNames = {"interacted", "photo_absorbed", "deposited",
                                                    "transmitted"};

std::array<double, 4> shareValues(const attenuation::LayerShare& s) {
    return {s.interacted, s.photoAbsorbed, s.deposited, s.transmitted};
}

// {interacted, photo_absorbed, deposited, transmitted}: each an array of one Float64Array per
// layer, over the energies.
val layerShares(const val& list, const val& energiesArray, double angleDeg) {
    std::string error;
    const std::optional<Stack> stack = stackOf(list, error);
    const std::optional<double> factor = stack ? pathFactorOf(angleDeg, error) : std::nullopt;
    if (!factor) {
        return failed(error);
    }
    attenuation::AbsorptionLibrary library(kRoot);
    const auto mixes = layerMixesOf(*stack, library);
    const std::vector<double> energies = numbers(energiesArray);
    const std::size_t n = stack->layers.size();
    std::array<std::vector<std::vector<double>>, 4> columns;
    for (auto& column : columns) {
        column.assign(n, std::vector<double>(energies.size(), kNaN));
    }
    std::vector<attenuation::LayerShare> shares;
    for (std::size_t i = 0; i < energies.size(); ++i) {
        if (attenuation::LayerSharesAt(stack->layers, mixes ? &*mixes : nullptr, energies[i],
                                       *factor, shares) != attenuation::Outcome::Ok) {
            continue;
        }
        for (std::size_t l = 0; l < n; ++l) {
            const std::array<double, 4> values = shareValues(shares[l]);
            for (std::size_t f = 0; f < 4; ++f) {
                columns[f][l][i] = values[f];
            }
        }
    }
    val result = val::object();
    for (std::size_t f = 0; f < 4; ++f) {
        val perLayer = val::array();
        for (const std::vector<double>& layer : columns[f]) {
            perLayer.call<void>("push", floatArray(layer));
        }
        result.set(kShareNames[f], perLayer);
    }
    return result;
}

// A spectrum file's text through the stack: {interacted, photo_absorbed, deposited,
// transmitted} as one Float64Array of a value per layer; {received, passed}, the photons of
// each bin that reach and leave each layer, one Float64Array per layer; and bins, the four of
// each bin, one Float64Array per layer.
val spectrumLayerShares(const std::string& spectrum, const val& list, double angleDeg,
                        bool energiesInKeV) {
    std::vector<attenuation::SpectrumBin> bins;
    attenuation::SpectrumProblem problem;
    if (!attenuation::ReadSpectrum(spectrum, bins, problem, energiesInKeV)) {
        return failed("the spectrum, " + attenuation::DescribeSpectrumProblem(problem));
    }
    std::string error;
    const std::optional<Stack> stack = stackOf(list, error);
    const std::optional<double> factor = stack ? pathFactorOf(angleDeg, error) : std::nullopt;
    if (!factor) {
        return failed(error);
    }
    attenuation::AbsorptionLibrary library(kRoot);
    const auto mixes = layerMixesOf(*stack, library);
    attenuation::SpectrumShares shares;
    if (!attenuation::SpectrumLayerShares(bins, stack->layers, mixes ? &*mixes : nullptr, *factor,
                                          shares, problem)) {
        return failed("the spectrum, " + attenuation::DescribeSpectrumProblem(problem));
    }
    const std::size_t n = stack->layers.size();
    std::array<std::vector<double>, 4> totals;
    val received = val::array();
    val passed = val::array();
    std::vector<double> in(bins.size());
    for (std::size_t b = 0; b < bins.size(); ++b) {
        in[b] = bins[b].weight;
    }
    for (std::size_t l = 0; l < n; ++l) {
        const std::array<double, 4> values = shareValues(shares.total[l]);
        for (std::size_t f = 0; f < 4; ++f) {
            totals[f].push_back(values[f]);
        }
        std::vector<double> out(bins.size());
        for (std::size_t b = 0; b < bins.size(); ++b) {
            out[b] = bins[b].weight * shares.bins[b][l].transmitted;
        }
        received.call<void>("push", floatArray(in));
        passed.call<void>("push", floatArray(out));
        in = std::move(out);
    }
    val result = named<4>(totals, kShareNames);
    result.set("received", received);
    result.set("passed", passed);
    // Each bin's own shares: per field, one Float64Array over the bins per layer.
    val perBin = val::object();
    for (std::size_t f = 0; f < 4; ++f) {
        val perLayer = val::array();
        for (std::size_t l = 0; l < n; ++l) {
            std::vector<double> column(bins.size());
            for (std::size_t b = 0; b < bins.size(); ++b) {
                column[b] = shareValues(shares.bins[b][l])[f];
            }
            perLayer.call<void>("push", floatArray(column));
        }
        perBin.set(kShareNames[f], perLayer);
    }
    result.set("bins", perBin);
    return result;
}

// {interacted, photo_absorbed} of the stack's layer `sensor` over the energies.
val sensorEfficiency(const val& list, const val& energiesArray, int sensor, double angleDeg) {
    std::string error;
    std::optional<Stack> stack = stackOf(list, error);
    const std::optional<double> factor = stack ? pathFactorOf(angleDeg, error) : std::nullopt;
    const std::optional<std::size_t> index =
        factor ? sensorOf(*stack, sensor, error) : std::nullopt;
    if (!index) {
        return failed(error);
    }
    stack->layers.resize(*index + 1); // the layers behind change nothing of what reaches it
    return named<2>(
        perEnergy<2>(numbers(energiesArray),
                     [&](double energy, std::array<double, 2>& row) {
                         std::vector<attenuation::LayerShare> shares;
                         const attenuation::Outcome outcome = attenuation::LayerSharesAt(
                             stack->layers, nullptr, energy, *factor, shares);
                         if (outcome == attenuation::Outcome::Ok) {
                             row = {shares.back().interacted, shares.back().photoAbsorbed};
                         }
                         return outcome;
                     }),
        {"interacted", "photo_absorbed"});
}

// The thickness (cm) of layer `sensor` that takes `fraction` of the photons: by "interacted" or
// "photo"; NaN where none does.
val sensorThickness(const val& list, const val& energiesArray, int sensor, double fraction,
                    double angleDeg, const std::string& by) {
    std::string error;
    const std::optional<Stack> stack = stackOf(list, error);
    const std::optional<double> factor = stack ? pathFactorOf(angleDeg, error) : std::nullopt;
    const std::optional<std::size_t> index =
        factor ? sensorOf(*stack, sensor, error) : std::nullopt;
    if (!index) {
        return failed(error);
    }
    if (by != "interacted" && by != "photo") {
        return failed("by takes 'interacted' or 'photo', not '" + by + "'");
    }
    if (!(fraction > 0.0 && fraction < 1.0)) {
        return failed("the fraction must lie above 0 and below 1, not " + numberText(fraction));
    }
    const auto count = by == "photo" ? attenuation::SensorCount::PhotoAbsorbed
                                     : attenuation::SensorCount::Interacted;
    return floatArray(
        perEnergy<1>(numbers(energiesArray), [&](double energy, std::array<double, 1>& row) {
            return attenuation::SensorThicknessFor(stack->layers, *index, energy, *factor, fraction,
                                                   count, row[0]);
        })[0]);
}

// The reference material as a layer, at its own density or the one given.
std::optional<attenuation::Layer> referenceOf(const std::string& reference, const val& density,
                                              Material& kept, std::string& error) {
    const std::optional<Material> found = resolve(reference, error);
    if (!found) {
        return std::nullopt;
    }
    kept = *found;
    const double rho = densityOf(*kept, density, error);
    if (!error.empty()) {
        error = "the reference '" + reference + "': " + error;
        return std::nullopt;
    }
    return attenuation::Layer{&kept->table, rho, 0.0};
}

// The thickness (cm) of the reference that transmits what the stack does, at each energy.
val equivalentThickness(const val& list, const val& energiesArray, const std::string& reference,
                        const val& density) {
    std::string error;
    const std::optional<Stack> stack = stackOf(list, error);
    Material kept;
    const std::optional<attenuation::Layer> layer =
        stack ? referenceOf(reference, density, kept, error) : std::nullopt;
    if (!layer) {
        return failed(error);
    }
    return floatArray(
        perEnergy<1>(numbers(energiesArray), [&](double energy, std::array<double, 1>& row) {
            return attenuation::EquivalentThicknessAt(stack->layers, *layer, energy, row[0]);
        })[0]);
}

// {air_kerma_transmission, thickness} of a spectrum file's text through the stack.
val spectrumEquivalentThickness(const std::string& spectrum, const val& list,
                                const std::string& reference, const val& density,
                                bool energiesInKeV) {
    std::vector<attenuation::SpectrumBin> bins;
    attenuation::SpectrumProblem problem;
    if (!attenuation::ReadSpectrum(spectrum, bins, problem, energiesInKeV)) {
        return failed("the spectrum, " + attenuation::DescribeSpectrumProblem(problem));
    }
    std::string error;
    const std::optional<Stack> stack = stackOf(list, error);
    Material kept;
    const std::optional<attenuation::Layer> layer =
        stack ? referenceOf(reference, density, kept, error) : std::nullopt;
    attenuation::AbsorptionLibrary library(kRoot);
    const std::optional<attenuation::Composition> air =
        layer ? libraryComposition(attenuation::kDryAirPath, error) : std::nullopt;
    const std::optional<std::vector<attenuation::AbsorptionMix>> airMix =
        air ? mixesOf({*air}, library, error) : std::nullopt;
    if (!airMix) {
        return failed(error);
    }
    double kerma = 0.0;
    double thickness = 0.0;
    if (!attenuation::SpectrumEquivalentThickness(bins, stack->layers, *layer, airMix->front(),
                                                  kerma, thickness, problem)) {
        return failed("the spectrum, " + attenuation::DescribeSpectrumProblem(problem));
    }
    val result = val::object();
    result.set("air_kerma_transmission", kerma);
    result.set("thickness", thickness);
    return result;
}

// The efficiency of the stack's layer `sensor` against energy, as the Attenuation window draws it.
val drawEfficiency(const val& list, int sensor, double angleDeg, val context, int width,
                   int height) {
    std::string error;
    const std::optional<Stack> stack = stackOf(list, error);
    const std::optional<double> factor = stack ? pathFactorOf(angleDeg, error) : std::nullopt;
    const std::optional<std::size_t> index =
        factor ? sensorOf(*stack, sensor, error) : std::nullopt;
    if (!index) {
        return failed(error);
    }
    HtmlCanvas canvas(std::move(context), width, height);
    attenuation::DrawEfficiencyPlot(canvas, stack->layers, *index, *factor);
    return scaleOf(canvas);
}

} // namespace

EMSCRIPTEN_BINDINGS(photonxs) {
    emscripten::function("material", &describeMaterial);
    emscripten::function("materials", &listMaterials);
    emscripten::function("compendium_names", &compendiumNames);
    emscripten::function("mu_rho_into", &muRhoInto);
    emscripten::function("mu_rho_unit_into", &muRhoUnitInto);
    emscripten::function("energy_at", &energyAt);
    emscripten::function("energy_at_all", &allEnergiesAt);
    emscripten::function("edges", &edgesOf);
    emscripten::function("parse_formula", &parseFormula);
    emscripten::function("absorption", &absorption);
    emscripten::function("mu_en_rho", &muEnRho);
    emscripten::function("hvl", &halfValueLayers);
    emscripten::function("transmission", &transmission);
    emscripten::function("zeff", &effectiveZ);
    emscripten::function("layer_shares", &layerShares);
    emscripten::function("spectrum_layer_shares_text", &spectrumLayerShares);
    emscripten::function("sensor_efficiency", &sensorEfficiency);
    emscripten::function("sensor_thickness", &sensorThickness);
    emscripten::function("equivalent_thickness", &equivalentThickness);
    emscripten::function("spectrum_equivalent_text", &spectrumEquivalentThickness);
    emscripten::function("draw_efficiency", &drawEfficiency);
    emscripten::function("spectrum_hvl_text", &spectrumHalfValueLayers);
    emscripten::function("read_number", &readNumber);
    emscripten::function("energies_in_other_unit", &energiesInOtherUnit);
    emscripten::function("draw_plot", &drawPlot);
    emscripten::function("draw_enlarged", &drawEnlarged);
    emscripten::function("draw_transmission", &drawTransmission);
    emscripten::function("draw_no_transmission", &drawNoTransmission);
    emscripten::function("readout", &readout);
    emscripten::function("readout_row", &readoutRow);
    emscripten::function("csv_text", &csvText);
    emscripten::function("check_material_file", &checkMaterialFile);
    emscripten::function("build_material", &buildMaterial);
    emscripten::function("buildup", &buildupAt);
    emscripten::function("dose_rate", &doseRate);
    emscripten::function("thickness_for", &thicknessFor);
    emscripten::function("kerma_constant", &kermaConstant);
    emscripten::function("nuclide", &nuclideNamed);
    emscripten::function("nuclide_list", &nuclideList);
    emscripten::function("read_quantity", &readQuantity);
    emscripten::function("draw_rate_plot", &drawRatePlot);
    emscripten::function("draw_buildup_plot", &drawBuildupPlot);
    emscripten::function("forget", &forget);
}
