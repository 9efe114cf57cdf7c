#include "app/AppContext.h"
#include "app/Application.h"
#include "calc/Form10.h"
#include "data/MaterialFile.h"
#include "data/MaterialTable.h"
#include "export/Form7.h"
#include "fakes/ScriptedDialogs.h"
#include "fakes/TestSupport.h"
#include "graph/Form2.h"
#include "graph/Form3.h"
#include "graph/Go.h"
#include "graph/GraphCoords.h"
#include "graph/Plots.h"
#include "newdata/BuilderState.h"
#include "platform/qt/QtCanvas.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>

#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

using Row = std::array<double, 6>; // energy, then the five partial coefficients

// A data file as the builders write it, from rows given as numbers.
std::string materialText(const std::string& name, const std::string& density,
                         const std::vector<Row>& rows) {
    std::vector<std::string> lines{name, density, std::to_string(rows.size())};
    for (const Row& r : rows) {
        lines.push_back(data::FormatTableRow(r[0], {r[1], r[2], r[3], r[4], r[5]}));
    }
    return data::JoinLines(lines);
}

// 1 keV to 10 MeV by decades, pair production from 10 MeV on.
const std::vector<Row> kFiveRows{{0.001, 1, 0.01, 1000, 0, 0},
                                 {0.01, 0.5, 0.1, 50, 0, 0},
                                 {0.1, 0.05, 0.15, 0.5, 0, 0},
                                 {1, 0.005, 0.07, 0.002, 0, 0},
                                 {10, 5e-5, 0.02, 1e-5, 0.01, 1e-4}};

const char* const kAirCaption = " Test Air   Density = 0.001205 [g/cm3]";
const char* const kWaterCaption = " Test Water   Density = 1.000 [g/cm3]";

QRgb rgb(int r, int g, int b) { return qRgb(r, g, b); }

int countPixels(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += image.pixel(x, y) == colour ? 1 : 0;
        }
    }
    return n;
}

// Every window over one shared state, in a temporary working folder with three materials.
struct Program {
    testing::TempFolder folder;
    data::MaterialTable table;
    newdata::BuilderState builder;
    testing::ScriptedDialogs dialogs;
    testing::RecordingLauncher launcher;
    AppContext context{table, builder, dialogs, launcher, folder.path()};
    std::unique_ptr<Application> application;
    Form2* form2 = nullptr;
    Form3* form3 = nullptr;
    Form10* form10 = nullptr;

    Program() {
        testing::writeFile(folder.path() / "mix" / "air.mix3",
                           materialText("Test Air", "0.00120479", kFiveRows));
        std::vector<Row> water = kFiveRows;
        water.pop_back();
        testing::writeFile(folder.path() / "mix" / "water.mix3",
                           materialText("Test Water", "1", water));
        testing::writeFile(folder.path() / "mix" / "empty.mix3", materialText("Nothing", "1", {}));
        testing::writeFile(folder.path() / "mix" / "short.mix3", "Short\r\n1\r\n4\r\n");
        application = std::make_unique<Application>(context);
        form2 = context.windows.form2;
        form3 = context.windows.form3;
        form10 = context.windows.form10;
        // What start-up does to these windows.
        form10->PrepareAtStartup();
        form3->DrawEnlargedFrame();
    }

    bool go(const std::string& path) {
        table.SelectedPath = path;
        return graph::RunGo(context);
    }
};

