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
const std::string kGoodCsv = "Good\r\n1.\r\n2\r\n"
                             "1.000E-03, 1.000E-01, 2.000E-01, 3.000E-01, 0.000E+00, 0.000E+00\r\n"
                             "2.000E-03, 2.000E-01, 4.000E-01, 6.000E-01, 0.000E+00, 0.000E+00\r\n";
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
        QTest::newRow("density in E notation loses its leading zero")
            << "Air\r\n1.205E-03\r\n1\r\n" + kRow << "Air\r\n.001205\r\n1\r\n" + kCsvRow;
        QTest::newRow("whole density keeps its point")
            << "Water\r\n1\r\n1\r\n" + kRow << "Water\r\n1.\r\n1\r\n" + kCsvRow;
        QTest::newRow("density rounded to six decimals")
            << "A\r\n0.00120479\r\n1\r\n" + kRow << "A\r\n.001205\r\n1\r\n" + kCsvRow;
        QTest::newRow("empty table leaves the count empty")
            << std::string("Nothing\r\n1\r\n0\r\n") << std::string("Nothing\r\n1.\r\n\r\n");
        QTest::newRow("every row, in order") << kGood << kGoodCsv;
    }
    void csvText() {
        QFETCH(std::string, file);
        QFETCH(std::string, csv);
        data::MaterialTable table;
        const data::LoadResult loaded = data::LoadMaterialTableFromText(table, file);
        QVERIFY(loaded.ok());
        QCOMPARE(exporting::CsvText(table, loaded.density), csv);
    }

    void exportTable_data() {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<std::string>("content"); // written to the selected file when not empty
        QTest::addColumn<QString>("target");      // inside out/: old.csv and taken.csv/ exist
        QTest::addColumn<int>("status");
        QTest::addColumn<std::string>("expected"); // the file written, or part of the detail
        QTest::addColumn<QString>("name");         // the table's material afterwards
        QTest::addColumn<double>("totalMax");      // TotalMin stays 0.6 from the first load
        const auto row = [](const char* tag, const char* selected, const std::string& content,
                            const char* target, ExportStatus status, const std::string& expected,
                            const char* name = "Good", double totalMax = 1.2) {
            QTest::newRow(tag) << QString(selected) << content << QString(target) << int(status)
                               << expected << QString(name) << totalMax;
        };
        row("another file is read again; extremes only widen", "mix/second.mix3",
            "Second\r\n2\r\n1\r\n" + kRow, "new.csv", ExportStatus::Written,
            "Second\r\n2.\r\n1\r\n" + kCsvRow, "Second", 6.045);
        row("an existing file is replaced", "mix/good.mix3", "", "old.csv", ExportStatus::Written,
            kGoodCsv);
        row("nothing selected", "", "", "new.csv", ExportStatus::NoSelection,
            "no material file is selected");
        row("selected file removed", "mix/gone.mix3", "", "new.csv", ExportStatus::CannotLoad,
            "mix/gone.mix3");
        row("rows missing", "mix/short.mix3", "Short\r\n1\r\n3\r\n" + kRow, "new.csv",
            ExportStatus::CannotLoad, "mix/short.mix3, line 5");
        row("more than 150 rows", "mix/big.mix3", "Big\r\n1\r\n151\r\n", "new.csv",
            ExportStatus::CannotLoad, "more than 150 rows");
        row("a folder of the target's name", "mix/good.mix3", "", "taken.csv",
            ExportStatus::CannotWrite, "");
    }
    void exportTable() {
        QFETCH(QString, selected);
        QFETCH(std::string, content);
        QFETCH(QString, target);
        QFETCH(int, status);
        QFETCH(std::string, expected);
        QFETCH(QString, name);
        QFETCH(double, totalMax);
        testing::TempFolder folder;
        const fs::path root = folder.path();
        const fs::path out = root / "out";
        testing::writeFile(root / "mix" / "good.mix3", kGood);
        testing::writeFile(out / "old.csv", std::string(5000, 'z'));
        testing::writeFile(out / "taken.csv" / "inside.txt", "kept");
        if (!content.empty()) {
            testing::writeFile(root / selected.toStdString(), content);
        }
        data::MaterialTable table;
        table.SelectedPath = "mix/good.mix3";
        table.ResetExtremes();
        QVERIFY(data::LoadMaterialTable(table, root).ok());
        table.SelectedPath = selected.toStdString();
        const fs::path file = out / target.toStdString();

        const exporting::ExportResult result = exporting::ExportTableCsv(table, root, file);
        QCOMPARE(int(result.status), status);
        if (result.ok()) {
            QCOMPARE(testing::readFile(file), expected);
        } else {
            QVERIFY2(result.detail.find(expected) != std::string::npos, result.detail.c_str());
            QCOMPARE(testing::readFile(out / "old.csv"), std::string(5000, 'z'));
            QCOMPARE(testing::readFile(out / "taken.csv" / "inside.txt"), std::string("kept"));
            QVERIFY(!fs::exists(out / "new.csv"));
            QCOMPARE(result.file, status == int(ExportStatus::CannotWrite) ? file : fs::path());
        }
        QCOMPARE(QString::fromStdString(table.MaterialName), name);
        QCOMPARE_CLOSE(table.TotalMin, 0.6);
        QCOMPARE_CLOSE(table.TotalMax, totalMax);
    }

    void composedNames_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "/data/out"
                               << "abc"
                               << "/data/out/abc.csv";
        QTest::newRow("extension always appended") << "/d"
                                                   << "data.txt"
                                                   << "/d/data.txt.csv";
        QTest::newRow("typed extension kept") << "/d"
                                              << "abc.csv"
                                              << "/d/abc.csv.csv";
        QTest::newRow("blanks used as typed") << "/d"
                                              << "   "
                                              << "/d/   .csv";
        QTest::newRow("root folder") << "/"
                                     << "abc"
                                     << "/abc.csv";
        QTest::newRow("sub-path stays part of the name") << "/d"
                                                         << "out/abc"
                                                         << "/d/out/abc.csv";
        QTest::newRow("leading separator stays inside") << "/d"
                                                        << "/abc"
                                                        << "/d/abc.csv";
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
