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
    if (!workingFolder.isEmpty()) {
        process.setWorkingDirectory(workingFolder);
    }
    process.start(PHOTONXS_CLI_PROGRAM, arguments);
    Run run;
    if (!process.waitForStarted()) {
        return run;
    }
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit) {
        return run;
    }
    run.status = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QStringList linesOf(const QString& text) { return text.split('\n', Qt::SkipEmptyParts); }

QString qs(const fs::path& path) { return QString::fromStdString(path.string()); }

// A material file from rows of energy and five partial coefficients.
std::string materialText(const std::string& name, const std::vector<std::array<double, 6>>& rows) {
    std::vector<std::string> lines{name, "1.5", std::to_string(rows.size())};
    for (const auto& r : rows) {
        lines.push_back(data::FormatTableRow(r[0], {r[1], r[2], r[3], r[4], r[5]}));
    }
    return data::JoinLines(lines);
}

// A working folder with three elements of the shipped library and two small materials: one
// whose largest total stands just above an edge in row 3 (a total above row 1's then has its
// energy below 1 keV), and one that cannot be read.
struct Root {
    testing::TempFolder folder;

    Root() {
        for (const char* element : {"001_H.ele", "008_O.ele", "082_Pb.ele"}) {
            fs::create_directories(path() / "ele");
            fs::copy_file(testing::sourceDir() / "library" / "ele" / element,
                          path() / "ele" / element);
        }
        testing::writeFile(path() / "mix" / "edge.mix3",
                           materialText("Edge, test", {{0.001, 10, 10, 80, 0, 0},
                                                       {0.002, 5, 5, 40, 0, 0},
                                                       {0.002, 5, 5, 390, 0, 0},
                                                       {0.01, 1, 1, 8, 0, 0}}));
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

Values valuesOf(double energyMeV, const calc::CoefficientSet& set) {
    return {energyMeV,       set.coherent,     set.incoherent, set.photoElectric,
            set.pairNuclear, set.pairElectron, set.total};
}

// The line the text form must print: each value through the calculator's mask, two blanks apart.
QString maskLine(const Values& values) {
    QStringList fields;
    for (const double v : values) {
        fields << QString::fromStdString(data::FormatScientific(v));
    }
    return fields.join("  ");
}

const QStringList kKeys = {"energy",       "coherent",      "incoherent", "photo_electric",
                           "pair_nuclear", "pair_electron", "total"};

} // namespace

class CliTest : public QObject {
    Q_OBJECT

  private slots:
    void listsEveryDataFile_data();
    void listsEveryDataFile();
    void tablePrintsTheLoadedRows_data();
    void tablePrintsTheLoadedRows();
    void lookupsGiveTheCalculatorsNumbers_data();
    void lookupsGiveTheCalculatorsNumbers();
    void leadAt662keVByHand();
    void failedRowsPrintTheirWord_data();
    void failedRowsPrintTheirWord();
    void standardInputReadsLikeArguments();
    void fewerDigits();
    void csvIsWhatTheExportWrites();
    void buildersWriteWhatTheBuildersWrite_data();
    void buildersWriteWhatTheBuildersWrite();
    void builderChecks_data();
    void builderChecks();
    void plotIsWhatTheEnlargedViewSaves_data();
    void plotIsWhatTheEnlargedViewSaves();
    void badInput_data();
    void badInput();
    void helpForEveryCommand_data();
    void helpForEveryCommand();
    void rootComesFromOptionEnvironmentOrCurrentFolder();
    void commaDecimalLocaleChangesNothing();
};

void CliTest::listsEveryDataFile_data() {
    QTest::addColumn<QString>("format");
    QTest::newRow("text") << "text";
    QTest::newRow("csv") << "csv";
    QTest::newRow("json") << "json";
}

void CliTest::listsEveryDataFile() {
    QFETCH(QString, format);
    const Root root;
    const Run run = runCli(root.with({"--format", format, "list"}));
    // The unreadable material is reported by name; every other file is still listed.
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains("mix/broken.mix1"), qPrintable(run.err));

