#pragma once

#include <string>
#include <vector>

namespace material {

/// One element of a material's composition.
struct ElementFraction {
    int z = 0;
    std::string symbol;
    double atoms = 0.0;          ///< atoms per formula unit; 0 when the element came by weight
    double weightFraction = 0.0; ///< share of the mass, the elements' fractions add up to 1
};

/// What a material is made of, by weight. `known` is false when the material's elements are not
/// known (a library material file without a composition); `elements` is then empty.
struct Composition {
    bool known = false;
    std::vector<ElementFraction> elements; ///< in order of first appearance, each Z once
};

} // namespace material
