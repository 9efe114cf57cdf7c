// The new-data windows driven headless: the chooser, the compound and the mixture builder.

#include "app/Form1.h"
#include "fakes/WindowFixture.h"
#include "newdata/Form4.h"
#include "newdata/Form5.h"
#include "newdata/Form6.h"
#include "platform/qt/PatternFileList.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace fs = std::filesystem;
using testing::control;

namespace {

const char* const kDataError = " There is an error in the entered data ";
const char* const kSaved = " Data saved ";
/// Number labels of slots 1 to 15 (the compound builder has the first five).
const QStringList kSlotLabels = {"Label8",  "Label9",  "Label10", "Label11", "Label12",
                                 "Label13", "Label15", "Label16", "Label17", "Label18",
                                 "Label19", "Label20", "Label21", "Label22", "Label23"};

/// The program with hydrogen and oxygen of made-up values; together they give the grid 1E-3,
/// 5E-3, 1E-2, 1E-1, 1 MeV.
struct NewData : testing::WindowFixture {
    NewData() {
        write("ele/001_H.ele", testing::materialText("Hydrogen", "8.375E-05",
                                                     {{1e-3, 0.1, 0.02, 5, 0, 0},
                                                      {1e-2, 0.05, 0.25, 4e-3, 0, 0},
                                                      {0.1, 3e-3, 0.35, 2e-6, 0, 0},
                                                      {1, 3e-5, 0.12, 1e-9, 0, 0}}) +
                                   "1.0079\r\n");
        write("ele/008_O.ele", testing::materialText("Oxygen", "1.429E-03",
                                                     {{1e-3, 1, 0.02, 4000, 0, 0},
                                                      {5e-3, 0.6, 0.06, 40, 0, 0},
                                                      {1e-2, 0.4, 0.08, 5, 0, 0},
                                                      {0.1, 0.03, 0.15, 5e-3, 0, 0},
                                                      {1, 3e-4, 0.06, 1e-6, 0, 0}}) +
                                   "15.999\r\n");
        write("ele/notes.txt", "not an element\r\n");
        fs::create_directories(root() / "mix");
        start();
    }
    /// The road from the main window through the chooser to a builder opened afresh.
    BuilderWindow* open(const QString& kind) {
        QTest::mouseClick(windows().form1->Command4, Qt::LeftButton);
        Form5* chooser = windows().form5;
        QTest::mouseClick(kind == "compound" ? chooser->Command1 : chooser->Command2,
                          Qt::LeftButton);
        return kind == "compound" ? static_cast<BuilderWindow*>(windows().form4) : windows().form6;
    }
    /// Types the fields above the slots and presses the first OK.
    void firstOk(BuilderWindow* w, const QString& name, const QString& density,
                 const QString& count) {
        w->Text13->setText(name);
        w->Text14->setText(density);
        w->Text2->setText(count);
        QTest::mouseClick(w->Command3, Qt::LeftButton);
    }
    /// Highlights an element file, clicks a slot's number label and answers the input box.
    void assign(BuilderWindow* w, const QString& file, int slot, const std::string& answer) {
        w->File1->setCurrentItem(w->File1->findItems(file, Qt::MatchExactly).value(0));
        dialogs.inputAnswers = {answer};
        click(w, kSlotLabels[slot - 1]);
    }
    static void click(QWidget* w, const QString& name) {
        QTest::mouseClick(control<QWidget>(w, qPrintable(name)), Qt::LeftButton);
    }
    static int visibleSlots(BuilderWindow* w) {
        int visible = 0;
        for (const QString& label : kSlotLabels.mid(0, qobject_cast<Form4*>(w) ? 5 : 15)) {
            visible += control<QWidget>(w, qPrintable(label))->isVisible() ? 1 : 0;
        }
        return visible;
    }
};

struct Save {
    QString kind, count;
    QStringList amounts; // slot 1 gets H, slot 2 O; fewer amounts, fewer slots
    QString option, fileName, message;
    QString path = {}; // the file written; empty when the save fails
    double coherentAt1keV = 0;
};

void kinds() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("compound") << QString("compound");
    QTest::newRow("mixture") << QString("mixture");
}

} // namespace

Q_DECLARE_METATYPE(Save)

class NewDataWindowsTest : public QObject {
    Q_OBJECT

