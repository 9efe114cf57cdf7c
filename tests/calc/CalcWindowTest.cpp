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

    Program() {
        testing::writeFile(folder.path() / "mix" / "calc.mix3", materialText(kRows));
        application = std::make_unique<Application>(context);
        form10 = context.windows.form10;
        form2 = context.windows.form2;
        form10->PrepareAtStartup();
        table.SelectedPath = "mix/calc.mix3";
        QVERIFY(graph::RunGo(context));
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

// Boxes in the order Text3, Text4, Text5 ... Text9; "=" marks a box left as it was.
QStringList expected(const char* text3, const char* text4, const QStringList& rest) {
    return QStringList{text3, text4} + rest;
}

} // namespace

class CalcWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void startupDisablesTheBoxes();
    void energyEntry_data();
    void energyEntry();
    void typingWithoutEnterComputesNothing();
    void totalEntry_data();
    void totalEntry();
    void markersAfterAComputation();
    void listClick_data();
    void listClick();
    void arrowButtonsEmptyEveryBox();
    void csvButtonOpensTheSaveWindow();
};

void CalcWindowTest::initTestCase() {
    // Typed numbers use the point whatever the user's locale says.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    std::setlocale(LC_ALL, "de_DE.UTF-8"); // where installed; the Qt default above always is
}

void CalcWindowTest::startupDisablesTheBoxes() {
    testing::TempFolder folder;
    data::MaterialTable table;
    newdata::BuilderState builder;
    testing::ScriptedDialogs dialogs;
    testing::RecordingLauncher launcher;
    AppContext context{table, builder, dialogs, launcher, folder.path()};
    Application application(context);
    Form10* form = context.windows.form10;
    form->Text3->setText("1");
    form->PrepareAtStartup();
    for (QLineEdit* box : {form->Text3, form->Text4, form->Text5, form->Text6, form->Text7,
                           form->Text8, form->Text9}) {
        QVERIFY(!box->isEnabled());
        QVERIFY(box->text().isEmpty());
    }
    for (QLabel* label : {form->Label11, form->Label25, form->Label28, form->Label29, form->Label30,
                          form->Label31, form->Label32}) {
        QVERIFY(!label->isEnabled());
    }
    QCOMPARE(form->Label11->text(), QString("Photon energy            "));
    QCOMPARE(form->Command5->text(), QString("Save in \"csv format\""));
    QCOMPARE(form->Command5->toolTip(), QString::fromUtf8("エクセル CSV形式で保存"));
    QCOMPARE(form->Text4->toolTip(), QString::fromUtf8(" Input μ/ρ "));
}

void CalcWindowTest::energyEntry_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("message");
    const QStringList unchanged{"=", "=", "=", "=", "="};
    // At 1 MeV the table's row 6 comes back as it stands (total 0.077).
    QTest::newRow("tabulated energy")
        << "1"
        << expected("1.000E+00", "7.700E-02",
                    {"5.000E-03", "7.000E-02", "2.000E-03", "0.000E+00", "0.000E+00"})
        << "";
    QTest::newRow("formatted back")
        << "0.5" << expected("5.000E-01", "*", {"*", "*", "*", "*", "*"}) << "";
    QTest::newRow("blanks and exponent")
        << " 1 E-2 " << expected("1.000E-02", "5.060E+01", {"*", "*", "*", "*", "*"}) << "";
    QTest::newRow("not a number") << "abc" << expected("", "", unchanged)
                                  << "This value is out of range.";
    QTest::newRow("comma is no decimal point")
        << "0,5" << expected("", "", unchanged) << "This value is out of range.";
    QTest::newRow("below 1 keV") << "0.000999" << expected("", "", unchanged)
                                 << "This value is out of range.";
    QTest::newRow("lowest energy")
        << "0.001" << expected("1.000E-03", "1.001E+03", {"*", "*", "*", "*", "*"}) << "";
}

void CalcWindowTest::energyEntry() {
    QFETCH(QString, typed);
    QFETCH(QStringList, boxes);
    QFETCH(QString, message);
    Program p;
    p.fillBoxes("old");
    p.enter(p.form10->Text3, typed);
    const QStringList texts = p.texts();
    for (int i = 0; i < boxes.size(); ++i) {
        const QString want = boxes[i] == "=" ? QString("old") : boxes[i];
        if (want == "*") {
            QVERIFY2(texts[i] != "old" && !texts[i].isEmpty(), qPrintable(texts.join('|')));
        } else {
            QVERIFY2(texts[i] == want, qPrintable(texts.join('|')));
        }
    }
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
    QVERIFY(p.form10->Text5->text().isEmpty());
    QVERIFY(!p.form2->Line1->Visible());
}

