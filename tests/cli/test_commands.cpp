#include "app/AppContext.h"
#include "app/Application.h"
#include "calc/Interpolation.h"
#include "data/MaterialFile.h"
#include "data/MaterialTable.h"
#include "data/NumberMask.h"
#include "data/NumericText.h"
#include "export/CsvExport.h"
#include "fakes/ScriptedDialogs.h"
#include "fakes/TestSupport.h"
#include "graph/Form2.h"
#include "graph/Form3.h"
#include "graph/Go.h"
#include "newdata/Builder.h"
#include "newdata/BuilderState.h"
#include "newdata/MaterialWriter.h"
#include "platform/qt/QtCanvas.h"

#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Run {
    int status = -1;
    QString out;
    QString err;
};

QProcessEnvironment cleanEnvironment() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("PHOTONXS_HOME");
    return environment;
}

Run runCli(const QStringList& arguments, const QByteArray& input = {},
           const QProcessEnvironment& environment = cleanEnvironment(),
           const QString& workingFolder = {}) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingFolder);
    process.start(PHOTONXS_CLI_PROGRAM, arguments);
    process.write(input);
    process.closeWriteChannel();
    Run run;
    if (process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit) {
        run = {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
               QString::fromUtf8(process.readAllStandardError())};
    }
    return run;
}

QStringList linesOf(const QString& text) { return text.split('\n', Qt::SkipEmptyParts); }

QString qs(const fs::path& path) { return QString::fromStdString(path.string()); }

// Three elements of the shipped library and two small materials: one whose largest total stands
// just above an edge in row 3 (a total above row 1's then has its energy below 1 keV), and one
// that cannot be read.
struct Root {
    testing::TempFolder folder;

    Root() {
        fs::create_directories(path() / "ele");
        for (const char* element : {"001_H.ele", "008_O.ele", "082_Pb.ele"}) {
            fs::copy_file(testing::sourceDir() / "library" / "ele" / element,
                          path() / "ele" / element);
        }
        std::vector<std::string> lines{"Edge, test", "1.5", "4"};
        for (const auto& r : std::vector<std::array<double, 4>>{
                 {0.001, 10, 10, 80}, {0.002, 5, 5, 40}, {0.002, 5, 5, 390}, {0.01, 1, 1, 8}}) {
            lines.push_back(data::FormatTableRow(r[0], {r[1], r[2], r[3], 0.0, 0.0}));
        }
        testing::writeFile(path() / "mix" / "edge.mix3", data::JoinLines(lines));
        testing::writeFile(path() / "mix" / "broken.mix1", "Broken\r\n");
    }

    fs::path path() const { return folder.path(); }
    QStringList with(const QStringList& rest) const {
        return QStringList{"--root", qs(path())} + rest;
    }
};

std::unique_ptr<data::MaterialTable> loadTable(const fs::path& root, const std::string& path) {
    auto table = std::make_unique<data::MaterialTable>();
    table->SelectedPath = path;
    table->ResetExtremes();
    if (!data::LoadMaterialTable(*table, root).ok()) {
        return nullptr;
    }
    return table;
}

using Values = std::array<double, 7>;

// Each value through the calculator's mask.
QStringList masked(const Values& values) {
    QStringList fields;
    for (const double v : values) {
        fields << QString::fromStdString(data::FormatScientific(v));
    }
    return fields;
}

const QStringList kKeys = {"energy",       "coherent",      "incoherent", "photo_electric",
                           "pair_nuclear", "pair_electron", "total"};

// True when `line` holds `fields` in `format`: text joined by `separator`; CSV joined by commas,
// quoted where a field holds one; JSON one object keyed by `keys`, paths and names as strings.
bool holds(const QString& format, const QString& line, const QStringList& keys,
           const QStringList& fields, const QString& separator) {
    if (format == "text") {
        return line == fields.join(separator);
    }
    QStringList quoted;
    QJsonObject object;
    for (qsizetype k = 0; k < fields.size(); ++k) {
        quoted << (fields[k].contains(',') ? "\"" + fields[k] + "\"" : fields[k]);
        const bool text = keys[k] == "path" || keys[k] == "name";
        object.insert(keys[k], text ? QJsonValue(fields[k])
                                    : QJsonValue(data::NumericValue(fields[k].toStdString())));
    }
    return format == "csv" ? line == quoted.join(",")
                           : QJsonDocument::fromJson(line.toUtf8()).object() == object;
}

} // namespace

