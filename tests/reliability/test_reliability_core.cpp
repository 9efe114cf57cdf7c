// Inputs found by fuzzing, kept as regressions: texts whose numeric value sits at the edge of a
// double, a negative zero in a fixed-width field, and rows whose values fit a double while their
// total or their shares do not. Then the replacing write under every fault we can cause: it
// must fail with a reason, keep the old file byte for byte and leave no temporary file.

#include "FaultInjection.h"
#include "fakes/TestSupport.h"

#include "data/MaterialFile.h"
#include "data/MaterialTable.h"
#include "data/NumberMask.h"
#include "data/NumericText.h"

#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>

namespace fs = std::filesystem;

using data::LoadError;

class ReliabilityCoreTest : public QObject {
    Q_OBJECT

  private slots:
    void numericValueAtTheEdgeOfADouble_data() {
        QTest::addColumn<std::string>("text");
        QTest::addColumn<double>("expected");
        const double inf = std::numeric_limits<double>::infinity();
        const std::string zeros400(400, '0');
        // Leading zeros of an exponent carry no weight, however many there are.
        QTest::newRow("huge mantissa, exponent of many zeros")
            << "1" + zeros400 + "e-0000000000000000000000" << inf;
        QTest::newRow("huge mantissa, small exponent padded with zeros")
            << "1" + zeros400 + "e-00000000000000000000010" << inf;
        QTest::newRow("tiny exponent padded with zeros")
            << std::string("1e-000000000000000000000400") << 0.0;
        QTest::newRow("padded exponent in range")
            << std::string("2.5e-00000000000000000000003") << 0.0025;
        // Zeros after the point make a number small even when its exponent is positive.
        QTest::newRow("tiny mantissa, positive exponent") << "0." + zeros400 + "1e10" << 0.0;
        QTest::newRow("tiny mantissa, exponent lifts it out") << "0." + zeros400 + "1e800" << inf;
        QTest::newRow("negative huge") << "-1" + zeros400 << -inf;
        QTest::newRow("exponent beyond any counter")
            << std::string("1e99999999999999999999999") << inf;
        QTest::newRow("negative exponent beyond any counter")
            << std::string("1e-99999999999999999999999") << 0.0;
    }
    void numericValueAtTheEdgeOfADouble() {
        QFETCH(std::string, text);
        QFETCH(double, expected);
        QCOMPARE(data::NumericValue(text), expected);
    }

    void negativeZeroKeepsTheColumns() {
        QCOMPARE(data::FormatScientific(-0.0), std::string("0.000E+00"));
        QCOMPARE(data::FormatDensity(-0.0), std::string("."));
        QCOMPARE(data::FormatDensityShown(-0.0), std::string("0.000"));
        const std::string row = data::FormatTableRow(-0.0, {-0.0, 1.0, -0.0, 2.0, 3.0});
        QCOMPARE(row.size(), std::size_t(59));
        const data::TableRow parsed = data::ParseTableRow(row);
        QCOMPARE(parsed.coefficients[1], 1.0);
        QCOMPARE(parsed.coefficients[4], 3.0);
    }

    void rowWhoseTotalOverflowsIsRejected() {
        data::MaterialTable table;
        table.MaterialName = "before";
        const std::string text = "Huge\r\n1.\r\n2\r\n"
                                 "1.000E-03 1.000E+00 1.000E+00 1.000E+00 0.000E+00 0.000E+00\r\n"
                                 "1.000E-02 1.79E+308 1.79E+308 0.000E+00 0.000E+00 0.000E+00\r\n";
        const data::LoadResult result = data::LoadMaterialTableFromText(table, text);
        QCOMPARE(int(result.error), int(LoadError::BadValue));
        QCOMPARE(result.line, 5);
        QCOMPARE(table.MaterialName, std::string("before"));
        QCOMPARE(table.RowCount, 0);
    }

    void sharesOfACancelledTotalStayFinite() {
        data::MaterialTable table;
        const std::string text = "Cancelled\r\n1.\r\n1\r\n"
                                 "1.000E-03 1.00E+300 -1.0E+300 1.00E-300 0.000E+00 0.000E+00\r\n";
        QVERIFY(data::LoadMaterialTableFromText(table, text).ok());
        QCOMPARE(table.Total[1], 1e-300);
        data::ComputeFractions(table);
        QCOMPARE(table.FracCoherent[1], 0.0);
        QCOMPARE(table.FracIncoherent[1], 0.0);
        QCOMPARE(table.FracPhotoElectric[1], 1.0);
    }

