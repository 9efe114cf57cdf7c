// photonxs-cli run as a user runs it; what it prints and writes is what the core and windows make.

#include "calc/Interpolation.h"
#include "data/MaterialFile.h"
#include "data/NumberMask.h"
#include "data/NumericText.h"
#include "export/CsvExport.h"
#include "fakes/CliProgram.h"
#include "fakes/WindowFixture.h"
#include "graph/Form2.h"
#include "graph/Form3.h"
#include "platform/qt/QtCanvas.h"

#include <QImage>
#include <QRegularExpression>

#include <memory>

namespace {

namespace fs = std::filesystem;

using Run = testing::CliRun;
using testing::runCli;

QString qs(const fs::path& path) { return QString::fromStdString(path.string()); }

// Three elements of the shipped library and two small materials: one whose largest total stands
// just above an edge in row 3 (a total above row 1's then has its energy below 1 keV), and one
// that cannot be read.
struct Root : testing::WindowFixture {
    Root() {
        library({"ele/001_H.ele", "ele/008_O.ele", "ele/082_Pb.ele"});
        write("mix/edge.mix3", testing::materialText("Edge, test", "1.5",
                                                     {{0.001, 10, 10, 80, 0, 0},
                                                      {0.002, 5, 5, 40, 0, 0},
                                                      {0.002, 5, 5, 390, 0, 0},
                                                      {0.01, 1, 1, 8, 0, 0}}));
        write("mix/broken.mix1", "Broken\r\n");
    }
    QStringList arguments(const QStringList& rest) const {
        return QStringList{"--no-header", "--root", qs(root())} + rest;
    }
    Run run(const QStringList& rest, const QByteArray& input = {}) const {
        return runCli(arguments(rest), input);
    }
};

std::unique_ptr<data::MaterialTable> loadTable(const fs::path& root, const std::string& path) {
    auto table = std::make_unique<data::MaterialTable>();
    table->SelectedPath = path;
    return data::LoadMaterialTable(*table, root).ok() ? std::move(table) : nullptr;
}

const QStringList kKeys = {"energy",       "coherent",      "incoherent", "photo_electric",
                           "pair_nuclear", "pair_electron", "total"};

QStringList masked(const std::array<double, 7>& values) {
    QStringList fields;
    for (const double v : values) {
        fields << QString::fromStdString(data::FormatScientific(v));
    }
    return fields;
}

// `fields` as one line of `format`: text parted by two blanks, CSV by commas, JSON one object.
QString line(const QString& format, const QStringList& fields) {
    QStringList members;
    for (qsizetype k = 0; k < fields.size(); ++k) {
        members << "\"" + kKeys[k] + "\":" + fields[k];
    }
    return format == "text" ? fields.join("  ")
                            : (format == "csv" ? fields.join(",") : "{" + members.join(",") + "}");
}

} // namespace

class CliTest : public QObject {
    Q_OBJECT

  private slots:
    void listAndTable();
    void lookupsGiveTheCalculatorsNumbers_data();
    void lookupsGiveTheCalculatorsNumbers();
    void filesAreWhatTheWindowsWrite();
    void statusOutputAndMessage_data();
    void statusOutputAndMessage();
    void unreadableStandardInput();
    void standardInputIsAStream_data();
    void standardInputIsAStream();
};

void CliTest::listAndTable() {
    Root root;
    // The unreadable material is named; every other file is listed with its shown density.
    const Run list = root.run({"list"});
    QCOMPARE(list.status, 1);
    QVERIFY2(list.err.contains("mix/broken.mix1"), qPrintable(list.err));
    QStringList lines = list.out.split('\n', Qt::SkipEmptyParts);
    const QStringList files = {"ele/001_H.ele", "ele/008_O.ele", "ele/082_Pb.ele", "mix/edge.mix3"};
    QCOMPARE(lines.size(), files.size());
    for (qsizetype i = 0; i < files.size(); ++i) {
        QVERIFY2(lines[i].startsWith(files[i] + "\t") && lines[i].endsWith("\t1.500") == (i == 3),
                 qPrintable(lines[i]));
    }
    // Every row through the calculator's mask, the file named by its element symbol.
    const auto table = loadTable(root.root(), "ele/082_Pb.ele");
    lines = root.run({"table", "Pb"}).out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), static_cast<qsizetype>(table->RowCount));
    for (std::size_t i = 1; i <= static_cast<std::size_t>(table->RowCount); ++i) {
        QCOMPARE(lines[qsizetype(i) - 1],
                 masked({table->Energy[i], table->Coherent[i], table->Incoherent[i],
                         table->PhotoElectric[i], table->PairNuclear[i], table->PairElectron[i],
                         table->Total[i]})
                     .join("  "));
    }
}

