// The compiled part of the photonxs Python package: materials, tables and the calculator's
// look-ups over whole numpy arrays.
#include "ArrayLookups.h"
#include "Library.h"
#include "calc/TotalRoots.h"
#include "material/Formula.h"

#include "Support.h"

#include <cstdlib>

using bindings::EnergyRow;
using bindings::Library;
using bindings::LoadedMaterial;
using bindings::Material;
using bindings::materialOf;
using bindings::numberText;
using bindings::raiseOnFailure;
using bindings::shapedLike;
using bindings::unwrapScalar;
using bindings::Values;

namespace {

void reportFailures(const bindings::Failures& failures, std::size_t count, const char* what,
                    const char* unit, double firstValue) {
    throw std::invalid_argument(std::to_string(failures.count) + " of " + std::to_string(count) +
                                " " + what + " gave no value (out of range or calculation error)" +
                                ", the first " + numberText(firstValue) + " " + unit);
}

py::object muRho(const py::handle& argument, const Values& energies, const std::string& errors) {
    const bool raise = raiseOnFailure(errors);
    const Material material = materialOf(argument);
    auto result = shapedLike<calc::CoefficientSet>(energies);
    const auto count = static_cast<std::size_t>(energies.size());
    bindings::Failures failures;
    {
        py::gil_scoped_release released;
        failures = bindings::CoefficientsAtEnergies(material->resolved.table, energies.data(),
                                                    result.mutable_data(), count);
    }
    if (raise && failures.count > 0) {
        reportFailures(failures, count, "energies", "MeV", energies.data()[failures.first]);
    }
    return unwrapScalar(std::move(result));
}

py::object energyAt(const py::handle& argument, const Values& totals, const std::string& errors) {
    const bool raise = raiseOnFailure(errors);
    const Material material = materialOf(argument);
    auto result = shapedLike<EnergyRow>(totals);
    const auto count = static_cast<std::size_t>(totals.size());
    bindings::Failures failures;
    {
        py::gil_scoped_release released;
        failures = bindings::EnergiesAtTotals(material->resolved.table, totals.data(),
                                              result.mutable_data(), count);
    }
    if (raise && failures.count > 0) {
        reportFailures(failures, count, "totals", "cm2/g", totals.data()[failures.first]);
    }
    return unwrapScalar(std::move(result));
}

// Every energy at which the total takes each value: one array of roots for a number, a list of
// them for a sequence.
py::object allEnergiesAt(const py::handle& argument, const Values& totals,
                         const std::string& errors) {
    const bool raise = raiseOnFailure(errors);
    if (totals.ndim() > 1) {
        throw std::invalid_argument("all=True takes one total or a sequence of totals");
    }
    const Material material = materialOf(argument);
    const auto count = static_cast<std::size_t>(totals.size());
    std::vector<std::vector<calc::TotalRoot>> roots(count);
    std::size_t none = 0;
    {
        py::gil_scoped_release released;
        for (std::size_t i = 0; i < count; ++i) {
            roots[i] = calc::EnergiesAtTotal(material->resolved.table, totals.data()[i]);
            none += roots[i].empty() ? 1 : 0;
        }
    }
    if (raise && none > 0) {
        throw std::invalid_argument(std::to_string(none) + " of " + std::to_string(count) +
                                    " totals are taken at no energy of the table");
    }
    py::list arrays;
    for (const std::vector<calc::TotalRoot>& some : roots) {
        py::array_t<EnergyRow> rows(static_cast<py::ssize_t>(some.size()));
        EnergyRow* out = rows.mutable_data();
        for (const calc::TotalRoot& root : some) {
            const calc::CoefficientSet& set = root.set;
            *out++ = {root.energyMeV,  set.coherent,     set.incoherent, set.photoElectric,
                      set.pairNuclear, set.pairElectron, set.total};
        }
        arrays.append(std::move(rows));
    }
    return totals.ndim() == 0 ? py::object(arrays[0]) : py::object(std::move(arrays));
}

py::list edgesOf(const py::handle& argument) {
    const Material material = materialOf(argument);
    const std::string name =
        py::isinstance<py::str>(argument) ? argument.cast<std::string>() : material->resolved.name;
    py::list rows;
    for (const bindings::MaterialEdge& edge : bindings::EdgesOf(*material, name)) {
        rows.append(py::make_tuple(edge.element, edge.shell, edge.energyMeV, edge.jump));
    }
    return rows;
}

py::array_t<EnergyRow> tableOf(const LoadedMaterial& material) {
    const data::MaterialTable& table = material.resolved.table;
    py::array_t<EnergyRow> rows(table.RowCount);
    EnergyRow* out = rows.mutable_data();
    for (std::size_t i = 1; i <= static_cast<std::size_t>(table.RowCount); ++i) {
        out[i - 1] = {table.Energy[i],        table.Coherent[i],    table.Incoherent[i],
                      table.PhotoElectric[i], table.PairNuclear[i], table.PairElectron[i],
                      table.Total[i]};
    }
    return rows;
}

// By weight fraction, in order of first appearance; None when the material's elements are not
// known.
py::object compositionOf(const LoadedMaterial& material) {
    const material::Composition& composition = material.resolved.composition;
    if (!composition.known) {
        return py::none();
    }
    py::dict fractions;
    for (const material::ElementFraction& element : composition.elements) {
        fractions[py::str(element.symbol)] = element.weightFraction;
    }
    return fractions;
}

py::dict parseFormula(const std::string& text) {
    const material::FormulaResult parsed = material::ParseFormula(text);
    if (!parsed.ok()) {
        throw std::invalid_argument("formula '" + text + "': " + parsed.error + " at character " +
                                    std::to_string(parsed.position));
    }
    py::dict atoms;
    for (const material::FormulaElement& element : parsed.elements) {
        atoms[py::str(element.symbol)] = element.atoms;
    }
    return atoms;
}

std::vector<bindings::DataFileEntry> dataFiles(const Library& library) {
    std::vector<std::string> problems;
    std::vector<bindings::DataFileEntry> entries = library.DataFiles(problems);
    for (const std::string& problem : problems) {
        if (PyErr_WarnEx(PyExc_UserWarning, problem.c_str(), 1) != 0) {
            throw py::error_already_set();
        }
    }
    return entries;
}

} // namespace

