// The main window and the start notice, driven headless through their controls.

#include "app/AppContext.h"
#include "app/Application.h"
#include "app/Form1.h"
#include "app/Form9.h"
#include "calc/Form10.h"
#include "data/MaterialTable.h"
#include "export/Form7.h"
#include "export/Form8.h"
#include "fakes/ScriptedDialogs.h"
#include "fakes/TestSupport.h"
#include "graph/Form2.h"
#include "graph/Form3.h"
#include "newdata/BuilderState.h"
#include "newdata/Form5.h"
#include "platform/qt/PatternFileList.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <filesystem>
#include <memory>
#include <string>

using platform::MessageButtons;
using platform::MessageIcon;
using platform::MessageResult;

namespace {

const char* const kRow = "1.000E-03 1.000E+00 2.000E+00 3.000E+00 0.000E+00 0.000E+00\r\n";

std::string elementFile(const std::string& name, const std::string& density) {
    return name + "\r\n" + density + "\r\n1\r\n" + kRow + "207.2\r\n";
}

std::string materialFile(const std::string& name, const std::string& density) {
    return name + "\r\n" + density + "\r\n1\r\n" + kRow;
}

/// A working folder with the start-up files, two elements and materials of every category, and
/// the program started on it.
struct Session {
    testing::TempFolder folder;
    data::MaterialTable table;
    newdata::BuilderState builder;
    testing::ScriptedDialogs dialogs;
    testing::RecordingLauncher launcher;
    std::unique_ptr<AppContext> context;
    std::unique_ptr<Application> app;

    std::filesystem::path root() const { return folder.path(); }

    void writeLibrary() {
        testing::writeFile(root() / "Start.dat", "PhotonXS\r\n");
        testing::writeFile(root() / "ele" / "user.txt", "Dept. A\r\nsecond line\r\n");
        testing::writeFile(root() / "ele" / "026_Fe.ele", elementFile("Iron", "7.874"));
        testing::writeFile(root() / "ele" / "082_Pb.ele", elementFile("Lead", "11.35"));
        testing::writeFile(root() / "mix" / "water.mix3", materialFile("Water, liquid", "1."));
        testing::writeFile(root() / "mix" / "air.mix3", materialFile("Air", ".001205"));
        testing::writeFile(root() / "mix" / "bone.mix1", materialFile("Bone", "1.92"));
        testing::writeFile(root() / "mix" / "muscle.mix1", materialFile("Muscle", "1.05"));
        testing::writeFile(root() / "mix" / "pmma.mix2", materialFile("PMMA", "1.19"));
        testing::writeFile(root() / "mix" / "old.mix", materialFile("Old", "1."));
    }

    void start() {
        context = std::make_unique<AppContext>(
            AppContext{table, builder, dialogs, launcher, root(), Windows{}});
        app = std::make_unique<Application>(*context);
        app->Start();
    }

    Windows& windows() { return context->windows; }
    Form1& main() { return *context->windows.form1; }

    template <typename T> T* control(QWidget& window, const char* name) {
        T* found = window.findChild<T*>(QString::fromLatin1(name));
        if (found == nullptr) {
            qFatal("control %s missing", name);
        }
        return found;
    }
    PatternFileList* list(const char* name) { return control<PatternFileList>(main(), name); }
    QString text(const char* name) { return control<QLineEdit>(main(), name)->text(); }
    void press(const char* button) {
        QTest::mouseClick(control<QPushButton>(main(), button), Qt::LeftButton);
    }
    void choose(const char* option) {
        // On the round mark at the left: the button answers only on its mark and caption.
        QRadioButton* button = control<QRadioButton>(main(), option);
        const int middle = button->height() / 2;
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(middle, middle));
    }

    /// Clicks the line of that file in the list, as the user would.
    void clickFile(const char* listName, const QString& fileName) {
        PatternFileList* files = list(listName);
        const QList<QListWidgetItem*> found = files->findItems(fileName, Qt::MatchExactly);
        if (found.isEmpty()) {
            qFatal("%s not listed", qPrintable(fileName));
        }
        files->scrollToItem(found.front());
        QTest::mouseClick(files->viewport(), Qt::LeftButton, {},
                          files->visualItemRect(found.front()).center());
    }
};