void moveOver(QtCanvas* picture, float x, float y) {
    const QPoint pixel = picture->ToPixel(x, y);
    QMouseEvent move(QEvent::MouseMove, QPointF(pixel), picture->mapToGlobal(QPointF(pixel)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(picture, &move);
}

} // namespace

class GraphWindowsTest : public QObject {
    Q_OBJECT

  private slots:
    void canvasMapsUserUnitsToPixels_data();
    void canvasMapsUserUnitsToPixels();
    void enlargedFramePixels();
    void printHangsTextFromTheCurrentPoint();
    void insideStyleKeepsTheBorderInsideTheBox();
    void crossHairsAreNotPartOfTheImage();

    void goWithoutSelectionOnlyComplains();
    void goFillsBothWindows();
    void goButtonCaptionFollowsTheEnlargedView();
    void failedLoadLeavesEverythingAsItWas();
    void emptyTableDrawsFramesOnly();
    void enlargedViewButtonIsOffDuringTheEventPass();

    void readoutRangeAndCrossHairs_data();
    void readoutRangeAndCrossHairs();
    void readoutLeftOfFirstRowChangesNothing();
    void readoutOnFractionPlotLeavesLine2();
    void readoutSnapsToTheRowAgainOnTheSameRow();

    void enlargedViewCollectsMaterials();
    void closeEmptiesTheView();
    void saveNeedsADrawnGraph();
    void titleBarCloseKeepsTheView();
};

void GraphWindowsTest::canvasMapsUserUnitsToPixels_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    QTest::addColumn<QPoint>("pixel");
    // 909 / 13.5 = 67.33 pixels per x unit, 861 / 21 = 41 per y unit.
    QTest::newRow("enlarged plot origin") << 909 << 861 << 0.0f << 0.0f << QPoint(101, 783);
    QTest::newRow("enlarged top-left") << 909 << 861 << -1.5f << 19.1f << QPoint(0, 0);
    QTest::newRow("enlarged plot box top right") << 909 << 861 << 11.5f << 18.4f << QPoint(875, 29);
    QTest::newRow("graph plot origin") << 661 << 629 << 0.0f << 0.0f << QPoint(73, 572);
    QTest::newRow("fraction plot origin") << 661 << 277 << 0.0f << 0.0f << QPoint(73, 264);
    QTest::newRow("fraction plot top") << 661 << 277 << 11.5f << 10.0f << QPoint(637, 13);
}

void GraphWindowsTest::canvasMapsUserUnitsToPixels() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(float, x);
    QFETCH(float, y);
    QFETCH(QPoint, pixel);
    QtCanvas canvas(width, height);
    canvas.SetScale(-1.5f, 19.1f, 13.5f, -21.0f);
    if (height == 277) {
        canvas.SetScale(-1.5f, 10.5f, 13.5f, -11.0f);
    }
    QCOMPARE(canvas.Image().size(), QSize(width, height));
    QCOMPARE(canvas.ToPixel(x, y), pixel);
    // The way back gives the point again, to within a pixel.
    const QPointF back = canvas.ToUser(QPointF(pixel));
    QVERIFY(std::fabs(back.x() - x) < 13.5 / width);
    QVERIFY(std::fabs(back.y() - y) < 21.0 / height);
}

void GraphWindowsTest::enlargedFramePixels() {
    QtCanvas canvas(909, 861);
    graph::PrepareEnlargedCanvas(canvas);
    data::MaterialTable table;
    graph::DrawEnlargedFrame(canvas, table);
    const QImage& image = canvas.Image();
    const QRgb navy = rgb(0, 0, 128);
    const QRgb white = rgb(255, 255, 255);
    const QRgb grey = rgb(100, 100, 100);
    QCOMPARE(image.pixel(20, 400), navy);  // left margin
    QCOMPARE(image.pixel(500, 850), navy); // bottom band
    QCOMPARE(image.pixel(500, 10), navy);  // top band
    // The plot box's lower-left corner is user (0, 0).
    QCOMPARE(image.pixel(101, 783), white);
    QCOMPARE(image.pixel(99, 785), navy);
    // The first decade line above the bottom, y = ln 10, between two vertical grid lines.
    const int decadeRow = canvas.ToPixel(0.5f, static_cast<float>(std::log(10.0))).y();
    QCOMPARE(decadeRow, 689);
    QCOMPARE(image.pixel(120, decadeRow), grey);
    QCOMPARE(image.pixel(120, decadeRow - 2), navy);
    QCOMPARE(image.pixel(120, decadeRow + 2), navy);
    // The vertical decade line at 0.01 MeV, below the legend.
    const int decadeColumn = canvas.ToPixel(static_cast<float>(std::log(10.0)), 1.0f).x();
    QCOMPARE(image.pixel(decadeColumn, 700), grey);
    QCOMPARE(image.pixel(decadeColumn + 2, 700), navy);
}

