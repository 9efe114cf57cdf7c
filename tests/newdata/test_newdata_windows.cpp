// The new-data windows driven headless: the chooser, the compound and the mixture builder, with
// scripted dialogs and a working folder holding two small element files.

#include "app/AppContext.h"
#include "app/Application.h"
#include "app/Form1.h"
#include "data/MaterialFile.h"
#include "data/MaterialTable.h"
#include "fakes/ScriptedDialogs.h"
#include "fakes/TestSupport.h"
#include "newdata/BuilderState.h"
#include "newdata/Form4.h"
#include "newdata/Form5.h"
#include "newdata/Form6.h"
#include "platform/qt/PatternFileList.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Hydrogen and oxygen with made-up but well-behaved values; together they give the grid
// 1E-3, 5E-3, 1E-2, 1E-1, 1 MeV. Pair columns stay 0.
const char* const kHydrogen = "Hydrogen\r\n8.375E-05\r\n4\r\n"
                              "1.000E-03 1.000E-01 2.000E-02 5.000E+00 0.000E+00 0.000E+00\r\n"
                              "1.000E-02 5.000E-02 2.500E-01 4.000E-03 0.000E+00 0.000E+00\r\n"
                              "1.000E-01 3.000E-03 3.500E-01 2.000E-06 0.000E+00 0.000E+00\r\n"
                              "1.000E+00 3.000E-05 1.200E-01 1.000E-09 0.000E+00 0.000E+00\r\n"
                              "1.0079\r\n";
const char* const kOxygen = "Oxygen\r\n1.429E-03\r\n5\r\n"
                            "1.000E-03 1.000E+00 2.000E-02 4.000E+03 0.000E+00 0.000E+00\r\n"
                            "5.000E-03 6.000E-01 6.000E-02 4.000E+01 0.000E+00 0.000E+00\r\n"
                            "1.000E-02 4.000E-01 8.000E-02 5.000E+00 0.000E+00 0.000E+00\r\n"
                            "1.000E-01 3.000E-02 1.500E-01 5.000E-03 0.000E+00 0.000E+00\r\n"
                            "1.000E+00 3.000E-04 6.000E-02 1.000E-06 0.000E+00 0.000E+00\r\n"
                            "15.999\r\n";

const char* const kDataError = " There is an error in the entered data ";

/// One working folder, the shared state and the windows the new-data road passes through.
struct Bench {
    testing::TempFolder folder;
    data::MaterialTable table;
    newdata::BuilderState builder;
    testing::ScriptedDialogs dialogs;
    testing::RecordingLauncher launcher;
    AppContext context{table, builder, dialogs, launcher, folder.path()};
    Application application{context};
    Form1* form1 = context.windows.form1;
    Form4* form4 = context.windows.form4;
    Form5* form5 = context.windows.form5;
    Form6* form6 = context.windows.form6;

    Bench() {
        testing::writeFile(root() / "ele" / "001_H.ele", kHydrogen);
        testing::writeFile(root() / "ele" / "008_O.ele", kOxygen);
        testing::writeFile(root() / "ele" / "notes.txt", "not an element\r\n");
        fs::create_directories(root() / "mix");
        form4->SetElementFolder(root() / "ele");
        form6->SetElementFolder(root() / "ele");
    }

    fs::path root() const { return folder.path(); }

    /// The road from the chooser to a builder opened afresh ("compound" or "mixture").
    BuilderWindow* open(const QString& kind) {
        form5->show();
        const bool compound = kind == "compound";
        QTest::mouseClick(compound ? form5->Command1 : form5->Command2, Qt::LeftButton);
        return compound ? static_cast<BuilderWindow*>(form4) : form6;
    }
};

template <typename Widget = QWidget> Widget* control(QWidget* window, const QString& name) {
    auto* found = window->findChild<Widget*>(name);
    if (found == nullptr) {
        qFatal("no control %s", qPrintable(name));
    }
    return found;
}

void click(QWidget* window, const QString& name) {
    QTest::mouseClick(control(window, name), Qt::LeftButton);
}

/// Types the fields above the slots and presses the first OK.
void firstOk(BuilderWindow* w, const QString& name, const QString& density, const QString& count) {
    w->Text13->setText(name);
    w->Text14->setText(density);
    w->Text2->setText(count);
    QTest::mouseClick(w->Command3, Qt::LeftButton);
}

