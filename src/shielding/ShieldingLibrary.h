#pragma once

#include "attenuation/Attenuation.h"
#include "shielding/Buildup.h"
#include "shielding/Decay.h"
#include "shielding/Dose.h"
#include "shielding/Nuclides.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace shielding {

/// The prefix of a source given as lines: "lines:0.662=0.851,1.25=1".
inline constexpr std::string_view kLinesPrefix = "lines:";

/// What the shielding computations read from one library folder, each part read the first
/// time it is asked for and kept.
class ShieldingLibrary {
  public:
    explicit ShieldingLibrary(std::filesystem::path root);

    const std::filesystem::path& Root() const { return m_root; }

    /// Null, with `error` saying why, when the file is missing or damaged.
    const BuildupTables* Buildup(std::string& error);
    const std::vector<Nuclide>* Nuclides(std::string& error);
    /// The decay chains with each member's own lines.
    const DecayData* Decay(std::string& error);
    /// mu_en/rho of the library's dry air; null with `error` when it cannot be made.
    const attenuation::AbsorptionMix* Air(std::string& error);

    attenuation::ElementLibrary& Elements() { return m_elements; }
    attenuation::AbsorptionLibrary& Absorption() { return m_absorption; }

    /// The absorption mix of a material (its composition by weight; empty `composition` for a
    /// library file looked up by `dataPath`). Empty with `error` when it is not known.
    std::optional<attenuation::AbsorptionMix> MixOf(const material::ResolvedMaterial& material,
                                                    std::string& error);

  private:
    std::filesystem::path m_root;
    std::optional<BuildupTables> m_buildup;
    std::optional<std::vector<Nuclide>> m_nuclides;
    std::optional<DecayData> m_decay;
    std::optional<attenuation::AbsorptionMix> m_air;
    attenuation::ElementLibrary m_elements;
    attenuation::AbsorptionLibrary m_absorption;
};

/// One layer of a shield as the faces read it: a resolved material, its density and thickness.
struct ShieldMaterial {
    const material::ResolvedMaterial* material = nullptr;
    double densityGPerCm3 = 0.0;
    double thicknessCm = 0.0;
};

/// A shield ready for DoseRate: its layers with their buildup functions of the dose's kind, the
/// media of the kerma and the options, all kept together (it is neither copied nor moved).
struct Shield {
    Shield() = default;
    Shield(const Shield&) = delete;
    Shield& operator=(const Shield&) = delete;

    DoseOptions options;
    std::vector<ShieldLayer> layers;
    KermaMedia media;
    std::vector<std::unique_ptr<BuildupFunction>> functions;
    std::optional<attenuation::AbsorptionMix> lastLayerMix;
};

/// Builds `shield` for `options`: each layer's buildup function (or the table `tableName` for
/// them all, when not empty), dry air, and the last layer's mu_en/rho for the absorption kind.
/// False with one sentence in `error` when a table, a composition or the air is missing.
bool BuildShield(ShieldingLibrary& library, const std::vector<ShieldMaterial>& materials,
                 const DoseOptions& options, std::string_view tableName, Shield& shield,
                 std::string& error);

/// A source's photon lines and what to call it.
struct Source {
    std::string name;                 ///< "Co-60", the lines' text, or the file as given
    const Nuclide* nuclide = nullptr; ///< set for a nuclide of the library
    std::vector<PhotonLine> lines;
};

/// A typed source: a nuclide of the library ("Co-60", "cs137"), "lines:E=Y,..." (energies in
/// keV with `keV`), or else a spectrum file of energies and photons per decay. False with one
/// sentence in `error` (with the closest nuclides where the text looks like a name).
bool ResolveSource(ShieldingLibrary& library, std::string_view text, bool keV, Source& source,
                   std::string& error);

/// "; did you mean Co-60 or Co-58?" for a typed name, empty when no nuclide is close.
std::string DidYouMean(const std::vector<Nuclide>& nuclides, std::string_view text);

/// The lines of a spectrum file's text (as the spectrum reader reads it), named `name`.
bool SourceFromSpectrum(std::string_view text, std::string_view name, bool keV, Source& source,
                        std::string& error);

} // namespace shielding