QStringList listed(const QListWidget* files) {
    QStringList names;
    for (int row = 0; row < files->count(); ++row) {
        names.append(files->item(row)->text());
    }
    return names;
}

QStringList strings(const std::vector<std::string>& texts) {
    QStringList out;
    for (const std::string& t : texts) {
        out.append(QString::fromStdString(t));
    }
    return out;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void startUp_data();
    void startUp();
    void noticeEndsProgram_data();
    void noticeEndsProgram();
    void densityShown_data();
    void densityShown();
    void choiceMovesBetweenLists();
    void categoryChangeKeepsChoice();
    void unreadableChoiceKeepsEarlierOne_data();
    void unreadableChoiceKeepsEarlierOne();
    void deleteRefusesElements();
    void deleteWithNothingChosenDoesNothing();
    void deleteMaterial_data();
    void deleteMaterial();
    void deleteAfterCategoryChangeNamesChosenFile();
    void failedDeletionKeepsChoice();
    void refreshShowsNewMaterial();
    void waysOut_data();
    void waysOut();
    void createNewDataHandsOver();
    void goIgnoresActionsDuringItsEventPass();
};

void MainWindowTest::startUp_data() {
    QTest::addColumn<QByteArray>("startDat"); // null: the file is absent
    QTest::addColumn<QByteArray>("userTxt");
    QTest::addColumn<bool>("mainShown");
    QTest::addColumn<QString>("title");

    const QByteArray start("PhotonXS\r\n");
    const QByteArray user("Dept. A\r\nsecond line\r\nthird line\r\n");
    QTest::newRow("both files: title from the first line only")
        << start << user << true << "  Dept. A";
    QTest::newRow("LF line ends and a byte-order mark") << QByteArray("x")
                                                        << QByteArray("\xEF\xBB\xBF"
                                                                      "Dept. B\nmore\n")
                                                        << true << "  Dept. B";
    QTest::newRow("user.txt of one line without line end")
        << start << QByteArray("Radiology") << true << "  Radiology";
    QTest::newRow("no Start.dat") << QByteArray() << user << false << "";
    QTest::newRow("empty Start.dat") << QByteArray("") << user << false << "";
    QTest::newRow("Start.dat of blanks only") << QByteArray("  \r\n") << user << false << "";
    QTest::newRow("no user.txt") << start << QByteArray() << false << "";
    QTest::newRow("empty user.txt") << start << QByteArray("") << false << "";
}

void MainWindowTest::startUp() {
    QFETCH(QByteArray, startDat);
    QFETCH(QByteArray, userTxt);
    QFETCH(bool, mainShown);
    QFETCH(QString, title);

    Session s;
    s.writeLibrary();
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

    QCOMPARE(s.main().isVisible(), mainShown);
    QCOMPARE(s.windows().form9->isVisible(), !mainShown);
    if (!mainShown) {
        QCOMPARE(s.control<QLabel>(*s.windows().form9, "Label1")->text(),
                 QString("Please start from \"Zelna_D7IR.exe\""));
        QVERIFY(s.launcher.started.empty());
        return;
    }
    QCOMPARE(s.main().windowTitle(), title);
    QVERIFY(s.table.SelectedPath.empty());
    QCOMPARE(s.text("Text1"), QString());
    QCOMPARE(s.text("Text2"), QString());
    QVERIFY(s.control<QRadioButton>(s.main(), "Option3")->isChecked());
    QCOMPARE(listed(s.list("File1")), QStringList({"026_Fe.ele", "082_Pb.ele"}));
    QCOMPARE(listed(s.list("File2")), QStringList({"air.mix3", "water.mix3"}));
    QVERIFY(s.dialogs.shown.empty());
}

void MainWindowTest::noticeEndsProgram_data() {
    QTest::addColumn<bool>("byButton");
    QTest::newRow("OK button") << true;
    QTest::newRow("title bar close") << false;
}

