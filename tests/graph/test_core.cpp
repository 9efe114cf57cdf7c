// The plots' drawing commands, the coordinate mapping and the read-out, on a recording canvas.

#include "data/MaterialTable.h"
#include "fakes/RecordingCanvas.h"
#include "fakes/TestSupport.h"
#include "graph/GraphCoords.h"
#include "graph/Plots.h"
#include "graph/Readout.h"

#include <cmath>
#include <limits>
#include <memory>
#include <numeric>
#include <vector>

using platform::Rgb;
using testing::CanvasCommand;
using testing::RecordingCanvas;

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
        t->Total[i] = std::accumulate(rows[i - 1].begin() + 1, rows[i - 1].end(), 0.0);
        for (std::size_t c = 0; c < 5; ++c) {
            ((*t).*kPartials[c])[i] = rows[i - 1][c + 1];
            ((*t).*kFractions[c])[i] = rows[i - 1][c + 1] / t->Total[i];
        }
    }
    return t;
}

// 1 keV to 100 MeV by decades, then 1 GeV and 50 MeV, which no curve reaches.
std::unique_ptr<data::MaterialTable> decadeTable() {
    return makeTable({{0.001, 10, 0.01, 1000, 0, 0},
                      {0.01, 1, 0.1, 10, 0, 0},
                      {0.1, 0.1, 0.15, 0.1, 0, 0},
                      {1, 0.01, 0.07, 1e-3, 0, 0},
                      {10, 1e-3, 0.02, 1e-5, 0.01, 1e-4},
                      {100, 1e-4, 0.005, 1e-7, 0.05, 0.01},
                      {1000, 1e-5, 0.002, 1e-9, 0.08, 0.02},
                      {50, 1e-4, 0.005, 1e-7, 0.05, 0.01}});
}

// Row 1 at 50 keV; values without a logarithm; rows 3 and 4 without a usable energy.
std::unique_ptr<data::MaterialTable> hostileTable() {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    return makeTable({{0.05, 2, 3, 5, 0, 0},
                      {1, 0, -1, nan, 3e-6, 0},
                      {0, 1, 1, 1, 1, 1},
                      {nan, 1, 1, 1, 1, 1},
                      {20, 0, 0, 0, 0, 0},
                      {50, 1, 1, 1, 2e-5, 4e-3}});
}

float fx(double e) { return static_cast<float>(graph::EnergyX(e)); }
float fy(double mu) { return static_cast<float>(graph::CoefficientY(mu)); }
float share(double fraction) { return static_cast<float>(10.0 * fraction); }
float readoutX(double e) { return static_cast<float>(std::log(e) + 6.909); }

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kGrey{100, 100, 100};
const std::vector<Rgb> kCurveColours{{255, 0, 255}, {255, 255, 0}, {255, 0, 0},
                                     {0, 255, 255}, {0, 255, 0},   {255, 255, 255}};

enum class Picture { Graph, HostileGraph, Fraction, EnlargedFrame, FirstMaterial, LaterMaterial };

// One picture on a fresh canvas, prepared as its window does.
RecordingCanvas draw(Picture picture, data::MaterialTable& table) {
    RecordingCanvas canvas;
    if (picture == Picture::Graph || picture == Picture::HostileGraph) {
        graph::PrepareGraphCanvas(canvas);
        graph::DrawGraphPlot(canvas, table);
    } else if (picture == Picture::Fraction) {
        graph::PrepareFractionCanvas(canvas);
        graph::DrawFractionPlot(canvas, table);
    } else if (picture == Picture::EnlargedFrame) {
        graph::PrepareEnlargedCanvas(canvas);
        graph::DrawEnlargedFrame(canvas, table);
    } else {
        table.EnlargedViewUsed = picture == Picture::LaterMaterial ? 1 : 0;
        graph::DrawEnlargedCurves(canvas, table);
    }
    return canvas;
}

// The command kinds up to the first text, runs folded into "Kind*count", widths and styles kept.
QString signature(const RecordingCanvas& canvas) {
    const auto& c = canvas.commands;
    QStringList parts;
    for (std::size_t i = 0, j = 0; i < c.size() && c[i].kind != "CurrentX"; i = j) {
        while (j < c.size() && c[j].kind == c[i].kind) {
            ++j;
        }
        QString name = QString::fromStdString(c[i].kind);
        if (c[i].kind == "LineWidth" || c[i].kind == "DrawStyle") {
            name += QString("(%1)").arg(c[i].x1);
        }
        parts << (j - i == 1 ? name : QString("%1*%2").arg(name).arg(j - i));
    }
    return parts.join(' ');
}