    QStringList lines = linesOf(run.out);
    if (format == "csv") {
        QCOMPARE(lines.takeFirst(), QString("path,name,density"));
    }
    const std::vector<std::string> expected = {"ele/001_H.ele", "ele/008_O.ele", "ele/082_Pb.ele",
                                               "mix/edge.mix3"};
    QCOMPARE(lines.size(), static_cast<qsizetype>(expected.size()));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        data::DataFileHeader header;
        QVERIFY(data::ReadDataFileHeader(root.path() / expected[i], header).ok());
        const QString path = QString::fromStdString(expected[i]);
        const QString name = QString::fromStdString(header.name);
        const QString density = QString::fromStdString(data::FormatDensityShown(header.density));
        const QString& line = lines[static_cast<qsizetype>(i)];
        if (format == "text") {
            QCOMPARE(line, path + "\t" + name + "\t" + density);
        } else if (format == "csv") {
            const QString quotedName = name.contains(',') ? "\"" + name + "\"" : name;
            QCOMPARE(line, path + "," + quotedName + "," + density);
        } else {
            const QJsonObject object = QJsonDocument::fromJson(line.toUtf8()).object();
            QCOMPARE(object.value("path").toString(), path);
            QCOMPARE(object.value("name").toString(), name);
            QCOMPARE(object.value("density").toDouble(), data::NumericValue(density.toStdString()));
        }
    }
    QVERIFY(lines[2].contains("Lead"));
    QVERIFY(lines[2].contains("11.350"));
}

void CliTest::tablePrintsTheLoadedRows_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("argument");
    QTest::newRow("text, by symbol") << "text"
                                     << "Pb";
    QTest::newRow("csv, by path") << "csv"
                                  << "ele/082_Pb.ele";
    QTest::newRow("json, by file name") << "json"
                                        << "082_Pb.ele";
}

void CliTest::tablePrintsTheLoadedRows() {
    QFETCH(QString, format);
    QFETCH(QString, argument);
    const Root root;
    const auto table = loadTable(root.path(), "ele/082_Pb.ele");
    QVERIFY(table);
    const Run run = runCli(root.with({"--format", format, "table", argument}));
    QCOMPARE(run.status, 0);
    QVERIFY(run.err.isEmpty());
    QStringList lines = linesOf(run.out);
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
        const QString& line = lines[row - 1];
        if (format == "text") {
            QCOMPARE(line, maskLine(values));
        } else if (format == "csv") {
            QCOMPARE(line, maskLine(values).replace("  ", ","));
        } else {
            const QJsonObject object = QJsonDocument::fromJson(line.toUtf8()).object();
            QCOMPARE(object.keys().size(), kKeys.size());
            for (qsizetype k = 0; k < kKeys.size(); ++k) {
                const std::string text =
                    data::FormatScientific(values[static_cast<std::size_t>(k)]);
                QCOMPARE(object.value(kKeys[k]).toDouble(), data::NumericValue(text));
            }
        }
    }
}

void CliTest::lookupsGiveTheCalculatorsNumbers_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("value");
    const auto row = [](const char* name, const char* command, const char* element,
                        const char* path, const char* value) {
        QTest::newRow(name) << QString(command) << QString(element) << QString(path)
                            << QString(value);
    };
    row("lead, 662 keV", "at", "Pb", "ele/082_Pb.ele", "0.662");
    row("lead, first row", "at", "Pb", "ele/082_Pb.ele", "1e-3");
    row("lead, K edge", "at", "Pb", "ele/082_Pb.ele", "0.08800399");
    row("lead, pair region", "at", "Pb", "ele/082_Pb.ele", "15D0");
    row("oxygen, last row", "at", "O", "ele/008_O.ele", "100000");
    row("hydrogen, between rows", "at", "H", "ele/001_H.ele", ".0314");
    row("total between rows", "energy", "Pb", "ele/082_Pb.ele", "0.1");
    row("total near the first row", "energy", "Pb", "ele/082_Pb.ele", "5000");
    row("a tabulated total", "energy", "Pb", "ele/082_Pb.ele", "0.088701");
    row("near the lowest total", "energy", "O", "ele/008_O.ele", "0.017");
}

