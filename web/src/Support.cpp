#include "Support.h"

#include "attenuation/Units.h"
#include "data/CharConv.h"
#include "data/MaterialFile.h"
#include "material/Catalogue.h"

#include <emscripten/bind.h>

#include <cmath>
#include <list>
#include <utility>

namespace bindings {

val failed(const std::string& message) {
    val result = val::object();
    result.set("error", message);
    return result;
}

val floatArray(const std::vector<double>& values) {
    return val(emscripten::typed_memory_view(values.size(), values.data())).call<val>("slice");
}

std::vector<double> numbers(const val& array) {
    return emscripten::convertJSArrayToNumberVector<double>(array);
}

std::string numberText(double value) {
    char text[32];
    const auto written = data::ToChars(text, text + sizeof text, value);
    return std::string(text, written.ptr);
}

namespace {

// Materials resolved lately, by the text that named them; the library changes only through
// forget(), which empties it.
std::list<std::pair<std::string, Material>> g_recent;
constexpr std::size_t kRecentMaterials = 24;

std::map<std::string, Function> g_functions;

} // namespace

std::optional<Material> resolve(const std::string& argument, std::string& error) {
    for (auto it = g_recent.begin(); it != g_recent.end(); ++it) {
        if (it->first == argument) {
            g_recent.splice(g_recent.begin(), g_recent, it);
            return it->second;
        }
    }
    auto resolved = std::make_shared<material::ResolvedMaterial>();
    if (!material::ResolveMaterial(kRoot, argument, *resolved, error)) {
        return std::nullopt;
    }
    // The shares the fraction plot draws, as GO computes them.
    data::ComputeFractions(resolved->table);
    g_recent.emplace_front(argument, resolved);
    if (g_recent.size() > kRecentMaterials) {
        g_recent.pop_back();
    }
    return resolved;
}

std::map<std::string, Function>& keptFunctions() { return g_functions; }

void forget() {
    material::ForgetCatalogues();
    g_recent.clear();
    g_functions.clear();
}

double densityOf(const material::ResolvedMaterial& material, const val& given, std::string& error) {
    std::optional<double> density = material.densityGPerCm3;
    if (!given.isUndefined() && !given.isNull()) {
        density = given.as<double>();
    }
    if (!density) {
        error = "the density of '" + material.name + "' is not known: give it";
        return kNaN;
    }
    if (!(*density > 0.0) || !std::isfinite(*density)) {
        error = "the density must be a number greater than 0";
        return kNaN;
    }
    return *density;
}

std::array<double, 6> valuesOf(const calc::CoefficientSet& s) {
    return {s.coherent, s.incoherent, s.photoElectric, s.pairNuclear, s.pairElectron, s.total};
}

std::optional<std::vector<attenuation::AbsorptionMix>>
mixesOf(const std::vector<attenuation::Composition>& compositions,
        attenuation::AbsorptionLibrary& library, std::string& error) {
    std::vector<attenuation::AbsorptionMix> mixes;
    for (const attenuation::Composition& composition : compositions) {
        std::optional<attenuation::AbsorptionMix> mix =
            attenuation::MixAbsorption(composition, library, error);
        if (!mix) {
            return std::nullopt;
        }
        mixes.push_back(std::move(*mix));
    }
    return mixes;
}

std::optional<attenuation::Composition> libraryComposition(std::string_view path,
                                                           std::string& error) {
    return attenuation::FindComposition(kRoot, path, error);
}

std::optional<Stack> stackOf(const val& list, std::string& error) {
    Stack stack;
    const auto count = list["length"].as<unsigned>();
    for (unsigned i = 0; i < count; ++i) {
        const val layer = list[i];
        const std::string where = "layer " + std::to_string(i + 1);
        if (!val::global("Array").call<bool>("isArray", layer) ||
            (layer["length"].as<unsigned>() != 2 && layer["length"].as<unsigned>() != 3) ||
            !layer[0].isString()) {
            error = where + " is not [material, cm] or [material, cm, density]";
            return std::nullopt;
        }
        const std::string name = layer[0].as<std::string>();
        const std::optional<Material> found = resolve(name, error);
        if (!found) {
            return std::nullopt;
        }
        std::string unreadable;
        const std::optional<attenuation::Thickness> thickness =
            layer[1].isString() ? attenuation::ReadThickness(layer[1].as<std::string>(), unreadable)
                                : std::optional(attenuation::Thickness{
                                      layer[1].isNumber() ? layer[1].as<double>() : kNaN, false});
        if (!thickness || !(thickness->value >= 0.0) || !std::isfinite(thickness->value)) {
            error = where + " ('" + name + "'): " +
                    (unreadable.empty() ? "the thickness is not a number of cm, 0 or more"
                                        : unreadable);
            return std::nullopt;
        }
        const double density = densityOf(**found, layer[2], error);
        if (!error.empty()) {
            error = where + " ('" + name + "'): " + error;
            return std::nullopt;
        }
        stack.materials.push_back(*found);
        stack.layers.push_back({&(*found)->table, density, thickness->Cm(density)});
    }
    if (stack.layers.empty()) {
        error = "a stack needs at least one layer";
        return std::nullopt;
    }
    return stack;
}

val scaleOf(const HtmlCanvas& canvas) {
    val scale = val::object();
    scale.set("left", canvas.ScaleLeft());
    scale.set("top", canvas.ScaleTop());
    scale.set("width", canvas.ScaleWidth());
    scale.set("height", canvas.ScaleHeight());
    return scale;
}

} // namespace bindings
