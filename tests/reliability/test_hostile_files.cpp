// Files the user did not write: every file of tests/data/hostile/, and two large files made
// here (ten megabytes of random bytes; an element file whose fields are spread over thousands
// of blank lines), go through the table load, GO with the graph and calculator windows, the
// CSV export and the builders' element reader. Each must end in a message naming the file, or
// in a table of finite values that the windows draw and read out without showing a value that
// is not a number.

#include "FaultInjection.h"
#include "app/AppContext.h"
#include "app/Application.h"
#include "calc/Form10.h"
#include "data/MaterialFile.h"
#include "data/MaterialTable.h"
#include "data/NumericText.h"
#include "export/CsvExport.h"
#include "fakes/ScriptedDialogs.h"
#include "fakes/TestSupport.h"
#include "graph/Form2.h"
#include "graph/Form3.h"
#include "graph/Go.h"
#include "newdata/Builder.h"
#include "newdata/BuilderState.h"
#include "newdata/Form4.h"
#include "newdata/Form5.h"
#include "newdata/Form6.h"
#include "newdata/FormBuilderWindow.h"
#include "platform/qt/PatternFileList.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using data::LoadError;

namespace {

/// What the builders make of a file: it must be rejected, it must build, or either is fine as
/// long as a failure is described and a success holds finite values.
enum class Build { Fails, Builds, Either };

/// A load outcome that depends on the bytes (the random file): any error, or any table.
constexpr int kAnyOutcome = -1;
/// Columns of a spot check: 0 energy, 1-5 the coefficients, 6 the total.
constexpr int kNoSpot = -1;

const char* const kGarbageName = "garbage_10mb.ele";
const char* const kSpreadName = "spread_fields.ele";

const char* const kGoodElement = "Good element\r\n1.\r\n4\r\n"
                                 "1.000E-03 1.000E+00 2.000E+00 3.000E+03 0.000E+00 0.000E+00\r\n"
                                 "1.000E-02 5.000E-01 1.000E+00 3.000E+00 0.000E+00 0.000E+00\r\n"
                                 "1.000E+00 1.000E-02 5.000E-02 1.000E-04 0.000E+00 0.000E+00\r\n"
                                 "1.000E+05 1.000E-06 1.000E-03 1.000E-09 1.000E-02 1.000E-02\r\n"
                                 "12.011\r\n";

/// Ten megabytes of bytes from a fixed seed, the same on every machine.
std::string garbage() {
    std::mt19937 random(20240611u);
    std::string bytes(10u * 1024u * 1024u, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random() & 0xFFu);
    }
    return bytes;
}

/// An element file of 120 points whose 723 fields stand 12 000 blank lines apart (8.6 MB): a
/// reader that looks back over the text for each field takes minutes on it.
std::string spreadFields() {
    const std::string gap(12000, '\n');
    std::string text = "Spread\r\n1.\r\n120\r\n";
    for (int j = 1; j <= 120; ++j) {
        // 0.001 to 0.119 MeV, then 1E+5 MeV like the element beside it in the builders.
        text += (j < 120 ? std::to_string(j) + "E-03" : std::string("1E+05")) + gap;
        for (int c = 0; c < 5; ++c) {
            text += "1.0" + gap;
        }
    }
    return text + "12.011\r\n";
}

std::string hostileBytes(const std::string& file) {
    if (file == kGarbageName) {
        return garbage();
    }
    if (file == kSpreadName) {
        return spreadFields();
    }
    return testing::readFile(testing::testData("hostile/" + file));
}

double column(const data::MaterialTable& t, int row, int c) {
    const data::Column* columns[] = {&t.Energy,        &t.Coherent,    &t.Incoherent,
                                     &t.PhotoElectric, &t.PairNuclear, &t.PairElectron,
                                     &t.Total};
    return (*columns[c])[static_cast<std::size_t>(row)];
}

