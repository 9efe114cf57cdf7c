#include "attenuation/LayerShares.h"

#include "calc/Interpolation.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace attenuation {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

Outcome coefficientsOf(const Layer& layer, double energyMeV, calc::CoefficientSet& set) {
    return OutcomeOf(calc::CoefficientsAtEnergy(*layer.table, energyMeV, set));
}

} // namespace

std::optional<double> PathFactor(double angleDeg, std::string& problem) {
    if (!(angleDeg >= 0.0 && angleDeg < kGrazingDegrees)) {
        problem = "the angle of incidence must be 0 or more and below 90 degrees from the normal";
        return std::nullopt;
    }
    return 1.0 / std::cos(angleDeg * std::numbers::pi / 180.0);
}

Outcome LayerSharesAt(const std::vector<Layer>& layers, const std::vector<AbsorptionMix>* mixes,
                      double energyMeV, double pathFactor, std::vector<LayerShare>& shares) {
    std::vector<LayerShare> out(layers.size());
    const double logEnergy = std::log(energyMeV);
    double before = 1.0; // the fraction of the photons that reaches the layer
    for (std::size_t l = 0; l < layers.size(); ++l) {
        calc::CoefficientSet set;
        const Outcome outcome = coefficientsOf(layers[l], energyMeV, set);
        if (outcome != Outcome::Ok) {
            return outcome;
        }
        const double muX =
            set.total * layers[l].densityGPerCm3 * layers[l].thicknessCm * pathFactor;
        LayerShare& share = out[l];
        share.interacted = -before * std::expm1(-muX);
        share.transmitted = before * std::exp(-muX);
        share.photoAbsorbed =
            set.total > 0.0 ? share.interacted * set.photoElectric / set.total : 0.0;
        double muEnRho = 0.0;
        share.deposited =
            mixes != nullptr &&
                    MassEnergyAbsorption((*mixes)[l], energyMeV, logEnergy, muEnRho) == Outcome::Ok
                ? (set.total > 0.0 ? share.interacted * muEnRho / set.total : 0.0)
                : kNaN;
        if (!std::isfinite(share.interacted) || !std::isfinite(share.photoAbsorbed)) {
            return Outcome::CalculationError;
        }
        before = share.transmitted;
    }
    shares = std::move(out);
    return Outcome::Ok;
}

bool SpectrumLayerShares(const std::vector<SpectrumBin>& bins, const std::vector<Layer>& layers,
                         const std::vector<AbsorptionMix>* mixes, double pathFactor,
                         SpectrumShares& result, SpectrumProblem& problem) {
    SpectrumShares out;
    out.bins.reserve(bins.size());
    out.total.assign(layers.size(), LayerShare{});
    double photons = 0.0;
    double energy = 0.0;
    for (const SpectrumBin& bin : bins) {
        std::vector<LayerShare> shares;
        const Outcome outcome = LayerSharesAt(layers, mixes, bin.energyMeV, pathFactor, shares);
        if (outcome != Outcome::Ok) {
            problem = {bin.line, DescribeOutcome(outcome, bin.energyMeV)};
            return false;
        }
        const double carried = bin.weight * bin.energyMeV;
        for (std::size_t l = 0; l < layers.size(); ++l) {
            out.total[l].interacted += bin.weight * shares[l].interacted;
            out.total[l].photoAbsorbed += bin.weight * shares[l].photoAbsorbed;
            out.total[l].deposited += carried * shares[l].deposited;
            out.total[l].transmitted += bin.weight * shares[l].transmitted;
        }
        photons += bin.weight;
        energy += carried;
        out.bins.push_back(std::move(shares));
    }
    for (LayerShare& share : out.total) {
        share.interacted /= photons;
        share.photoAbsorbed /= photons;
        share.deposited /= energy;
        share.transmitted /= photons;
        if (!std::isfinite(share.interacted) || !std::isfinite(share.transmitted)) {
            problem = {0, "the spectrum's sums are too large to hold"};
            return false;
        }
    }
    result = std::move(out);
    return true;
}

Outcome SensorThicknessFor(const std::vector<Layer>& layers, std::size_t sensor, double energyMeV,
                           double pathFactor, double fraction, SensorCount count,
                           double& thicknessCm) {
    if (sensor >= layers.size() || !(fraction > 0.0 && fraction < 1.0)) {
        return Outcome::NoSolution;
    }
    double muX = 0.0;
    std::vector<double> perLayer;
    Outcome outcome = StackAt(layers, energyMeV, muX, &perLayer);
    calc::CoefficientSet set;
    if (outcome == Outcome::Ok) {
        outcome = coefficientsOf(layers[sensor], energyMeV, set);
    }
    if (outcome != Outcome::Ok) {
        return outcome;
    }
    double before = 0.0;
    for (std::size_t l = 0; l < sensor; ++l) {
        before += perLayer[l];
    }
    // The sensor takes T_before s (1 - exp(-mu t k)) with s the counted part of its mu.
    const double counted = count == SensorCount::Interacted ? 1.0 : set.photoElectric / set.total;
    const double reachable = std::exp(-before * pathFactor) * counted;
    const double mu = set.total * layers[sensor].densityGPerCm3 * pathFactor;
    if (!(fraction < reachable) || !(mu > 0.0)) {
        return Outcome::NoSolution;
    }
    thicknessCm = -std::log1p(-fraction / reachable) / mu;
    return std::isfinite(thicknessCm) ? Outcome::Ok : Outcome::CalculationError;
}

Outcome EquivalentThicknessAt(const std::vector<Layer>& layers, const Layer& reference,
                              double energyMeV, double& thicknessCm) {
    double muX = 0.0;
    double muRho = 0.0;
    Outcome outcome = StackAt(layers, energyMeV, muX);
    if (outcome == Outcome::Ok) {
        outcome = MassAttenuation(*reference.table, energyMeV, muRho);
    }
    if (outcome != Outcome::Ok) {
        return outcome;
    }
    const double mu = muRho * reference.densityGPerCm3;
    if (!(mu > 0.0)) {
        return Outcome::NoSolution;
    }
    thicknessCm = muX / mu;
    return std::isfinite(thicknessCm) ? Outcome::Ok : Outcome::CalculationError;
}

bool SpectrumEquivalentThickness(const std::vector<SpectrumBin>& bins,
                                 const std::vector<Layer>& layers, const Layer& reference,
                                 const AbsorptionMix& air, double& airKermaTransmission,
                                 double& thicknessCm, SpectrumProblem& problem) {
    SpectrumTransmission through;
    if (!TransmitSpectrum(bins, layers, air, through, problem)) {
        return false;
    }
    double thickness = 0.0;
    // A stack that takes nothing out is matched by no reference at all; the solver, started at
    // 0, would see the rounding of the sums as a target already passed.
    if (through.airKerma < 1.0 &&
        !SpectrumThicknessFor(bins, {reference}, air, through.airKerma, thickness, problem)) {
        problem = {0, through.airKerma > 0.0
                          ? "no thickness of the reference gives the stack's air kerma "
                            "transmission"
                          : "no air kerma of the spectrum gets through the stack"};
        return false;
    }
    airKermaTransmission = through.airKerma;
    thicknessCm = thickness;
    return true;
}

} // namespace attenuation
