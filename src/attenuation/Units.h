#pragma once

#include "calc/Interpolation.h"
#include "material/Resolve.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace attenuation {

class ElementLibrary;

/// A layer's thickness as written: a length, or a mass per area that the layer's density turns
/// into a length.
struct Thickness {
    double value = 0.0;   ///< cm, or g/cm2 when `perArea`
    bool perArea = false; ///< written as a mass per area (g/cm2, mg/cm2, ...)

    /// The thickness in cm of a layer of this density (g/cm3).
    double Cm(double densityGPerCm3) const { return perArea ? value / densityGPerCm3 : value; }
};

/// The units a thickness may be written in, for messages.
inline constexpr std::string_view kThicknessUnits =
    "nm, um (µm), mm, cm, m, or a mass per area: ug/cm2, mg/cm2, g/cm2, kg/m2";

/// Reads a thickness: a number of cm ("0.5"), or a number and its unit, a blank between them or
/// not ("5mm", "500 um", "2.3 g/cm2"). cm2 may be written cm^2 or cm². The number is read with
/// its decimal point moved, so "5mm" gives exactly the double "0.5" gives. Empty, with one
/// sentence in `problem` (listing the units), for anything else, a value below 0 or beyond a
/// double.
std::optional<Thickness> ReadThickness(std::string_view text, std::string& problem);

/// What a coefficient is given as: mass attenuation (cm2/g), cross-section per atom or formula
/// unit (barn/atom), linear attenuation (1/cm), or the attenuation length 1/mu in a length unit.
enum class CoefficientKind { MassAttenuation, PerAtom, Linear, Length };

struct CoefficientUnit {
    CoefficientKind kind = CoefficientKind::MassAttenuation;
    std::string_view name = "cm2/g"; ///< as printed: "cm2/g", "barn/atom", "1/cm", "mm", "um"
    int powerOfTen = 0;              ///< a length: the unit is 10^-powerOfTen cm (mm: 1, m: -2)
};

/// The coefficient units, for messages.
inline constexpr std::string_view kCoefficientUnits =
    "cm2/g, barn/atom, 1/cm, or a length for the attenuation length: nm, um (µm), mm, cm, m";

/// Reads a coefficient unit: "cm2/g", "barn/atom" (or "b/atom"), "1/cm" (or "cm-1"), or a length
/// ("nm", "um", "µm", "mm", "cm", "m"). Empty with one sentence listing them for anything else.
std::optional<CoefficientUnit> ReadCoefficientUnit(std::string_view text, std::string& problem);

/// What turns a mass coefficient (cm2/g) into a unit, for one material.
struct CoefficientScale {
    CoefficientUnit unit;
    /// barn/atom: the formula unit's mass over Avogadro's number, times 1E24 barn/cm2; 1/cm and
    /// lengths: the density (g/cm3); cm2/g: 1.
    double factor = 1.0;

    /// A mass coefficient in the unit; a length of a coefficient of 0 is an infinity.
    double Apply(double muRho) const;
    /// A length in cm in the unit's length (mm: times 10); unchanged for a unit not a length.
    double Length(double cm) const;
};

/// The mass of one atom or formula unit, g/mol: the atoms of each element times the atomic
/// weight its element file gives, summed. Empty with one sentence in `problem` for a material
/// whose elements come by weight (a mixture, a library material) or are not known; `name` is how
/// the message names it.
std::optional<double> FormulaUnitMass(const material::Composition& composition,
                                      ElementLibrary& library, std::string_view name,
                                      std::string& problem);

/// The scale of `unit` for a material: the formula unit's mass (elements of `root/ele`) for
/// barn/atom; `density` (g/cm3) when given, else the material's, for 1/cm and lengths. Empty
/// with one sentence in `problem` when the material lacks what the unit needs; `densityHint`
/// says how the face takes a density ("--density D", "density=").
std::optional<CoefficientScale> ScaleFor(const CoefficientUnit& unit,
                                         const material::ResolvedMaterial& resolved,
                                         std::optional<double> density,
                                         const std::filesystem::path& root, std::string& problem,
                                         std::string_view densityHint);

/// The total without coherent scattering, cm2/g: the four other coefficients added, each
/// interpolated in its own column, as XCOM forms its total without coherent scattering.
double TotalWithoutCoherent(const calc::CoefficientSet& set);

} // namespace attenuation
