#pragma once

#include <array>
#include <string>

namespace data {

/// Rows a table holds; arrays are indexed 1..kTableCapacity and slot 0 is never used.
inline constexpr int kTableCapacity = 150;

/// Starting extremes: GO resets to these before a load, a load narrows them.
inline constexpr double kTotalMinStart = 10000.0;
inline constexpr double kTotalMaxStart = 0.0;

using Column = std::array<double, kTableCapacity + 1>;

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

    void ResetExtremes() {
        TotalMin = kTotalMinStart;
        TotalMax = kTotalMaxStart;
    }
};

} // namespace data
