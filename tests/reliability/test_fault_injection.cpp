// Every writer of the program, driven through its window, against every way a write can fail:
// the material file of the builders, the CSV file and the bitmap. In each case the user gets a
// message (naming the file where the program chooses the words), the window stays open, the
// file that was there before is unchanged byte for byte, and no temporary file is left.

#include "FaultInjection.h"
#include "app/AppContext.h"
#include "app/Application.h"
#include "data/MaterialTable.h"
#include "export/Form7.h"
#include "export/Form8.h"
#include "fakes/ScriptedDialogs.h"
#include "fakes/TestSupport.h"
#include "graph/Form2.h"
#include "graph/Form3.h"
#include "graph/Go.h"
#include "newdata/Builder.h"
#include "newdata/BuilderState.h"
#include "newdata/Form4.h"
#include "newdata/Form5.h"
#include "newdata/FormBuilderWindow.h"
#include "newdata/MaterialWriter.h"
#include "platform/qt/DirListBox.h"
#include "platform/qt/PatternFileList.h"

#include <sys/stat.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char* const kElement = "Element\r\n1.\r\n4\r\n"
                             "1.000E-03 1.000E+00 2.000E+00 3.000E+03 0.000E+00 0.000E+00\r\n"
                             "1.000E-02 5.000E-01 1.000E+00 3.000E+00 0.000E+00 0.000E+00\r\n"
                             "1.000E+00 1.000E-02 5.000E-02 1.000E-04 0.000E+00 0.000E+00\r\n"
                             "1.000E+05 1.000E-06 1.000E-03 1.000E-09 1.000E-02 1.000E-02\r\n"
                             "12.011\r\n";

/// The file that sits at the target before the save: it must come through unchanged.
const char* const kPrevious = "Previous\r\n1.\r\n0\r\n";

const char* const kDataError = " There is an error in the entered data ";

enum class Writer { Material, Csv, Bitmap };

/// The program started on a working folder with two elements and a material, GO done and the
/// material drawn into the enlarged view, so that every writer has something to write.
struct Session {
    testing::TempFolder folder;
    data::MaterialTable table;
    newdata::BuilderState builder;
    testing::ScriptedDialogs dialogs;
    testing::RecordingLauncher launcher;
    std::unique_ptr<AppContext> context;
    std::unique_ptr<Application> app;

    Session() {
        testing::writeFile(root() / "Start.dat", "PhotonXS\r\n");
        testing::writeFile(root() / "ele" / "user.txt", "Reliability\r\n");
        testing::writeFile(root() / "ele" / "006_C.ele", kElement);
        testing::writeFile(root() / "ele" / "014_Si.ele", kElement);
        testing::writeFile(root() / "mix" / "sample.mix3", kElement);
        fs::create_directories(out());
        context = std::make_unique<AppContext>(
            AppContext{table, builder, dialogs, launcher, root(), Windows{}});
        app = std::make_unique<Application>(*context);
        app->Start();
        table.SelectedPath = "mix/sample.mix3";
        if (!graph::RunGo(*context)) {
            qFatal("GO failed on the sample material");
        }
        context->windows.form2->Form2_Command1_Click();
    }
    fs::path root() const { return folder.path(); }
    /// Where the CSV file and the bitmap go.
    fs::path out() const { return root() / "out"; }
};

/// Opens the compound builder afresh and takes it up to the file name: a material of two
/// elements, one atom each, category "Others".
BuilderWindow* buildUpToFileName(Session& s) {
    Form5& chooser = *s.context->windows.form5;
    chooser.show();
    QTest::mouseClick(chooser.Command1, Qt::LeftButton);
    BuilderWindow* w = s.context->windows.form4;
    w->Text13->setText("Carbide");
    w->Text14->setText("3.2");
    w->Text2->setText("2");
    QTest::mouseClick(w->Command3, Qt::LeftButton);
    const QStringList files = {"006_C.ele", "014_Si.ele"};
    const QStringList labels = {"Label8", "Label9"};
    for (int k = 0; k < 2; ++k) {
        const QList<QListWidgetItem*> found = w->File1->findItems(files[k], Qt::MatchExactly);
        if (found.isEmpty()) {
            qFatal("element file not listed");
        }
        w->File1->setCurrentItem(found.front());
        s.dialogs.inputAnswers = {"1"};
        QTest::mouseClick(w->findChild<QWidget*>(labels[k]), Qt::LeftButton);
    }
    w->Option3->click();
    return w;
}

