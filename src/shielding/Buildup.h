#pragma once

#include "attenuation/Attenuation.h"
#include "shielding/BuildupTables.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace material {
struct ResolvedMaterial;
}

namespace shielding {

using attenuation::Outcome;

/// Penetrations in mean free paths: the G-P fits hold up to kFittedMfp; beyond it, up to
/// kHighestMfp, the fitted K is extrapolated; beyond that there is no value.
inline constexpr double kFittedMfp = 40.0;
inline constexpr double kHighestMfp = 100.0;

/// The G-P buildup factor of one row's coefficients at a penetration of `mfp` mean free paths:
/// B(0) = 1; up to 40 mfp the fitted form, beyond it K extrapolated after Harima et al. (1991).
/// OutOfRange for a penetration below 0, above 100 or NaN; CalculationError for no finite value.
Outcome GpBuildup(const GpCoefficients& gp, double mfp, double& buildup);

/// Total without coherent scattering, mu/rho in cm2/g: what a mean free path of the buildup
/// tables is measured in. `incoherentShare` (when given) receives incoherent over that total.
Outcome AttenuationWithoutCoherent(const data::MaterialTable& table, double energyMeV,
                                   double& muRho, double* incoherentShare = nullptr);

/// Coefficients at one grid energy for a material that has no table of its own, interpolated
/// in ln Z between the two tabulated elements whose incoherent share brackets its own.
struct EquivalentRow {
    double energyMeV = 0.0;
    double zeq = 0.0;
    GpCoefficients gp;
};

/// The equivalent-Z rows of a material: at each energy of the kind's grid, R = incoherent /
/// (total - coherent) of the material; among the tabulated elements with a row there, in
/// ascending Z, the lowest adjacent pair whose R brackets it gives Zeq and the coefficients
/// (each ln-linear in ln Z); where no pair does, the element whose ln R is nearest. Grid
/// energies the material's table does not cover are left out. Empty with `error` when an element
/// file cannot be read.
std::optional<std::vector<EquivalentRow>>
EquivalentRows(const data::MaterialTable& material, const BuildupTables& tables, BuildupKind kind,
               attenuation::ElementLibrary& elements, std::string& error);

/// B at one energy and penetration, with what it was drawn from.
struct BuildupValue {
    double buildup = 1.0;
    double zeq = 0.0;          ///< the equivalent Z at the energy; 0 for a material's own table
    bool extrapolated = false; ///< beyond 40 mfp
};

/// What keeps a buildup function from a value: the energy outside its grid, or a penetration
/// outside 0 to 100 mfp.
enum class BuildupLimit { None, Energy, Penetration };

/// The buildup function of one material and kind: a table of its own or equivalent-Z rows.
class BuildupFunction {
  public:
    /// A tabulated material's own rows. `kEdgeMeV`: the K edge of a tabulated element, across
    /// which no energy is interpolated (0 for none).
    static BuildupFunction Own(const BuildupTable& table, double kEdgeMeV);
    static BuildupFunction Equivalent(std::vector<EquivalentRow> rows);

    /// B at `energyMeV` and `mfp`: on a grid energy that row's; between two, ln B linear in
    /// ln E with each B from its own row at the same mfp, except that across an own table's K
    /// edge the row on the energy's side serves (the row above at the edge itself). OutOfRange
    /// outside the grid or the penetrations GpBuildup takes.
    Outcome At(double energyMeV, double mfp, BuildupValue& value) const;

    /// The limit At meets at `energyMeV` and `mfp`, the energy's first; None within both.
    BuildupLimit LimitAt(double energyMeV, double mfp) const;

    /// The table's name ("lead", "water") for an own table; empty for equivalent Z.
    const std::string& TableName() const { return m_table; }
    double LowestEnergyMeV() const;
    double HighestEnergyMeV() const;

  private:
    std::vector<GpRow> m_rows;
    std::vector<double> m_zeq; ///< one per row for equivalent Z; empty for an own table
    std::vector<double> m_logZeq;
    std::vector<double> m_logEnergy;
    double m_edgeMeV = 0.0;
    std::string m_table;
};

/// B of one function at one energy over 0 to 100 mfp, tabulated on a fine grid and interpolated
/// (cubic, never across 2 or 40 mfp, where the grid and the fitted form change): for a
/// computation that asks the same energy at very many penetrations, as the rays of a source with
/// extent do. It agrees with BuildupFunction::At to about 1e-9 of B; below 1/4 mfp it asks the
/// function, which must outlive it.
class BuildupCurve {
  public:
    /// Empty when the function has no value at the energy (outside or below its table).
    static std::optional<BuildupCurve> Of(const BuildupFunction& function, double energyMeV);
    /// OutOfRange for a penetration below 0, above 100 or NaN, as BuildupFunction::At.
    Outcome At(double mfp, double& buildup) const;

  private:
    const BuildupFunction* m_function = nullptr;
    double m_energyMeV = 0.0;
    std::vector<double> m_nodes; ///< B at the grid's penetrations
};

/// The table a resolved material has of its own: a tabulated element (its element file, or a
/// composition of that element alone), water for the library's liquid water, air for its dry
/// air, concrete for Concrete_ANS (the concrete the tables were computed for). Null for any
/// other material.
const BuildupTable* OwnTableOf(const material::ResolvedMaterial& material,
                               const BuildupTables& tables, BuildupKind kind);

/// The function a material gets: its own table, else equivalent Z. `tableName`, when not
/// empty, names one of the tables instead ("concrete", "iron", "Pb": a data name, an element's
/// symbol or name). Empty with `error` when the name fits no table or an element file is
/// missing.
std::optional<BuildupFunction> BuildupFunctionOf(const material::ResolvedMaterial& material,
                                                 const BuildupTables& tables, BuildupKind kind,
                                                 attenuation::ElementLibrary& elements,
                                                 std::string_view tableName, std::string& error);

/// The table a typed name means: a data name ("lead", "concrete") or an element's symbol;
/// case does not matter. Null when none.
const BuildupTable* TableNamed(const BuildupTables& tables, BuildupKind kind,
                               std::string_view name);

} // namespace shielding