void CliTest::lookupsGiveTheCalculatorsNumbers() {
    QFETCH(QString, command);
    QFETCH(QString, element);
    QFETCH(QString, path);
    QFETCH(QString, value);
    const Root root;
    const auto table = loadTable(root.path(), path.toStdString());
    QVERIFY(table);
    const double typed = data::NumericValue(value.toStdString());
    double energyMeV = typed;
    calc::CoefficientSet set;
    const calc::CalcStatus status = command == "at"
                                        ? calc::CoefficientsAtEnergy(*table, typed, set)
                                        : calc::EnergyAtTotal(*table, typed, energyMeV, set);
    QCOMPARE(status, calc::CalcStatus::Ok);
    const Values expected = valuesOf(energyMeV, set);

    const Run masked = runCli(root.with({command, element, value}));
    QCOMPARE(masked.status, 0);
    QCOMPARE(masked.out, maskLine(expected) + "\n");

    // Seventeen digits give the very doubles back.
    const Run full = runCli(root.with({"--digits", "17", command, path, value}));
    QCOMPARE(full.status, 0);
    const QStringList fields = full.out.trimmed().split("  ");
    QCOMPARE(fields.size(), 7);
    for (std::size_t k = 0; k < 7; ++k) {
        const std::string text = fields[static_cast<qsizetype>(k)].toStdString();
        QCOMPARE(text.find('.'), std::size_t{1});
        QCOMPARE(text.substr(18, 1), std::string("E"));
        QCOMPARE(std::strtod(text.c_str(), nullptr), expected[k]);
    }
}

void CliTest::leadAt662keVByHand() {
    // Rows 44 and 45 of the lead table bracket 662 keV; their totals are the sums of the five
    // columns, and the total at 662 keV lies on the straight line between them in log-log.
    const Root root;
    const double ta = 8.060E-03 + 6.263E-02 + 5.406E-02 + 0.0 + 0.0;
    const double tb = 4.621E-03 + 5.537E-02 + 2.871E-02 + 0.0 + 0.0;
    const double byHand =
        std::exp(std::log(ta) + (std::log(tb) - std::log(ta)) * (std::log(0.662) - std::log(0.6)) /
                                    (std::log(0.8) - std::log(0.6)));
    QVERIFY(testing::closeTo(byHand, 0.11102293, 1e-7));

    const Run masked = runCli(root.with({"at", "Pb", "0.662"}));
    QCOMPARE(masked.status, 0);
    QVERIFY(masked.out.trimmed().endsWith("  1.110E-01"));
    const Run full = runCli(root.with({"--digits", "17", "--format", "json", "at", "Pb", "0.662"}));
    const QJsonObject object = QJsonDocument::fromJson(full.out.toUtf8()).object();
    QCOMPARE_CLOSE(object.value("total").toDouble(), byHand);
    QCOMPARE(object.value("energy").toDouble(), 0.662);
}

