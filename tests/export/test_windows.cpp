// The image and table save dialogs, driven headless over the whole program.

#include "export/Form7.h"
#include "export/Form8.h"
#include "fakes/WindowFixture.h"
#include "graph/Form3.h"
#include "platform/qt/DirListBox.h"
#include "platform/qt/DriveListBox.h"
#include "platform/qt/PatternFileList.h"
#include "platform/qt/QtCanvas.h"

#include <QPushButton>
#include <QRegularExpression>

namespace fs = std::filesystem;
using platform::MessageIcon;

namespace {

/// The program with the sample material selected, an empty folder out/ and both save dialogs.
struct Export : testing::WindowFixture {
    Form7* form7 = nullptr;
    Form8* form8 = nullptr;

    Export() {
        write("mix/sample.mix3", testing::readFile(testing::testData("export/sample.mix3")));
        fs::create_directory(out());
        start();
        form7 = windows().form7;
        form8 = windows().form8;
        table.SelectedPath = "mix/sample.mix3";
    }
    fs::path out() const { return root() / "out"; }
    QWidget* dialog(int form) { return form == 7 ? static_cast<QWidget*>(form7) : form8; }
    /// Opens the dialog on out/ as a user would leave it, or as the program's button opens it.
    void open(int form) {
        QVERIFY(testing::control<DirListBox>(dialog(form), "Dir1")->SetPath(out()));
        form == 7 ? form7->PrepareAndShow() : form8->PrepareAndShow();
    }
    QStringList files() const {
        QStringList names;
        for (const auto& entry : fs::directory_iterator(out())) {
            names << QString::fromStdString(entry.path().filename().string());
        }
        names.sort();
        return names;
    }
};

std::uint32_t le(const std::string& bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int k = size - 1; k >= 0; --k) {
        value = value << 8 | static_cast<unsigned char>(bytes.at(at + std::size_t(k)));
    }
    return value;
}

} // namespace

class ExportWindowsTest : public QObject {
    Q_OBJECT

  private slots:
    void enlargedViewSavedAsBitmap() {
        Export f;
        Form3& form3 = *f.windows().form3;
        QtCanvas& canvas = *form3.Picture1;
        form3.Command1->click(); // nothing drawn yet
        QCOMPARE(f.dialogs.messages(), std::vector<std::string>{" The graph is not drawn "});
        QVERIFY(!f.form7->isVisible());
        canvas.SetBackColor({0, 0, 128});
        canvas.Clear();
        canvas.FilledBox(2.0f, 17.0f, 4.0f, 18.5f, {255, 255, 255}); // near the top left corner
        canvas.Line(0.0f, 0.0f, 11.5f, 18.4f, {255, 0, 255});
        f.table.EnlargedViewUsed = 1;
        form3.Command1->click();
        QVERIFY(f.form7->isVisible());
        QVERIFY(testing::control<DirListBox>(f.form7, "Dir1")->SetPath(f.out()));
        testing::control<QLineEdit>(f.form7, "Text1")->setText("plot");
        testing::control<QPushButton>(f.form7, "Command1")->click();

        QCOMPARE(f.dialogs.shown.back().text, std::string(" Image saved in bitmap format "));
        QCOMPARE(f.dialogs.shown.back().icon, MessageIcon::None);
        QVERIFY(!f.form7->isVisible());
        QCOMPARE(f.files(), QStringList{"plot.bmp"});
        const std::string bytes = testing::readFile(f.out() / "plot.bmp");
        QCOMPARE(bytes.substr(0, 2), std::string("BM"));
        QCOMPARE(le(bytes, 2, 4), std::uint32_t(bytes.size()));
        QCOMPARE(le(bytes, 22, 4), std::uint32_t(861)); // positive: stored bottom-up
        QCOMPARE(le(bytes, 28, 2), std::uint32_t(24));
        QCOMPARE(le(bytes, 30, 4), std::uint32_t(0)); // uncompressed
        // Every pixel as the canvas holds it: nothing of the window around it.
        const QImage saved(QString::fromStdString((f.out() / "plot.bmp").string()));
        QCOMPARE(saved.convertToFormat(QImage::Format_RGB32),
                 canvas.Image().convertToFormat(QImage::Format_RGB32));
    }

