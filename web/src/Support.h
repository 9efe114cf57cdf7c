#pragma once
// What every part of the page's bindings shares: the library's place, failures as values,
// numbers in and out of JavaScript, the materials resolved lately and the layers of a stack.
#include "attenuation/Attenuation.h"
#include "attenuation/Compositions.h"
#include "calc/Interpolation.h"
#include "material/Resolve.h"
#include "platform/web/HtmlCanvas.h"
#include "shielding/Buildup.h"

#include <emscripten/val.h>

#include <array>
#include <filesystem>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bindings {

using emscripten::val;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
inline const std::filesystem::path kRoot = "/library";

/// {error: message}, which the page's script turns into an Error.
val failed(const std::string& message);

/// A copy of doubles as a Float64Array of the page's own.
val floatArray(const std::vector<double>& values);

std::vector<double> numbers(const val& array);

/// A number as the command line writes it, shortest first.
std::string numberText(double value);

using Material = std::shared_ptr<const material::ResolvedMaterial>;

/// The material a text names, from the materials resolved lately where it is one of them; empty
/// with the resolver's message otherwise.
std::optional<Material> resolve(const std::string& argument, std::string& error);

/// Buildup functions made lately, by kind, table and material text: an equivalent-Z function
/// reads element files, which a dose or a plot should not repeat for every call.
using Function = std::shared_ptr<const shielding::BuildupFunction>;
std::map<std::string, Function>& keptFunctions();

/// Forgets the materials and functions kept, after the library changed.
void forget();

/// The density given (when not undefined or null), else the material's own; NaN with the
/// message when neither is a number above 0.
double densityOf(const material::ResolvedMaterial& material, const val& given, std::string& error);

// Calls body(material) for the material an argument names, or returns the resolver's message.
template <typename Body> val onMaterial(const std::string& argument, Body&& body) {
    std::string error;
    const std::optional<Material> found = resolve(argument, error);
    return found ? body(**found) : failed(error);
}

// The same with the material's composition by weight, which energy absorption and Zeff need.
template <typename Body> val onShares(const std::string& argument, Body&& body) {
    return onMaterial(argument, [&](const material::ResolvedMaterial& material) {
        std::string error;
        const std::string named = material.dataPath.empty() ? argument : material.dataPath;
        const std::optional<attenuation::Composition> shares =
            attenuation::SharesOf(material.composition, named, error);
        return shares ? body(material, *shares) : failed(error);
    });
}

/// The six coefficients' names in the page's objects, and their values in that order.
constexpr std::array<const char*, 6> kColumns = {"coherent",     "incoherent",    "photo_electric",
                                                 "pair_nuclear", "pair_electron", "total"};
std::array<double, 6> valuesOf(const calc::CoefficientSet& s);

// Runs one computation per energy; a refused energy gives `refused` and no error.
template <std::size_t N, typename Compute>
std::array<std::vector<double>, N> perEnergy(const std::vector<double>& energies, Compute compute) {
    std::array<std::vector<double>, N> columns;
    for (std::vector<double>& column : columns) {
        column.resize(energies.size());
    }
    for (std::size_t i = 0; i < energies.size(); ++i) {
        std::array<double, N> row{};
        if (compute(energies[i], row) != attenuation::Outcome::Ok) {
            row.fill(kNaN);
        }
        for (std::size_t c = 0; c < N; ++c) {
            columns[c][i] = row[c];
        }
    }
    return columns;
}

template <std::size_t N>
val named(const std::array<std::vector<double>, N>& columns,
          const std::array<const char*, N>& names) {
    val result = val::object();
    for (std::size_t c = 0; c < N; ++c) {
        result.set(names[c], floatArray(columns[c]));
    }
    return result;
}

/// The mixes of energy-absorption tables of several compositions, in order, pointing into
/// `library`; empty with the message of the first that cannot be had.
std::optional<std::vector<attenuation::AbsorptionMix>>
mixesOf(const std::vector<attenuation::Composition>& compositions,
        attenuation::AbsorptionLibrary& library, std::string& error);

/// The composition of a library file (dry air, water).
std::optional<attenuation::Composition> libraryComposition(std::string_view path,
                                                           std::string& error);

/// The layers of a stack, [[material, cm], [material, cm, density], ...], with the materials
/// they hold kept alive. A thickness may be a text with its unit ("5 mm", "2 g/cm2").
struct Stack {
    std::vector<Material> materials;
    std::vector<attenuation::Layer> layers;
};

std::optional<Stack> stackOf(const val& list, std::string& error);

/// The user scale a plot set on the canvas, for the read-out.
val scaleOf(const HtmlCanvas& canvas);

/// Each registers its part of the module's functions.
void BindLookups();
void BindAttenuation();
void BindPlots();
void BindFiles();
void BindShielding();
void BindLayers();
void BindGeometry();

} // namespace bindings