void CliTest::failedRowsPrintTheirWord_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QStringList>("expected"); // a pattern for each line
    const QString out = QString("  OutOfRange").repeated(6);
    QTest::newRow("energies, text")
        << "text"
        << "at" << QStringList{"0.01", "0.000999", "-1", "1E+999", "1e-3"}
        << QStringList{"^1\\.000E-02  1\\.000E\\+00  1\\.000E\\+00  8\\.000E\\+00  ",
                       "^9\\.990E-04" + out + "$", "^-1\\.000E\\+00" + out + "$",
                       "^Inf" + out + "$", "^1\\.000E-03  1\\.000E\\+01  "};
    QTest::newRow("totals, csv")
        << "csv"
        << "energy" << QStringList{"200", "500", "30"}
        << QStringList{"^" + kKeys.join(",") + "$",
                       "^" + QString("CalculationError,").repeated(6) + "2\\.000E\\+02$",
                       "^" + QString("OutOfRange,").repeated(6) + "5\\.000E\\+02$",
                       "^6\\.\\d{3}E-03,(\\d\\.\\d{3}E[-+]\\d\\d,){5}3\\.000E\\+01$"};
    QTest::newRow("totals, json")
        << "json"
        << "energy" << QStringList{"200", "30"}
        << QStringList{"^\\{\"total\":2\\.000E\\+02,\"error\":\"CalculationError\"\\}$",
                       "^\\{\"energy\":6\\.\\d{3}E-03,\"coherent\":.*\"total\":3\\.000E\\+01\\}$"};
}

void CliTest::failedRowsPrintTheirWord() {
    QFETCH(QString, format);
    QFETCH(QString, command);
    QFETCH(QStringList, values);
    QFETCH(QStringList, expected);
    const Root root;
    const Run run =
        runCli(root.with(QStringList{"--format", format, command, "mix/edge.mix3"} + values));
    QCOMPARE(run.status, 3);
    QVERIFY2(run.err.contains("gave no value"), qPrintable(run.err));
    const QStringList lines = linesOf(run.out);
    QCOMPARE(lines.size(), expected.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QVERIFY2(QRegularExpression(expected[i]).match(lines[i]).hasMatch(), qPrintable(lines[i]));
    }
}

void CliTest::standardInputReadsLikeArguments() {
    const Root root;
    const Run fromArguments = runCli(root.with({"at", "Pb", "0.662", "1", "0.01", "5", "2e5"}));
    QCOMPARE(fromArguments.status, 3);
    const Run fromInput = runCli(root.with({"at", "Pb", "-"}), "0.662\n1 0.01\t\r\n  5\n2e5");
    QCOMPARE(fromInput.status, 3);
    QCOMPARE(fromInput.out, fromArguments.out);
    // Arguments and standard input mix in the order given.
    const Run mixed = runCli(root.with({"at", "Pb", "0.662", "-", "2e5"}), "1 0.01 5");
    QCOMPARE(mixed.out, fromArguments.out);

    const Run totals = runCli(root.with({"--format", "json", "energy", "O", "-"}), "1\n0.1\n");
    QCOMPARE(totals.status, 0);
    QCOMPARE(totals.out, runCli(root.with({"--format", "json", "energy", "O", "1", "0.1"})).out);

    const Run empty = runCli(root.with({"--format", "csv", "at", "Pb", "-"}), "  \n");
    QCOMPARE(empty.status, 0);
    QCOMPARE(empty.out, kKeys.join(",") + "\n");
}

