#include "data/MaterialFile.h"
#include "data/MaterialTable.h"
#include "export/CsvExport.h"
#include "fakes/TestSupport.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using exporting::ExportStatus;

namespace {

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find("\r\n"); end != std::string::npos;
         end = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    if (start != text.size()) {
        lines.push_back(text.substr(start)); // an unterminated last line
    }
    return lines;
}

/// A material file of `rows` rows with the given density text and, in row i, the coefficients
/// i*1e-3, 2*i*1e-3, ... so that no two rows agree.
std::string materialText(const std::string& name, const std::string& density, int rows) {
    std::vector<std::string> lines{name, density, std::to_string(rows)};
    for (int i = 1; i <= rows; ++i) {
        const double base = i * 1e-3;
        lines.push_back(data::FormatTableRow(base, {base, 2 * base, 3 * base, 0.0, 0.0}));
    }
    return data::JoinLines(lines);
}

/// Names of the entries of a folder, to show that a failed write leaves nothing behind.
std::vector<std::string> entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

class CsvExportTest : public QObject {
    Q_OBJECT

  private slots:
    void sampleMatchesHandWrittenFile() {
        testing::TempFolder folder;
        const fs::path root = folder.path();
        fs::create_directory(root / "mix");
        fs::copy_file(testing::testData("export/sample.mix3"), root / "mix" / "sample.mix3");
        data::MaterialTable table;
        table.SelectedPath = "mix/sample.mix3";

        const fs::path target = root / "out.csv";
        const exporting::ExportResult result = exporting::ExportTableCsv(table, root, target);
        QVERIFY2(result.ok(), result.detail.c_str());
        QCOMPARE(testing::readFile(target),
                 testing::readFile(testing::testData("export/sample.csv")));
        QCOMPARE(table.MaterialName, std::string("Sample, soft tissue"));
        QCOMPARE(table.RowCount, 4);
    }

    void densityLine_data() {
        QTest::addColumn<QString>("density");
        QTest::addColumn<QString>("expected");
        QTest::newRow("air") << "1.205E-03"
                             << ".001205";
        QTest::newRow("air written out") << ".001205"
                                         << ".001205";
        QTest::newRow("water") << "1"
                               << "1.";
        QTest::newRow("gold") << "19.3"
                              << "19.3";
        QTest::newRow("rounded to six decimals") << "0.00120479"
                                                 << ".001205";
    }
    void densityLine() {
        QFETCH(QString, density);
        QFETCH(QString, expected);
        data::MaterialTable table;
        const data::LoadResult loaded = data::LoadMaterialTableFromText(
            table, materialText("Material", density.toStdString(), 2));
        QVERIFY(loaded.ok());
        const std::vector<std::string> lines =
            splitLines(exporting::CsvText(table, loaded.density));
        QCOMPARE(lines.at(1), expected.toStdString());
    }

    void eightyRowsGiveEightyThreeLines() {
        data::MaterialTable table;
        const data::LoadResult loaded =
            data::LoadMaterialTableFromText(table, materialText("Eighty", "2.5", 80));
        QVERIFY(loaded.ok());
        const std::string text = exporting::CsvText(table, loaded.density);

        const std::vector<std::string> lines = splitLines(text);
        QCOMPARE(lines.size(), std::size_t(83));
        QVERIFY(text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0);
        QCOMPARE(std::count(text.begin(), text.end(), '\n'), std::ptrdiff_t(83));
        QCOMPARE(std::count(text.begin(), text.end(), '\r'), std::ptrdiff_t(83));
        QCOMPARE(lines[0], std::string("Eighty"));
        QCOMPARE(lines[1], std::string("2.5"));
        QCOMPARE(lines[2], std::string("80"));
        for (std::size_t k = 3; k < lines.size(); ++k) {
            const std::string& line = lines[k];
            // Five partial coefficients and no total: exactly five commas, each followed by one
            // blank, and no blank before a comma or at the end.
            QCOMPARE(std::count(line.begin(), line.end(), ','), std::ptrdiff_t(5));
            QVERIFY(line.find(" ,") == std::string::npos);
            QVERIFY(line.back() != ' ');
            QCOMPARE(line.size(), std::size_t(64));
        }
        // Row 80: energy 0.08, coefficients 0.08, 0.16, 0.24 and the two pair values of 0.
        QCOMPARE(lines[82],
                 std::string("8.000E-02, 8.000E-02, 1.600E-01, 2.400E-01, 0.000E+00, 0.000E+00"));
    }

