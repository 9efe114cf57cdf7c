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

// Pixels along a line of the image from `from`: '#' where it has the colour, '.' elsewhere.
QString scan(const QImage& image, QPoint from, QPoint step, int count, QRgb colour) {
    QString out;
    for (int k = 0; k < count; ++k, from += step) {
        out += image.pixel(from) == colour ? '#' : '.';
    }
    return out;
}

// Where the read-out puts a row of the given energy.
float rowX(double energyMeV) { return static_cast<float>(std::log(energyMeV) + 6.909); }

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

    void goFillsBothWindows();
    void failedAndEmptyLoads();

    void readoutRangeAndCrossHairs_data();
    void readoutRangeAndCrossHairs();
    void readoutFollowsTheNearestRow();

    void enlargedViewCollectsUntilClosed();
    void enlargedViewButtonAndTitleBarClose();
};

void GraphWindowsTest::canvasMapsUserUnitsToPixels_data() {
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("width");
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    QTest::addColumn<QPoint>("pixel");
    // 909 / 13.5 = 67.33 pixels per x unit, 861 / 21 = 41 per y unit.
    QTest::newRow("enlarged plot origin") << 861 << 909 << 0.0f << 0.0f << QPoint(101, 783);
    QTest::newRow("enlarged top-left") << 861 << 909 << -1.5f << 19.1f << QPoint(0, 0);
    QTest::newRow("enlarged plot box top right") << 861 << 909 << 11.5f << 18.4f << QPoint(875, 29);
    QTest::newRow("graph plot origin") << 629 << 661 << 0.0f << 0.0f << QPoint(73, 572);
    QTest::newRow("fraction plot top") << 277 << 661 << 11.5f << 10.0f << QPoint(637, 13);
}

void GraphWindowsTest::canvasMapsUserUnitsToPixels() {
    QFETCH(int, height);
    QFETCH(int, width);
    QFETCH(float, x);
    QFETCH(float, y);
    QFETCH(QPoint, pixel);
    QtCanvas canvas(width, height);
    const bool fraction = height == 277;
    canvas.SetScale(-1.5f, fraction ? 10.5f : 19.1f, 13.5f, fraction ? -11.0f : -21.0f);
    QCOMPARE(canvas.Image().size(), QSize(width, height));
    QCOMPARE(canvas.ToPixel(x, y), pixel);
    // The way back gives the point again, to within a pixel.
    const QPointF back = canvas.ToUser(QPointF(pixel));
    QVERIFY(std::fabs(back.x() - x) < 13.5 / width && std::fabs(back.y() - y) < 21.0 / height);
}

void GraphWindowsTest::enlargedFramePixels() {
    QtCanvas canvas(909, 861);
    graph::PrepareEnlargedCanvas(canvas);
    data::MaterialTable table;
    graph::DrawEnlargedFrame(canvas, table);
    const QImage& image = canvas.Image();
    const QRgb navy = qRgb(0, 0, 128);
    QCOMPARE(image.pixel(500, 850), navy); // bottom band
    // The plot box's lower-left corner is user (0, 0).
    QVERIFY(image.pixel(101, 783) == qRgb(255, 255, 255) && image.pixel(99, 785) == navy);
    // The first decade line above the bottom, y = ln 10, and the vertical one at 0.01 MeV.
    const QRgb grey = qRgb(100, 100, 100);
    QCOMPARE(scan(image, QPoint(120, 687), QPoint(0, 1), 5, grey), QString("..#.."));
    const int decadeColumn = canvas.ToPixel(static_cast<float>(std::log(10.0)), 1.0f).x();
    QCOMPARE(scan(image, QPoint(decadeColumn - 2, 700), QPoint(1, 0), 5, grey), QString("..#.."));
}

