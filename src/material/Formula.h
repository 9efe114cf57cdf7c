#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace material {

/// Highest atomic number the program knows (the element library runs from H to Fm).
inline constexpr int kHighestAtomicNumber = 100;

/// The chemical symbol of an element ("Pb" for 82); empty outside 1..kHighestAtomicNumber.
std::string_view ElementSymbol(int atomicNumber);

/// The atomic number of a symbol, case as in chemistry ("Pb" gives 82, "PB" and "pb" give 0).
int AtomicNumber(std::string_view symbol);

/// One element of a formula: how many atoms of it one formula unit holds.
struct FormulaElement {
    int z = 0;
    std::string symbol;
    double atoms = 0.0; ///< > 0, summed over every place the element stands
};

/// A parsed formula, or where and why it could not be read.
struct FormulaResult {
    std::vector<FormulaElement> elements; ///< in order of first appearance; empty on error
    std::string error;                    ///< empty on success, else one sentence
    int position = 0; ///< 1-based character (not byte) of the error; 0 on success

    bool ok() const { return error.empty(); }
};

/// Reads a chemical formula: element symbols with optional counts (integers or decimals, "C2H4",
/// "C0.5H"), groups in ( ) or [ ] with an optional count after them, and parts joined by the
/// middle dot "·" (or the dot operator "⋅"), '*' or '.' with an optional leading count
/// ("CuSO4·5H2O", "CaSO4*2H2O"). Subscript digits read as digits ("H₂O"); blanks and tabs around
/// the formula are ignored. A point between digits is a decimal point, unless it could also join
/// a hydrate (a whole count of 1 or more after an element or a group outside brackets, digits
/// other than 0 after it, then an element or a bracket, as in "CuSO4.5H2O"): such a formula says
/// two things and is refused with both spellings. Positions count characters of `text`.
FormulaResult ParseFormula(std::string_view text);

} // namespace material
