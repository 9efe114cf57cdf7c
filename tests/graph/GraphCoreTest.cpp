#include "data/MaterialTable.h"
#include "fakes/RecordingCanvas.h"
#include "fakes/TestSupport.h"
#include "graph/GraphCoords.h"
#include "graph/Palette.h"
#include "graph/Plots.h"
#include "graph/Readout.h"

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

using testing::CanvasCommand;
using testing::RecordingCanvas;
using Kind = CanvasCommand::Kind;
using platform::Rgb;

namespace {

// Energy, then coherent, incoherent, photo-electric, pair nuclear, pair electron.
using Row = std::array<double, 6>;
using Column = data::Column data::MaterialTable::*;
const Column kPartials[] = {&data::MaterialTable::Coherent, &data::MaterialTable::Incoherent,
                            &data::MaterialTable::PhotoElectric, &data::MaterialTable::PairNuclear,
                            &data::MaterialTable::PairElectron};
const Column kFractions[] = {
    &data::MaterialTable::FracCoherent, &data::MaterialTable::FracIncoherent,
    &data::MaterialTable::FracPhotoElectric, &data::MaterialTable::FracPairNuclear,
    &data::MaterialTable::FracPairElectron};

// A loaded table; totals and fractions follow from the partial columns.
std::unique_ptr<data::MaterialTable> makeTable(const std::vector<Row>& rows) {
    auto t = std::make_unique<data::MaterialTable>();
    t->RowCount = static_cast<int>(rows.size());
    for (std::size_t i = 1; i <= rows.size(); ++i) {
        t->Energy[i] = rows[i - 1][0];
        for (std::size_t c = 0; c < 5; ++c) {
            ((*t).*kPartials[c])[i] = rows[i - 1][c + 1];
            t->Total[i] += rows[i - 1][c + 1];
        }
        for (std::size_t c = 0; c < 5; ++c) {
            ((*t).*kFractions[c])[i] = rows[i - 1][c + 1] / t->Total[i];
        }
    }
    return t;
}

// 1 keV to 1 GeV by decades; the last row lies above 100 MeV; no pair values below 10 MeV.
std::unique_ptr<data::MaterialTable> decadeTable() {
    return makeTable({{0.001, 10, 0.01, 1000, 0, 0},
                      {0.01, 1, 0.1, 10, 0, 0},
                      {0.1, 0.1, 0.15, 0.1, 0, 0},
                      {1, 0.01, 0.07, 1e-3, 0, 0},
                      {10, 1e-3, 0.02, 1e-5, 0.01, 1e-4},
                      {100, 1e-4, 0.005, 1e-7, 0.05, 0.01},
                      {1000, 1e-5, 0.002, 1e-9, 0.08, 0.02}});
}

std::unique_ptr<data::MaterialTable> tableWithEnergies(const std::vector<double>& energies) {
    std::vector<Row> rows;
    for (double e : energies) {
        rows.push_back({e, 1, 2, 3, 0.5, 0.25});
    }
    return makeTable(rows);
}

float fx(double e) { return static_cast<float>(graph::EnergyX(e)); }
float fy(double mu) { return static_cast<float>(graph::CoefficientY(mu)); }
float readoutX(double e) { return static_cast<float>(std::log(e) + 6.909); }

constexpr Rgb kNavy{0, 0, 128};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kGrey{100, 100, 100};
const std::vector<Rgb> kCurveColours{{255, 0, 255}, {255, 255, 0}, {255, 0, 0},
                                     {0, 255, 255}, {0, 255, 0},   {255, 255, 255}};
const std::vector<std::string> kLegend{"Coherent scattering",
                                       "Incoherent scattering",
                                       "Photo-electric absorption",
                                       "Pair production in nuclear field",
                                       "Pair production in electron field",
                                       "Total mass attenuation coefficient"};

// The command kinds in order, a run of one kind folded into "Kind*count".
QString signature(const std::vector<CanvasCommand>& commands, std::size_t from, Kind until) {
    static const char* names[] = {"Scale",     "BackColor", "ForeColor", "Clear",    "LineWidth",
                                  "DrawStyle", "FontName",  "FontSize",  "CurrentX", "CurrentY",
                                  "Print",     "PSet",      "Line",      "LineTo",   "Box",
                                  "FilledBox", "Circle"};
    QStringList parts;
    for (std::size_t i = from, j = from; i < commands.size() && commands[i].kind != until; i = j) {
        while (j < commands.size() && commands[j].kind == commands[i].kind) {
            ++j;
        }
        const QString name = names[static_cast<int>(commands[i].kind)];
        parts << (j - i == 1 ? name : QString("%1*%2").arg(name).arg(j - i));
    }
    return parts.join(' ');
}

bool isCommand(const CanvasCommand& c, float x1, float y1, float x2, float y2, Rgb colour) {
    return c.x1 == x1 && c.y1 == y1 && c.x2 == x2 && c.y2 == y2 && c.colour == colour;
}

struct Text {
    std::string text;
    float x, y, size;
    bool continueLine;
};

// Texts, sizes and line handling in order; a continuing print goes where the previous one left
// the pen, so positions are compared at line starts only.
void comparePrints(const RecordingCanvas& canvas, const std::vector<Text>& expected) {
    const auto prints = canvas.ofKind(Kind::Print);
    QCOMPARE(prints.size(), expected.size());
    for (std::size_t k = 0; k < prints.size(); ++k) {
        QCOMPARE(prints[k].text, expected[k].text);
        QCOMPARE(prints[k].fontSize, expected[k].size);
        QCOMPARE(prints[k].continueLine, expected[k].continueLine);
        if (k == 0 || !prints[k - 1].continueLine) {
            QCOMPARE(prints[k].x1, expected[k].x);
            QCOMPARE(prints[k].y1, expected[k].y);
        }
    }
}

void addLegend(std::vector<Text>& out, float x, float size) {
    for (std::size_t k = 0; k < 6; ++k) {
        out.push_back({kLegend[k], x, 12.8f + static_cast<float>(k), size, false});
    }
}

// "10" at the label size followed by its exponent at 10 points.
void addDecades(std::vector<Text>& out, const std::vector<std::pair<float, const char*>>& labels,
                bool energyAxis, float fixed, float size) {
    for (const auto& [at, exponent] : labels) {
        out.push_back({"10", energyAxis ? at : fixed, energyAxis ? fixed : at, size, true});
        out.push_back({exponent, 0, 0, 10.0f, false});
    }
}

const std::vector<std::pair<float, const char*>> kCoefficientLabels{
    {0.4f, "-4"}, {2.6f, "-3"}, {4.9f, "-2"}, {7.2f, "-1"}, {9.5f, "0"},
    {11.8f, "1"}, {14.1f, "2"}, {16.4f, "3"}, {18.7f, "4"}};

// Legend, bands and frames shared by the log-log plot and the enlarged view's frame.
void checkBoxesAndLegend(const RecordingCanvas& canvas) {
    const auto filled = canvas.ofKind(Kind::FilledBox);
    QCOMPARE(filled.size(), std::size_t{3});
    QVERIFY(isCommand(filled[0], 0, 18.4f, 12, 19.1f, kNavy));
    QVERIFY(isCommand(filled[1], 0, 0, 12, -1.9f, kNavy));
    QVERIFY(isCommand(filled[2], 4.5f, 11.8f, 11.2f, 18.2f, kNavy));
    const auto boxes = canvas.ofKind(Kind::Box);
    QCOMPARE(boxes.size(), std::size_t{2});
    QVERIFY(isCommand(boxes[0], 0, 0, 11.5f, 18.4f, kWhite));
    QVERIFY(isCommand(boxes[1], 4.5f, 11.8f, 11.2f, 18.1f, kWhite));
    const auto lines = canvas.ofKind(Kind::Line);
    QCOMPARE(lines.size(), std::size_t{136});
    const double ln10 = std::log(10.0);
    for (int k = 0; k < 80; ++k) { // eight decades of ten, then five of ten
        const auto y = static_cast<float>(ln10 * (k / 10) + std::log(k % 10 + 1));
        QVERIFY(isCommand(lines[static_cast<std::size_t>(k)], 0, y, 11.5f, y, kGrey));
    }
    for (int k = 0; k < 50; ++k) {
        const auto x = static_cast<float>(ln10 * (k / 10) + std::log(k % 10 + 1));
        QVERIFY(isCommand(lines[static_cast<std::size_t>(80 + k)], x, 0, x, 18.4f, kGrey));
    }
    QVERIFY(std::fabs(lines[79].y1 - 18.421f) < 1e-3f &&
            std::fabs(lines[129].x1 - fx(100)) < 1e-5f);
    for (std::size_t k = 0; k < 6; ++k) {
        const float y = 12.8f + static_cast<float>(k);
        QVERIFY(isCommand(lines[130 + k], 4.7f, y, 8.2f, y, kCurveColours[k]));
    }
}

bool allFinite(const RecordingCanvas& canvas) {
    for (const auto& c : canvas.commands) {
        if (!std::isfinite(c.x1) || !std::isfinite(c.y1) || !std::isfinite(c.x2) ||
            !std::isfinite(c.y2)) {
            return false;
        }
    }
    return true;
}

} // namespace

