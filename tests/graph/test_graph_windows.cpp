// The real canvas's pixels, and GO, the read-out and the enlarged view through the windows.

#include "calc/Form10.h"
#include "export/Form7.h"
#include "fakes/WindowFixture.h"
#include "graph/Form2.h"
#include "graph/Form3.h"
#include "graph/GraphCoords.h"
#include "graph/Plots.h"
#include "platform/qt/QtCanvas.h"

#include <QMouseEvent>
#include <QPushButton>

#include <cmath>

namespace {

// 1 keV to 10 MeV by decades, pair production from 10 MeV on.
const std::vector<testing::TableRow> kFiveRows{{0.001, 1, 0.01, 1000, 0, 0},
                                               {0.01, 0.5, 0.1, 50, 0, 0},
                                               {0.1, 0.05, 0.15, 0.5, 0, 0},
                                               {1, 0.005, 0.07, 0.002, 0, 0},
                                               {10, 5e-5, 0.02, 1e-5, 0.01, 1e-4}};
const QString kAir = " Test Air   Density = 0.001205 [g/cm3]";
const QString kWater = " Test Water   Density = 1.000 [g/cm3]";
const QRgb kBlack = qRgb(0, 0, 0);

/// The program started on air, water (a row less), an empty and an unreadable material.
struct Graph : testing::WindowFixture {
    Form2* form2;
    Form3* form3;
    Form10* form10;
    Graph() {
        using testing::materialText;
        write("mix/air.mix3", materialText("Test Air", "0.00120479", kFiveRows));
        write("mix/water.mix3",
              materialText("Test Water", "1", {kFiveRows.begin(), kFiveRows.end() - 1}));
        write("mix/empty.mix3", materialText("Nothing", "1", {}));
        write("mix/short.mix3", "Short\r\n1\r\n4\r\n").start();
        form2 = windows().form2;
        form3 = windows().form3;
        form10 = windows().form10;
    }
    std::array<CanvasLine*, 4> lines() const {
        return {form2->Line1, form2->Line2, form2->Line3, form2->Line4};
    }
};

int countPixels(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += image.pixel(x, y) == colour ? 1 : 0;
        }
    }
    return n;
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
    void canvasPixels();
    void goFillsBothWindows();
    void failedAndEmptyLoads();
    void readoutRange_data();
    void readoutRange();
    void readoutFollowsTheNearestRow();
    void enlargedViewCollectsUntilClosed();
    void enlargedViewSurvivesTitleBarClose();
};

void GraphWindowsTest::canvasMapsUserUnitsToPixels_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPointF>("user");
    QTest::addColumn<QPoint>("pixel");
    // 909 / 13.5 = 67.33 pixels per x unit, 861 / 21 = 41 per y unit.
    QTest::newRow("enlarged plot origin") << QSize(909, 861) << QPointF(0, 0) << QPoint(101, 783);
    QTest::newRow("enlarged top-left") << QSize(909, 861) << QPointF(-1.5, 19.1) << QPoint(0, 0);
    QTest::newRow("enlarged box top right")
        << QSize(909, 861) << QPointF(11.5, 18.4) << QPoint(875, 29);
    QTest::newRow("graph plot origin") << QSize(661, 629) << QPointF(0, 0) << QPoint(73, 572);
    QTest::newRow("fraction plot top") << QSize(661, 277) << QPointF(11.5, 10) << QPoint(637, 13);
}

void GraphWindowsTest::canvasMapsUserUnitsToPixels() {
    QFETCH(QSize, size);
    QFETCH(QPointF, user);
    QFETCH(QPoint, pixel);
    QtCanvas canvas(size.width(), size.height());
    const bool fraction = size.height() == 277;
    canvas.SetScale(-1.5f, fraction ? 10.5f : 19.1f, 13.5f, fraction ? -11.0f : -21.0f);
    QCOMPARE(canvas.Image().size(), size);
    const auto x = static_cast<float>(user.x()), y = static_cast<float>(user.y());
    QCOMPARE(canvas.ToPixel(x, y), pixel);
    // The way back gives the point again, to within a pixel.
    const QPointF back = canvas.ToUser(QPointF(pixel));
    QVERIFY(std::fabs(back.x() - x) < 13.5 / size.width() && std::fabs(back.y() - y) < 0.05);
}

