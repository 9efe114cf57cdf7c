// The edge list beside ele/ against a fresh import, and as the program reads it back.

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
