#include "attenuation/Spectrum.h"

#include "attenuation/TextLines.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace attenuation {

namespace {

/// Per bin: air kerma before the last layer (after the others) and mu of the last layer.
struct KermaBins {
    std::vector<double> logKerma; ///< ln of kerma; bins of no kerma are left out
    std::vector<double> mu;       ///< 1/cm
    double kermaIn = 0.0;         ///< before any layer
};

bool binProblem(const SpectrumBin& bin, Outcome outcome, SpectrumProblem& problem) {
    problem = {bin.line, DescribeOutcome(outcome, bin.energyMeV)};
    return false;
}

/// ln of sum exp(v), safe from overflow and underflow; -inf for no terms.
double logSumExp(const std::vector<double>& v) {
    if (v.empty()) {
        return -std::numeric_limits<double>::infinity();
    }
    const double top = *std::max_element(v.begin(), v.end());
    double sum = 0.0;
    for (const double x : v) {
        sum += std::exp(x - top);
    }
    return top + std::log(sum);
}

bool kermaBins(const std::vector<SpectrumBin>& bins, const std::vector<Layer>& before,
               const Layer& last, const AbsorptionMix& air, KermaBins& out,
               SpectrumProblem& problem) {
    for (const SpectrumBin& bin : bins) {
        double muEnRho = 0.0;
        double muX = 0.0;
        double muRho = 0.0;
        Outcome outcome = MassEnergyAbsorption(air, bin.energyMeV, muEnRho);
        if (outcome == Outcome::Ok) {
            outcome = StackAt(before, bin.energyMeV, muX);
        }
        if (outcome == Outcome::Ok) {
            outcome = MassAttenuation(*last.table, bin.energyMeV, muRho);
        }
        if (outcome != Outcome::Ok) {
            return binProblem(bin, outcome, problem);
        }
        const double kerma = bin.weight * bin.energyMeV * muEnRho;
        out.kermaIn += kerma;
        if (kerma > 0.0 && std::isfinite(muX)) {
            out.logKerma.push_back(std::log(kerma) - muX);
            out.mu.push_back(muRho * last.densityGPerCm3);
        }
    }
    return true;
}

/// The thickness t where ln sum K_j exp(-mu_j t) falls to `logTarget`. The left side is convex
/// and falling in t, so Newton's method from t = 0 climbs to the root from below.
bool solveThickness(const KermaBins& k, double logTarget, double& thickness) {
    std::vector<double> terms(k.mu.size());
    double t = 0.0;
    for (int iteration = 0; iteration < 200; ++iteration) {
        for (std::size_t j = 0; j < terms.size(); ++j) {
            terms[j] = k.logKerma[j] - k.mu[j] * t;
        }
        const double logSum = logSumExp(terms);
        const double excess = logSum - logTarget;
        if (excess < 0.0 && iteration == 0) {
            return false; // the layers before already let less through
        }
        double slope = 0.0; // d(logSum)/dt = -(mean mu weighted by kerma)
        for (std::size_t j = 0; j < terms.size(); ++j) {
            slope -= k.mu[j] * std::exp(terms[j] - logSum);
        }
        if (!(slope < 0.0)) {
            return false; // nothing left that the layer attenuates
        }
        const double step = -excess / slope;
        t += step;
        if (!std::isfinite(t)) {
            return false;
        }
        if (std::fabs(step) <= 1e-12 * t || excess == 0.0) {
            thickness = t;
            return true;
        }
    }
    thickness = t;
    return true;
}

} // namespace

std::string DescribeSpectrumProblem(const SpectrumProblem& problem) {
    return problem.line > 0 ? "line " + std::to_string(problem.line) + ": " + problem.what
                            : problem.what;
}

bool ReadSpectrum(std::string_view text, std::vector<SpectrumBin>& bins, SpectrumProblem& problem,
                  bool energiesInKeV) {
    std::vector<SpectrumBin> read;
    const std::vector<std::string_view> lines = SplitLines(WithoutByteOrderMark(text));
    const std::string unit = energiesInKeV ? "keV" : "MeV";
    double total = 0.0;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const std::string_view line = lines[n].substr(0, lines[n].find('#'));
        const int lineNumber = static_cast<int>(n + 1);
        const std::vector<std::string_view> words = SplitFields(line);
        if (words.empty() || IsWordLine(line, words)) {
            continue;
        }
        std::optional<double> energy = ReadNumberField(words[0]);
        const std::optional<double> weight =
            words.size() > 1 ? ReadNumberField(words[1]) : std::optional<double>(0.0);
        if (!energy || !weight) {
            problem = {lineNumber,
                       QuotedExcerpt(!energy ? words[0] : words[1]) + " is not a number"};
            return false;
        }
        if (words.size() != 2) {
            problem = {lineNumber, "expected an energy in " + unit + " and a weight, found " +
                                       std::to_string(words.size()) + " fields"};
            return false;
        }
        if (energiesInKeV) {
            energy = ReadNumberField(ShiftDecimalPoint(words[0], -3));
        }
        if (!(*energy > 0.0)) {
            problem = {lineNumber, "the energy must be above 0 " + unit};
            return false;
        }
        if (*weight < 0.0) {
            problem = {lineNumber, "the weight must not be negative"};
            return false;
        }
        total += *weight;
        read.push_back({*energy, *weight, lineNumber});
    }
    if (read.empty()) {
        problem = {0, "the spectrum holds no bins"};
        return false;
    }
    if (!(total > 0.0) || !std::isfinite(total)) {
        problem = {0, "the weights of the spectrum do not add up to a positive number"};
        return false;
    }
    bins = std::move(read);
    return true;
}