void GraphWindowsTest::canvasPixels() {
    QtCanvas view(909, 861);
    graph::PrepareEnlargedCanvas(view);
    data::MaterialTable table;
    graph::DrawEnlargedFrame(view, table);
    const QImage& image = view.Image();
    const QRgb navy = qRgb(0, 0, 128), grey = qRgb(100, 100, 100), white = qRgb(255, 255, 255);
    // The bottom band, the plot box's lower-left corner at user (0, 0), the decade line at
    // y = ln 10 and the one at 0.01 MeV.
    QCOMPARE(image.pixel(500, 850), navy);
    QVERIFY(image.pixel(101, 783) == white && image.pixel(99, 785) == navy);
    QCOMPARE(scan(image, QPoint(120, 687), QPoint(0, 1), 5, grey), QString("..#.."));
    const int decade = view.ToPixel(static_cast<float>(std::log(10.0)), 1.0f).x();
    QCOMPARE(scan(image, QPoint(decade - 2, 700), QPoint(1, 0), 5, grey), QString("..#.."));

    // A 2-pixel border centred on the box reaches one pixel out; the inside style keeps it in.
    QtCanvas box(40, 40); // one unit per pixel
    box.SetLineWidth(2);
    for (const auto& [style, across] :
         {std::pair{platform::DrawStyle::Solid, ".##...................##."},
          std::pair{platform::DrawStyle::InsideSolid, "..##.................##.."}}) {
        box.SetBackColor({0, 0, 0});
        box.Clear();
        box.SetDrawStyle(style);
        box.Box(10, 10, 30, 30, {255, 255, 255});
        QCOMPARE(scan(box.Image(), QPoint(8, 20), QPoint(1, 0), 25, white), QString(across));
    }

    // Text hangs right of and below the current point; ending the line goes back to the last
    // CurrentX, one line lower.
    QtCanvas text(200, 100);
    text.SetScale(0.0f, 10.0f, 20.0f, -10.0f); // 10 pixels per unit, y growing upwards
    text.SetBackColor({0, 0, 128});
    text.SetFontName("Times New Roman");
    text.SetFontSize(20.0f);
    text.Clear();
    text.SetCurrentX(5.0f);
    text.SetCurrentY(8.0f);
    text.Print("HI", true);
    QRect ink;
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 200; ++x) {
            ink |= text.Image().pixel(x, y) != navy ? QRect(x, y, 1, 1) : QRect();
        }
    }
    QVERIFY2(ink.top() >= 20 && ink.top() < 30 && ink.left() >= 50 && ink.left() < 55,
             qPrintable(QString("%1,%2").arg(ink.left()).arg(ink.top())));
    QVERIFY(text.CurrentX() > 6.0f && text.CurrentY() == 8.0f);
    text.Print("2", false);
    QVERIFY(text.CurrentX() == 5.0f && text.CurrentY() < 6.5f && text.CurrentY() > 4.0f);
}

void GraphWindowsTest::goFillsBothWindows() {
    Graph g;
    QVERIFY(!g.go(""));
    QCOMPARE(g.dialogs.messages(), std::vector<std::string>{"Select material "});
    QVERIFY(!g.form2->isVisible() && !g.form10->isVisible() && !g.form10->Text3->isEnabled());
    QVERIFY(g.go("mix/air.mix3"));
    QCOMPARE(g.dialogs.shown.size(), std::size_t{1});
    QVERIFY(g.form2->isVisible() && g.form10->isVisible() && g.form10->Text3->isEnabled());
    QVERIFY(g.form2->windowTitle() == kAir && g.form10->windowTitle() == kAir);
    QCOMPARE(g.launcher.eventPasses, 1);
    QCOMPARE(g.form10->List1->item(4)->text().toStdString(), " " + g.table.RowText[5]);
    QVERIFY(g.table.TotalMax == g.table.Total[1] && g.table.TotalMin == g.table.Total[5]);
    // The total curve runs white from the first row; the cross-hairs are not in the image.
    const QPoint firstRow = g.form2->Picture1->ToPixel(
        0.02f, static_cast<float>(graph::CoefficientY(g.table.Total[1])));
    QCOMPARE(g.form2->Picture1->Image().pixel(firstRow), qRgb(255, 255, 255));
    const QImage before = g.form2->Picture1->Image();
    g.form2->Line1->SetX1(5.0f);
    g.form2->Line1->SetX2(5.0f);
    g.form2->Line1->SetVisible(true);
    QCOMPARE(g.form2->Picture1->Image(), before);
    const QImage shown = g.form2->Picture1->grab().toImage();
    QCOMPARE(shown.pixel(g.form2->Picture1->ToPixel(5.0f, 9.0f)), qRgb(255, 255, 0));
}