void CliTest::lookupsGiveTheCalculatorsNumbers_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("request");
    QTest::addColumn<QString>("keV"); // the energy typed in keV
    QTest::newRow("lead, D exponent, text") << "text"
                                            << "at 082_Pb.ele 15D0"
                                            << "1.5D4";
    QTest::newRow("oxygen, last row, csv") << "csv"
                                           << "at ele/008_O.ele 100000"
                                           << "100000000";
    QTest::newRow("lead at 662 keV, json") << "json"
                                           << "at ele/082_Pb.ele 0.662"
                                           << "662";
    QTest::newRow("total between rows, json") << "json"
                                              << "energy ele/082_Pb.ele 0.1"
                                              << "";
    QTest::newRow("near the lowest total, text") << "text"
                                                 << "energy ele/008_O.ele 0.017"
                                                 << "";
}

void CliTest::lookupsGiveTheCalculatorsNumbers() {
    QFETCH(QString, format);
    QFETCH(QString, request);
    QFETCH(QString, keV);
    Root root;
    const QStringList words = request.split(' ');
    const auto table = loadTable(root.root(), "ele/" + words[1].section('/', -1).toStdString());
    const double typed = data::NumericValue(words[2].toStdString());
    double energy = typed;
    calc::CoefficientSet s;
    QCOMPARE(words[0] == "at" ? calc::CoefficientsAtEnergy(*table, typed, s)
                              : calc::EnergyAtTotal(*table, typed, energy, s),
             calc::CalcStatus::Ok);
    const std::array<double, 7> expected = {
        energy, s.coherent, s.incoherent, s.photoElectric, s.pairNuclear, s.pairElectron, s.total};
    // The calculator's mask in every format; the same found through PHOTONXS_HOME under a
    // comma-decimal locale.
    // Text names the columns and their units on a first line.
    const QString header =
        format == "csv" ? kKeys.join(",") + "\n"
        : format == "text"
            ? "# energy (MeV)  coherent (cm2/g)  incoherent (cm2/g)  photo_electric (cm2/g)  "
              "pair_nuclear (cm2/g)  pair_electron (cm2/g)  total (cm2/g)\n"
            : QString();
    QCOMPARE(runCli(QStringList{"--root", qs(root.root()), "--format", format} + words).out,
             header + line(format, masked(expected)) + "\n");
    QCOMPARE(runCli(QStringList{"--no-header"} + words, {},
                    {"PHOTONXS_HOME=" + qs(root.root()), "LC_ALL=de_DE.UTF-8"})
                 .out,
             root.run(words).out);
    // In keV the same doubles: the energy's digits with the exponent 3 higher.
    if (!keV.isEmpty()) {
        const QStringList inMeV = root.run(QStringList{"--digits", "17"} + words).out.split("  ");
        const QStringList inKeV =
            root.run({"--digits", "17", "--energy-unit", "keV", words[0], words[1], keV})
                .out.split("  ");
        QCOMPARE(inKeV.mid(1), inMeV.mid(1));
        QCOMPARE(inKeV[0].toDouble(), inMeV[0].toDouble() * 1000);
        QCOMPARE(inKeV[0].left(18), inMeV[0].left(18));
    }
    // With 17 digits the doubles themselves come back.
    const QStringList exact = root.run(QStringList{"--digits", "17"} + words).out.split("  ");
    for (std::size_t k = 0; k < 7; ++k) {
        QCOMPARE(exact[qsizetype(k)].indexOf('E'), 18);
        QCOMPARE(exact[qsizetype(k)].toDouble(), expected[k]);
    }
}

