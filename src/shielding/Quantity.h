#pragma once

#include "attenuation/Attenuation.h"
#include "shielding/Nuclides.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace shielding {

using attenuation::Outcome;

/// What a dose rate is read as: air kerma (uGy/h), exposure (mR/h) or ambient dose equivalent
/// H*(10) (uSv/h).
enum class Quantity { Kerma, Exposure, H10 };
std::optional<Quantity> QuantityNamed(std::string_view word);
std::string_view QuantityWord(Quantity quantity);
/// The unit a quantity's rates are computed in: uGy/h, mR/h, uSv/h.
std::string_view BaseRateUnit(Quantity quantity);
/// The unit of a dose accumulated over a stay: uGy, mR, uSv.
std::string_view BaseDoseUnit(Quantity quantity);

/// Below this energy the ICRU 47 function overstates H*(10) by up to a quarter.
inline constexpr double kH10FitLowestGoodMeV = 0.02;
/// H*(10) per air kerma of the ICRU 47 function, Sv/Gy: with x = ln(E / 9.85 keV),
/// x / (1.465 x^2 - 4.414 x + 4.789) + 0.7006 arctan(0.6519 x); 0 at and below 9.85 keV.
double H10PerKerma(double energyMeV);

/// A user's coefficients per air kerma (Sv/Gy) at energies (MeV), interpolated log-log.
class ConversionTable {
  public:
    /// CSV text: '#' comments, an optional header line, then rows ENERGY,COEFFICIENT with rising
    /// energies above 0 and coefficients of 0 or more. Empty with `error` naming the line.
    static std::optional<ConversionTable> Parse(std::string_view text, std::string& error);

    /// OutOfRange outside the table's energies.
    Outcome At(double energyMeV, double& coefficient) const;
    double LowestMeV() const { return m_energies.front(); }
    double HighestMeV() const { return m_energies.back(); }

  private:
    std::vector<double> m_energies;
    std::vector<double> m_values;
};

/// How an air-kerma rate in uGy/h becomes the quantity's rate in its base unit.
struct QuantityConversion {
    Quantity quantity = Quantity::Kerma;
    const ConversionTable* table = nullptr; ///< the user's coefficients for H10, else ICRU 47

    /// The factor at one energy; OutOfRange outside the user's table.
    Outcome FactorAt(double energyMeV, double& factor) const;
};

/// A rate unit: its quantity and the number of base units (uGy/h, mR/h, uSv/h) one of it is.
struct RateUnit {
    std::string_view name;
    Quantity quantity = Quantity::Kerma;
    double baseUnits = 1.0;
};
/// uGy/h mGy/h Gy/h uSv/h mSv/h Sv/h mR/h R/h, and each per s; none for another text.
std::optional<RateUnit> RateUnitNamed(std::string_view name);
/// "uGy/h, mGy/h, ..." for messages.
std::string RateUnitList();

/// A rate with its unit ("2.5uSv/h", "2.5 mR/h"): its quantity and value in the base unit. A bare
/// number is air kerma in uGy/h. Empty with `error` for an unknown unit or a value not above 0.
struct Rate {
    Quantity quantity = Quantity::Kerma;
    double base = 0.0;
    bool unitGiven = false;
    std::string_view unit; ///< as named ("uSv/h"), uGy/h for a bare number
};
std::optional<Rate> ReadRate(std::string_view text, std::string& error);

/// A time with its unit ("23 h", "30.08y": s, min, h, d, y of 365.25 d), in seconds of 0 or
/// more; empty with `error` for a number without a unit or below 0.
std::optional<double> ReadTimeS(std::string_view text, std::string_view what, std::string& error);

} // namespace shielding
