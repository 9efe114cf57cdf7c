// The main window and the start notice, driven headless through their controls.

#include "app/Form1.h"
#include "app/Form9.h"
#include "calc/Form10.h"
#include "export/Form7.h"
#include "export/Form8.h"
#include "fakes/WindowFixture.h"
#include "graph/Form2.h"
#include "graph/Form3.h"
#include "newdata/Form5.h"
#include "platform/qt/PatternFileList.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

using platform::MessageButtons;
using platform::MessageIcon;
using platform::MessageResult;
using testing::lines;
using testing::strings;

namespace {

std::string materialFile(const std::string& name, const std::string& density) {
    return testing::materialText(name, density, {{0.001, 1, 2, 3, 0, 0}});
}

/// Two elements and materials of every category; the program starts when a test asks.
struct Session : testing::WindowFixture {
    Session() {
        write("ele/026_Fe.ele", materialFile("Iron", "7.874"));
        write("ele/082_Pb.ele", materialFile("Lead", "11.35"));
        write("mix/water.mix3", materialFile("Water, liquid", "1."));
        write("mix/air.mix3", materialFile("Air", ".001205"));
        write("mix/bone.mix1", materialFile("Bone", "1.92"));
        write("mix/muscle.mix1", materialFile("Muscle", "1.05"));
        write("mix/pmma.mix2", materialFile("PMMA", "1.19"));
        write("mix/old.mix", materialFile("Old", "1."));
    }
    Form1& main() { return *windows().form1; }
    PatternFileList* list(const char* name) {
        return testing::control<PatternFileList>(&main(), name);
    }
    QString text(const char* name) { return testing::control<QLineEdit>(&main(), name)->text(); }
    /// The name and density boxes and the chosen path, as one line.
    QString choice() {
        return text("Text1") + "|" + text("Text2") + "|" +
               QString::fromStdString(table.SelectedPath);
    }
    void press(const char* button) {
        QTest::mouseClick(testing::control<QPushButton>(&main(), button), Qt::LeftButton);
    }
    void choose(const char* option) {
        // On the round mark at the left: the button answers only on its mark and caption.
        QRadioButton* button = testing::control<QRadioButton>(&main(), option);
        const int middle = button->height() / 2;
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(middle, middle));
    }
    void clickFile(const char* listName, const QString& fileName) {
        testing::clickItem(list(listName), fileName);
    }
};

const QString kWater = "Water, liquid|1.000|mix/water.mix3";

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void startUp_data();
    void startUp();
    void waysOut_data();
    void waysOut();
    void densityShown_data();
    void densityShown();
    void choiceAcrossListsAndCategories();
    void unreadableChoiceKeepsEarlierOne_data();
    void unreadableChoiceKeepsEarlierOne();
    void deletion_data();
    void deletion();
    void createNewDataHandsOver();
    void goIgnoresActionsDuringItsEventPass();
};

void MainWindowTest::startUp_data() {
    QTest::addColumn<QByteArray>("startDat"); // null: the file is absent
    QTest::addColumn<QByteArray>("userTxt");
    QTest::addColumn<QString>("title"); // empty: the start notice instead of the main window

    const QByteArray start("PhotonXS\r\n");
    const QByteArray user("Dept. A\r\nsecond line\r\nthird line\r\n");
    QTest::newRow("both files: title from the first line only") << start << user << "  Dept. A";
    QTest::newRow("LF line ends and a byte-order mark") << QByteArray("x")
                                                        << QByteArray("\xEF\xBB\xBF"
                                                                      "Dept. B\nmore\n")
                                                        << "  Dept. B";
    QTest::newRow("user.txt of one line without line end")
        << start << QByteArray("Radiology") << "  Radiology";
    QTest::newRow("no Start.dat") << QByteArray() << user << "";
    QTest::newRow("empty Start.dat") << QByteArray("") << user << "";
    QTest::newRow("Start.dat of blanks only") << QByteArray("  \r\n") << user << "";
    QTest::newRow("no user.txt") << start << QByteArray() << "";
    QTest::newRow("empty user.txt") << start << QByteArray("") << "";
}