void GraphWindowsTest::failedAndEmptyLoads() {
    Graph g;
    QVERIFY(g.go("mix/air.mix3"));
    testing::enter(g.form10->Text3, "0.5");
    const QString text5 = g.form10->Text5->text();
    const QImage plot = g.form2->Picture1->Image();
    // A file that cannot be read changes nothing.
    QVERIFY(!g.go("mix/short.mix3"));
    QCOMPARE(g.dialogs.messages().size(), std::size_t{1});
    QVERIFY(g.dialogs.messages()[0].find("short.mix3") != std::string::npos);
    QVERIFY(g.table.MaterialName == "Test Air" && g.table.RowCount == 5);
    QVERIFY(g.form2->windowTitle() == kAir && g.form10->windowTitle() == kAir);
    QVERIFY(g.form10->List1->count() == 5 && g.form10->Text5->text() == text5);
    QCOMPARE(g.form2->Picture1->Image(), plot);
    // An empty table draws frames only, though row 1 still holds the air's values.
    QVERIFY(g.go("mix/empty.mix3"));
    QCOMPARE(g.form10->List1->count(), 0);
    QCOMPARE(g.form2->windowTitle(), QString(" Nothing   Density = 1.000 [g/cm3]"));
    QtCanvas frame(661, 629);
    graph::PrepareGraphCanvas(frame);
    data::MaterialTable blank;
    graph::DrawGraphPlot(frame, blank);
    QCOMPARE(g.form2->Picture1->Image(), frame.Image());
    QCOMPARE(countPixels(g.form2->Picture2->Image(), qRgb(255, 0, 255)), 0);
    testing::enter(g.form10->Text3, "0.5");
    QCOMPARE(g.dialogs.messages().size(), std::size_t{2});
}

void GraphWindowsTest::readoutRange_data() {
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    QTest::addColumn<bool>("inside");
    QTest::newRow("just above the plot box") << 5.0f << 18.45f << true;
    QTest::newRow("upper limit") << 5.0f << 18.5f << true;
    QTest::newRow("above the limit") << 5.0f << 18.55f << false;
    QTest::newRow("right of the box") << 11.6f << 3.0f << false;
}

void GraphWindowsTest::readoutRange() {
    QFETCH(float, x);
    QFETCH(float, y);
    QFETCH(bool, inside);
    Graph g;
    QVERIFY(g.go("mix/air.mix3"));
    g.form2->Line4->SetVisible(true);
    g.form2->Form2_Picture1_MouseMove(0, 0, x, y);
    QCOMPARE(g.form2->Picture1->cursor().shape(), inside ? Qt::CrossCursor : Qt::ArrowCursor);
    // Line4 is left alone inside and hidden with the others outside.
    for (CanvasLine* line : g.lines()) {
        QCOMPARE(line->Visible(), inside);
    }
    QCOMPARE(g.form2->Line2->Y1() == y && g.form2->Line2->Y2() == y, inside);
}