// A command as "Kind index: x1 y1 x2 y2 r,g,b text", to six digits.
QString describe(const std::string& kind, int index, const CanvasCommand& c) {
    QString out = QString("%1 %2:").arg(QString::fromStdString(kind)).arg(index);
    for (float v : {c.x1, c.y1, c.x2, c.y2}) {
        out += QString(" %1").arg(v);
    }
    const platform::Rgb& rgb = c.colour;
    return out + QString(" %1,%2,%3 ").arg(int{rgb.r}).arg(int{rgb.g}).arg(int{rgb.b}) +
           QString::fromStdString(c.text);
}

QString spot(const char* kind, int index, float x1, float y1, float x2, float y2, Rgb colour) {
    return describe(kind, index, CanvasCommand{kind, x1, y1, x2, y2, colour, {}, false, 0});
}

// Texts as "text@x,y/size", '~' when the line goes on (the next text then carries no position).
QStringList printsOf(const RecordingCanvas& canvas) {
    QStringList out;
    bool continued = false;
    for (const auto& p : canvas.ofKind("Print")) {
        QString s = QString::fromStdString(p.text);
        if (!continued) {
            s += QString("@%1,%2").arg(p.x1).arg(p.y1);
        }
        out << s + QString("/%1").arg(p.fontSize) + (p.continueLine ? "~" : "");
        continued = p.continueLine;
    }
    return out;
}

QStringList legendTexts(double x, int size) {
    const QStringList texts =
        QString("Coherent scattering|Incoherent scattering|Photo-electric absorption|Pair "
                "production in nuclear field|Pair production in electron field|Total mass "
                "attenuation coefficient")
            .split('|');
    QStringList out;
    for (int k = 0; k < 6; ++k) {
        out << QString("%1@%2,%3/%4").arg(texts[k]).arg(x).arg(12.8 + k).arg(size);
    }
    return out;
}

// "10" with its exponent at 10 points per decade, 2.3 units apart along x or up y from (x, y).
QStringList decades(int count, int firstExponent, double x, double y, bool up, int size) {
    QStringList out;
    for (int k = 0; k < count; ++k) {
        const double step = 2.3 * k;
        out << QString("10@%1,%2/%3~").arg(up ? x : x + step).arg(up ? y + step : y).arg(size)
            << QString("%1/10").arg(firstExponent + k);
    }
    return out;
}

// The energy labels along the bottom, then the axis title.
QStringList energyLabels(double first, int size) {
    return decades(6, -3, first, -0.1, false, size)
           << QString("Photon energy,    MeV@6,-0.8/%1").arg(size);
}

// The coefficient labels up the left side from 1E-4 (its label a little higher), then the unit.
QStringList coefficientLabels(double unitX, int size) {
    QStringList out = decades(9, -4, -0.8, 0.3, true, size);
    out[0] = QString("10@-0.8,0.4/%1~").arg(size);
    return out << QString("cm@%1,17.4/%2~").arg(unitX).arg(size) << "2/10~"
               << QString("/g/%1").arg(size);
}

// Scale ("top width height" from x = -1.5), colours and font a window sets before drawing.
QStringList prepared(const QString& scale, const QString& fontSize) {
    return {"Scale 0: -1.5 " + scale + " 0,0,0 ", "BackColor 0: 0 0 0 0 0,0,128 ",
            "ForeColor 0: 0 0 0 0 255,255,255 ", "FontName 0: 0 0 0 0 0,0,0 Times New Roman",
            "FontSize 0: " + fontSize + " 0 0 0 0,0,0 "};
}

} // namespace

class GraphCoreTest : public QObject {
    Q_OBJECT

  private slots:
    void mapping();
    void pictures_data();
    void pictures();
    void nearestRow_data();
    void nearestRow();
    void pointerInside_data();
    void pointerInside();
};

void GraphCoreTest::mapping() {
    // The offsets are products of ln 10, not rounded literals; the read-out's are literals.
    QCOMPARE_CLOSE(graph::EnergyX(1.0), 3.0 * std::log(10.0));
    QCOMPARE_CLOSE(graph::CoefficientY(1.0), 4.0 * std::log(10.0));
    QCOMPARE_CLOSE(graph::ReadoutX(1.0), 6.909);
    QCOMPARE_CLOSE(graph::ReadoutY(1.0), 9.212);
    QCOMPARE_CLOSE(graph::FractionY(0.25), 2.5);
}