void GraphWindowsTest::printHangsTextFromTheCurrentPoint() {
    QtCanvas canvas(200, 100);
    canvas.SetScale(0.0f, 10.0f, 20.0f, -10.0f); // 10 pixels per unit, y growing upwards
    canvas.SetBackColor({0, 0, 128});
    canvas.SetFontName("Times New Roman");
    canvas.SetFontSize(20.0f);
    canvas.Clear();
    canvas.SetCurrentX(5.0f);
    canvas.SetCurrentY(8.0f);
    canvas.Print("HI", true);
    // Glyphs only right of and below the current point (50, 20).
    QRect ink;
    for (int y = 0; y < canvas.Image().height(); ++y) {
        for (int x = 0; x < canvas.Image().width(); ++x) {
            if (canvas.Image().pixel(x, y) != qRgb(0, 0, 128)) {
                ink |= QRect(x, y, 1, 1);
            }
        }
    }
    QVERIFY2(ink.top() >= 20 && ink.top() < 30 && ink.left() >= 50 && ink.left() < 55,
             qPrintable(QString("%1,%2").arg(ink.left()).arg(ink.top())));
    // Continuing keeps the line; ending it goes back to the last CurrentX, one line lower.
    QVERIFY(canvas.CurrentX() > 6.0f && canvas.CurrentY() == 8.0f);
    canvas.Print("2", false);
    QCOMPARE(canvas.CurrentX(), 5.0f);
    QVERIFY(canvas.CurrentY() < 6.5f && canvas.CurrentY() > 4.0f);
}

void GraphWindowsTest::insideStyleKeepsTheBorderInsideTheBox() {
    QtCanvas canvas(40, 40); // one unit per pixel
    const QRgb white = qRgb(255, 255, 255);
    canvas.SetLineWidth(2);
    // A 2-pixel border centred on the box reaches one pixel out; inside, it stays within.
    for (const auto& [style, across, up] :
         {std::tuple{platform::DrawStyle::Solid, ".##...................##.", "..##."},
          std::tuple{platform::DrawStyle::InsideSolid, "..##.................##..", ".##.."}}) {
        canvas.SetBackColor({0, 0, 0});
        canvas.Clear();
        canvas.SetDrawStyle(style);
        canvas.Box(10, 10, 30, 30, {255, 255, 255});
        QCOMPARE(scan(canvas.Image(), QPoint(8, 20), QPoint(1, 0), 25, white), QString(across));
        QCOMPARE(scan(canvas.Image(), QPoint(20, 28), QPoint(0, 1), 5, white), QString(up));
    }
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
    QCOMPARE(shown.pixel(p.form2->Picture1->ToPixel(5.0f, 9.0f)), qRgb(255, 255, 0));
}

void GraphWindowsTest::goFillsBothWindows() {
    Program p;
    QVERIFY(!p.go(""));
    QCOMPARE(p.dialogs.messages(), std::vector<std::string>{"Select material "});
    QCOMPARE(p.dialogs.shown[0].icon, platform::MessageIcon::Exclamation);
    QVERIFY(!p.form2->isVisible() && !p.form10->isVisible() && !p.form10->Text3->isEnabled());
    QCOMPARE(p.launcher.eventPasses, 0);

    QVERIFY(p.go("mix/air.mix3"));
    QCOMPARE(p.dialogs.shown.size(), std::size_t{1});
    QVERIFY(p.form2->isVisible() && p.form10->isVisible());
    QCOMPARE(p.form2->windowTitle(), QString(kAirCaption));
    QCOMPARE(p.form10->windowTitle(), QString(kAirCaption));
    QCOMPARE(p.launcher.eventPasses, 1);
    QCOMPARE(p.form10->List1->count(), 5);
    for (int i = 1; i <= 5; ++i) {
        QCOMPARE(p.form10->List1->item(i - 1)->text().toStdString(), " " + p.table.RowText[i]);
    }
    // The calculator's boxes are enabled and empty, its labels enabled.
    for (const char* name :
         {"Text3", "Text4", "Text5", "Text6", "Text7", "Text8", "Text9", "Label11", "Label25",
          "Label28", "Label29", "Label30", "Label31", "Label32"}) {
        auto* control = p.form10->findChild<QWidget*>(name);
        auto* box = qobject_cast<QLineEdit*>(control);
        QVERIFY2(control && control->isEnabled() && (!box || box->text().isEmpty()), name);
    }
    for (CanvasLine* line : {p.form2->Line1, p.form2->Line2, p.form2->Line3, p.form2->Line4}) {
        QVERIFY(!line->Visible());
    }
    QVERIFY(p.table.TotalMax == p.table.Total[1] && p.table.TotalMin == p.table.Total[5]);
    // The total curve runs white from the first row across the plot box.
    const QPoint firstRow = p.form2->Picture1->ToPixel(
        0.02f, static_cast<float>(graph::CoefficientY(p.table.Total[1])));
    QCOMPARE(p.form2->Picture1->Image().pixel(firstRow), qRgb(255, 255, 255));
}