class GraphCoreTest : public QObject {
    Q_OBJECT

  private slots:
    void mappingAndCanvasSetUp();
    void graphPlot();
    void fractionPlot();
    void curvesEndAbove100MeV_data();
    void curvesEndAbove100MeV();
    void pairFloorAndStartPoints();
    void enlargedFrame();
    void enlargedCurves();
    void enlargedCaption_data();
    void enlargedCaption();
    void nonPositiveValuesStayFinite();
    void insideRange_data();
    void insideRange();
    void nearestRow_data();
    void nearestRow();
};

void GraphCoreTest::mappingAndCanvasSetUp() {
    const double ln10 = std::log(10.0);
    // The offsets are products of ln 10, not rounded literals; the read-out's are literals.
    QCOMPARE_CLOSE(graph::EnergyX(1.0), 3.0 * ln10);
    QCOMPARE_CLOSE(graph::CoefficientY(1.0), 4.0 * ln10);
    QCOMPARE_CLOSE(graph::ReadoutX(1.0), 6.909);
    QCOMPARE_CLOSE(graph::ReadoutY(1.0), 9.212);
    QCOMPARE_CLOSE(graph::FractionY(0.25), 2.5);
    QVERIFY(std::fabs(graph::EnergyX(0.001)) < 1e-14 &&
            std::fabs(graph::CoefficientY(1e-4)) < 1e-14);

    const std::vector<std::tuple<void (*)(platform::Canvas&), float, float, float>> pictures{
        {graph::PrepareGraphCanvas, 19.1f, -21.0f, 14.25f},
        {graph::PrepareFractionCanvas, 10.5f, -11.0f, 15.75f},
        {graph::PrepareEnlargedCanvas, 19.1f, -21.0f, 20.0f}};
    for (const auto& [prepare, top, height, fontSize] : pictures) {
        RecordingCanvas canvas;
        prepare(canvas);
        QVERIFY(isCommand(canvas.ofKind(Kind::Scale).at(0), -1.5f, top, 13.5f, height, {}));
        QVERIFY(canvas.ofKind(Kind::BackColor).at(0).colour == kNavy);
        QVERIFY(canvas.ofKind(Kind::ForeColor).at(0).colour == kWhite);
        QCOMPARE(canvas.ofKind(Kind::FontName).at(0).text, std::string("Times New Roman"));
        QCOMPARE(canvas.FontSize(), fontSize);
    }
}