class CliTest : public QObject {
    Q_OBJECT

  private slots:
    void listAndTableInEveryFormat_data();
    void listAndTableInEveryFormat();
    void lookupsGiveTheCalculatorsNumbers_data();
    void lookupsGiveTheCalculatorsNumbers();
    void csvIsWhatTheExportWrites();
    void buildersWriteWhatTheBuildersWrite_data();
    void buildersWriteWhatTheBuildersWrite();
    void plotIsWhatTheEnlargedViewSaves();
    void statusOutputAndMessage_data();
    void statusOutputAndMessage();
    void rootAndLocaleFromTheEnvironment();
};

void CliTest::listAndTableInEveryFormat_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("argument");
    QTest::newRow("text, by symbol") << QString("text") << QString("Pb");
    QTest::newRow("csv, by path") << QString("csv") << QString("ele/082_Pb.ele");
    QTest::newRow("json, by file name") << QString("json") << QString("082_Pb.ele");
}

void CliTest::listAndTableInEveryFormat() {
    QFETCH(QString, format);
    QFETCH(QString, argument);
    const Root root;
    // The unreadable material is reported by name; every other file is still listed.
    const Run list = runCli(root.with({"--format", format, "list"}));
    QCOMPARE(list.status, 1);
    QVERIFY2(list.err.contains("mix/broken.mix1"), qPrintable(list.err));
    QStringList lines = linesOf(list.out);
    if (format == "csv") {
        QCOMPARE(lines.takeFirst(), QString("path,name,density"));
    }
    const QStringList files = {"ele/001_H.ele", "ele/008_O.ele", "ele/082_Pb.ele", "mix/edge.mix3"};
    QCOMPARE(lines.size(), files.size());
    for (qsizetype i = 0; i < files.size(); ++i) {
        data::DataFileHeader header;
        QVERIFY(data::ReadDataFileHeader(root.path() / files[i].toStdString(), header).ok());
        const QStringList fields = {
            files[i], QString::fromStdString(header.name),
            QString::fromStdString(data::FormatDensityShown(header.density))};
        QVERIFY2(holds(format, lines[i], {"path", "name", "density"}, fields, "\t"),
                 qPrintable(lines[i]));
    }

    const auto table = loadTable(root.path(), "ele/082_Pb.ele");
    QVERIFY(table);
    const Run rows = runCli(root.with({"--format", format, "table", argument}));
    QCOMPARE(rows.status, 0);
    QVERIFY(rows.err.isEmpty());
    lines = linesOf(rows.out);
    if (format == "csv") {
        QCOMPARE(lines.takeFirst(), kKeys.join(","));
    }
    QCOMPARE(lines.size(), static_cast<qsizetype>(table->RowCount));
    for (int row = 1; row <= table->RowCount; ++row) {
        const auto i = static_cast<std::size_t>(row);
        const Values values = {table->Energy[i],      table->Coherent[i],
                               table->Incoherent[i],  table->PhotoElectric[i],
                               table->PairNuclear[i], table->PairElectron[i],
                               table->Total[i]};
        QVERIFY2(holds(format, lines[row - 1], kKeys, masked(values), "  "),
                 qPrintable(lines[row - 1]));
    }
}

