#include "attenuation/Attenuation.h"

#include "calc/Interpolation.h"
#include "data/MaterialFile.h"
#include "data/NumberMask.h"
#include "data/NumericText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace attenuation {

namespace {

/// The atomic weight on the last line of an element file that holds anything; 0 for none.
double atomicWeightOf(const std::filesystem::path& file) {
    std::string text;
    if (!data::ReadWholeFile(file, text)) {
        return 0.0;
    }
    const std::size_t last = text.find_last_not_of(" \t\r\n");
    if (last == std::string::npos) {
        return 0.0;
    }
    const std::size_t lineEnd = text.find_last_of("\r\n", last);
    const std::size_t first = lineEnd == std::string::npos ? 0 : lineEnd + 1;
    return data::NumericValue(std::string_view(text).substr(first, last + 1 - first));
}

} // namespace

Outcome OutcomeOf(calc::CalcStatus status) {
    switch (status) {
    case calc::CalcStatus::Ok:
        return Outcome::Ok;
    case calc::CalcStatus::OutOfRange:
        return Outcome::OutOfRange;
    case calc::CalcStatus::CalculationError:
        break;
    }
    return Outcome::CalculationError;
}

std::string_view OutcomeWord(Outcome outcome) {
    switch (outcome) {
    case Outcome::Ok:
        return "Ok";
    case Outcome::OutOfRange:
        return "OutOfRange";
    case Outcome::NoAbsorptionData:
        return "NoAbsorptionData";
    case Outcome::NoSolution:
        return "NoSolution";
    case Outcome::CalculationError:
        break;
    }
    return "CalculationError";
}

std::string DescribeOutcome(Outcome outcome, double energyMeV) {
    const std::string at = " at " + data::FormatExact(energyMeV) + " MeV";
    switch (outcome) {
    case Outcome::Ok:
        return "no problem" + at;
    case Outcome::OutOfRange:
        return "the energy" + at + " is out of range of the material's table";
    case Outcome::NoAbsorptionData:
        return "no energy-absorption data" + at +
               " (the tables cover 0.001 to 20 MeV and the elements up to Z = 92)";
    case Outcome::NoSolution:
        return "no thickness gives that transmission" + at;
    case Outcome::CalculationError:
        break;
    }
    return "calculation error" + at;
}

Outcome MassAttenuation(const data::MaterialTable& table, double energyMeV, double& muRho) {
    return OutcomeOf(calc::TotalAtEnergy(table, energyMeV, muRho));
}

std::optional<AbsorptionMix> MixAbsorption(const Composition& composition,
                                           AbsorptionLibrary& library, std::string& error) {
    AbsorptionMix mix;
    mix.complete = !composition.empty();
    for (const ElementShare& share : composition) {
        if (share.atomicNumber > kAbsorptionHighestZ) {
            mix.complete = false;
            continue;
        }
        const AbsorptionTable* table = library.Element(share.atomicNumber);
        if (table == nullptr) {
            error = library.lastError();
            return std::nullopt;
        }
        mix.parts.emplace_back(table, share.weightFraction);
    }
    return mix;
}

Outcome MassEnergyAbsorption(const AbsorptionMix& mix, double energyMeV, double& muEnRho) {
    return MassEnergyAbsorption(mix, energyMeV, std::log(energyMeV), muEnRho);
}

Outcome MassEnergyAbsorption(const AbsorptionMix& mix, double energyMeV, double logEnergy,
                             double& muEnRho) {
    if (!mix.complete ||
        !(energyMeV >= kAbsorptionLowestMeV && energyMeV <= kAbsorptionHighestMeV)) {
        return Outcome::NoAbsorptionData;
    }
    double sum = 0.0;
    for (const auto& [table, fraction] : mix.parts) {
        const std::optional<double> value = MuEnRhoAt(*table, energyMeV, logEnergy);
        if (!value) {
            return Outcome::NoAbsorptionData;
        }
        sum += fraction * *value;
    }
    if (!std::isfinite(sum)) {
        return Outcome::CalculationError;
    }
    muEnRho = sum;
    return Outcome::Ok;
}