void GraphCoreTest::graphPlot() {
    auto table = decadeTable();
    RecordingCanvas canvas;
    graph::DrawGraphPlot(canvas, *table);
    const auto& c = canvas.commands;
    // Rows 2..6 are drawn; row 7 lies above 100 MeV.
    QCOMPARE(signature(c, 0, Kind::FontSize),
             QString("Clear LineWidth Line*130 LineWidth"
                     " PSet LineTo*5 PSet LineTo*5 PSet LineTo*5 PSet LineTo*5 PSet LineTo*5"
                     " PSet LineTo*5 FilledBox*2 Box FilledBox Line*6 Box"));
    QVERIFY(c[1].value == 1 && c[132].value == 2);
    checkBoxesAndLegend(canvas);

    const auto dots = canvas.ofKind(Kind::PSet);
    const auto lines = canvas.ofKind(Kind::LineTo);
    for (std::size_t curve = 0; curve < 6; ++curve) {
        QCOMPARE(dots[curve].x1, 0.0f);
        for (std::size_t r = 0; r < 5; ++r) {
            QCOMPARE(lines[curve * 5 + r].x2, fx(table->Energy[r + 2]));
            QVERIFY(lines[curve * 5 + r].colour == kCurveColours[curve]);
        }
    }
    QVERIFY(dots[0].y1 == fy(10) && dots[5].y1 == fy(table->Total[1]));
    QCOMPARE(lines[4].y2, fy(1e-4));             // coherent at 100 MeV
    QCOMPARE(lines[14].y2, fy(1e-7));            // photo-electric, no floor
    QCOMPARE(lines[29].y2, fy(table->Total[6])); // total at 100 MeV

    std::vector<Text> texts;
    addLegend(texts, 4.8f, 16.0f);
    addDecades(texts,
               {{-0.4f, "-3"}, {1.9f, "-2"}, {4.2f, "-1"}, {6.5f, "0"}, {8.8f, "1"}, {11.1f, "2"}},
               true, -0.1f, 16.0f);
    texts.push_back({"Photon energy,    MeV", 6.0f, -0.8f, 16.0f, false});
    addDecades(texts, kCoefficientLabels, false, -0.8f, 16.0f);
    texts.insert(
        texts.end(),
        {{"cm", -1.4f, 17.4f, 16.0f, true}, {"2", 0, 0, 10.0f, true}, {"/g", 0, 0, 16.0f, false}});
    comparePrints(canvas, texts);
}

