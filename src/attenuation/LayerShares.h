#pragma once

#include "attenuation/Attenuation.h"
#include "attenuation/Spectrum.h"

#include <optional>
#include <string>
#include <vector>

namespace attenuation {

/// The highest angle of incidence (degrees from the normal) a stack takes is below this.
inline constexpr double kGrazingDegrees = 90.0;

/// What one layer of a stack does to a narrow beam, as fractions of the photons (or, for
/// `deposited`, of the energy) that fall on the stack. A layer of path x = t / cos(theta) that
/// receives T_before lets T_before exp(-mu x) through: `interacted` is T_before (1 - exp(-mu x)),
/// mu the total with coherent scattering; `photoAbsorbed` the part of it taken by the
/// photo-electric effect (interacted x tau / mu); `deposited` the part of the energy that stays
/// (interacted x (mu_en/rho) / (mu/rho)); `transmitted` what leaves the layer.
struct LayerShare {
    double interacted = 0.0;
    double photoAbsorbed = 0.0;
    double deposited = 0.0;
    double transmitted = 0.0;
};

/// 1 / cos(theta) for an angle of incidence in degrees, 0 <= theta < 90; empty with `problem`
/// otherwise.
std::optional<double> PathFactor(double angleDeg, std::string& problem);

/// The shares of each layer at one energy; `pathFactor` from PathFactor. `mixes`, when given, is
/// one energy-absorption mix per layer; without it (or outside the absorption tables) the
/// deposited shares are NaN and the rest stands. `shares` is written only on Ok.
Outcome LayerSharesAt(const std::vector<Layer>& layers, const std::vector<AbsorptionMix>* mixes,
                      double energyMeV, double pathFactor, std::vector<LayerShare>& shares);

/// A spectrum through a stack, layer by layer. `bins[b][l]` holds the shares of layer l for
/// bin b (fractions of that bin's photons); `total[l]` the same over the spectrum, weighted by
/// photons (and by photons x energy for `deposited`). The spectrum layer l receives is the bins'
/// weights times the transmitted share of layer l - 1 (the spectrum itself for the first), the
/// spectrum it passes the weights times its own transmitted share.
struct SpectrumShares {
    std::vector<std::vector<LayerShare>> bins;
    std::vector<LayerShare> total;
};

/// False with `problem` at the first bin without a value; deposited shares need every layer's
/// absorption data at every bin (else they are NaN, as in LayerSharesAt).
bool SpectrumLayerShares(const std::vector<SpectrumBin>& bins, const std::vector<Layer>& layers,
                         const std::vector<AbsorptionMix>* mixes, double pathFactor,
                         SpectrumShares& result, SpectrumProblem& problem);

/// What the absorbing fraction of a sensor counts: every interaction, or photo-absorption only.
enum class SensorCount { Interacted, PhotoAbsorbed };

/// The thickness (cm) of layer `sensor` at which it takes `fraction` (0 < f < 1) of the photons
/// that fall on the stack, the layers before it and the angle as given. NoSolution when no
/// thickness does (the layers before let less through, or the sensor's photo-electric part of
/// mu falls short). `sensor` must lie in the stack.
Outcome SensorThicknessFor(const std::vector<Layer>& layers, std::size_t sensor, double energyMeV,
                           double pathFactor, double fraction, SensorCount count,
                           double& thicknessCm);

/// The thickness (cm) of `reference` (its density in the layer; its own thickness unused) that
/// transmits at one energy what the stack transmits, narrow beam, at normal incidence.
Outcome EquivalentThicknessAt(const std::vector<Layer>& layers, const Layer& reference,
                              double energyMeV, double& thicknessCm);

/// The same for a spectrum by air-kerma transmission: the stack's air kerma transmission and the
/// thickness of `reference` that gives it. False with `problem` when a bin has no value or no
/// thickness does it (nothing of the spectrum's air kerma gets through the stack).
bool SpectrumEquivalentThickness(const std::vector<SpectrumBin>& bins,
                                 const std::vector<Layer>& layers, const Layer& reference,
                                 const AbsorptionMix& air, double& airKermaTransmission,
                                 double& thicknessCm, SpectrumProblem& problem);

} // namespace attenuation
