// The page's look-ups: a material's table, coefficients at energies and energies at a total,
// edges, formulas and the names of the library and the compendium.
#include "Support.h"
#include "attenuation/Units.h"
#include "calc/Interpolation.h"
#include "calc/TotalRoots.h"
#include "data/MaterialFile.h"
#include "material/Catalogue.h"
#include "material/Edges.h"
#include "material/Formula.h"
#include "platform/FileListing.h"

#include <emscripten/bind.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace bindings {
namespace {

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

} // namespace

void BindLookups() {
    emscripten::function("material", &describeMaterial);
    emscripten::function("materials", &listMaterials);
    emscripten::function("compendium_names", &compendiumNames);
    emscripten::function("mu_rho_into", &muRhoInto);
    emscripten::function("mu_rho_unit_into", &muRhoUnitInto);
    emscripten::function("energy_at", &energyAt);
    emscripten::function("energy_at_all", &allEnergiesAt);
    emscripten::function("edges", &edgesOf);
    emscripten::function("parse_formula", &parseFormula);
}

} // namespace bindings