void GraphWindowsTest::printHangsTextFromTheCurrentPoint() {
    QtCanvas canvas(200, 100);
    canvas.SetScale(0.0f, 10.0f, 20.0f, -10.0f); // 10 pixels per unit, y growing upwards
    canvas.SetBackColor({0, 0, 128});
    canvas.SetForeColor({255, 255, 255});
    canvas.SetFontName("Times New Roman");
    canvas.SetFontSize(20.0f);
    canvas.Clear();
    canvas.SetCurrentX(5.0f);
    canvas.SetCurrentY(8.0f);
    canvas.Print("HI", true);
    // Glyphs only right of and below the current point (50, 20).
    const QImage& image = canvas.Image();
    int top = image.height();
    int left = image.width();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != qRgb(0, 0, 128)) {
                top = std::min(top, y);
                left = std::min(left, x);
            }
        }
    }
    QVERIFY2(top >= 20 && top < 30, qPrintable(QString::number(top)));
    QVERIFY2(left >= 50 && left < 55, qPrintable(QString::number(left)));
    // Continuing keeps the line; ending it goes back to the last CurrentX, one line lower.
    QVERIFY(canvas.CurrentX() > 6.0f);
    QCOMPARE(canvas.CurrentY(), 8.0f);
    canvas.Print("2", false);
    QCOMPARE(canvas.CurrentX(), 5.0f);
    QVERIFY(canvas.CurrentY() < 6.5f && canvas.CurrentY() > 4.0f);
}

void GraphWindowsTest::insideStyleKeepsTheBorderInsideTheBox() {
    QtCanvas canvas(40, 40); // one unit per pixel
    canvas.SetBackColor({0, 0, 0});
    canvas.Clear();
    canvas.SetLineWidth(2);
    canvas.Box(10, 10, 30, 30, {255, 255, 255});
    QCOMPARE(canvas.Image().pixel(9, 20), qRgb(255, 255, 255)); // centred: one pixel outside
    QCOMPARE(canvas.Image().pixel(31, 20), qRgb(255, 255, 255));
    QCOMPARE(canvas.Image().pixel(20, 31), qRgb(255, 255, 255));
    QCOMPARE(canvas.Image().pixel(29, 20), qRgb(0, 0, 0));
    canvas.Clear();
    canvas.SetDrawStyle(platform::DrawStyle::InsideSolid);
    canvas.Box(10, 10, 30, 30, {255, 255, 255});
    QCOMPARE(canvas.Image().pixel(9, 20), qRgb(0, 0, 0));
    QCOMPARE(canvas.Image().pixel(10, 20), qRgb(255, 255, 255));
    QCOMPARE(canvas.Image().pixel(11, 20), qRgb(255, 255, 255));
    QCOMPARE(canvas.Image().pixel(12, 20), qRgb(0, 0, 0));
    QCOMPARE(canvas.Image().pixel(31, 20), qRgb(0, 0, 0));
    QCOMPARE(canvas.Image().pixel(30, 20), qRgb(255, 255, 255));
    QCOMPARE(canvas.Image().pixel(20, 29), qRgb(255, 255, 255));
    QCOMPARE(canvas.Image().pixel(20, 28), qRgb(0, 0, 0));
}

void GraphWindowsTest::crossHairsAreNotPartOfTheImage() {
    Program p;
    QVERIFY(p.go("mix/air.mix3"));
    const QImage before = p.form2->Picture1->Image();
    p.form2->Line1->SetX1(5.0f);
    p.form2->Line1->SetX2(5.0f);
    p.form2->Line1->SetVisible(true);
    QCOMPARE(p.form2->Picture1->Image(), before);
    const QImage shown = p.form2->Picture1->grab().toImage();
    const QPoint at = p.form2->Picture1->ToPixel(5.0f, 9.0f);
    QCOMPARE(shown.pixel(at), qRgb(255, 255, 0));
}

void GraphWindowsTest::goWithoutSelectionOnlyComplains() {
    Program p;
    QVERIFY(!p.go(""));
    QCOMPARE(p.dialogs.messages(), std::vector<std::string>{"Select material "});
    QCOMPARE(p.dialogs.shown[0].icon, platform::MessageIcon::Exclamation);
    QVERIFY(!p.form2->isVisible());
    QVERIFY(!p.form10->isVisible());
    QVERIFY(!p.form10->Text3->isEnabled());
    QCOMPARE(p.launcher.eventPasses, 0);
}

