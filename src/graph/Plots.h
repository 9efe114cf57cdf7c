#pragma once

#include <string>

namespace data {
struct MaterialTable;
}
namespace platform {
class Canvas;
}

namespace graph {

/// The font family of every plot; the Qt canvas maps it to Liberation Serif.
inline constexpr const char* kFontFamily = "Times New Roman";
/// Font sizes the pictures start with (points).
inline constexpr float kGraphDesignFontSize = 14.25f;
inline constexpr float kFractionDesignFontSize = 15.75f;
inline constexpr float kEnlargedDesignFontSize = 20.0f;

/// Sets scale, navy back colour, white fore colour and font of the graph window's log-log plot.
void PrepareGraphCanvas(platform::Canvas& canvas);
/// Likewise for the fraction plot below it.
void PrepareFractionCanvas(platform::Canvas& canvas);
/// Likewise for the enlarged view's picture.
void PrepareEnlargedCanvas(platform::Canvas& canvas);

// The drawings read rows 1..RowCount only: a table of no rows gives the frames and start dots
// as for values of 0, whatever its slots still hold.

/// Clears the canvas and draws the loaded material's six coefficients against energy on the
/// log-log plot, with grid, masking bands, frame, legend and axis labels.
void DrawGraphPlot(platform::Canvas& canvas, const data::MaterialTable& table);

/// Clears the canvas and draws the five partial coefficients' shares of the total.
void DrawFractionPlot(platform::Canvas& canvas, const data::MaterialTable& table);

/// Clears the enlarged view and draws its empty frame (grid, bands, legend, coefficient labels;
/// no energy labels); sets table.EnlargedViewUsed to 0. The caller clears the window caption.
void DrawEnlargedFrame(platform::Canvas& canvas, data::MaterialTable& table);

/// Adds the loaded material's six curves to the enlarged view, with circles at the tabulated
/// points when the view already holds curves, then bands, frame and energy labels; sets
/// table.EnlargedViewUsed to 1. Take the new caption from EnlargedCaption before calling.
void DrawEnlargedCurves(platform::Canvas& canvas, data::MaterialTable& table);

/// The enlarged view's caption after adding a material: the graph window's caption alone when
/// the view was empty (enlargedViewUsed 0), else appended to the current one after "  & ".
std::string EnlargedCaption(const std::string& form3Caption, const std::string& form2Caption,
                            int enlargedViewUsed);

} // namespace graph
