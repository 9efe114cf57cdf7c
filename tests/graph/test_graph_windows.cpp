// The real canvas's pixels, and GO, the read-out and the enlarged view through the windows.

#include "calc/Form10.h"
#include "export/Form7.h"
#include "fakes/WindowFixture.h"
#include "graph/Form2.h"
#include "graph/Form3.h"
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
const QRgb kNavy = qRgb(0, 0, 128), kWhite = qRgb(255, 255, 255), kBlack = qRgb(0, 0, 0);

/// The program started on air, water (a row less), an empty and an unreadable material.
struct Graph : testing::WindowFixture {
    Form2* form2;
    Form3* form3;
    Form10* form10;
    Graph() {
        using testing::materialText;
        write("mix/air.mix3", materialText("Test Air", "0.00120479", kFiveRows))
            .write("mix/water.mix3",
                   materialText("Test Water", "1", {kFiveRows.begin(), kFiveRows.end() - 1}))
            .write("mix/empty.mix3", materialText("Nothing", "1", {}))
            .write("mix/short.mix3", "Short\r\n1\r\n4\r\n")
            .start();
        form2 = windows().form2;
        form3 = windows().form3;
        form10 = windows().form10;
    }
    int black() const {
        int n = 0;
        const QImage& image = form3->Picture1->Image();
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                n += image.pixel(x, y) == kBlack ? 1 : 0;
            }
        }
        return n;
    }
};

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
    void canvasPixels();
    void goAndFailedLoads();
    void readout();
    void enlargedViewCollectsUntilClosed();
};

void GraphWindowsTest::canvasPixels() {
    QtCanvas view(909, 861);
    graph::PrepareEnlargedCanvas(view);
    data::MaterialTable table;
    graph::DrawEnlargedFrame(view, table);
    const QImage& image = view.Image();
    // 909 / 13.5 = 67.33 pixels per x unit and 861 / 21 = 41 per y unit from the top-left.
    QCOMPARE(view.ToPixel(-1.5f, 19.1f), QPoint(0, 0));
    QCOMPARE(view.ToPixel(11.5f, 18.4f), QPoint(875, 29));
    // The bottom band, the plot box's corner at user (0, 0), the decade lines at y = ln 10 and
    // at 0.01 MeV.
    QVERIFY(image.pixel(500, 850) == kNavy && image.pixel(99, 785) == kNavy);
    QCOMPARE(image.pixel(101, 783), kWhite);
    const QRgb grey = qRgb(100, 100, 100);
    QCOMPARE(scan(image, QPoint(120, 687), QPoint(0, 1), 5, grey), QString("..#.."));
    const int decade = view.ToPixel(static_cast<float>(std::log(10.0)), 1.0f).x();
    QCOMPARE(scan(image, QPoint(decade - 2, 700), QPoint(1, 0), 5, grey), QString("..#.."));

    // A 2-pixel border centred on the box reaches one pixel out; the inside style keeps it in.
    QtCanvas box(40, 40); // one unit per pixel
    box.SetLineWidth(2);
    box.SetBackColor({0, 0, 0});
    for (const auto& [style, across] :
         {std::pair{platform::DrawStyle::Solid, ".##...................##."},
          std::pair{platform::DrawStyle::InsideSolid, "..##.................##.."}}) {
        box.SetDrawStyle(style);
        box.Clear();
        box.Box(10, 10, 30, 30, {255, 255, 255});
        QCOMPARE(scan(box.Image(), QPoint(8, 20), QPoint(1, 0), 25, kWhite), QString(across));
    }

    // Text hangs right of and below the current point; ending the line goes back to the last
    // CurrentX, one line lower.
    QtCanvas text(200, 100);
    text.SetScale(0.0f, 10.0f, 20.0f, -10.0f); // 10 pixels per unit, y growing upwards
    text.SetFontSize(20.0f);
    text.SetCurrentX(5.0f);
    text.SetCurrentY(8.0f);
    text.Print("HI", true);
    QRect ink;
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 200; ++x) {
            ink |=
                text.Image().pixel(x, y) != text.Image().pixel(0, 0) ? QRect(x, y, 1, 1) : QRect();
        }
    }
    QVERIFY2(ink.top() >= 20 && ink.top() < 30 && ink.left() >= 50 && ink.left() < 55,
             qPrintable(QString("%1,%2").arg(ink.left()).arg(ink.top())));
    QVERIFY(text.CurrentX() > 6.0f && text.CurrentY() == 8.0f);
    text.Print("2", false);
    QVERIFY(text.CurrentX() == 5.0f && text.CurrentY() < 6.5f && text.CurrentY() > 4.0f);
}