void GraphWindowsTest::goFillsBothWindows() {
    Program p;
    QVERIFY(p.go("mix/air.mix3"));
    QVERIFY(p.dialogs.shown.empty());
    QCOMPARE(p.form2->windowTitle(), QString(kAirCaption));
    QCOMPARE(p.form10->windowTitle(), QString(kAirCaption));
    QCOMPARE(p.launcher.eventPasses, 1);
    QCOMPARE(p.form10->List1->count(), 5);
    for (int i = 1; i <= 5; ++i) {
        QCOMPARE(p.form10->List1->item(i - 1)->text().toStdString(), " " + p.table.RowText[i]);
    }
    for (const char* name : {"Text3", "Text4", "Text5", "Text6", "Text7", "Text8", "Text9"}) {
        auto* box = p.form10->findChild<QLineEdit*>(name);
        QVERIFY2(box && box->isEnabled() && box->text().isEmpty(), name);
    }
    for (const char* name :
         {"Label11", "Label25", "Label28", "Label29", "Label30", "Label31", "Label32"}) {
        QVERIFY2(p.form10->findChild<QLabel*>(name)->isEnabled(), name);
    }
    for (CanvasLine* line : {p.form2->Line1, p.form2->Line2, p.form2->Line3, p.form2->Line4}) {
        QVERIFY(!line->Visible());
    }
    QVERIFY(p.form2->isVisible());
    QVERIFY(p.form10->isVisible());
    QCOMPARE(p.table.TotalMax, p.table.Total[1]);
    QCOMPARE(p.table.TotalMin, p.table.Total[5]);
    // The total curve runs white from the first row across the plot box.
    const QPoint firstRow = p.form2->Picture1->ToPixel(
        0.02f, static_cast<float>(graph::CoefficientY(p.table.Total[1])));
    QCOMPARE(p.form2->Picture1->Image().pixel(firstRow), qRgb(255, 255, 255));
}

void GraphWindowsTest::goButtonCaptionFollowsTheEnlargedView() {
    Program p;
    QVERIFY(p.go("mix/air.mix3"));
    QCOMPARE(p.form2->Command1->text(), QString("Enlarged View"));
    QVERIFY(p.form2->Command1->isEnabled());
    p.form2->Form2_Command1_Click();
    QVERIFY(!p.form2->Command1->isEnabled());
    QVERIFY(p.go("mix/water.mix3"));
    QCOMPARE(p.form2->Command1->text(), QString("Add to Enlarged View"));
    QVERIFY(p.form2->Command1->isEnabled());
}

void GraphWindowsTest::failedLoadLeavesEverythingAsItWas() {
    Program p;
    QVERIFY(p.go("mix/air.mix3"));
    p.form10->Text3->setText("0.5");
    p.form10->Form10_Text3_KeyPress(13);
    const QString text5 = p.form10->Text5->text();
    const QImage plot = p.form2->Picture1->Image();
    const double totalMin = p.table.TotalMin;
    const double totalMax = p.table.TotalMax;

    QVERIFY(!p.go("mix/short.mix3"));
    QCOMPARE(p.dialogs.messages().size(), std::size_t{1});
    QVERIFY2(p.dialogs.messages()[0].find("short.mix3") != std::string::npos,
             p.dialogs.messages()[0].c_str());
    QCOMPARE(p.dialogs.shown[0].icon, platform::MessageIcon::Exclamation);
    QCOMPARE(p.table.MaterialName, std::string("Test Air"));
    QCOMPARE(p.table.RowCount, 5);
    QCOMPARE(p.table.TotalMin, totalMin);
    QCOMPARE(p.table.TotalMax, totalMax);
    QCOMPARE(p.form2->windowTitle(), QString(kAirCaption));
    QCOMPARE(p.form10->windowTitle(), QString(kAirCaption));
    QCOMPARE(p.form10->List1->count(), 5);
    QCOMPARE(p.form10->Text5->text(), text5);
    QCOMPARE(p.form2->Picture1->Image(), plot);
    QVERIFY(p.form2->Line1->Visible());
    QCOMPARE(p.launcher.eventPasses, 1);
}

void GraphWindowsTest::emptyTableDrawsFramesOnly() {
    Program p;
    QVERIFY(p.go("mix/air.mix3"));
    QVERIFY(p.go("mix/empty.mix3"));
    QCOMPARE(p.table.RowCount, 0);
    QCOMPARE(p.form10->List1->count(), 0);
    QCOMPARE(p.form2->windowTitle(), QString(" Nothing   Density = 1.000 [g/cm3]"));
    // Row 1 still holds the air's values, but no curve starts from them.
    QtCanvas frame(661, 629);
    graph::PrepareGraphCanvas(frame);
    data::MaterialTable blank;
    graph::DrawGraphPlot(frame, blank);
    QCOMPARE(p.form2->Picture1->Image(), frame.Image());
    QCOMPARE(countPixels(p.form2->Picture2->Image(), rgb(255, 0, 255)), 0);
    QCOMPARE(countPixels(p.form2->Picture2->Image(), rgb(255, 0, 0)), 0);
    // Nothing to compute on.
    p.form10->Text3->setText("0.5");
    p.form10->Form10_Text3_KeyPress(13);
    QCOMPARE(p.dialogs.messages().size(), std::size_t{1});
}

