#include "app/AppContext.h"
#include "app/Application.h"
#include "calc/Form10.h"
#include "data/MaterialFile.h"
#include "data/MaterialTable.h"
#include "export/Form8.h"
#include "fakes/ScriptedDialogs.h"
#include "fakes/TestSupport.h"
#include "graph/Form2.h"
#include "graph/Go.h"
#include "newdata/BuilderState.h"
#include "platform/qt/QtCanvas.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>

#include <array>
#include <clocale>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

using Row = std::array<double, 6>; // energy, then the five partial coefficients

// Totals: 1001.01, 50.6, 1.25, then an edge up to 3000.25, falling to 0.0301 at 10 MeV and
// rising again with pair production; the last row lies above 100 MeV.
const std::vector<Row> kRows{
    {0.001, 1, 0.01, 1000, 0, 0},       {0.01, 0.5, 0.1, 50, 0, 0},
    {0.05, 0.1, 0.15, 1, 0, 0},         {0.05, 0.1, 0.15, 3000, 0, 0},
    {0.1, 0.05, 0.15, 500, 0, 0},       {1, 0.005, 0.07, 0.002, 0, 0},
    {10, 5e-5, 0.02, 1e-5, 0.01, 1e-4}, {1000, 5e-7, 0.005, 1e-7, 0.05, 0.02}};

std::string materialText(const std::vector<Row>& rows) {
    std::vector<std::string> lines{"Calc Test", "2.5", std::to_string(rows.size())};
    for (const Row& r : rows) {
        lines.push_back(data::FormatTableRow(r[0], {r[1], r[2], r[3], r[4], r[5]}));
    }
    return data::JoinLines(lines);
}

// The calculator after GO on that material, or only prepared as at start-up.
struct Program {
    testing::TempFolder folder;
    data::MaterialTable table;
    newdata::BuilderState builder;
    testing::ScriptedDialogs dialogs;
    testing::RecordingLauncher launcher;
    AppContext context{table, builder, dialogs, launcher, folder.path()};
    std::unique_ptr<Application> application;
    Form10* form10 = nullptr;
    Form2* form2 = nullptr;

    explicit Program(bool go = true) {
        testing::writeFile(folder.path() / "mix" / "calc.mix3", materialText(kRows));
        application = std::make_unique<Application>(context);
        form10 = context.windows.form10;
        form2 = context.windows.form2;
        form10->Text3->setText("1");
        form10->PrepareAtStartup();
        table.SelectedPath = "mix/calc.mix3";
        QVERIFY(!go || graph::RunGo(context));
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
    void fillBoxes(const QString& text) {
        for (QLineEdit* box : boxes()) {
            box->setText(text);
        }
    }
    // Types into a box and presses Enter, as the user does.
    void enter(QLineEdit* box, const QString& text) {
        box->setText(text);
        QTest::keyClick(box, Qt::Key_Return);
    }
};

// Box texts in the order Text3, Text4, Text5 ... Text9, blank-separated; "-" for an empty box,
// "*" for one that holds a new value of no interest here.
QStringList boxes(const char* spaced) {
    QStringList out = QString(spaced).split(' ');
    for (QString& text : out) {
        text = text == "-" ? QString() : text;
    }
    return out;
}

} // namespace

class CalcWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void startupDisablesTheBoxes();
    void entry_data();
    void entry();
    void typingWithoutEnterComputesNothing();
    void markersAfterAComputation();
    void listClick_data();
    void listClick();
    void arrowAndCsvButtons();
};

void CalcWindowTest::initTestCase() {
    // Typed numbers use the point whatever the user's locale says.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    std::setlocale(LC_ALL, "de_DE.UTF-8"); // where installed; the Qt default above always is
}

void CalcWindowTest::startupDisablesTheBoxes() {
    Program p(false);
    QCOMPARE(p.texts(), QStringList(7, QString()));
    for (const char* name :
         {"Text3", "Text4", "Text5", "Text6", "Text7", "Text8", "Text9", "Label11", "Label25",
          "Label28", "Label29", "Label30", "Label31", "Label32"}) {
        QVERIFY2(!p.form10->findChild<QWidget*>(name)->isEnabled(), name);
    }
    QCOMPARE(p.form10->Label11->text(), QString("Photon energy            "));
    QCOMPARE(p.form10->Command5->text(), QString("Save in \"csv format\""));
    QCOMPARE(p.form10->Command5->toolTip(), QString::fromUtf8("エクセル CSV形式で保存"));
    QCOMPARE(p.form10->Text4->toolTip(), QString::fromUtf8(" Input μ/ρ "));
}