void GraphWindowsTest::readoutFollowsTheNearestRow() {
    Graph g;
    QVERIFY(g.go("mix/air.mix3"));
    // Near row 2, twice: the vertical lines snap to the row both times.
    for (float offset : {0.2f, 0.3f}) {
        g.form2->Form2_Picture1_MouseMove(0, 0, rowX(0.01) + offset, 5.0f);
        QVERIFY(g.form10->List1->currentRow() == 1 && g.form2->Line1->X1() == rowX(0.01));
    }
    // Left of row 1 the pointer is a cross, but nothing else changes.
    g.form2->Form2_Picture1_MouseMove(0, 0, 0.0f, 6.0f);
    QCOMPARE(g.form2->Picture1->cursor().shape(), Qt::CrossCursor);
    QVERIFY(g.form10->List1->currentRow() == 1 && g.form2->Line2->Y1() == 5.0f);
    // Through a real mouse event: pixels to user units to the handler.
    const QPoint pixel = g.form2->Picture1->ToPixel(1.0f, 7.0f);
    QMouseEvent move(QEvent::MouseMove, QPointF(pixel),
                     g.form2->Picture1->mapToGlobal(QPointF(pixel)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(g.form2->Picture1, &move);
    const float line2Y = g.form2->Line2->Y1();
    QVERIFY(std::fabs(line2Y - 7.0f) < 0.05f && g.form10->List1->currentRow() == 0);
    // On the fraction plot a little past halfway from 0.01 to 0.1 MeV: row 3, with Line4
    // instead of Line2, which stays.
    g.form2->Form2_Picture2_MouseMove(0, 0, (rowX(0.01) + rowX(0.1)) / 2 + 0.05f, 3.0f);
    QCOMPARE(g.form10->List1->currentRow(), 2);
    QVERIFY(g.form2->Line2->Visible() && g.form2->Line2->Y1() == line2Y);
    QVERIFY(g.form2->Line4->Visible() && g.form2->Line4->Y1() == 3.0f);
    QVERIFY(g.form2->Line1->X1() == rowX(0.1) && g.form2->Line3->X1() == rowX(0.1));
    QCOMPARE(g.form10->Text3->text(), QString("1.000E-01"));
}

void GraphWindowsTest::enlargedViewCollectsUntilClosed() {
    Graph g;
    g.form3->Form3_Command1_Click(); // nothing to save yet
    QCOMPARE(g.dialogs.messages(), std::vector<std::string>{" The graph is not drawn "});
    QVERIFY(!g.windows().form7->isVisible());
    QVERIFY(g.go("mix/air.mix3"));
    g.form2->Form2_Command1_Click();
    QVERIFY(g.form3->isVisible() && g.form3->windowTitle() == kAir);
    QCOMPARE(g.table.EnlargedViewUsed, 1);
    // The first material gets no circles; the total curve's would be black.
    QCOMPARE(countPixels(g.form3->Picture1->Image(), kBlack), 0);
    QVERIFY(g.go("mix/water.mix3"));
    g.form2->Form2_Command1_Click();
    QCOMPARE(g.form3->windowTitle(), kAir + "  & " + kWater);
    QVERIFY(countPixels(g.form3->Picture1->Image(), kBlack) > 0);
    g.form3->Form3_Command1_Click(); // on to the image save dialog, without a message
    QCOMPARE(g.dialogs.messages().size(), std::size_t{1});
    // Close leaves an empty frame, drawn in the inside style the curves left in force.
    QtCanvas fresh(909, 861);
    graph::PrepareEnlargedCanvas(fresh);
    fresh.SetDrawStyle(platform::DrawStyle::InsideSolid);
    data::MaterialTable scratch;
    graph::DrawEnlargedFrame(fresh, scratch);
    g.form3->Form3_Command2_Click();
    QVERIFY(!g.form3->isVisible() && g.form3->windowTitle().isEmpty());
    QVERIFY(g.table.EnlargedViewUsed == 0 && g.form2->Command1->isEnabled());
    QCOMPARE(g.form2->Command1->text(), QString("Enlarged View"));
    QCOMPARE(g.form3->Picture1->Image(), fresh.Image());
    // The next click shows the last material alone, without circles.
    g.form2->Form2_Command1_Click();
    QCOMPARE(g.form3->windowTitle(), kWater);
    QCOMPARE(countPixels(g.form3->Picture1->Image(), kBlack), 0);
}

void GraphWindowsTest::enlargedViewSurvivesTitleBarClose() {
    Graph g;
    QVERIFY(g.go("mix/air.mix3"));
    g.form2->Form2_Command1_Click();
    QVERIFY(!g.form2->Command1->isEnabled());
    const QImage view = g.form3->Picture1->Image();
    QVERIFY(g.form3->close() && g.form2->close());
    QVERIFY(g.table.EnlargedViewUsed == 1 && g.form3->windowTitle() == kAir);
    QCOMPARE(g.form3->Picture1->Image(), view);
    // The next GO offers to add, but keeps the button off while it lets events through.
    bool enabledDuringPass = true;
    g.launcher.onEventPass = [&] { enabledDuringPass = g.form2->Command1->isEnabled(); };
    QVERIFY(g.go("mix/water.mix3"));
    QVERIFY(!enabledDuringPass && g.form2->Command1->isEnabled());
    QCOMPARE(g.form2->Command1->text(), QString("Add to Enlarged View"));
}

QTEST_MAIN(GraphWindowsTest)
#include "test_graph_windows.moc"
