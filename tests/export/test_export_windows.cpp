#include "app/AppContext.h"
#include "data/MaterialTable.h"
#include "export/Form7.h"
#include "export/Form8.h"
#include "fakes/ScriptedDialogs.h"
#include "fakes/TestSupport.h"
#include "graph/Form3.h"
#include "newdata/BuilderState.h"
#include "platform/qt/DirListBox.h"
#include "platform/qt/DriveListBox.h"
#include "platform/qt/PatternFileList.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/SavePicture.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using platform::MessageIcon;

namespace {

constexpr platform::Rgb kNavy{0, 0, 128};
constexpr platform::Rgb kWhite{255, 255, 255};

/// The windows of the export with their shared state, in a fresh working folder.
struct Fixture {
    data::MaterialTable table;
    newdata::BuilderState builder;
    testing::ScriptedDialogs dialogs;
    testing::RecordingLauncher launcher;
    testing::TempFolder folder;
    AppContext context{table, builder, dialogs, launcher, folder.path()};
    Form3 form3{context};
    Form7 form7{context};
    Form8 form8{context};

    Fixture() {
        context.windows.form3 = &form3;
        context.windows.form7 = &form7;
        context.windows.form8 = &form8;
        fs::create_directory(root() / "mix");
        fs::copy_file(testing::testData("export/sample.mix3"), root() / "mix" / "sample.mix3");
        table.SelectedPath = "mix/sample.mix3";
        fs::create_directory(out());
    }
    fs::path root() const { return folder.path(); }
    fs::path out() const { return root() / "out"; }
    /// Form 7 or 8.
    QWidget& dialog(int number) { return number == 7 ? static_cast<QWidget&>(form7) : form8; }
};

/// The controls every save dialog has, found by their names.
struct SaveControls {
    explicit SaveControls(QWidget& dialog)
        : drives(dialog.findChild<DriveListBox*>("Drive1")),
          folders(dialog.findChild<DirListBox*>("Dir1")),
          files(dialog.findChild<PatternFileList*>("File1")),
          name(dialog.findChild<QLineEdit*>("Text1")),
          ok(dialog.findChild<QPushButton*>("Command1")),
          cancel(dialog.findChild<QPushButton*>("Command2")) {}
    DriveListBox* drives;
    DirListBox* folders;
    PatternFileList* files;
    QLineEdit* name;
    QPushButton* ok;
    QPushButton* cancel;
};

void prepare(QWidget& dialog) {
    if (auto* form7 = qobject_cast<Form7*>(&dialog)) {
        form7->PrepareAndShow();
    } else {
        qobject_cast<Form8*>(&dialog)->PrepareAndShow();
    }
}

std::vector<std::string> entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

QStringList listed(const QListWidget& list) {
    QStringList names;
    for (int row = 0; row < list.count(); ++row) {
        names.append(list.item(row)->text());
    }
    return names;
}

void clickLine(QListWidget& list, const QString& text, bool twice = false) {
    const QList<QListWidgetItem*> found = list.findItems(text, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(text));
    const QPoint centre = list.visualItemRect(found.front()).center();
    if (twice) {
        // A double click arrives as a click followed by the double-click event.
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, centre);
    } else {
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centre);
    }
}

std::uint32_t le(const std::string& bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int k = size - 1; k >= 0; --k) {
        value = value << 8 | static_cast<unsigned char>(bytes.at(at + static_cast<std::size_t>(k)));
    }
    return value;
}

/// The colour of pixel (x, y), y counted from the top, read straight from a 24-bit bitmap.
platform::Rgb bitmapPixel(const std::string& bytes, int x, int y) {
    const std::uint32_t offset = le(bytes, 10, 4);
    const auto width = static_cast<std::int32_t>(le(bytes, 18, 4));
    const auto height = static_cast<std::int32_t>(le(bytes, 22, 4));
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    // Rows are stored from the bottom up.
    const std::size_t at = offset + static_cast<std::size_t>(height - 1 - y) * stride +
                           static_cast<std::size_t>(x) * 3;
    return {static_cast<std::uint8_t>(bytes.at(at + 2)),
            static_cast<std::uint8_t>(bytes.at(at + 1)), static_cast<std::uint8_t>(bytes.at(at))};
}

