#pragma once

#include "material/Resolve.h"

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace attenuation {

/// A layer as typed in a window: MATERIAL@THICKNESS or MATERIAL@THICKNESS@DENSITY, or MATERIAL
/// alone for 1 cm. The thickness is a number of cm or has its unit ("5mm", "2g/cm2", see
/// ReadThickness); a mass per area is divided by the layer's density.
struct TypedLayer {
    std::string word;
    std::unique_ptr<material::ResolvedMaterial> material;
    double density = 0.0;   ///< g/cm3: the typed one, else the data file's
    double thickness = 0.0; ///< cm
};

/// Resolves one typed layer in `root`. False with one sentence in `problem` when the material
/// names nothing, the thickness is not a thickness of 0 or more, or no density is known.
bool ReadTypedLayer(const std::filesystem::path& root, std::string_view word, TypedLayer& layer,
                    std::string& problem);

/// The resolver's notes (which material a name was taken for, see ResolvedMaterial::note) on the
/// materials of the layers and on `also` when given, each once in their order, one
/// "Note: NOTE." line each; empty when every name was plain.
std::string NotesText(const std::vector<TypedLayer>& layers,
                      const material::ResolvedMaterial* also = nullptr);

} // namespace attenuation