  private slots:
    void cancelAndReopenStartAfresh_data() { kinds(); }
    void cancelAndReopenStartAfresh() {
        QFETCH(QString, kind);
        NewData f;
        BuilderWindow* w = f.open(kind);
        QCOMPARE(testing::lines(w->File1), QStringList({"001_H.ele", "008_O.ele"}));
        const int slotCount = kind == "compound" ? 5 : 15;
        f.firstOk(w, "Old", "2", QString::number(slotCount));
        f.assign(w, "008_O.ele", 2, "4");
        w->Text1->setText("old");
        QCOMPARE(f.visibleSlots(w), slotCount);
        // Cancel goes back to the main window and hides the slots; nothing is written.
        QTest::mouseClick(w->Command2, Qt::LeftButton);
        QVERIFY(!w->isVisible() && f.windows().form1->isVisible());
        QCOMPARE(f.visibleSlots(w), 0);
        QVERIFY(fs::is_empty(f.root() / "mix"));
        // The slot table waits for the chooser to clear it; the chooser's own Cancel leaves it.
        QTest::mouseClick(f.windows().form1->Command4, Qt::LeftButton);
        QTest::mouseClick(f.windows().form5->Command3, Qt::LeftButton);
        QVERIFY(f.windows().form1->isVisible() && !f.windows().form5->isVisible());
        QCOMPARE(f.builder.SlotFile[2], std::string("008_O.ele"));
        QCOMPARE(f.builder.SlotAmount[2], 4.0);

        f.open(kind);
        QVERIFY(w->isVisible() && !f.windows().form5->isVisible());
        QCOMPARE(w->Text13->text(), kind == "compound" ? "Chemical compound" : "Mixture");
        QCOMPARE(w->Text14->text(), QString("9.999"));
        QVERIFY(w->Text1->text().isEmpty() && w->Text2->text().isEmpty());
        QVERIFY(control<QLineEdit>(w, "Text4")->text().isEmpty());
        QVERIFY(!w->Command1->isEnabled());
        QCOMPARE(f.visibleSlots(w), 0);
        QVERIFY(f.builder.SlotFile[2].empty());
        QCOMPARE(f.builder.SlotAmount[2], 0.0);
        QCOMPARE(f.builder.ElementCount, double(slotCount)); // until the next first OK
    }