void MainWindowTest::startUp() {
    QFETCH(QByteArray, startDat);
    QFETCH(QByteArray, userTxt);
    QFETCH(QString, title);
    Session s;
    std::filesystem::remove(s.root() / "Start.dat");
    std::filesystem::remove(s.root() / "ele" / "user.txt");
    if (!startDat.isNull()) {
        testing::writeFile(s.root() / "Start.dat", startDat.toStdString());
    }
    if (!userTxt.isNull()) {
        testing::writeFile(s.root() / "ele" / "user.txt", userTxt.toStdString());
    }
    s.table.SelectedPath = "mix/left over";
    s.start();
    QCOMPARE(s.main().isVisible(), !title.isEmpty());
    QCOMPARE(s.windows().form9->isVisible(), title.isEmpty());
    QVERIFY(s.launcher.started.empty() && s.dialogs.shown.empty());
    if (title.isEmpty()) {
        QCOMPARE(testing::control<QLabel>(s.windows().form9, "Label1")->text(),
                 QString("Please start from \"Zelna_D7IR.exe\""));
        return;
    }
    QCOMPARE(s.main().windowTitle(), title);
    QCOMPARE(s.choice(), QString("||"));
    QCOMPARE(lines(s.list("File1")), QStringList({"026_Fe.ele", "082_Pb.ele"}));
    QCOMPARE(lines(s.list("File2")), QStringList({"air.mix3", "water.mix3"}));
}

void MainWindowTest::waysOut_data() {
    QTest::addColumn<bool>("notice");
    QTest::addColumn<bool>("byButton");
    QTest::addColumn<QStringList>("started");
    QTest::newRow("exit button") << false << true << QStringList{"Zelna_D7IR.exe"};
    QTest::newRow("close box") << false << false << QStringList{"Zelna_V6.exe"};
    QTest::newRow("start notice's OK button") << true << true << QStringList{};
    QTest::newRow("start notice's title bar close") << true << false << QStringList{};
}

void MainWindowTest::waysOut() {
    QFETCH(bool, notice);
    QFETCH(bool, byButton);
    QFETCH(QStringList, started);
    Session s;
    if (notice) {
        std::filesystem::remove(s.root() / "Start.dat");
    }
    s.start();
    QWidget& window = notice ? static_cast<QWidget&>(*s.windows().form9) : s.main();
    if (byButton) {
        QTest::mouseClick(testing::control<QPushButton>(&window, "Command1"), Qt::LeftButton);
    }
    // Closing follows the button too when the window goes away; it must start nothing more.
    window.close();
    QCOMPARE(strings(s.launcher.started), started);
    QCOMPARE(s.launcher.endRequests, 1);
}

void MainWindowTest::densityShown_data() {
    QTest::addColumn<QString>("densityLine");
    QTest::addColumn<QString>("shown");
    QTest::newRow("whole number") << QString("2") << QString("2.000");
    QTest::newRow("four decimals kept") << QString("0.0012") << QString("0.0012");
    QTest::newRow("rounded to six decimals") << QString("0.00120479") << QString("0.001205");
    QTest::newRow("padded to three decimals") << QString("11.35") << QString("11.350");
    QTest::newRow("as the masks write it") << QString(".5") << QString("0.500");
    QTest::newRow("exponent") << QString("8.375E-05") << QString("0.000084");
}

void MainWindowTest::densityShown() {
    QFETCH(QString, densityLine);
    QFETCH(QString, shown);
    Session s;
    s.write("ele/050_Sn.ele", materialFile("Tin", densityLine.toStdString()));
    s.start();
    s.clickFile("File1", "050_Sn.ele");
    QCOMPARE(s.choice(), "Tin|" + shown + "|ele/050_Sn.ele");
    QCOMPARE(s.main().focusWidget(), testing::control<QWidget>(&s.main(), "Command2"));
}