/// Opens the save dialog of a CSV file or a bitmap on the output folder.
QWidget* openSaveDialog(Session& s, Writer writer) {
    if (writer == Writer::Csv) {
        Form8& dialog = *s.context->windows.form8;
        dialog.Dir1->SetPath(s.out());
        dialog.PrepareAndShow();
        return &dialog;
    }
    Form7& dialog = *s.context->windows.form7;
    dialog.Dir1->SetPath(s.out());
    s.context->windows.form3->Form3_Command1_Click();
    return &dialog;
}

QLineEdit* nameBox(QWidget* window) { return window->findChild<QLineEdit*>("Text1"); }

} // namespace

Q_DECLARE_METATYPE(Writer)

class FaultInjectionTest : public QObject {
    Q_OBJECT

  private slots:
    void failedWriteKeepsEverything_data() {
        QTest::addColumn<Writer>("writer");
        QTest::addColumn<QString>("fault");
        const std::vector<std::pair<Writer, const char*>> writers = {
            {Writer::Material, "material file"}, {Writer::Csv, "CSV"}, {Writer::Bitmap, "bitmap"}};
        for (const auto& [writer, name] : writers) {
            for (const char* fault : {"read-only folder", "write-protected file", "missing folder",
                                      "full device", "file size limit", "slash in the name",
                                      "name too long", "target is a folder", "target is a pipe"}) {
                QTest::addRow("%s, %s", name, fault) << writer << QString(fault);
            }
        }
    }
    void failedWriteKeepsEverything() {
        QFETCH(Writer, writer);
        QFETCH(QString, fault);
        Session s;
        const fs::path folder = writer == Writer::Material ? s.root() / "mix" : s.out();
        const std::string extension = writer == Writer::Material ? ".mix3"
                                      : writer == Writer::Csv    ? ".csv"
                                                                 : ".bmp";
        const fs::path previous = folder / ("Taken" + extension);
        testing::writeFile(previous, kPrevious);

        BuilderWindow* builderWindow = nullptr;
        QWidget* window = nullptr;
        if (writer == Writer::Material) {
            builderWindow = buildUpToFileName(s);
            window = builderWindow;
        } else {
            window = openSaveDialog(s, writer);
        }
        QVERIFY(window->isVisible());

        std::string typed = "Taken";
        std::unique_ptr<testing::ReadOnlyFolder> readOnly;
        std::unique_ptr<testing::WriteProtectedFile> protectedFile;
        std::unique_ptr<testing::FullDevice> full;
        std::unique_ptr<testing::FileSizeLimit> limit;
        if (fault == "read-only folder") {
            readOnly = std::make_unique<testing::ReadOnlyFolder>(folder);
            if (!readOnly->available()) {
                QSKIP("no way to make a folder read-only for this user");
            }
        } else if (fault == "write-protected file") {
            protectedFile = std::make_unique<testing::WriteProtectedFile>(previous);
            if (!protectedFile->available()) {
                QSKIP("no way to protect a file from this user");
            }
            qDebug("write-protected by %s", protectedFile->how().c_str());
        } else if (fault == "missing folder") {
            fs::remove_all(folder); // chosen, then gone before OK
        } else if (fault == "full device") {
            fs::remove(previous);
            full = std::make_unique<testing::FullDevice>(folder, previous.filename().string(),
                                                         kPrevious);
            if (!full->available()) {
                QSKIP("mounting a small file system needs privileges this user lacks");
            }
        } else if (fault == "file size limit") {
            limit = std::make_unique<testing::FileSizeLimit>(100);
            QVERIFY(limit->available());
        } else if (fault == "slash in the name") {
            typed = "no/such/Taken";
        } else if (fault == "name too long") {
            typed = std::string(300, 'x');
        } else if (fault == "target is a folder") {
            typed = "Folder";
            testing::writeFile(folder / ("Folder" + extension) / "inside.txt", kPrevious);
        } else if (fault == "target is a pipe") {
            typed = "Pipe";
            const fs::path pipe = folder / ("Pipe" + extension);
            QCOMPARE(mkfifo(pipe.c_str(), 0600), 0);
        }
        const std::vector<std::string> before = testing::folderEntries(folder);
        s.dialogs.shown.clear();

        nameBox(window)->setText(QString::fromStdString(typed));
        QTest::mouseClick(window->findChild<QPushButton*>("Command1"), Qt::LeftButton);
        std::string described;
        if (writer == Writer::Material) {
            // Beneath the window's one message, the writer names the file and the reason.
            const newdata::BuildResult result = newdata::WriteMaterialFile(
                s.root(), "Carbide", 3.2, newdata::Category::Others, typed, s.builder);
            QCOMPARE(int(result.error), int(newdata::BuildError::CannotWrite));
            described = newdata::DescribeBuildError(result);
        }
        limit.reset();
        if (readOnly) {
            readOnly->release();
        }
        if (protectedFile) {
            protectedFile->release();
        }

        QCOMPARE(s.dialogs.shown.size(), std::size_t(1));
        const std::string& message = s.dialogs.shown.front().text;
        const std::string file = typed + extension;
        if (writer == Writer::Material) {
            // The builders answer every failure of a build with their one message.
            QCOMPARE(message, std::string(kDataError));
            QVERIFY2(described.find("mix/" + file) != std::string::npos, described.c_str());
        } else {
            QVERIFY2(message.find(file) != std::string::npos, message.c_str());
        }
        QVERIFY(window->isVisible());
        QCOMPARE(testing::folderEntries(folder), before);
        if (fault != "missing folder") {
            QCOMPARE(testing::readFile(previous), std::string(kPrevious));
        }
        if (fault == "target is a folder") {
            QCOMPARE(testing::readFile(folder / file / "inside.txt"), std::string(kPrevious));
        }
        if (fault == "target is a pipe") {
            QVERIFY(fs::is_fifo(folder / file));
        }
    }