/// Highlights an element file, clicks a slot's number label and answers the input box.
void assign(Bench& bench, BuilderWindow* w, const QString& file, const QString& label,
            const std::string& answer) {
    const QList<QListWidgetItem*> found = w->File1->findItems(file, Qt::MatchExactly);
    QVERIFY(!found.isEmpty());
    w->File1->setCurrentItem(found.front());
    bench.dialogs.inputAnswers = {answer};
    click(w, label);
}

/// Number labels of slots 1 to 15 (the compound builder has the first five).
const QStringList kSlotLabels = {"Label8",  "Label9",  "Label10", "Label11", "Label12",
                                 "Label13", "Label15", "Label16", "Label17", "Label18",
                                 "Label19", "Label20", "Label21", "Label22", "Label23"};

int visibleSlots(BuilderWindow* w) {
    const int slotCount = qobject_cast<Form4*>(w) != nullptr ? 5 : 15;
    int visible = 0;
    for (int k = 0; k < slotCount; ++k) {
        visible += control(w, kSlotLabels[k])->isVisible() ? 1 : 0;
    }
    return visible;
}

} // namespace

class NewDataWindowsTest : public QObject {
    Q_OBJECT

  private slots:
    void cancelAndReopenStartAfresh_data() { kinds(); }
    void cancelAndReopenStartAfresh();
    void firstOkChecksFields_data();
    void firstOkChecksFields();
    void slotNeedsSelectedElement();
    void amountAnswers_data();
    void amountAnswers();
    void enterMovesFocus_data() { kinds(); }
    void enterMovesFocus();
    void save_data();
    void save();

  private:
    static void kinds() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("compound") << QString("compound");
        QTest::newRow("mixture") << QString("mixture");
    }
};

void NewDataWindowsTest::cancelAndReopenStartAfresh() {
    QFETCH(QString, kind);
    Bench bench;
    BuilderWindow* w = bench.open(kind);
    QCOMPARE(w->File1->count(), 2); // element files only
    const int slotCount = kind == "compound" ? 5 : 15;
    firstOk(w, "Old", "2", QString::number(slotCount));
    assign(bench, w, "008_O.ele", "Label9", "4");
    w->Text1->setText("old");
    QCOMPARE(visibleSlots(w), slotCount);

    // Cancel goes back to the main window and hides the slots; nothing is written.
    QTest::mouseClick(w->Command2, Qt::LeftButton);
    QVERIFY(!w->isVisible() && bench.form1->isVisible());
    QCOMPARE(visibleSlots(w), 0);
    QVERIFY(fs::is_empty(bench.root() / "mix"));
    // The slot table waits for the chooser to clear it; the chooser's own Cancel leaves it too.
    bench.form1->hide();
    bench.form5->show();
    QTest::mouseClick(bench.form5->Command3, Qt::LeftButton);
    QVERIFY(bench.form1->isVisible() && !bench.form5->isVisible() && !w->isVisible());
    QCOMPARE(bench.builder.SlotFile[2], std::string("008_O.ele"));
    QCOMPARE(bench.builder.SlotAmount[2], 4.0);

    bench.open(kind);
    QVERIFY(w->isVisible() && !bench.form5->isVisible());
    QCOMPARE(w->Text13->text(), QString(kind == "compound" ? "Chemical compound" : "Mixture"));
    QCOMPARE(w->Text14->text(), QString("9.999"));
    QVERIFY(w->Text1->text().isEmpty() && w->Text2->text().isEmpty());
    QVERIFY(control<QLineEdit>(w, "Text4")->text().isEmpty());
    QVERIFY(!w->Command1->isEnabled());
    QCOMPARE(visibleSlots(w), 0);
    QVERIFY(bench.builder.SlotFile[2].empty());
    QCOMPARE(bench.builder.SlotAmount[2], 0.0);
    QCOMPARE(bench.builder.ElementCount, double(slotCount)); // until the next first OK
}

