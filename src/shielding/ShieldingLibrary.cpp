#include "shielding/ShieldingLibrary.h"

#include "shielding/Dose.h"

#include "attenuation/Compositions.h"
#include "attenuation/Spectrum.h"
#include "attenuation/TextLines.h"
#include "data/MaterialFile.h"
#include "material/Resolve.h"

#include <system_error>

namespace shielding {

ShieldingLibrary::ShieldingLibrary(std::filesystem::path root)
    : m_root(std::move(root)), m_elements(m_root), m_absorption(m_root) {}

const BuildupTables* ShieldingLibrary::Buildup(std::string& error) {
    if (!m_buildup) {
        m_buildup = ReadBuildupTables(m_root, error);
    }
    return m_buildup ? &*m_buildup : nullptr;
}

const std::vector<Nuclide>* ShieldingLibrary::Nuclides(std::string& error) {
    if (!m_nuclides) {
        m_nuclides = ReadNuclides(m_root, error);
    }
    return m_nuclides ? &*m_nuclides : nullptr;
}

const DecayData* ShieldingLibrary::Decay(std::string& error) {
    if (!m_decay) {
        m_decay = ReadDecayData(m_root, error);
    }
    return m_decay ? &*m_decay : nullptr;
}

const attenuation::AbsorptionMix* ShieldingLibrary::Air(std::string& error) {
    if (!m_air) {
        const std::optional<attenuation::Composition> air =
            attenuation::FindComposition(m_root, attenuation::kDryAirPath, error);
        if (air) {
            m_air = attenuation::MixAbsorption(*air, m_absorption, error);
        }
    }
    return m_air ? &*m_air : nullptr;
}

std::optional<attenuation::AbsorptionMix>
ShieldingLibrary::MixOf(const material::ResolvedMaterial& material, std::string& error) {
    const std::optional<attenuation::Composition> shares = attenuation::SharesOf(
        material.composition, material.dataPath.empty() ? material.name : material.dataPath, error);
    if (!shares) {
        return std::nullopt;
    }
    return attenuation::MixAbsorption(*shares, m_absorption, error);
}

bool BuildShield(ShieldingLibrary& library, const std::vector<ShieldMaterial>& materials,
                 const DoseOptions& options, std::string_view tableName, Shield& shield,
                 std::string& error) {
    shield.options = options;
    shield.layers.clear();
    shield.functions.clear();
    shield.lastLayerMix.reset();
    shield.media = {library.Air(error), nullptr};
    if (shield.media.air == nullptr) {
        return false;
    }
    if (options.kind == DoseKind::Absorption && !materials.empty()) {
        shield.lastLayerMix = library.MixOf(*materials.back().material, error);
        if (!shield.lastLayerMix) {
            return false;
        }
        shield.media.lastLayer = &*shield.lastLayerMix;
    }
    const BuildupKind kind =
        options.kind == DoseKind::Absorption ? BuildupKind::Absorption : BuildupKind::Exposure;
    for (std::size_t i = 0; i < materials.size(); ++i) {
        if (options.kind != DoseKind::None && (tableName.empty() || i == 0)) {
            const BuildupTables* tables = library.Buildup(error);
            std::optional<BuildupFunction> function =
                tables == nullptr ? std::nullopt
                                  : BuildupFunctionOf(*materials[i].material, *tables, kind,
                                                      library.Elements(), tableName, error);
            if (!function) {
                return false;
            }
            shield.functions.push_back(std::make_unique<BuildupFunction>(std::move(*function)));
        }
        const BuildupFunction* function =
            shield.functions.empty()
                ? nullptr
                : (tableName.empty() ? shield.functions.back() : shield.functions.front()).get();
        shield.layers.push_back({&materials[i].material->table, materials[i].densityGPerCm3,
                                 materials[i].thicknessCm, function});
    }
    shield.options.table =
        !tableName.empty() && !shield.functions.empty() ? shield.functions.front().get() : nullptr;
    return true;
}

bool SourceFromSpectrum(std::string_view text, std::string_view name, bool keV, Source& source,
                        std::string& error) {
    std::vector<attenuation::SpectrumBin> bins;
    attenuation::SpectrumProblem problem;
    if (!attenuation::ReadSpectrum(text, bins, problem, keV)) {
        error = std::string(name) + ", " + attenuation::DescribeSpectrumProblem(problem);
        return false;
    }
    Source out;
    out.name = name;
    for (const attenuation::SpectrumBin& bin : bins) {
        out.lines.push_back({bin.energyMeV, bin.weight, {}, {}});
    }
    source = std::move(out);
    return true;
}

bool ResolveSource(ShieldingLibrary& library, std::string_view text, bool keV, Source& source,
                   std::string& error) {
    if (text.starts_with(kLinesPrefix)) {
        std::optional<std::vector<PhotonLine>> lines =
            ParseLineList(text.substr(kLinesPrefix.size()), keV, error);
        if (!lines) {
            return false;
        }
        source = {std::string(text), nullptr, std::move(*lines)};
        return true;
    }
    const std::vector<Nuclide>* nuclides = library.Nuclides(error);
    if (nuclides == nullptr) {
        return false;
    }
    if (const Nuclide* nuclide = FindNuclide(*nuclides, text)) {
        source = {nuclide->name, nuclide, nuclide->lines};
        return true;
    }
    std::error_code ignored;
    const std::filesystem::path file{std::string(text)};
    if (!text.empty() && std::filesystem::is_regular_file(file, ignored)) {
        std::string content;
        if (!data::ReadWholeFile(file, content)) {
            error = std::string(text) + ": the file cannot be read";
            return false;
        }
        return SourceFromSpectrum(content, text, keV, source, error);
    }
    error = attenuation::QuotedExcerpt(text) +
            " is no nuclide of the library, no lines:E=PHOTONS,... and no spectrum file";
    error += DidYouMean(*nuclides, text);
    return false;
}

std::string DidYouMean(const std::vector<Nuclide>& nuclides, std::string_view text) {
    const std::vector<std::string> closest = ClosestNuclides(nuclides, text);
    std::string question;
    for (std::size_t i = 0; i < closest.size(); ++i) {
        question += (i == 0                    ? "; did you mean "
                     : i + 1 == closest.size() ? " or "
                                               : ", ") +
                    closest[i];
    }
    return question + (closest.empty() ? "" : "?");
}

} // namespace shielding
