#include "attenuation/Units.h"

#include "attenuation/Attenuation.h"
#include "attenuation/TextLines.h"

#include <array>
#include <cmath>

namespace attenuation {

namespace {

/// A unit as written and what it means: a power of ten of cm (a length) or of g/cm2.
struct UnitWord {
    std::string_view word;
    int powerOfTen; ///< the value in cm or g/cm2 is the written number times 10^powerOfTen
    bool perArea;
};

constexpr std::array<UnitWord, 12> kThicknessWords = {{{"nm", -7, false},
                                                       {"um", -4, false},
                                                       {"\xC2\xB5m", -4, false},
                                                       {"\xCE\xBCm", -4, false},
                                                       {"mm", -1, false},
                                                       {"cm", 0, false},
                                                       {"m", 2, false},
                                                       {"ug/cm2", -6, true},
                                                       {"\xC2\xB5g/cm2", -6, true},
                                                       {"mg/cm2", -3, true},
                                                       {"g/cm2", 0, true},
                                                       {"kg/m2", -1, true}}};

/// The unit with cm^2 and cm² written cm2, m^2 and m² written m2.
std::string squaresSpelledOut(std::string_view unit) {
    std::string text(unit);
    for (const std::string_view square : {std::string_view("^2"), std::string_view("\xC2\xB2")}) {
        for (std::size_t at = text.find(square); at != std::string::npos; at = text.find(square)) {
            text.replace(at, square.size(), "2");
        }
    }
    return text;
}

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") + 1 - first);
}

/// Where the number at the start of `text` ends: sign, digits and point, an exponent.
std::size_t numberEnd(std::string_view text) {
    std::size_t i = 0;
    const auto digit = [&](std::size_t k) {
        return k < text.size() && text[k] >= '0' && text[k] <= '9';
    };
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    while (digit(i) || (i < text.size() && text[i] == '.')) {
        ++i;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t k = i + 1;
        if (k < text.size() && (text[k] == '+' || text[k] == '-')) {
            ++k;
        }
        if (digit(k)) {
            for (i = k; digit(i); ++i) {
            }
        }
    }
    return i;
}

} // namespace

std::optional<Thickness> ReadThickness(std::string_view text, std::string& problem) {
    const std::string_view field = trimmed(text);
    const std::size_t end = numberEnd(field);
    const std::string_view number = field.substr(0, end);
    const std::string unit = squaresSpelledOut(trimmed(field.substr(end)));
    const UnitWord* found = nullptr;
    for (const UnitWord& word : kThicknessWords) {
        found = word.word == unit ? &word : found;
    }
    const std::optional<double> read =
        !ReadNumberField(number) ? std::nullopt
        : unit.empty()           ? ReadNumberField(number)
        : found != nullptr       ? ReadNumberField(ShiftDecimalPoint(number, found->powerOfTen))
                                 : std::nullopt;
    if (!read || !(*read >= 0.0) || !std::isfinite(*read)) {
        problem = "the thickness " + QuotedExcerpt(text) +
                  " is not a number of 0 or more in cm, or with its unit: " +
                  std::string(kThicknessUnits);
        return std::nullopt;
    }
    return Thickness{*read, found != nullptr && found->perArea};
}

std::optional<CoefficientUnit> ReadCoefficientUnit(std::string_view text, std::string& problem) {
    const std::string unit = squaresSpelledOut(trimmed(text));
    using Kind = CoefficientKind;
    static constexpr std::array<std::pair<std::string_view, CoefficientUnit>, 12> kUnits = {{
        {"cm2/g", {Kind::MassAttenuation, "cm2/g", 0}},
        {"barn/atom", {Kind::PerAtom, "barn/atom", 0}},
        {"b/atom", {Kind::PerAtom, "barn/atom", 0}},
        {"1/cm", {Kind::Linear, "1/cm", 0}},
        {"cm-1", {Kind::Linear, "1/cm", 0}},
        {"nm", {Kind::Length, "nm", 7}},
        {"um", {Kind::Length, "um", 4}},
        {"\xC2\xB5m", {Kind::Length, "um", 4}},
        {"\xCE\xBCm", {Kind::Length, "um", 4}},
        {"mm", {Kind::Length, "mm", 1}},
        {"cm", {Kind::Length, "cm", 0}},
        {"m", {Kind::Length, "m", -2}},
    }};
    for (const auto& [word, known] : kUnits) {
        if (word == unit) {
            return known;
        }
    }
    problem =
        "unknown unit " + QuotedExcerpt(text) + "; the units are " + std::string(kCoefficientUnits);
    return std::nullopt;
}

