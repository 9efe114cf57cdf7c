#include "shielding/Quantity.h"

#include "attenuation/TextLines.h"
#include "shielding/Decay.h"
#include "shielding/Dose.h"

#include <array>
#include <cctype>
#include <cmath>

namespace shielding {

namespace {

constexpr std::array<RateUnit, 16> kRateUnits = {{
    {"uGy/h", Quantity::Kerma, 1.0},
    {"mGy/h", Quantity::Kerma, 1e3},
    {"Gy/h", Quantity::Kerma, 1e6},
    {"uGy/s", Quantity::Kerma, 3600.0},
    {"mGy/s", Quantity::Kerma, 3.6e6},
    {"Gy/s", Quantity::Kerma, 3.6e9},
    {"uSv/h", Quantity::H10, 1.0},
    {"mSv/h", Quantity::H10, 1e3},
    {"Sv/h", Quantity::H10, 1e6},
    {"uSv/s", Quantity::H10, 3600.0},
    {"mSv/s", Quantity::H10, 3.6e6},
    {"Sv/s", Quantity::H10, 3.6e9},
    {"mR/h", Quantity::Exposure, 1.0},
    {"R/h", Quantity::Exposure, 1e3},
    {"mR/s", Quantity::Exposure, 3600.0},
    {"R/s", Quantity::Exposure, 3.6e6},
}};

// The text without blanks or tabs at either end.
std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// Splits "2.5uSv/h" into the number and the unit after it.
std::pair<std::string_view, std::string_view> numberAndUnit(std::string_view text) {
    text = trimmed(text);
    std::size_t split = 0;
    while (split < text.size() &&
           (std::isdigit(static_cast<unsigned char>(text[split])) || text[split] == '.' ||
            text[split] == '+' || text[split] == '-' ||
            ((text[split] == 'e' || text[split] == 'E') && split > 0 && split + 1 < text.size() &&
             (std::isdigit(static_cast<unsigned char>(text[split + 1])) || text[split + 1] == '-' ||
              text[split + 1] == '+')))) {
        ++split;
    }
    return {text.substr(0, split), trimmed(text.substr(split))};
}

} // namespace

std::optional<Quantity> QuantityNamed(std::string_view word) {
    if (word == "kerma") {
        return Quantity::Kerma;
    }
    if (word == "exposure") {
        return Quantity::Exposure;
    }
    if (word == "h10") {
        return Quantity::H10;
    }
    return std::nullopt;
}

std::string_view QuantityWord(Quantity quantity) {
    switch (quantity) {
    case Quantity::Kerma:
        return "kerma";
    case Quantity::Exposure:
        return "exposure";
    case Quantity::H10:
        break;
    }
    return "h10";
}

std::string_view BaseRateUnit(Quantity quantity) {
    switch (quantity) {
    case Quantity::Kerma:
        return "uGy/h";
    case Quantity::Exposure:
        return "mR/h";
    case Quantity::H10:
        break;
    }
    return "uSv/h";
}

std::string_view BaseDoseUnit(Quantity quantity) {
    switch (quantity) {
    case Quantity::Kerma:
        return "uGy";
    case Quantity::Exposure:
        return "mR";
    case Quantity::H10:
        break;
    }
    return "uSv";
}

double H10PerKerma(double energyMeV) {
    if (!(energyMeV > 0.00985)) {
        return 0.0;
    }
    const double x = std::log(energyMeV / 0.00985);
    return x / (1.465 * x * x - 4.414 * x + 4.789) + 0.7006 * std::atan(0.6519 * x);
}

std::optional<ConversionTable> ConversionTable::Parse(std::string_view text, std::string& error) {
    ConversionTable table;
    const std::vector<std::string_view> lines =
        attenuation::SplitLines(attenuation::WithoutByteOrderMark(text));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = trimmed(lines[i]);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const std::size_t comma = line.find(',');
        const std::optional<double> energy =
            comma == std::string_view::npos ? std::nullopt
                                            : attenuation::ReadNumberField(line.substr(0, comma));
        const std::optional<double> value =
            comma == std::string_view::npos ? std::nullopt
                                            : attenuation::ReadNumberField(line.substr(comma + 1));
        if (!energy && !value && table.m_energies.empty()) {
            continue; // the header
        }
        if (!energy || !value || !(*energy > 0.0) || !(*value >= 0.0) || !std::isfinite(*energy) ||
            !std::isfinite(*value)) {
            error = "line " + std::to_string(i + 1) + ": " + attenuation::QuotedExcerpt(line) +
                    " is not an energy above 0 (MeV), a coefficient of 0 or more (Sv/Gy)";
            return std::nullopt;
        }
        if (!table.m_energies.empty() && !(*energy > table.m_energies.back())) {
            error = "line " + std::to_string(i + 1) + ": the energy does not rise";
            return std::nullopt;
        }
        table.m_energies.push_back(*energy);
        table.m_values.push_back(*value);
    }
    if (table.m_energies.size() < 2) {
        error = "fewer than two rows of energy (MeV) and coefficient (Sv/Gy)";
        return std::nullopt;
    }
    return table;
}