void CliTest::lookupsGiveTheCalculatorsNumbers_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("value");
    const auto row = [](const char* name, const char* command, const char* path,
                        const char* value) {
        QTest::newRow(name) << QString(command) << QString(path) << QString(value);
    };
    row("lead, 662 keV", "at", "ele/082_Pb.ele", "0.662");
    row("lead, K edge", "at", "ele/082_Pb.ele", "0.08800399");
    row("lead, pair region", "at", "ele/082_Pb.ele", "15D0");
    row("oxygen, last row", "at", "ele/008_O.ele", "100000");
    row("hydrogen, between rows", "at", "ele/001_H.ele", ".0314");
    row("total between rows", "energy", "ele/082_Pb.ele", "0.1");
    row("a tabulated total", "energy", "ele/082_Pb.ele", "0.088701");
    row("near the lowest total", "energy", "ele/008_O.ele", "0.017");
}

void CliTest::lookupsGiveTheCalculatorsNumbers() {
    QFETCH(QString, command);
    QFETCH(QString, path);
    QFETCH(QString, value);
    const Root root;
    const auto table = loadTable(root.path(), path.toStdString());
    QVERIFY(table);
    const double typed = data::NumericValue(value.toStdString());
    double energyMeV = typed;
    calc::CoefficientSet set;
    QCOMPARE(command == "at" ? calc::CoefficientsAtEnergy(*table, typed, set)
                             : calc::EnergyAtTotal(*table, typed, energyMeV, set),
             calc::CalcStatus::Ok);
    const Values expected = {energyMeV,       set.coherent,     set.incoherent, set.photoElectric,
                             set.pairNuclear, set.pairElectron, set.total};

    const QString symbol = path.section('_', 1).section('.', 0, 0);
    const Run run = runCli(root.with({command, symbol, value}));
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, masked(expected).join("  ") + "\n");

    // N digits: d.ddd...E+xx, rounded to half a unit of the last digit; 17 give the doubles back.
    for (const int digits : {1, 6, 17}) {
        const QStringList fields =
            runCli(root.with({"--digits", QString::number(digits), command, path, value}))
                .out.trimmed()
                .split("  ");
        QCOMPARE(fields.size(), 7);
        for (std::size_t k = 0; k < 7; ++k) {
            const std::string text = fields[static_cast<qsizetype>(k)].toStdString();
            const std::size_t e = text.find('E');
            QCOMPARE(e, static_cast<std::size_t>(digits == 1 ? 1 : digits + 1));
            const double printed = std::strtod(text.c_str(), nullptr);
            const double unit = std::pow(10.0, std::atoi(text.c_str() + e + 1) - digits + 1);
            if (digits == 17) {
                QCOMPARE(printed, expected[k]);
            } else {
                QVERIFY2(std::fabs(printed - expected[k]) <= 0.5 * unit * 1.0000001, text.c_str());
            }
        }
    }
}

void CliTest::csvIsWhatTheExportWrites() {
    const Root root;
    auto table = std::make_unique<data::MaterialTable>();
    table->SelectedPath = "ele/082_Pb.ele";
    const fs::path reference = root.path() / "reference.csv";
    QVERIFY(exporting::ExportTableCsv(*table, root.path(), reference).ok());
    const std::string expected = testing::readFile(reference);
    QVERIFY(expected.starts_with("Lead\r\n11.35\r\n98\r\n1.000E-03, 1.251E+01,"));

    const fs::path out = root.path() / "lead.csv";
    testing::writeFile(out, "old");
    const Run run = runCli(root.with({"csv", "Pb", qs(out)}));
    QCOMPARE(run.status, 0);
    QVERIFY(run.out.isEmpty());
    QCOMPARE(testing::readFile(out), expected);

    const Run toOutput = runCli(root.with({"csv", "ele/082_Pb.ele", "-"}));
    QCOMPARE(toOutput.status, 0);
    QCOMPARE(toOutput.out.toStdString(), expected);
}

void CliTest::buildersWriteWhatTheBuildersWrite_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("category");
    QTest::addColumn<QStringList>("elements");
    QTest::addColumn<QStringList>("slotFiles"); // what the window's element list would assign
    QTest::addColumn<QString>("written");
    const QString h = "001_H.ele", o = "008_O.ele", pb = "082_Pb.ele";
    QTest::newRow("compound, human tissues")
        << QString("compound") << QString("human") << QStringList{"H=2", "ele/008_O.ele=1"}
        << QStringList{h, o} << QString("mix/W.mix1");
    QTest::newRow("mixture, phantom")
        << QString("mixture") << QString("phantom") << QStringList{"H=11.19", "O=88.81"}
        << QStringList{h, o} << QString("mix/W.mix2");
    QTest::newRow("mixture, a negative weight")
        << QString("mixture") << QString("other") << QStringList{"082_Pb.ele=2", "O=1", "H=-0.01"}
        << QStringList{pb, o, h} << QString("mix/W.mix3");
}

