#include "Support.h"

#include <cstdlib>
#include <stdexcept>

namespace bindings {

Material materialOf(const py::handle& argument) {
    if (py::isinstance<LoadedMaterial>(argument)) {
        return argument.cast<Material>();
    }
    if (!py::isinstance<py::str>(argument)) {
        throw py::type_error("a material is a Material or a text, not " +
                             std::string(py::str(py::type::of(argument).attr("__name__"))));
    }
    const Library library(Library::DefaultRoot(std::getenv("PHOTONXS_HOME")));
    return library.Load(argument.cast<std::string>());
}

bool raiseOnFailure(const std::string& errors) {
    if (errors == "raise") {
        return true;
    }
    if (errors != "nan") {
        throw std::invalid_argument("errors takes 'nan' or 'raise', not '" + errors + "'");
    }
    return false;
}

std::string numberText(double value) { return py::repr(py::float_(value)); }

} // namespace bindings
