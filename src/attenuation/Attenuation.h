#pragma once

#include "attenuation/Compositions.h"
#include "attenuation/EnergyAbsorption.h"
#include "calc/Interpolation.h"
#include "data/MaterialTable.h"

#include <array>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace attenuation {

/// The reference materials the kerma ratios and the air kerma are taken against.
inline constexpr std::string_view kDryAirPath = "mix/Air_Dry.mix3";
inline constexpr std::string_view kWaterPath = "mix/Water_Liquid.mix2";
/// The concrete the buildup tables were computed for (ANSI/ANS-6.4.3), 2.3 g/cm3.
inline constexpr std::string_view kConcreteAnsPath = "mix/Concrete_ANS.mix3";

/// Avogadro's number, 1/mol.
inline constexpr double kAvogadro = 6.02214076e23;

/// Why a quantity has no value at an energy. OutOfRange: the calculator refuses the energy for
/// mu/rho. NoAbsorptionData: outside 0.001..20 MeV, or an element above Z = 92. NoSolution: no
/// thickness gives the transmission asked for. CalculationError: no finite value.
enum class Outcome { Ok, OutOfRange, NoAbsorptionData, NoSolution, CalculationError };

/// The outcome of a look-up in a material table.
Outcome OutcomeOf(calc::CalcStatus status);

/// The word a failed row prints in place of its numbers ("OutOfRange", "NoAbsorptionData", ...).
std::string_view OutcomeWord(Outcome outcome);

/// One sentence for a failed row, for messages ("no energy-absorption data at 25 MeV ...").
std::string DescribeOutcome(Outcome outcome, double energyMeV);

/// The total mass attenuation coefficient of a loaded table, cm2/g: the calculator's look-up.
Outcome MassAttenuation(const data::MaterialTable& table, double energyMeV, double& muRho);

/// A composition tied to the energy-absorption tables of its elements.
struct AbsorptionMix {
    std::vector<std::pair<const AbsorptionTable*, double>> parts; ///< table, weight fraction
    bool complete = false; ///< false when an element has no table (Z above 92)
};

/// Ties `composition` to `library`. Empty with `error` set when a table of Z 1..92 is missing or
/// damaged; an element above 92 gives a mix that is not complete.
std::optional<AbsorptionMix> MixAbsorption(const Composition& composition,
                                           AbsorptionLibrary& library, std::string& error);

/// mu_en/rho of a mix, cm2/g: the weight-fraction sum of its elements' values.
Outcome MassEnergyAbsorption(const AbsorptionMix& mix, double energyMeV, double& muEnRho);
/// The same with the energy's natural logarithm given; the result is the same double.
Outcome MassEnergyAbsorption(const AbsorptionMix& mix, double energyMeV, double logEnergy,
                             double& muEnRho);

/// One row of the absorption table: mu/rho and mu_en/rho (cm2/g), and mu_en/rho over that of dry
/// air and of liquid water.
struct AbsorptionRow {
    double muRho = 0.0;
    double muEnRho = 0.0;
    double kermaRatioAir = 0.0;
    double kermaRatioWater = 0.0;
};

/// The three mixes of an absorption row (the material's, dry air's and water's), with the
/// element tables they share found once: each element is then looked up once per energy, and
/// each mix's sum is taken in its own order, the very doubles MassEnergyAbsorption gives.
class AbsorptionColumns {
  public:
    AbsorptionColumns(AbsorptionMix material, AbsorptionMix air, AbsorptionMix water);

    /// mu_en/rho of the material, dry air and water, in that order.
    Outcome At(double energyMeV, double logEnergy, std::array<double, 3>& values) const;

  private:
    std::array<AbsorptionMix, 3> m_mixes;
    std::vector<const AbsorptionTable*> m_distinct; ///< each table the mixes hold, once
    std::vector<std::size_t> m_slotOfPart; ///< for the mixes' parts in order, their table's slot
};

Outcome AbsorptionAt(const data::MaterialTable& table, const AbsorptionColumns& columns,
                     double energyMeV, AbsorptionRow& row);

/// Linear attenuation coefficient (1/cm) and the half-value, tenth-value layers and mean free
/// path (cm) at one energy for a density in g/cm3.
struct HalfValueRow {
    double mu = 0.0;
    double hvl = 0.0;
    double tvl = 0.0;
    double mfp = 0.0;
};
Outcome HalfValueAt(const data::MaterialTable& table, double densityGPerCm3, double energyMeV,
                    HalfValueRow& row);

/// One layer of a stack; the table must stay loaded while the layer is used.
struct Layer {
    const data::MaterialTable* table = nullptr;
    double densityGPerCm3 = 0.0;
    double thicknessCm = 0.0;
};

/// mu x of each layer and their sum at one energy; the stack's transmission is exp(-sum).
/// `perLayer` (when given) receives one value per layer.
Outcome StackAt(const std::vector<Layer>& layers, double energyMeV, double& muX,
                std::vector<double>* perLayer = nullptr);

/// Thickness (cm) of the last layer that brings the stack's transmission at one energy to
/// `transmission` (0 < T <= 1); NoSolution when the other layers alone let less through.
Outcome ThicknessFor(const std::vector<Layer>& layers, double energyMeV, double transmission,
                     double& thicknessCm);

/// An element's loaded table and atomic weight (g/mol, the last line of its element file).
struct ElementData {
    int atomicNumber = 0;
    double atomicWeight = 0.0;
    data::MaterialTable table;
};

/// The element files of a library folder's ele/, loaded the first time one is asked for.
class ElementLibrary {
  public:
    explicit ElementLibrary(std::filesystem::path root) : m_root(std::move(root)) {}

    /// Null when the element has no file or the file cannot be loaded (see lastError()).
    const ElementData* Element(int atomicNumber);
    const std::string& lastError() const { return m_lastError; }

  private:
    std::filesystem::path m_root;
    std::map<int, std::optional<ElementData>> m_elements;
    std::string m_lastError;
};

/// Effective atomic number by the direct method and electron density (electrons per gram):
/// with atom fractions f, weights A, numbers Z and the elements' total mu/rho,
/// Zeff = sum f A mu / sum f (A/Z) mu and Neff = N_A Zeff / sum f A.
struct EffectiveZRow {
    double zeff = 0.0;
    double neff = 0.0;
};
Outcome EffectiveZAt(const std::vector<std::pair<const ElementData*, double>>& elements,
                     double energyMeV, EffectiveZRow& row);

/// The elements of a composition (weight fractions) from `library`; empty with `error` when one
/// cannot be loaded.
std::optional<std::vector<std::pair<const ElementData*, double>>>
ElementsOf(const Composition& composition, ElementLibrary& library, std::string& error);

} // namespace attenuation