void CliTest::buildersWriteWhatTheBuildersWrite() {
    QFETCH(QString, command);
    QFETCH(QString, category);
    QFETCH(QStringList, elements);
    QFETCH(QStringList, slotFiles);
    QFETCH(QString, written);
    const Root root;
    const Run run = runCli(root.with(QStringList{command, "--name", "Test, material", "--density",
                                                 "1.06", "--category", category, "--file", "W"} +
                                     elements));
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, written + "\n");

    // The same build through the builders' core.
    auto state = std::make_unique<newdata::BuilderState>();
    state->ClearSlots();
    state->ElementCount = static_cast<double>(elements.size());
    for (qsizetype k = 0; k < elements.size(); ++k) {
        const auto slot = static_cast<std::size_t>(k + 1);
        state->SlotFile[slot] = slotFiles[k].toStdString();
        state->SlotAmount[slot] = data::NumericValue(elements[k].section('=', 1).toStdString());
    }
    const auto kind =
        command == "compound" ? newdata::BuilderKind::Compound : newdata::BuilderKind::Mixture;
    QVERIFY(newdata::BuildMaterial(*state, root.path(), kind).ok());
    const std::string expected = newdata::MaterialFileText("Test, material", 1.06, *state);
    QCOMPARE(testing::readFile(root.path() / written.toStdString()), expected);
}

void CliTest::plotIsWhatTheEnlargedViewSaves() {
    // The materials added one after another to the enlarged view of the windows.
    const Root root;
    data::MaterialTable table;
    newdata::BuilderState builder;
    testing::ScriptedDialogs dialogs;
    testing::RecordingLauncher launcher;
    AppContext context{table, builder, dialogs, launcher, root.path()};
    Application application(context);
    context.windows.form3->DrawEnlargedFrame();
    const QImage frameOnly = context.windows.form3->Picture1->Image();
    for (const char* path : {"ele/082_Pb.ele", "mix/edge.mix3", "ele/008_O.ele"}) {
        table.SelectedPath = path;
        QVERIFY(graph::RunGo(context));
        context.windows.form2->Form2_Command1_Click();
    }
    const QImage shown =
        context.windows.form3->Picture1->Image().convertToFormat(QImage::Format_RGB32);
    QVERIFY(shown != frameOnly.convertToFormat(QImage::Format_RGB32));

    for (const char* file : {"view.bmp", "view.PNG"}) {
        const QString out = qs(root.path() / file);
        QCOMPARE(runCli(root.with({"plot", "Pb", "mix/edge.mix3", "O", "--out", out})).status, 0);
        const QImage saved(out);
        QCOMPARE(saved.size(), QSize(909, 861));
        QVERIFY(saved.convertToFormat(QImage::Format_RGB32) == shown);
    }
}

