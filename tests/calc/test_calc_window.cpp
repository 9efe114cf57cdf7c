// The calculator window after GO, driven through its boxes, list and buttons.

#include "calc/Form10.h"
#include "export/Form8.h"
#include "fakes/WindowFixture.h"
#include "graph/Form2.h"
#include "platform/qt/QtCanvas.h"

#include <QLocale>
#include <QPushButton>

#include <clocale>
#include <cmath>

namespace {

// Totals: 1001.01, 50.6, 1.25, then an edge up to 3000.25, falling to 0.0301 at 10 MeV and
// rising again with pair production; the last row lies above 100 MeV.
const std::vector<testing::TableRow> kRows{
    {0.001, 1, 0.01, 1000, 0, 0},       {0.01, 0.5, 0.1, 50, 0, 0},
    {0.05, 0.1, 0.15, 1, 0, 0},         {0.05, 0.1, 0.15, 3000, 0, 0},
    {0.1, 0.05, 0.15, 500, 0, 0},       {1, 0.005, 0.07, 0.002, 0, 0},
    {10, 5e-5, 0.02, 1e-5, 0.01, 1e-4}, {1000, 5e-7, 0.005, 1e-7, 0.05, 0.02}};

/// The program after GO on that material (or only started), with the calculator at hand.
struct Calc : testing::WindowFixture {
    Form10* form10 = nullptr;
    Form2* form2 = nullptr;

    explicit Calc(bool go = true) {
        write("mix/calc.mix3", testing::materialText("Calc Test", "2.5", kRows)).start();
        form10 = windows().form10;
        form2 = windows().form2;
        if (go && !WindowFixture::go("mix/calc.mix3")) {
            qFatal("GO failed");
        }
    }
    std::array<QLineEdit*, 7> boxes() const {
        return {form10->Text3, form10->Text4, form10->Text5, form10->Text6,
                form10->Text7, form10->Text8, form10->Text9};
    }
    QStringList texts() const {
        QStringList out;
        for (QLineEdit* box : boxes()) {
            out << box->text();
        }
        return out;
    }
};

// Box texts Text3, Text4, Text5 ... Text9, blank-separated; "-" for an empty box, "*" for one
// that holds a new value of no interest here.
QStringList boxes(const char* spaced) {
    QStringList out = QString(spaced).split(' ');
    for (QString& text : out) {
        text = text == "-" ? QString() : text;
    }
    return out;
}

float rowX(double energyMeV) { return static_cast<float>(std::log(energyMeV) + 6.909); }

} // namespace

class CalcWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        // Typed numbers use the point whatever the user's locale says.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        std::setlocale(LC_ALL, "de_DE.UTF-8"); // where installed; the Qt default always is
    }
    void startupDisablesTheBoxes();
    void entry_data();
    void entry();
    void markersAfterAComputation();
    void listClick_data();
    void listClick();
    void goShowsTheListFromItsFirstLine();
    void arrowAndCsvButtons();
};

void CalcWindowTest::startupDisablesTheBoxes() {
    Calc c(false);
    for (const char* name : {"Text3", "Text4", "Text9", "Label11", "Label25", "Label32"}) {
        QVERIFY2(!testing::control<QWidget>(c.form10, name)->isEnabled(), name);
    }
    QCOMPARE(c.form10->Command5->toolTip(), QString::fromUtf8("エクセル CSV形式で保存"));
    QCOMPARE(c.form10->Text4->toolTip(), QString::fromUtf8(" Input μ/ρ "));
}

void CalcWindowTest::entry_data() {
    QTest::addColumn<bool>("energy");   // typed into Text3, else into Text4
    QTest::addColumn<QString>("typed"); // a leading '~': typed without Enter
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("message");
    const QString range = "This value is out of range.";
    const QStringList untouched = boxes("old old old old old old old");
    // At 1 MeV the table's row 6 comes back as it stands (total 0.077).
    QTest::newRow("tabulated energy")
        << true << "1"
        << boxes("1.000E+00 7.700E-02 5.000E-03 7.000E-02 2.000E-03 0.000E+00 0.000E+00") << "";
    QTest::newRow("energy formatted back") << true << "0.5" << boxes("5.000E-01 * * * * * *") << "";
    QTest::newRow("blanks and exponent")
        << true << " 1 E-2 " << boxes("1.000E-02 5.060E+01 * * * * *") << "";
    QTest::newRow("lowest energy")
        << true << "0.001" << boxes("1.000E-03 1.001E+03 * * * * *") << "";
    QTest::newRow("typing without Enter computes nothing") << true << "~0.5" << untouched << "";
    // A refused energy empties the two entry boxes only.
    QTest::newRow("energy not a number")
        << true << "abc" << boxes("- - old old old old old") << range;
    QTest::newRow("comma is no decimal point")
        << true << "0,5" << boxes("- - old old old old old") << range;
    QTest::newRow("below 1 keV") << true << "0.000999" << boxes("- - old old old old old") << range;
    QTest::newRow("total between rows 2 and 3")
        << false << "10" << boxes("* 1.000E+01 * * * 0.000E+00 0.000E+00") << "";
    QTest::newRow("total of row 6 exactly")
        << false << "0.077" << boxes("1.000E+00 7.700E-02 5.000E-03 * * * *") << "";
    // A refused total empties every box.
    QTest::newRow("above the largest total") << false << "5000" << boxes("- - - - - - -") << range;
    QTest::newRow("total not a number") << false << "x1" << boxes("- - - - - - -") << range;
    // Above row 1 but below the edge's maximum: the line through rows 1 and 2 leads below 1 keV;
    // only the typed total is emptied.
    QTest::newRow("beyond the first row")
        << false << "2000" << boxes("old - old old old old old") << "Calculation error";
}