PYBIND11_MODULE(_core, m) {
    m.doc() = "The compiled part of photonxs; use the photonxs package.";
    // The records of the structured arrays the look-ups return.
    PYBIND11_NUMPY_DTYPE_EX(calc::CoefficientSet, coherent, "coherent", incoherent, "incoherent",
                            photoElectric, "photo_electric", pairNuclear, "pair_nuclear",
                            pairElectron, "pair_electron", total, "total");
    PYBIND11_NUMPY_DTYPE_EX(EnergyRow, energy, "energy", coherent, "coherent", incoherent,
                            "incoherent", photoElectric, "photo_electric", pairNuclear,
                            "pair_nuclear", pairElectron, "pair_electron", total, "total");
    py::register_exception_translator([](std::exception_ptr thrown) {
        try {
            if (thrown) {
                std::rethrow_exception(thrown);
            }
        } catch (const bindings::NotFound& notFound) {
            PyErr_SetString(PyExc_FileNotFoundError, notFound.what());
        }
    });

    py::class_<bindings::DataFileEntry>(m, "DataFile",
                                        "One data file of a working folder, as listed.")
        .def_readonly("path", &bindings::DataFileEntry::path,
                      "Path relative to the working folder, e.g. 'ele/082_Pb.ele'.")
        .def_readonly("name", &bindings::DataFileEntry::name, "The material's name.")
        .def_readonly("category", &bindings::DataFileEntry::category,
                      "'element', 'human', 'phantom' or 'other'.")
        .def_readonly("density", &bindings::DataFileEntry::density, "Density, g/cm3.")
        .def("__repr__", [](const bindings::DataFileEntry& entry) {
            return "DataFile(path='" + entry.path + "', name='" + entry.name + "', category='" +
                   entry.category + "', density=" + numberText(entry.density) + ")";
        });

    py::class_<LoadedMaterial, Material>(
        m, "Material", "A loaded material: name, density, composition and table of coefficients.")
        .def_property_readonly(
            "path",
            [](const LoadedMaterial& material) -> py::object {
                const std::string& path = material.resolved.dataPath;
                return path.empty() ? py::object(py::none()) : py::str(path);
            },
            "The data file relative to its working folder ('ele/082_Pb.ele'); None for a "
            "formula: or mix: expression.")
        .def_property_readonly(
            "name", [](const LoadedMaterial& material) { return material.resolved.name; },
            "The name on the data file's first line, the compendium's name, or the expression.")
        .def_property_readonly(
            "density",
            [](const LoadedMaterial& material) { return material.resolved.densityGPerCm3; },
            "Density, g/cm3, from the data file or the compendium (or, for a formula, from the "
            "library material of the same composition); None otherwise.")
        .def_property_readonly(
            "note", [](const LoadedMaterial& material) { return material.resolved.note; },
            "Which material a name was taken for where it could be read otherwise (an alias "
            "that reads as a formula, a name matched by its words, a formula with a library "
            "material's composition); '' where the name says it plainly.")
        .def_property_readonly("composition", &compositionOf,
                               "Weight fraction of each element by symbol, in order of first "
                               "appearance; None when the data file does not say.")
        .def_property_readonly("table", &tableOf,
                               "The tabulated rows as a structured array: energy (MeV) and the "
                               "six coefficients (cm2/g), the total last.")
        .def("__repr__", [](const LoadedMaterial& material) {
            const material::ResolvedMaterial& resolved = material.resolved;
            std::string text = "<Material '" + resolved.name + "'";
            if (!resolved.dataPath.empty()) {
                text += " from " + resolved.dataPath;
            }
            if (resolved.densityGPerCm3) {
                text += ", " + numberText(*resolved.densityGPerCm3) + " g/cm3";
            }
            return text + ">";
        });

    py::class_<Library>(m, "Library", "A working folder holding ele/ and mix/.")
        .def(py::init([](const std::optional<std::string>& root) {
                 return root ? Library(*root)
                             : Library(Library::DefaultRoot(std::getenv("PHOTONXS_HOME")));
             }),
             py::arg("root") = py::none(),
             "Library(root=None)\n\nThe working folder `root`; without it $PHOTONXS_HOME when "
             "set, else the library the package carries. FileNotFoundError when the folder is "
             "not there, or without root and $PHOTONXS_HOME in a build tree, which carries "
             "none.")
        .def_property_readonly(
            "root", [](const Library& library) { return library.Root().generic_string(); },
            "The folder, as given.")
        .def("materials", &dataFiles,
             "Every readable data file: elements, then human tissues, phantom substances and "
             "others, each by file name. A file that cannot be read is left out with a "
             "UserWarning naming it.")
        .def("material", &Library::Load, py::arg("expr"),
             "The material a text names: a path ('ele/082_Pb.ele', 'mix/Water_Liquid.mix2'), a "
             "file name, an element symbol ('Pb'), a material file name without extension "
             "('Water_Liquid'), 'formula:H2O' or 'mix:Pb=80,C=17.6,H=2.4'. FileNotFoundError "
             "when no data file matches, ValueError when the file is damaged, the name matches "
             "several files or the expression cannot be built.")
        .def("__repr__", [](const Library& library) {
            return "Library('" + library.Root().generic_string() + "')";
        });

    m.def("_mu_rho", &muRho, py::arg("material"), py::arg("energies"), py::arg("errors"));
    m.def("_energy_at", &energyAt, py::arg("material"), py::arg("mu"), py::arg("errors"));
    m.def("_all_energies_at", &allEnergiesAt, py::arg("material"), py::arg("mu"),
          py::arg("errors"));
    m.def("_edges", &edgesOf, py::arg("material"));
    m.def("_material", &materialOf, py::arg("expr"));
    m.def("_parse_formula", &parseFormula, py::arg("text"));
    m.def(
        "_set_shipped_library",
        [](const std::string& library) { Library::SetShippedLibrary(library); },
        py::arg("library"));
    bindings::BindAttenuation(m);
    bindings::BindShielding(m);
    bindings::BindModels(m);
    bindings::BindLayers(m);
}