void CliTest::filesAreWhatTheWindowsWrite() {
    Root root;
    // The table export: to a file, replacing it, and to standard output.
    data::MaterialTable table;
    table.SelectedPath = "ele/082_Pb.ele";
    QVERIFY(exporting::ExportTableCsv(table, root.root(), root.root() / "reference.csv").ok());
    const std::string csv = testing::readFile(root.root() / "reference.csv");
    testing::writeFile(root.root() / "lead.csv", "old");
    QVERIFY(root.run({"csv", "Pb", qs(root.root() / "lead.csv")}).out.isEmpty());
    QCOMPARE(testing::readFile(root.root() / "lead.csv"), csv);
    QCOMPARE(root.run({"csv", "ele/082_Pb.ele", "-"}).out.toStdString(), csv);

    // A mixture is what the builders made of it for the shipped library.
    QCOMPARE(root.run({"mixture", "--name", "Water, Liquid", "--density", "1", "--category",
                       "phantom", "--file", "W", "H=0.111898", "ele/008_O.ele=0.888102"})
                 .out,
             "mix/W.mix2\n");
    QCOMPARE(testing::readFile(root.root() / "mix" / "W.mix2"),
             testing::readFile(testing::sourceDir() / "library" / "mix" / "Water_Liquid.mix2"));

    // The plot: the materials added one after another to the windows' enlarged view.
    root.start().windows().form3->DrawEnlargedFrame();
    for (const char* path : {"ele/082_Pb.ele", "mix/edge.mix3", "ele/008_O.ele"}) {
        QVERIFY(root.go(path));
        root.windows().form2->Form2_Command1_Click();
    }
    const QImage shown =
        root.windows().form3->Picture1->Image().convertToFormat(QImage::Format_RGB32);
    for (const char* file : {"view.bmp", "view.PNG"}) {
        const QString out = qs(root.root() / file);
        QCOMPARE(root.run({"plot", "Pb", "mix/edge.mix3", "O", "--out", out}).status, 0);
        QVERIFY(QImage(out).convertToFormat(QImage::Format_RGB32) == shown);
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
    row("help word", {"help", "energy"}, 0, "] energy PATH MU...");
    row("help among arguments", {"at", "Pb", "-h"}, 0, "] at PATH E...");
    // 3: failed rows print their word, the others their values; arguments and standard input mix.
    const QString out = QString("  OutOfRange").repeated(6);
    row("energies, text, some from input", {"at", "mix/edge.mix3", "0.01", "-", "1e-3"}, 3,
        "gave no value", "0.000999\n-1\t\r\n  1E+999",
        {"^1\\.000E-02  1\\.000E\\+00  1\\.000E\\+00  8\\.000E\\+00  ", "^9\\.990E-04" + out + "$",
         "^-1\\.000E\\+00" + out + "$", "^Inf" + out + "$", "^1\\.000E-03  1\\.000E\\+01  "});
    row("totals, json, from input", {"--format", "json", "energy", "mix/edge.mix3", "-"}, 3,
        "gave no value", "200\n30\n",
        {"^\\{\"total\":2\\.000E\\+02,\"error\":\"CalculationError\"\\}$",
         "^\\{\"energy\":6\\.\\d{3}E-03,\"coherent\":.*\"total\":3\\.000E\\+01\\}$"});
    // 1: bad input, and nothing is printed or written before the mistake is found, except the
    // rows of standard input's lines before the one that holds it (it is read as a stream).
    row("unknown symbol", {"at", "Xx", "1"}, 1, "'Xx'");
    row("energy not a number", {"at", "Pb", "1", "abc"}, 1, "'abc'");
    row("input not a number", {"at", "Pb", "-"}, 1, "line 2: the energy 'x3'", "1\n2 x3\n",
        {"^1\\.000E\\+00  "});
    row("lines ended by CR, CR LF and LF", {"at", "Pb", "-"}, 1, "line 5: the energy 'x'",
        "1\r2\r\n3\n\n4 x\n", {"^1\\.000E\\+00  ", "^2\\.000E\\+00  ", "^3\\.000E\\+00  "});
    row("standard input is read only for -", {"at", "Pb", "1"}, 0, "1.000E+00", "2\n",
        {"^1\\.000E\\+00  "});
    row("energies as a spreadsheet saves them",
        {"--energy-unit", "keV", "at", "mix/edge.mix3", "-"}, 0, "1.000E+01  1.000E+00",
        "\xEF\xBB\xBF# from a sheet\r\nenergy;weight\r\n10;2\r\n",
        {"^1\\.000E\\+01  1\\.000E\\+00  ", "^2\\.000E\\+00  5\\.000E\\+00"});
    // Names as people type them: an element's name or symbol in any case, a material's name.
    row("element by name", {"at", "LEAD", "0.662"}, 0, "6.620E-01  6.664E-03");
    row("symbol in lower case", {"at", "pb", "0.662"}, 0, "6.620E-01  6.664E-03");
    row("material by its name", {"table", "edge ,TEST"}, 0, "2.000E-03  5.000E+00  5.000E+00");
    row("material file name in another case", {"table", "EDGE.mix3"}, 0, "1.000E-03  1.000E+01");
    row("damaged material in a mixture", {"at", "mix:broken=1,H=1", "1"}, 1,
        "mix/broken.mix1, line 2");
    row("symbol that is also a formula", {"at", "PB", "1"}, 1, "write Pb or formula:PB");
    row("closest names", {"at", "Edg", "1"}, 1, "did you mean edge?");
    row("closest name a letter away", {"at", "Leed", "1"}, 1, "did you mean Lead?");
    row("unwritable csv", {"csv", "Pb", "/no/such/folder/x.csv"}, 1, "/no/such/folder/x.csv");
    row("missing root", {"--root", "/no/such/root", "list"}, 1, "/no/such/root");
    row("picture of no known kind", {"plot", "Pb", "--out", "view.gif"}, 1, "view.gif");
    row("compound", build("compound", {"--category", "human", "H=2", "O=1"}), 0, "mix/bad.mix1");
    row("no atoms", build("compound", {"H=2", "O=0"}), 1, "O=0");
    row("six elements in a compound", build("compound", QStringList(6, "H=1")), 1, "up to 5");
    row("density 0", build("compound", {"H=1"}, "0"), 1, "greater than 0");
    row("empty name", build("compound", {"H=1"}, "1", ""), 1, "--name");
    // 2: the command line itself is wrong.
    row("missing density", {"compound", "--name", "X", "--file", "bad", "H=1"}, 2, "--density");
    row("unknown category", build("mixture", {"--category", "bone", "H=1"}), 2, "bone");
    row("missing energy", {"at", "Pb"}, 2, "energy");
    row("unknown option", {"at", "Pb", "1", "--bogus"}, 2, "--bogus");
    row("option of another command", {"at", "Pb", "1", "--out", "x.bmp"}, 2, "--out");
    row("unknown command", {"interpolate"}, 2, "interpolate");
    row("too many digits", {"--digits", "18", "at", "Pb", "1"}, 2, "18");
    row("digits not a number", {"--digits", "ab", "at", "Pb", "1"}, 2, "ab");
}

void CliTest::statusOutputAndMessage() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(int, status);
    QFETCH(QString, message);
    QFETCH(QStringList, lines);
    Root root;
    const Run run = root.run(arguments, input);
    QCOMPARE(run.status, status);
    const QString shown = status == 0 ? run.out.section('\n', 0, 1) : run.err;
    QVERIFY2(shown.contains(message), qPrintable(shown));
    const QStringList printed = run.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(status == 0 && lines.isEmpty() ? 0 : printed.size(), lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QVERIFY2(QRegularExpression(lines[i]).match(printed[i]).hasMatch(), qPrintable(printed[i]));
    }
    QVERIFY(!fs::exists(root.root() / "mix" / "bad.mix3"));
}