void GraphWindowsTest::failedAndEmptyLoads() {
    Program p;
    QVERIFY(p.go("mix/air.mix3"));
    p.form10->Text3->setText("0.5");
    p.form10->Form10_Text3_KeyPress(13);
    const QString text5 = p.form10->Text5->text();
    const double totals = p.table.TotalMin + p.table.TotalMax;
    const QImage plot = p.form2->Picture1->Image();
    // A file that cannot be read changes nothing.
    QVERIFY(!p.go("mix/short.mix3"));
    QCOMPARE(p.dialogs.messages().size(), std::size_t{1});
    QVERIFY2(p.dialogs.messages()[0].find("short.mix3") != std::string::npos,
             p.dialogs.messages()[0].c_str());
    QCOMPARE(p.dialogs.shown[0].icon, platform::MessageIcon::Exclamation);
    QCOMPARE(p.table.MaterialName, std::string("Test Air"));
    QVERIFY(p.table.RowCount == 5 && p.table.TotalMin + p.table.TotalMax == totals);
    QVERIFY(p.form2->windowTitle() == kAirCaption && p.form10->windowTitle() == kAirCaption);
    QVERIFY(p.form10->List1->count() == 5 && p.form10->Text5->text() == text5);
    QVERIFY(p.form2->Line1->Visible());
    QCOMPARE(p.form2->Picture1->Image(), plot);
    QCOMPARE(p.launcher.eventPasses, 1);

    // An empty table draws frames only: row 1 still holds the air's values, but no curve starts
    // from them, and the calculator has nothing to compute on.
    QVERIFY(p.go("mix/empty.mix3"));
    QCOMPARE(p.table.RowCount, 0);
    QCOMPARE(p.form10->List1->count(), 0);
    QCOMPARE(p.form2->windowTitle(), QString(" Nothing   Density = 1.000 [g/cm3]"));
    QtCanvas frame(661, 629);
    graph::PrepareGraphCanvas(frame);
    data::MaterialTable blank;
    graph::DrawGraphPlot(frame, blank);
    QCOMPARE(p.form2->Picture1->Image(), frame.Image());
    QVERIFY(countPixels(p.form2->Picture2->Image(), qRgb(255, 0, 255)) == 0 &&
            countPixels(p.form2->Picture2->Image(), qRgb(255, 0, 0)) == 0);
    p.form10->Text3->setText("0.5");
    p.form10->Form10_Text3_KeyPress(13);
    QCOMPARE(p.dialogs.messages().size(), std::size_t{2});
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
    // Line4 is left alone inside and hidden with the others outside.
    for (CanvasLine* line : {p.form2->Line1, p.form2->Line2, p.form2->Line3, p.form2->Line4}) {
        QCOMPARE(line->Visible(), inside);
    }
    if (inside) {
        QVERIFY(p.form2->Line2->Y1() == y && p.form2->Line2->Y2() == y);
    }
}

