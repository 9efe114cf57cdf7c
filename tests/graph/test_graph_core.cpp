// The plots' drawing commands, the coordinate mapping and the read-out, on a recording canvas.

#include "data/MaterialTable.h"
#include "fakes/RecordingCanvas.h"
#include "fakes/TestSupport.h"
#include "graph/GraphCoords.h"
#include "graph/Palette.h"
#include "graph/Plots.h"
#include "graph/Readout.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <numeric>
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
        t->Total[i] = std::accumulate(rows[i - 1].begin() + 1, rows[i - 1].end(), 0.0);
        for (std::size_t c = 0; c < 5; ++c) {
            ((*t).*kPartials[c])[i] = rows[i - 1][c + 1];
            ((*t).*kFractions[c])[i] = rows[i - 1][c + 1] / t->Total[i];
        }
    }
    return t;
}

// 1 keV to 100 MeV by decades, then rows above 100 MeV and below it again, which no curve
// reaches; no pair values below 10 MeV.
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

enum class Picture { Graph, Fraction, EnlargedFrame, FirstMaterial, LaterMaterial };

// One picture on a fresh canvas; a material added to the enlarged view finds it empty (first)
// or holding curves already (later).
RecordingCanvas draw(Picture picture, data::MaterialTable& table) {
    RecordingCanvas canvas;
    if (picture == Picture::Graph) {
        graph::DrawGraphPlot(canvas, table);
    } else if (picture == Picture::Fraction) {
        graph::DrawFractionPlot(canvas, table);
    } else if (picture == Picture::EnlargedFrame) {
        graph::DrawEnlargedFrame(canvas, table);
    } else {
        table.EnlargedViewUsed = picture == Picture::LaterMaterial ? 1 : 0;
        graph::DrawEnlargedCurves(canvas, table);
    }
    return canvas;
}

// The command kinds up to the first font size, with the value of a line width or draw style;
// a run of one kind is folded into "Kind*count".
QString signature(const RecordingCanvas& canvas) {
    static const QStringList names =
        QString("Scale BackColor ForeColor Clear LineWidth DrawStyle FontName FontSize CurrentX "
                "CurrentY Print PSet Line LineTo Box FilledBox Circle")
            .split(' ');
    const auto& c = canvas.commands;
    QStringList parts;
    for (std::size_t i = 0, j = 0; i < c.size() && c[i].kind != Kind::FontSize; i = j) {
        while (j < c.size() && c[j].kind == c[i].kind) {
            ++j;
        }
        QString name = names[static_cast<int>(c[i].kind)];
        if (c[i].kind == Kind::LineWidth || c[i].kind == Kind::DrawStyle) {
            name += QString("(%1)").arg(c[i].value);
        }
        parts << (j - i == 1 ? name : QString("%1*%2").arg(name).arg(j - i));
    }
    return parts.join(' ');
}

bool isCommand(const CanvasCommand& c, float x1, float y1, float x2, float y2, Rgb colour) {
    return c.x1 == x1 && c.y1 == y1 && c.x2 == x2 && c.y2 == y2 && c.colour == colour;
}