void CliTest::statusOutputAndMessage_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");   // in the first two lines of the output, or the errors
    QTest::addColumn<QStringList>("lines"); // a pattern for each line of output, where given
    const auto row = [](const char* name, const QStringList& arguments, int status,
                        const QString& message, const QByteArray& input = {},
                        const QStringList& lines = {}) {
        QTest::newRow(name) << arguments << input << status << message << lines;
    };
    const auto build = [](const char* command, const QStringList& rest, const char* density = "1",
                          const char* name = "X") {
        return QStringList{command, "--name", name, "--density", density, "--file", "bad"} + rest;
    };
    // 0: help, on standard output, with the usage line of what was asked about.
    row("help", {"--help"}, 0, "Usage: photonxs-cli [--root DIR]");
    for (const char* command :
         {"list", "table", "at", "energy", "csv", "compound", "mixture", "plot"}) {
        row(command, {command, "--help"}, 0, QString("] %1").arg(command));
    }
    row("help word", {"help", "energy"}, 0, "] energy PATH MU...");
    row("help among arguments", {"at", "Pb", "-h"}, 0, "] at PATH E...");
    // 3: rows out of range or in calculation error print their word; the others print normally.
    // Arguments and standard input ("-") mix in the order given; any blanks part the numbers.
    const QString out = QString("  OutOfRange").repeated(6);
    const QString csvHeader = "^" + kKeys.join(",") + "$";
    row("energies, text, some from input", {"at", "mix/edge.mix3", "0.01", "-", "1e-3"}, 3,
        "gave no value", "0.000999\n-1\t\r\n  1E+999",
        {"^1\\.000E-02  1\\.000E\\+00  1\\.000E\\+00  8\\.000E\\+00  ", "^9\\.990E-04" + out + "$",
         "^-1\\.000E\\+00" + out + "$", "^Inf" + out + "$", "^1\\.000E-03  1\\.000E\\+01  "});
    row("totals, csv", {"--format", "csv", "energy", "mix/edge.mix3", "200", "500", "30"}, 3,
        "gave no value", {},
        {csvHeader, "^" + QString("CalculationError,").repeated(6) + "2\\.000E\\+02$",
         "^" + QString("OutOfRange,").repeated(6) + "5\\.000E\\+02$",
         "^6\\.\\d{3}E-03,(\\d\\.\\d{3}E[-+]\\d\\d,){5}3\\.000E\\+01$"});
    row("totals, json, from input", {"--format", "json", "energy", "mix/edge.mix3", "-"}, 3,
        "gave no value", "200\n30\n",
        {"^\\{\"total\":2\\.000E\\+02,\"error\":\"CalculationError\"\\}$",
         "^\\{\"energy\":6\\.\\d{3}E-03,\"coherent\":.*\"total\":3\\.000E\\+01\\}$"});
    row("blank input, csv", {"--format", "csv", "at", "mix/edge.mix3", "-"}, 0, kKeys.join(","),
        "  \n", {csvHeader});
    // 1: bad input, and nothing is printed or written before the mistake is found.
    row("unknown file", {"table", "ele/999_Xx.ele"}, 1, "ele/999_Xx.ele");
    row("unknown symbol", {"at", "Xx", "1"}, 1, "'Xx'");
    row("unreadable file", {"at", "mix/broken.mix1", "1"}, 1, "mix/broken.mix1");
    row("energy not a number", {"at", "Pb", "1", "abc"}, 1, "'abc'");
    row("comma in an energy", {"at", "Pb", "0,5"}, 1, "'0,5'");
    row("exponent without digits", {"energy", "Pb", "1e"}, 1, "'1e'");
    row("input not a number", {"at", "Pb", "-"}, 1, "word 3", "1\n2 x3\n");
    row("unwritable csv", {"csv", "Pb", "/no/such/folder/x.csv"}, 1, "/no/such/folder/x.csv");
    row("picture of no known kind", {"plot", "Pb", "--out", "view.gif"}, 1, "view.gif");
    row("missing root", {"--root", "/no/such/root", "list"}, 1, "/no/such/root");
    row("no atoms", build("compound", {"H=2", "O=0"}), 1, "O=0");
    row("atoms not a number", build("compound", {"H=two"}), 1, "two");
    row("six elements in a compound", build("compound", QStringList(6, "H=1")), 1, "up to 5");
    row("sixteen elements in a mixture", build("mixture", QStringList(16, "H=1")), 1, "up to 15");
    row("weights adding up to 0", build("mixture", {"H=1", "O=-1"}), 1, "zero");
    row("unknown element", build("mixture", {"Xx=1"}), 1, "Xx");
    row("missing element file", build("mixture", {"099_Es.ele=1"}), 1, "099_Es.ele");
    row("no equals sign", build("mixture", {"H"}), 1, "ELEMENT=WEIGHT");
    row("density 0", build("compound", {"H=1"}, "0"), 1, "greater than 0");
    row("density not a number", build("compound", {"H=1"}, "1,2"), 1, "1,2");
    row("empty name", build("compound", {"H=1"}, "1", ""), 1, "--name");
    // 2: the command line itself is wrong.
    row("missing density", {"compound", "--name", "X", "--file", "bad", "H=1"}, 2, "--density");
    row("unknown category", build("mixture", {"--category", "bone", "H=1"}), 2, "bone");
    row("no elements", build("mixture", {}), 2, "ELEMENT=WEIGHT");
    row("missing energy", {"at", "Pb"}, 2, "energy");
    row("missing path", {"table"}, 2, "PATH");
    row("missing output", {"csv", "Pb"}, 2, "OUT");
    row("missing picture file", {"plot", "Pb"}, 2, "--out");
    row("missing option value", {"at", "Pb", "1", "--digits"}, 2, "--digits");
    row("unknown option", {"at", "Pb", "1", "--bogus"}, 2, "--bogus");
    row("option of another command", {"at", "Pb", "1", "--out", "x.bmp"}, 2, "--out");
    row("unknown command", {"interpolate"}, 2, "interpolate");
    row("too many digits", {"--digits", "18", "at", "Pb", "1"}, 2, "18");
    row("no digits", {"--digits", "0", "at", "Pb", "1"}, 2, "'0'");
    row("unknown format", {"--format", "xml", "list"}, 2, "xml");
    row("no command", {}, 2, "Usage");
}

