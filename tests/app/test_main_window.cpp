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

/// Elements and materials of every category, one row each; the program starts when asked.
struct Session : testing::WindowFixture {
    Session() {
        for (const char* line :
             {"ele/026_Fe.ele Iron 7.874", "ele/082_Pb.ele Lead 11.35", "mix/water.mix3 Water 1.",
              "mix/air.mix3 Air .001205", "mix/bone.mix1 Bone 1.92", "mix/muscle.mix1 Muscle 1.05",
              "mix/pmma.mix2 PMMA 1.19", "mix/old.mix Old 1."}) {
            const QStringList f = QString(line).split(' ');
            write(f[0].toStdString(), testing::materialText(f[1].toStdString(), f[2].toStdString(),
                                                            {{0.001, 1, 2, 3, 0, 0}}));
        }
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
    /// A list and a file name ("File2 water.mix3"), or an option button, clicked as the user does
    /// (an option on its round mark: it answers only on its mark and caption).
    void click(const QString& what) {
        if (what.startsWith("File")) {
            testing::clickItem(list(qPrintable(what.section(' ', 0, 0))), what.section(' ', 1));
            return;
        }
        QRadioButton* button = testing::control<QRadioButton>(&main(), qPrintable(what));
        const int middle = button->height() / 2;
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(middle, middle));
    }
};

const QString kWater = "Water|1.000|mix/water.mix3";

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void startUp_data();
    void startUp();
    void choiceAcrossListsAndCategories();
    void unreadableChoiceKeepsEarlierOne_data();
    void unreadableChoiceKeepsEarlierOne();
    void deletion_data();
    void deletion();
    void otherActionsHandOver();
};

void MainWindowTest::startUp_data() {
    QTest::addColumn<QByteArray>("startDat"); // null: the file is absent
    QTest::addColumn<QByteArray>("userTxt");
    QTest::addColumn<QString>("title"); // empty: the start notice instead of the main window
    QTest::addColumn<bool>("byButton"); // the way out: Command1, else the title bar's close box
    QTest::addColumn<QStringList>("started");
    const QByteArray start("PhotonXS\r\n");
    const QByteArray user("Dept. A\r\nsecond line\r\n");
    const QStringList none;
    QTest::newRow("both files: title from the first line only")
        << start << user << "  Dept. A" << true << QStringList{"Zelna_D7IR.exe"};
    QTest::newRow("LF line ends and a byte-order mark")
        << QByteArray("x")
        << QByteArray("\xEF\xBB\xBF"
                      "Dept. B\nmore\n")
        << "  Dept. B" << false << QStringList{"Zelna_V6.exe"};
    QTest::newRow("user.txt of one line without line end")
        << start << QByteArray("Radiology") << "  Radiology" << false
        << QStringList{"Zelna_V6.exe"};
    QTest::newRow("no Start.dat") << QByteArray() << user << "" << true << none;
    QTest::newRow("Start.dat of blanks only")
        << QByteArray("  \r\n") << user << "" << false << none;
    QTest::newRow("no user.txt") << start << QByteArray() << "" << true << none;
    QTest::newRow("empty user.txt") << start << QByteArray("") << "" << false << none;
}

void MainWindowTest::startUp() {
    QFETCH(QByteArray, startDat);
    QFETCH(QByteArray, userTxt);
    QFETCH(QString, title);
    QFETCH(bool, byButton);
    QFETCH(QStringList, started);
    Session s;
    for (const auto& [file, bytes] :
         {std::pair{"Start.dat", startDat}, {"ele/user.txt", userTxt}}) {
        std::filesystem::remove(s.root() / file);
        if (!bytes.isNull()) {
            s.write(file, bytes.toStdString());
        }
    }
    s.table.SelectedPath = "mix/left over";
    s.start();
    QWidget& window = title.isEmpty() ? static_cast<QWidget&>(*s.windows().form9) : s.main();
    QCOMPARE(s.main().isVisible(), !title.isEmpty());
    QCOMPARE(s.windows().form9->isVisible(), title.isEmpty());
    QVERIFY(s.launcher.started.empty() && s.dialogs.shown.empty());
    if (title.isEmpty()) {
        QCOMPARE(testing::control<QLabel>(&window, "Label1")->text(),
                 QString("Please start from \"Zelna_D7IR.exe\""));
    } else {
        QCOMPARE(window.windowTitle(), title);
        QCOMPARE(s.choice(), QString("||"));
        QCOMPARE(lines(s.list("File1")), QStringList({"026_Fe.ele", "082_Pb.ele"}));
        QCOMPARE(lines(s.list("File2")), QStringList({"air.mix3", "water.mix3"}));
    }
    if (byButton) {
        QTest::mouseClick(testing::control<QPushButton>(&window, "Command1"), Qt::LeftButton);
    }
    // Closing follows the button too when the window goes away; it must start nothing more.
    window.close();
    QCOMPARE(strings(s.launcher.started), started);
    QCOMPARE(s.launcher.endRequests, 1);
}