void MainWindowTest::choiceAcrossListsAndCategories() {
    Session s;
    s.start();
    s.clickFile("File2", "water.mix3");
    QCOMPARE(s.choice(), kWater);
    // A choice in one list clears the other's highlight.
    s.clickFile("File1", "082_Pb.ele");
    QCOMPARE(s.choice(), QString("Lead|11.350|ele/082_Pb.ele"));
    QVERIFY(s.list("File2")->selectedItems().isEmpty());
    s.clickFile("File2", "water.mix3");
    QVERIFY(s.list("File1")->selectedItems().isEmpty());
    // The categories change the list only.
    s.choose("Option1");
    QCOMPARE(lines(s.list("File2")), QStringList({"bone.mix1", "muscle.mix1"}));
    s.choose("Option2");
    QCOMPARE(lines(s.list("File2")), QStringList({"pmma.mix2"}));
    s.choose("Option3");
    QCOMPARE(lines(s.list("File2")), QStringList({"air.mix3", "water.mix3"}));
    QCOMPARE(s.choice(), kWater);
    // A new file shows after a refresh, with nothing highlighted.
    testing::writeFile(s.root() / "mix" / "lung.mix3", materialFile("Lung", ".26"));
    QCOMPARE(lines(s.list("File2")), QStringList({"air.mix3", "water.mix3"}));
    s.context.returnToMainWindow(true); // as a builder does after saving
    QCOMPARE(lines(s.list("File2")), QStringList({"air.mix3", "lung.mix3", "water.mix3"}));
    QVERIFY(s.list("File2")->selectedItems().isEmpty());
    QVERIFY(s.dialogs.shown.empty());
}

void MainWindowTest::unreadableChoiceKeepsEarlierOne_data() {
    QTest::addColumn<bool>("vanishes"); // removed after listing instead of damaged
    QTest::newRow("file ends before the density") << false;
    QTest::newRow("file removed since the list was read") << true;
}

void MainWindowTest::unreadableChoiceKeepsEarlierOne() {
    QFETCH(bool, vanishes);
    Session s;
    testing::writeFile(s.root() / "mix" / "broken.mix3", "Broken\r\n");
    s.start();
    s.clickFile("File2", "water.mix3");
    if (vanishes) {
        std::filesystem::remove(s.root() / "mix" / "broken.mix3");
    }
    s.clickFile("File2", "broken.mix3");
    QCOMPARE(s.dialogs.shown.size(), std::size_t(1));
    QVERIFY(s.dialogs.shown[0].text.find("mix/broken.mix3") != std::string::npos);
    QCOMPARE(s.dialogs.shown[0].icon, MessageIcon::Exclamation);
    QCOMPARE(s.choice(), kWater);
    QCOMPARE(s.list("File2")->FileName(), QString("water.mix3"));
    QCOMPARE(lines(s.list("File2")).contains("broken.mix3"), !vanishes);
}

void MainWindowTest::deletion_data() {
    QTest::addColumn<QStringList>("steps"); // a list and a file to click, an option, or a path
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<QStringList>("messages"); // "..." at the end: the start of the text
    QTest::addColumn<QString>("gone");
    QTest::addColumn<QString>("choice");
    QTest::addColumn<QStringList>("remaining");
    const QStringList both{"air.mix3", "water.mix3"};
    const QString erase = " really erase water.mix3 ? ";
    QTest::newRow("nothing chosen: nothing asked") << QStringList{} << true << QStringList{} << ""
                                                   << "||" << both;
    QTest::newRow("an element is refused") << QStringList{"File1 082_Pb.ele"} << true
                                           << QStringList{" This file cannot be deleted "} << ""
                                           << "Lead|11.350|ele/082_Pb.ele" << both;
    QTest::newRow("confirmed") << QStringList{"File2 water.mix3"} << true << QStringList{erase}
                               << "mix/water.mix3"
                               << "||" << QStringList{"air.mix3"};
    QTest::newRow("cancelled") << QStringList{"File2 water.mix3"} << false << QStringList{erase}
                               << "" << kWater << both;
    QTest::newRow("the chosen file, hidden by a category change")
        << QStringList{"File2 water.mix3", "Option1", "File2 bone.mix1", "Option3", "Option1"}
        << true << QStringList{" really erase bone.mix1 ? "} << "mix/bone.mix1"
        << "||" << QStringList{"muscle.mix1"};
    // A folder of that name cannot be removed as a file, whoever runs the test.
    QTest::newRow("failure keeps the choice")
        << QStringList{"File2 water.mix3", "path mix/stuck.mix3"} << true
        << QStringList{" really erase stuck.mix3 ? ", " mix/stuck.mix3 cannot be deleted:..."} << ""
        << "Water, liquid|1.000|mix/stuck.mix3" << both;
}