    void firstOk_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("typed"); // name, density, count
        QTest::addColumn<QString>("message");   // empty: accepted
        QTest::addColumn<QStringList>("after"); // name, density
        QTest::addColumn<int>("visible");
        const auto row = [](const char* tag, const char* kind, QStringList typed,
                            const char* message, QStringList after, int visible) {
            QTest::newRow(tag) << QString(kind) << typed << QString(message) << after << visible;
        };
        const char* noName = " Input the Name ";
        const char* badCount = " Input the number of element ";
        row("compound without name", "compound", {"", "1", "2"}, noName, {"Chemical compound", "1"},
            0);
        row("mixture without name", "mixture", {"", "1", "2"}, noName, {"Mixture", "1"}, 0);
        row("density not a number", "mixture", {"W", "abc", "2"}, " Inappropriate density input ",
            {"W", "9.999"}, 0);
        row("compound count 0", "compound", {"W", "1", "0"}, badCount, {"W", "1"}, 0);
        row("compound count 6", "compound", {"W", "1", "6"}, badCount, {"W", "1"}, 0);
        row("mixture count 16", "mixture", {"W", "1", "16"}, badCount, {"W", "1"}, 0);
        row("compound count 5", "compound", {"W", "1", "5"}, "", {"W", "1"}, 5);
        row("compound count 2.5", "compound", {"W", "1", "2.5"}, "", {"W", "1"}, 2);
        row("mixture count 15", "mixture", {"W", "1", "15"}, "", {"W", "1"}, 15);
    }
    void firstOk() {
        QFETCH(QString, kind);
        QFETCH(QStringList, typed);
        QFETCH(QString, message);
        QFETCH(QStringList, after);
        QFETCH(int, visible);
        NewData f;
        BuilderWindow* w = f.open(kind);
        f.builder.ElementCount = 7.0;
        f.firstOk(w, typed[0], typed[1], typed[2]);

        QCOMPARE(f.visibleSlots(w), visible);
        QCOMPARE(QStringList({w->Text13->text(), w->Text14->text()}), after);
        QCOMPARE(w->Command1->isEnabled(), message.isEmpty());
        if (!message.isEmpty()) {
            QCOMPARE(f.dialogs.shown.size(), std::size_t{1});
            QCOMPARE(QString::fromStdString(f.dialogs.shown[0].text), message);
            QCOMPARE(f.dialogs.shown[0].icon, platform::MessageIcon::Exclamation);
            QCOMPARE(f.builder.ElementCount, 7.0);
            return;
        }
        QVERIFY(f.dialogs.shown.empty());
        QCOMPARE(f.builder.ElementCount, typed[2].toDouble());
        QCOMPARE(w->focusWidget(), static_cast<QWidget*>(w->File1));
        f.firstOk(w, "W", "1", "1"); // a smaller count later keeps the slots already shown
        QCOMPARE(f.visibleSlots(w), visible);
        QCOMPARE(f.builder.ElementCount, 1.0);
    }

    void slotNeedsSelectedElement() {
        NewData f;
        for (const QString kind : {"compound", "mixture"}) {
            BuilderWindow* w = f.open(kind);
            f.firstOk(w, "W", "1", "5");
            f.dialogs.shown.clear();
            w->File1->clearSelection();
            f.click(w, "Label8");
            f.click(w, "Text7"); // the compound's element boxes assign as the labels do
            const std::size_t shown = kind == "compound" ? 2 : 1;
            QCOMPARE(f.dialogs.messages(), std::vector<std::string>(shown, " Select a element "));
            QCOMPARE(f.dialogs.shown.size(), shown); // no input box
        }
        // The mixture builder's element boxes ignore clicks; only its number labels assign.
        BuilderWindow* w = f.windows().form6;
        f.firstOk(w, "W", "1", "15");
        w->File1->setCurrentRow(0);
        f.dialogs.shown.clear();
        f.click(w, "Text29");
        QVERIFY(f.dialogs.shown.empty());
        f.click(w, "Label23");
        QCOMPARE(f.builder.SlotFile[15], std::string("001_H.ele"));
        QCOMPARE(control<QLineEdit>(w, "Text29")->text(), QString("001_H.ele"));
        QCOMPARE(std::count(f.builder.SlotFile.begin(), f.builder.SlotFile.end(), ""), 15);
    }

    void amountAnswers_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<double>("stored"); // slot 3 holds 2 from an earlier answer
        QTest::addColumn<bool>("rejected");
        QTest::newRow("compound fraction") << "compound"
                                           << "0.5" << 0.5 << false;
        QTest::newRow("compound with trailing text") << "compound"
                                                     << " 3 atoms" << 3.0 << false;
        QTest::newRow("compound negative") << "compound"
                                           << "-1" << 2.0 << true;
        QTest::newRow("compound cancelled") << "compound"
                                            << "" << 2.0 << true;
        QTest::newRow("mixture weight") << "mixture"
                                        << "88.81" << 88.81 << false;
        QTest::newRow("mixture negative") << "mixture"
                                          << "-1" << -1.0 << false;
        QTest::newRow("mixture cancelled") << "mixture"
                                           << "" << 0.0 << false;
    }
    void amountAnswers() {
        QFETCH(QString, kind);
        QFETCH(QString, answer);
        QFETCH(double, stored);
        QFETCH(bool, rejected);
        NewData f;
        BuilderWindow* w = f.open(kind);
        f.firstOk(w, "W", "1", "3");
        f.assign(w, "001_H.ele", 3, "2");
        QCOMPARE(control<QLineEdit>(w, "Text5")->text(), QString("001_H.ele"));
        QCOMPARE(f.builder.SlotAmount[3], 2.0);
        const testing::ShownDialog asked = f.dialogs.shown.back();
        QVERIFY(asked.isInput && asked.title.empty() && asked.defaultAnswer.empty());
        QCOMPARE(asked.text, std::string(kind == "compound" ? " Input the number of element "
                                                            : " Enter the weight "));
        // Asking again through the amount box: the element stays, the last answer is the default.
        w->File1->setCurrentRow(1);
        f.dialogs.shown.clear();
        f.dialogs.inputAnswers = {answer.toStdString()};
        f.click(w, "Text10");
        QCOMPARE(f.dialogs.shown.front().defaultAnswer, std::string("2"));
        QCOMPARE(f.builder.SlotFile[3], std::string("001_H.ele"));
        QCOMPARE(control<QLineEdit>(w, "Text10")->text(), answer);
        QCOMPARE(f.builder.SlotAmount[3], stored);
        QCOMPARE(f.dialogs.messages(), rejected
                                           ? std::vector<std::string>{" Incorrect input value "}
                                           : std::vector<std::string>{});
    }

    void enterMovesFocus_data() { kinds(); }
    void enterMovesFocus() {
        QFETCH(QString, kind);
        NewData f;
        BuilderWindow* w = f.open(kind);
        const auto enterIn = [&](QLineEdit* box, Qt::Key key, QWidget* next) {
            box->setFocus();
            QTest::keyClick(box, key);
            QCOMPARE(w->focusWidget(), next);
        };
        enterIn(w->Text13, Qt::Key_Return, w->Text14);
        enterIn(w->Text14, Qt::Key_Enter, w->Text2);
        enterIn(w->Text2, Qt::Key_Return, w->Command3);
        enterIn(w->Text1, Qt::Key_Return, w->Text1); // nothing before the first OK
        QTest::keyClicks(w->Text1, "abc");           // other keys reach the box
        QCOMPARE(w->Text1->text(), QString("abc"));
        f.firstOk(w, "W", "1", "2");
        enterIn(w->Text1, Qt::Key_Return, w->Command1);
        QVERIFY(f.dialogs.shown.empty());
    }

    void save_data() {
        QTest::addColumn<Save>("c");
        // Water by atoms: mass fractions 2 x 1.0079 and 15.999 over their sum.
        const double h = 2 * 1.0079 / (2 * 1.0079 + 15.999);
        const double water = h * 0.1 + (1 - h) * 1.0;
        const auto row = [](const char* tag, Save c) { QTest::newRow(tag) << c; };
        row("compound, others",
            {"compound", "2", {"2", "1"}, "Option3", "Water", kSaved, "mix/Water.mix3", water});
        row("compound count 2.5 uses two slots, human tissues",
            {"compound", "2.5", {"2", "1"}, "Option1", "Water", kSaved, "mix/Water.mix1", water});
        row("mixture, weights on any scale, phantom", {"mixture",
                                                       "2",
                                                       {"30", "70"},
                                                       "Option2",
                                                       "Water",
                                                       kSaved,
                                                       "mix/Water.mix2",
                                                       0.3 * 0.1 + 0.7 * 1.0});
        row("compound without file name",
            {"compound", "2", {"2", "1"}, "", "", " Input File name "});
        row("mixture without file name",
            {"mixture", "2", {"2", "1"}, "", "", "ファイル名を入力してください"});
        row("compound, unassigned slot", {"compound", "2", {"1"}, "", "W", kDataError});
        row("compound, no material folder", {"compound", "2", {"2", "1"}, "", "W", kDataError});
        row("mixture, weights adding up to zero",
            {"mixture", "2", {"1", "-1"}, "", "W", kDataError});
        // 1.5 x 0.1 - 0.5 x 1 at 1 keV: a negative value no field can hold.
        row("mixture, a negative coefficient", {"mixture", "2", {"3", "-1"}, "", "W", kDataError});
    }
    void save() {
        QFETCH(Save, c);
        const QString &kind = c.kind, &fileName = c.fileName, &message = c.message, &path = c.path;
        NewData f;
        BuilderWindow* w = f.open(kind);
        f.firstOk(w, "Water", "0.998", c.count);
        for (int k = 0; k < c.amounts.size(); ++k) {
            f.assign(w, k == 0 ? "001_H.ele" : "008_O.ele", k + 1, c.amounts[k].toStdString());
        }
        if (!c.option.isEmpty()) {
            control<QRadioButton>(w, qPrintable(c.option))->click();
        }
        const bool noFolder = QString(QTest::currentDataTag()).contains("no material folder");
        if (noFolder) {
            fs::remove_all(f.root() / "mix");
        }
        w->Text1->setText(fileName);
        f.dialogs.shown.clear();
        QTest::mouseClick(w->Command1, Qt::LeftButton);

        QCOMPARE(f.dialogs.shown.size(), std::size_t{1});
        const testing::ShownDialog& shown = f.dialogs.shown.front();
        QCOMPARE(QString::fromStdString(shown.text), message);
        if (path.isEmpty()) {
            const bool mixtureFailure = kind == "mixture" && message == kDataError;
            QCOMPARE(shown.title,
                     std::string(mixtureFailure ? "Input Error" : platform::kApplicationTitle));
            QCOMPARE(shown.icon, mixtureFailure ? platform::MessageIcon::None
                                                : platform::MessageIcon::Exclamation);
            QVERIFY(w->isVisible() && w->Command1->isEnabled() && !f.windows().form1->isVisible());
            QCOMPARE(w->Text1->text(), fileName);
            QVERIFY(!fs::exists(f.root() / "mix") || fs::is_empty(f.root() / "mix"));
            if (noFolder) { // the window is ready for another try once the fault is mended
                fs::create_directories(f.root() / "mix");
                QTest::mouseClick(w->Command1, Qt::LeftButton);
                QCOMPARE(f.dialogs.shown.back().text, std::string(" Data saved "));
                QVERIFY(fs::exists(f.root() / "mix" / "W.mix3"));
            }
            return;
        }
        QCOMPARE(QString::fromStdString(shown.title), "New Data : " + path);
        QCOMPARE(shown.icon, platform::MessageIcon::None);
        QVERIFY(!w->isVisible() && f.windows().form1->isVisible());
        QCOMPARE(f.visibleSlots(w), 0);
        QVERIFY(
            testing::readFile(f.root() / path.toStdString()).starts_with("Water\r\n.998\r\n5\r\n"));
        // GO reads the new file back: four significant digits.
        QVERIFY(f.go(path.toStdString()));
        QCOMPARE(f.table.RowCount, 5);
        QVERIFY(testing::closeTo(f.table.Energy[2], 5e-3));
        QVERIFY2(testing::closeTo(f.table.Coherent[1], c.coherentAt1keV, 6e-4),
                 qPrintable(QString::number(f.table.Coherent[1], 'g', 10)));
    }
};

QTEST_MAIN(NewDataWindowsTest)
#include "test_windows.moc"