// Standard input fed a piece at a time, as a producer that pauses feeds it: the rows of each
// piece's lines come out before the next piece is sent, and in the end the output, the
// messages and the status are those of the same input given at once.
void CliTest::standardInputIsAStream_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArrayList>("pieces");
    QTest::addColumn<QList<int>>("rows"); // the rows each piece completes
    const QStringList at = {"at", "mix/edge.mix3", "-"};
    QTest::newRow("a first line shorter than a byte-order mark")
        << at << QByteArrayList{"1\n", "0.002\n"} << QList<int>{1, 1};
    QTest::newRow("one energy a line")
        << at << QByteArrayList{"0.001\n", "0.002\n", "0.01\n"} << QList<int>{1, 1, 1};
    QTest::newRow("a spreadsheet's lines: mark, header, comment, blank line, CR LF")
        << QStringList{"--energy-unit", "keV", "at", "mix/edge.mix3", "-"}
        << QByteArrayList{"\xEF\xBB\xBF", "energy;n\r\n", "1;2\r\n", "# x\r\n\r\n", "10\r\n"}
        << QList<int>{0, 0, 2, 0, 1};
    QTest::newRow("a line longer than the reader's block")
        << at << QByteArrayList{"0.001" + QByteArray(70000, ' ') + "0.002\n", "0.01\n"}
        << QList<int>{2, 1};
    QTest::newRow("a line in two pieces")
        << at << QByteArrayList{"0.0", "01 0.002\n", "0.0", "1"} << QList<int>{0, 2, 0, 0};
    QTest::newRow("lone CR line ends, one with its LF in the next piece")
        << at << QByteArrayList{"0.001\r", "0.002\r", "\n0.01\r"} << QList<int>{1, 1, 1};
    QTest::newRow("a mistake names its line after the rows before it")
        << at << QByteArrayList{"0.001\r", "\n0.002\n", "0.003 x,y\n"} << QList<int>{1, 1, 0};
    const QStringList hvl = {"hvl", "H", "--density", "1", "-"};
    QTest::newRow("half-value layers") << hvl << QByteArrayList{"0.1\n", "1\n"} << QList<int>{1, 1};
    QTest::newRow("half-value layers of no energy")
        << hvl << QByteArrayList{"# none\n"} << QList<int>{0};
}