/// True when this user cannot create files in a folder whose write permission was removed.
bool permissionsStopWrites(const fs::path& folder) {
    const fs::path probe = folder / "probe";
    if (std::ofstream(probe).good()) {
        fs::remove(probe);
        return false;
    }
    return true;
}

} // namespace

class ExportWindowsTest : public QObject {
    Q_OBJECT

  private slots:
    void enlargedViewSavedAsBitmap() {
        Fixture f;
        QtCanvas& canvas = *f.form3.Picture1;
        canvas.SetBackColor(kNavy);
        canvas.Clear();
        canvas.FilledBox(2.0f, 17.0f, 4.0f, 18.5f, kWhite); // near the top left corner
        canvas.Line(0.0f, 0.0f, 11.5f, 18.4f, {255, 0, 255});
        f.table.EnlargedViewUsed = 1;
        f.form3.Command1->click(); // Save as a BMP image opens the dialog
        QVERIFY(f.form7.isVisible());

        SaveControls c(f.form7);
        QVERIFY(c.folders->SetPath(f.out()));
        c.name->setText("plot");
        c.ok->click();

        QCOMPARE(f.dialogs.messages(), std::vector<std::string>{" Image saved in bitmap format "});
        QCOMPARE(f.dialogs.shown.back().icon, MessageIcon::None);
        QVERIFY(!f.form7.isVisible());
        QCOMPARE(entries(f.out()), std::vector<std::string>{"plot.bmp"});

        const std::string bytes = testing::readFile(f.out() / "plot.bmp");
        QCOMPARE(bytes.substr(0, 2), std::string("BM"));
        QCOMPARE(le(bytes, 2, 4), std::uint32_t(bytes.size()));
        QCOMPARE(le(bytes, 18, 4), std::uint32_t(909));
        QCOMPARE(le(bytes, 22, 4), std::uint32_t(861)); // positive: stored bottom-up
        QCOMPARE(le(bytes, 28, 2), std::uint32_t(24));
        QCOMPARE(le(bytes, 30, 4), std::uint32_t(0)); // uncompressed

        const QPoint top = canvas.ToPixel(3.0f, 18.0f);
        QCOMPARE(bitmapPixel(bytes, top.x(), top.y()), kWhite);
        QCOMPARE(bitmapPixel(bytes, top.x(), 860 - top.y()), kNavy);
        QCOMPARE(bitmapPixel(bytes, 0, 0), kNavy);
        QCOMPARE(bitmapPixel(bytes, 908, 860), kNavy);
        // Every pixel as the canvas holds it: nothing of the window around it.
        QImage saved(QString::fromStdString((f.out() / "plot.bmp").string()));
        QCOMPARE(saved.convertToFormat(QImage::Format_RGB32),
                 canvas.Image().convertToFormat(QImage::Format_RGB32));
    }

    void emptyNameWritesNothing_data() {
        QTest::addColumn<int>("form");
        QTest::addColumn<QString>("message");
        QTest::newRow("image") << 7 << " Input File name  ";
        QTest::newRow("table") << 8 << " Input the File name ";
    }
    void emptyNameWritesNothing() {
        QFETCH(int, form);
        QFETCH(QString, message);
        Fixture f;
        QWidget& dialog = f.dialog(form);
        SaveControls c(dialog);
        QVERIFY(c.folders->SetPath(f.out()));
        prepare(dialog);
        c.ok->click();
        QCOMPARE(f.dialogs.messages(), std::vector<std::string>{message.toStdString()});
        QCOMPARE(f.dialogs.shown.back().icon, MessageIcon::Exclamation);
        QCOMPARE(f.dialogs.shown.back().title, std::string(platform::kApplicationTitle));
        QVERIFY(dialog.isVisible());
        QVERIFY(entries(f.out()).empty());

        c.cancel->click();
        QVERIFY(!dialog.isVisible());
        QVERIFY(entries(f.out()).empty());
    }