bool showsNonNumber(const QString& text) {
    return text.contains("nan", Qt::CaseInsensitive) || text.contains("inf", Qt::CaseInsensitive);
}

/// The hostile files and what each must give: the load's error (None for a table), the rows
/// and name of a table, one value to check, and the builders' verdict.
void hostileRows() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("loadError");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("spotRow");
    QTest::addColumn<int>("spotColumn");
    QTest::addColumn<double>("spotValue");
    QTest::addColumn<Build>("build");
    const auto rejected = [](const char* file, LoadError error, Build build) {
        QTest::newRow(file) << QString(file) << int(error) << 0 << QString() << kNoSpot << 0 << 0.0
                            << build;
    };
    const auto loads = [](const char* file, const char* name, int row, int c, double value,
                          Build build) {
        QTest::newRow(file) << QString(file) << int(LoadError::None) << 4 << QString(name) << row
                            << c << value << build;
    };
    rejected("empty.ele", LoadError::MissingName, Build::Fails);
    rejected("name_only.ele", LoadError::MissingDensity, Build::Fails);
    // A density or count that is not a number damages the file; a lone point is the density
    // mask's zero.
    rejected("density_abc.ele", LoadError::BadDensity, Build::Fails);
    rejected("count_abc.ele", LoadError::CountNotNumber, Build::Fails);
    rejected("no_count.ele", LoadError::MissingCount, Build::Fails);
    loads("density_point_after_blank_lines.ele", "Density of blank lines", 4, 0, 1e5, Build::Fails);
    rejected("count_minus_1.ele", LoadError::BadCount, Build::Fails);
    rejected("count_1e9.ele", LoadError::TooManyRows, Build::Fails);
    rejected("count_150_5.ele", LoadError::BadCount, Build::Fails);
    rejected("count_151.ele", LoadError::TooManyRows, Build::Fails);
    rejected("fewer_rows.ele", LoadError::MissingRows, Build::Fails);
    rejected("overflow_field.ele", LoadError::BadValue, Build::Fails);
    // A row cut to 58 characters loses the last digit of its last field only.
    loads("row_58_chars.ele", "Row of 58 characters", 2, 3, 3.0, Build::Builds);
    // The viewer reads fixed columns and never sees the remark; the builders read six numbers
    // a row and stumble on it.
    loads("row_200_chars.ele", "Row of 200 characters", 3, 3, 1e-4, Build::Fails);
    loads("tabs.ele", "Tabs\tbetween\tfields", 2, 1, 0.5, Build::Builds);
    // A number ends at the NUL byte, as at any other character that is not part of it.
    loads("nul_byte.ele", "NUL inside a field", 2, 1, 5.0, Build::Builds);
    loads("utf8_bom.ele", "Byte-order mark", 1, 0, 1e-3, Build::Builds);
    loads("cr_only.ele", "CR-only line ends", 4, 5, 1e-2, Build::Builds);
    // A field that is not a number reads as 0 in the viewer; the builders refuse it.
    loads("nan_field.ele", "NaN in a field", 2, 1, 0.0, Build::Fails);
    loads("inf_field.ele", "Inf in a field", 2, 3, 0.0, Build::Fails);
    loads("negative_coefficient.ele", "Negative coefficient", 2, 3, -3.0, Build::Either);
    loads("zero_coefficients.ele", "Zero coefficients", 3, 6, 0.0, Build::Builds);
    loads("decreasing_energies.ele", "Decreasing energies", 1, 0, 1e5, Build::Either);
    loads("huge_values.ele", "Huge and tiny values", 4, 0, 1e300, Build::Either);
    QTest::newRow(kGarbageName) << QString(kGarbageName) << kAnyOutcome << 0 << QString() << kNoSpot
                                << 0 << 0.0 << Build::Either;
    // The viewer takes 120 whole lines, most of them blank; the builders read the fields.
    QTest::newRow(kSpreadName) << QString(kSpreadName) << int(LoadError::None) << 120
                               << QString("Spread") << 1 << 0 << 1e-3 << Build::Builds;
}