void MainWindowTest::deletion() {
    QFETCH(QStringList, steps);
    QFETCH(bool, confirm);
    QFETCH(QStringList, messages);
    QFETCH(QString, gone);
    QFETCH(QString, choice);
    QFETCH(QStringList, remaining);
    Session s;
    testing::writeFile(s.root() / "mix" / "stuck.mix3" / "inside.txt", "x");
    s.start();
    Windows& w = s.windows();
    const std::initializer_list<QWidget*> companions{w.form2, w.form3, w.form10};
    for (QWidget* companion : companions) {
        companion->show();
    }
    for (const QString& step : steps) {
        const QString what = step.section(' ', 0, 0);
        if (what == "path") {
            s.table.SelectedPath = step.section(' ', 1).toStdString();
        } else if (what.startsWith("File")) {
            s.clickFile(qPrintable(what), step.section(' ', 1));
        } else {
            s.choose(qPrintable(what));
        }
    }
    s.dialogs.messageAnswers.push_back(confirm ? MessageResult::Ok : MessageResult::Cancel);
    s.press("Command3");
    if (!gone.isEmpty()) {
        s.press("Command3"); // nothing is chosen now, so nothing more is asked
    }
    const QStringList shown = strings(s.dialogs.messages());
    QCOMPARE(shown.size(), messages.size());
    for (qsizetype k = 0; k < shown.size(); ++k) {
        QVERIFY2(messages[k].endsWith("...") ? shown[k].startsWith(messages[k].chopped(3))
                                             : shown[k] == messages[k],
                 qPrintable(shown[k]));
    }
    // A question has OK and Cancel and no icon; anything else is a warning.
    for (const testing::ShownDialog& dialog : s.dialogs.shown) {
        const bool asks = dialog.text.rfind(" really erase", 0) == 0;
        QCOMPARE(dialog.buttons, asks ? MessageButtons::OkCancel : MessageButtons::Ok);
        QCOMPARE(dialog.icon, asks ? MessageIcon::None : MessageIcon::Exclamation);
        QCOMPARE(dialog.title, std::string("Zelna7LL_sub1"));
    }
    for (const char* file : {"ele/082_Pb.ele", "mix/water.mix3", "mix/air.mix3", "mix/bone.mix1",
                             "mix/stuck.mix3/inside.txt"}) {
        QVERIFY2(std::filesystem::exists(s.root() / file) == (gone != file), file);
    }
    QCOMPARE(s.choice(), choice);
    QCOMPARE(lines(s.list("File2")), remaining);
    // A deletion closes the windows that showed the material.
    for (QWidget* companion : companions) {
        QCOMPARE(companion->isVisible(), gone.isEmpty());
    }
    QVERIFY(s.main().isVisible());
}

void MainWindowTest::createNewDataHandsOver() {
    Session s;
    s.start();
    Windows& w = s.windows();
    const std::initializer_list<QWidget*> companions{w.form10, w.form2, w.form7, w.form8};
    for (QWidget* companion : companions) {
        companion->show();
    }
    w.form3->show();
    s.press("Command4");
    QVERIFY(w.form5->isVisible() && !s.main().isVisible());
    for (QWidget* companion : companions) {
        QVERIFY(!companion->isVisible());
    }
    QVERIFY(w.form3->isVisible()); // the enlarged view is not among the windows handed over
}

void MainWindowTest::goIgnoresActionsDuringItsEventPass() {
    Session s;
    s.start();
    s.clickFile("File2", "water.mix3");
    s.launcher.onEventPass = [&s] {
        s.press("Command3");
        s.press("Command4");
        s.press("Command2");
    };
    s.press("Command2");
    if (s.launcher.eventPasses == 0) {
        QSKIP("GO did not reach its event-loop pass");
    }
    QCOMPARE(s.launcher.eventPasses, 1);
    QVERIFY(s.dialogs.messages().empty());
    QVERIFY(!s.windows().form5->isVisible());
    QVERIFY(std::filesystem::exists(s.root() / "mix" / "water.mix3"));
    // Once GO has finished, Delete answers again.
    s.launcher.onEventPass = nullptr;
    s.dialogs.messageAnswers.push_back(MessageResult::Cancel);
    s.press("Command3");
    QCOMPARE(strings(s.dialogs.messages()), QStringList({" really erase water.mix3 ? "}));
}

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