void NewDataWindowsTest::firstOkChecksFields_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("typed"); // name, density, count
    QTest::addColumn<QString>("message");   // empty: accepted
    QTest::addColumn<QStringList>("after"); // name, density
    QTest::addColumn<int>("visible");
    const auto row = [](const char* tag, const char* kind, QStringList typed, const char* message,
                        QStringList after, int visible) {
        QTest::newRow(tag) << QString(kind) << typed << QString(message) << after << visible;
    };
    const char* noName = " Input the Name ";
    const char* badDensity = " Inappropriate density input ";
    const char* badCount = " Input the number of element ";
    row("compound without name", "compound", {"", "1", "2"}, noName, {"Chemical compound", "1"}, 0);
    row("mixture without name", "mixture", {"", "1", "2"}, noName, {"Mixture", "1"}, 0);
    row("density not a number", "mixture", {"W", "abc", "2"}, badDensity, {"W", "9.999"}, 0);
    row("compound count 0", "compound", {"W", "1", "0"}, badCount, {"W", "1"}, 0);
    row("compound count 6", "compound", {"W", "1", "6"}, badCount, {"W", "1"}, 0);
    row("mixture count 16", "mixture", {"W", "1", "16"}, badCount, {"W", "1"}, 0);
    row("compound count 5", "compound", {"W", "1", "5"}, "", {"W", "1"}, 5);
    row("compound count 2.5", "compound", {"W", "1", "2.5"}, "", {"W", "1"}, 2);
    row("mixture count 15", "mixture", {"W", "1", "15"}, "", {"W", "1"}, 15);
}

void NewDataWindowsTest::firstOkChecksFields() {
    QFETCH(QString, kind);
    QFETCH(QStringList, typed);
    QFETCH(QString, message);
    QFETCH(QStringList, after);
    QFETCH(int, visible);
    Bench bench;
    BuilderWindow* w = bench.open(kind);
    bench.builder.ElementCount = 7.0;

    firstOk(w, typed[0], typed[1], typed[2]);

    QCOMPARE(visibleSlots(w), visible);
    QCOMPARE(w->Text13->text(), after[0]);
    QCOMPARE(w->Text14->text(), after[1]);
    QCOMPARE(w->Command1->isEnabled(), message.isEmpty());
    if (message.isEmpty()) {
        QVERIFY(bench.dialogs.shown.empty());
        QCOMPARE(bench.builder.ElementCount, typed[2].toDouble());
        QCOMPARE(w->focusWidget(), static_cast<QWidget*>(w->File1));
        // A smaller count later keeps the slots already shown.
        firstOk(w, "W", "1", "1");
        QCOMPARE(visibleSlots(w), visible);
        QCOMPARE(bench.builder.ElementCount, 1.0);
    } else {
        QCOMPARE(bench.dialogs.shown.size(), std::size_t{1});
        const testing::ShownDialog& shown = bench.dialogs.shown.front();
        QCOMPARE(QString::fromStdString(shown.text), message);
        QCOMPARE(shown.title, std::string(platform::kApplicationTitle));
        QCOMPARE(shown.icon, platform::MessageIcon::Exclamation);
        QCOMPARE(bench.builder.ElementCount, 7.0);
    }
}

void NewDataWindowsTest::slotNeedsSelectedElement() {
    Bench bench;
    for (const QString kind : {"compound", "mixture"}) {
        BuilderWindow* w = bench.open(kind);
        firstOk(w, "W", "1", "5");
        bench.dialogs.shown.clear();
        w->File1->clearSelection();
        click(w, "Label8");
        if (kind == "compound") {
            click(w, "Text7"); // an element box does what its number label does
        }
        const std::vector<std::string> expected(kind == "compound" ? 2 : 1, " Select a element ");
        QCOMPARE(bench.dialogs.messages(), expected);
        QCOMPARE(bench.dialogs.shown.size(), expected.size()); // no input box
    }
    // The mixture builder's element boxes ignore clicks; only its number labels assign.
    BuilderWindow* w = bench.form6;
    firstOk(w, "W", "1", "15");
    w->File1->setCurrentRow(0);
    bench.dialogs.shown.clear();
    click(w, "Text3");
    click(w, "Text29");
    QVERIFY(bench.dialogs.shown.empty());
    click(w, "Label23");
    QCOMPARE(bench.builder.SlotFile[15], std::string("001_H.ele"));
    QCOMPARE(control<QLineEdit>(w, "Text29")->text(), QString("001_H.ele"));
    for (int k = 1; k < 15; ++k) {
        QVERIFY(bench.builder.SlotFile[static_cast<std::size_t>(k)].empty());
    }
}

void NewDataWindowsTest::amountAnswers_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<double>("stored"); // slot 3 holds 2 from an earlier answer
    QTest::addColumn<bool>("rejected");
    const auto row = [](const char* tag, const char* kind, const char* answer, double stored,
                        bool rejected) {
        QTest::newRow(tag) << QString(kind) << QString(answer) << stored << rejected;
    };
    row("compound fraction", "compound", "0.5", 0.5, false);
    row("compound with trailing text", "compound", " 3 atoms", 3.0, false);
    row("compound negative", "compound", "-1", 2.0, true);
    row("compound cancelled", "compound", "", 2.0, true);
    row("mixture weight", "mixture", "88.81", 88.81, false);
    row("mixture negative", "mixture", "-1", -1.0, false);
    row("mixture cancelled", "mixture", "", 0.0, false);
}