/// A working folder with the start-up files, a good element and material, the hostile file
/// under ele/ and mix/, and the program started on it.
struct Session {
    testing::TempFolder folder;
    data::MaterialTable table;
    newdata::BuilderState builder;
    testing::ScriptedDialogs dialogs;
    testing::RecordingLauncher launcher;
    std::unique_ptr<AppContext> context;
    std::unique_ptr<Application> app;

    explicit Session(const std::string& file) {
        testing::writeFile(root() / "Start.dat", "PhotonXS\r\n");
        testing::writeFile(root() / "ele" / "user.txt", "Reliability\r\n");
        testing::writeFile(root() / "ele" / "good.ele", kGoodElement);
        testing::writeFile(root() / "mix" / "good.mix3", kGoodElement);
        const std::string bytes = hostileBytes(file);
        testing::writeFile(root() / "ele" / file, bytes);
        testing::writeFile(root() / "mix" / file, bytes);
        context = std::make_unique<AppContext>(
            AppContext{table, builder, dialogs, launcher, root(), Windows{}});
        app = std::make_unique<Application>(*context);
        app->Start();
    }
    fs::path root() const { return folder.path(); }
    Form2& form2() { return *context->windows.form2; }
    Form10& form10() { return *context->windows.form10; }
};

/// The seven value boxes of the calculator.
std::vector<QLineEdit*> valueBoxes(Form10& f) {
    return {f.Text3, f.Text5, f.Text6, f.Text7, f.Text8, f.Text9, f.Text4};
}

/// Every box of the calculator shows a number or nothing.
void checkValueBoxes(Form10& f, const QString& after) {
    for (QLineEdit* box : valueBoxes(f)) {
        QVERIFY2(!showsNonNumber(box->text()),
                 qPrintable(after + ": " + box->objectName() + " shows " + box->text()));
    }
}

/// Moves the mouse over both plots, inside and far outside them, and types energies and totals
/// into the calculator, checking its boxes after each step.
void readOut(Session& s) {
    Form2& form2 = s.form2();
    Form10& form10 = s.form10();
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<float> xs = {-1.0f, 0.0f,  0.3f,   2.5f, 5.75f, 9.0f,         11.5f,
                                   13.0f, 1e30f, -1e30f, inf,  -inf,  std::nanf("")};
    for (float x : xs) {
        for (float y : {0.0f, 9.2f, 18.4f, 1e30f, -inf}) {
            form2.Form2_Picture1_MouseMove(0, 0, x, y);
            checkValueBoxes(form10, QString("graph read-out at x %1").arg(double(x)));
            form2.Form2_Picture2_MouseMove(0, 0, x, y / 2);
            checkValueBoxes(form10, QString("fraction read-out at x %1").arg(double(x)));
        }
    }
    const QStringList typed = {"0.05", "1E-3", "1E+5",   "1E+300", "1E+999", "-1E+999",
                               "-1",   "0",    "1E-300", "abc",    ""};
    for (const QString& text : typed) {
        form10.Form10_Command1_Click();
        form10.Text3->setText(text);
        form10.Form10_Text3_KeyPress(13);
        checkValueBoxes(form10, "energy " + text);
        form10.Form10_Command3_Click();
        form10.Text4->setText(text);
        form10.Form10_Text4_KeyPress(13);
        checkValueBoxes(form10, "total " + text);
    }
    for (int line : {0, 1, 2, 3, form10.List1->count() - 1, form10.List1->count(), -1,
                     std::numeric_limits<int>::max(), std::numeric_limits<int>::min()}) {
        form10.SelectListRow(line);
        checkValueBoxes(form10, QString("list line %1").arg(line));
    }
}

} // namespace

Q_DECLARE_METATYPE(Build)