void MainWindowTest::choiceAcrossListsAndCategories() {
    Session s;
    s.start();
    s.click("File2 water.mix3");
    QCOMPARE(s.choice(), kWater);
    // A choice in one list clears the other's highlight; the density is shown, not as filed.
    s.click("File1 082_Pb.ele");
    QCOMPARE(s.choice(), QString("Lead|11.350|ele/082_Pb.ele"));
    QCOMPARE(s.main().focusWidget(), testing::control<QWidget>(&s.main(), "Command2"));
    QVERIFY(s.list("File2")->selectedItems().isEmpty());
    s.click("File2 water.mix3");
    QVERIFY(s.list("File1")->selectedItems().isEmpty());
    // The categories change the list only.
    for (const auto& [option, listed] : {std::pair{"Option1", "bone.mix1 muscle.mix1"},
                                         {"Option2", "pmma.mix2"},
                                         {"Option3", "air.mix3 water.mix3"}}) {
        s.click(option);
        QCOMPARE(lines(s.list("File2")).join(' '), QString(listed));
    }
    QCOMPARE(s.choice(), kWater);
    // A new file shows after a refresh, with nothing highlighted.
    s.write("mix/lung.mix3", testing::materialText("Lung", ".26", {}));
    QCOMPARE(lines(s.list("File2")).size(), 2);
    s.context.returnToMainWindow(true); // as a builder does after saving
    QCOMPARE(lines(s.list("File2")), QStringList({"air.mix3", "lung.mix3", "water.mix3"}));
    QVERIFY(s.list("File2")->selectedItems().isEmpty() && s.dialogs.shown.empty());
}

void MainWindowTest::unreadableChoiceKeepsEarlierOne_data() {
    QTest::addColumn<bool>("vanishes"); // removed after listing instead of damaged
    QTest::newRow("file ends before the density") << false;
    QTest::newRow("file removed since the list was read") << true;
}

void MainWindowTest::unreadableChoiceKeepsEarlierOne() {
    QFETCH(bool, vanishes);
    Session s;
    s.write("mix/broken.mix3", "Broken\r\n").start();
    s.click("File2 water.mix3");
    if (vanishes) {
        std::filesystem::remove(s.root() / "mix" / "broken.mix3");
    }
    s.click("File2 broken.mix3");
    QCOMPARE(s.dialogs.shown.size(), std::size_t(1));
    QVERIFY(s.dialogs.shown[0].text.find("mix/broken.mix3") != std::string::npos);
    QCOMPARE(s.dialogs.shown[0].icon, MessageIcon::Exclamation);
    QCOMPARE(s.choice(), kWater);
    QCOMPARE(s.list("File2")->FileName(), QString("water.mix3"));
    QCOMPARE(lines(s.list("File2")).contains("broken.mix3"), !vanishes);
}

