#pragma once

#include "attenuation/Attenuation.h"
#include "shielding/Buildup.h"
#include "shielding/Nuclides.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace shielding {

struct QuantityConversion;

/// uGy/h of an air-kerma rate given in MeV per gram per second: 1 MeV = 1.602176634e-13 J,
/// 1000 g per kg, 3600 s per h, 1e6 uGy per Gy.
inline constexpr double kMicroGrayPerHourPerMeVPerGramSecond =
    1.602176634e-13 * 1000.0 * 3600.0 * 1e6;

/// Air kerma of one roentgen of exposure, mGy (W_air/e = 33.97 J/C, 1 R = 2.58e-4 C/kg).
inline constexpr double kMilliGrayPerRoentgen = 8.76426;

/// mR/h of an air-kerma rate in uGy/h.
inline double MilliRoentgenPerHour(double microGrayPerHour) {
    return microGrayPerHour / kMilliGrayPerRoentgen;
}

/// What the dose counts: air kerma with exposure buildup factors (the default), kerma in the
/// last layer's material with energy-absorption buildup factors, or the uncollided photons alone.
enum class DoseKind { Exposure, Absorption, None };
std::optional<DoseKind> DoseKindNamed(std::string_view word);
std::string_view DoseKindWord(DoseKind kind);

/// How the buildup of several layers is combined: Broder's sum, or the last layer's function at
/// the whole penetration.
enum class LayerRule { Broder, Last };
std::optional<LayerRule> LayerRuleNamed(std::string_view word);
std::string_view LayerRuleWord(LayerRule rule);

/// Activity in Bq of a text with its unit ("1 GBq", "1GBq", "10 mCi", "5 uCi", "5 µCi"); empty,
/// with `error` saying why, for a number without a unit, an unknown unit or a value below 0.
std::optional<double> ReadActivityBq(std::string_view text, std::string& error);
/// Distance in cm of a text with its unit (mm, cm, m); above 0.
std::optional<double> ReadDistanceCm(std::string_view text, std::string& error);

/// Lines given as "E=Y,E=Y" (MeV, or keV with `keV`, and photons per decay), the text after
/// "lines:". Empty with `error` naming the item when an energy is not above 0 or a yield below 0.
std::optional<std::vector<PhotonLine>> ParseLineList(std::string_view text, bool keV,
                                                     std::string& error);

/// One layer of a shield; the table and the function must outlive the computation.
struct ShieldLayer {
    const data::MaterialTable* table = nullptr;
    double densityGPerCm3 = 0.0;
    double thicknessCm = 0.0;
    const BuildupFunction* buildup = nullptr; ///< of the dose's kind; unused for DoseKind::None
    /// The function at the line's energy, tabulated, where a computation asks it at very many
    /// penetrations; null: the function itself is asked.
    const BuildupCurve* curve = nullptr;
};

struct DoseOptions {
    DoseKind kind = DoseKind::Exposure;
    LayerRule rule = LayerRule::Broder;
    /// One function for the whole stack instead of each layer's own (a named table).
    const BuildupFunction* table = nullptr;
    double cutoffMeV = 0.0; ///< lines at or below it are left out
    /// Air kerma turned into exposure or H*(10) line by line; null for air kerma in uGy/h.
    const QuantityConversion* conversion = nullptr;
};

/// Why a line's buildup factor is what it is, beyond the plain case.
enum class LineNote {
    None,
    Extrapolated,  ///< a penetration beyond 40 mfp: K extrapolated
    NoBuildupData, ///< the energy lies below a layer's buildup table: B = 1
    BeyondRange,   ///< beyond 100 mfp: the line counts as 0
};

/// One line's share of the dose rate; rates in uGy/h (or the medium's kerma rate).
struct LineDose {
    double energyMeV = 0.0;
    double photonsPerDecay = 0.0;
    double mfp = 0.0;        ///< penetration without coherent scattering
    double uncollided = 0.0; ///< rate of the photons that never interacted
    double buildup = 1.0;
    double rate = 0.0;
    LineNote note = LineNote::None;
    Outcome outcome = Outcome::Ok; ///< anything but Ok: no value, and the total has none either
};

struct DoseResult {
    std::vector<LineDose> lines; ///< the lines above the cut-off, energies as the source gives
    double total = 0.0;
    Outcome outcome = Outcome::Ok; ///< the first failed line's, else Ok
};

/// The mass energy-absorption coefficients the kerma is taken with: dry air for the exposure
/// and uncollided kinds, the last layer's material for the energy-absorption kind.
struct KermaMedia {
    const attenuation::AbsorptionMix* air = nullptr;
    const attenuation::AbsorptionMix* lastLayer = nullptr; ///< needed for DoseKind::Absorption
};

/// One line along one ray: `unshielded` is its rate with nothing in the way, `mfpOfLayer` the
/// penetration of each layer crossed, in order. Sets the line's mfp, uncollided rate, buildup,
/// rate, note and outcome: 0 beyond 100 mfp, B = 1 below a layer's buildup table. The point
/// kernel of every source shape goes through here.
void LineAlongRay(double unshielded, double energyMeV, const std::vector<ShieldLayer>& layers,
                  const std::vector<double>& mfpOfLayer, const DoseOptions& options,
                  LineDose& dose);

/// Kerma rate of an isotropic point source of `activityBq` at `distanceCm` behind `layers`
/// (nothing between them but the layers): per line A y E (mu_en/rho) exp(-x) B / (4 pi r^2),
/// x the penetration in mean free paths without coherent scattering. Lines below a layer's
/// buildup table get B = 1; lines beyond 100 mfp count 0; both are noted. A line that has no
/// attenuation or absorption value fails, and so does the total.
void DoseRate(const std::vector<PhotonLine>& lines, double activityBq, double distanceCm,
              const std::vector<ShieldLayer>& layers, const DoseOptions& options,
              const KermaMedia& media, DoseResult& result);

/// The buildup factor of a stack at one energy: by the rule (or the one table) over the
/// layers' penetrations `mfpOfLayer`. NoBuildupData in `note` where a layer's table starts above
/// the energy (B = 1 then).
Outcome StackBuildup(const std::vector<ShieldLayer>& layers, const std::vector<double>& mfpOfLayer,
                     double energyMeV, const DoseOptions& options, double& buildup, LineNote& note);

/// Air-kerma-rate constant, uGy m2/(GBq h): the rate of 1 GBq at 1 m in vacuum from the lines
/// above `cutoffMeV`. Fails with the first line that has no mu_en/rho of air.
/// With `conversion`, the constant of its quantity (mR m2/(GBq h), uSv m2/(GBq h)); OutOfRange
/// for a line outside the user's conversion table.
Outcome KermaRateConstant(const std::vector<PhotonLine>& lines, double cutoffMeV,
                          const attenuation::AbsorptionMix& air, double& constant,
                          const QuantityConversion* conversion = nullptr);

/// Thickness (cm) of the last layer that brings the total rate to `targetRate`, found to 1e-9
/// relative; 0 when the other layers alone bring it there. NoSolution when no thickness does
/// (a target not above 0); a failing line's outcome otherwise.
Outcome ThicknessForRate(const std::vector<PhotonLine>& lines, double activityBq, double distanceCm,
                         std::vector<ShieldLayer> layers, const DoseOptions& options,
                         const KermaMedia& media, double targetRate, double& thicknessCm);

} // namespace shielding