    void clickedFileNameIsReused_data() {
        QTest::addColumn<int>("form");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("other");
        QTest::newRow("image") << 7 << "plot.bmp"
                               << "plot.csv";
        QTest::newRow("table") << 8 << "abc.csv"
                               << "abc.bmp";
    }
    void clickedFileNameIsReused() {
        QFETCH(int, form);
        QFETCH(QString, file);
        QFETCH(QString, other);
        Fixture f;
        testing::writeFile(f.out() / file.toStdString(), "old");
        testing::writeFile(f.out() / other.toStdString(), "other");
        testing::writeFile(f.out() / "notes.txt", "other");
        QWidget& dialog = f.dialog(form);
        SaveControls c(dialog);
        QVERIFY(c.folders->SetPath(f.out()));
        prepare(dialog);
        QCOMPARE(listed(*c.files), QStringList{file});

        clickLine(*c.files, file);
        QCOMPARE(c.name->text(), file.chopped(4));
        c.ok->click();
        QVERIFY(!dialog.isVisible());
        // The clicked file is rewritten in place; nothing else appears or changes.
        QCOMPARE(entries(f.out()).size(), std::size_t(3));
        QVERIFY(testing::readFile(f.out() / file.toStdString()) != "old");
        QCOMPARE(testing::readFile(f.out() / other.toStdString()), std::string("other"));
    }

