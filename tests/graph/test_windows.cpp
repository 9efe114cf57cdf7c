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

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// 1 keV to 1 MeV by decades.
const std::vector<testing::TableRow> kFourRows{{0.001, 1, 0.01, 1000, 0, 0},
                                               {0.01, 0.5, 0.1, 50, 0, 0},
                                               {0.1, 0.05, 0.15, 0.5, 0, 0},
                                               {1, 0.005, 0.07, 0.002, 0, 0}};
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
        write("mix/air.mix3", materialText("Test Air", "0.00120479", kFourRows))
            .write("mix/water.mix3",
                   materialText("Test Water", "1", {kFourRows.begin(), kFourRows.end() - 1}))
            .write("mix/empty.mix3", materialText("Nothing", "1", {}))
            .write("mix/short.mix3", "Short\r\n1\r\n4\r\n")
            .start();
        form2 = windows().form2;
        form3 = windows().form3;
        form10 = windows().form10;
    }
    int black() const {
        const QImage image = form3->Picture1->Image().convertToFormat(QImage::Format_RGB32);
        const auto* pixels = reinterpret_cast<const QRgb*>(image.constBits());
        return static_cast<int>(
            std::count(pixels, pixels + image.width() * image.height(), kBlack));
    }
};

// Where the read-out puts a row of the given energy.
float rowX(double energyMeV) { return static_cast<float>(std::log(energyMeV) + 6.909); }

} // namespace

class GraphWindowsTest : public QObject {
    Q_OBJECT

  private slots:
    void canvasPixels();
    void circlePen_data();
    void circlePen();
    void fontSizeKeepsTheLastUsableOne_data();
    void fontSizeKeepsTheLastUsableOne();
    void goReadoutAndFailedLoads();
    void enlargedViewCollectsUntilClosed();
};

void GraphWindowsTest::canvasPixels() {
    QtCanvas view(909, 861);
    graph::PrepareEnlargedCanvas(view);
    data::MaterialTable table;
    graph::DrawEnlargedFrame(view, table);
    const QImage& image = view.Image();
    // 909 / 13.5 = 67.33 pixels per x unit and 861 / 21 = 41 per y unit from the top-left.
    QVERIFY(view.ToPixel(-1.5f, 19.1f) == QPoint(0, 0) &&
            view.ToPixel(11.5f, 18.4f) == QPoint(875, 29));
    // The bottom band, the box's corner at user (0, 0), decade lines at y = ln 10 and 0.01 MeV.
    QVERIFY(image.pixel(500, 850) == kNavy && image.pixel(99, 785) == kNavy);
    QCOMPARE(image.pixel(101, 783), kWhite);
    const QRgb grey = qRgb(100, 100, 100);
    const int decade = view.ToPixel(static_cast<float>(std::log(10.0)), 1.0f).x();
    QVERIFY(image.pixel(120, 688) != grey && image.pixel(120, 689) == grey &&
            image.pixel(120, 690) != grey);
    QVERIFY(image.pixel(decade - 1, 700) != grey && image.pixel(decade, 700) == grey &&
            image.pixel(decade + 1, 700) != grey);
    // A scale with a corner that is not finite (the logarithm of a zero value) keeps the last.
    QtCanvas small(100, 100);
    small.SetScale(0, 0, 10, 10);
    small.SetScale(0, -std::numeric_limits<float>::infinity(), 10, 10);
    small.SetScale(std::numeric_limits<float>::quiet_NaN(), 0, 20, 20);
    QCOMPARE(small.ToPixel(5, 5), QPoint(50, 50));
    // Text continued on its line goes on to the right of what was printed.
    small.SetCurrentX(1);
    small.Print("W", true);
    QVERIFY(small.CurrentX() > 1.5f);
}

