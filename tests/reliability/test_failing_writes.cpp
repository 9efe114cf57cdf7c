// Every writer against every way a write can fail: the replacing write itself, the builders'
// material file, the CSV file and the bitmap, each driven through its window. In each case the
// user gets one message naming the file (the builders give their one message, beneath which
// the writer names it), the window stays open, the file that was there is unchanged byte for
// byte, and no temporary file is left. A name of the longest length a folder takes is written.

#include "FaultInjection.h"
#include "export/Form7.h"
#include "export/Form8.h"
#include "fakes/WindowFixture.h"
#include "graph/Form2.h"
#include "graph/Form3.h"
#include "newdata/Form4.h"
#include "newdata/Form5.h"
#include "newdata/FormBuilderWindow.h"
#include "newdata/MaterialWriter.h"
#include "platform/qt/DirListBox.h"
#include "platform/qt/PatternFileList.h"

#include <sys/stat.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace fs = std::filesystem;

namespace {

enum class Writer { Core, Material, Csv, Bitmap };

const std::string kPrevious = "Previous\r\n1.\r\n0\r\n";
const char* const kDataError = " There is an error in the entered data ";

/// The program on two elements and a material, GO done and the material in the enlarged view,
/// so that every writer has something to write.
void startWithAMaterial(testing::WindowFixture& f) {
    const std::string element = testing::materialText("Element", "1.",
                                                      {{1e-3, 1, 2, 3e3, 0, 0},
                                                       {1e-2, 0.5, 1, 3, 0, 0},
                                                       {1, 1e-2, 5e-2, 1e-4, 0, 0},
                                                       {1e5, 1e-6, 1e-3, 1e-9, 1e-2, 1e-2}}) +
                                "12.011\r\n";
    f.write("ele/006_C.ele", element).write("ele/014_Si.ele", element);
    f.write("mix/sample.mix3", element).start();
    fs::create_directories(f.root() / "out");
    if (!f.go("mix/sample.mix3")) {
        qFatal("GO failed on the sample material");
    }
    f.windows().form2->Form2_Command1_Click();
}

/// The compound builder taken up to the file name: one atom each of two elements, "Others".
QWidget* compoundUpToFileName(testing::WindowFixture& f) {
    f.windows().form5->show();
    QTest::mouseClick(f.windows().form5->Command1, Qt::LeftButton);
    BuilderWindow* w = f.windows().form4;
    w->Text13->setText("Carbide");
    w->Text14->setText("3.2");
    w->Text2->setText("2");
    QTest::mouseClick(w->Command3, Qt::LeftButton);
    for (const auto& [file, label] : {std::pair{"006_C.ele", "Label8"}, {"014_Si.ele", "Label9"}}) {
        w->File1->setCurrentItem(w->File1->findItems(file, Qt::MatchExactly).front());
        f.dialogs.inputAnswers = {"1"};
        QTest::mouseClick(w->findChild<QWidget*>(label), Qt::LeftButton);
    }
    w->Option3->click();
    return w;
}

} // namespace

Q_DECLARE_METATYPE(Writer)

class FailingWritesTest : public QObject {
    Q_OBJECT