double CoefficientScale::Apply(double muRho) const {
    switch (unit.kind) {
    case CoefficientKind::MassAttenuation:
        return muRho;
    case CoefficientKind::PerAtom:
    case CoefficientKind::Linear:
        return muRho * factor;
    case CoefficientKind::Length:
        break;
    }
    return Length(1.0 / (muRho * factor));
}

double CoefficientScale::Length(double cm) const {
    if (unit.kind != CoefficientKind::Length) {
        return cm;
    }
    // By an exact power of ten (m: a division by 100).
    static constexpr std::array<double, 8> kPowers = {1.0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7};
    const double power = kPowers[static_cast<std::size_t>(std::abs(unit.powerOfTen))];
    return unit.powerOfTen >= 0 ? cm * power : cm / power;
}

std::optional<double> FormulaUnitMass(const material::Composition& composition,
                                      ElementLibrary& library, std::string_view name,
                                      std::string& problem) {
    const std::string named = QuotedExcerpt(name);
    if (!composition.known || composition.elements.empty()) {
        problem = "barn/atom needs atoms per formula unit, and the elements of " + named +
                  " are not known";
        return std::nullopt;
    }
    double mass = 0.0;
    for (const material::ElementFraction& element : composition.elements) {
        if (!(element.atoms > 0.0)) {
            problem = "barn/atom needs atoms per formula unit, and " + named +
                      " is a mixture by weight; name a compound by its formula (formula:H2O) or "
                      "give cm2/g";
            return std::nullopt;
        }
        const ElementData* data = library.Element(element.z);
        if (data == nullptr) {
            problem = library.lastError();
            return std::nullopt;
        }
        mass += element.atoms * data->atomicWeight;
    }
    return mass;
}

std::optional<CoefficientScale> ScaleFor(const CoefficientUnit& unit,
                                         const material::ResolvedMaterial& resolved,
                                         std::optional<double> density,
                                         const std::filesystem::path& root, std::string& problem,
                                         std::string_view densityHint) {
    CoefficientScale scale{unit, 1.0};
    if (unit.kind == CoefficientKind::PerAtom) {
        ElementLibrary library(root);
        const std::optional<double> mass =
            FormulaUnitMass(resolved.composition, library,
                            resolved.dataPath.empty() ? resolved.name : resolved.dataPath, problem);
        if (!mass) {
            return std::nullopt;
        }
        scale.factor = *mass / kAvogadro * 1e24;
    } else if (unit.kind != CoefficientKind::MassAttenuation) {
        const std::optional<double> rho = density ? density : resolved.densityGPerCm3;
        if (!rho || !(*rho > 0.0) || !std::isfinite(*rho)) {
            problem = std::string(unit.name) + " needs a density, and that of " +
                      QuotedExcerpt(resolved.dataPath.empty() ? resolved.name : resolved.dataPath) +
                      (rho ? " is not a number above 0" : " is not known") + "; give it with " +
                      std::string(densityHint);
            return std::nullopt;
        }
        scale.factor = *rho;
    }
    return scale;
}

double TotalWithoutCoherent(const calc::CoefficientSet& set) {
    return set.incoherent + set.photoElectric + set.pairNuclear + set.pairElectron;
}

} // namespace attenuation
