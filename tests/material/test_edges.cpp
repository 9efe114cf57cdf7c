// The edge list beside ele/ against a fresh import, and as the program reads it back.

#include "data/MaterialFile.h"
#include "element_library.h"
#include "fakes/TestSupport.h"
#include "material/Edges.h"

#include <QtTest>

class EdgeListTest : public QObject {
    Q_OBJECT

  private slots:
    void importReproducesTheEdgeList() {
        testing::TempFolder temp;
        const xcom::ImportResult result =
            xcom::ImportElementLibrary(testing::nistData(), temp.path() / "ele");
        QVERIFY2(result.ok(), result.error.c_str());
        QVERIFY(testing::readFile(temp.path() / "edges.csv") ==
                testing::readFile(testing::sourceDir() / "library" / "edges.csv"));
    }

    // The last field of a line is read whole, whatever ends the line.
    void readsEveryLineEnd_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("CR LF") << QByteArray(
            "z,symbol,shell,energy_mev,row\r\n82,Pb,K,0.088,37\r\n");
        QTest::newRow("LF") << QByteArray("z,symbol,shell,energy_mev,row\n82,Pb,K,0.088,37\n");
        QTest::newRow("no line end at the end")
            << QByteArray("z,symbol,shell,energy_mev,row\n82,Pb,K,0.088,37");
    }
    void readsEveryLineEnd() {
        QFETCH(QByteArray, text);
        testing::TempFolder temp;
        testing::writeFile(temp.path() / "edges.csv", text.toStdString());
        std::vector<material::Edge> edges;
        std::string error;
        QVERIFY2(material::ReadEdgeList(temp.path(), edges, error), error.c_str());
        QCOMPARE(edges.size(), std::size_t(1));
        QCOMPARE(edges[0].row, 37);
        QCOMPARE(edges[0].shell, std::string("K"));
        QCOMPARE(edges[0].energyMeV, 0.088);
    }

    // An edge is a row whose total rises from the row before at the same energy, up to the
    // tables' four digits; the rows' totals here are their photo-electric coefficients.
    void edgeRows_data() {
        QTest::addColumn<QList<double>>("energies");
        QTest::addColumn<QList<double>>("totals");
        QTest::addColumn<QList<int>>("edges");
        const auto row = [](const char* name, const QList<double>& energies,
                            const QList<double>& totals, const QList<int>& edges) {
            QTest::newRow(name) << energies << totals << edges;
        };
        row("a repeated energy, the total rising", {0.01, 0.088, 0.088, 0.1}, {5, 1, 4, 3}, {3});
        row("an edge in the last row", {0.01, 0.088, 0.088}, {5, 1, 4}, {3});
        row("the total falling at a repeated energy", {0.01, 0.088, 0.088}, {5, 4, 1}, {});
        row("the same total at a repeated energy", {0.01, 0.088, 0.088}, {5, 4, 4}, {});
        row("energies a unit of the last digit apart", {0.1, 0.1001}, {1, 2}, {2});
        row("energies further apart", {0.1, 0.1011}, {1, 2}, {});
        row("a falling energy", {0.1001, 0.1}, {1, 2}, {});
        row("energy 0 twice", {0, 0, 0.01}, {1, 2, 1}, {});
    }
    void edgeRows() {
        QFETCH(QList<double>, energies);
        QFETCH(QList<double>, totals);
        QFETCH(QList<int>, edges);
        std::vector<std::string> lines{"Edges", "1", std::to_string(energies.size())};
        for (qsizetype i = 0; i < energies.size(); ++i) {
            lines.push_back(data::FormatTableRow(energies[i], {0, 0, totals[i], 0, 0}));
        }
        data::MaterialTable table;
        QVERIFY(data::LoadMaterialTableFromText(table, data::JoinLines(lines)).ok());
        const std::vector<int> found = material::EdgeRows(table);
        QCOMPARE(QList<int>(found.begin(), found.end()), edges);
    }

    // Each edge's row in its element file and the row before it hold the edge's energy (up to
    // four digits), and the total jumps up between them.
    void edgesPointAtTheRepeatedRows() {
        std::vector<material::Edge> edges;
        std::string error;
        QVERIFY2(material::ReadEdgeList(testing::sourceDir() / "library", edges, error),
                 error.c_str());
        QVERIFY(edges.size() > 100);
        for (const material::Edge& edge : edges) {
            const auto name = QString("%1_%2.ele")
                                  .arg(edge.z, 3, 10, QChar('0'))
                                  .arg(QString::fromStdString(edge.symbol));
            const QStringList rows =
                QString::fromStdString(testing::readFile(testing::sourceDir() / "library" / "ele" /
                                                         name.toStdString()))
                    .split("\r\n");
            const auto above = qsizetype(edge.row) + 2; // three header lines, rows from 1
            for (const qsizetype line : {above - 1, above}) {
                QVERIFY2(std::abs(rows[line].left(9).toDouble() / edge.energyMeV - 1.0) < 6e-4,
                         qPrintable(name + ": " + rows[line]));
            }
            QVERIFY2(rows[above].mid(30, 9).toDouble() > rows[above - 1].mid(30, 9).toDouble(),
                     qPrintable(name));
        }
    }
};

QTEST_GUILESS_MAIN(EdgeListTest)
#include "test_edges.moc"
