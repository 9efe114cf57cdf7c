#pragma once

#include "calc/Interpolation.h"
#include "data/MaterialTable.h"
#include "shielding/Buildup.h"

#include <cstddef>

namespace bindings {

/// One row of a table or of an inverse look-up: the energy (MeV) and the six coefficients
/// (cm2/g), laid out as the Python module's structured arrays hold them.
struct EnergyRow {
    double energy = 0.0;
    double coherent = 0.0;
    double incoherent = 0.0;
    double photoElectric = 0.0;
    double pairNuclear = 0.0;
    double pairElectron = 0.0;
    double total = 0.0;
};

/// The look-ups of an array that gave no value: how many, and the index of the first.
struct Failures {
    std::size_t count = 0;
    std::size_t first = 0;
};

/// calc::CoefficientsAtEnergy at each of `count` energies (MeV) into out[i]; a look-up that
/// gives no value (out of range, calculation error, NaN) leaves six NaN. Large arrays are split
/// over the processor's cores; each value is the one a single call gives.
Failures CoefficientsAtEnergies(const data::MaterialTable& table, const double* energies,
                                calc::CoefficientSet* out, std::size_t count);

/// calc::EnergyAtTotal at each of `count` totals (cm2/g) into out[i]: the energy and the
/// coefficients there; when the look-up gives no value, NaN but for the total, which keeps the
/// value asked for (as the command line's row does). Split as above.
Failures EnergiesAtTotals(const data::MaterialTable& table, const double* totals, EnergyRow* out,
                          std::size_t count);

/// BuildupFunction::At at each of `count` (energy MeV, penetration mfp) pairs into out[i]; NaN
/// where it gives no value. Split as above.
Failures BuildupFactors(const shielding::BuildupFunction& function, const double* energies,
                        const double* mfps, double* out, std::size_t count);

} // namespace bindings
