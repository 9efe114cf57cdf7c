#include "MaterialArguments.h"

#include "CommandSupport.h"
#include "NumberText.h"
#include "attenuation/Units.h"

#include <cmath>

namespace cli {

bool ResolveArgument(const Invocation& invocation, const std::string& argument, Material& m,
                     BufferedStream& err, std::optional<double> density) {
    std::string error;
    if (!material::ResolveMaterial(invocation.root, argument, *m.resolved, error)) {
        Complain(err, error);
        return false;
    }
    Note(err, m.resolved->note);
    if (const auto found = invocation.options.find("density");
        !density && found != invocation.options.end()) {
        density = ReadNumber(found->second);
        if (!density || !(*density > 0.0)) {
            Complain(err, "--density " + Echo(found->second) + " is not a number greater than 0");
            return false;
        }
    }
    m.density = density.value_or(m.resolved->densityGPerCm3.value_or(0.0));
    return true;
}

bool NeedDensity(const std::string& argument, const Material& m, BufferedStream& err) {
    if (m.density > 0.0 && std::isfinite(m.density)) {
        return true;
    }
    Complain(err, "the density of " + argument + " is not known: give it (--density D, or " +
                      "MATERIAL@CM@DENSITY for a layer)");
    return false;
}

std::optional<attenuation::CoefficientScale> UnitScaleOf(const Invocation& invocation,
                                                         const Material& m, BufferedStream& err,
                                                         attenuation::CoefficientUnit fallback) {
    std::string error;
    std::optional<attenuation::CoefficientUnit> unit = fallback;
    if (const auto found = invocation.options.find("unit"); found != invocation.options.end()) {
        unit = attenuation::ReadCoefficientUnit(found->second, error);
        if (!unit) {
            Complain(err, "--unit: " + error);
            return std::nullopt;
        }
    }
    const std::optional<double> density =
        m.density > 0.0 ? std::optional<double>(m.density) : std::nullopt;
    std::optional<attenuation::CoefficientScale> scale =
        attenuation::ScaleFor(*unit, *m.resolved, density, invocation.root, error, "--density D");
    if (!scale) {
        Complain(err, error);
    }
    return scale;
}

std::optional<attenuation::Composition> CompositionOf(const std::string& argument,
                                                      const Material& m, BufferedStream& err) {
    const std::string& path = m.resolved->dataPath;
    std::string error;
    std::optional<attenuation::Composition> shares =
        attenuation::SharesOf(m.resolved->composition, path.empty() ? argument : path, error);
    if (!shares) {
        Complain(err, error);
    }
    return shares;
}

std::optional<attenuation::AbsorptionMix> MixOf(const Invocation& invocation,
                                                attenuation::AbsorptionLibrary& library,
                                                std::optional<attenuation::Composition> composition,
                                                std::string_view reference, BufferedStream& err) {
    std::string error;
    if (!composition) {
        composition = attenuation::FindComposition(invocation.root, reference, error);
        if (!composition) {
            Complain(err, error);
            return std::nullopt;
        }
    }
    std::optional<attenuation::AbsorptionMix> mix =
        attenuation::MixAbsorption(*composition, library, error);
    if (!mix) {
        Complain(err, error);
    }
    return mix;
}

bool ReadLayers(const Invocation& invocation, const std::vector<std::string>& words,
                std::vector<Material>& materials, std::vector<attenuation::Layer>& layers,
                BufferedStream& err) {
    materials.resize(words.size());
    layers.clear();
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        const std::size_t at = word.find('@');
        const std::size_t second = word.find('@', at + 1);
        const std::string name = word.substr(0, at);
        const std::string cm =
            word.substr(at + 1, second == std::string::npos ? second : second - at - 1);
        // A bare number is read as every number of the command line is; one with its unit by
        // the core's thickness reader.
        std::string unreadable;
        const std::optional<attenuation::Thickness> thickness =
            ReadNumber(cm) ? std::optional<attenuation::Thickness>({*ReadNumber(cm), false})
                           : attenuation::ReadThickness(cm, unreadable);
        std::optional<double> density;
        if (second != std::string::npos) {
            density = ReadNumber(word.substr(second + 1));
            if (!density || !(*density > 0.0)) {
                Complain(err, "layer " + Echo(word) + ": the density is not a number above 0");
                return false;
            }
        }
        if (!thickness || !(thickness->value >= 0.0) || !std::isfinite(thickness->value)) {
            Complain(err, "layer " + Echo(word) + ": " +
                              (unreadable.empty() ? "the thickness is not a number of cm, 0 or more"
                                                  : unreadable));
            return false;
        }
        if (!ResolveArgument(invocation, name, materials[i], err, density) ||
            !NeedDensity(name, materials[i], err)) {
            return false;
        }
        layers.push_back({&materials[i].resolved->table, materials[i].density,
                          thickness->Cm(materials[i].density)});
    }
    return true;
}

int SpectrumFailed(const std::string& file, const attenuation::SpectrumProblem& problem,
                   BufferedStream& err) {
    Complain(err, (file == "-" ? "standard input" : file) + ", " +
                      attenuation::DescribeSpectrumProblem(problem));
    return kExitBadInput;
}

bool ReadSpectrumFile(const Invocation& invocation, const std::string& file,
                      std::vector<attenuation::SpectrumBin>& bins, BufferedStream& err) {
    std::string text;
    if (!ReadInputFile(file, text, err)) {
        return false;
    }
    attenuation::SpectrumProblem problem;
    if (!attenuation::ReadSpectrum(text, bins, problem, invocation.energyUnit == EnergyUnit::keV)) {
        SpectrumFailed(file, problem, err);
        return false;
    }
    return true;
}

} // namespace cli