class HostileFilesTest : public QObject {
    Q_OBJECT

  private slots:
    void loadGivesMessageOrFiniteTable_data() { hostileRows(); }
    void loadGivesMessageOrFiniteTable() {
        QFETCH(QString, file);
        QFETCH(int, loadError);
        QFETCH(int, rows);
        QFETCH(QString, name);
        QFETCH(int, spotRow);
        QFETCH(int, spotColumn);
        QFETCH(double, spotValue);
        testing::TempFolder folder;
        const std::string path = "mix/" + file.toStdString();
        testing::writeFile(folder.path() / path, hostileBytes(file.toStdString()));
        data::MaterialTable table;
        table.SelectedPath = path;
        const data::LoadResult result = data::LoadMaterialTable(table, folder.path());

        if (!result.ok()) {
            QVERIFY2(loadError == kAnyOutcome || int(result.error) == loadError,
                     data::DescribeLoadError(result, path).c_str());
            const std::string message = data::DescribeLoadError(result, path);
            QVERIFY2(message.find(path) != std::string::npos, message.c_str());
            QCOMPARE(table.RowCount, 0);
            return;
        }
        QVERIFY2(loadError == kAnyOutcome || loadError == int(LoadError::None),
                 qPrintable(file + " loaded"));
        if (loadError != kAnyOutcome) {
            QCOMPARE(table.RowCount, rows);
            QCOMPARE(QString::fromStdString(table.MaterialName), name);
            QCOMPARE(column(table, spotRow, spotColumn), spotValue);
        }
        data::ComputeFractions(table);
        for (int i = 1; i <= table.RowCount; ++i) {
            for (int c = 0; c <= 6; ++c) {
                QVERIFY(std::isfinite(column(table, i, c)));
            }
            for (double f :
                 {table.FracCoherent[std::size_t(i)], table.FracIncoherent[std::size_t(i)],
                  table.FracPhotoElectric[std::size_t(i)], table.FracPairNuclear[std::size_t(i)],
                  table.FracPairElectron[std::size_t(i)]}) {
                QVERIFY(std::isfinite(f));
            }
        }
    }

    void csvExportGivesMessageOrFiniteFile_data() { hostileRows(); }
    void csvExportGivesMessageOrFiniteFile() {
        QFETCH(QString, file);
        QFETCH(int, loadError);
        QFETCH(int, rows);
        testing::TempFolder folder;
        const std::string path = "mix/" + file.toStdString();
        testing::writeFile(folder.path() / path, hostileBytes(file.toStdString()));
        fs::create_directories(folder.path() / "out");
        const fs::path target = folder.path() / "out" / "table.csv";
        data::MaterialTable table;
        table.SelectedPath = path;

        const exporting::ExportResult result =
            exporting::ExportTableCsv(table, folder.path(), target);
        if (!result.ok()) {
            QVERIFY(loadError != int(LoadError::None));
            QCOMPARE(int(result.status), int(exporting::ExportStatus::CannotLoad));
            QVERIFY2(result.detail.find(path) != std::string::npos, result.detail.c_str());
            QVERIFY(testing::folderEntries(folder.path() / "out").empty());
            return;
        }
        QVERIFY(loadError == int(LoadError::None) || loadError == kAnyOutcome);
        const QStringList lines =
            QString::fromLatin1(testing::readFile(target)).split("\r\n", Qt::SkipEmptyParts);
        if (loadError != kAnyOutcome) {
            QCOMPARE(lines.size(), rows + 3);
        }
        // Line 1 is the name as read; every line after it holds numbers only.
        for (int k = 1; k < lines.size(); ++k) {
            QVERIFY2(!showsNonNumber(lines[k]), qPrintable(lines[k]));
        }
    }