void CliTest::statusOutputAndMessage() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(int, status);
    QFETCH(QString, message);
    QFETCH(QStringList, lines);
    const Root root;
    const Run run = runCli(root.with(arguments), input);
    QCOMPARE(run.status, status);
    const QString shown = status == 0 ? run.out.section('\n', 0, 1) : run.err;
    QVERIFY2(shown.contains(message), qPrintable(shown));
    if (status != 0 || !lines.isEmpty()) {
        const QStringList printed = linesOf(run.out);
        QCOMPARE(printed.size(), lines.size());
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QVERIFY2(QRegularExpression(lines[i]).match(printed[i]).hasMatch(),
                     qPrintable(printed[i]));
        }
    }
    for (const char* extension : {".mix1", ".mix2", ".mix3"}) {
        QVERIFY(!fs::exists(root.path() / "mix" / (std::string("bad") + extension)));
    }
}

void CliTest::rootAndLocaleFromTheEnvironment() {
    const Root root;
    const Root other;
    fs::remove(other.path() / "ele" / "082_Pb.ele");
    const QString expected = runCli(root.with({"table", "Pb"})).out;
    QVERIFY(!expected.isEmpty());

    QProcessEnvironment environment = cleanEnvironment();
    environment.insert("PHOTONXS_HOME", qs(root.path()));
    QCOMPARE(runCli({"table", "Pb"}, {}, environment, qs(other.path())).out, expected);
    QCOMPARE(runCli({"table", "Pb"}, {}, cleanEnvironment(), qs(root.path())).out, expected);
    // --root wins over the environment.
    QCOMPARE(runCli({"--root", qs(other.path()), "table", "Pb"}, {}, environment).status, 1);

    // A comma-decimal locale changes neither the numbers read and printed nor the picture.
    const QStringList lookup = root.with({"at", "Pb", "0.662"});
    const QString lead = runCli(lookup).out;
    QVERIFY(lead.trimmed().endsWith("  1.110E-01"));
    environment.insert("LC_ALL", "de_DE.UTF-8");
    environment.insert("LANG", "de_DE.UTF-8");
    QCOMPARE(runCli(lookup, {}, environment).out, lead);
    QCOMPARE(runCli(root.with({"table", "Pb"}), {}, environment).out, expected);
    QCOMPARE(runCli(root.with({"plot", "Pb", "--out", qs(root.path() / "de.png")}), {}, environment)
                 .status,
             0);
}

QTEST_MAIN(CliTest)
#include "test_commands.moc"