void NewDataWindowsTest::amountAnswers() {
    QFETCH(QString, kind);
    QFETCH(QString, answer);
    QFETCH(double, stored);
    QFETCH(bool, rejected);
    Bench bench;
    BuilderWindow* w = bench.open(kind);
    firstOk(w, "W", "1", "3");
    assign(bench, w, "001_H.ele", "Label10", "2");
    QCOMPARE(bench.builder.SlotFile[3], std::string("001_H.ele"));
    QCOMPARE(control<QLineEdit>(w, "Text5")->text(), QString("001_H.ele"));
    QCOMPARE(bench.builder.SlotAmount[3], 2.0);
    const testing::ShownDialog asked = bench.dialogs.shown.back();
    QVERIFY(asked.isInput && asked.title.empty() && asked.defaultAnswer.empty());
    QCOMPARE(asked.text, std::string(kind == "compound" ? " Input the number of element "
                                                        : " Enter the weight "));

    // Asking again through the amount box: the element stays, the last answer is the default.
    w->File1->setCurrentRow(1);
    bench.dialogs.shown.clear();
    bench.dialogs.inputAnswers = {answer.toStdString()};
    click(w, "Text10");

    QCOMPARE(bench.dialogs.shown.front().defaultAnswer, std::string("2"));
    QCOMPARE(bench.builder.SlotFile[3], std::string("001_H.ele"));
    QCOMPARE(control<QLineEdit>(w, "Text10")->text(), answer);
    QCOMPARE(bench.builder.SlotAmount[3], stored);
    QCOMPARE(bench.dialogs.messages(), rejected
                                           ? std::vector<std::string>{" Incorrect input value "}
                                           : std::vector<std::string>{});
}

void NewDataWindowsTest::enterMovesFocus() {
    QFETCH(QString, kind);
    Bench bench;
    BuilderWindow* w = bench.open(kind);
    w->Text13->setFocus();
    QTest::keyClick(w->Text13, Qt::Key_Return);
    QCOMPARE(w->focusWidget(), static_cast<QWidget*>(w->Text14));
    QTest::keyClick(w->Text14, Qt::Key_Enter);
    QCOMPARE(w->focusWidget(), static_cast<QWidget*>(w->Text2));
    QTest::keyClick(w->Text2, Qt::Key_Return);
    QCOMPARE(w->focusWidget(), static_cast<QWidget*>(w->Command3));

    // Other keys reach the box; Enter in the file name does nothing before the first OK.
    w->Text1->setFocus();
    QTest::keyClicks(w->Text1, "abc");
    QCOMPARE(w->Text1->text(), QString("abc"));
    QTest::keyClick(w->Text1, Qt::Key_Return);
    QCOMPARE(w->focusWidget(), static_cast<QWidget*>(w->Text1));

    firstOk(w, "W", "1", "2");
    w->Text1->setFocus();
    QTest::keyClick(w->Text1, Qt::Key_Return);
    QCOMPARE(w->focusWidget(), static_cast<QWidget*>(w->Command1));
    QVERIFY(bench.dialogs.shown.empty());
}

