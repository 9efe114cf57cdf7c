// Material expressions, formula, edges, energy --all and energy grids through the built program.

#include "fakes/CliProgram.h"
#include "fakes/TestSupport.h"

#include <QtTest>

namespace {

using Run = testing::CliRun;

Run cli(QStringList arguments) {
    arguments.prepend(QString::fromStdString((testing::sourceDir() / "library").string()));
    arguments.prepend("--root");
    arguments.prepend("--no-header");
    return testing::runCli(arguments);
}

QStringList lines(const QString& text) { return text.split('\n', Qt::SkipEmptyParts); }

} // namespace

class CliExpressionsTest : public QObject {
    Q_OBJECT

  private slots:
    // Bad input stops with status 1, a message naming the place, and nothing on standard output.
    void badExpressionsPrintNothing_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("errorPart");
        QTest::newRow("unknown symbol")
            << QStringList{"at", "formula:H2Xx", "1"} << "'Xx' at character 3";
        QTest::newRow("unbalanced bracket")
            << QStringList{"table", "formula:Ca(OH2"} << "not closed at character 3";
        QTest::newRow("zero count") << QStringList{"energy", "formula:H0O", "1"} << "character 2";
        QTest::newRow("empty formula") << QStringList{"formula", ""} << "empty";
        QTest::newRow("weight not positive")
            << QStringList{"at", "mix:H2O=0.7,C2H5OH=-0.3", "1"} << "not a positive number";
        QTest::newRow("neither formula nor material")
            << QStringList{"csv", "mix:Watr=1", "-"} << "neither a formula";
        QTest::newRow("bad grid") << QStringList{"at", "Pb", "--grid", "1:0.1"} << "FROM:TO:N";
        QTest::newRow("grid from 0") << QStringList{"at", "Pb", "--grid", "0:1:5"} << "FROM:TO:N";
    }
    void badExpressionsPrintNothing() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, errorPart);
        const Run run = cli(arguments);
        QCOMPARE(run.status, 1);
        QCOMPARE(run.out, QString());
        QVERIFY2(run.err.contains(errorPart), qPrintable(run.err));
    }

    // The edges of lead: K, three L and five M shells, each a jump upwards of the total, in the
    // masks' four digits.
    void listsTheEdgesOfLead() {
        const Run run = cli({"--format", "csv", "edges", "Pb"});
        QCOMPARE(run.status, 0);
        QStringList rows = lines(run.out);
        QCOMPARE(rows.takeFirst(), QString("element,shell,energy,jump"));
        QStringList shells;
        for (const QString& row : rows) {
            const QStringList fields = row.split(',');
            QCOMPARE(fields.size(), 4);
            QCOMPARE(fields[0], QString("Pb"));
            shells << fields[1];
            QVERIFY2(fields[3].toDouble() > 1.0 && fields[3].size() == 9, qPrintable(row));
        }
        QCOMPARE(shells, (QStringList{"K", "L1", "L2", "L3", "M1", "M2", "M3", "M4", "M5"}));
        // Lead's K edge lies at 88.0 keV.
        QCOMPARE(rows[0].split(',')[2], QString("8.800E-02"));
    }

    // Every root comes back as an energy whose look-up gives the total asked for.
    void everyRootGivesTheTotal() {
        const Run roots = cli({"--digits", "17", "energy", "--all", "Pb", "5"});
        QCOMPARE(roots.status, 0);
        const QStringList found = lines(roots.out);
        // Just below and just above the K edge.
        QVERIFY2(found.size() == 2, qPrintable(roots.out));
        double previous = 0.0;
        for (const QString& row : found) {
            const QString energy = row.split("  ")[0];
            QVERIFY(energy.toDouble() > previous);
            previous = energy.toDouble();
            const Run at = cli({"--digits", "17", "at", "Pb", energy});
            QVERIFY(std::abs(at.out.split("  ")[6].toDouble() / 5.0 - 1.0) < 1e-9);
        }
        const Run first = cli({"--digits", "17", "energy", "Pb", "5"});
        // The first root is the calculator's one answer.
        QCOMPARE(lines(first.out).first().split("  ")[0], found.first().split("  ")[0]);
        // In CSV, the header line of the single answer, then one line a root.
        const QStringList csv = lines(cli({"--format", "csv", "energy", "--all", "Pb", "5"}).out);
        QCOMPARE(csv.size(), 3);
        QCOMPARE(csv[0], lines(cli({"--format", "csv", "energy", "Pb", "5"}).out)[0]);
    }

    // A grid of 9 energies (its count may take seven digits), and both sides of lead's K edge
    // inside it.
    void gridsWithEdges() {
        const Run grid = cli({"at", "Pb", "--grid", "0.01:1:0000009"});
        QCOMPARE(lines(grid.out).size(), 9);
        QCOMPARE(lines(grid.out)[4].split("  ")[0], QString("1.000E-01"));
        const Run edges = cli({"at", "Pb", "--grid", "0.08:0.1:3", "--with-edges"});
        const QStringList rows = lines(edges.out);
        QCOMPARE(rows.size(), 5);
        QCOMPARE(rows[1].split("  ")[0], QString("8.800E-02"));
        QCOMPARE(rows[2].split("  ")[0], QString("8.800E-02"));
        QVERIFY(rows[2].split("  ")[6].toDouble() > 3.0 * rows[1].split("  ")[6].toDouble());
    }
};

QTEST_GUILESS_MAIN(CliExpressionsTest)
#include "test_expressions.moc"
