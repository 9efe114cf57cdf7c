// The calculator window after GO, driven through its boxes, list and buttons.

#include "calc/Form10.h"
#include "export/Form8.h"
#include "fakes/WindowFixture.h"
#include "graph/Form2.h"
#include "platform/qt/QtCanvas.h"

#include <QLocale>
#include <QPushButton>
#include <QScrollBar>

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

float rowX(double energyMeV) { return static_cast<float>(std::log(energyMeV) + 6.909); }

} // namespace

class CalcWindowTest : public QObject {
    Q_OBJECT

    testing::WindowFixture f;
    Form10* form10 = nullptr;
    Form2* form2 = nullptr;
    std::array<QLineEdit*, 7> boxes() const {
        return {form10->Text3, form10->Text4, form10->Text5, form10->Text6,
                form10->Text7, form10->Text8, form10->Text9};
    }

  private slots:
    void initTestCase() {
        // Typed numbers use the point whatever the user's locale says.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        std::setlocale(LC_ALL, "de_DE.UTF-8"); // where installed; the Qt default always is
        f.write("mix/calc.mix3", testing::materialText("Calc Test", "2.5", kRows)).start();
        form10 = f.windows().form10;
        form2 = f.windows().form2;
        for (const char* name : {"Text3", "Text4", "Text9", "Label11", "Label25", "Label32"}) {
            QVERIFY2(!testing::control<QWidget>(form10, name)->isEnabled(), name);
        }
        QCOMPARE(form10->Command5->toolTip(), QString::fromUtf8("エクセル CSV形式で保存"));
        QCOMPARE(form10->Text4->toolTip(), QString::fromUtf8(" Input μ/ρ "));
    }
    void init() {
        f.windows().form8->hide();
        QVERIFY(f.go("mix/calc.mix3"));
        f.dialogs.shown.clear();
        for (QLineEdit* box : boxes()) {
            box->setText("old");
        }
        form2->Line1->SetX1(1.0f);
        form2->Line2->SetY1(3.0f);
    }
    void actions_data();
    void actions();
    void listStartsAtItsFirstLineAfterGo() {
        // A long table scrolled to its end shows its first line again after the next GO.
        std::vector<testing::TableRow> rows;
        for (int i = 0; i < 60; ++i) {
            rows.push_back({0.001 * std::pow(1.1, i), 1, 1, 1, 0, 0});
        }
        f.write("mix/long.mix3", testing::materialText("Long", "1", rows));
        QVERIFY(f.go("mix/long.mix3"));
        form10->List1->scrollToBottom();
        QVERIFY(form10->List1->verticalScrollBar()->value() > 0);
        QVERIFY(f.go("mix/long.mix3"));
        QCOMPARE(form10->List1->verticalScrollBar()->value(), 0);
    }
};

void CalcWindowTest::actions_data() {
    // E energy typed, T total typed, L list line (0-based), A arrow, C CSV button
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("boxes"); // Text3 ... Text9; "-" empty, "*" any new value
    QTest::addColumn<QString>("message");
    QTest::addColumn<double>("lineAt"); // the energy the vertical lines go to; 0: they stay
    const auto row = [](const char* name, const char* action, const char* boxes,
                        const char* message, double lineAt) {
        QTest::newRow(name) << QString(action) << QString(boxes) << QString(message) << lineAt;
    };
    const char* range = "This value is out of range.";
    // At 1 MeV the table's row 6 comes back as it stands.
    row("tabulated energy", "E1",
        "1.000E+00 7.700E-02 5.000E-03 7.000E-02 2.000E-03 0.000E+00 0.000E+00", "", 1.0);
    // A refused energy empties the two entry boxes only, a refused total every box.
    row("energy not a number", "Eabc", "- - old old old old old", range, 0.0);
    row("total between rows 2 and 3", "T10", "* 1.000E+01 * * * 0.000E+00 0.000E+00", "", -1.0);
    row("total above the largest", "T5000", "- - - - - - -", range, 0.0);
    // Above row 1 but below the edge's maximum the line leads below 1 keV: only Text4 empties.
    row("total beyond the first row", "T2000", "old - old old old old old", "Calculation error",
        0.0);
    row("list line with pair production", "L6",
        "1.000E+01 3.016E-02 5.000E-05 2.000E-02 1.000E-05 1.000E-02 1.000E-04", "", 10.0);
    row("list line above 100 MeV", "L7",
        "1.000E+03 7.500E-02 5.000E-07 5.000E-03 1.000E-07 5.000E-02 2.000E-02", "", 0.0);
    row("left arrow", "A1", "- - - - - - -", "", 0.0);
    row("right arrow", "A3", "- - - - - - -", "", 0.0);
    row("CSV button", "C", "old old old old old old old", "", 0);
}

void CalcWindowTest::actions() {
    QFETCH(QString, action);
    QFETCH(QString, boxes);
    QFETCH(QString, message);
    QFETCH(double, lineAt);
    const QString text = action.mid(1);
    if (action[0] == 'L') {
        testing::clickRow(form10->List1, text.toInt());
        QCOMPARE(form10->List1->currentRow(), text.toInt());
    } else if (action[0] == 'C') {
        QTest::mouseClick(form10->Command5, Qt::LeftButton);
    } else if (action[0] == 'A') {
        QTest::mouseClick(text == "1" ? form10->Command1 : form10->Command3, Qt::LeftButton);
    } else {
        testing::enter(action[0] == 'E' ? form10->Text3 : form10->Text4, text);
    }
    const QStringList expected = boxes.split(' ');
    for (std::size_t i = 0; i < 7; ++i) {
        const QString shown = this->boxes()[i]->text();
        const QString want = expected[qsizetype(i)];
        QVERIFY2(want == "*" ? shown != "old" && !shown.isEmpty()
                             : shown == (want == "-" ? "" : want),
                 qPrintable(shown));
    }
    QCOMPARE(f.dialogs.messages(),
             message.isEmpty() ? std::vector<std::string>{} : std::vector{message.toStdString()});
    for (const testing::ShownDialog& shown : f.dialogs.shown) {
        QCOMPARE(shown.icon, platform::MessageIcon::Exclamation);
        QCOMPARE(shown.title, std::string("Zelna7LL_sub1"));
    }
    QCOMPARE(f.windows().form8->isVisible(), action[0] == 'C'); // the CSV export window
    // The vertical lines go to the energy (-1: the one found), the horizontal one to the total;
    // a list line leaves the horizontal one where it was.
    if (lineAt == 0) {
        QVERIFY(action[0] != 'L' || !form2->Line1->Visible());
        return;
    }
    const double energy = lineAt < 0 ? form10->Text3->text().toDouble() : lineAt;
    QVERIFY(std::fabs(form2->Line1->X1() - rowX(energy)) < 1e-3 && form2->Line1->Visible());
    QVERIFY(form2->Line3->X1() == form2->Line1->X1() && form2->Line3->Visible());
    const double total = (action[0] == 'T' ? text : form10->Text4->text()).toDouble();
    QVERIFY(action[0] == 'L' ? form2->Line2->Y1() == 3.0f
                             : std::fabs(form2->Line2->Y1() - std::log(total) - 9.212) < 1e-3);
}

QTEST_MAIN(CalcWindowTest)
#include "test_window.moc"