void CliTest::unreadableStandardInput() {
    Root root;
    QProcess process;
    process.setStandardInputFile(qs(root.root())); // a folder opens, but cannot be read
    testing::startCli(process, root.arguments({"at", "Pb", "1", "-"}));
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitCode(), 1);
    QCOMPARE(process.readAllStandardError(), "photonxs-cli: standard input cannot be read\n");
}

void CliTest::standardInputIsAStream() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArrayList, pieces);
    QFETCH(QList<int>, rows);
    Root root;
    QProcess process;
    testing::startCli(process, root.arguments(arguments));
    QVERIFY(process.waitForStarted());
    QByteArray out;
    int expected = 0;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        process.write(pieces[i]);
        QVERIFY(process.waitForBytesWritten(5000));
        expected += rows[i];
        while (out.count('\n') < expected) {
            QVERIFY2(process.waitForReadyRead(5000),
                     qPrintable("no row after piece " + QString::number(i)));
            out += process.readAllStandardOutput();
        }
        QCOMPARE(out.count('\n'), expected); // and no row ahead of its line
    }
    process.closeWriteChannel();
    QVERIFY(process.waitForFinished(20000));
    out += process.readAllStandardOutput();
    const Run whole = root.run(arguments, pieces.join());
    QCOMPARE(QString::fromUtf8(out), whole.out);
    QCOMPARE(QString::fromUtf8(process.readAllStandardError()), whole.err);
    QCOMPARE(process.exitCode(), whole.status);
}

QTEST_MAIN(CliTest)
#include "test_commands.moc"