void CliTest::fewerDigits() {
    const Root root;
    const auto table = loadTable(root.path(), "ele/082_Pb.ele");
    QVERIFY(table);
    calc::CoefficientSet set;
    QCOMPARE(calc::CoefficientsAtEnergy(*table, 0.662, set), calc::CalcStatus::Ok);
    for (const int digits : {1, 2, 6, 10}) {
        const Run run =
            runCli(root.with({"--digits", QString::number(digits), "at", "Pb", "0.662"}));
        QCOMPARE(run.status, 0);
        const std::string total = run.out.trimmed().split("  ").last().toStdString();
        // One digit, the point and digits-1 decimals (no point for one digit), then E-02 style.
        const std::size_t e = total.find('E');
        QCOMPARE(e, static_cast<std::size_t>(digits == 1 ? 1 : digits + 1));
        QCOMPARE(total.substr(e), std::string("E-01"));
        // Rounded, not cut: the error is at most half a unit of the last digit.
        const double printed = std::strtod(total.c_str(), nullptr);
        QVERIFY(std::fabs(printed - set.total) <= 0.5 * std::pow(10.0, -digits) * 1.0000001);
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

    // A file that cannot be written is bad input, and names the file.
    const QString nowhere = qs(root.path() / "no-such-folder" / "x.csv");
    const Run unwritable = runCli(root.with({"csv", "Pb", nowhere}));
    QCOMPARE(unwritable.status, 1);
    QVERIFY(unwritable.err.contains(nowhere));
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
    QTest::newRow("compound, three elements")
        << QString("compound") << QString("other") << QStringList{"082_Pb.ele=1", "O=2.5", "H=.5"}
        << QStringList{pb, o, h} << QString("mix/W.mix3");
    QTest::newRow("mixture, phantom")
        << QString("mixture") << QString("phantom") << QStringList{"H=11.19", "O=88.81"}
        << QStringList{h, o} << QString("mix/W.mix2");
    QTest::newRow("mixture, a negative weight")
        << QString("mixture") << QString("other") << QStringList{"Pb=2", "O=1", "H=-0.5"}
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
    QVERIFY(loadTable(root.path(), written.toStdString()));
}

void CliTest::builderChecks_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    const QStringList base = {"--name", "X", "--density", "1", "--file", "bad"};
    QTest::newRow("no atoms") << QStringList{"compound"} + base + QStringList{"H=2", "O=0"} << 1
                              << "O=0";
    QTest::newRow("atoms not a number")
        << QStringList{"compound"} + base + QStringList{"H=two"} << 1 << "two";
    QTest::newRow("six elements in a compound")
        << QStringList{"compound"} + base + QStringList{"H=1", "O=1", "Pb=1", "H=1", "O=1", "Pb=1"}
        << 1 << "up to 5";
    QTest::newRow("sixteen elements in a mixture")
        << QStringList{"mixture"} + base + QStringList(16, "H=1") << 1 << "up to 15";
    QTest::newRow("weights adding up to 0")
        << QStringList{"mixture"} + base + QStringList{"H=1", "O=-1"} << 1 << "zero";
    QTest::newRow("unknown element")
        << QStringList{"mixture"} + base + QStringList{"Xx=1"} << 1 << "Xx";
    QTest::newRow("missing element file")
        << QStringList{"mixture"} + base + QStringList{"099_Es.ele=1"} << 1 << "099_Es.ele";
    QTest::newRow("no equals sign")
        << QStringList{"mixture"} + base + QStringList{"H"} << 1 << "ELEMENT=WEIGHT";
    QTest::newRow("density 0") << QStringList{"compound", "--name", "X",   "--density",
                                              "0",        "--file", "bad", "H=1"}
                               << 1 << "greater than 0";
    QTest::newRow("density not a number")
        << QStringList{"compound", "--name", "X", "--density", "1,2", "--file", "bad", "H=1"} << 1
        << "1,2";
    QTest::newRow("empty name") << QStringList{"compound", "--name", "",    "--density",
                                               "1",        "--file", "bad", "H=1"}
                                << 1 << "--name";
    QTest::newRow("missing density")
        << QStringList{"compound", "--name", "X", "--file", "bad", "H=1"} << 2 << "--density";
    QTest::newRow("unknown category")
        << QStringList{"mixture"} + base + QStringList{"--category", "bone", "H=1"} << 2 << "bone";
    QTest::newRow("no elements") << QStringList{"mixture"} + base << 2 << "ELEMENT=WEIGHT";
}

void CliTest::builderChecks() {
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, message);
    const Root root;
    const Run run = runCli(root.with(arguments));
    QCOMPARE(run.status, status);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
    for (const char* extension : {".mix1", ".mix2", ".mix3"}) {
        QVERIFY(!fs::exists(root.path() / "mix" / (std::string("bad") + extension)));
    }
}

