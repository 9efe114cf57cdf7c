// The table export: the CSV text, the reload before it and the file name a save dialog composes.

#include "data/MaterialFile.h"
#include "data/MaterialTable.h"
#include "export/CsvExport.h"
#include "fakes/TestSupport.h"

namespace fs = std::filesystem;
using exporting::ExportStatus;

namespace {

const std::string kGood = "Good\r\n1\r\n2\r\n"
                          "1.000E-03 1.000E-01 2.000E-01 3.000E-01 0.000E+00 0.000E+00\r\n"
                          "2.000E-03 2.000E-01 4.000E-01 6.000E-01 0.000E+00 0.000E+00\r\n";
const std::string kRow = "1.000E-03 1.000E+00 2.000E+00 3.000E+00 4.000E-02 5.000E-03\r\n";
const std::string kCsvRow = "1.000E-03, 1.000E+00, 2.000E+00, 3.000E+00, 4.000E-02, 5.000E-03\r\n";

} // namespace

class CsvExportTest : public QObject {
    Q_OBJECT

  private slots:
    void csvText_data() {
        QTest::addColumn<std::string>("file");
        QTest::addColumn<std::string>("csv");
        QTest::newRow("hand-written sample: four digits, rounding carries")
            << testing::readFile(testing::testData("export/sample.mix3"))
            << testing::readFile(testing::testData("export/sample.csv"));
        QTest::newRow("density rounded to six decimals, no leading zero")
            << "A\r\n0.00120479\r\n1\r\n" + kRow << "A\r\n.001205\r\n1\r\n" + kCsvRow;
        QTest::newRow("empty table leaves the count empty")
            << std::string("Nothing\r\n1\r\n0\r\n") << std::string("Nothing\r\n1.\r\n\r\n");
    }
    void csvText() {
        QFETCH(std::string, file);
        QFETCH(std::string, csv);
        data::MaterialTable table;
        const data::LoadResult loaded = data::LoadMaterialTableFromText(table, file);
        QVERIFY(loaded.ok());
        QCOMPARE(exporting::CsvText(table, loaded.density), csv);
    }

    void exportReadsTheFileAgain() {
        testing::TempFolder folder;
        const fs::path root = folder.path();
        testing::writeFile(root / "mix" / "good.mix3", kGood);
        testing::writeFile(root / "mix" / "second.mix3", "Second\r\n2\r\n1\r\n" + kRow);
        testing::writeFile(root / "old.csv", std::string(5000, 'z'));
        data::MaterialTable table;
        table.SelectedPath = "mix/good.mix3";
        table.ResetExtremes();
        QVERIFY(data::LoadMaterialTable(table, root).ok());
        // Another file is read again over an existing CSV file; the extremes only widen.
        table.SelectedPath = "mix/second.mix3";
        QVERIFY(exporting::ExportTableCsv(table, root, root / "old.csv").ok());
        QCOMPARE(testing::readFile(root / "old.csv"), "Second\r\n2.\r\n1\r\n" + kCsvRow);
        QCOMPARE(table.MaterialName, std::string("Second"));
        QCOMPARE_CLOSE(table.TotalMin, 0.6);
        QCOMPARE_CLOSE(table.TotalMax, 6.045);
        // A file that cannot be read again writes nothing and leaves the table as it was.
        for (const char* selected : {"mix/gone.mix3", ""}) {
            table.SelectedPath = selected;
            const exporting::ExportResult failed =
                exporting::ExportTableCsv(table, root, root / "new.csv");
            QCOMPARE(failed.status,
                     *selected ? ExportStatus::CannotLoad : ExportStatus::NoSelection);
            QVERIFY(!fs::exists(root / "new.csv"));
            QCOMPARE(table.MaterialName, std::string("Second"));
            QCOMPARE_CLOSE(table.TotalMin, 0.6);
        }
        // A folder of the target's name: the reload stands.
        table.SelectedPath = "mix/good.mix3";
        testing::writeFile(root / "taken.csv" / "inside.txt", "kept");
        const exporting::ExportResult blocked =
            exporting::ExportTableCsv(table, root, root / "taken.csv");
        QCOMPARE(blocked.status, ExportStatus::CannotWrite);
        QCOMPARE(table.MaterialName, std::string("Good"));
    }

    void composedNames_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* tag, const char* folder, const char* typed,
                            const char* expected) {
            QTest::newRow(tag) << QString(folder) << QString(typed) << QString(expected);
        };
        row("root folder", "/", "abc", "/abc.csv");
        row("sub-path stays part of the name", "/d", "out/abc", "/d/out/abc.csv");
        row("leading separator stays inside", "/d", "/abc", "/d/abc.csv");
    }
    void composedNames() {
        QFETCH(QString, folder);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        const fs::path composed = exporting::ComposeTargetPath(
            fs::path(folder.toStdString()), fs::path(typed.toStdString()), ".csv");
        QCOMPARE(QString::fromStdString(composed.string()), expected);
    }
};

QTEST_GUILESS_MAIN(CsvExportTest)
#include "test_csv.moc"