void GraphCoreTest::fractionPlot() {
    auto table = decadeTable();
    RecordingCanvas canvas;
    graph::DrawFractionPlot(canvas, *table);
    const auto& c = canvas.commands;
    QCOMPARE(signature(c, 0, Kind::FontSize),
             QString("Clear LineWidth Line*59 LineWidth PSet LineTo*5 PSet LineTo*5 PSet LineTo*5"
                     " PSet LineTo*5 PSet LineTo*5 Box"));
    QVERIFY(c[1].value == 1 && c[61].value == 2);
    const auto grid = canvas.ofKind(Kind::Line);
    QVERIFY(isCommand(grid[10], fx(0.01), 0, fx(0.01), 10, kGrey));
    for (std::size_t k = 0; k < 9; ++k) {
        const auto y = static_cast<float>(k + 1);
        QVERIFY(isCommand(grid[50 + k], 0, y, 11.5f, y, kGrey));
    }
    const auto dots = canvas.ofKind(Kind::PSet);
    const auto lines = canvas.ofKind(Kind::LineTo);
    QVERIFY(dots[2].x1 == 0 &&
            dots[2].y1 == static_cast<float>(10.0 * table->FracPhotoElectric[1]));
    QVERIFY(isCommand(lines[9], lines[8].x2, lines[8].y2, fx(100),
                      static_cast<float>(10.0 * table->FracIncoherent[6]), kCurveColours[1]));
    QVERIFY(lines[24].colour == kCurveColours[4]);
    QVERIFY(isCommand(canvas.ofKind(Kind::Box).at(0), 0, 0, 11.5f, 10, kWhite));
    comparePrints(canvas, {{"Relative", -1.5f, 8.5f, 15.75f, false},
                           {"Fraction", -1.5f, 7.5f, 15.75f, false},
                           {"1.0", -0.7f, 10.5f, 15.75f, false},
                           {"0.5", -0.7f, 5.5f, 15.75f, false},
                           {"0.0", -0.7f, 0.5f, 15.75f, false}});
}

