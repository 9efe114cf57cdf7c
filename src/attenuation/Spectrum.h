#pragma once

#include "attenuation/Attenuation.h"

#include <string>
#include <string_view>
#include <vector>

namespace attenuation {

/// One bin of a spectrum: energy (MeV) and photons in the bin, with the line it was read from.
struct SpectrumBin {
    double energyMeV = 0.0;
    double weight = 0.0;
    int line = 0;
};

/// What went wrong with a spectrum: the 1-based line concerned (0 = the whole spectrum).
struct SpectrumProblem {
    int line = 0;
    std::string what;
};

/// "line 3: ..." or the sentence alone.
std::string DescribeSpectrumProblem(const SpectrumProblem& problem);

/// Reads lines of "energy weight" as people save them: an optional UTF-8 byte-order mark, CR LF,
/// LF or CR line ends, fields separated by blanks, tabs, ',' or ';' (see SplitFields); '#'
/// starts a comment, and blank lines and lines of words (a header) are skipped. Energies are in
/// MeV, or in keV when `energiesInKeV` (read with the point moved, so 662 keV is the double of
/// 0.662 MeV). Energies must be positive, weights not negative, both finite; at least one bin
/// and a positive total weight. False with `problem` at the first bad line, whose message quotes
/// a bad field as a short excerpt with bytes that are not text escaped.
bool ReadSpectrum(std::string_view text, std::vector<SpectrumBin>& bins, SpectrumProblem& problem,
                  bool energiesInKeV = false);

/// A spectrum through a stack of layers. Air kerma is the sum of weight x energy x mu_en/rho of
/// dry air; the mean energies are weighted by photons.
struct SpectrumTransmission {
    double fluence = 0.0;  ///< photons out over photons in
    double airKerma = 0.0; ///< air kerma out over air kerma in
    double meanEnergyInMeV = 0.0;
    double meanEnergyOutMeV = 0.0;        ///< 0 when nothing gets through
    std::vector<SpectrumBin> transmitted; ///< the bins with their weights after the stack
};

/// False with `problem` naming the line of the first bin that has no value (an energy out of
/// range of a layer's table or of the absorption tables).
bool TransmitSpectrum(const std::vector<SpectrumBin>& bins, const std::vector<Layer>& layers,
                      const AbsorptionMix& air, SpectrumTransmission& result,
                      SpectrumProblem& problem);

/// Thickness (cm) of the stack's last layer at which the air kerma transmission of the spectrum
/// is `transmission` (0 < T <= 1), to a relative 1e-9. False with `problem` when no thickness
/// does it (the other layers let less through, or the last layer does not attenuate).
bool SpectrumThicknessFor(const std::vector<SpectrumBin>& bins, const std::vector<Layer>& layers,
                          const AbsorptionMix& air, double transmission, double& thicknessCm,
                          SpectrumProblem& problem);

/// First and second half-value layers (cm of the given material) of a spectrum by air kerma:
/// first halves the kerma, second takes it from a half to a quarter; homogeneity is
/// first / second.
struct HalfValueLayers {
    double first = 0.0;
    double second = 0.0;
    double homogeneity = 0.0;
};
bool SpectrumHalfValueLayers(const std::vector<SpectrumBin>& bins, const Layer& material,
                             const AbsorptionMix& air, HalfValueLayers& result,
                             SpectrumProblem& problem);

} // namespace attenuation
