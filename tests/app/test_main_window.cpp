// The main window and the start notice, driven headless through their controls.

#include "app/Form1.h"
#include "app/Form9.h"
#include "app/WorkingFolder.h"
#include "calc/Form10.h"
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
             {"ele/082_Pb.ele Lead 11.35", "mix/water.mix3 Water 1.", "mix/air.mix3 Air .001205",
              "mix/bone.mix1 Bone 1.92", "mix/pmma.mix2 PMMA 1.19", "mix/old.mix Old 1."}) {
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
    /// Clicks "File2 water.mix3" or an option (on its round mark, which answers), or sets a path.
    void click(const QString& what) {
        if (what.startsWith("mix/")) {
            table.SelectedPath = what.toStdString(); // chosen without its list
            return;
        }
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
    void workingFolderChoice_data();
    void workingFolderChoice();
    void startUp_data();
    void startUp();
    void choiceAcrossListsAndCategories();
    void deletion_data();
    void deletion();
    void goIgnoresActionsDuringItsEventPass();
};

void MainWindowTest::startUp_data() {
    QTest::addColumn<QByteArray>("startDat"); // null: the file is absent
    QTest::addColumn<QByteArray>("userTxt");
    QTest::addColumn<QString>("title"); // empty: the start notice instead of the main window
    QTest::addColumn<bool>("byButton"); // the way out: Command1, else the title bar's close box
    const QByteArray start("PhotonXS\r\n");
    const QByteArray user("Dept. A\r\nsecond line\r\n");
    QTest::newRow("both files: title from the first line only")
        << start << user << "  Dept. A" << true;
    QTest::newRow("LF line ends and a byte-order mark")
        << QByteArray("x") << QByteArray("\357\273\277Dept. B\nmore\n") << "  Dept. B" << false;
    QTest::newRow("user.txt of one line without line end")
        << start << QByteArray("Radiology") << "  Radiology" << false;
    QTest::newRow("no Start.dat") << QByteArray() << user << "" << true;
    QTest::newRow("Start.dat of blanks only") << QByteArray("  \r\n") << user << "" << false;
    QTest::newRow("no user.txt") << start << QByteArray() << "" << true;
    QTest::newRow("empty user.txt") << start << QByteArray("") << "" << false;
}

void MainWindowTest::startUp() {
    QFETCH(QByteArray, startDat);
    QFETCH(QByteArray, userTxt);
    QFETCH(QString, title);
    QFETCH(bool, byButton);
    Session s;
    for (const auto& [file, bytes] :
         {std::pair{"Start.dat", startDat}, {"ele/user.txt", userTxt}}) {
        std::filesystem::remove(s.root() / file);
        if (!bytes.isNull()) {
            s.write(file, bytes.toStdString());
        }
    }
    s.start();
    QWidget& window = title.isEmpty() ? static_cast<QWidget&>(*s.windows().form9) : s.main();
    QCOMPARE(s.main().isVisible(), !title.isEmpty());
    QCOMPARE(s.windows().form9->isVisible(), title.isEmpty());
    if (title.isEmpty()) {
        QCOMPARE(testing::control<QLabel>(&window, "Label1")->text(),
                 QString("Please start from \"Zelna_D7IR.exe\""));
    } else {
        QCOMPARE(window.windowTitle(), title);
    }
    if (byButton) {
        QTest::mouseClick(testing::control<QPushButton>(&window, "Command1"), Qt::LeftButton);
    }
    // Closing follows the button too; only the main window starts a program, once.
    window.close();
    const QString next = byButton ? "Zelna_D7IR.exe" : "Zelna_V6.exe";
    QCOMPARE(strings(s.launcher.started), title.isEmpty() ? QStringList() : QStringList{next});
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
    QVERIFY(s.list("File2")->selectedItems().isEmpty() &&
            s.main().focusWidget() == s.main().Command2);
    s.click("File2 water.mix3");
    // The categories change the list, not the choice.
    for (const auto& [option, listed] : {std::pair{"Option1", "bone.mix1"},
                                         {"Option2", "pmma.mix2"},
                                         {"Option3", "air.mix3 water.mix3"}}) {
        s.click(option);
        QCOMPARE(lines(s.list("File2")).join(' '), QString(listed));
    }
    QVERIFY(s.choice() == kWater && s.dialogs.shown.empty());
    // A new file shows after a refresh, with nothing highlighted.
    s.write("mix/broken.mix3", "Broken\r\n");
    s.context.returnToMainWindow(true); // as a builder does after saving
    QCOMPARE(lines(s.list("File2")), QStringList({"air.mix3", "broken.mix3", "water.mix3"}));
    QVERIFY(s.list("File2")->selectedItems().isEmpty());
    // A file that cannot be read keeps the earlier choice, with a warning that names it.
    s.click("File2 water.mix3");
    s.click("File2 broken.mix3");
    QCOMPARE(s.dialogs.shown.size(), std::size_t(1));
    QVERIFY(s.dialogs.shown[0].text.find("mix/broken.mix3") != std::string::npos);
    QCOMPARE(s.dialogs.shown[0].icon, MessageIcon::Exclamation);
    QVERIFY(s.choice() == kWater && s.list("File2")->FileName() == "water.mix3");
}

void MainWindowTest::deletion_data() {
    QTest::addColumn<QStringList>("steps"); // controls to click, or a path to choose
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<QStringList>("messages"); // the last one may go on (a system's reason)
    QTest::addColumn<QString>("gone");
    QTest::addColumn<QString>("choice");
    const QStringList none, water{"File2 water.mix3"}, erase{" really erase water.mix3 ? "};
    QTest::newRow("nothing chosen: nothing asked") << none << true << none << ""
                                                   << "||";
    QTest::newRow("an element is refused") << QStringList{"File1 082_Pb.ele"} << true
                                           << QStringList{" This file cannot be deleted "} << ""
                                           << "Lead|11.350|ele/082_Pb.ele";
    QTest::newRow("confirmed") << water << true << erase << "mix/water.mix3"
                               << "||";
    QTest::newRow("cancelled") << water << false << erase << "" << kWater;
    // A folder of that name cannot be removed as a file, whoever runs the test.
    QTest::newRow("failure keeps the choice")
        << water + QStringList{"mix/stuck.mix3"} << true
        << QStringList{" really erase stuck.mix3 ? ", " mix/stuck.mix3 cannot be deleted:"} << ""
        << "Water|1.000|mix/stuck.mix3";
}

void MainWindowTest::deletion() {
    QFETCH(QStringList, steps);
    QFETCH(bool, confirm);
    QFETCH(QStringList, messages);
    QFETCH(QString, gone);
    QFETCH(QString, choice);
    Session s;
    s.write("mix/stuck.mix3/a", "x").start();
    const Windows& w = s.windows();
    const std::initializer_list<QWidget*> companions{w.form2, w.form3, w.form10};
    for (QWidget* companion : companions) {
        companion->show();
    }
    for (const QString& step : steps) {
        s.click(step);
    }
    s.dialogs.messageAnswers.push_back(confirm ? MessageResult::Ok : MessageResult::Cancel);
    s.press("Command3");
    if (!gone.isEmpty()) {
        s.press("Command3"); // nothing is chosen now, so nothing more is asked
    }
    const QStringList shown = strings(s.dialogs.messages());
    QCOMPARE(shown.size(), messages.size());
    QVERIFY2(shown.join('|').startsWith(messages.join('|')), qPrintable(shown.join('|')));
    // A question (OK and Cancel: a cancelled one deletes nothing) has no icon; a warning has.
    for (const testing::ShownDialog& d : s.dialogs.shown) {
        const bool asks = d.buttons == MessageButtons::OkCancel;
        QVERIFY(d.icon == (asks ? MessageIcon::None : MessageIcon::Exclamation) &&
                d.title == "Zelna7LL_sub1");
    }
    for (const char* file :
         {"ele/082_Pb.ele", "mix/water.mix3", "mix/air.mix3", "mix/stuck.mix3/a"}) {
        QVERIFY2(std::filesystem::exists(s.root() / file) == (gone != file), file);
    }
    QCOMPARE(s.choice(), choice);
    QVERIFY(!lines(s.list("File2")).contains(gone.section('/', 1)));
    // A deletion closes the windows that showed the material.
    for (QWidget* companion : companions) {
        QCOMPARE(companion->isVisible(), gone.isEmpty());
    }
}

void MainWindowTest::goIgnoresActionsDuringItsEventPass() {
    Session s;
    s.start();
    s.click("File2 water.mix3");
    // While GO lets events through, Delete and Create New Data do nothing.
    s.launcher.onEventPass = [&s] {
        s.press("Command3");
        s.press("Command4");
    };
    s.press("Command2");
    QVERIFY(s.launcher.eventPasses == 1 && s.dialogs.shown.empty() &&
            !s.windows().form5->isVisible());
    s.press("Command3"); // once GO has finished, Delete answers again
    QCOMPARE(strings(s.dialogs.messages()), QStringList({" really erase water.mix3 ? "}));
}

// Where an installed program works: PHOTONXS_HOME as given, else ~/PhotonXS seeded from the
// installed library; nowhere to choose (the folder it was started in) without either.
void MainWindowTest::workingFolderChoice_data() {
    QTest::addColumn<QString>("photonxsHome"); // null: not set
    QTest::addColumn<QString>("home");
    QTest::addColumn<bool>("installed");
    QTest::addColumn<QString>("folder");
    const auto row = [](const char* name, const char* a, const char* b, bool i, const char* f) {
        QTest::newRow(name) << QString(a) << QString(b) << i << QString(f);
    };
    row("PHOTONXS_HOME wins", "/w", "/h", true, "/w");
    row("PHOTONXS_HOME empty", "", "/h", true, "/h/PhotonXS");
    row("HOME empty", nullptr, "", true, "");
    row("HOME not set", nullptr, nullptr, true, "");
    row("a build tree", nullptr, "/h", false, "");
}

void MainWindowTest::workingFolderChoice() {
    QFETCH(QString, photonxsHome);
    QFETCH(QString, home);
    QFETCH(bool, installed);
    QFETCH(QString, folder);
    testing::TempFolder tree;
    if (installed) {
        testing::writeFile(tree.path() / "share/photonxs/Start.dat", "x");
    }
    const QByteArray a = photonxsHome.toUtf8(), b = home.toUtf8();
    const app::WorkingFolder chosen =
        app::ChooseWorkingFolder(photonxsHome.isNull() ? nullptr : a.constData(),
                                 home.isNull() ? nullptr : b.constData(), tree.path() / "bin/px");
    QCOMPARE(QString::fromStdString(chosen.folder.string()), folder);
    const bool seeded = folder.endsWith("PhotonXS");
    QCOMPARE(chosen.library, seeded ? (tree.path() / "share/photonxs").lexically_normal()
                                    : std::filesystem::path());
}

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
