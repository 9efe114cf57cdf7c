#include "attenuation/TypedLayers.h"

#include "attenuation/TextLines.h"
#include "attenuation/Units.h"

#include <algorithm>
#include <optional>

namespace attenuation {

bool ReadTypedLayer(const std::filesystem::path& root, std::string_view word, TypedLayer& layer,
                    std::string& problem) {
    const std::size_t at = word.find('@');
    const std::size_t second = at == std::string_view::npos ? at : word.find('@', at + 1);
    layer.word = std::string(word);
    layer.material = std::make_unique<material::ResolvedMaterial>();
    if (!material::ResolveMaterial(root, word.substr(0, at), *layer.material, problem)) {
        return false;
    }
    std::string unreadable;
    const std::optional<Thickness> thickness =
        at == std::string_view::npos
            ? std::optional<Thickness>(Thickness{1.0, false})
            : ReadThickness(word.substr(at + 1, second - std::min(second, at + 1)), unreadable);
    const std::optional<double> density = second == std::string_view::npos
                                              ? layer.material->densityGPerCm3
                                              : ReadNumberField(word.substr(second + 1));
    if (!thickness) {
        problem = "layer " + layer.word + ": " + unreadable;
        return false;
    }
    if (!density || !(*density > 0.0)) {
        problem =
            "layer " + layer.word + ": the density is not known; write it as MATERIAL@CM@DENSITY";
        return false;
    }
    layer.thickness = thickness->Cm(*density);
    layer.density = *density;
    return true;
}

std::string NotesText(const std::vector<TypedLayer>& layers,
                      const material::ResolvedMaterial* also) {
    std::vector<const material::ResolvedMaterial*> materials;
    for (const TypedLayer& layer : layers) {
        materials.push_back(layer.material.get());
    }
    materials.push_back(also);
    std::vector<std::string_view> seen;
    std::string text;
    for (const material::ResolvedMaterial* m : materials) {
        if (m == nullptr || m->note.empty() ||
            std::find(seen.begin(), seen.end(), m->note) != seen.end()) {
            continue;
        }
        seen.push_back(m->note);
        text += (text.empty() ? "Note: " : "\nNote: ") + m->note + ".";
    }
    return text;
}

} // namespace attenuation