Outcome ConversionTable::At(double energyMeV, double& coefficient) const {
    if (!(energyMeV >= m_energies.front()) || !(energyMeV <= m_energies.back())) {
        return Outcome::OutOfRange;
    }
    std::size_t i = 1;
    while (i + 1 < m_energies.size() && m_energies[i] < energyMeV) {
        ++i;
    }
    const double e0 = m_energies[i - 1];
    const double e1 = m_energies[i];
    const double v0 = m_values[i - 1];
    const double v1 = m_values[i];
    if (energyMeV == e1 || v0 <= 0.0 || v1 <= 0.0) {
        // A zero coefficient has no logarithm: linear between the two rows.
        coefficient = energyMeV == e1 ? v1 : v0 + (v1 - v0) * (energyMeV - e0) / (e1 - e0);
        return Outcome::Ok;
    }
    const double f = std::log(energyMeV / e0) / std::log(e1 / e0);
    coefficient = std::exp(std::log(v0) + f * std::log(v1 / v0));
    return Outcome::Ok;
}

Outcome QuantityConversion::FactorAt(double energyMeV, double& factor) const {
    switch (quantity) {
    case Quantity::Kerma:
        factor = 1.0;
        return Outcome::Ok;
    case Quantity::Exposure:
        factor = 1.0 / kMilliGrayPerRoentgen; // uGy to mR: 1 mR is 8.76426 uGy
        return Outcome::Ok;
    case Quantity::H10:
        break;
    }
    if (table != nullptr) {
        return table->At(energyMeV, factor); // Sv/Gy: uGy/h to uSv/h
    }
    factor = H10PerKerma(energyMeV);
    return Outcome::Ok;
}

std::optional<RateUnit> RateUnitNamed(std::string_view name) {
    for (const RateUnit& unit : kRateUnits) {
        if (unit.name == name) {
            return unit;
        }
    }
    return std::nullopt;
}

std::string RateUnitList() {
    std::string list;
    for (const RateUnit& unit : kRateUnits) {
        list += (list.empty() ? "" : ", ") + std::string(unit.name);
    }
    return list;
}

std::optional<Rate> ReadRate(std::string_view text, std::string& error) {
    const auto [number, unitText] = numberAndUnit(text);
    const std::optional<double> value = attenuation::ReadNumberField(number);
    const std::optional<RateUnit> unit =
        unitText.empty() ? RateUnit{"uGy/h", Quantity::Kerma, 1.0} : RateUnitNamed(unitText);
    if (!value || !std::isfinite(*value) || !unit) {
        error = "the rate " + attenuation::QuotedExcerpt(text) +
                " is not a number with a unit of " + RateUnitList();
        return std::nullopt;
    }
    if (!(*value > 0.0)) {
        error = "the rate " + attenuation::QuotedExcerpt(text) + " is not above 0";
        return std::nullopt;
    }
    return Rate{unit->quantity, *value * unit->baseUnits, !unitText.empty(), unit->name};
}

std::optional<double> ReadTimeS(std::string_view text, std::string_view what, std::string& error) {
    struct TimeUnit {
        std::string_view name;
        double seconds;
    };
    static constexpr std::array<TimeUnit, 5> kUnits = {
        {{"s", 1.0}, {"min", 60.0}, {"h", 3600.0}, {"d", 86400.0}, {"y", kSecondsPerYear}}};
    const auto [number, unit] = numberAndUnit(text);
    const std::optional<double> value = attenuation::ReadNumberField(number);
    if (!value || !std::isfinite(*value)) {
        error = "the " + std::string(what) + " " + attenuation::QuotedExcerpt(text) +
                " is not a number with a unit (s, min, h, d, y)";
        return std::nullopt;
    }
    if (unit.empty()) {
        error = "the " + std::string(what) + " " + attenuation::QuotedExcerpt(text) +
                " needs a unit (s, min, h, d, y)";
        return std::nullopt;
    }
    for (const TimeUnit& known : kUnits) {
        if (known.name == unit) {
            if (!(*value >= 0.0)) {
                error = "the " + std::string(what) + " " + attenuation::QuotedExcerpt(text) +
                        " is below 0";
                return std::nullopt;
            }
            return *value * known.seconds;
        }
    }
    error = "the " + std::string(what) + " " + attenuation::QuotedExcerpt(text) +
            " has a unit PhotonXS does not know (s, min, h, d, y)";
    return std::nullopt;
}

} // namespace shielding