    void buildersReadOrRefuse_data() { hostileRows(); }
    void buildersReadOrRefuse() {
        QFETCH(QString, file);
        QFETCH(Build, build);
        testing::TempFolder folder;
        testing::writeFile(folder.path() / "ele" / file.toStdString(),
                           hostileBytes(file.toStdString()));
        testing::writeFile(folder.path() / "ele" / "good.ele", kGoodElement);
        for (const auto kind : {newdata::BuilderKind::Compound, newdata::BuilderKind::Mixture}) {
            newdata::BuilderState state;
            state.ElementCount = 2;
            state.SlotFile[1] = file.toStdString();
            state.SlotFile[2] = "good.ele";
            state.SlotAmount[1] = 1;
            state.SlotAmount[2] = 2;
            const newdata::BuildResult result = newdata::BuildMaterial(state, folder.path(), kind);
            const std::string message = newdata::DescribeBuildError(result);
            if (!result.ok()) {
                QVERIFY2(build != Build::Builds, message.c_str());
                QVERIFY(!message.empty());
                if (build == Build::Fails) {
                    // A file the reader refuses is named; a later step names its slot.
                    QVERIFY2(message.find("ele/" + file.toStdString()) != std::string::npos ||
                                 message.find("slot 1") != std::string::npos,
                             message.c_str());
                }
                QCOMPARE(state.GridSize(), 0);
                continue;
            }
            QVERIFY2(build != Build::Fails, qPrintable(file + " was built"));
            for (const auto& values : state.Combined) {
                for (std::size_t j = 1; j < values.size(); ++j) {
                    QVERIFY(std::isfinite(values[j]));
                }
            }
        }
    }

