#include "shielding/Dose.h"

#include "attenuation/TextLines.h"
#include "shielding/Quantity.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>

namespace shielding {

namespace {

struct Unit {
    std::string_view name;
    double factor;
};

/// "12.5 mCi" or "12.5mCi": the number and the unit that follows it, blanks allowed between.
std::optional<double> readWithUnit(std::string_view text, std::string_view what,
                                   const std::vector<Unit>& units, std::string_view unitList,
                                   std::string& error) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    std::size_t split = text.size();
    while (split > 0 && !blank(text[split - 1]) &&
           !(text[split - 1] >= '0' && text[split - 1] <= '9') && text[split - 1] != '.') {
        --split;
    }
    std::string_view number = text.substr(0, split);
    const std::string_view unit = text.substr(split);
    while (!number.empty() && blank(number.back())) {
        number.remove_suffix(1);
    }
    const std::optional<double> value = attenuation::ReadNumberField(number);
    if (!value || !std::isfinite(*value)) {
        error = "the " + std::string(what) + " " + attenuation::QuotedExcerpt(text) +
                " is not a number with a unit (" + std::string(unitList) + ")";
        return std::nullopt;
    }
    if (unit.empty()) {
        error = "the " + std::string(what) + " " + attenuation::QuotedExcerpt(text) +
                " needs a unit (" + std::string(unitList) + ")";
        return std::nullopt;
    }
    for (const Unit& known : units) {
        if (unit == known.name) {
            return *value * known.factor;
        }
    }
    error = "the " + std::string(what) + " " + attenuation::QuotedExcerpt(text) +
            " has a unit PhotonXS does not know (" + std::string(unitList) + ")";
    return std::nullopt;
}

constexpr double kFourPi = 4.0 * std::numbers::pi;

} // namespace

std::optional<DoseKind> DoseKindNamed(std::string_view word) {
    if (word == "exposure") {
        return DoseKind::Exposure;
    }
    if (word == "absorption") {
        return DoseKind::Absorption;
    }
    if (word == "none") {
        return DoseKind::None;
    }
    return std::nullopt;
}

std::string_view DoseKindWord(DoseKind kind) {
    switch (kind) {
    case DoseKind::Exposure:
        return "exposure";
    case DoseKind::Absorption:
        return "absorption";
    case DoseKind::None:
        break;
    }
    return "none";
}

std::optional<LayerRule> LayerRuleNamed(std::string_view word) {
    if (word == "broder") {
        return LayerRule::Broder;
    }
    if (word == "last") {
        return LayerRule::Last;
    }
    return std::nullopt;
}

std::string_view LayerRuleWord(LayerRule rule) {
    return rule == LayerRule::Broder ? "broder" : "last";
}

std::optional<double> ReadActivityBq(std::string_view text, std::string& error) {
    static const std::vector<Unit> units = {{"Bq", 1.0},
                                            {"kBq", 1e3},
                                            {"MBq", 1e6},
                                            {"GBq", 1e9},
                                            {"TBq", 1e12},
                                            {"Ci", 3.7e10},
                                            {"mCi", 3.7e7},
                                            {"uCi", 3.7e4},
                                            {"\xC2\xB5"
                                             "Ci",
                                             3.7e4},
                                            {"\xCE\xBC"
                                             "Ci",
                                             3.7e4}};
    const std::optional<double> value =
        readWithUnit(text, "activity", units, "Bq, kBq, MBq, GBq, TBq, Ci, mCi, uCi", error);
    if (value && !(*value >= 0.0)) {
        error = "the activity " + attenuation::QuotedExcerpt(text) + " is below 0";
        return std::nullopt;
    }
    return value;
}

std::optional<double> ReadDistanceCm(std::string_view text, std::string& error) {
    static const std::vector<Unit> units = {{"mm", 0.1}, {"cm", 1.0}, {"m", 100.0}};
    const std::optional<double> value = readWithUnit(text, "distance", units, "mm, cm, m", error);
    if (value && !(*value > 0.0)) {
        error = "the distance " + attenuation::QuotedExcerpt(text) + " is not above 0";
        return std::nullopt;
    }
    return value;
}

std::optional<std::vector<PhotonLine>> ParseLineList(std::string_view text, bool keV,
                                                     std::string& error) {
    std::vector<PhotonLine> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string_view item = text.substr(start, comma - start);
        const std::size_t equals = item.find('=');
        const std::optional<double> energy =
            equals == std::string_view::npos
                ? std::nullopt
                : (keV ? attenuation::ReadKeVAsMeV(item.substr(0, equals))
                       : attenuation::ReadNumberField(item.substr(0, equals)));
        const std::optional<double> yield =
            equals == std::string_view::npos
                ? std::nullopt
                : attenuation::ReadNumberField(item.substr(equals + 1));
        if (!energy || !yield) {
            error = "the line " + attenuation::QuotedExcerpt(item) + " is not ENERGY=PHOTONS " +
                    "(for example 0.662=0.851)";
            return std::nullopt;
        }
        if (!(*energy > 0.0) || !std::isfinite(*energy) || !(*yield >= 0.0) ||
            !std::isfinite(*yield)) {
            error = "the line " + attenuation::QuotedExcerpt(item) +
                    " needs an energy above 0 and photons per decay of 0 or more";
            return std::nullopt;
        }
        lines.push_back({*energy, *yield, {}, {}});
        start = comma + 1;
    }
    return lines;
}

