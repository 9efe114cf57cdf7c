#pragma once

namespace graph {

/// Horizontal graph coordinate of a photon energy in MeV: ln E + 3 ln 10, so 0.001 MeV lies at 0
/// and 100 MeV at about 11.513. Defined for E > 0 only.
double EnergyX(double energyMeV);

/// Vertical coordinate of a mass coefficient in cm2/g on the log-log plots: ln mu + 4 ln 10, so
/// 1E-4 lies at 0 and 1E+4 at about 18.421. Defined for mu > 0 only.
double CoefficientY(double muCm2PerG);

/// Vertical coordinate of a process's share of the total on the fraction plot: 10 f.
double FractionY(double fraction);

/// Where the read-out and the calculator's marker lines place an energy: ln E + 6.909. This lies
/// about 0.0012 units right of EnergyX. Defined for E > 0 only.
double ReadoutX(double energyMeV);

/// Where the calculator's marker line places a coefficient: ln mu + 9.212. Defined for mu > 0.
double ReadoutY(double muCm2PerG);

/// A canvas's user coordinate system: (left, top) is the top-left corner; a negative height
/// makes y grow upwards.
struct UserScale {
    float left;
    float top;
    float width;
    float height;
};

/// The log-log plot of the graph window: x from -1.5 to 12, y from -1.9 up to 19.1.
inline constexpr UserScale kGraphScale{-1.5f, 19.1f, 13.5f, -21.0f};
/// The fraction plot below it: x from -1.5 to 12, y from -0.5 up to 10.5.
inline constexpr UserScale kFractionScale{-1.5f, 10.5f, 13.5f, -11.0f};
/// The enlarged view: the same coordinate system as the log-log plot on a larger picture.
inline constexpr UserScale kEnlargedScale{-1.5f, 19.1f, 13.5f, -21.0f};

/// The plot box of the log-log plots, (0, 0) to (kPlotRight, kPlotTop).
inline constexpr double kPlotRight = 11.5;
inline constexpr double kPlotTop = 18.4;
/// Top of the fraction plot's box (a fraction of 1).
inline constexpr double kFractionTop = 10.0;
/// Energies above this (MeV) end every curve.
inline constexpr double kMaxPlottedEnergyMeV = 100.0;
/// The pair-production curves are raised to this value (cm2/g) where smaller; it maps below
/// the picture's bottom edge.
inline constexpr double kPairFloor = 1e-5;

} // namespace graph