void MainWindowTest::deletion_data() {
    QTest::addColumn<QStringList>("steps"); // controls to click, or a path to choose
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<QStringList>("messages"); // "..." at the end: the start of the text
    QTest::addColumn<QString>("gone");
    QTest::addColumn<QString>("choice");
    QTest::addColumn<QString>("remaining");
    const QString both = "air.mix3 water.mix3";
    const QString erase = " really erase water.mix3 ? ";
    QTest::newRow("nothing chosen: nothing asked") << QStringList{} << true << QStringList{} << ""
                                                   << "||" << both;
    QTest::newRow("an element is refused") << QStringList{"File1 082_Pb.ele"} << true
                                           << QStringList{" This file cannot be deleted "} << ""
                                           << "Lead|11.350|ele/082_Pb.ele" << both;
    QTest::newRow("confirmed") << QStringList{"File2 water.mix3"} << true << QStringList{erase}
                               << "mix/water.mix3"
                               << "||"
                               << "air.mix3";
    QTest::newRow("cancelled") << QStringList{"File2 water.mix3"} << false << QStringList{erase}
                               << "" << kWater << both;
    QTest::newRow("the chosen file, hidden by a category change")
        << QStringList{"File2 water.mix3", "Option1", "File2 bone.mix1", "Option3", "Option1"}
        << true << QStringList{" really erase bone.mix1 ? "} << "mix/bone.mix1"
        << "||"
        << "muscle.mix1";
    // A folder of that name cannot be removed as a file, whoever runs the test.
    QTest::newRow("failure keeps the choice")
        << QStringList{"File2 water.mix3", "mix/stuck.mix3"} << true
        << QStringList{" really erase stuck.mix3 ? ", " mix/stuck.mix3 cannot be deleted:..."} << ""
        << "Water|1.000|mix/stuck.mix3" << both;
}

void MainWindowTest::deletion() {
    QFETCH(QStringList, steps);
    QFETCH(bool, confirm);
    QFETCH(QStringList, messages);
    QFETCH(QString, gone);
    QFETCH(QString, choice);
    QFETCH(QString, remaining);
    Session s;
    s.write("mix/stuck.mix3/inside.txt", "x").start();
    const Windows& w = s.windows();
    for (QWidget* companion : std::initializer_list<QWidget*>{w.form2, w.form3, w.form10}) {
        companion->show();
    }
    for (const QString& step : steps) {
        if (step.startsWith("mix/")) {
            s.table.SelectedPath = step.toStdString();
        } else {
            s.click(step);
        }
    }
    s.dialogs.messageAnswers.push_back(confirm ? MessageResult::Ok : MessageResult::Cancel);
    s.press("Command3");
    if (!gone.isEmpty()) {
        s.press("Command3"); // nothing is chosen now, so nothing more is asked
    }
    const QStringList shown = strings(s.dialogs.messages());
    QCOMPARE(shown.size(), messages.size());
    for (qsizetype k = 0; k < messages.size(); ++k) {
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
    QCOMPARE(lines(s.list("File2")).join(' '), remaining);
    // A deletion closes the windows that showed the material.
    for (QWidget* companion : std::initializer_list<QWidget*>{w.form2, w.form3, w.form10}) {
        QCOMPARE(companion->isVisible(), gone.isEmpty());
    }
}

void MainWindowTest::otherActionsHandOver() {
    Session s;
    s.start();
    s.click("File2 water.mix3");
    // While GO lets events through, Delete, Create New Data and GO itself do nothing.
    s.launcher.onEventPass = [&s] {
        s.press("Command3");
        s.press("Command4");
        s.press("Command2");
    };
    s.press("Command2");
    QVERIFY(s.launcher.eventPasses == 1 && s.dialogs.shown.empty());
    QVERIFY(!s.windows().form5->isVisible() &&
            std::filesystem::exists(s.root() / "mix/water.mix3"));
    // Create New Data then hands over to the builder, hiding the windows of the material but not
    // the enlarged view.
    const Windows& w = s.windows();
    for (QWidget* window :
         std::initializer_list<QWidget*>{w.form10, w.form2, w.form7, w.form8, w.form3}) {
        window->show();
    }
    s.press("Command4");
    QVERIFY(w.form5->isVisible() && !s.main().isVisible() && w.form3->isVisible());
    QVERIFY(!w.form10->isVisible() && !w.form2->isVisible() && !w.form7->isVisible() &&
            !w.form8->isVisible());
}

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