void GraphWindowsTest::goAndFailedLoads() {
    Graph g;
    QVERIFY(!g.go(""));
    QCOMPARE(g.dialogs.messages(), std::vector<std::string>{"Select material "});
    QVERIFY(!g.form2->isVisible() && !g.form10->isVisible() && !g.form10->Text3->isEnabled());
    QVERIFY(g.go("mix/air.mix3"));
    QVERIFY(g.form2->isVisible() && g.form10->isVisible() && g.form10->Text3->isEnabled());
    QVERIFY(g.form2->windowTitle() == kAir && g.form10->windowTitle() == kAir);
    QVERIFY(g.launcher.eventPasses == 1 && g.form10->List1->count() == 5);
    // The total curve runs white from the first row; the cross-hairs are not in the image.
    const QImage plot = g.form2->Picture1->Image();
    const QPoint firstRow = g.form2->Picture1->ToPixel(0.02f, std::log(1001.01f) + 9.21f);
    QCOMPARE(plot.pixel(firstRow), kWhite);
    g.form2->Line1->SetX1(5.0f);
    g.form2->Line1->SetX2(5.0f);
    g.form2->Line1->SetVisible(true);
    QCOMPARE(g.form2->Picture1->Image(), plot);
    const QImage shown = g.form2->Picture1->grab().toImage();
    QCOMPARE(shown.pixel(g.form2->Picture1->ToPixel(5.0f, 9.0f)), qRgb(255, 255, 0));
    // A file that cannot be read changes nothing.
    QVERIFY(!g.go("mix/short.mix3"));
    QVERIFY(g.dialogs.messages().size() == 2 &&
            g.dialogs.messages()[1].find("short.mix3") != std::string::npos);
    QVERIFY(g.table.RowCount == 5 && g.form2->windowTitle() == kAir &&
            g.form10->windowTitle() == kAir && g.form10->List1->count() == 5);
    QCOMPARE(g.form2->Picture1->Image(), plot);
    // An empty table draws the frames only, though row 1 still holds the air's values.
    QVERIFY(g.go("mix/empty.mix3"));
    QCOMPARE(g.form2->windowTitle(), QString(" Nothing   Density = 1.000 [g/cm3]"));
    QCOMPARE(g.form10->List1->count(), 0);
    QVERIFY(g.form2->Picture1->Image().pixel(firstRow) != kWhite);
}

void GraphWindowsTest::readout() {
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
    // Off the plot the pointer is an arrow and every line hides.
    g.form2->Form2_Picture1_MouseMove(0, 0, 5.0f, 18.55f);
    QCOMPARE(g.form2->Picture1->cursor().shape(), Qt::ArrowCursor);
    for (CanvasLine* line : {g.form2->Line1, g.form2->Line2, g.form2->Line3, g.form2->Line4}) {
        QVERIFY(!line->Visible());
    }
}

void GraphWindowsTest::enlargedViewCollectsUntilClosed() {
    Graph g;
    g.form3->Form3_Command1_Click(); // nothing to save yet
    QCOMPARE(g.dialogs.messages(), std::vector<std::string>{" The graph is not drawn "});
    QVERIFY(!g.windows().form7->isVisible());
    QVERIFY(g.go("mix/air.mix3"));
    g.form2->Form2_Command1_Click();
    QVERIFY(g.form3->isVisible() && g.form3->windowTitle() == kAir);
    QVERIFY(g.table.EnlargedViewUsed == 1 && !g.form2->Command1->isEnabled());
    QCOMPARE(g.black(), 0); // the first material gets no circles; the total's would be black
    // Both windows closed by their title bars keep the view; the next GO offers to add, but
    // keeps the button off while it lets events through.
    QVERIFY(g.form3->close() && g.form2->close());
    bool enabledDuringPass = true;
    g.launcher.onEventPass = [&] { enabledDuringPass = g.form2->Command1->isEnabled(); };
    QVERIFY(g.go("mix/water.mix3"));
    QVERIFY(!enabledDuringPass && g.form2->Command1->isEnabled());
    QCOMPARE(g.form2->Command1->text(), QString("Add to Enlarged View"));
    g.form2->Form2_Command1_Click();
    QCOMPARE(g.form3->windowTitle(), kAir + "  & " + kWater);
    QVERIFY(g.black() > 0);
    g.form3->Form3_Command1_Click(); // on to the image save dialog, without a message
    QCOMPARE(g.dialogs.messages().size(), std::size_t{1});
    // Close leaves an empty frame, drawn in the inside style the curves left in force.
    QtCanvas fresh(909, 861);
    graph::PrepareEnlargedCanvas(fresh);
    fresh.SetDrawStyle(platform::DrawStyle::InsideSolid);
    graph::DrawEnlargedFrame(fresh, g.table);
    g.table.EnlargedViewUsed = 1;
    g.form3->Form3_Command2_Click();
    QVERIFY(!g.form3->isVisible() && g.form3->windowTitle().isEmpty());
    QVERIFY(g.table.EnlargedViewUsed == 0 && g.form2->Command1->isEnabled());
    QCOMPARE(g.form2->Command1->text(), QString("Enlarged View"));
    QCOMPARE(g.form3->Picture1->Image(), fresh.Image());
    // The next click shows the last material alone, without circles.
    g.form2->Form2_Command1_Click();
    QVERIFY(g.form3->windowTitle() == kWater && g.black() == 0);
}

QTEST_MAIN(GraphWindowsTest)
#include "test_graph_windows.moc"
