#pragma once

#include "Library.h"
#include "attenuation/Attenuation.h"
#include "attenuation/Spectrum.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <string>
#include <vector>

namespace py = pybind11;

namespace bindings {

/// Any array-like of numbers, as a C-ordered array of doubles (copied only when it must be).
using Values = py::array_t<double, py::array::c_style | py::array::forcecast>;

/// A material argument: a Material as it is, a text resolved in the default working folder
/// ($PHOTONXS_HOME, else the shipped library). TypeError for anything else.
Material materialOf(const py::handle& argument);

/// Whether rows that give no value raise (errors="raise") or hold NaN (errors="nan");
/// ValueError for any other word.
bool raiseOnFailure(const std::string& errors);

/// A number as Python shows it ("1e-09", "0.662").
std::string numberText(double value);

/// An output array of `input`'s shape.
template <typename Row> py::array_t<Row> shapedLike(const Values& input) {
    return py::array_t<Row>(std::vector<py::ssize_t>(input.shape(), input.shape() + input.ndim()));
}

/// The array itself, or its one element for a 0-dimensional array (a number in, a number out).
inline py::object unwrapScalar(py::array result) {
    return result.ndim() == 0 ? result[py::tuple()] : py::object(std::move(result));
}

/// The layers of a stack given as (material, thickness in cm[, density in g/cm3]); the materials
/// are kept in `materials`, which must outlive the layers. TypeError or ValueError for a bad one.
std::vector<attenuation::Layer> LayersOf(const py::sequence& stack,
                                         std::vector<Material>& materials);

/// A spectrum given as energies (MeV) and the photons of each bin, checked as a spectrum file is.
/// ValueError naming the bin for a bad one.
std::vector<attenuation::SpectrumBin> SpectrumBinsOf(const Values& energies, const Values& weights);

/// Adds mu_en_rho, hvl, transmission, spectrum_hvl and zeff to the module.
void BindAttenuation(py::module_& module);

/// Adds layer_shares, sensor_efficiency, sensor_thickness and equivalent_thickness (and their
/// spectrum forms) to the module.
void BindLayers(py::module_& module);

/// Adds buildup, dose_rate, kerma_constant, nuclide and nuclides to the module.
void BindShielding(py::module_& module);

/// Adds model_dose's core to the module.
void BindModels(py::module_& module);

} // namespace bindings