void GraphCoreTest::curvesEndAbove100MeV_data() {
    QTest::addColumn<std::vector<double>>("energies");
    QTest::addColumn<int>("drawnRows");
    QTest::newRow("up to exactly 100 MeV") << std::vector<double>{0.001, 0.1, 10, 100} << 3;
    QTest::newRow("no resuming after a row above 100 MeV")
        << std::vector<double>{0.001, 1, 100, 150, 50, 80} << 2;
    QTest::newRow("second row above 100 MeV: start dots only")
        << std::vector<double>{0.001, 100.5, 1} << 0;
}

void GraphCoreTest::curvesEndAbove100MeV() {
    QFETCH(std::vector<double>, energies);
    QFETCH(int, drawnRows);
    auto table = tableWithEnergies(energies);
    const auto n = static_cast<std::size_t>(drawnRows);
    RecordingCanvas graphCanvas, fractionCanvas, enlargedCanvas;
    graph::DrawGraphPlot(graphCanvas, *table);
    graph::DrawFractionPlot(fractionCanvas, *table);
    table->EnlargedViewUsed = 1;
    graph::DrawEnlargedCurves(enlargedCanvas, *table);
    QCOMPARE(graphCanvas.ofKind(Kind::PSet).size(), std::size_t{6});
    QCOMPARE(graphCanvas.ofKind(Kind::LineTo).size(), 6 * n);
    QCOMPARE(fractionCanvas.ofKind(Kind::PSet).size(), std::size_t{5});
    QCOMPARE(fractionCanvas.ofKind(Kind::LineTo).size(), 5 * n);
    QCOMPARE(enlargedCanvas.ofKind(Kind::LineTo).size(), 6 * n);
    QCOMPARE(enlargedCanvas.ofKind(Kind::Circle).size(), 6 * n);
}

void GraphCoreTest::pairFloorAndStartPoints() {
    // Row 1 at 50 keV, not 1 keV: every curve still starts at x = 0.
    auto table = makeTable({{0.05, 2, 3, 5, 0, 0},
                            {1, 1, 1, 1, 0, 0},
                            {5, 1, 1, 1, 3e-6, 0},
                            {20, 1, 1, 1, 2e-5, 4e-3}});
    RecordingCanvas canvas, fractions, enlarged;
    graph::DrawGraphPlot(canvas, *table);
    graph::DrawFractionPlot(fractions, *table);
    table->EnlargedViewUsed = 1;
    graph::DrawEnlargedCurves(enlarged, *table);
    const std::vector<float> starts{fy(2), fy(3), fy(5), -0.5f, -0.5f, fy(10)};
    for (const auto* drawn : {&canvas, &enlarged}) {
        const auto dots = drawn->ofKind(Kind::PSet);
        for (std::size_t k = 0; k < 6; ++k) {
            QVERIFY(dots[k].x1 == 0 && dots[k].y1 == starts[k]);
        }
    }
    const auto fractionDots = fractions.ofKind(Kind::PSet);
    for (std::size_t k = 0; k < 5; ++k) {
        QVERIFY(fractionDots[k].x1 == 0);
        QCOMPARE(fractionDots[k].y1, static_cast<float>(10.0 * ((*table).*kFractions[k])[1]));
    }
    // Pair values under 1E-5 are raised to it, far below the bottom edge.
    const float floorY = fy(1e-5);
    QVERIFY(std::fabs(floorY + 2.3026f) < 1e-3f);
    for (const auto* drawn : {&canvas, &enlarged}) {
        const auto lines = drawn->ofKind(Kind::LineTo);
        QVERIFY(lines[9].y2 == floorY && lines[10].y2 == floorY && lines[11].y2 == fy(2e-5));
        QVERIFY(lines[12].y2 == floorY && lines[14].y2 == fy(4e-3));
    }
    QCOMPARE(enlarged.ofKind(Kind::Circle)[10].y1, floorY);
}

