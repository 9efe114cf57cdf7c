#pragma once

#include "Arguments.h"
#include "Output.h"
#include "attenuation/Attenuation.h"
#include "attenuation/Spectrum.h"
#include "attenuation/Units.h"
#include "material/Resolve.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

/// A resolved material with the density the command uses.
struct Material {
    std::unique_ptr<material::ResolvedMaterial> resolved =
        std::make_unique<material::ResolvedMaterial>();
    double density = 0.0; ///< g/cm3; 0 when neither the file nor the command line gives one
};

/// Resolves a MATERIAL argument; the density is `density` when given, else --density, else the
/// data file's. False with the message written when it names no material or --density is bad.
bool ResolveArgument(const Invocation& invocation, const std::string& argument, Material& m,
                     BufferedStream& err, std::optional<double> density = std::nullopt);

/// True when the material has a density; else complains saying how to give one.
bool NeedDensity(const std::string& argument, const Material& m, BufferedStream& err);

/// The scale of --unit for a material, `fallback` when --unit is not given; a unit per volume
/// or a length takes the material's density `m.density`. Empty with the message written when
/// the unit is not one of them or the material lacks what it needs.
std::optional<attenuation::CoefficientScale>
UnitScaleOf(const Invocation& invocation, const Material& m, BufferedStream& err,
            attenuation::CoefficientUnit fallback = {});

/// The element shares of a resolved material; empty with the message written when its
/// composition is not known.
std::optional<attenuation::Composition> CompositionOf(const std::string& argument,
                                                      const Material& m, BufferedStream& err);

/// The absorption mix of a composition, or of a reference material by its path.
std::optional<attenuation::AbsorptionMix> MixOf(const Invocation& invocation,
                                                attenuation::AbsorptionLibrary& library,
                                                std::optional<attenuation::Composition> composition,
                                                std::string_view reference, BufferedStream& err);

/// The layers MATERIAL@CM or MATERIAL@CM@DENSITY, each resolved into `materials` (one per
/// word) and `layers`. False with the message written at the first that does not fit.
bool ReadLayers(const Invocation& invocation, const std::vector<std::string>& words,
                std::vector<Material>& materials, std::vector<attenuation::Layer>& layers,
                BufferedStream& err);

/// The spectrum of a --spectrum FILE ("-": standard input) in the command's energy unit. False
/// with the message, naming the file and the line, written.
bool ReadSpectrumFile(const Invocation& invocation, const std::string& file,
                      std::vector<attenuation::SpectrumBin>& bins, BufferedStream& err);

/// Writes a spectrum problem found while computing, naming the file and the line; the status
/// of bad input.
int SpectrumFailed(const std::string& file, const attenuation::SpectrumProblem& problem,
                   BufferedStream& err);

} // namespace cli