    void okButton_data() {
        QTest::addColumn<int>("form");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");   // a pattern of the whole message
        QTest::addColumn<QStringList>("files"); // in out/ afterwards; taken.bmp, .csv are folders
        const QString sample = "mix/sample.mix3";
        const QStringList taken{"taken.bmp", "taken.csv"};
        const auto row = [&](const char* tag, int form, const QString& selected, const char* typed,
                             const char* message, QStringList written = {}) {
            QTest::newRow(tag) << form << selected << QString(typed) << QString(message)
                               << (written << taken);
        };
        row("image, no name", 7, sample, "", "^ Input File name  $");
        row("table, no name", 8, sample, "", "^ Input the File name $");
        row("table, extension always added", 8, sample, "data.txt",
            "^  Data saved in the Excel csv format $", {"data.txt.csv"});
        row("table, blanks used as typed", 8, sample, "   ",
            "^  Data saved in the Excel csv format $", {"   .csv"});
        row("image over a folder", 7, sample, "taken",
            "^ The file .*/out/taken\\.bmp could not be written: .+ $");
        row("table over a folder", 8, sample, "taken",
            "^ The file .*/out/taken\\.csv could not be written: .+ $");
        row("table of a file gone", 8, "mix/gone.mix3", "abc",
            "^ The material file could not be read again: mix/gone\\.mix3.* $");
        row("table with nothing selected", 8, "", "abc", "^ No material file is selected $");
    }
    void okButton() {
        QFETCH(int, form);
        QFETCH(QString, selected);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(QStringList, files);
        Export f;
        f.write("out/taken.bmp/inside.txt", "kept").write("out/taken.csv/inside.txt", "kept");
        f.table.SelectedPath = selected.toStdString();
        f.open(form);
        QTest::keyClicks(testing::control<QLineEdit>(f.dialog(form), "Text1"), typed);
        testing::control<QPushButton>(f.dialog(form), "Command1")->click();

        QCOMPARE(f.dialogs.shown.size(), std::size_t(1));
        const testing::ShownDialog& shown = f.dialogs.shown.front();
        QVERIFY2(QRegularExpression(message).match(QString::fromStdString(shown.text)).hasMatch(),
                 shown.text.c_str());
        QCOMPARE(shown.title, std::string(platform::kApplicationTitle));
        const bool saved = message.contains("saved");
        QCOMPARE(shown.icon, saved ? MessageIcon::None : MessageIcon::Exclamation);
        QCOMPARE(f.dialog(form)->isVisible(), !saved);
        QCOMPARE(f.files(), files);
        QCOMPARE(testing::readFile(f.out() / "taken.csv" / "inside.txt"), std::string("kept"));
        if (saved) {
            QCOMPARE(testing::readFile(f.out() / files.front().toStdString()),
                     testing::readFile(testing::testData("export/sample.csv")));
        } else {
            testing::control<QPushButton>(f.dialog(form), "Command2")->click(); // Cancel
            QVERIFY(!f.dialog(form)->isVisible());
            QCOMPARE(f.files(), files);
        }
    }

    void openingRereadsAndClickTakesName_data() {
        QTest::addColumn<int>("form");
        QTest::addColumn<QString>("file");
        QTest::newRow("image") << 7 << "plot.bmp";
        QTest::newRow("table") << 8 << "abc.csv";
    }
    void openingRereadsAndClickTakesName() {
        QFETCH(int, form);
        QFETCH(QString, file);
        Export f;
        QWidget* dialog = f.dialog(form);
        auto* files = testing::control<PatternFileList>(dialog, "File1");
        auto* name = testing::control<QLineEdit>(dialog, "Text1");
        f.open(form);
        name->setText("left over");
        // Files appear after the list was read; opening the dialog reads it again.
        for (const char* other : {"plot.bmp", "abc.csv", "notes.txt"}) {
            f.write(std::string("out/") + other, "old");
        }
        QCOMPARE(files->count(), 0);
        f.open(form);
        QVERIFY(name->text().isEmpty());
        QCOMPARE(testing::lines(files), QStringList{file});

        testing::clickItem(files, file);
        QCOMPARE(name->text(), file.chopped(4));
        testing::control<QPushButton>(dialog, "Command1")->click();
        QVERIFY(!dialog->isVisible());
        // The clicked file is rewritten in place; nothing else appears or changes.
        QCOMPARE(f.files(), QStringList({"abc.csv", "notes.txt", "plot.bmp"}));
        QVERIFY(testing::readFile(f.out() / file.toStdString()) != "old");
        QCOMPARE(testing::readFile(f.out() / "notes.txt"), std::string("old"));
    }

    void listsFollowEachOther() {
        Export f;
        auto* drives = testing::control<DriveListBox>(f.form8, "Drive1");
        auto* folders = testing::control<DirListBox>(f.form8, "Dir1");
        auto* files = testing::control<PatternFileList>(f.form8, "File1");
        // The lists start in the process's current folder.
        QCOMPARE(folders->Path(), fs::current_path());
        QCOMPARE(files->Path(), fs::current_path());

        f.write("out/a.csv", "x").write("out/sub/b.csv", "x").write("out/.hidden/c.csv", "x");
        f.open(8);
        QCOMPARE(files->Path(), f.out());
        QCOMPARE(testing::lines(files), QStringList{"a.csv"});
        QCOMPARE(testing::lines(folders).mid(1), QStringList({"..", "sub"}));
        const auto enter = [&](const char* line) {
            testing::clickItem(folders, line);
            QTest::keyClick(folders, Qt::Key_Return);
        };
        enter("sub");
        QCOMPARE(folders->Path(), f.out() / "sub");
        QCOMPARE(testing::lines(files), QStringList{"b.csv"});
        enter("..");
        QCOMPARE(files->Path(), f.out());

        // A drive that cannot be read leaves both lists where they were.
        drives->SetDrives({drives->DriveOf(f.out()), f.root() / "no-medium"});
        QVERIFY(folders->SetPath(f.out()));
        drives->setCurrentIndex(1);
        QCOMPARE(folders->Path(), f.out());
        QCOMPARE(files->Path(), f.out());
        QCOMPARE(drives->currentIndex(), 0);
    }
};

QTEST_MAIN(ExportWindowsTest)
#include "test_windows.moc"