void GraphCoreTest::enlargedFrame() {
    auto table = decadeTable();
    table->EnlargedViewUsed = 1;
    RecordingCanvas canvas;
    graph::DrawEnlargedFrame(canvas, *table);
    QCOMPARE(table->EnlargedViewUsed, 0);
    // Grid, bands and plot box at width 1, legend boxes at width 2, texts at width 1.
    QCOMPARE(signature(canvas.commands, 0, Kind::FontSize),
             QString("Clear LineWidth Line*130 FilledBox*2 Box LineWidth FilledBox Line*6 Box"
                     " LineWidth"));
    const auto widths = canvas.ofKind(Kind::LineWidth);
    QVERIFY(widths[0].value == 1 && widths[1].value == 2 && widths[2].value == 1);
    checkBoxesAndLegend(canvas);
    // No curves and no energy labels; the font is left at 20 points.
    QVERIFY(canvas.ofKind(Kind::PSet).empty() && canvas.ofKind(Kind::LineTo).empty());
    QCOMPARE(canvas.FontSize(), 20.0f);
    std::vector<Text> texts;
    addLegend(texts, 5.5f, 20.0f);
    addDecades(texts, kCoefficientLabels, false, -0.8f, 20.0f);
    texts.insert(
        texts.end(),
        {{"cm", -1.2f, 17.4f, 20.0f, true}, {"2", 0, 0, 10.0f, true}, {"/g", 0, 0, 20.0f, false}});
    comparePrints(canvas, texts);

    // A second run repeats the first exactly, starting from a cleared canvas.
    RecordingCanvas twice;
    graph::DrawEnlargedFrame(twice, *table);
    graph::DrawEnlargedFrame(twice, *table);
    const std::size_t n = canvas.commands.size();
    QCOMPARE(twice.commands.size(), 2 * n);
    for (std::size_t k = 0; k < n; ++k) {
        const auto& a = twice.commands[k];
        const auto& b = twice.commands[n + k];
        QVERIFY2(a.kind == b.kind && isCommand(a, b.x1, b.y1, b.x2, b.y2, b.colour) &&
                     a.text == b.text && a.value == b.value && a.fontSize == b.fontSize,
                 qPrintable(QString::number(k)));
    }
}

void GraphCoreTest::enlargedCurves() {
    auto table = decadeTable();
    RecordingCanvas canvas;
    graph::DrawEnlargedFrame(canvas, *table);
    canvas.commands.clear();
    graph::DrawEnlargedCurves(canvas, *table); // the first material: no circles
    QCOMPARE(table->EnlargedViewUsed, 1);
    const auto& c = canvas.commands;
    QVERIFY(c[0].kind == Kind::DrawStyle &&
            c[0].value == static_cast<int>(platform::DrawStyle::InsideSolid));
    QVERIFY(c[1].kind == Kind::LineWidth && c[1].value == 2);
    QCOMPARE(signature(c, 2, Kind::FontSize),
             QString("PSet LineTo*5 PSet LineTo*5 PSet LineTo*5 PSet LineTo*5 PSet LineTo*5"
                     " PSet LineTo*5 FilledBox*2 Box"));
    const auto bands = canvas.ofKind(Kind::FilledBox);
    QVERIFY(isCommand(bands[0], 0, 18.4f, 12, 19.1f, kNavy));
    QVERIFY(isCommand(bands[1], 0, 0, 12, -1.9f, kNavy));
    QVERIFY(isCommand(canvas.ofKind(Kind::Box)[0], 0, 0, 11.5f, 18.4f, kWhite));
    std::vector<Text> texts;
    addDecades(texts,
               {{-0.3f, "-3"}, {2.0f, "-2"}, {4.3f, "-1"}, {6.6f, "0"}, {8.9f, "1"}, {11.2f, "2"}},
               true, -0.1f, 20.0f);
    texts.push_back({"Photon energy,    MeV", 6.0f, -0.8f, 20.0f, false});
    comparePrints(canvas, texts);

    // A second material: after each curve's lines, circles on its points, black on the total.
    canvas.commands.clear();
    graph::DrawEnlargedCurves(canvas, *table);
    QCOMPARE(signature(c, 2, Kind::FilledBox),
             QString("PSet LineTo*5 Circle*5 PSet LineTo*5 Circle*5 PSet LineTo*5 Circle*5"
                     " PSet LineTo*5 Circle*5 PSet LineTo*5 Circle*5 PSet LineTo*5 Circle*5"));
    const auto lines = canvas.ofKind(Kind::LineTo);
    const auto circles = canvas.ofKind(Kind::Circle);
    for (std::size_t k = 0; k < circles.size(); ++k) {
        const Rgb colour = k >= 25 ? Rgb{0, 0, 0} : kWhite;
        QVERIFY2(isCommand(circles[k], lines[k].x2, lines[k].y2, 0.03f, 0, colour),
                 qPrintable(QString::number(k)));
    }
}