    void emptyTableLeavesCountLineEmpty() {
        data::MaterialTable table;
        const data::LoadResult loaded =
            data::LoadMaterialTableFromText(table, "Nothing\r\n1\r\n0\r\n");
        QVERIFY(loaded.ok());
        QCOMPARE(exporting::CsvText(table, loaded.density), std::string("Nothing\r\n1.\r\n\r\n"));
    }

    void composedNames_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "/data/out"
                               << "abc"
                               << "/data/out/abc.csv";
        QTest::newRow("extension always appended") << "/data/out"
                                                   << "data.txt"
                                                   << "/data/out/data.txt.csv";
        QTest::newRow("typed extension kept") << "/data/out"
                                              << "abc.csv"
                                              << "/data/out/abc.csv.csv";
        QTest::newRow("blanks used as typed") << "/data/out"
                                              << "   "
                                              << "/data/out/   .csv";
        QTest::newRow("root folder") << "/"
                                     << "abc"
                                     << "/abc.csv";
        QTest::newRow("sub-path stays part of the name") << "/data"
                                                         << "out/abc"
                                                         << "/data/out/abc.csv";
        QTest::newRow("leading separator stays inside") << "/data"
                                                        << "/abc"
                                                        << "/data/abc.csv";
    }
    void composedNames() {
        QFETCH(QString, folder);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        const fs::path composed = exporting::ComposeTargetPath(
            fs::path(folder.toStdString()), fs::path(typed.toStdString()), ".csv");
        QCOMPARE(QString::fromStdString(composed.string()), expected);
    }

    void reloadsTheNewlySelectedFileKeepingExtremes() {
        testing::TempFolder folder;
        const fs::path root = folder.path();
        // First file: totals 0.6 to 1.2; second file: totals 6 to 24, all above the first.
        testing::writeFile(
            root / "mix" / "first.mix3",
            data::JoinLines({"First", "1", "2", data::FormatTableRow(1e-3, {0.1, 0.2, 0.3, 0, 0}),
                             data::FormatTableRow(2e-3, {0.2, 0.4, 0.6, 0, 0})}));
        testing::writeFile(
            root / "mix" / "second.mix3",
            data::JoinLines({"Second", "2", "3", data::FormatTableRow(1e-3, {1, 2, 3, 0, 0}),
                             data::FormatTableRow(2e-3, {2, 4, 6, 0, 0}),
                             data::FormatTableRow(3e-3, {4, 8, 12, 0, 0})}));
        data::MaterialTable table;
        table.SelectedPath = "mix/first.mix3";
        table.ResetExtremes();
        QVERIFY(data::LoadMaterialTable(table, root).ok());
        table.SelectedPath = "mix/second.mix3";

        const exporting::ExportResult result =
            exporting::ExportTableCsv(table, root, root / "second.csv");
        QVERIFY2(result.ok(), result.detail.c_str());
        QCOMPARE(table.MaterialName, std::string("Second"));
        QCOMPARE(table.RowCount, 3);
        QCOMPARE_CLOSE(table.Energy[3], 3e-3);
        QCOMPARE_CLOSE(table.TotalMin, 0.6);
        QCOMPARE_CLOSE(table.TotalMax, 24.0);
        const std::vector<std::string> lines = splitLines(testing::readFile(root / "second.csv"));
        QCOMPARE(lines.size(), std::size_t(6));
        QCOMPARE(lines[0], std::string("Second"));
        QCOMPARE(lines[1], std::string("2."));
    }

    void unreadableMaterialWritesNothing_data() {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("content");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("detailPart");
        QTest::newRow("nothing selected")
            << ""
            << "" << int(ExportStatus::NoSelection) << "no material file";
        QTest::newRow("file removed") << "mix/gone.mix3"
                                      << "" << int(ExportStatus::CannotLoad) << "mix/gone.mix3";
        QTest::newRow("rows missing") << "mix/short.mix3"
                                      << "Short\r\n1\r\n3\r\n1.000E-03 1.000E+00\r\n"
                                      << int(ExportStatus::CannotLoad) << "mix/short.mix3, line";
        QTest::newRow("too many rows") << "mix/big.mix3"
                                       << "Big\r\n1\r\n151\r\n"
                                       << int(ExportStatus::CannotLoad) << "more than 150 rows";
    }
    void unreadableMaterialWritesNothing() {
        QFETCH(QString, selected);
        QFETCH(QString, content);
        QFETCH(int, status);
        QFETCH(QString, detailPart);
        testing::TempFolder folder;
        const fs::path root = folder.path();
        testing::writeFile(root / "mix" / "good.mix3", materialText("Good", "1", 3));
        if (!content.isEmpty()) {
            testing::writeFile(root / selected.toStdString(), content.toStdString());
        }
        data::MaterialTable table;
        table.SelectedPath = "mix/good.mix3";
        table.ResetExtremes();
        QVERIFY(data::LoadMaterialTable(table, root).ok());
        table.SelectedPath = selected.toStdString();
        const double totalMax = table.TotalMax;

        const exporting::ExportResult result =
            exporting::ExportTableCsv(table, root, root / "out.csv");
        QCOMPARE(int(result.status), status);
        QVERIFY2(result.detail.find(detailPart.toStdString()) != std::string::npos,
                 result.detail.c_str());
        QVERIFY(!fs::exists(root / "out.csv"));
        // The table still holds the earlier load, whole.
        QCOMPARE(table.MaterialName, std::string("Good"));
        QCOMPARE(table.RowCount, 3);
        QCOMPARE(table.TotalMax, totalMax);
    }

    void failedWriteKeepsTheOldFile_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("a folder of that name") << "folder";
        QTest::newRow("a name too long") << "long";
        QTest::newRow("a missing sub-folder") << "missing";
        QTest::newRow("a read-only folder") << "read-only";
    }
    void failedWriteKeepsTheOldFile() {
        QFETCH(QString, kind);
        testing::TempFolder folder;
        const fs::path root = folder.path();
        testing::writeFile(root / "mix" / "good.mix3", materialText("Good", "1", 3));
        const fs::path out = root / "out";
        fs::create_directory(out);
        fs::path target;
        if (kind == "folder") {
            target = out / "taken.csv";
            testing::writeFile(target / "inside.txt", "kept");
        } else if (kind == "long") {
            target = out / (std::string(300, 'x') + ".csv");
        } else if (kind == "missing") {
            target = out / "absent" / "abc.csv";
        } else {
            target = out / "abc.csv";
            testing::writeFile(target, "old content");
            fs::permissions(out, fs::perms::owner_read | fs::perms::owner_exec);
            // The superuser writes through permission bits; probe before relying on them.
            const fs::path probe = out / "probe";
            const bool writable = std::ofstream(probe).good();
            if (writable) {
                fs::remove(probe);
                fs::permissions(out, fs::perms::owner_all);
                QSKIP("permission bits do not stop this user's writes");
            }
        }
        const std::vector<std::string> before = entries(out);
        data::MaterialTable table;
        table.SelectedPath = "mix/good.mix3";

        const exporting::ExportResult result = exporting::ExportTableCsv(table, root, target);
        fs::permissions(out, fs::perms::owner_all);
        QCOMPARE(int(result.status), int(ExportStatus::CannotWrite));
        QCOMPARE(result.file, target);
        QVERIFY(!result.detail.empty());
        QCOMPARE(entries(out), before);
        if (kind == "folder") {
            QCOMPARE(testing::readFile(target / "inside.txt"), std::string("kept"));
        } else if (kind == "read-only") {
            QCOMPARE(testing::readFile(target), std::string("old content"));
        }
        // The reload itself succeeded, so the table holds the file and stays usable.
        QCOMPARE(table.MaterialName, std::string("Good"));
        QCOMPARE(table.RowCount, 3);
    }

    void replacesAnExistingFile() {
        testing::TempFolder folder;
        const fs::path root = folder.path();
        testing::writeFile(root / "mix" / "good.mix3", materialText("Good", "1", 3));
        testing::writeFile(root / "abc.csv", std::string(5000, 'z'));
        data::MaterialTable table;
        table.SelectedPath = "mix/good.mix3";
        QVERIFY(exporting::ExportTableCsv(table, root, root / "abc.csv").ok());
        const std::string text = testing::readFile(root / "abc.csv");
        QCOMPARE(splitLines(text).size(), std::size_t(6));
        QVERIFY(text.find('z') == std::string::npos);
    }
};

QTEST_GUILESS_MAIN(CsvExportTest)
#include "test_csv_export.moc"