void CliTest::plotIsWhatTheEnlargedViewSaves_data() {
    QTest::addColumn<QString>("file");
    QTest::newRow("bitmap") << "view.bmp";
    QTest::newRow("png") << "view.PNG";
}

void CliTest::plotIsWhatTheEnlargedViewSaves() {
    QFETCH(QString, file);
    const Root root;
    const QString out = qs(root.path() / file.toStdString());
    const Run run = runCli(root.with({"plot", "Pb", "mix/edge.mix3", "O", "--out", out}));
    QCOMPARE(run.status, 0);
    QImage saved(out);
    QVERIFY(!saved.isNull());

    // The same materials added one after another to the enlarged view of the windows.
    data::MaterialTable table;
    newdata::BuilderState builder;
    testing::ScriptedDialogs dialogs;
    testing::RecordingLauncher launcher;
    AppContext context{table, builder, dialogs, launcher, root.path()};
    Application application(context);
    context.windows.form3->DrawEnlargedFrame();
    const QImage frameOnly =
        context.windows.form3->Picture1->Image().convertToFormat(QImage::Format_RGB32);
    for (const char* path : {"ele/082_Pb.ele", "mix/edge.mix3", "ele/008_O.ele"}) {
        table.SelectedPath = path;
        QVERIFY(graph::RunGo(context));
        context.windows.form2->Form2_Command1_Click();
    }
    const QImage shown =
        context.windows.form3->Picture1->Image().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(saved.size(), QSize(909, 861));
    QVERIFY(saved.convertToFormat(QImage::Format_RGB32) == shown);
    QVERIFY(shown != frameOnly);
}

void CliTest::badInput_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown file") << QStringList{"table", "ele/999_Xx.ele"} << QByteArray() << 1
                                  << "ele/999_Xx.ele";
    QTest::newRow("unknown symbol") << QStringList{"at", "Xx", "1"} << QByteArray() << 1 << "'Xx'";
    QTest::newRow("unreadable file")
        << QStringList{"at", "mix/broken.mix1", "1"} << QByteArray() << 1 << "mix/broken.mix1";
    QTest::newRow("energy not a number")
        << QStringList{"at", "Pb", "1", "abc"} << QByteArray() << 1 << "'abc'";
    QTest::newRow("comma in an energy")
        << QStringList{"at", "Pb", "0,5"} << QByteArray() << 1 << "'0,5'";
    QTest::newRow("exponent without digits")
        << QStringList{"energy", "Pb", "1e"} << QByteArray() << 1 << "'1e'";
    QTest::newRow("input not a number")
        << QStringList{"at", "Pb", "-"} << QByteArray("1\n2 x3\n") << 1 << "word 3";
    QTest::newRow("picture of no known kind")
        << QStringList{"plot", "Pb", "--out", "view.gif"} << QByteArray() << 1 << "view.gif";
    QTest::newRow("missing root") << QStringList{"--root", "/no/such/root", "list"} << QByteArray()
                                  << 1 << "/no/such/root";
    QTest::newRow("missing energy") << QStringList{"at", "Pb"} << QByteArray() << 2 << "energy";
    QTest::newRow("missing path") << QStringList{"table"} << QByteArray() << 2 << "PATH";
    QTest::newRow("missing output") << QStringList{"csv", "Pb"} << QByteArray() << 2 << "OUT";
    QTest::newRow("missing picture file")
        << QStringList{"plot", "Pb"} << QByteArray() << 2 << "--out";
    QTest::newRow("missing option value")
        << QStringList{"at", "Pb", "1", "--digits"} << QByteArray() << 2 << "--digits";
    QTest::newRow("unknown option")
        << QStringList{"at", "Pb", "1", "--bogus"} << QByteArray() << 2 << "--bogus";
    QTest::newRow("option of another command")
        << QStringList{"at", "Pb", "1", "--out", "x.bmp"} << QByteArray() << 2 << "--out";
    QTest::newRow("unknown command")
        << QStringList{"interpolate"} << QByteArray() << 2 << "interpolate";
    QTest::newRow("too many digits")
        << QStringList{"--digits", "18", "at", "Pb", "1"} << QByteArray() << 2 << "18";
    QTest::newRow("no digits") << QStringList{"--digits", "0", "at", "Pb", "1"} << QByteArray() << 2
                               << "'0'";
    QTest::newRow("unknown format")
        << QStringList{"--format", "xml", "list"} << QByteArray() << 2 << "xml";
    QTest::newRow("no command") << QStringList{} << QByteArray() << 2 << "Usage";
}