// The printed texts as "text@x,y/size"; a text printed where the previous one left the pen
// carries no position, and '~' marks a print that keeps the line.
QStringList printsOf(const RecordingCanvas& canvas) {
    QStringList out;
    bool continued = false;
    for (const auto& p : canvas.ofKind(Kind::Print)) {
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

// "10" with its exponent at 10 points, a decade every 2.3 units, then the axis title.
QStringList energyLabels(double first, int size) {
    QStringList out;
    for (int k = 0; k < 6; ++k) {
        out << QString("10@%1,-0.1/%2~").arg(first + 2.3 * k).arg(size)
            << QString("%1/10").arg(k - 3);
    }
    return out << QString("Photon energy,    MeV@6,-0.8/%1").arg(size);
}

// The same up the left side from 1E-4 (its label a little higher), then the unit.
QStringList coefficientLabels(double unitX, int size) {
    QStringList out;
    for (int k = 0; k < 9; ++k) {
        out << QString("10@-0.8,%1/%2~").arg(k == 0 ? 0.4 : 0.3 + 2.3 * k).arg(size)
            << QString("%1/10").arg(k - 4);
    }
    return out << QString("cm@%1,17.4/%2~").arg(unitX).arg(size) << "2/10~"
               << QString("/g/%1").arg(size);
}

// The bands that hide what curves drew above and below the plot box, then the box itself.
bool masksAndBox(const RecordingCanvas& canvas) {
    const auto filled = canvas.ofKind(Kind::FilledBox);
    return isCommand(filled.at(0), 0, 18.4f, 12, 19.1f, kNavy) &&
           isCommand(filled.at(1), 0, 0, 12, -1.9f, kNavy) &&
           isCommand(canvas.ofKind(Kind::Box).at(0), 0, 0, 11.5f, 18.4f, kWhite);
}

// Grid and legend shared by the log-log plot and the enlarged view's frame.
void checkGridAndLegend(const RecordingCanvas& canvas) {
    QVERIFY(isCommand(canvas.ofKind(Kind::FilledBox).at(2), 4.5f, 11.8f, 11.2f, 18.2f, kNavy));
    QVERIFY(isCommand(canvas.ofKind(Kind::Box).at(1), 4.5f, 11.8f, 11.2f, 18.1f, kWhite));
    const auto lines = canvas.ofKind(Kind::Line);
    QCOMPARE(lines.size(), std::size_t{136});
    // Eight decades of ten horizontal lines, then five of ten vertical ones.
    for (std::size_t k = 0; k < 130; ++k) {
        const std::size_t n = k < 80 ? k : k - 80;
        const auto at = static_cast<float>(std::log(10.0) * static_cast<double>(n / 10) +
                                           std::log(static_cast<double>(n % 10 + 1)));
        QVERIFY2(k < 80 ? isCommand(lines[k], 0, at, 11.5f, at, kGrey)
                        : isCommand(lines[k], at, 0, at, 18.4f, kGrey),
                 qPrintable(QString::number(k)));
    }
    QVERIFY(std::fabs(lines[79].y1 - 18.421f) < 1e-3f &&
            std::fabs(lines[129].x1 - fx(100)) < 1e-5f);
    for (std::size_t k = 0; k < 6; ++k) {
        const float y = 12.8f + static_cast<float>(k);
        QVERIFY(isCommand(lines[130 + k], 4.7f, y, 8.2f, y, kCurveColours[k]));
    }
}

bool allFinite(const RecordingCanvas& canvas) {
    return std::all_of(canvas.commands.begin(), canvas.commands.end(), [](const CanvasCommand& c) {
        return std::isfinite(c.x1 + c.y1 + c.x2 + c.y2);
    });
}

} // namespace

class GraphCoreTest : public QObject {
    Q_OBJECT

  private slots:
    void mappingAndCanvasSetUp();
    void pictures_data();
    void pictures();
    void curvesFollowTheTable();
    void floorsAndStartPoints();
    void emptyTableReadsNoRow();
    void enlargedCaption();
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

void GraphCoreTest::pictures_data() {
    QTest::addColumn<Picture>("picture");
    QTest::addColumn<QString>("order");
    QTest::addColumn<QStringList>("prints");
    // Curves end at row 7, above 100 MeV: a start dot and five lines each.
    const QString curves = "PSet LineTo*5 PSet LineTo*5 PSet LineTo*5 PSet LineTo*5 PSet LineTo*5";
    QTest::newRow("graph: grid, curves, then masks and legend over them")
        << Picture::Graph
        << "Clear LineWidth(1) Line*130 LineWidth(2) " + curves +
               " PSet LineTo*5 FilledBox*2 Box FilledBox Line*6 Box"
        << legendTexts(4.8, 16) + energyLabels(-0.4, 16) + coefficientLabels(-1.4, 16);
    QTest::newRow("fraction plot: five curves, no total")
        << Picture::Fraction << "Clear LineWidth(1) Line*59 LineWidth(2) " + curves + " Box"
        << QStringList{"Relative@-1.5,8.5/15.75", "Fraction@-1.5,7.5/15.75", "1.0@-0.7,10.5/15.75",
                       "0.5@-0.7,5.5/15.75", "0.0@-0.7,0.5/15.75"};
    QTest::newRow("enlarged frame: no curves, no energy labels, legend at width 2")
        << Picture::EnlargedFrame
        << "Clear LineWidth(1) Line*130 FilledBox*2 Box LineWidth(2) FilledBox Line*6 Box"
           " LineWidth(1)"
        << legendTexts(5.5, 20) + coefficientLabels(-1.2, 20);
    QTest::newRow("first material: no circles, masks and energy labels redrawn")
        << Picture::FirstMaterial
        << "DrawStyle(1) LineWidth(2) " + curves + " PSet LineTo*5 FilledBox*2 Box"
        << energyLabels(-0.3, 20);
    QString marked;
    for (int k = 0; k < 6; ++k) {
        marked += "PSet LineTo*5 Circle*5 ";
    }
    QTest::newRow("later material: circles after each curve")
        << Picture::LaterMaterial << "DrawStyle(1) LineWidth(2) " + marked + "FilledBox*2 Box"
        << energyLabels(-0.3, 20);
}

void GraphCoreTest::pictures() {
    QFETCH(Picture, picture);
    QFETCH(QString, order);
    QFETCH(QStringList, prints);
    auto table = decadeTable();
    table->EnlargedViewUsed = 1;
    const auto canvas = draw(picture, *table);
    QCOMPARE(signature(canvas), order);
    QCOMPARE(printsOf(canvas), prints);
    if (picture == Picture::Graph || picture == Picture::EnlargedFrame) {
        checkGridAndLegend(canvas);
    }
    if (picture != Picture::Fraction) {
        QVERIFY(masksAndBox(canvas));
    }
    if (picture >= Picture::EnlargedFrame) {
        QCOMPARE(table->EnlargedViewUsed, picture == Picture::EnlargedFrame ? 0 : 1);
    }
}

void GraphCoreTest::curvesFollowTheTable() {
    auto table = decadeTable();
    const auto graphCanvas = draw(Picture::Graph, *table);
    const auto lines = graphCanvas.ofKind(Kind::LineTo);
    for (std::size_t curve = 0; curve < 6; ++curve) {
        for (std::size_t r = 0; r < 5; ++r) {
            QCOMPARE(lines[curve * 5 + r].x2, fx(table->Energy[r + 2]));
            QVERIFY(lines[curve * 5 + r].colour == kCurveColours[curve]);
        }
    }
    QCOMPARE(lines[4].y2, fy(1e-4));             // coherent at 100 MeV
    QCOMPARE(lines[14].y2, fy(1e-7));            // photo-electric, no floor
    QCOMPARE(lines[29].y2, fy(table->Total[6])); // total at 100 MeV

    const auto fraction = draw(Picture::Fraction, *table);
    const auto grid = fraction.ofKind(Kind::Line);
    QVERIFY(isCommand(grid[10], fx(0.01), 0, fx(0.01), 10, kGrey));
    QVERIFY(isCommand(grid[50], 0, 1, 11.5f, 1, kGrey) &&
            isCommand(grid[58], 0, 9, 11.5f, 9, kGrey));
    QVERIFY(isCommand(fraction.ofKind(Kind::Box).at(0), 0, 0, 11.5f, 10, kWhite));
    const auto shares = fraction.ofKind(Kind::LineTo);
    QCOMPARE(fraction.ofKind(Kind::PSet)[2].y1,
             static_cast<float>(10.0 * table->FracPhotoElectric[1]));
    QVERIFY(isCommand(shares[9], shares[8].x2, shares[8].y2, fx(100),
                      static_cast<float>(10.0 * table->FracIncoherent[6]), kCurveColours[1]));
    QVERIFY(shares[24].colour == kCurveColours[4]);

    // A later material's circles sit on its points, black on the white total curve.
    const auto later = draw(Picture::LaterMaterial, *table);
    const auto ends = later.ofKind(Kind::LineTo);
    const auto circles = later.ofKind(Kind::Circle);
    QCOMPARE(circles.size(), ends.size());
    for (std::size_t k = 0; k < circles.size(); ++k) {
        const Rgb colour = k >= 25 ? Rgb{0, 0, 0} : kWhite;
        QVERIFY2(isCommand(circles[k], ends[k].x2, ends[k].y2, 0.03f, 0, colour),
                 qPrintable(QString::number(k)));
    }
}

void GraphCoreTest::floorsAndStartPoints() {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // Row 1 at 50 keV, not 1 keV; row 2 has a pair value under 1E-5 and values without a
    // logarithm; rows 3 and 4 have no usable energy; row 5 a total of 0.
    auto table = makeTable({{0.05, 2, 3, 5, 0, 0},
                            {1, 0, -1, nan, 3e-6, 0},
                            {0, 1, 1, 1, 1, 1},
                            {nan, 1, 1, 1, 1, 1},
                            {20, 0, 0, 0, 0, 0},
                            {50, 1, 1, 1, 2e-5, 4e-3}});
    const auto graphCanvas = draw(Picture::Graph, *table);
    const auto fraction = draw(Picture::Fraction, *table);
    const auto enlarged = draw(Picture::LaterMaterial, *table);
    QVERIFY(allFinite(graphCanvas) && allFinite(fraction) && allFinite(enlarged));
    // Every curve starts at x = 0; the pair curves below the picture.
    const std::vector<float> starts{fy(2), fy(3), fy(5), -0.5f, -0.5f, fy(10)};
    const float floorY = fy(1e-5);
    for (const auto* drawn : {&graphCanvas, &enlarged}) {
        const auto dots = drawn->ofKind(Kind::PSet);
        const auto lines = drawn->ofKind(Kind::LineTo);
        QCOMPARE(lines.size(), std::size_t{6 * 3});
        for (std::size_t k = 0; k < 6; ++k) {
            QVERIFY(dots[k].x1 == 0 && dots[k].y1 == starts[k]);
            QVERIFY(lines[3 * k].y2 == floorY && lines[3 * k + 1].x2 == fx(20));
        }
        QVERIFY(lines[16].y2 == floorY); // total 0
        QVERIFY(lines[11].y2 == fy(2e-5) && lines[14].y2 == fy(4e-3));
    }
    QCOMPARE(enlarged.ofKind(Kind::Circle).at(9).y1, floorY);
    const auto shares = fraction.ofKind(Kind::PSet);
    for (std::size_t k = 0; k < 5; ++k) {
        QVERIFY(shares[k].x1 == 0 &&
                shares[k].y1 == static_cast<float>(10.0 * ((*table).*kFractions[k])[1]));
    }
    QCOMPARE(fraction.ofKind(Kind::LineTo).at(1).y2, 0.0f); // 0 / 0
}

void GraphCoreTest::emptyTableReadsNoRow() {
    // Row 1 still holds an earlier table's values: with no rows, nothing may come of them.
    auto stale = decadeTable();
    stale->RowCount = 0;
    auto blank = std::make_unique<data::MaterialTable>();
    for (Picture picture : {Picture::Graph, Picture::Fraction, Picture::LaterMaterial}) {
        QVERIFY(draw(picture, *stale).commands == draw(picture, *blank).commands);
    }
    QVERIFY(!graph::NearestRow(*stale, readoutX(0.01)));
}

void GraphCoreTest::enlargedCaption() {
    const std::string water = " Water   Density = 1.000 [g/cm3]";
    const std::string air = " Air   Density = 0.001205 [g/cm3]";
    // An empty view takes the graph window's caption, dropping a stale one; else it appends.
    QCOMPARE(graph::EnlargedCaption("", water, 0), water);
    QCOMPARE(graph::EnlargedCaption(air, water, 0), water);
    QCOMPARE(graph::EnlargedCaption(air, water, 1), air + "  & " + water);
}

void GraphCoreTest::insideRange_data() {
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    QTest::addColumn<bool>("graph");
    QTest::addColumn<bool>("fraction");
    QTest::newRow("lower-left corner") << 0.0f << 0.0f << true << true;
    QTest::newRow("just right") << 11.51f << 5.0f << false << false;
    QTest::newRow("just left") << -0.001f << 5.0f << false << false;
    QTest::newRow("just below") << 5.0f << -0.001f << false << false;
    QTest::newRow("right and fraction top limits") << 11.5f << 10.0f << true << true;
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
#include "test_graph_core.moc"