void GraphCoreTest::pictures_data() {
    QTest::addColumn<Picture>("picture");
    QTest::addColumn<QString>("order");
    QTest::addColumn<QStringList>("prints");
    QTest::addColumn<QStringList>("spots"); // commands at an index among those of their kind
    const auto t = decadeTable();
    const QString start = "Scale BackColor ForeColor FontName FontSize Clear LineWidth(1) ";
    // Curves end at row 7, above 100 MeV: a start dot and five lines each.
    const QString curves = QString("PSet LineTo*5 ").repeated(5);
    // The bands that hide what curves drew above and below the plot box, then the box itself.
    const QStringList masks{"FilledBox 0: 0 18.4 12 19.1 0,0,128 ",
                            "FilledBox 1: 0 0 12 -1.9 0,0,128 ",
                            "Box 0: 0 0 11.5 18.4 255,255,255 "};
    // Eight decades of horizontal lines, ln 6 among the vertical ones, the legend box and bars.
    const QStringList frame =
        masks + QStringList{spot("Line", 79, 0, fy(1e4), 11.5f, fy(1e4), kGrey),
                            spot("Line", 85, fx(0.006), 0, fx(0.006), 18.4f, kGrey),
                            "FilledBox 2: 4.5 11.8 11.2 18.2 0,0,128 ",
                            "Box 1: 4.5 11.8 11.2 18.1 255,255,255 ",
                            "Line 130: 4.7 12.8 8.2 12.8 255,0,255 ",
                            "Line 135: 4.7 17.8 8.2 17.8 255,255,255 "};
    // Pair values start below the picture and are raised to the floor; photo-electric is not.
    const QStringList curveEnds{
        spot("LineTo", 0, 0, fy(10), fx(0.01), fy(1), kCurveColours[0]),
        spot("LineTo", 14, fx(10), fy(1e-5), fx(100), fy(1e-7), kCurveColours[2]),
        spot("LineTo", 15, 0, -0.5f, fx(0.01), fy(1e-5), kCurveColours[3]),
        spot("LineTo", 29, fx(10), fy(t->Total[5]), fx(100), fy(t->Total[6]), kWhite)};
    const QStringList graphPrints =
        legendTexts(4.8, 16) + energyLabels(-0.4, 16) + coefficientLabels(-1.4, 16);
    QTest::newRow("graph: grid, curves, then masks and legend over them")
        << Picture::Graph
        << start + "Line*130 LineWidth(2) " + curves +
               "PSet LineTo*5 FilledBox*2 Box FilledBox Line*6 Box FontSize"
        << graphPrints << prepared("19.1 13.5 -21", "14.25") + frame + curveEnds;
    // Curves start at x = 0; values without a logarithm sit on the floor; bad energies skipped.
    const float floor = fy(1e-5);
    QTest::newRow("graph of hostile rows: floors, start points, skipped rows")
        << Picture::HostileGraph
        << start + "Line*130 LineWidth(2) " + QString("PSet LineTo*3 ").repeated(6) +
               "FilledBox*2 Box FilledBox Line*6 Box FontSize"
        << graphPrints
        << QStringList{spot("LineTo", 0, 0, fy(2), fx(1), floor, kCurveColours[0]),
                       spot("LineTo", 4, fx(1), floor, fx(20), floor, kCurveColours[1]),
                       spot("LineTo", 9, 0, -0.5f, fx(1), floor, kCurveColours[3]),
                       spot("LineTo", 11, fx(20), floor, fx(50), fy(2e-5), kCurveColours[3]),
                       spot("LineTo", 16, fx(1), floor, fx(20), floor, kWhite)};
    QTest::newRow("fraction plot: five curves, no total")
        << Picture::Fraction << start + "Line*59 LineWidth(2) " + curves + "Box FontSize"
        << QStringList{"Relative@-1.5,8.5/15.75", "Fraction@-1.5,7.5/15.75", "1.0@-0.7,10.5/15.75",
                       "0.5@-0.7,5.5/15.75", "0.0@-0.7,0.5/15.75"}
        << prepared("10.5 13.5 -11", "15.75") +
               QStringList{spot("Line", 10, fx(0.01), 0, fx(0.01), 10, kGrey),
                           "Line 50: 0 1 11.5 1 100,100,100 ", "Box 0: 0 0 11.5 10 255,255,255 ",
                           spot("LineTo", 9, fx(10), share(t->FracIncoherent[5]), fx(100),
                                share(t->FracIncoherent[6]), kCurveColours[1])};
    QTest::newRow("enlarged frame: no curves, no energy labels, legend at width 2")
        << Picture::EnlargedFrame
        << start +
               "Line*130 FilledBox*2 Box LineWidth(2) FilledBox Line*6 Box LineWidth(1) FontSize"
        << legendTexts(5.5, 20) + coefficientLabels(-1.2, 20)
        << prepared("19.1 13.5 -21", "20") + frame;
    // Circles on a later material's points, black on the white total curve.
    QTest::newRow("later material: circles after each curve")
        << Picture::LaterMaterial
        << "DrawStyle(1) LineWidth(2) " + QString("PSet LineTo*5 Circle*5 ").repeated(6) +
               "FilledBox*2 Box FontSize"
        << energyLabels(-0.3, 20)
        << masks + QStringList{spot("Circle", 0, fx(0.01), fy(1), 0.03f, 0, kWhite),
                               spot("Circle", 29, fx(100), fy(t->Total[6]), 0.03f, 0, {})};
}