// A circle of radius 20 pixels drawn with a pen 5 wide: the plain pen straddles the circle
// (17.5 to 22.5 pixels out), the inside pen keeps within it (15 to 20).
void GraphWindowsTest::circlePen_data() {
    QTest::addColumn<bool>("inside");
    QTest::addColumn<int>("offset"); // pixels right of the centre
    QTest::addColumn<bool>("inked");
    QTest::newRow("plain pen, past the circle") << false << 21 << true;
    QTest::newRow("plain pen, within its inner edge") << false << 16 << false;
    QTest::newRow("inside pen, within the circle") << true << 16 << true;
}

void GraphWindowsTest::circlePen() {
    QFETCH(bool, inside);
    QFETCH(int, offset);
    QFETCH(bool, inked);
    QtCanvas view(100, 100); // one user unit is one pixel
    view.SetLineWidth(5);
    view.SetDrawStyle(inside ? platform::DrawStyle::InsideSolid : platform::DrawStyle::Solid);
    view.Circle(50, 50, 20, {0, 0, 0});
    QCOMPARE(view.Image().pixel(50 + offset, 50) == kBlack, inked);
    QCOMPARE(view.Image().pixel(50 - offset, 50) == kBlack, inked);
}

// A size a text cannot be drawn in (from a window shrunk to nothing, say) leaves the last one.
void GraphWindowsTest::fontSizeKeepsTheLastUsableOne_data() {
    QTest::addColumn<float>("size");
    QTest::addColumn<float>("kept");
    QTest::newRow("a size") << 9.0f << 9.0f;
    QTest::newRow("zero") << 0.0f << 12.0f;
    QTest::newRow("negative") << -3.0f << 12.0f;
    QTest::newRow("not a number") << std::numeric_limits<float>::quiet_NaN() << 12.0f;
}

void GraphWindowsTest::fontSizeKeepsTheLastUsableOne() {
    QFETCH(float, size);
    QFETCH(float, kept);
    QtCanvas view(10, 10);
    view.SetFontSize(12.0f);
    view.SetFontSize(size);
    QCOMPARE(view.FontSize(), kept);
}