Outcome StackBuildup(const std::vector<ShieldLayer>& layers, const std::vector<double>& mfpOfLayer,
                     double energyMeV, const DoseOptions& options, double& buildup,
                     LineNote& note) {
    double whole = 0.0;
    for (const double mfp : mfpOfLayer) {
        whole += mfp;
    }
    note = whole > kFittedMfp ? LineNote::Extrapolated : LineNote::None;
    // One function's B at a penetration; B = 1 below the function's table.
    const auto valueOf = [&](const BuildupFunction& function, const BuildupCurve* curve, double mfp,
                             double& b) {
        if (energyMeV < function.LowestEnergyMeV()) {
            b = 1.0;
            note = LineNote::NoBuildupData;
            return Outcome::Ok;
        }
        if (curve != nullptr) {
            return curve->At(mfp, b);
        }
        BuildupValue value;
        const Outcome outcome = function.At(energyMeV, mfp, value);
        b = value.buildup;
        return outcome;
    };
    if (options.kind == DoseKind::None || layers.empty()) {
        buildup = 1.0;
        return Outcome::Ok;
    }
    if (options.table != nullptr || options.rule == LayerRule::Last) {
        const BuildupFunction* function =
            options.table != nullptr ? options.table : layers.back().buildup;
        return valueOf(*function, options.table != nullptr ? nullptr : layers.back().curve, whole,
                       buildup);
    }
    // Broder: each layer adds what its own function gains across it.
    double sum = 0.0;
    double before = 0.0;
    for (std::size_t n = 0; n < layers.size(); ++n) {
        const double after = before + mfpOfLayer[n];
        double gained = 0.0;
        Outcome outcome = valueOf(*layers[n].buildup, layers[n].curve, after, gained);
        double lost = 0.0;
        if (outcome == Outcome::Ok && n > 0) {
            outcome = valueOf(*layers[n].buildup, layers[n].curve, before, lost);
        }
        if (outcome != Outcome::Ok) {
            return outcome;
        }
        sum += gained - lost;
        before = after;
    }
    if (!std::isfinite(sum)) {
        return Outcome::CalculationError;
    }
    buildup = sum;
    return Outcome::Ok;
}

void LineAlongRay(double unshielded, double energyMeV, const std::vector<ShieldLayer>& layers,
                  const std::vector<double>& mfpOfLayer, const DoseOptions& options,
                  LineDose& dose) {
    dose.mfp = 0.0;
    for (std::size_t i = 0; i < layers.size(); ++i) {
        dose.mfp += mfpOfLayer[i];
    }
    dose.note = LineNote::None;
    dose.outcome = Outcome::Ok;
    if (dose.mfp > kHighestMfp) {
        dose.uncollided = 0.0;
        dose.buildup = std::numeric_limits<double>::quiet_NaN();
        dose.rate = 0.0;
        dose.note = LineNote::BeyondRange;
        return;
    }
    dose.uncollided = unshielded * std::exp(-dose.mfp);
    dose.outcome = StackBuildup(layers, mfpOfLayer, energyMeV, options, dose.buildup, dose.note);
    dose.rate = dose.uncollided * dose.buildup;
}