void GraphWindowsTest::readoutFollowsTheNearestRow() {
    Program p;
    QVERIFY(p.go("mix/air.mix3"));
    // Near row 2, twice: the vertical lines snap to the row both times.
    for (float offset : {0.2f, 0.3f}) {
        p.form2->Form2_Picture1_MouseMove(0, 0, rowX(0.01) + offset, 5.0f);
        QCOMPARE(p.form10->List1->currentRow(), 1);
        QCOMPARE(p.form2->Line1->X1(), rowX(0.01));
    }
    // Left of row 1 (1 keV lies at 0.0012) the pointer is a cross, but nothing else changes.
    p.form2->Form2_Picture1_MouseMove(0, 0, 0.0f, 6.0f);
    QCOMPARE(p.form2->Picture1->cursor().shape(), Qt::CrossCursor);
    QCOMPARE(p.form10->List1->currentRow(), 1);
    QVERIFY(p.form2->Line1->X1() == rowX(0.01) && p.form2->Line2->Y1() == 5.0f);
    // Through a real mouse event: pixels to user units to the handler.
    moveOver(p.form2->Picture1, 1.0f, 7.0f);
    const float line2Y = p.form2->Line2->Y1();
    QVERIFY(std::fabs(line2Y - 7.0f) < 0.05f);
    QCOMPARE(p.form10->List1->currentRow(), 0);
    // On the fraction plot a little past halfway from 0.01 to 0.1 MeV: row 3, with Line4
    // instead of Line2, which stays.
    p.form2->Form2_Picture2_MouseMove(0, 0, (rowX(0.01) + rowX(0.1)) / 2 + 0.05f, 3.0f);
    QCOMPARE(p.form10->List1->currentRow(), 2);
    QVERIFY(p.form2->Line2->Visible() && p.form2->Line2->Y1() == line2Y);
    QVERIFY(p.form2->Line4->Visible() && p.form2->Line4->Y1() == 3.0f);
    QVERIFY(p.form2->Line1->X1() == rowX(0.1) && p.form2->Line3->X1() == rowX(0.1));
    QCOMPARE(p.form10->Text3->text(), QString("1.000E-01"));
}

void GraphWindowsTest::enlargedViewCollectsUntilClosed() {
    Program p;
    const QRgb black = qRgb(0, 0, 0);
    // Nothing to save yet.
    p.form3->Form3_Command1_Click();
    QCOMPARE(p.dialogs.messages(), std::vector<std::string>{" The graph is not drawn "});
    QCOMPARE(p.dialogs.shown[0].icon, platform::MessageIcon::Exclamation);
    QVERIFY(!p.context.windows.form7->isVisible());
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
    p.form3->Form3_Command1_Click(); // on to the image save dialog, without a message
    QCOMPARE(p.dialogs.messages().size(), std::size_t{1});

    // Close leaves an empty frame, drawn in the inside style the curves left in force.
    QtCanvas fresh(909, 861);
    graph::PrepareEnlargedCanvas(fresh);
    fresh.SetDrawStyle(platform::DrawStyle::InsideSolid);
    data::MaterialTable scratch;
    graph::DrawEnlargedFrame(fresh, scratch);
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
    QCOMPARE(countPixels(p.form3->Picture1->Image(), black), 0);
}

void GraphWindowsTest::enlargedViewButtonAndTitleBarClose() {
    Program p;
    QVERIFY(p.go("mix/air.mix3"));
    QCOMPARE(p.form2->Command1->text(), QString("Enlarged View"));
    QVERIFY(p.form2->Command1->isEnabled());
    p.form2->Form2_Command1_Click();
    QVERIFY(!p.form2->Command1->isEnabled());
    // Closing both windows from the title bar keeps the view as it is.
    const QImage view = p.form3->Picture1->Image();
    QVERIFY(p.form3->close() && p.form2->close());
    QCOMPARE(p.table.EnlargedViewUsed, 1);
    QCOMPARE(p.form3->windowTitle(), QString(kAirCaption));
    QCOMPARE(p.form3->Picture1->Image(), view);
    // The next GO offers to add, but keeps the button off while it lets events through.
    bool enabledDuringPass = true;
    p.launcher.onEventPass = [&] { enabledDuringPass = p.form2->Command1->isEnabled(); };
    QVERIFY(p.go("mix/water.mix3"));
    QVERIFY(!enabledDuringPass && p.form2->isVisible());
    QCOMPARE(p.form2->Command1->text(), QString("Add to Enlarged View"));
    QVERIFY(p.form2->Command1->isEnabled());
    p.form2->Form2_Command1_Click();
    QVERIFY(p.form3->isVisible());
    QCOMPARE(p.form3->windowTitle(), QString(kAirCaption) + "  & " + kWaterCaption);
}

QTEST_MAIN(GraphWindowsTest)
#include "GraphWindowsTest.moc"
