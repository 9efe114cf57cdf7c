#include "graph/Plots.h"

#include "data/MaterialTable.h"
#include "graph/GraphCoords.h"
#include "graph/Palette.h"
#include "platform/Canvas.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string>

namespace graph {

namespace {

using platform::Canvas;

const double kLn10 = std::log(10.0);

// Pair curves start below the plot box, where the bottom band hides the dot.
constexpr float kPairStartY = -0.5f;
constexpr float kMarkerRadius = 0.03f;

constexpr float kLabelSize = 20.0f;      // enlarged view: "10", legend, axis title
constexpr float kGraphLabelSize = 16.0f; // graph window: the same texts
constexpr float kExponentSize = 10.0f;

// Built once: the texts are printed on every redraw.
const std::string kTen = "10";
const std::string kEnergyTitle = "Photon energy,    MeV";
const std::array<std::string, kCurves.size()> kLegendTexts = [] {
    std::array<std::string, kCurves.size()> texts;
    for (std::size_t k = 0; k < kCurves.size(); ++k) {
        texts[k] = std::string(kCurves[k].legendText);
    }
    return texts;
}();

struct DecadeLabel {
    float position; // CurrentX of an energy label, CurrentY of a coefficient label
    const char* exponent;
};

constexpr std::array<DecadeLabel, 9> kCoefficientLabels{{{0.4f, "-4"},
                                                         {2.6f, "-3"},
                                                         {4.9f, "-2"},
                                                         {7.2f, "-1"},
                                                         {9.5f, "0"},
                                                         {11.8f, "1"},
                                                         {14.1f, "2"},
                                                         {16.4f, "3"},
                                                         {18.7f, "4"}}};
constexpr std::array<DecadeLabel, 6> kGraphEnergyLabels{
    {{-0.4f, "-3"}, {1.9f, "-2"}, {4.2f, "-1"}, {6.5f, "0"}, {8.8f, "1"}, {11.1f, "2"}}};
constexpr std::array<DecadeLabel, 6> kEnlargedEnergyLabels{
    {{-0.3f, "-3"}, {2.0f, "-2"}, {4.3f, "-1"}, {6.6f, "0"}, {8.9f, "1"}, {11.2f, "2"}}};

constexpr float F(double value) { return static_cast<float>(value); }

int LastRow(const data::MaterialTable& table) {
    return std::clamp(table.RowCount, 0, data::kTableCapacity);
}

// Rows past the first one above 100 MeV are never drawn.
bool EndsCurve(double energyMeV) { return energyMeV > kMaxPlottedEnergyMeV; }

// An energy without a logarithm (zero, negative, not a number) gives no point.
std::optional<float> RowX(double energyMeV) {
    if (!(energyMeV > 0.0) || !std::isfinite(energyMeV)) {
        return std::nullopt;
    }
    return F(EnergyX(energyMeV));
}

// A coefficient without a logarithm is drawn at the pair floor, below the picture, as a pair
// value under its threshold is.
float PlotY(double muCm2PerG, bool hasFloor) {
    if (hasFloor && muCm2PerG < kPairFloor) {
        muCm2PerG = kPairFloor;
    }
    if (!(muCm2PerG > 0.0) || !std::isfinite(muCm2PerG)) {
        muCm2PerG = kPairFloor;
    }
    return F(CoefficientY(muCm2PerG));
}

// A fraction outside 0..1 can only come from negative coefficients; it is held within a range
// that single precision can carry, and one that is not a number is drawn at 0.
float FractionPlotY(double fraction) {
    if (!std::isfinite(fraction)) {
        return 0.0f;
    }
    return F(std::clamp(FractionY(fraction), -1e6, 1e6));
}

// Row 1 of a column, or 0 for an empty table: its slot may still hold an earlier table's value.
double FirstRow(const data::MaterialTable& table, const data::Column& column) {
    return LastRow(table) > 0 ? column[1] : 0.0;
}

float CurveStartY(const data::MaterialTable& table, const CurveStyle& curve) {
    return curve.hasFloor ? kPairStartY : PlotY(FirstRow(table, table.*curve.values), false);
}

void DrawCurveLines(Canvas& canvas, const data::MaterialTable& table, const CurveStyle& curve) {
    const data::Column& values = table.*curve.values;
    const int last = LastRow(table);
    // The start dot sits at x = 0 whatever the first energy is.
    canvas.PSet(0.0f, CurveStartY(table, curve));
    for (int i = 2; i <= last && !EndsCurve(table.Energy[i]); ++i) {
        if (const auto x = RowX(table.Energy[i])) {
            canvas.LineTo(*x, PlotY(values[i], curve.hasFloor), curve.colour());
        }
    }
}

void DrawCurveMarkers(Canvas& canvas, const data::MaterialTable& table, const CurveStyle& curve) {
    const data::Column& values = table.*curve.values;
    const int last = LastRow(table);
    // The total curve is white itself, so its circles are black.
    const platform::Rgb colour = curve.values == &data::MaterialTable::Total ? kBlack : kWhite;
    for (int i = 2; i <= last && !EndsCurve(table.Energy[i]); ++i) {
        if (const auto x = RowX(table.Energy[i])) {
            canvas.Circle(*x, PlotY(values[i], curve.hasFloor), kMarkerRadius, colour);
        }
    }
}

void DrawFractionCurve(Canvas& canvas, const data::MaterialTable& table, const CurveStyle& curve) {
    const data::Column& fractions = table.*curve.fractions;
    const int last = LastRow(table);
    canvas.PSet(0.0f, FractionPlotY(FirstRow(table, fractions)));
    for (int i = 2; i <= last && !EndsCurve(table.Energy[i]); ++i) {
        if (const auto x = RowX(table.Energy[i])) {
            canvas.LineTo(*x, FractionPlotY(fractions[i]), curve.colour());
        }
    }
}

// Eight decades of ten lines each; the tenth line of a decade repeats the next one's first.
void DrawHorizontalGrid(Canvas& canvas) {
    for (int i = 0; i <= 7; ++i) {
        for (int j = 1; j <= 10; ++j) {
            const float y = F(kLn10 * i + std::log(static_cast<double>(j)));
            canvas.Line(0.0f, y, F(kPlotRight), y, kGridGrey);
        }
    }
}

void DrawVerticalGrid(Canvas& canvas, double top) {
    for (int i = 0; i <= 4; ++i) {
        for (int j = 1; j <= 10; ++j) {
            const float x = F(kLn10 * i + std::log(static_cast<double>(j)));
            canvas.Line(x, 0.0f, x, F(top), kGridGrey);
        }
    }
}

// Navy bands above and below the plot box hide what the curves drew outside it.
void DrawMaskingBands(Canvas& canvas) {
    canvas.FilledBox(0.0f, F(kPlotTop), 12.0f, 19.1f, kNavy);
    canvas.FilledBox(0.0f, 0.0f, 12.0f, -1.9f, kNavy);
}

void DrawPlotBox(Canvas& canvas) { canvas.Box(0.0f, 0.0f, F(kPlotRight), F(kPlotTop), kWhite); }

void DrawLegendBackground(Canvas& canvas) { canvas.FilledBox(4.5f, 11.8f, 11.2f, 18.2f, kNavy); }

void DrawLegendBars(Canvas& canvas) {
    for (const CurveStyle& curve : kCurves) {
        canvas.Line(4.7f, F(curve.legendY), 8.2f, F(curve.legendY), curve.colour());
    }
}

void DrawLegendFrame(Canvas& canvas) { canvas.Box(4.5f, 11.8f, 11.2f, 18.1f, kWhite); }

void PrintLegendTexts(Canvas& canvas, float x) {
    for (std::size_t k = 0; k < kCurves.size(); ++k) {
        canvas.SetCurrentX(x);
        canvas.SetCurrentY(F(kCurves[k].legendY));
        canvas.Print(kLegendTexts[k], false);
    }
}

// "10" with a raised small exponent, which is printed right after it at the same CurrentY.
void PrintDecade(Canvas& canvas, float x, float y, const char* exponent, float size) {
    canvas.SetFontSize(size);
    canvas.SetCurrentX(x);
    canvas.SetCurrentY(y);
    canvas.Print(kTen, true);
    canvas.SetFontSize(kExponentSize);
    canvas.Print(exponent, false);
}

void PrintEnergyTitle(Canvas& canvas) {
    canvas.SetCurrentX(6.0f);
    canvas.SetCurrentY(-0.8f);
    canvas.Print(kEnergyTitle, false);
}

void PrintUnit(Canvas& canvas, float x, float size) {
    canvas.SetCurrentX(x);
    canvas.SetCurrentY(17.4f);
    canvas.SetFontSize(size);
    canvas.Print("cm", true);
    canvas.SetFontSize(kExponentSize);
    canvas.Print("2", true);
    canvas.SetFontSize(size);
    canvas.Print("/g", false);
}

void Prepare(Canvas& canvas, const UserScale& scale, float fontSize) {
    canvas.SetScale(scale.left, scale.top, scale.width, scale.height);
    canvas.SetBackColor(kNavy);
    canvas.SetForeColor(kWhite);
    canvas.SetFontName(kFontFamily);
    canvas.SetFontSize(fontSize);
}

} // namespace

void PrepareGraphCanvas(Canvas& canvas) { Prepare(canvas, kGraphScale, kGraphDesignFontSize); }

void PrepareFractionCanvas(Canvas& canvas) {
    Prepare(canvas, kFractionScale, kFractionDesignFontSize);
}

void PrepareEnlargedCanvas(Canvas& canvas) {
    Prepare(canvas, kEnlargedScale, kEnlargedDesignFontSize);
}

void DrawGraphPlot(Canvas& canvas, const data::MaterialTable& table) {
    canvas.Clear();
    canvas.SetLineWidth(1);
    DrawHorizontalGrid(canvas);
    DrawVerticalGrid(canvas, kPlotTop);
    canvas.SetLineWidth(2);
    for (const CurveStyle& curve : kCurves) {
        DrawCurveLines(canvas, table, curve);
    }
    DrawMaskingBands(canvas);
    DrawPlotBox(canvas);
    DrawLegendBackground(canvas);
    DrawLegendBars(canvas);
    DrawLegendFrame(canvas);
    canvas.SetFontSize(kGraphLabelSize);
    PrintLegendTexts(canvas, 4.8f);
    for (const DecadeLabel& label : kGraphEnergyLabels) {
        PrintDecade(canvas, label.position, -0.1f, label.exponent, kGraphLabelSize);
    }
    canvas.SetFontSize(kGraphLabelSize);
    PrintEnergyTitle(canvas);
    for (const DecadeLabel& label : kCoefficientLabels) {
        canvas.SetCurrentX(-0.8f);
        canvas.SetCurrentY(label.position);
        canvas.Print(kTen, true);
        canvas.SetFontSize(kExponentSize);
        canvas.Print(label.exponent, false);
        canvas.SetFontSize(kGraphLabelSize);
    }
    PrintUnit(canvas, -1.4f, kGraphLabelSize);
}

void DrawFractionPlot(Canvas& canvas, const data::MaterialTable& table) {
    canvas.Clear();
    canvas.SetLineWidth(1);
    DrawVerticalGrid(canvas, kFractionTop);
    for (int k = 1; k <= 9; ++k) {
        canvas.Line(0.0f, F(k), F(kPlotRight), F(k), kGridGrey);
    }
    canvas.SetLineWidth(2);
    for (const CurveStyle& curve : kCurves) {
        if (curve.fractions != nullptr) {
            DrawFractionCurve(canvas, table, curve);
        }
    }
    canvas.Box(0.0f, 0.0f, F(kPlotRight), F(kFractionTop), kWhite);
    canvas.SetFontSize(kFractionDesignFontSize);
    struct Placed {
        float x;
        float y;
        const char* text;
    };
    constexpr std::array<Placed, 5> labels{{{-1.5f, 8.5f, "Relative"},
                                            {-1.5f, 7.5f, "Fraction"},
                                            {-0.7f, 10.5f, "1.0"},
                                            {-0.7f, 5.5f, "0.5"},
                                            {-0.7f, 0.5f, "0.0"}}};
    for (const Placed& label : labels) {
        canvas.SetCurrentX(label.x);
        canvas.SetCurrentY(label.y);
        canvas.Print(label.text, false);
    }
}

void DrawEnlargedFrame(Canvas& canvas, data::MaterialTable& table) {
    canvas.Clear();
    canvas.SetLineWidth(1);
    DrawHorizontalGrid(canvas);
    DrawVerticalGrid(canvas, kPlotTop);
    DrawMaskingBands(canvas);
    DrawPlotBox(canvas);
    canvas.SetLineWidth(2);
    DrawLegendBackground(canvas);
    DrawLegendBars(canvas);
    DrawLegendFrame(canvas);
    canvas.SetLineWidth(1);
    canvas.SetFontSize(kLabelSize);
    PrintLegendTexts(canvas, 5.5f);
    for (const DecadeLabel& label : kCoefficientLabels) {
        PrintDecade(canvas, -0.8f, label.position, label.exponent, kLabelSize);
        canvas.SetFontSize(kLabelSize);
    }
    PrintUnit(canvas, -1.2f, kLabelSize);
    table.EnlargedViewUsed = 0;
}

void DrawEnlargedCurves(Canvas& canvas, data::MaterialTable& table) {
    canvas.SetDrawStyle(platform::DrawStyle::InsideSolid);
    canvas.SetLineWidth(2);
    // Circles tell a later material's points from the first one's.
    const bool markers = table.EnlargedViewUsed == 1;
    for (const CurveStyle& curve : kCurves) {
        DrawCurveLines(canvas, table, curve);
        if (markers) {
            DrawCurveMarkers(canvas, table, curve);
        }
    }
    // The bands also wipe the energy labels of the previous material before they are redrawn.
    DrawMaskingBands(canvas);
    DrawPlotBox(canvas);
    for (const DecadeLabel& label : kEnlargedEnergyLabels) {
        PrintDecade(canvas, label.position, -0.1f, label.exponent, kLabelSize);
        canvas.SetFontSize(kLabelSize);
    }
    PrintEnergyTitle(canvas);
    table.EnlargedViewUsed = 1;
}

std::string EnlargedCaption(const std::string& form3Caption, const std::string& form2Caption,
                            int enlargedViewUsed) {
    if (enlargedViewUsed == 0) {
        return form2Caption;
    }
    return form3Caption + "  & " + form2Caption;
}

} // namespace graph