  private slots:
    void everyWriterUnderEveryFault_data() {
        QTest::addColumn<Writer>("writer");
        QTest::addColumn<QString>("fault");
        for (const auto& [writer, name] : {std::pair{Writer::Core, "replacing write"},
                                           {Writer::Material, "material file"},
                                           {Writer::Csv, "CSV"},
                                           {Writer::Bitmap, "bitmap"}}) {
            for (const char* fault :
                 {"read-only folder", "write-protected file", "missing folder", "full device",
                  "file size limit", "slash in the name", "name too long", "NUL in the name",
                  "target is a folder", "target is a pipe", "longest name"}) {
                // A text box cannot hold a NUL byte.
                if (writer == Writer::Core || QString(fault) != "NUL in the name") {
                    QTest::addRow("%s, %s", name, fault) << writer << QString(fault);
                }
            }
        }
    }
    void everyWriterUnderEveryFault() {
        QFETCH(Writer, writer);
        QFETCH(QString, fault);
        testing::WindowFixture s;
        startWithAMaterial(s);
        const fs::path out = s.root() / "out";
        const fs::path folder = writer == Writer::Material ? s.root() / "mix" : out;
        const std::string extension = writer == Writer::Material ? ".mix3"
                                      : writer == Writer::Bitmap ? ".bmp"
                                                                 : ".csv";
        const fs::path previous = folder / ("Taken" + extension);
        testing::writeFile(previous, kPrevious);

        QWidget* window = nullptr;
        if (writer == Writer::Material) {
            window = compoundUpToFileName(s);
        } else if (writer == Writer::Csv) {
            s.windows().form8->Dir1->SetPath(out);
            s.windows().form8->PrepareAndShow();
            window = s.windows().form8;
        } else if (writer == Writer::Bitmap) {
            s.windows().form7->Dir1->SetPath(out);
            s.windows().form3->Form3_Command1_Click();
            window = s.windows().form7;
        }
        QVERIFY(window == nullptr || window->isVisible());

        std::string typed = "Taken";
        std::unique_ptr<testing::InjectedFault> injected;
        using F = testing::InjectedFault;
        if (fault == "read-only folder") {
            injected = std::make_unique<F>(F::ReadOnlyFolder, folder);
        } else if (fault == "write-protected file") {
            injected = std::make_unique<F>(F::WriteProtectedFile, previous);
        } else if (fault == "missing folder") {
            fs::remove_all(folder); // chosen, then gone before OK
        } else if (fault == "full device") {
            fs::remove(previous);
            injected = std::make_unique<F>(F::FullDevice, folder, previous.filename(), kPrevious);
        } else if (fault == "file size limit") {
            injected = std::make_unique<F>(F::FileSizeLimit, fs::path());
        } else if (fault == "slash in the name") {
            typed = "no/such/Taken";
        } else if (fault == "name too long") {
            typed = std::string(300, 'x');
        } else if (fault == "NUL in the name") {
            typed = std::string("Ta\0ken", 6);
        } else if (fault == "target is a folder") {
            typed = "Folder";
            testing::writeFile(folder / ("Folder" + extension) / "inside.txt", kPrevious);
        } else if (fault == "target is a pipe") {
            typed = "Pipe";
            QCOMPARE(mkfifo((folder / ("Pipe" + extension)).c_str(), 0600), 0);
        } else if (fault == "longest name") {
            typed = std::string(255 - extension.size(), 'n');
        }
        if (injected && injected->how().empty()) {
            QSKIP("this user cannot set up the fault here");
        }
        const std::vector<std::string> before = testing::folderEntries(folder);
        const std::string file = typed + extension;
        s.dialogs.shown.clear();

        data::WriteResult written;
        if (writer == Writer::Core) {
            written = data::WriteFileReplacing(folder / file, std::string(20000, 'n'));
        } else {
            window->findChild<QLineEdit*>("Text1")->setText(QString::fromStdString(typed));
            QTest::mouseClick(window->findChild<QPushButton*>("Command1"), Qt::LeftButton);
        }
        std::string described;
        if (writer == Writer::Material && fault != "longest name") {
            const newdata::BuildResult result = newdata::WriteMaterialFile(
                s.root(), "Carbide", 3.2, newdata::Category::Others, typed, s.builder);
            QCOMPARE(int(result.error), int(newdata::BuildError::CannotWrite));
            described = newdata::DescribeBuildError(result);
        }
        if (injected) {
            injected->release();
        }

        QCOMPARE(s.dialogs.shown.size(), std::size_t(writer == Writer::Core ? 0 : 1));
        if (fault == "longest name") {
            QVERIFY2(written.ok, written.reason.c_str());
            QCOMPARE(testing::folderEntries(folder).size(), before.size() + 1);
            QVERIFY(writer == Writer::Core ||
                    s.dialogs.shown.front().icon == platform::MessageIcon::None);
            return;
        }
        if (writer == Writer::Core) {
            QVERIFY(!written.ok);
            QVERIFY(!written.reason.empty());
        } else {
            const std::string& message = s.dialogs.shown.front().text;
            if (writer == Writer::Material) {
                // The builders answer every failure of a build with their one message.
                QCOMPARE(message, std::string(kDataError));
                QVERIFY2(described.find("mix/" + file) != std::string::npos, described.c_str());
            } else {
                const std::string start =
                    " The file " + (folder / file).string() + " could not be written: ";
                QVERIFY2(message.starts_with(start) && message.size() > start.size() + 1,
                         message.c_str());
                QCOMPARE(s.dialogs.shown.front().icon, platform::MessageIcon::Exclamation);
            }
            QVERIFY(window->isVisible());
        }
        QCOMPARE(testing::folderEntries(folder), before);
        if (fault != "missing folder") {
            QCOMPARE(testing::readFile(previous), kPrevious);
        }
        if (fault == "target is a folder") {
            QCOMPARE(testing::readFile(folder / file / "inside.txt"), kPrevious);
        }
        QVERIFY(fault != "target is a pipe" || fs::is_fifo(folder / file));
    }

    void replacingWriteKeepsAccessRights() {
        testing::TempFolder temp;
        const fs::path target = temp.path() / "table.csv";
        testing::writeFile(target, "old");
        fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
        QVERIFY(data::WriteFileReplacing(target, "new").ok);
        QCOMPARE(testing::readFile(target), std::string("new"));
        QCOMPARE(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    }
};

QTEST_MAIN(FailingWritesTest)
#include "test_failing_writes.moc"
