// The replacing write that every writer (material file, CSV file, bitmap) goes through, against
// each way a write can fail: it gives a reason, the file that was there is unchanged byte for
// byte, no temporary file is left. A name of the longest length a folder takes is written.

#include "data/MaterialFile.h"
#include "fakes/TestSupport.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QScopeGuard>

#include <csignal>
#include <functional>

namespace fs = std::filesystem;

namespace {

const std::string kPrevious = "Previous\r\n1.\r\n0\r\n";

/// Entries of a folder (0 when it is missing): a leftover temporary file adds one.
long folderEntries(const fs::path& folder) {
    std::error_code ec;
    return std::distance(fs::directory_iterator(folder, ec), fs::directory_iterator());
}

/// The immutable attribute stops even root; false where the file system or user cannot set it.
bool setImmutable(const fs::path& file, bool on) {
    const int fd = open(file.c_str(), O_RDONLY | O_NONBLOCK); // the calls fail on -1
    int flags = 0;
    bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    done = done && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    close(fd);
    return done;
}

} // namespace

class FailingWritesTest : public QObject {
    Q_OBJECT

  private slots:
    // A read-only folder and a slash in the name fail as a missing folder does, when the new
    // file is made; a full device as a file size limit does, when it is written. A name too
    // long for the folder fails when the new file is renamed over it.
    void replacingWriteUnderEveryFault_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<std::string>("reason"); // the program's own words, where it has them
        const auto row = [](const char* fault, const char* reason = "") {
            QTest::newRow(fault) << QString(fault) << std::string(reason);
        };
        row("write-protected file");
        row("missing folder");
        row("file size limit");
        row("name too long");
        row("NUL in the name", "the name holds a character no file name may hold");
        row("target is a folder", "a folder of that name exists");
        row("target is a pipe", "a special file of that name exists");
        row("longest name");
    }

    void replacingWriteUnderEveryFault() {
        QFETCH(QString, fault);
        QFETCH(std::string, reason);
        testing::TempFolder temp;
        const fs::path folder = temp.path() / "out";
        const fs::path previous = folder / "Taken.csv";
        testing::writeFile(previous, kPrevious);
        std::string name = "Taken";
        std::function<void()> lift = [] {};
        const auto liftAtTheEnd = qScopeGuard([&lift] { lift(); });
        if (fault == "write-protected file") {
            fs::permissions(previous, fs::perms::owner_read);
            lift = [previous] {
                setImmutable(previous, false);
                fs::permissions(previous, fs::perms::owner_read | fs::perms::owner_write);
            };
            if (access(previous.c_str(), W_OK) == 0 && !setImmutable(previous, true)) {
                QSKIP("neither the mode nor the immutable attribute protects a file here");
            }
        } else if (fault == "missing folder") {
            fs::remove_all(folder); // chosen, then gone before the write
        } else if (fault == "file size limit") {
            rlimit old{};
            getrlimit(RLIMIT_FSIZE, &old);
            const auto handler = std::signal(SIGXFSZ, SIG_IGN);
            lift = [old, handler] {
                setrlimit(RLIMIT_FSIZE, &old);
                std::signal(SIGXFSZ, handler);
            };
            const rlimit limit{100, old.rlim_max};
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
        } else if (fault == "name too long") {
            name = std::string(300, 'x');
        } else if (fault == "NUL in the name") {
            name = std::string("Ta\0ken", 6);
        } else if (fault == "target is a folder") {
            name = "Folder";
            testing::writeFile(folder / "Folder.csv" / "inside.txt", kPrevious);
        } else if (fault == "target is a pipe") {
            name = "Pipe";
            QCOMPARE(mkfifo((folder / "Pipe.csv").c_str(), 0600), 0);
        } else if (fault == "longest name") {
            name = std::string(255 - 4, 'n');
        }
        const long before = folderEntries(folder);
        const fs::path target = folder / (name + ".csv");
        const std::string bytes(20000, 'n');
        const data::WriteResult written = data::WriteFileReplacing(target, bytes);
        lift();

        QCOMPARE(written.ok, fault == "longest name");
        QCOMPARE(written.reason.empty(), written.ok);
        QVERIFY2(reason.empty() || written.reason == reason, written.reason.c_str());
        QCOMPARE(folderEntries(folder), before + (written.ok ? 1 : 0));
        QVERIFY(!written.ok || testing::readFile(target) == bytes);
        QCOMPARE(testing::readFile(previous), fault == "missing folder" ? "" : kPrevious);
        if (fault == "target is a folder") {
            QCOMPARE(testing::readFile(target / "inside.txt"), kPrevious);
        }
        QVERIFY(fault != "target is a pipe" || fs::is_fifo(target));
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

QTEST_GUILESS_MAIN(FailingWritesTest)
#include "test_failing_writes.moc"