void MainWindowTest::noticeEndsProgram() {
    QFETCH(bool, byButton);
    Session s;
    s.writeLibrary();
    std::filesystem::remove(s.root() / "Start.dat");
    s.start();
    Form9& notice = *s.windows().form9;
    QVERIFY(notice.isVisible());

    if (byButton) {
        QTest::mouseClick(s.control<QPushButton>(notice, "Command1"), Qt::LeftButton);
    } else {
        notice.close();
    }
    QCOMPARE(s.launcher.endRequests, 1);
    QVERIFY(s.launcher.started.empty());
}

void MainWindowTest::densityShown_data() {
    QTest::addColumn<QString>("densityLine");
    QTest::addColumn<QString>("shown");
    QTest::newRow("whole number") << "2"
                                  << "2.000";
    QTest::newRow("four decimals kept") << "0.0012"
                                        << "0.0012";
    QTest::newRow("rounded to six decimals") << "0.00120479"
                                             << "0.001205";
    QTest::newRow("padded to three decimals") << "11.35"
                                              << "11.350";
    QTest::newRow("as the masks write it") << ".5"
                                           << "0.500";
    QTest::newRow("exponent") << "8.375E-05"
                              << "0.000084";
}

void MainWindowTest::densityShown() {
    QFETCH(QString, densityLine);
    QFETCH(QString, shown);
    Session s;
    s.writeLibrary();
    testing::writeFile(s.root() / "ele" / "050_Sn.ele",
                       elementFile("Tin", densityLine.toStdString()));
    s.start();

    s.clickFile("File1", "050_Sn.ele");
    QCOMPARE(s.text("Text2"), shown);
    QCOMPARE(s.text("Text1"), QString("Tin"));
    QCOMPARE(s.table.SelectedPath, std::string("ele/050_Sn.ele"));
    QCOMPARE(s.main().focusWidget(), s.control<QWidget>(s.main(), "Command2"));
}

void MainWindowTest::choiceMovesBetweenLists() {
    Session s;
    s.writeLibrary();
    s.start();

    s.clickFile("File2", "water.mix3");
    QCOMPARE(s.table.SelectedPath, std::string("mix/water.mix3"));
    QCOMPARE(s.text("Text1"), QString("Water, liquid"));
    QCOMPARE(s.text("Text2"), QString("1.000"));
    QCOMPARE(s.list("File2")->FileName(), QString("water.mix3"));

    s.clickFile("File1", "082_Pb.ele");
    QCOMPARE(s.table.SelectedPath, std::string("ele/082_Pb.ele"));
    QCOMPARE(s.text("Text1"), QString("Lead"));
    QVERIFY(s.list("File2")->selectedItems().isEmpty());
    QCOMPARE(s.list("File1")->FileName(), QString("082_Pb.ele"));

    s.clickFile("File2", "air.mix3");
    QCOMPARE(s.table.SelectedPath, std::string("mix/air.mix3"));
    QCOMPARE(s.text("Text2"), QString("0.001205"));
    QVERIFY(s.list("File1")->selectedItems().isEmpty());
    QVERIFY(s.dialogs.shown.empty());
}

void MainWindowTest::categoryChangeKeepsChoice() {
    Session s;
    s.writeLibrary();
    s.start();
    s.clickFile("File2", "water.mix3");

    s.choose("Option1");
    QCOMPARE(listed(s.list("File2")), QStringList({"bone.mix1", "muscle.mix1"}));
    QCOMPARE(s.text("Text1"), QString("Water, liquid"));
    QCOMPARE(s.text("Text2"), QString("1.000"));
    QCOMPARE(s.table.SelectedPath, std::string("mix/water.mix3"));

    s.choose("Option2");
    QCOMPARE(listed(s.list("File2")), QStringList({"pmma.mix2"}));
    s.choose("Option3");
    QCOMPARE(listed(s.list("File2")), QStringList({"air.mix3", "water.mix3"}));
    QCOMPARE(s.table.SelectedPath, std::string("mix/water.mix3"));
}

void MainWindowTest::unreadableChoiceKeepsEarlierOne_data() {
    QTest::addColumn<bool>("vanishes"); // removed after listing instead of damaged
    QTest::newRow("file ends before the density") << false;
    QTest::newRow("file removed since the list was read") << true;
}