void CalcWindowTest::entry_data() {
    QTest::addColumn<bool>("energy"); // typed into Text3, else into Text4
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("message");
    const QString range = "This value is out of range.";
    // At 1 MeV the table's row 6 comes back as it stands (total 0.077).
    QTest::newRow("tabulated energy")
        << true << "1"
        << boxes("1.000E+00 7.700E-02 5.000E-03 7.000E-02 2.000E-03 0.000E+00 0.000E+00") << "";
    QTest::newRow("energy formatted back") << true << "0.5" << boxes("5.000E-01 * * * * * *") << "";
    QTest::newRow("blanks and exponent")
        << true << " 1 E-2 " << boxes("1.000E-02 5.060E+01 * * * * *") << "";
    QTest::newRow("lowest energy")
        << true << "0.001" << boxes("1.000E-03 1.001E+03 * * * * *") << "";
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
    Program p;
    p.fillBoxes("old");
    p.enter(energy ? p.form10->Text3 : p.form10->Text4, typed);
    QStringList texts = p.texts();
    for (qsizetype i = 0; i < texts.size(); ++i) {
        const bool fresh = texts[i] != "old" && !texts[i].isEmpty();
        texts[i] = boxes[i] == "*" && fresh ? "*" : texts[i];
    }
    QCOMPARE(texts, boxes);
    if (message.isEmpty()) {
        QVERIFY(p.dialogs.shown.empty());
    } else {
        QCOMPARE(p.dialogs.messages(), std::vector<std::string>{message.toStdString()});
        QCOMPARE(p.dialogs.shown[0].icon, platform::MessageIcon::Exclamation);
        QCOMPARE(p.dialogs.shown[0].title, std::string("Zelna7LL_sub1"));
    }
}

void CalcWindowTest::typingWithoutEnterComputesNothing() {
    Program p;
    QTest::keyClicks(p.form10->Text3, "0.5");
    QCOMPARE(p.form10->Text3->text(), QString("0.5"));
    QVERIFY(p.form10->Text5->text().isEmpty() && !p.form2->Line1->Visible());
}

void CalcWindowTest::markersAfterAComputation() {
    Program p;
    p.form2->Line4->SetY1(4.0f);
    p.enter(p.form10->Text3, "0.5");
    const auto x = static_cast<float>(std::log(0.5) + 6.909);
    for (CanvasLine* line : {p.form2->Line1, p.form2->Line3}) {
        QVERIFY(line->X1() == x && line->X2() == x && line->Visible());
    }
    // The horizontal line sits at the interpolated total shown in Text4.
    const double shownTotal = p.form10->Text4->text().toDouble();
    QVERIFY(std::fabs(std::exp(p.form2->Line2->Y1() - 9.212) / shownTotal - 1) < 1e-3);
    QVERIFY(p.form2->Line2->Visible());
    QVERIFY(!p.form2->Line4->Visible() && p.form2->Line4->Y1() == 4.0f);
    // After a total, the line sits at the typed value itself.
    p.enter(p.form10->Text4, "10");
    QCOMPARE(p.form2->Line2->Y1(), static_cast<float>(std::log(10.0) + 9.212));
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
    Program p;
    p.form2->Line2->SetY1(3.0f);
    p.form2->Line1->SetX1(1.0f);
    // A click on the line, as the user makes it.
    QListWidgetItem* item = p.form10->List1->item(line);
    QTest::mouseClick(p.form10->List1->viewport(), Qt::LeftButton, Qt::NoModifier,
                      p.form10->List1->visualItemRect(item).center());
    QCOMPARE(p.form10->List1->currentRow(), line);
    QCOMPARE(p.texts(), boxes);
    // The vertical lines go to the row's energy up to 100 MeV; the horizontal one stays.
    const auto x = static_cast<float>(std::log(p.table.Energy[line + 1]) + 6.909);
    QCOMPARE(p.form2->Line1->X1() == x && p.form2->Line3->X1() == x, moves);
    QCOMPARE(p.form2->Line1->Visible(), moves);
    QVERIFY(p.form2->Line2->Y1() == 3.0f && !p.form2->Line2->Visible());
}

void CalcWindowTest::arrowAndCsvButtons() {
    Program p;
    for (QPushButton* arrow : {p.form10->Command1, p.form10->Command3}) {
        p.fillBoxes("1");
        QTest::mouseClick(arrow, Qt::LeftButton);
        QCOMPARE(p.texts(), QStringList(7, QString()));
    }
    QVERIFY(!p.context.windows.form8->isVisible());
    QTest::mouseClick(p.form10->Command5, Qt::LeftButton);
    QVERIFY(p.context.windows.form8->isVisible());
}

QTEST_MAIN(CalcWindowTest)
#include "CalcWindowTest.moc"