    void goShowsMessageOrDrawsTable_data() { hostileRows(); }
    void goShowsMessageOrDrawsTable() {
        QFETCH(QString, file);
        QFETCH(int, loadError);
        QFETCH(int, rows);
        Session s(file.toStdString());
        // A good material first, so that a failed GO can be seen to leave it in place.
        s.table.SelectedPath = "mix/good.mix3";
        QVERIFY(graph::RunGo(*s.context));
        const QString goodCaption = s.form2().windowTitle();
        s.dialogs.shown.clear();

        const std::string path = "mix/" + file.toStdString();
        s.table.SelectedPath = path;
        const bool loaded = graph::RunGo(*s.context);
        if (!loaded) {
            QVERIFY(loadError != int(LoadError::None));
            QCOMPARE(s.dialogs.shown.size(), std::size_t(1));
            const std::string& text = s.dialogs.shown.front().text;
            QVERIFY2(text.find(path) != std::string::npos, text.c_str());
            QCOMPARE(s.form2().windowTitle(), goodCaption);
            QCOMPARE(s.table.MaterialName, std::string("Good element"));
            QCOMPARE(s.form10().List1->count(), 4);
            return;
        }
        QVERIFY(loadError == int(LoadError::None) || loadError == kAnyOutcome);
        QVERIFY(s.form2().isVisible() && s.form10().isVisible());
        if (loadError != kAnyOutcome) {
            QCOMPARE(s.form10().List1->count(), rows);
        }
        const QString caption = s.form2().windowTitle();
        const QString density = caption.mid(caption.lastIndexOf("Density ="));
        QVERIFY2(density.startsWith("Density =") && !showsNonNumber(density), qPrintable(caption));
        readOut(s);
        // The enlarged view takes the table too.
        s.form2().Form2_Command1_Click();
        QVERIFY(s.context->windows.form3->isVisible());
        QCOMPARE(s.table.EnlargedViewUsed, 1);
    }
    // Numbers far beyond any count, index or pixel typed where the program turns them into
    // whole numbers. Built with the sanitizers, a conversion that overflows stops the test.
    void hugeNumbersTypedIntoTheBuilders_data() {
        QTest::addColumn<bool>("compound");
        QTest::addColumn<QString>("density");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QStringList>("amounts");
        QTest::addColumn<QString>("message"); // the one message shown, or empty when saved
        const QString countMessage = " Input the number of element ";
        const QString dataError = " There is an error in the entered data ";
        QTest::newRow("count 1E+300") << true << "1"
                                      << "1E+300" << QStringList() << countMessage;
        QTest::newRow("count -1E+300") << false << "1"
                                       << "-1E+300" << QStringList() << countMessage;
        QTest::newRow("count 1E+999") << false << "1"
                                      << "1E+999" << QStringList() << countMessage;
        QTest::newRow("count 2^31") << true << "1"
                                    << "2147483648" << QStringList() << countMessage;
        QTest::newRow("density 1E+999") << true << "1E+999"
                                        << "2" << QStringList{"1", "1"} << dataError;
        QTest::newRow("density 1E+300") << true << "1E+300"
                                        << "2" << QStringList{"1", "1"} << QString();
        QTest::newRow("atoms 1E+300") << true << "1"
                                      << "2" << QStringList{"1E+300", "1E+300"} << QString();
        QTest::newRow("atoms 1E+308") << true << "1"
                                      << "2" << QStringList{"1E+308", "1E+308"} << dataError;
        QTest::newRow("weights 1E+308 and -1E+308")
            << false << "1"
            << "2" << QStringList{"1E+308", "-1E+308"} << dataError;
        QTest::newRow("weights 1E+300") << false << "1"
                                        << "2.9" << QStringList{"1E+300", "1E+300"} << QString();
    }
    void hugeNumbersTypedIntoTheBuilders() {
        QFETCH(bool, compound);
        QFETCH(QString, density);
        QFETCH(QString, count);
        QFETCH(QStringList, amounts);
        QFETCH(QString, message);
        Session s("empty.ele");
        Form5& chooser = *s.context->windows.form5;
        chooser.show();
        QTest::mouseClick(compound ? chooser.Command1 : chooser.Command2, Qt::LeftButton);
        BuilderWindow* w = compound ? static_cast<BuilderWindow*>(s.context->windows.form4)
                                    : s.context->windows.form6;
        s.dialogs.shown.clear();
        w->Text13->setText("Huge");
        w->Text14->setText(density);
        w->Text2->setText(count);
        QTest::mouseClick(w->Command3, Qt::LeftButton);
        if (amounts.isEmpty()) {
            QCOMPARE(s.dialogs.messages(), std::vector<std::string>{message.toStdString()});
            QVERIFY(!w->Command1->isEnabled());
            return;
        }
        const QStringList labels = {"Label8", "Label9"};
        for (int k = 0; k < amounts.size(); ++k) {
            w->File1->setCurrentItem(w->File1->findItems("good.ele", Qt::MatchExactly).front());
            s.dialogs.inputAnswers = {amounts[k].toStdString()};
            QTest::mouseClick(w->findChild<QWidget*>(labels[k]), Qt::LeftButton);
        }
        w->Option3->click();
        w->Text1->setText("Huge");
        QTest::mouseClick(w->Command1, Qt::LeftButton);
        const fs::path written = s.root() / "mix" / "Huge.mix3";
        if (!message.isEmpty()) {
            QCOMPARE(s.dialogs.messages(), std::vector<std::string>{message.toStdString()});
            QVERIFY(w->isVisible());
            QVERIFY(!fs::exists(written));
            return;
        }
        QCOMPARE(s.dialogs.messages(), std::vector<std::string>{" Data saved "});
        // Two equal elements in any proportion give the element itself.
        s.table.SelectedPath = "mix/Huge.mix3";
        const data::LoadResult loaded = data::LoadMaterialTable(s.table, s.root());
        QVERIFY(loaded.ok());
        QCOMPARE(loaded.density, data::NumericValue(density.toStdString()));
        QCOMPARE(s.table.RowCount, 4);
        QCOMPARE(s.table.PhotoElectric[1], 3000.0);
    }
};

QTEST_MAIN(HostileFilesTest)
#include "test_hostile_files.moc"