void GraphWindowsTest::goReadoutAndFailedLoads() {
    Graph g;
    QVERIFY(!g.go(""));
    QCOMPARE(g.dialogs.messages(), std::vector<std::string>{"Select material "});
    QVERIFY(!g.form2->isVisible() && !g.form10->isVisible() && !g.form10->Text3->isEnabled());
    QVERIFY(g.go("mix/air.mix3") && g.launcher.eventPasses == 1);
    QVERIFY(g.form2->isVisible() && g.form10->isVisible() && g.form10->Text3->isEnabled());
    QVERIFY(g.form2->windowTitle() == kAir && g.form10->windowTitle() == kAir);
    // The total curve runs white from the first row; the cross-hairs are not in the image.
    const QImage plot = g.form2->Picture1->Image();
    const QPoint firstRow = g.form2->Picture1->ToPixel(0.02f, std::log(1001.01f) + 9.21f);
    QCOMPARE(plot.pixel(firstRow), kWhite);
    g.form2->Line1->SetVisible(true);
    QCOMPARE(g.form2->Picture1->Image(), plot);
    // Near row 2 the vertical lines snap to the row; left of row 1 nothing more changes.
    g.form2->Form2_Picture1_MouseMove(0, 0, rowX(0.01) + 0.2f, 5.0f);
    g.form2->Form2_Picture1_MouseMove(0, 0, 0.0f, 6.0f);
    QCOMPARE(g.form2->Picture1->cursor().shape(), Qt::CrossCursor);
    QVERIFY(g.form10->List1->currentRow() == 1 && g.form2->Line1->X1() == rowX(0.01));
    // Through a real mouse event: pixels to user units to the handler.
    const QPoint pixel = g.form2->Picture1->ToPixel(1.0f, 7.0f);
    QMouseEvent move(QEvent::MouseMove, QPointF(pixel),
                     g.form2->Picture1->mapToGlobal(QPointF(pixel)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(g.form2->Picture1, &move);
    const float line2Y = g.form2->Line2->Y1();
    QVERIFY(std::fabs(line2Y - 7.0f) < 0.05f && g.form10->List1->currentRow() == 0);
    // Past halfway from 0.01 to 0.1 MeV on the fraction plot: row 3, Line4 moves, Line2 stays.
    g.form2->Form2_Picture2_MouseMove(0, 0, (rowX(0.01) + rowX(0.1)) / 2 + 0.05f, 3.0f);
    QCOMPARE(g.form10->List1->currentRow(), 2);
    QVERIFY(g.form2->Line2->Y1() == line2Y && g.form2->Line4->Y1() == 3.0f);
    QVERIFY(g.form2->Line3->X1() == rowX(0.1) && g.form10->Text3->text() == "1.000E-01");
    // Off the plot the pointer is an arrow and the lines hide.
    g.form2->Form2_Picture1_MouseMove(0, 0, 5.0f, 18.55f);
    QCOMPARE(g.form2->Picture1->cursor().shape(), Qt::ArrowCursor);
    QVERIFY(!g.form2->Line1->Visible() && !g.form2->Line4->Visible());
    // A file that cannot be read changes nothing.
    QVERIFY(!g.go("mix/short.mix3"));
    QVERIFY(g.dialogs.messages().at(1).find("short.mix3") != std::string::npos);
    QVERIFY(g.table.RowCount == 4 && g.form2->windowTitle() == kAir &&
            g.form10->List1->count() == 4 && g.form2->Picture1->Image() == plot);
    // An empty table draws the frames only, though row 1 still holds the air's values.
    QVERIFY(g.go("mix/empty.mix3"));
    QCOMPARE(g.form2->windowTitle(), QString(" Nothing   Density = 1.000 [g/cm3]"));
    QVERIFY(g.form10->List1->count() == 0 && g.form2->Picture1->Image().pixel(firstRow) != kWhite);
}

void GraphWindowsTest::enlargedViewCollectsUntilClosed() {
    Graph g;
    g.form3->Form3_Command1_Click(); // nothing to save yet
    QCOMPARE(g.dialogs.messages(), std::vector<std::string>{" The graph is not drawn "});
    QVERIFY(!g.windows().form7->isVisible());
    QVERIFY(g.go("mix/air.mix3"));
    g.form2->Form2_Command1_Click();
    QVERIFY(g.form3->isVisible() && g.form3->windowTitle() == kAir);
    // The first material gets no circles (the total's would be black) and no second click.
    QVERIFY(g.black() == 0 && !g.form2->Command1->isEnabled());
    // Both windows closed by their title bars keep the view; the next GO offers to add.
    QVERIFY(g.form3->close() && g.form2->close());
    QVERIFY(g.go("mix/water.mix3") && g.form2->Command1->isEnabled());
    QCOMPARE(g.form2->Command1->text(), QString("Add to Enlarged View"));
    g.form2->Form2_Command1_Click();
    QVERIFY(g.form3->windowTitle() == kAir + "  & " + kWater && g.black() > 0);
    g.form3->Form3_Command1_Click(); // on to the image save dialog, without a message
    QCOMPARE(g.dialogs.messages().size(), std::size_t{1});
    // Close leaves an empty frame.
    g.form3->Form3_Command2_Click();
    QVERIFY(!g.form3->isVisible() && g.form3->windowTitle().isEmpty() && g.black() == 0);
    QVERIFY(g.table.EnlargedViewUsed == 0 && g.form2->Command1->isEnabled());
    QCOMPARE(g.form2->Command1->text(), QString("Enlarged View"));
    // The next click shows the last material alone, without circles.
    g.form2->Form2_Command1_Click();
    QVERIFY(g.form3->windowTitle() == kWater && g.black() == 0);
}

QTEST_MAIN(GraphWindowsTest)
#include "test_windows.moc"