void GraphWindowsTest::enlargedViewButtonIsOffDuringTheEventPass() {
    Program p;
    QVERIFY(p.go("mix/air.mix3"));
    bool enabledDuringPass = true;
    p.launcher.onEventPass = [&] { enabledDuringPass = p.form2->Command1->isEnabled(); };
    QVERIFY(p.go("mix/water.mix3"));
    QVERIFY(!enabledDuringPass);
    QVERIFY(p.form2->Command1->isEnabled());
}

void GraphWindowsTest::readoutRangeAndCrossHairs_data() {
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    QTest::addColumn<bool>("inside");
    QTest::newRow("just above the plot box") << 5.0f << 18.45f << true;
    QTest::newRow("upper limit") << 5.0f << 18.5f << true;
    QTest::newRow("above the limit") << 5.0f << 18.55f << false;
    QTest::newRow("right of the box") << 11.6f << 3.0f << false;
    QTest::newRow("below the box") << 5.0f << -0.1f << false;
}

void GraphWindowsTest::readoutRangeAndCrossHairs() {
    QFETCH(float, x);
    QFETCH(float, y);
    QFETCH(bool, inside);
    Program p;
    QVERIFY(p.go("mix/air.mix3"));
    p.form2->Line4->SetVisible(true);
    p.form2->Form2_Picture1_MouseMove(0, 0, x, y);
    QCOMPARE(p.form2->Picture1->cursor().shape(), inside ? Qt::CrossCursor : Qt::ArrowCursor);
    QCOMPARE(p.form2->Line1->Visible(), inside);
    QCOMPARE(p.form2->Line2->Visible(), inside);
    QCOMPARE(p.form2->Line3->Visible(), inside);
    QCOMPARE(p.form2->Line4->Visible(), inside); // untouched inside, hidden outside
    if (inside) {
        QCOMPARE(p.form2->Line2->Y1(), y);
        QCOMPARE(p.form2->Line2->Y2(), y);
    }
}

void GraphWindowsTest::readoutLeftOfFirstRowChangesNothing() {
    Program p;
    QVERIFY(p.go("mix/air.mix3"));
    p.form10->SelectListRow(2);
    const float lineX = p.form2->Line1->X1();
    // Row 1 (1 keV) lies at ln(0.001) + 6.909 = 0.0012, right of a pointer at 0.
    p.form2->Form2_Picture1_MouseMove(0, 0, 0.0f, 5.0f);
    QCOMPARE(p.form2->Picture1->cursor().shape(), Qt::CrossCursor);
    QCOMPARE(p.form10->List1->currentRow(), 2);
    QCOMPARE(p.form2->Line1->X1(), lineX);
    QVERIFY(!p.form2->Line2->Visible());
}

void GraphWindowsTest::readoutOnFractionPlotLeavesLine2() {
    Program p;
    QVERIFY(p.go("mix/air.mix3"));
    // Through a real mouse event: pixels to user units to the handler.
    moveOver(p.form2->Picture1, 5.0f, 7.0f);
    QVERIFY(p.form2->Line2->Visible());
    const float line2Y = p.form2->Line2->Y1();
    QVERIFY(std::fabs(line2Y - 7.0f) < 0.05f);
    // Halfway between 0.01 MeV and 0.1 MeV in the read-out's coordinates, a little to the right.
    const float x = static_cast<float>((std::log(0.01) + std::log(0.1)) / 2 + 6.909 + 0.05);
    p.form2->Form2_Picture2_MouseMove(0, 0, x, 3.0f);
    QCOMPARE(p.form2->Line2->Y1(), line2Y);
    QVERIFY(p.form2->Line2->Visible());
    QCOMPARE(p.form2->Line4->Y1(), 3.0f);
    QVERIFY(p.form2->Line4->Visible());
    QCOMPARE(p.form10->List1->currentRow(), 2);
    const auto row3 = static_cast<float>(std::log(0.1) + 6.909);
    QCOMPARE(p.form2->Line1->X1(), row3);
    QCOMPARE(p.form2->Line3->X1(), row3);
    QCOMPARE(p.form10->Text3->text(), QString("1.000E-01"));
}

