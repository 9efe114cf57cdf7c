// Files the user did not write (tests/data/hostile/, a missing file, a folder, 10 MB of random
// bytes, fields 12 000 blank lines apart) through every reader: the table load, the list's header
// read, the CSV export, the builders, and GO with the read-outs and the enlarged view. Each ends
// in a message naming the file and line, or in finite values; a hang fails by the time limit.

#include "calc/Form10.h"
#include "export/CsvExport.h"
#include "fakes/WindowFixture.h"
#include "graph/Form2.h"
#include "graph/Form3.h"
#include "newdata/Builder.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

namespace fs = std::filesystem;
using data::LoadError;

namespace {

/// What the builders make of a file: refused, built, or either as long as a failure is
/// described and a success holds finite values.
enum class Build { Fails, Builds, Either };
constexpr int kAnyOutcome = -1; ///< the random bytes: any error, or any table

const std::vector<testing::TableRow> kGoodRows = {{1e-3, 1, 2, 3e3, 0, 0},
                                                  {1e-2, 0.5, 1, 3, 0, 0},
                                                  {1, 1e-2, 5e-2, 1e-4, 0, 0},
                                                  {1e5, 1e-6, 1e-3, 1e-9, 1e-2, 1e-2}};

std::string hostileBytes(const std::string& file) {
    if (file == "garbage_10mb.ele") {
        std::mt19937 random(20240611u);
        std::string bytes(10u * 1024u * 1024u, '\0');
        std::generate(bytes.begin(), bytes.end(), [&random] { return char(random() & 0xFFu); });
        return bytes;
    }
    if (file == "spread_fields.ele") {
        // 120 points of 0.001 to 0.119 MeV and 1E+5 MeV: 8.6 MB, most of it blank lines.
        const std::string gap(12000, '\n');
        std::string text = "Spread\r\n1.\r\n120\r\n";
        for (int j = 1; j <= 120; ++j) {
            text += (j < 120 ? std::to_string(j) + "E-03" : std::string("1E+05")) + gap;
            for (int c = 0; c < 5; ++c) {
                text += "1.0" + gap;
            }
        }
        return text + "12.011\r\n";
    }
    return testing::readFile(testing::testData("hostile/" + file));
}

/// Puts the file at ele/ and mix/ of the folder: absent, a folder, or the hostile bytes.
void place(const fs::path& root, const std::string& file) {
    for (const char* folder : {"ele/", "mix/"}) {
        if (file == "folder.ele") {
            fs::create_directories(root / (folder + file) / "inside");
        } else if (file != "missing.ele") {
            testing::writeFile(root / (folder + file), hostileBytes(file));
        }
    }
}

double cell(const data::MaterialTable& t, int row, int c) {
    const data::Column* columns[] = {
        &t.Energy,         &t.Coherent,          &t.Incoherent,      &t.PhotoElectric,
        &t.PairNuclear,    &t.PairElectron,      &t.Total,           &t.FracCoherent,
        &t.FracIncoherent, &t.FracPhotoElectric, &t.FracPairNuclear, &t.FracPairElectron};
    return (*columns[c])[static_cast<std::size_t>(row)];
}

void checkValueBoxes(Form10& f, const QString& after) {
    for (QLineEdit* box : {f.Text3, f.Text5, f.Text6, f.Text7, f.Text8, f.Text9, f.Text4}) {
        QVERIFY2(!box->text().contains("nan", Qt::CaseInsensitive) &&
                     !box->text().contains("inf", Qt::CaseInsensitive),
                 qPrintable(after + ": " + box->objectName() + " shows " + box->text()));
    }
}

/// The mouse over both plots, inside and far outside; typed energies and totals; list lines.
void readOut(Form2& form2, Form10& form10) {
    const float inf = std::numeric_limits<float>::infinity();
    for (float x : {-1.0f, 0.0f, 0.3f, 2.5f, 5.75f, 9.0f, 11.5f, 13.0f, 1e30f, -1e30f, inf, -inf,
                    std::nanf("")}) {
        for (float y : {0.0f, 9.2f, 18.4f, 1e30f, -inf}) {
            form2.Form2_Picture1_MouseMove(0, 0, x, y);
            checkValueBoxes(form10, QString("graph read-out at x %1").arg(double(x)));
            form2.Form2_Picture2_MouseMove(0, 0, x, y / 2);
            checkValueBoxes(form10, QString("fraction read-out at x %1").arg(double(x)));
        }
    }
    for (const QString text :
         {"0.05", "1E-3", "1E+5", "1E+300", "1E+999", "-1E+999", "-1", "0", "1E-300", "abc", ""}) {
        form10.Form10_Command1_Click();
        form10.Text3->setText(text);
        form10.Form10_Text3_KeyPress(13);
        checkValueBoxes(form10, "energy " + text);
        form10.Form10_Command3_Click();
        form10.Text4->setText(text);
        form10.Form10_Text4_KeyPress(13);
        checkValueBoxes(form10, "total " + text);
    }
    for (int line : {0, 1, 3, form10.List1->count() - 1, form10.List1->count(), -1,
                     std::numeric_limits<int>::max(), std::numeric_limits<int>::min()}) {
        form10.SelectListRow(line);
        checkValueBoxes(form10, QString("list line %1").arg(line));
    }
}

} // namespace