void CalcWindowTest::totalEntry_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("message");
    QTest::newRow("between rows 2 and 3")
        << "10" << expected("*", "1.000E+01", {"*", "*", "*", "0.000E+00", "0.000E+00"}) << "";
    QTest::newRow("row 6 exactly")
        << "0.077" << expected("1.000E+00", "7.700E-02", {"5.000E-03", "*", "*", "*", "*"}) << "";
    QTest::newRow("above the largest total")
        << "5000" << expected("", "", {"", "", "", "", ""}) << "This value is out of range.";
    QTest::newRow("not a number") << "x1" << expected("", "", {"", "", "", "", ""})
                                  << "This value is out of range.";
    // Above row 1 but below the edge's maximum: the line through rows 1 and 2 leads below 1 keV.
    QTest::newRow("beyond the first row")
        << "2000" << expected("old", "", {"old", "old", "old", "old", "old"})
        << "Calculation error";
}

void CalcWindowTest::totalEntry() {
    QFETCH(QString, typed);
    QFETCH(QStringList, boxes);
    QFETCH(QString, message);
    Program p;
    p.fillBoxes("old");
    p.enter(p.form10->Text4, typed);
    const QStringList texts = p.texts();
    for (int i = 0; i < boxes.size(); ++i) {
        if (boxes[i] == "*") {
            QVERIFY2(texts[i] != "old" && !texts[i].isEmpty(), qPrintable(texts.join('|')));
        } else {
            QVERIFY2(texts[i] == boxes[i], qPrintable(texts.join('|')));
        }
    }
    if (message.isEmpty()) {
        QVERIFY(p.dialogs.shown.empty());
    } else {
        QCOMPARE(p.dialogs.messages(), std::vector<std::string>{message.toStdString()});
        QCOMPARE(p.dialogs.shown[0].icon, platform::MessageIcon::Exclamation);
    }
}

void CalcWindowTest::markersAfterAComputation() {
    Program p;
    p.form2->Line4->SetY1(4.0f);
    p.enter(p.form10->Text3, "0.5");
    const auto x = static_cast<float>(std::log(0.5) + 6.909);
    QCOMPARE(p.form2->Line1->X1(), x);
    QCOMPARE(p.form2->Line1->X2(), x);
    QCOMPARE(p.form2->Line3->X1(), x);
    QCOMPARE(p.form2->Line3->X2(), x);
    // The horizontal line sits at the interpolated total shown in Text4.
    const double shownTotal = p.form10->Text4->text().toDouble();
    QVERIFY(std::fabs(std::exp(p.form2->Line2->Y1() - 9.212) / shownTotal - 1) < 1e-3);
    for (CanvasLine* line : {p.form2->Line1, p.form2->Line2, p.form2->Line3}) {
        QVERIFY(line->Visible());
    }
    QVERIFY(!p.form2->Line4->Visible());
    QCOMPARE(p.form2->Line4->Y1(), 4.0f);

    // After a total, the line sits at the typed value itself.
    p.enter(p.form10->Text4, "10");
    QCOMPARE(p.form2->Line2->Y1(), static_cast<float>(std::log(10.0) + 9.212));
}

void CalcWindowTest::listClick_data() {
    QTest::addColumn<int>("line");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<bool>("moves");
    QTest::newRow("first line") << 0
                                << expected("1.000E-03", "1.001E+03",
                                            {"1.000E+00", "1.000E-02", "1.000E+03", "0.000E+00",
                                             "0.000E+00"})
                                << true;
    QTest::newRow("pair production")
        << 6
        << expected("1.000E+01", "3.016E-02",
                    {"5.000E-05", "2.000E-02", "1.000E-05", "1.000E-02", "1.000E-04"})
        << true;
    QTest::newRow("above 100 MeV")
        << 7
        << expected("1.000E+03", "7.500E-02",
                    {"5.000E-07", "5.000E-03", "1.000E-07", "5.000E-02", "2.000E-02"})
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
    const auto x = static_cast<float>(std::log(p.table.Energy[line + 1]) + 6.909);
    QCOMPARE(p.form2->Line1->X1() == x, moves);
    QCOMPARE(p.form2->Line3->X1() == x, moves);
    QCOMPARE(p.form2->Line1->Visible(), moves);
    QCOMPARE(p.form2->Line2->Y1(), 3.0f);
    QVERIFY(!p.form2->Line2->Visible());
}

void CalcWindowTest::arrowButtonsEmptyEveryBox() {
    Program p;
    for (QPushButton* arrow : {p.form10->Command1, p.form10->Command3}) {
        p.fillBoxes("1");
        QTest::mouseClick(arrow, Qt::LeftButton);
        QCOMPARE(p.texts(), QStringList(7, QString()));
    }
}

void CalcWindowTest::csvButtonOpensTheSaveWindow() {
    Program p;
    QVERIFY(!p.context.windows.form8->isVisible());
    QTest::mouseClick(p.form10->Command5, Qt::LeftButton);
    QVERIFY(p.context.windows.form8->isVisible());
}

QTEST_MAIN(CalcWindowTest)
#include "CalcWindowTest.moc"