    void longestNameIsWritten_data() {
        QTest::addColumn<Writer>("writer");
        QTest::newRow("material file") << Writer::Material;
        QTest::newRow("CSV") << Writer::Csv;
        QTest::newRow("bitmap") << Writer::Bitmap;
    }
    void longestNameIsWritten() {
        QFETCH(Writer, writer);
        Session s;
        QWidget* window = writer == Writer::Material ? static_cast<QWidget*>(buildUpToFileName(s))
                                                     : openSaveDialog(s, writer);
        const std::size_t extension = writer == Writer::Material ? 5 : 4;
        // 255 bytes is the most a folder entry takes.
        const std::string typed(255 - extension, 'n');
        const fs::path folder = writer == Writer::Material ? s.root() / "mix" : s.out();
        const std::vector<std::string> before = testing::folderEntries(folder);
        s.dialogs.shown.clear();
        nameBox(window)->setText(QString::fromStdString(typed));
        QTest::mouseClick(window->findChild<QPushButton*>("Command1"), Qt::LeftButton);
        QCOMPARE(s.dialogs.shown.size(), std::size_t(1));
        QCOMPARE(s.dialogs.shown.front().icon, platform::MessageIcon::None);
        QCOMPARE(testing::folderEntries(folder).size(), before.size() + 1);
    }
};

QTEST_MAIN(FaultInjectionTest)
#include "test_fault_injection.moc"
