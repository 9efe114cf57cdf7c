#pragma once

#include "data/MaterialTable.h"
#include "platform/Canvas.h"

#include <array>
#include <string_view>

namespace graph {

/// The classic 16-colour palette, indexed 0 to 15.
inline constexpr std::array<platform::Rgb, 16> kPalette{{
    {0, 0, 0},       // 0 black
    {0, 0, 128},     // 1 navy
    {0, 128, 0},     // 2 green
    {0, 128, 128},   // 3 cyan
    {128, 0, 0},     // 4 red
    {128, 0, 128},   // 5 magenta
    {128, 128, 0},   // 6 yellow (brown)
    {192, 192, 192}, // 7 white (light grey)
    {128, 128, 128}, // 8 grey
    {0, 0, 255},     // 9 light blue
    {0, 255, 0},     // 10 light green
    {0, 255, 255},   // 11 light cyan
    {255, 0, 0},     // 12 light red
    {255, 0, 255},   // 13 light magenta
    {255, 255, 0},   // 14 light yellow
    {255, 255, 255}, // 15 bright white
}};

inline constexpr platform::Rgb kBlack = kPalette[0];
inline constexpr platform::Rgb kNavy = kPalette[1];
inline constexpr platform::Rgb kYellow = kPalette[14];
inline constexpr platform::Rgb kWhite = kPalette[15];
/// Grid lines of every plot; not a palette colour.
inline constexpr platform::Rgb kGridGrey{100, 100, 100};
/// The read-out's cross-hair lines.
inline constexpr platform::Rgb kCrossHair = kYellow;

/// One of the six curves: its columns, colour and legend row. kCurves lists them in drawing
/// order, which is also the legend order from the bottom row up.
struct CurveStyle {
    data::Column data::MaterialTable::*values;
    data::Column data::MaterialTable::*fractions; ///< nullptr: not on the fraction plot
    int colourIndex;
    bool hasFloor;  ///< raised to kPairFloor where smaller
    double legendY; ///< y of the legend bar and the top of its text
    std::string_view legendText;

    constexpr platform::Rgb colour() const { return kPalette[static_cast<unsigned>(colourIndex)]; }
};

inline constexpr std::array<CurveStyle, 6> kCurves{{
    {&data::MaterialTable::Coherent, &data::MaterialTable::FracCoherent, 13, false, 12.8,
     "Coherent scattering"},
    {&data::MaterialTable::Incoherent, &data::MaterialTable::FracIncoherent, 14, false, 13.8,
     "Incoherent scattering"},
    {&data::MaterialTable::PhotoElectric, &data::MaterialTable::FracPhotoElectric, 12, false, 14.8,
     "Photo-electric absorption"},
    {&data::MaterialTable::PairNuclear, &data::MaterialTable::FracPairNuclear, 11, true, 15.8,
     "Pair production in nuclear field"},
    {&data::MaterialTable::PairElectron, &data::MaterialTable::FracPairElectron, 10, true, 16.8,
     "Pair production in electron field"},
    {&data::MaterialTable::Total, nullptr, 15, false, 17.8, "Total mass attenuation coefficient"},
}};

} // namespace graph