void MainWindowTest::unreadableChoiceKeepsEarlierOne() {
    QFETCH(bool, vanishes);
    Session s;
    s.writeLibrary();
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
    QCOMPARE(s.table.SelectedPath, std::string("mix/water.mix3"));
    QCOMPARE(s.text("Text1"), QString("Water, liquid"));
    QCOMPARE(s.text("Text2"), QString("1.000"));
    QCOMPARE(s.list("File2")->FileName(), QString("water.mix3"));
    QCOMPARE(listed(s.list("File2")).contains("broken.mix3"), !vanishes);
}

void MainWindowTest::deleteRefusesElements() {
    Session s;
    s.writeLibrary();
    s.start();
    s.clickFile("File1", "082_Pb.ele");

    s.press("Command3");
    QCOMPARE(s.dialogs.shown.size(), std::size_t(1));
    const testing::ShownDialog& shown = s.dialogs.shown[0];
    QCOMPARE(shown.text, std::string(" This file cannot be deleted "));
    QCOMPARE(shown.icon, MessageIcon::Exclamation);
    QCOMPARE(shown.buttons, MessageButtons::Ok);
    QCOMPARE(shown.title, std::string("Zelna7LL_sub1"));
    QVERIFY(std::filesystem::exists(s.root() / "ele" / "082_Pb.ele"));
    QCOMPARE(s.table.SelectedPath, std::string("ele/082_Pb.ele"));
    QCOMPARE(s.text("Text1"), QString("Lead"));
}

void MainWindowTest::deleteWithNothingChosenDoesNothing() {
    Session s;
    s.writeLibrary();
    s.start();
    s.press("Command3");
    QVERIFY(s.dialogs.shown.empty());
    QCOMPARE(listed(s.list("File2")), QStringList({"air.mix3", "water.mix3"}));
    QVERIFY(std::filesystem::exists(s.root() / "mix" / "water.mix3"));
}

void MainWindowTest::deleteMaterial_data() {
    QTest::addColumn<bool>("confirm");
    QTest::newRow("confirmed") << true;
    QTest::newRow("cancelled") << false;
}

void MainWindowTest::deleteMaterial() {
    QFETCH(bool, confirm);
    Session s;
    s.writeLibrary();
    s.start();
    s.windows().form2->show();
    s.windows().form3->show();
    s.windows().form10->show();
    s.clickFile("File2", "water.mix3");
    s.dialogs.messageAnswers.push_back(confirm ? MessageResult::Ok : MessageResult::Cancel);

    s.press("Command3");
    QCOMPARE(s.dialogs.shown.size(), std::size_t(1));
    const testing::ShownDialog& asked = s.dialogs.shown[0];
    QCOMPARE(asked.text, std::string(" really erase water.mix3 ? "));
    QCOMPARE(asked.buttons, MessageButtons::OkCancel);
    QCOMPARE(asked.icon, MessageIcon::None);

    QCOMPARE(std::filesystem::exists(s.root() / "mix" / "water.mix3"), !confirm);
    QVERIFY(std::filesystem::exists(s.root() / "mix" / "air.mix3"));
    QCOMPARE(s.windows().form2->isVisible(), !confirm);
    QCOMPARE(s.windows().form3->isVisible(), !confirm);
    QCOMPARE(s.windows().form10->isVisible(), !confirm);
    QVERIFY(s.main().isVisible());
    if (confirm) {
        QVERIFY(s.table.SelectedPath.empty());
        QCOMPARE(s.text("Text1"), QString());
        QCOMPARE(s.text("Text2"), QString());
        QCOMPARE(listed(s.list("File2")), QStringList({"air.mix3"}));
        // With nothing chosen, a second Delete asks nothing.
        s.press("Command3");
        QCOMPARE(s.dialogs.shown.size(), std::size_t(1));
    } else {
        QCOMPARE(s.table.SelectedPath, std::string("mix/water.mix3"));
        QCOMPARE(s.text("Text1"), QString("Water, liquid"));
        QCOMPARE(s.text("Text2"), QString("1.000"));
        QCOMPARE(listed(s.list("File2")), QStringList({"air.mix3", "water.mix3"}));
    }
}