Q_DECLARE_METATYPE(Build)
Q_DECLARE_METATYPE(newdata::BuildError)
Q_DECLARE_METATYPE(newdata::BuilderKind)

class HostileFilesTest : public QObject {
    Q_OBJECT

  private slots:
    void everyReader_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("error"); // a LoadError, or kAnyOutcome
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QVector<double>>("spot"); // row, column (0 energy .. 6 total), value
        QTest::addColumn<Build>("build");
        const auto refused = [](const char* file, LoadError error, int line) {
            QTest::newRow(file) << QString(file) << int(error) << line << 0 << QVector<double>()
                                << Build::Fails;
        };
        const auto loads = [](const char* file, QVector<double> spot, Build build, int rows = 4) {
            QTest::newRow(file) << QString(file) << int(LoadError::None) << 0 << rows << spot
                                << build;
        };
        refused("missing.ele", LoadError::CannotOpen, 0);
        refused("folder.ele", LoadError::CannotOpen, 0);
        refused("empty.ele", LoadError::MissingName, 1);
        refused("name_only.ele", LoadError::MissingDensity, 2);
        refused("density_abc.ele", LoadError::BadDensity, 2);
        refused("no_count.ele", LoadError::MissingCount, 3);
        refused("count_abc.ele", LoadError::CountNotNumber, 4); // after a blank line
        refused("count_minus_1.ele", LoadError::BadCount, 3);
        refused("count_150_5.ele", LoadError::BadCount, 3);
        refused("count_1e9.ele", LoadError::TooManyRows, 3);
        refused("count_151.ele", LoadError::TooManyRows, 3);
        refused("fewer_rows.ele", LoadError::MissingRows, 8);
        refused("overflow_field.ele", LoadError::BadValue, 6);
        // The density mask writes a density that rounds to 0 as a lone point: it reads as 0.
        loads("density_point_after_blank_lines.ele", {0, 0, 0}, Build::Fails);
        // A row cut to 58 characters loses the last digit of its last field only.
        loads("row_58_chars.ele", {2, 3, 3.0}, Build::Builds);
        // The viewer's fixed columns never reach a remark; the builders read six numbers a row.
        loads("row_200_chars.ele", {3, 3, 1e-4}, Build::Fails);
        loads("tabs.ele", {2, 1, 0.5}, Build::Builds);
        // The density and the count on one line: "2.5 , 4".
        loads("density_comma_count.ele", {2, 1, 0.5}, Build::Builds);
        loads("nul_byte.ele", {2, 1, 5.0}, Build::Builds); // the number ends at the NUL
        loads("utf8_bom.ele", {1, 0, 1e-3}, Build::Builds);
        loads("cr_only.ele", {4, 5, 1e-2}, Build::Builds);
        // A row field that is not a number reads as 0 in the viewer; the builders refuse it.
        loads("nan_field.ele", {2, 1, 0.0}, Build::Fails);
        loads("negative_coefficient.ele", {2, 3, -3.0}, Build::Either);
        loads("zero_coefficients.ele", {3, 6, 0.0}, Build::Builds);
        loads("decreasing_energies.ele", {1, 0, 1e5}, Build::Either);
        loads("huge_values.ele", {4, 0, 1e300}, Build::Either);
        loads("spread_fields.ele", {1, 0, 1e-3}, Build::Builds, 120);
        QTest::newRow("garbage_10mb.ele") << QString("garbage_10mb.ele") << kAnyOutcome << 0 << 0
                                          << QVector<double>() << Build::Either;
    }
    void everyReader() {
        QFETCH(QString, file);
        QFETCH(int, error);
        QFETCH(int, line);
        QFETCH(int, rows);
        QFETCH(QVector<double>, spot);
        QFETCH(Build, build);
        testing::WindowFixture f;
        const std::string path = "mix/" + file.toStdString();
        f.write("mix/good.mix3", testing::materialText("Good", "1.", kGoodRows));
        f.write("ele/good.ele", testing::materialText("Good", "1.", kGoodRows) + "12.011\r\n");
        place(f.root(), file.toStdString());

        // The table load, over a good table that a failure must leave as it was.
        data::MaterialTable table;
        table.SelectedPath = "mix/good.mix3";
        QVERIFY(data::LoadMaterialTable(table, f.root()).ok());
        const data::MaterialTable good = table;
        table.SelectedPath = path;
        const data::LoadResult loaded = data::LoadMaterialTable(table, f.root());
        const std::string described = data::DescribeLoadError(loaded, path);
        QVERIFY2(error == kAnyOutcome || int(loaded.error) == error, described.c_str());
        if (!loaded.ok()) {
            QVERIFY2(error == kAnyOutcome || loaded.line == line, described.c_str());
            const std::string where =
                path + (loaded.line > 0 ? ", line " + std::to_string(loaded.line) : "") + ": ";
            QVERIFY2(described.starts_with(where) && described.size() > where.size() + 10,
                     described.c_str());
            QCOMPARE(table.MaterialName, good.MaterialName);
            QCOMPARE(table.Total, good.Total);
            QCOMPARE(table.TotalMin, good.TotalMin);
        } else {
            QVERIFY(error == kAnyOutcome || table.RowCount == rows);
            QVERIFY(std::isfinite(loaded.density));
            data::ComputeFractions(table);
            for (int i = 1; i <= table.RowCount; ++i) {
                for (int c = 0; c < 12; ++c) {
                    QVERIFY(std::isfinite(cell(table, i, c)));
                }
            }
            if (!spot.isEmpty()) { // row 0: the density
                QCOMPARE(spot[0] == 0 ? loaded.density : cell(table, int(spot[0]), int(spot[1])),
                         spot[2]);
            }
        }

        // The header read of the main window's list agrees with the load on the header.
        data::DataFileHeader header{"unchanged", 7.0};
        const data::LoadResult head = data::ReadDataFileHeader(f.root() / path, header);
        if (head.ok()) {
            QVERIFY(!loaded.ok() ||
                    (header.name == table.MaterialName && header.density == loaded.density));
        } else {
            QCOMPARE(int(head.error), int(loaded.error));
            QCOMPARE(head.line, loaded.line);
            QCOMPARE(header.name, std::string("unchanged"));
        }

        // The CSV export reloads the file: the same message, or a file of numbers.
        data::MaterialTable exported;
        exported.SelectedPath = path;
        const fs::path csv = f.root() / "out" / "table.csv";
        fs::create_directories(csv.parent_path());
        const exporting::ExportResult result = exporting::ExportTableCsv(exported, f.root(), csv);
        QCOMPARE(result.ok(), loaded.ok());
        if (!result.ok()) {
            QCOMPARE(result.detail, described);
            QVERIFY(fs::is_empty(csv.parent_path()));
        } else {
            QCOMPARE(QString::fromLatin1(testing::readFile(csv)).count("\r\n"), table.RowCount + 3);
        }

        // The builders' reader, beside a good element.
        for (const auto kind : {newdata::BuilderKind::Compound, newdata::BuilderKind::Mixture}) {
            newdata::BuilderState state;
            state.ElementCount = 2;
            state.SlotFile = {"", file.toStdString(), "good.ele"};
            state.SlotAmount = {0, 1, 2};
            const newdata::BuildResult built = newdata::BuildMaterial(state, f.root(), kind);
            const std::string message = newdata::DescribeBuildError(built);
            QVERIFY2(built.ok() ? build != Build::Fails : build != Build::Builds, message.c_str());
            // A file the reader refuses is named; a later step names its slot.
            QVERIFY2(built.ok() || build == Build::Either ||
                         message.find("ele/" + file.toStdString()) != std::string::npos ||
                         message.find("slot 1") != std::string::npos,
                     message.c_str());
            QVERIFY(built.ok() || state.GridSize() == 0);
            for (const auto& values : state.Combined) {
                QVERIFY(std::all_of(values.begin(), values.end(),
                                    [](double v) { return std::isfinite(v); }));
            }
        }

        // GO after a good material: the message of the load, everything kept; or the windows.
        f.start();
        QVERIFY(f.go("mix/good.mix3"));
        Form2& form2 = *f.windows().form2;
        Form10& form10 = *f.windows().form10;
        f.dialogs.shown.clear();
        QCOMPARE(f.go(path), loaded.ok());
        if (!loaded.ok()) {
            QCOMPARE(f.dialogs.messages(),
                     std::vector<std::string>{
                         " The material file could not be loaded: " + described + " "});
            QCOMPARE(f.table.MaterialName, std::string("Good"));
            QCOMPARE(form10.List1->count(), 4);
            return;
        }
        QVERIFY(form2.isVisible() && form10.isVisible());
        QCOMPARE(form10.List1->count(), table.RowCount);
        readOut(form2, form10);
        form2.Form2_Command1_Click();
        QVERIFY(f.windows().form3->isVisible());
    }

    // Amounts near the largest number: two equal elements in any proportion give the element
    // itself, or the sum that overflows is refused; never a value that is not a number.
    void hugeAmountsInTheBuilders_data() {
        QTest::addColumn<newdata::BuilderKind>("kind");
        QTest::addColumn<double>("amount"); // of each slot
        QTest::addColumn<newdata::BuildError>("error");
        using K = newdata::BuilderKind;
        using E = newdata::BuildError;
        QTest::newRow("atoms 1E+300") << K::Compound << 1e300 << E::None;
        QTest::newRow("atoms 1E+308") << K::Compound << 1e308 << E::NonFiniteValue;
        QTest::newRow("weights 1E+308") << K::Mixture << 1e308 << E::NonFiniteValue;
    }
    void hugeAmountsInTheBuilders() {
        QFETCH(newdata::BuilderKind, kind);
        QFETCH(double, amount);
        QFETCH(newdata::BuildError, error);
        testing::TempFolder temp;
        testing::writeFile(temp.path() / "ele" / "good.ele",
                           testing::materialText("Good", "1.", kGoodRows) + "12.011\r\n");
        newdata::BuilderState state;
        state.ElementCount = 2;
        state.SlotFile = {"", "good.ele", "good.ele"};
        state.SlotAmount = {0, amount, amount};
        QCOMPARE(newdata::BuildMaterial(state, temp.path(), kind).error, error);
        QCOMPARE(state.GridSize(), error == newdata::BuildError::None ? 4 : 0);
        QVERIFY(state.GridSize() == 0 || testing::closeTo(state.Combined[2][1], 3000.0));
    }
};

QTEST_MAIN(HostileFilesTest)
#include "test_hostile_files.moc"
