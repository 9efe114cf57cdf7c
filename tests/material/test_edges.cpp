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
