// The image and table save dialogs over the whole program: each button reaches the core and
// shows the right message (failed writes are the reliability suite's).

#include "export/Form7.h"
#include "export/Form8.h"
#include "fakes/WindowFixture.h"
#include "graph/Form3.h"
#include "platform/qt/DirListBox.h"
#include "platform/qt/PatternFileList.h"
#include "platform/qt/QtCanvas.h"

#include <QPushButton>
#include <QRegularExpression>

namespace fs = std::filesystem;
using testing::control;

namespace {

/// The program with the sample material selected and an empty folder out/, where the dialog of
/// the image (7) or the table (8) is opened as the program's button opens it.
struct Export : testing::WindowFixture {
    QWidget* dialog = nullptr;

    explicit Export(int form) {
        write("mix/sample.mix3", testing::readFile(testing::testData("export/sample.mix3")));
        fs::create_directory(out());
        start();
        table.SelectedPath = "mix/sample.mix3";
        dialog = form == 7 ? static_cast<QWidget*>(windows().form7) : windows().form8;
    }
    fs::path out() const { return root() / "out"; }
    void open() {
        QVERIFY(control<DirListBox>(dialog, "Dir1")->SetPath(out()));
        dialog == windows().form7 ? windows().form7->PrepareAndShow()
                                  : windows().form8->PrepareAndShow();
    }
    void ok() { control<QPushButton>(dialog, "Command1")->click(); }
};

} // namespace

class ExportWindowsTest : public QObject {
    Q_OBJECT

  private slots:
    void enlargedViewSavedAsBitmap() {
        Export f(7);
        Form3& form3 = *f.windows().form3;
        QtCanvas& canvas = *form3.Picture1;
        canvas.SetBackColor({0, 0, 128});
        canvas.Clear();
        canvas.Line(0.0f, 0.0f, 11.5f, 18.4f, {255, 0, 255}); // corner to corner
        f.table.EnlargedViewUsed = 1;
        form3.Command1->click();
        QVERIFY(f.dialog->isVisible());
        QVERIFY(control<DirListBox>(f.dialog, "Dir1")->SetPath(f.out()));
        control<QLineEdit>(f.dialog, "Text1")->setText("plot");
        f.ok();

        QCOMPARE(f.dialogs.shown.back().text, std::string(" Image saved in bitmap format "));
        QCOMPARE(f.dialogs.shown.back().icon, platform::MessageIcon::None);
        QVERIFY(!f.dialog->isVisible());
        const std::string bytes = testing::readFile(f.out() / "plot.bmp");
        QCOMPARE(bytes.substr(0, 2), std::string("BM"));
        QCOMPARE(int(bytes.at(28)), 24); // bits per pixel
        // Every pixel as the canvas holds it: nothing of the window around it.
        const QImage saved(QString::fromStdString((f.out() / "plot.bmp").string()));
        QCOMPARE(saved.convertToFormat(QImage::Format_RGB32),
                 canvas.Image().convertToFormat(QImage::Format_RGB32));
    }

    void okButton_data() {
        QTest::addColumn<int>("form");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message"); // a pattern of the whole message
        QTest::addColumn<QString>("written"); // in out/; empty: nothing
        const auto row = [](const char* tag, int form, const char* selected, const char* typed,
                            const char* message, const char* written = "") {
            QTest::newRow(tag) << form << QString(selected) << QString(typed) << QString(message)
                               << QString(written);
        };
        const char* const sample = "mix/sample.mix3";
        row("image, no name", 7, sample, "", "^ Input File name  $");
        row("table, no name", 8, sample, "", "^ Input the File name $");
        row("table saved", 8, sample, "data.txt", "^  Data saved in the Excel csv format $",
            "data.txt.csv");
        row("table of a file gone", 8, "mix/gone.mix3", "abc",
            "^ The material file could not be read again: mix/gone\\.mix3.* $");
        row("table with nothing selected", 8, "", "abc", "^ No material file is selected $");
        // A folder in the way of the file: the write fails and the dialog says why.
        row("image over a folder", 7, sample, "busy",
            "^ The file .*busy\\.bmp could not be written: .+ $");
        row("table over a folder", 8, sample, "busy",
            "^ The file .*busy\\.csv could not be written: .+ $");
    }
    void okButton() {
        QFETCH(int, form);
        QFETCH(QString, selected);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(QString, written);
        Export f(form);
        f.table.SelectedPath = selected.toStdString();
        const bool blocked = typed == "busy";
        if (blocked) {
            fs::create_directory(f.out() / (form == 7 ? "busy.bmp" : "busy.csv"));
        }
        f.open();
        QTest::keyClicks(control<QLineEdit>(f.dialog, "Text1"), typed);
        f.ok();

        QCOMPARE(f.dialogs.shown.size(), std::size_t(1));
        const testing::ShownDialog& shown = f.dialogs.shown.front();
        QVERIFY2(QRegularExpression(message).match(QString::fromStdString(shown.text)).hasMatch(),
                 shown.text.c_str());
        QCOMPARE(shown.title, std::string(platform::kApplicationTitle));
        QCOMPARE(shown.icon, written.isEmpty() ? platform::MessageIcon::Exclamation
                                               : platform::MessageIcon::None);
        QCOMPARE(f.dialog->isVisible(), written.isEmpty()); // open for another try
        const auto entries = std::distance(fs::directory_iterator(f.out()), {});
        QCOMPARE(int(entries), (blocked ? 1 : 0) + (written.isEmpty() ? 0 : 1));
        if (!written.isEmpty()) {
            QCOMPARE(testing::readFile(f.out() / written.toStdString()),
                     testing::readFile(testing::testData("export/sample.csv")));
        }
    }

    void listsFollowAndClickTakesName() {
        for (const auto& [form, file] : {std::pair{7, "plot.bmp"}, std::pair{8, "abc.csv"}}) {
            Export f(form);
            auto* folders = control<DirListBox>(f.dialog, "Dir1");
            auto* files = control<PatternFileList>(f.dialog, "File1");
            auto* name = control<QLineEdit>(f.dialog, "Text1");
            f.open();
            name->setText("left over");
            // Files appear after the list was read; opening the dialog reads it again.
            for (const char* other : {"sub/plot.bmp", "sub/abc.csv", "sub/notes.txt", "x.csv"}) {
                f.write(std::string("out/") + other, "old");
            }
            QCOMPARE(files->count(), 0);
            f.open();
            QVERIFY(name->text().isEmpty());
            testing::clickItem(folders, "sub");
            QTest::keyClick(folders, Qt::Key_Return);
            QCOMPARE(testing::lines(files), QStringList{file});
            // The clicked file is rewritten in place, in the folder the lists followed.
            testing::clickItem(files, file);
            QCOMPARE(name->text(), QString(file).chopped(4));
            f.ok();
            QVERIFY(testing::readFile(f.out() / "sub" / file) != "old");
            QVERIFY(!fs::exists(f.out() / file));
        }
    }
};

QTEST_MAIN(ExportWindowsTest)
#include "test_windows.moc"
