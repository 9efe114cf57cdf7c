// Attenuation for the page: energy absorption, half-value layers, transmission, effective Z, a
// spectrum's half-value layers, and energies read or written in keV.
#include "Support.h"
#include "attenuation/Attenuation.h"
#include "attenuation/Spectrum.h"
#include "attenuation/TextLines.h"

#include <emscripten/bind.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bindings {
namespace {

// mu/rho, mu_en/rho and the kerma ratios to dry air and to water, as the absorption command.
val absorption(const std::string& argument, const val& energiesArray) {
    return onShares(argument, [&](const material::ResolvedMaterial& m,
                                  const attenuation::Composition& shares) {
        std::string error;
        attenuation::AbsorptionLibrary library(kRoot);
        const std::optional<attenuation::Composition> air =
            libraryComposition(attenuation::kDryAirPath, error);
        const std::optional<attenuation::Composition> water =
            air ? libraryComposition(attenuation::kWaterPath, error) : std::nullopt;
        std::optional<std::vector<attenuation::AbsorptionMix>> mixes =
            water ? mixesOf({shares, *air, *water}, library, error) : std::nullopt;
        if (!mixes) {
            return failed(error);
        }
        const attenuation::AbsorptionColumns columns(std::move((*mixes)[0]), std::move((*mixes)[1]),
                                                     std::move((*mixes)[2]));
        return named<4>(
            perEnergy<4>(numbers(energiesArray),
                         [&](double energy, std::array<double, 4>& row) {
                             attenuation::AbsorptionRow r;
                             const attenuation::Outcome outcome =
                                 attenuation::AbsorptionAt(m.table, columns, energy, r);
                             row = {r.muRho, r.muEnRho, r.kermaRatioAir, r.kermaRatioWater};
                             return outcome;
                         }),
            {"mu_rho", "mu_en_rho", "kerma_air", "kerma_water"});
    });
}

val muEnRho(const std::string& argument, const val& energiesArray) {
    return onShares(argument, [&](const material::ResolvedMaterial&,
                                  const attenuation::Composition& shares) {
        std::string error;
        attenuation::AbsorptionLibrary library(kRoot);
        const std::optional<std::vector<attenuation::AbsorptionMix>> mix =
            mixesOf({shares}, library, error);
        if (!mix) {
            return failed(error);
        }
        return floatArray(
            perEnergy<1>(numbers(energiesArray), [&](double energy, std::array<double, 1>& row) {
                return attenuation::MassEnergyAbsorption(mix->front(), energy, row[0]);
            })[0]);
    });
}

val halfValueLayers(const std::string& argument, const val& energiesArray, const val& density) {
    return onMaterial(argument, [&](const material::ResolvedMaterial& m) {
        std::string error;
        const double rho = densityOf(m, density, error);
        if (!error.empty()) {
            return failed(error);
        }
        const data::MaterialTable& table = m.table;
        return named<4>(perEnergy<4>(numbers(energiesArray),
                                     [&](double energy, std::array<double, 4>& row) {
                                         attenuation::HalfValueRow r;
                                         const attenuation::Outcome outcome =
                                             attenuation::HalfValueAt(table, rho, energy, r);
                                         row = {r.mu, r.hvl, r.tvl, r.mfp};
                                         return outcome;
                                     }),
                        {"mu", "hvl", "tvl", "mfp"});
    });
}

val transmission(const val& list, const val& energiesArray) {
    std::string error;
    const std::optional<Stack> stack = stackOf(list, error);
    if (!stack) {
        return failed(error);
    }
    return floatArray(
        perEnergy<1>(numbers(energiesArray), [&](double energy, std::array<double, 1>& row) {
            double muX = 0.0;
            const attenuation::Outcome outcome = attenuation::StackAt(stack->layers, energy, muX);
            row[0] = std::exp(-muX);
            return outcome;
        })[0]);
}

val effectiveZ(const std::string& argument, const val& energiesArray) {
    return onShares(
        argument, [&](const material::ResolvedMaterial&, const attenuation::Composition& shares) {
            std::string error;
            attenuation::ElementLibrary library(kRoot);
            const auto elements = attenuation::ElementsOf(shares, library, error);
            if (!elements) {
                return failed(error);
            }
            return named<2>(perEnergy<2>(numbers(energiesArray),
                                         [&](double energy, std::array<double, 2>& row) {
                                             attenuation::EffectiveZRow r;
                                             const attenuation::Outcome outcome =
                                                 attenuation::EffectiveZAt(*elements, energy, r);
                                             row = {r.zeff, r.neff};
                                             return outcome;
                                         }),
                            {"zeff", "neff"});
        });
}

// First and second half-value layers of a spectrum given as the text of a spectrum file.
val spectrumHalfValueLayers(const std::string& spectrum, const std::string& argument,
                            const val& density, bool energiesInKeV) {
    std::vector<attenuation::SpectrumBin> bins;
    attenuation::SpectrumProblem problem;
    if (!attenuation::ReadSpectrum(spectrum, bins, problem, energiesInKeV)) {
        return failed("the spectrum, " + attenuation::DescribeSpectrumProblem(problem));
    }
    return onMaterial(argument, [&](const material::ResolvedMaterial& m) {
        std::string error;
        const double rho = densityOf(m, density, error);
        attenuation::AbsorptionLibrary library(kRoot);
        const std::optional<attenuation::Composition> air =
            error.empty() ? libraryComposition(attenuation::kDryAirPath, error) : std::nullopt;
        const std::optional<std::vector<attenuation::AbsorptionMix>> airMix =
            air ? mixesOf({*air}, library, error) : std::nullopt;
        if (!airMix) {
            return failed(error);
        }
        attenuation::HalfValueLayers layers;
        if (!attenuation::SpectrumHalfValueLayers(bins, {&m.table, rho, 0.0}, airMix->front(),
                                                  layers, problem)) {
            return failed(attenuation::DescribeSpectrumProblem(problem));
        }
        val result = val::object();
        result.set("first", layers.first);
        result.set("second", layers.second);
        result.set("homogeneity", layers.homogeneity);
        result.set("bins", static_cast<double>(bins.size()));
        return result;
    });
}

// A typed number as the command line reads one; an energy in keV becomes MeV by moving the
// decimal point in the text. Null when the text is no number.
val readNumber(const std::string& text, bool keV) {
    const std::optional<double> value =
        keV ? attenuation::ReadKeVAsMeV(text) : attenuation::ReadNumberField(text);
    return value ? val(*value) : val::null();
}

// The energies of a typed text in the other unit (MeV to keV with `toKeV`, else back), each
// read in its new unit as the same double: every energy of a list, or the text as one energy
// (blanks around it kept). What is no energy stays as typed.
std::string energiesInOtherUnit(const std::string& text, bool toKeV, bool list) {
    if (list) {
        return attenuation::EnergiesInOtherUnit(text, toKeV);
    }
    const std::size_t first = std::min(text.find_first_not_of(" \t"), text.size());
    const std::size_t last = text.find_last_not_of(" \t") + 1;
    const std::optional<std::string> energy =
        attenuation::EnergyInOtherUnit(std::string_view(text).substr(first, last - first), toKeV);
    return energy ? text.substr(0, first) + *energy + text.substr(last) : text;
}

} // namespace

void BindAttenuation() {
    emscripten::function("absorption", &absorption);
    emscripten::function("mu_en_rho", &muEnRho);
    emscripten::function("hvl", &halfValueLayers);
    emscripten::function("transmission", &transmission);
    emscripten::function("zeff", &effectiveZ);
    emscripten::function("spectrum_hvl_text", &spectrumHalfValueLayers);
    emscripten::function("read_number", &readNumber);
    emscripten::function("energies_in_other_unit", &energiesInOtherUnit);
}

} // namespace bindings