bool TransmitSpectrum(const std::vector<SpectrumBin>& bins, const std::vector<Layer>& layers,
                      const AbsorptionMix& air, SpectrumTransmission& result,
                      SpectrumProblem& problem) {
    SpectrumTransmission out;
    double photonsIn = 0.0, photonsOut = 0.0, energyIn = 0.0, energyOut = 0.0;
    double kermaIn = 0.0, kermaOut = 0.0;
    for (const SpectrumBin& bin : bins) {
        double muEnRho = 0.0;
        double muX = 0.0;
        Outcome outcome = MassEnergyAbsorption(air, bin.energyMeV, muEnRho);
        if (outcome == Outcome::Ok) {
            outcome = StackAt(layers, bin.energyMeV, muX);
        }
        if (outcome != Outcome::Ok) {
            return binProblem(bin, outcome, problem);
        }
        const double weightOut = bin.weight * std::exp(-muX);
        photonsIn += bin.weight;
        photonsOut += weightOut;
        energyIn += bin.weight * bin.energyMeV;
        energyOut += weightOut * bin.energyMeV;
        kermaIn += bin.weight * bin.energyMeV * muEnRho;
        kermaOut += weightOut * bin.energyMeV * muEnRho;
        out.transmitted.push_back({bin.energyMeV, weightOut, bin.line});
    }
    out.fluence = photonsOut / photonsIn;
    out.airKerma = kermaOut / kermaIn;
    out.meanEnergyInMeV = energyIn / photonsIn;
    out.meanEnergyOutMeV = photonsOut > 0.0 ? energyOut / photonsOut : 0.0;
    if (!std::isfinite(out.fluence) || !std::isfinite(out.airKerma) ||
        !std::isfinite(out.meanEnergyInMeV) || !std::isfinite(out.meanEnergyOutMeV)) {
        problem = {0, "the spectrum's sums are too large to hold"};
        return false;
    }
    result = std::move(out);
    return true;
}

bool SpectrumThicknessFor(const std::vector<SpectrumBin>& bins, const std::vector<Layer>& layers,
                          const AbsorptionMix& air, double transmission, double& thicknessCm,
                          SpectrumProblem& problem) {
    if (layers.empty() || !(transmission > 0.0 && transmission <= 1.0)) {
        problem = {0, "the transmission must lie above 0 and at most 1"};
        return false;
    }
    KermaBins k;
    const std::vector<Layer> before(layers.begin(), layers.end() - 1);
    if (!kermaBins(bins, before, layers.back(), air, k, problem)) {
        return false;
    }
    if (!(k.kermaIn > 0.0) || !solveThickness(k, std::log(transmission * k.kermaIn), thicknessCm)) {
        problem = {0, "no thickness of the last layer gives that air kerma transmission"};
        return false;
    }
    return true;
}

bool SpectrumHalfValueLayers(const std::vector<SpectrumBin>& bins, const Layer& material,
                             const AbsorptionMix& air, HalfValueLayers& result,
                             SpectrumProblem& problem) {
    KermaBins k;
    if (!kermaBins(bins, {}, material, air, k, problem)) {
        return false;
    }
    double half = 0.0;
    double quarter = 0.0;
    if (!(k.kermaIn > 0.0) || !solveThickness(k, std::log(0.5 * k.kermaIn), half) ||
        !solveThickness(k, std::log(0.25 * k.kermaIn), quarter) || !(half > 0.0)) {
        problem = {0, "the material does not attenuate this spectrum"};
        return false;
    }
    const HalfValueLayers out{half, quarter - half, half / (quarter - half)};
    if (!std::isfinite(out.homogeneity)) {
        problem = {0, "the half-value layers are not finite"};
        return false;
    }
    result = out;
    return true;
}

} // namespace attenuation