AbsorptionColumns::AbsorptionColumns(AbsorptionMix material, AbsorptionMix air, AbsorptionMix water)
    : m_mixes{std::move(material), std::move(air), std::move(water)} {
    for (const AbsorptionMix& mix : m_mixes) {
        for (const auto& part : mix.parts) {
            const auto found = std::find(m_distinct.begin(), m_distinct.end(), part.first);
            m_slotOfPart.push_back(static_cast<std::size_t>(found - m_distinct.begin()));
            if (found == m_distinct.end()) {
                m_distinct.push_back(part.first);
            }
        }
    }
}

Outcome AbsorptionColumns::At(double energyMeV, double logEnergy,
                              std::array<double, 3>& values) const {
    const bool complete = std::all_of(m_mixes.begin(), m_mixes.end(),
                                      [](const AbsorptionMix& mix) { return mix.complete; });
    if (!complete || !(energyMeV >= kAbsorptionLowestMeV && energyMeV <= kAbsorptionHighestMeV)) {
        return Outcome::NoAbsorptionData;
    }
    // The values sit on the stack unless the mixes hold more tables than one library has.
    std::array<double, kAbsorptionHighestZ> onStack;
    std::vector<double> onHeap(m_distinct.size() > onStack.size() ? m_distinct.size() : 0);
    double* found = onHeap.empty() ? onStack.data() : onHeap.data();
    // The look-ups depend on nothing but the energy, so the processor runs them side by side.
    for (std::size_t slot = 0; slot < m_distinct.size(); ++slot) {
        const std::optional<double> value = MuEnRhoAt(*m_distinct[slot], energyMeV, logEnergy);
        if (!value) {
            return Outcome::NoAbsorptionData;
        }
        found[slot] = *value;
    }
    const std::size_t* slot = m_slotOfPart.data();
    for (std::size_t m = 0; m < m_mixes.size(); ++m) {
        double sum = 0.0;
        for (const auto& part : m_mixes[m].parts) {
            sum += part.second * found[*slot++];
        }
        if (!std::isfinite(sum)) {
            return Outcome::CalculationError;
        }
        values[m] = sum;
    }
    return Outcome::Ok;
}

Outcome AbsorptionAt(const data::MaterialTable& table, const AbsorptionColumns& columns,
                     double energyMeV, AbsorptionRow& row) {
    AbsorptionRow out;
    const double logEnergy = std::log(energyMeV);
    Outcome outcome = OutcomeOf(calc::TotalAtEnergy(table, energyMeV, logEnergy, out.muRho));
    std::array<double, 3> values{};
    if (outcome == Outcome::Ok) {
        outcome = columns.At(energyMeV, logEnergy, values);
    }
    if (outcome != Outcome::Ok) {
        return outcome;
    }
    out.muEnRho = values[0];
    out.kermaRatioAir = out.muEnRho / values[1];
    out.kermaRatioWater = out.muEnRho / values[2];
    if (!std::isfinite(out.kermaRatioAir) || !std::isfinite(out.kermaRatioWater)) {
        return Outcome::CalculationError;
    }
    row = out;
    return Outcome::Ok;
}

Outcome HalfValueAt(const data::MaterialTable& table, double densityGPerCm3, double energyMeV,
                    HalfValueRow& row) {
    double muRho = 0.0;
    const Outcome outcome = MassAttenuation(table, energyMeV, muRho);
    if (outcome != Outcome::Ok) {
        return outcome;
    }
    HalfValueRow out;
    out.mu = muRho * densityGPerCm3;
    out.mfp = 1.0 / out.mu;
    out.hvl = std::numbers::ln2 * out.mfp;
    out.tvl = std::numbers::ln10 * out.mfp;
    if (!(out.mu > 0.0) || !std::isfinite(out.mfp)) {
        return Outcome::CalculationError;
    }
    row = out;
    return Outcome::Ok;
}

Outcome StackAt(const std::vector<Layer>& layers, double energyMeV, double& muX,
                std::vector<double>* perLayer) {
    std::vector<double> values;
    double sum = 0.0;
    for (const Layer& layer : layers) {
        double muRho = 0.0;
        const Outcome outcome = MassAttenuation(*layer.table, energyMeV, muRho);
        if (outcome != Outcome::Ok) {
            return outcome;
        }
        values.push_back(muRho * layer.densityGPerCm3 * layer.thicknessCm);
        sum += values.back();
    }
    if (!std::isfinite(sum)) {
        return Outcome::CalculationError;
    }
    muX = sum;
    if (perLayer != nullptr) {
        *perLayer = std::move(values);
    }
    return Outcome::Ok;
}