void NewDataWindowsTest::save_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QStringList>("amounts"); // slot 1 gets H, slot 2 O; fewer amounts, fewer slots
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("removeMix");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("path"); // the file written; empty when the save fails
    QTest::addColumn<double>("coherentAt1keV");
    const auto row = [](const char* tag, const char* kind, const char* count, QStringList amounts,
                        const char* option, const char* fileName, bool removeMix,
                        const char* message, const char* path = "", double mu = 0) {
        QTest::newRow(tag) << QString(kind) << QString(count) << amounts << QString(option)
                           << QString(fileName) << removeMix << QString(message) << QString(path)
                           << mu;
    };
    // Water by atoms: mass fractions 2 x 1.0079 and 15.999 over their sum.
    const double hydrogen = 2 * 1.0079 / (2 * 1.0079 + 15.999);
    const double water = hydrogen * 0.1 + (1 - hydrogen) * 1.0;
    const char* saved = " Data saved ";
    row("compound, others", "compound", "2", {"2", "1"}, "Option3", "Water", false, saved,
        "mix/Water.mix3", water);
    row("compound count 2.5 uses two slots, human tissues", "compound", "2.5", {"2", "1"},
        "Option1", "Water", false, saved, "mix/Water.mix1", water);
    row("mixture, weights on any scale, phantom", "mixture", "2", {"30", "70"}, "Option2", "Water",
        false, saved, "mix/Water.mix2", 0.3 * 0.1 + 0.7 * 1.0);
    row("compound without file name", "compound", "2", {"2", "1"}, "", "", false,
        " Input File name ");
    row("mixture without file name", "mixture", "2", {"2", "1"}, "", "", false,
        "ファイル名を入力してください");
    row("compound, unassigned slot", "compound", "2", {"1"}, "", "W", false, kDataError);
    row("compound, no material folder", "compound", "2", {"2", "1"}, "", "W", true, kDataError);
    row("mixture, weights adding up to zero", "mixture", "2", {"1", "-1"}, "", "W", false,
        kDataError);
}

void NewDataWindowsTest::save() {
    QFETCH(QString, kind);
    QFETCH(QString, count);
    QFETCH(QStringList, amounts);
    QFETCH(QString, option);
    QFETCH(QString, fileName);
    QFETCH(bool, removeMix);
    QFETCH(QString, message);
    QFETCH(QString, path);
    QFETCH(double, coherentAt1keV);
    Bench bench;
    BuilderWindow* w = bench.open(kind);
    firstOk(w, "Water", "0.998", count);
    const QStringList files = {"001_H.ele", "008_O.ele"};
    for (int k = 0; k < amounts.size(); ++k) {
        assign(bench, w, files[k], kSlotLabels[k], amounts[k].toStdString());
    }
    if (!option.isEmpty()) {
        control<QRadioButton>(w, option)->click();
    }
    if (removeMix) {
        fs::remove_all(bench.root() / "mix");
    }
    w->Text1->setText(fileName);
    bench.dialogs.shown.clear();

    QTest::mouseClick(w->Command1, Qt::LeftButton);

    QCOMPARE(bench.dialogs.shown.size(), std::size_t{1});
    const testing::ShownDialog& shown = bench.dialogs.shown.front();
    QCOMPARE(QString::fromStdString(shown.text), message);
    if (path.isEmpty()) {
        const bool mixtureFailure = kind == "mixture" && message == kDataError;
        QCOMPARE(shown.title,
                 std::string(mixtureFailure ? "Input Error" : platform::kApplicationTitle));
        QCOMPARE(shown.icon,
                 mixtureFailure ? platform::MessageIcon::None : platform::MessageIcon::Exclamation);
        QVERIFY(w->isVisible() && w->Command1->isEnabled() && !bench.form1->isVisible());
        QCOMPARE(w->Text1->text(), fileName);
        QVERIFY(!fs::exists(bench.root() / "mix") || fs::is_empty(bench.root() / "mix"));
        // The window is ready for another try once the fault is mended.
        if (removeMix) {
            fs::create_directories(bench.root() / "mix");
            QTest::mouseClick(w->Command1, Qt::LeftButton);
            QCOMPARE(bench.dialogs.shown.back().text, std::string(" Data saved "));
            QVERIFY(fs::exists(bench.root() / "mix" / "W.mix3"));
        }
        return;
    }
    QCOMPARE(QString::fromStdString(shown.title), "New Data : " + path);
    QCOMPARE(shown.icon, platform::MessageIcon::None);
    QVERIFY(!w->isVisible() && bench.form1->isVisible());
    QCOMPARE(visibleSlots(w), 0);
    const std::string text = testing::readFile(bench.root() / path.toStdString());
    QVERIFY(text.starts_with("Water\r\n.998\r\n5\r\n"));
    bench.table.SelectedPath = path.toStdString();
    QVERIFY(data::LoadMaterialTable(bench.table, bench.root()).ok());
    QCOMPARE(bench.table.RowCount, 5);
    QVERIFY(testing::closeTo(bench.table.Energy[2], 5e-3));
    // Four significant digits in the file.
    QVERIFY2(testing::closeTo(bench.table.Coherent[1], coherentAt1keV, 6e-4),
             qPrintable(QString::number(bench.table.Coherent[1], 'g', 10)));
}

QTEST_MAIN(NewDataWindowsTest)
#include "test_newdata_windows.moc"