void CalcWindowTest::entry() {
    QFETCH(bool, energy);
    QFETCH(QString, typed);
    QFETCH(QStringList, boxes);
    QFETCH(QString, message);
    Calc c;
    for (QLineEdit* box : c.boxes()) {
        box->setText("old");
    }
    QLineEdit* box = energy ? c.form10->Text3 : c.form10->Text4;
    if (typed.startsWith('~')) {
        box->clear();
        QTest::keyClicks(box, typed.mid(1));
        QCOMPARE(box->text(), typed.mid(1));
        box->setText("old");
    } else {
        testing::enter(box, typed);
    }
    QStringList texts = c.texts();
    for (qsizetype i = 0; i < texts.size(); ++i) {
        const bool fresh = texts[i] != "old" && !texts[i].isEmpty();
        texts[i] = boxes[i] == "*" && fresh ? "*" : texts[i];
    }
    QCOMPARE(texts, boxes);
    QCOMPARE(c.dialogs.messages(),
             message.isEmpty() ? std::vector<std::string>{} : std::vector{message.toStdString()});
    for (const testing::ShownDialog& shown : c.dialogs.shown) {
        QCOMPARE(shown.icon, platform::MessageIcon::Exclamation);
        QCOMPARE(shown.title, std::string("Zelna7LL_sub1"));
    }
}

void CalcWindowTest::markersAfterAComputation() {
    Calc c;
    c.form2->Line4->SetY1(4.0f);
    testing::enter(c.form10->Text3, "0.5");
    for (CanvasLine* line : {c.form2->Line1, c.form2->Line3}) {
        QVERIFY(line->X1() == rowX(0.5) && line->X2() == rowX(0.5) && line->Visible());
    }
    // The horizontal line sits at the interpolated total shown in Text4.
    const double shownTotal = c.form10->Text4->text().toDouble();
    QVERIFY(std::fabs(std::exp(c.form2->Line2->Y1() - 9.212) / shownTotal - 1) < 1e-3);
    QVERIFY(c.form2->Line2->Visible());
    QVERIFY(!c.form2->Line4->Visible() && c.form2->Line4->Y1() == 4.0f);
    // After a total, the line sits at the typed value itself.
    testing::enter(c.form10->Text4, "10");
    QCOMPARE(c.form2->Line2->Y1(), static_cast<float>(std::log(10.0) + 9.212));
}

void CalcWindowTest::listClick_data() {
    QTest::addColumn<int>("line");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<bool>("moves");
    QTest::newRow("first line")
        << 0 << boxes("1.000E-03 1.001E+03 1.000E+00 1.000E-02 1.000E+03 0.000E+00 0.000E+00")
        << true;
    QTest::newRow("pair production")
        << 6 << boxes("1.000E+01 3.016E-02 5.000E-05 2.000E-02 1.000E-05 1.000E-02 1.000E-04")
        << true;
    QTest::newRow("above 100 MeV")
        << 7 << boxes("1.000E+03 7.500E-02 5.000E-07 5.000E-03 1.000E-07 5.000E-02 2.000E-02")
        << false;
}

void CalcWindowTest::listClick() {
    QFETCH(int, line);
    QFETCH(QStringList, boxes);
    QFETCH(bool, moves);
    Calc c;
    c.form2->Line2->SetY1(3.0f);
    c.form2->Line1->SetX1(1.0f);
    testing::clickRow(c.form10->List1, line);
    QCOMPARE(c.form10->List1->currentRow(), line);
    QCOMPARE(c.texts(), boxes);
    // The vertical lines go to the row's energy up to 100 MeV; the horizontal one stays.
    const float x = rowX(c.table.Energy[static_cast<std::size_t>(line) + 1]);
    QCOMPARE(c.form2->Line1->X1() == x && c.form2->Line3->X1() == x, moves);
    QCOMPARE(c.form2->Line1->Visible(), moves);
    QVERIFY(c.form2->Line2->Y1() == 3.0f && !c.form2->Line2->Visible());
}

void CalcWindowTest::goShowsTheListFromItsFirstLine() {
    // Long enough to scroll: the list shows some ten lines.
    std::vector<testing::TableRow> rows;
    for (int k = 0; k < 60; ++k) {
        rows.push_back({0.001 * std::pow(1.2, k), 1, 1, 1, 0, 0});
    }
    Calc c;
    c.write("mix/long.mix3", testing::materialText("Long", "1", rows));
    QVERIFY(c.go("mix/long.mix3"));
    testing::clickRow(c.form10->List1, 59);
    QVERIFY(c.form10->List1->indexAt(QPoint(2, 2)).row() > 0);
    QVERIFY(c.go("mix/long.mix3"));
    QCOMPARE(c.form10->List1->indexAt(QPoint(2, 2)).row(), 0);
}

void CalcWindowTest::arrowAndCsvButtons() {
    Calc c;
    for (QPushButton* arrow : {c.form10->Command1, c.form10->Command3}) {
        for (QLineEdit* box : c.boxes()) {
            box->setText("1");
        }
        QTest::mouseClick(arrow, Qt::LeftButton);
        QCOMPARE(c.texts(), QStringList(7, QString()));
    }
    QVERIFY(!c.windows().form8->isVisible());
    QTest::mouseClick(c.form10->Command5, Qt::LeftButton);
    QVERIFY(c.windows().form8->isVisible());
}

QTEST_MAIN(CalcWindowTest)
#include "test_calc_window.moc"