    void tableSavedUnderTypedName_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::newRow("plain") << "result"
                               << "result.csv";
        QTest::newRow("extension always appended") << "data.txt"
                                                   << "data.txt.csv";
        QTest::newRow("blanks used as typed") << "   "
                                              << "   .csv";
    }
    void tableSavedUnderTypedName() {
        QFETCH(QString, typed);
        QFETCH(QString, written);
        Fixture f;
        SaveControls c(f.form8);
        QVERIFY(c.folders->SetPath(f.out()));
        f.form8.PrepareAndShow();
        QTest::keyClicks(c.name, typed);
        c.ok->click();

        QCOMPARE(f.dialogs.messages(),
                 std::vector<std::string>{"  Data saved in the Excel csv format "});
        QCOMPARE(f.dialogs.shown.back().icon, MessageIcon::None);
        QVERIFY(!f.form8.isVisible());
        QCOMPARE(entries(f.out()), std::vector<std::string>{written.toStdString()});
        QCOMPARE(testing::readFile(f.out() / written.toStdString()),
                 testing::readFile(testing::testData("export/sample.csv")));
    }

    void failedSaveKeepsDialogAndOldFile_data() {
        QTest::addColumn<int>("form");
        QTest::addColumn<QString>("kind");
        QTest::newRow("image over a folder") << 7 << "folder";
        QTest::newRow("table over a folder") << 8 << "folder";
        QTest::newRow("image, name too long") << 7 << "long";
        QTest::newRow("image in a read-only folder") << 7 << "read-only";
        QTest::newRow("table in a read-only folder") << 8 << "read-only";
    }
    void failedSaveKeepsDialogAndOldFile() {
        QFETCH(int, form);
        QFETCH(QString, kind);
        Fixture f;
        const QString extension = form == 7 ? ".bmp" : ".csv";
        QString typed = "taken";
        const fs::path target = f.out() / (typed + extension).toStdString();
        if (kind == "folder") {
            testing::writeFile(target / "inside.txt", "kept");
        } else if (kind == "long") {
            typed = QString(300, 'x');
        } else {
            testing::writeFile(target, "old content");
            fs::permissions(f.out(), fs::perms::owner_read | fs::perms::owner_exec);
            if (!permissionsStopWrites(f.out())) {
                fs::permissions(f.out(), fs::perms::owner_all);
                QSKIP("permission bits do not stop this user's writes");
            }
        }
        const std::vector<std::string> before = entries(f.out());
        QWidget& dialog = f.dialog(form);
        SaveControls c(dialog);
        QVERIFY(c.folders->SetPath(f.out()));
        prepare(dialog);
        c.name->setText(typed);
        c.ok->click();
        fs::permissions(f.out(), fs::perms::owner_all);

        QCOMPARE(f.dialogs.shown.size(), std::size_t(1));
        const std::string& text = f.dialogs.shown.front().text;
        QVERIFY2(text.find((typed + extension).toStdString()) != std::string::npos, text.c_str());
        QVERIFY2(text.find("could not be written: ") != std::string::npos, text.c_str());
        QCOMPARE(f.dialogs.shown.front().icon, MessageIcon::Exclamation);
        QVERIFY(dialog.isVisible());
        QCOMPARE(entries(f.out()), before);
        if (kind == "folder") {
            QCOMPARE(testing::readFile(target / "inside.txt"), std::string("kept"));
        } else if (kind == "read-only") {
            QCOMPARE(testing::readFile(target), std::string("old content"));
        }
    }

    void unreadableMaterialKeepsDialog() {
        Fixture f;
        f.table.SelectedPath = "mix/gone.mix3";
        SaveControls c(f.form8);
        QVERIFY(c.folders->SetPath(f.out()));
        f.form8.PrepareAndShow();
        c.name->setText("abc");
        c.ok->click();
        QCOMPARE(f.dialogs.shown.size(), std::size_t(1));
        const std::string& text = f.dialogs.shown.front().text;
        QVERIFY2(text.find("mix/gone.mix3") != std::string::npos, text.c_str());
        QCOMPARE(f.dialogs.shown.front().icon, MessageIcon::Exclamation);
        QVERIFY(f.form8.isVisible());
        QVERIFY(entries(f.out()).empty());
    }

    void listsFollowEachOther() {
        Fixture f;
        SaveControls c(f.form8);
        // The lists start in the process's current folder.
        QCOMPARE(c.folders->Path(), fs::current_path());
        QCOMPARE(c.files->Path(), fs::current_path());

        testing::writeFile(f.out() / "a.csv", "x");
        testing::writeFile(f.out() / "sub" / "b.csv", "x");
        QVERIFY(c.folders->SetPath(f.out()));
        QCOMPARE(c.files->Path(), f.out());
        f.form8.PrepareAndShow();
        QCOMPARE(listed(*c.files), QStringList{"a.csv"});

        clickLine(*c.folders, "sub", true);
        QCOMPARE(c.folders->Path(), f.out() / "sub");
        QCOMPARE(listed(*c.files), QStringList{"b.csv"});
        clickLine(*c.folders, "..", true);
        QCOMPARE(c.folders->Path(), f.out());
        QCOMPARE(listed(*c.files), QStringList{"a.csv"});

        // A drive that cannot be read leaves both lists where they were.
        c.drives->SetDrives({c.drives->DriveOf(f.out()), f.root() / "no-medium"});
        QVERIFY(c.folders->SetPath(f.out()));
        c.drives->setCurrentIndex(1);
        QCOMPARE(c.folders->Path(), f.out());
        QCOMPARE(c.files->Path(), f.out());
        QCOMPARE(c.drives->currentIndex(), 0);
        QVERIFY(!c.folders->SetPath(f.root() / "no-medium"));
        QCOMPARE(c.folders->Path(), f.out());
    }

    void openingEmptiesNameAndRereadsFolder_data() {
        QTest::addColumn<int>("form");
        QTest::addColumn<QString>("file");
        QTest::newRow("image") << 7 << "new.bmp";
        QTest::newRow("table") << 8 << "new.csv";
    }
    void openingEmptiesNameAndRereadsFolder() {
        QFETCH(int, form);
        QFETCH(QString, file);
        Fixture f;
        QWidget& dialog = f.dialog(form);
        SaveControls c(dialog);
        QVERIFY(c.folders->SetPath(f.out()));
        c.name->setText("left over");
        testing::writeFile(f.out() / file.toStdString(), "x");
        QVERIFY(c.files->count() == 0);
        prepare(dialog);
        QVERIFY(dialog.isVisible());
        QVERIFY(c.name->text().isEmpty());
        QCOMPARE(listed(*c.files), QStringList{file});
    }

    void savePictureReplacesOnlyWhenComplete() {
        testing::TempFolder folder;
        const fs::path file = folder.path() / "view.bmp";
        testing::writeFile(file, "old picture");
        QVERIFY(!SavePicture(QImage(), file).ok);
        QCOMPARE(testing::readFile(file), std::string("old picture"));
        QCOMPARE(entries(folder.path()), std::vector<std::string>{"view.bmp"});

        QImage image(3, 2, QImage::Format_ARGB32);
        image.fill(QColor(0, 255, 255));
        QVERIFY(SavePicture(image, file).ok);
        const std::string bytes = testing::readFile(file);
        QCOMPARE(le(bytes, 28, 2), std::uint32_t(24));
        QCOMPARE(bitmapPixel(bytes, 2, 1), (platform::Rgb{0, 255, 255}));
        QCOMPARE(entries(folder.path()), std::vector<std::string>{"view.bmp"});
    }
};

QTEST_MAIN(ExportWindowsTest)
#include "test_export_windows.moc"