Outcome ThicknessFor(const std::vector<Layer>& layers, double energyMeV, double transmission,
                     double& thicknessCm) {
    if (layers.empty() || !(transmission > 0.0 && transmission <= 1.0)) {
        return Outcome::NoSolution;
    }
    std::vector<double> perLayer;
    double muX = 0.0;
    const Outcome outcome = StackAt(layers, energyMeV, muX, &perLayer);
    if (outcome != Outcome::Ok) {
        return outcome;
    }
    double muRho = 0.0;
    MassAttenuation(*layers.back().table, energyMeV, muRho);
    const double mu = muRho * layers.back().densityGPerCm3;
    const double needed = -std::log(transmission) - (muX - perLayer.back());
    if (needed < 0.0 || !(mu > 0.0)) {
        return Outcome::NoSolution;
    }
    thicknessCm = needed / mu;
    return std::isfinite(thicknessCm) ? Outcome::Ok : Outcome::CalculationError;
}

const ElementData* ElementLibrary::Element(int atomicNumber) {
    auto found = m_elements.find(atomicNumber);
    if (found == m_elements.end()) {
        std::optional<ElementData> element;
        char prefix[8];
        std::snprintf(prefix, sizeof prefix, "%03d_", atomicNumber);
        m_lastError = "no element file for atomic number " + std::to_string(atomicNumber);
        std::error_code ec;
        for (std::filesystem::directory_iterator it(m_root / "ele", ec), end; !ec && it != end;
             it.increment(ec)) {
            const std::string name = it->path().filename().string();
            if (name.rfind(prefix, 0) != 0 || it->path().extension() != ".ele") {
                continue;
            }
            ElementData loaded;
            loaded.atomicNumber = atomicNumber;
            loaded.table.SelectedPath = "ele/" + name;
            const data::LoadResult result = data::LoadMaterialTable(loaded.table, m_root);
            loaded.atomicWeight = atomicWeightOf(it->path());
            if (!result.ok()) {
                m_lastError = data::DescribeLoadError(result, loaded.table.SelectedPath);
            } else if (!(loaded.atomicWeight > 0.0) || !std::isfinite(loaded.atomicWeight)) {
                m_lastError = loaded.table.SelectedPath + ": no atomic weight on its last line";
            } else {
                element = std::move(loaded);
            }
            break;
        }
        found = m_elements.emplace(atomicNumber, std::move(element)).first;
    }
    return found->second ? &*found->second : nullptr;
}

std::optional<std::vector<std::pair<const ElementData*, double>>>
ElementsOf(const Composition& composition, ElementLibrary& library, std::string& error) {
    std::vector<std::pair<const ElementData*, double>> elements;
    for (const ElementShare& share : composition) {
        const ElementData* element = library.Element(share.atomicNumber);
        if (element == nullptr) {
            error = library.lastError();
            return std::nullopt;
        }
        elements.emplace_back(element, share.weightFraction);
    }
    return elements;
}

Outcome EffectiveZAt(const std::vector<std::pair<const ElementData*, double>>& elements,
                     double energyMeV, EffectiveZRow& row) {
    // Atom fractions are proportional to weight fraction over atomic weight; their common
    // factor cancels in Zeff but not in the mean atomic mass, so it is kept.
    double atoms = 0.0;
    for (const auto& [element, weight] : elements) {
        atoms += weight / element->atomicWeight;
    }
    double numerator = 0.0;
    double denominator = 0.0;
    double meanMass = 0.0;
    for (const auto& [element, weight] : elements) {
        double muRho = 0.0;
        const Outcome outcome = MassAttenuation(element->table, energyMeV, muRho);
        if (outcome != Outcome::Ok) {
            return outcome;
        }
        const double f = weight / element->atomicWeight / atoms;
        numerator += f * element->atomicWeight * muRho;
        denominator += f * element->atomicWeight / element->atomicNumber * muRho;
        meanMass += f * element->atomicWeight;
    }
    EffectiveZRow out;
    out.zeff = numerator / denominator;
    out.neff = kAvogadro * out.zeff / meanMass;
    if (elements.empty() || !std::isfinite(out.zeff) || !std::isfinite(out.neff)) {
        return Outcome::CalculationError;
    }
    row = out;
    return Outcome::Ok;
}

} // namespace attenuation
