#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace data {

/// Rows a table holds; arrays are indexed 1..kTableCapacity and slot 0 is never used.
inline constexpr int kTableCapacity = 150;

/// Starting extremes: GO resets to these before a load, a load narrows them.
inline constexpr double kTotalMinStart = 10000.0;
inline constexpr double kTotalMaxStart = 0.0;

using Column = std::array<double, kTableCapacity + 1>;

/// One row's energy and six coefficients (coherent, incoherent, photo-electric, pair nuclear,
/// pair electron, total) beside their natural logarithms; a value that is not positive has 0
/// in place of its logarithm.
struct RowLogarithms {
    double energy = 0.0;
    double logEnergy = 0.0;
    std::array<double, 6> value{};
    std::array<double, 6> logValue{};
};

/// Energies whose doubles share the leading 18 bits (sign, exponent and 6 bits of mantissa: a
/// 64th of an octave) share a bucket of the look-ups' energy index, which covers 2^-16 MeV up
/// to 2^24 MeV.
inline constexpr unsigned kEnergyBucketShift = 46;
inline constexpr unsigned kFirstEnergyBucketKey = (1023u - 16u) << 6;
inline constexpr unsigned kEnergyBuckets = 40u << 6;

/// What the loader works out once from the rows so that the calculator's look-ups need neither
/// walk the rows nor take the logarithm of a tabulated value. The look-ups trust it while
/// `valid` is set and `rows` equals RowCount: code that changes rows of a loaded table outside
/// the loader must call RefreshLookupAids (data/LookupAids.h) afterwards.
struct LookupAids {
    bool valid = false;
    int rows = 0;
    bool energiesNeverFall = false; ///< no energy of rows 1..rows below the one before, none NaN
    bool totalsComparable = false;  ///< no Total of rows 1..rows is NaN
    Column lowestTotal{};           ///< slot i: the smallest Total of rows 1..i
    std::array<RowLogarithms, kTableCapacity + 1> row{}; ///< 1-based like the columns
    /// When the energies never fall: for each bucket, the row the energy walk stops at for the
    /// bucket's lowest energy, a row at or before the one it stops at for any energy in it.
    std::array<std::uint8_t, kEnergyBuckets> energyBucketRow{};
};

/// The selected data file and the material most recently loaded. One instance lives for the
/// whole run. All row arrays are 1-based (slot 0 unused); only rows 1..RowCount are valid.
struct MaterialTable {
    std::string
        SelectedPath; ///< "ele/NAME" or "mix/NAME" relative to the working folder; empty = none
    std::string MaterialName;
    int RowCount = 0;
    std::array<std::string, kTableCapacity + 1> RowText{}; ///< row text as read, without line end
    Column Energy{};                                       ///< MeV
    Column Coherent{};                                     ///< cm2/g, likewise the columns below
    Column Incoherent{};
    Column PhotoElectric{};
    Column PairNuclear{};
    Column PairElectron{};
    Column Total{}; ///< the five partial columns added left to right
    Column FracCoherent{};
    Column FracIncoherent{};
    Column FracPhotoElectric{};
    Column FracPairNuclear{};
    Column FracPairElectron{};
    double TotalMin = kTotalMinStart;
    double TotalMax = kTotalMaxStart;
    int EnlargedViewUsed = 0; ///< 1 while the enlarged view holds a material's curves
    LookupAids lookupAids{}; ///< kept by the loader for the look-ups; none in a table built by hand

    void ResetExtremes() {
        TotalMin = kTotalMinStart;
        TotalMax = kTotalMaxStart;
    }
};

} // namespace data