void CliTest::badInput() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(int, status);
    QFETCH(QString, message);
    const Root root;
    const Run run = runCli(root.with(arguments), input);
    QCOMPARE(run.status, status);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    // Nothing is half done: no rows are printed before the mistake is found.
    QVERIFY(run.out.isEmpty());
}

void CliTest::helpForEveryCommand_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("usage");
    QTest::newRow("program") << QStringList{"--help"} << "Usage: photonxs-cli [--root DIR]";
    for (const char* command :
         {"list", "table", "at", "energy", "csv", "compound", "mixture", "plot"}) {
        QTest::newRow(command) << QStringList{command, "--help"} << QString("] %1").arg(command);
    }
    QTest::newRow("help word") << QStringList{"help", "energy"} << "] energy PATH MU...";
    QTest::newRow("help among arguments") << QStringList{"at", "Pb", "-h"} << "] at PATH E...";
}

void CliTest::helpForEveryCommand() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, usage);
    const Root root;
    const Run run = runCli(root.with(arguments));
    QCOMPARE(run.status, 0);
    QVERIFY(run.out.startsWith("Usage: photonxs-cli"));
    QVERIFY2(run.out.section('\n', 0, 1).contains(usage), qPrintable(run.out));
}

void CliTest::rootComesFromOptionEnvironmentOrCurrentFolder() {
    const Root root;
    const Root other;
    fs::remove(other.path() / "ele" / "082_Pb.ele");
    const QString expected = runCli(root.with({"table", "Pb"})).out;
    QVERIFY(!expected.isEmpty());

    QProcessEnvironment environment = cleanEnvironment();
    environment.insert("PHOTONXS_HOME", qs(root.path()));
    const Run fromEnvironment = runCli({"table", "Pb"}, {}, environment, qs(other.path()));
    QCOMPARE(fromEnvironment.status, 0);
    QCOMPARE(fromEnvironment.out, expected);

    const Run fromCurrentFolder = runCli({"table", "Pb"}, {}, cleanEnvironment(), qs(root.path()));
    QCOMPARE(fromCurrentFolder.status, 0);
    QCOMPARE(fromCurrentFolder.out, expected);

    // --root wins over the environment.
    const Run fromOption = runCli({"--root", qs(other.path()), "table", "Pb"}, {}, environment);
    QCOMPARE(fromOption.status, 1);
}

void CliTest::commaDecimalLocaleChangesNothing() {
    const Root root;
    const QStringList arguments = root.with({"at", "Pb", "0.662"});
    const QString expected = runCli(arguments).out;
    QProcessEnvironment environment = cleanEnvironment();
    environment.insert("LC_ALL", "de_DE.UTF-8");
    environment.insert("LANG", "de_DE.UTF-8");
    QCOMPARE(runCli(arguments, {}, environment).out, expected);
    const Run picture =
        runCli(root.with({"plot", "Pb", "--out", qs(root.path() / "de.png")}), {}, environment);
    QCOMPARE(picture.status, 0);
    QVERIFY(expected.contains("1.110E-01"));
}

QTEST_MAIN(CliTest)
#include "test_cli.moc"