void DoseRate(const std::vector<PhotonLine>& lines, double activityBq, double distanceCm,
              const std::vector<ShieldLayer>& layers, const DoseOptions& options,
              const KermaMedia& media, DoseResult& result) {
    result = DoseResult{};
    const double geometry =
        activityBq / (kFourPi * distanceCm * distanceCm) * kMicroGrayPerHourPerMeVPerGramSecond;
    const attenuation::AbsorptionMix* medium =
        options.kind == DoseKind::Absorption && !layers.empty() ? media.lastLayer : media.air;
    std::vector<double> mfpOfLayer(layers.size());
    for (const PhotonLine& line : lines) {
        if (!(line.energyMeV > options.cutoffMeV)) {
            continue;
        }
        LineDose dose;
        dose.energyMeV = line.energyMeV;
        dose.photonsPerDecay = line.photonsPerDecay;
        double muEnRho = 0.0;
        Outcome outcome = medium == nullptr
                              ? Outcome::NoAbsorptionData
                              : attenuation::MassEnergyAbsorption(*medium, line.energyMeV, muEnRho);
        double factor = 1.0;
        if (outcome == Outcome::Ok && options.conversion != nullptr) {
            outcome = options.conversion->FactorAt(line.energyMeV, factor);
        }
        for (std::size_t i = 0; i < layers.size() && outcome == Outcome::Ok; ++i) {
            double muRho = 0.0;
            outcome = AttenuationWithoutCoherent(*layers[i].table, line.energyMeV, muRho);
            mfpOfLayer[i] = muRho * layers[i].densityGPerCm3 * layers[i].thicknessCm;
        }
        const double unshielded =
            geometry * line.photonsPerDecay * line.energyMeV * muEnRho * factor;
        if (outcome == Outcome::Ok) {
            LineAlongRay(unshielded, line.energyMeV, layers, mfpOfLayer, options, dose);
            outcome = dose.outcome;
        }
        if (outcome == Outcome::Ok && !std::isfinite(dose.rate)) {
            outcome = Outcome::CalculationError;
        }
        dose.outcome = outcome;
        if (outcome != Outcome::Ok) {
            dose.uncollided = dose.buildup = dose.rate = std::numeric_limits<double>::quiet_NaN();
            if (result.outcome == Outcome::Ok) {
                result.outcome = outcome;
            }
        } else {
            result.total += dose.rate;
        }
        result.lines.push_back(dose);
    }
    if (result.outcome != Outcome::Ok) {
        result.total = std::numeric_limits<double>::quiet_NaN();
    }
}

Outcome KermaRateConstant(const std::vector<PhotonLine>& lines, double cutoffMeV,
                          const attenuation::AbsorptionMix& air, double& constant,
                          const QuantityConversion* conversion) {
    // 1 GBq at 1 m = 100 cm.
    const double geometry = 1e9 / (kFourPi * 100.0 * 100.0) * kMicroGrayPerHourPerMeVPerGramSecond;
    double sum = 0.0;
    for (const PhotonLine& line : lines) {
        if (!(line.energyMeV > cutoffMeV)) {
            continue;
        }
        double muEnRho = 0.0;
        Outcome outcome = attenuation::MassEnergyAbsorption(air, line.energyMeV, muEnRho);
        double factor = 1.0;
        if (outcome == Outcome::Ok && conversion != nullptr) {
            outcome = conversion->FactorAt(line.energyMeV, factor);
        }
        if (outcome != Outcome::Ok) {
            return outcome;
        }
        sum += line.photonsPerDecay * line.energyMeV * muEnRho * factor;
    }
    constant = geometry * sum;
    return Outcome::Ok;
}

Outcome ThicknessForRate(const std::vector<PhotonLine>& lines, double activityBq, double distanceCm,
                         std::vector<ShieldLayer> layers, const DoseOptions& options,
                         const KermaMedia& media, double targetRate, double& thicknessCm) {
    if (layers.empty() || !(targetRate > 0.0) || !std::isfinite(targetRate)) {
        return Outcome::NoSolution;
    }
    DoseResult result;
    const auto rateWith = [&](double thickness, double& rate) {
        layers.back().thicknessCm = thickness;
        DoseRate(lines, activityBq, distanceCm, layers, options, media, result);
        rate = result.total;
        return result.outcome;
    };
    double rate = 0.0;
    Outcome outcome = rateWith(0.0, rate);
    if (outcome != Outcome::Ok) {
        return outcome;
    }
    if (rate <= targetRate) {
        thicknessCm = 0.0;
        return Outcome::Ok;
    }
    // Every line lies beyond 100 mfp, so adds nothing, once the last layer alone is 100 mfp
    // thick at the energy it attenuates least.
    double leastMu = std::numeric_limits<double>::infinity();
    for (const PhotonLine& line : lines) {
        double muRho = 0.0;
        if (line.energyMeV > options.cutoffMeV &&
            AttenuationWithoutCoherent(*layers.back().table, line.energyMeV, muRho) ==
                Outcome::Ok) {
            leastMu = std::min(leastMu, muRho * layers.back().densityGPerCm3);
        }
    }
    if (!(leastMu > 0.0) || !std::isfinite(leastMu)) {
        return Outcome::NoSolution;
    }
    double low = 0.0;
    double high = kHighestMfp / leastMu * 1.0001;
    // Halve the bracket while the rate at its middle stays a number; it falls with thickness.
    while (high - low > 1e-10 * high) {
        const double middle = 0.5 * (low + high);
        outcome = rateWith(middle, rate);
        if (outcome != Outcome::Ok) {
            return outcome;
        }
        (rate > targetRate ? low : high) = middle;
    }
    thicknessCm = 0.5 * (low + high);
    return Outcome::Ok;
}

} // namespace shielding