    void replacingWriteUnderFaults_data() {
        QTest::addColumn<QString>("fault");
        for (const char* fault :
             {"read-only folder", "write-protected file", "missing folder", "full device",
              "file size limit", "slash in the name", "name too long", "NUL in the name",
              "target is a folder", "target is a pipe"}) {
            QTest::newRow(fault) << QString(fault);
        }
    }
    void replacingWriteUnderFaults() {
        QFETCH(QString, fault);
        testing::TempFolder temp;
        const fs::path folder = temp.path() / "out";
        fs::create_directories(folder);
        const std::string oldBytes = "Old\r\n1.\r\n0\r\n";
        const std::string newBytes(20000, 'n'); // more than a full device or the limit takes
        fs::path target = folder / "table.csv";
        testing::writeFile(target, oldBytes);

        std::unique_ptr<testing::ReadOnlyFolder> readOnly;
        std::unique_ptr<testing::WriteProtectedFile> protectedFile;
        std::unique_ptr<testing::FullDevice> full;
        std::unique_ptr<testing::FileSizeLimit> limit;
        if (fault == "read-only folder") {
            readOnly = std::make_unique<testing::ReadOnlyFolder>(folder);
            if (!readOnly->available()) {
                QSKIP("no way to make a folder read-only for this user");
            }
            qDebug("read-only by %s", readOnly->how().c_str());
        } else if (fault == "write-protected file") {
            protectedFile = std::make_unique<testing::WriteProtectedFile>(target);
            if (!protectedFile->available()) {
                QSKIP("no way to protect a file from this user");
            }
            qDebug("write-protected by %s", protectedFile->how().c_str());
        } else if (fault == "missing folder") {
            target = temp.path() / "gone" / "table.csv";
        } else if (fault == "full device") {
            fs::remove(target);
            full = std::make_unique<testing::FullDevice>(folder, "table.csv", oldBytes);
            if (!full->available()) {
                QSKIP("mounting a small file system needs privileges this user lacks");
            }
        } else if (fault == "file size limit") {
            limit = std::make_unique<testing::FileSizeLimit>(1000);
            QVERIFY(limit->available());
        } else if (fault == "slash in the name") {
            target = folder / "a/b.csv";
        } else if (fault == "name too long") {
            target = folder / (std::string(300, 'x') + ".csv");
        } else if (fault == "NUL in the name") {
            target = folder / std::string("ta\0ble.csv", 10);
        } else if (fault == "target is a folder") {
            target = folder / "taken.csv";
            testing::writeFile(target / "inside.txt", oldBytes);
        } else if (fault == "target is a pipe") {
            target = folder / "pipe.csv";
            QCOMPARE(mkfifo(target.c_str(), 0600), 0);
        }
        const std::vector<std::string> before = testing::folderEntries(folder);

        const data::WriteResult result = data::WriteFileReplacing(target, newBytes);
        limit.reset();
        if (readOnly) {
            readOnly->release();
        }
        if (protectedFile) {
            protectedFile->release();
        }

        QVERIFY(!result.ok);
        QVERIFY(!result.reason.empty());
        QCOMPARE(testing::folderEntries(folder), before);
        QCOMPARE(testing::readFile(folder / "table.csv"), oldBytes);
        if (fault == "target is a folder") {
            QCOMPARE(testing::readFile(target / "inside.txt"), oldBytes);
        }
        if (fault == "target is a pipe") {
            QVERIFY(fs::is_fifo(target));
        }
    }

    void replacingWriteTakesTheLongestNameAndKeepsAccessRights() {
        testing::TempFolder temp;
        // 255 bytes is the most a folder entry holds; the temporary name must still fit.
        const fs::path target = temp.path() / (std::string(251, 'n') + ".csv");
        testing::writeFile(target, "old");
        fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
        const data::WriteResult result = data::WriteFileReplacing(target, "new");
        QVERIFY2(result.ok, result.reason.c_str());
        QCOMPARE(testing::readFile(target), std::string("new"));
        QCOMPARE(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
        QCOMPARE(testing::folderEntries(temp.path()).size(), std::size_t(1));
    }
};

QTEST_GUILESS_MAIN(ReliabilityCoreTest)
#include "test_reliability_core.moc"