void GraphCoreTest::enlargedCaption_data() {
    QTest::addColumn<QString>("form3");
    QTest::addColumn<QString>("form2");
    QTest::addColumn<int>("used");
    QTest::addColumn<QString>("expected");
    const QString water = " Water   Density = 1.000 [g/cm3]";
    const QString air = " Air   Density = 0.001205 [g/cm3]";
    QTest::newRow("empty view takes the graph caption") << "" << water << 0 << water;
    QTest::newRow("empty view drops a stale caption") << air << water << 0 << water;
    QTest::newRow("filled view appends") << air << water << 1 << air + "  & " + water;
}

void GraphCoreTest::enlargedCaption() {
    QFETCH(QString, form3);
    QFETCH(QString, form2);
    QFETCH(int, used);
    QFETCH(QString, expected);
    const auto caption = graph::EnlargedCaption(form3.toStdString(), form2.toStdString(), used);
    QCOMPARE(QString::fromStdString(caption), expected);
}

void GraphCoreTest::nonPositiveValuesStayFinite() {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // Total 0 in row 1, zero and negative coefficients, a zero and a NaN energy.
    auto table = makeTable({{0.001, 0, 0, 0, 0, 0},
                            {0.01, 1, -1, 2, 0, 0},
                            {0.1, 0, 1, 1, 0, 0},
                            {0, 1, 1, 1, 0, 0},
                            {nan, 1, 1, 1, 0, 0},
                            {1, 1, 1, nan, -2, 0}});
    RecordingCanvas graphCanvas, fractionCanvas, enlargedCanvas;
    graph::DrawGraphPlot(graphCanvas, *table);
    graph::DrawFractionPlot(fractionCanvas, *table);
    table->EnlargedViewUsed = 1;
    graph::DrawEnlargedCurves(enlargedCanvas, *table);
    QVERIFY(allFinite(graphCanvas) && allFinite(fractionCanvas) && allFinite(enlargedCanvas));

    // Rows without a usable energy are left out; values without a logarithm sit at the floor.
    const float floorY = fy(1e-5);
    const auto lines = graphCanvas.ofKind(Kind::LineTo);
    QCOMPARE(lines.size(), std::size_t{6 * 3});
    QCOMPARE(graphCanvas.ofKind(Kind::PSet)[5].y1, floorY); // total 0
    QCOMPARE(lines[1].y2, floorY);                          // coherent 0
    QCOMPARE(lines[2].x2, fx(1.0));                         // after the two bad energies
    QCOMPARE(lines[3].y2, floorY);                          // incoherent -1
    QCOMPARE(lines[8].y2, floorY);                          // photo-electric NaN
    QCOMPARE(enlargedCanvas.ofKind(Kind::Circle).size(), std::size_t{6 * 3});
    QCOMPARE(fractionCanvas.ofKind(Kind::PSet)[0].y1, 0.0f); // 0 / 0
}