void GraphWindowsTest::readoutSnapsToTheRowAgainOnTheSameRow() {
    Program p;
    QVERIFY(p.go("mix/air.mix3"));
    const auto row2 = static_cast<float>(std::log(0.01) + 6.909);
    p.form2->Form2_Picture1_MouseMove(0, 0, row2 + 0.2f, 5.0f);
    QCOMPARE(p.form10->List1->currentRow(), 1);
    QCOMPARE(p.form2->Line1->X1(), row2);
    p.form2->Form2_Picture1_MouseMove(0, 0, row2 + 0.3f, 5.0f);
    QCOMPARE(p.form10->List1->currentRow(), 1);
    QCOMPARE(p.form2->Line1->X1(), row2);
}

void GraphWindowsTest::enlargedViewCollectsMaterials() {
    Program p;
    const QRgb black = rgb(0, 0, 0);
    QVERIFY(p.go("mix/air.mix3"));
    p.form2->Form2_Command1_Click();
    QVERIFY(p.form3->isVisible());
    QCOMPARE(p.form3->windowTitle(), QString(kAirCaption));
    QCOMPARE(p.table.EnlargedViewUsed, 1);
    // The first material gets no circles; the total curve's would be black.
    QCOMPARE(countPixels(p.form3->Picture1->Image(), black), 0);

    QVERIFY(p.go("mix/water.mix3"));
    p.form2->Form2_Command1_Click();
    QCOMPARE(p.form3->windowTitle(), QString(kAirCaption) + "  & " + kWaterCaption);
    QVERIFY(countPixels(p.form3->Picture1->Image(), black) > 0);
}

void GraphWindowsTest::closeEmptiesTheView() {
    Program p;
    QtCanvas fresh(909, 861);
    graph::PrepareEnlargedCanvas(fresh);
    // Curves leave the inside draw style in force for later frames.
    fresh.SetDrawStyle(platform::DrawStyle::InsideSolid);
    data::MaterialTable scratch;
    graph::DrawEnlargedFrame(fresh, scratch);

    QVERIFY(p.go("mix/air.mix3"));
    p.form2->Form2_Command1_Click();
    QVERIFY(p.go("mix/water.mix3"));
    p.form2->Form2_Command1_Click();
    p.form3->Form3_Command2_Click();
    QVERIFY(!p.form3->isVisible());
    QCOMPARE(p.table.EnlargedViewUsed, 0);
    QCOMPARE(p.form3->windowTitle(), QString());
    QCOMPARE(p.form2->Command1->text(), QString("Enlarged View"));
    QVERIFY(p.form2->Command1->isEnabled());
    QCOMPARE(p.form3->Picture1->Image(), fresh.Image());

    // The next click shows the last material alone, without circles.
    p.form2->Form2_Command1_Click();
    QCOMPARE(p.form3->windowTitle(), QString(kWaterCaption));
    QCOMPARE(countPixels(p.form3->Picture1->Image(), rgb(0, 0, 0)), 0);
}

void GraphWindowsTest::saveNeedsADrawnGraph() {
    Program p;
    p.form3->show();
    p.form3->Form3_Command1_Click();
    QCOMPARE(p.dialogs.messages(), std::vector<std::string>{" The graph is not drawn "});
    QCOMPARE(p.dialogs.shown[0].icon, platform::MessageIcon::Exclamation);
    QVERIFY(!p.context.windows.form7->isVisible());

    QVERIFY(p.go("mix/air.mix3"));
    p.form2->Form2_Command1_Click();
    p.form3->Form3_Command1_Click(); // goes on to the image save dialog, without a message
    QCOMPARE(p.dialogs.messages().size(), std::size_t{1});
}

void GraphWindowsTest::titleBarCloseKeepsTheView() {
    Program p;
    QVERIFY(p.go("mix/air.mix3"));
    p.form2->Form2_Command1_Click();
    const QImage view = p.form3->Picture1->Image();
    QVERIFY(p.form3->close());
    QVERIFY(!p.form3->isVisible());
    QCOMPARE(p.table.EnlargedViewUsed, 1);
    QCOMPARE(p.form3->windowTitle(), QString(kAirCaption));
    QCOMPARE(p.form3->Picture1->Image(), view);
    QVERIFY(p.form2->close());

    QVERIFY(p.go("mix/water.mix3"));
    QVERIFY(p.form2->isVisible());
    QCOMPARE(p.form2->Command1->text(), QString("Add to Enlarged View"));
    p.form2->Form2_Command1_Click();
    QVERIFY(p.form3->isVisible());
    QCOMPARE(p.form3->windowTitle(), QString(kAirCaption) + "  & " + kWaterCaption);
}

QTEST_MAIN(GraphWindowsTest)
#include "GraphWindowsTest.moc"
