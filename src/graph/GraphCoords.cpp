#include "graph/GraphCoords.h"

#include <cmath>

namespace graph {

namespace {
// The offsets are products of ln 10, so a decade line falls exactly where the mapping puts it.
const double kLn10 = std::log(10.0);
const double kEnergyOffset = 3.0 * kLn10;
const double kCoefficientOffset = 4.0 * kLn10;
// The read-out rounds the same offsets to three decimals.
constexpr double kReadoutEnergyOffset = 6.909;
constexpr double kReadoutCoefficientOffset = 9.212;
} // namespace

double EnergyX(double energyMeV) { return std::log(energyMeV) + kEnergyOffset; }

double CoefficientY(double muCm2PerG) { return std::log(muCm2PerG) + kCoefficientOffset; }

double FractionY(double fraction) { return 10.0 * fraction; }

double ReadoutX(double energyMeV) { return std::log(energyMeV) + kReadoutEnergyOffset; }

double ReadoutY(double muCm2PerG) { return std::log(muCm2PerG) + kReadoutCoefficientOffset; }

} // namespace graph