void GraphCoreTest::insideRange_data() {
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    QTest::addColumn<bool>("graph");
    QTest::addColumn<bool>("fraction");
    QTest::newRow("lower-left corner") << 0.0f << 0.0f << true << true;
    QTest::newRow("right limit") << 11.5f << 5.0f << true << true;
    QTest::newRow("just right") << 11.51f << 5.0f << false << false;
    QTest::newRow("just left") << -0.001f << 5.0f << false << false;
    QTest::newRow("just below") << 5.0f << -0.001f << false << false;
    QTest::newRow("fraction top limit") << 5.0f << 10.0f << true << true;
    QTest::newRow("above fraction top") << 5.0f << 10.01f << true << false;
    QTest::newRow("18.45, above the box") << 5.0f << 18.45f << true << false;
    QTest::newRow("graph top limit") << 11.5f << 18.5f << true << false;
    QTest::newRow("18.55, above the graph") << 5.0f << 18.55f << false << false;
    QTest::newRow("not a number") << std::numeric_limits<float>::quiet_NaN() << 5.0f << false
                                  << false;
}

void GraphCoreTest::insideRange() {
    QFETCH(float, x);
    QFETCH(float, y);
    QFETCH(bool, graph);
    QFETCH(bool, fraction);
    QCOMPARE(graph::InsideGraph(x, y), graph);
    QCOMPARE(graph::InsideFraction(x, y), fraction);
}

void GraphCoreTest::nearestRow_data() {
    QTest::addColumn<std::vector<double>>("energies");
    QTest::addColumn<float>("x");
    QTest::addColumn<int>("expected"); // -1: no row
    // x of 1 and 1.5 MeV lie an even number of float steps apart, so an exact tie exists.
    const std::vector<double> grid{0.001, 0.002, 0.004, 0.01, 0.1, 1, 1.5, 10};
    const float a = readoutX(1.0);
    const float middle = a + (readoutX(1.5) - a) / 2.0f;
    QTest::newRow("nearer the lower row") << grid << middle - 0.01f << 6;
    QTest::newRow("nearer the higher row") << grid << middle + 0.01f << 7;
    QTest::newRow("halfway keeps the higher energy") << grid << middle << 7;
    QTest::newRow("on a row") << grid << readoutX(0.1) << 5;
    QTest::newRow("x = 0, left of row 1") << grid << 0.0f << -1;
    QTest::newRow("on row 1") << grid << readoutX(0.001) << 1;
    QTest::newRow("right of the last row") << grid << readoutX(10) + 0.01f << -1;
    QTest::newRow("rows past RowCount unread")
        << std::vector<double>{0.001, 0.01} << readoutX(0.02) << -1;
    QTest::newRow("zero energy on the way")
        << std::vector<double>{0.001, 0, 0.1, 1} << readoutX(0.5) << -1;
    QTest::newRow("negative energy on the way")
        << std::vector<double>{0.001, 0.01, -1, 1} << readoutX(0.5) << -1;
    QTest::newRow("zero energy past the found row")
        << std::vector<double>{0.001, 0.01, 0.1, 0} << readoutX(0.02) << 2;
}

void GraphCoreTest::nearestRow() {
    QFETCH(std::vector<double>, energies);
    QFETCH(float, x);
    QFETCH(int, expected);
    auto table = tableWithEnergies(energies);
    table->Energy[static_cast<std::size_t>(table->RowCount) + 1] = 0.03; // must not be read
    if (QByteArray(QTest::currentDataTag()) == "halfway keeps the higher energy") {
        QVERIFY(std::fabs(readoutX(1.5) - x) == std::fabs(readoutX(1.0) - x));
    }
    QCOMPARE(graph::NearestRow(*table, x).value_or(-1), expected);
}

QTEST_GUILESS_MAIN(GraphCoreTest)
#include "GraphCoreTest.moc"