void MainWindowTest::deleteAfterCategoryChangeNamesChosenFile() {
    Session s;
    s.writeLibrary();
    s.start();
    s.clickFile("File2", "water.mix3");
    s.choose("Option1");
    s.clickFile("File2", "bone.mix1");
    s.choose("Option3");
    s.choose("Option1"); // the list shows the human tissues, none highlighted

    s.press("Command3");
    QCOMPARE(strings(s.dialogs.messages()), QStringList({" really erase bone.mix1 ? "}));
    QVERIFY(!std::filesystem::exists(s.root() / "mix" / "bone.mix1"));
    QVERIFY(std::filesystem::exists(s.root() / "mix" / "water.mix3"));
    QCOMPARE(listed(s.list("File2")), QStringList({"muscle.mix1"}));
}

void MainWindowTest::failedDeletionKeepsChoice() {
    Session s;
    s.writeLibrary();
    // A folder of that name cannot be removed as a file, whoever runs the test.
    testing::writeFile(s.root() / "mix" / "stuck.mix3" / "inside.txt", "x");
    s.start();
    s.clickFile("File2", "water.mix3");
    s.table.SelectedPath = "mix/stuck.mix3";

    s.press("Command3");
    const std::vector<std::string> messages = s.dialogs.messages();
    QCOMPARE(messages.size(), std::size_t(2));
    QCOMPARE(messages[0], std::string(" really erase stuck.mix3 ? "));
    QVERIFY(messages[1].find("mix/stuck.mix3") != std::string::npos);
    QCOMPARE(s.dialogs.shown[1].icon, MessageIcon::Exclamation);
    QVERIFY(std::filesystem::exists(s.root() / "mix" / "stuck.mix3" / "inside.txt"));
    QCOMPARE(s.table.SelectedPath, std::string("mix/stuck.mix3"));
    QCOMPARE(s.text("Text1"), QString("Water, liquid"));
}

void MainWindowTest::refreshShowsNewMaterial() {
    Session s;
    s.writeLibrary();
    s.start();
    s.clickFile("File2", "water.mix3");
    testing::writeFile(s.root() / "mix" / "lung.mix3", materialFile("Lung", ".26"));
    QCOMPARE(listed(s.list("File2")), QStringList({"air.mix3", "water.mix3"}));

    s.main().RefreshMaterialList();
    QCOMPARE(listed(s.list("File2")), QStringList({"air.mix3", "lung.mix3", "water.mix3"}));
    QVERIFY(s.list("File2")->selectedItems().isEmpty());
}

void MainWindowTest::waysOut_data() {
    QTest::addColumn<bool>("byExitButton");
    QTest::addColumn<QString>("program");
    QTest::newRow("exit button") << true << "Zelna_D7IR.exe";
    QTest::newRow("close box") << false << "Zelna_V6.exe";
}

void MainWindowTest::waysOut() {
    QFETCH(bool, byExitButton);
    QFETCH(QString, program);
    Session s;
    s.writeLibrary();
    s.start();

    if (byExitButton) {
        s.press("Command1");
    }
    // Closing follows the exit button too when the window goes away; it must start nothing more.
    s.main().close();
    QCOMPARE(strings(s.launcher.started), QStringList({program}));
    QCOMPARE(s.launcher.endRequests, 1);
}

void MainWindowTest::createNewDataHandsOver() {
    Session s;
    s.writeLibrary();
    s.start();
    Windows& w = s.windows();
    for (QWidget* companion :
         std::initializer_list<QWidget*>{w.form10, w.form2, w.form7, w.form8}) {
        companion->show();
    }
    w.form3->show();

    s.press("Command4");
    QVERIFY(w.form5->isVisible());
    QVERIFY(!s.main().isVisible());
    QVERIFY(!w.form10->isVisible());
    QVERIFY(!w.form2->isVisible());
    QVERIFY(!w.form7->isVisible());
    QVERIFY(!w.form8->isVisible());
    QVERIFY(w.form3->isVisible()); // the enlarged view is not among the windows handed over
}

void MainWindowTest::goIgnoresActionsDuringItsEventPass() {
    Session s;
    s.writeLibrary();
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