void GraphCoreTest::pictures() {
    QFETCH(Picture, picture);
    QFETCH(QString, order);
    QFETCH(QStringList, prints);
    QFETCH(QStringList, spots);
    auto table = picture == Picture::HostileGraph ? hostileTable() : decadeTable();
    table->EnlargedViewUsed = 1;
    const auto canvas = draw(picture, *table);
    QCOMPARE(signature(canvas), order);
    QCOMPARE(printsOf(canvas), prints);
    for (const QString& expected : spots) {
        const std::string kind = expected.section(' ', 0, 0).toStdString();
        const int index = expected.section(' ', 1, 1).chopped(1).toInt();
        const auto all = canvas.ofKind(kind);
        QVERIFY2(index < static_cast<int>(all.size()), qPrintable(expected));
        QCOMPARE(describe(kind, index, all[static_cast<std::size_t>(index)]), expected);
    }
    if (picture >= Picture::EnlargedFrame) {
        QCOMPARE(table->EnlargedViewUsed, picture == Picture::EnlargedFrame ? 0 : 1);
    }
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
    QTest::newRow("x = 0, left of row 1") << grid << 0.0f << -1;
    QTest::newRow("just left of the last row") << grid << readoutX(10) - 0.01f << 8;
    QTest::newRow("right of the last row") << grid << readoutX(10) + 0.01f << -1;
    QTest::newRow("zero energy on the way")
        << std::vector<double>{0.001, 0, 0.1, 1} << readoutX(0.5) << -1;
    QTest::newRow("zero energy past the found row")
        << std::vector<double>{0.001, 0.01, 0.1, 0} << readoutX(0.02) << 2;
}

void GraphCoreTest::nearestRow() {
    QFETCH(std::vector<double>, energies);
    QFETCH(float, x);
    QFETCH(int, expected);
    auto table = std::make_unique<data::MaterialTable>();
    table->RowCount = static_cast<int>(energies.size());
    std::copy(energies.begin(), energies.end(), &table->Energy[1]);
    table->Energy[energies.size() + 1] = 0.03; // must not be read
    QCOMPARE(graph::NearestRow(*table, x).value_or(-1), expected);
}

// The plots take their edges: the graph up to 0.1 above its box, the fraction plot up to 10.
void GraphCoreTest::pointerInside_data() {
    QTest::addColumn<bool>("graph"); // else the fraction plot
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    QTest::addColumn<bool>("inside");
    const auto right = static_cast<float>(graph::kPlotRight);
    QTest::newRow("graph, top edge") << true << 1.0f << 18.5f << true;
    QTest::newRow("graph, above the top") << true << 1.0f << 18.55f << false;
    QTest::newRow("graph, bottom left corner") << true << 0.0f << 0.0f << true;
    QTest::newRow("graph, right edge") << true << right << 1.0f << true;
    QTest::newRow("graph, past the right edge") << true << right + 0.01f << 1.0f << false;
    QTest::newRow("graph, below") << true << 1.0f << -0.01f << false;
    QTest::newRow("fractions, top edge") << false << 1.0f << 10.0f << true;
    QTest::newRow("fractions, above the top") << false << 1.0f << 10.05f << false;
    QTest::newRow("fractions, left of the plot") << false << -0.01f << 1.0f << false;
}

void GraphCoreTest::pointerInside() {
    QFETCH(bool, graph);
    QFETCH(float, x);
    QFETCH(float, y);
    QFETCH(bool, inside);
    QCOMPARE(graph ? graph::InsideGraph(x, y) : graph::InsideFraction(x, y), inside);
}

QTEST_GUILESS_MAIN(GraphCoreTest)
#include "test_core.moc"
