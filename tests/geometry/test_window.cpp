#include "fakes/WindowFixture.h"

#include "data/NumberMask.h"
#include "geometry/GeometryWindow.h"
#include "geometry/ModelFile.h"
#include "shielding/ShieldingLibrary.h"
#include "shielding/ShieldingWindow.h"

#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

namespace {

/// The total of each listed detector of a model text, each by DoseAt alone, as the table shows
/// it.
std::vector<std::string> directTotals(const std::filesystem::path& root, const std::string& text) {
    shielding::ShieldingLibrary library(root);
    geometry::ModelSpec asGiven;
    geometry::PreparedModel prepared;
    std::string error;
    if (!geometry::ReadModel(text, asGiven, error) ||
        !geometry::PrepareModel(library, asGiven, prepared, error)) {
        qFatal("%s", error.c_str());
    }
    std::vector<std::string> totals;
    for (std::size_t d = 0; d < prepared.listedDetectors; ++d) {
        geometry::DetectorResult result;
        geometry::DoseAt(prepared.model, prepared.detectors[d], result);
        totals.push_back(data::FormatScientific(result.total));
    }
    return totals;
}

/// The rate column of the table's total rows.
std::vector<std::string> shownTotals(const GeometryWindow& window) {
    std::vector<std::string> totals;
    for (const auto& row : window.Rows()) {
        if (row[4] == "total") {
            totals.push_back(row[8]);
        }
    }
    return totals;
}

} // namespace

/// The Geometry window headless, opened from the Shielding window over a copy of the shipped
/// library, on the worked example of a water tank with a steel wall.
class GeometryWindowTest : public QObject {
    Q_OBJECT

    testing::WindowFixture* m_fixture = nullptr;
    GeometryWindow* m_window = nullptr;

    void waitForResults() { QTRY_VERIFY_WITH_TIMEOUT(!m_window->Busy(), 120000); }

  private slots:
    void initTestCase() {
        m_fixture = new testing::WindowFixture;
        m_fixture->wholeLibrary().start();
        m_window = m_fixture->windows().geometry;
    }
    void cleanupTestCase() { delete m_fixture; }

    void opensFromTheShieldingWindowAndComputes_data() {
        QTest::addColumn<bool>("byShortcut");
        QTest::newRow("Ctrl+Shift+G") << true;
        QTest::newRow("button") << false;
    }
    void opensFromTheShieldingWindowAndComputes() {
        QFETCH(bool, byShortcut);
        ShieldingWindow* shielding = m_fixture->windows().shielding;
        m_window->hide();
        shielding->ShowFor("");
        if (byShortcut) {
            shielding->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(shielding));
            QTest::keySequence(shielding, QKeySequence("Ctrl+Shift+G"));
        } else {
            QTest::mouseClick(shielding->geometryButton, Qt::LeftButton);
        }
        QTRY_VERIFY(m_window->isVisible()); // a shortcut clicks its button a moment later
        waitForResults();
        // Two detectors, Cs-137's seven lines and a total each.
        QCOMPARE(m_window->Rows().size(), std::size_t(16));
        const std::string model = m_window->modelEdit->toPlainText().toStdString();
        QCOMPARE(shownTotals(*m_window), directTotals(m_fixture->root(), model));
        QHeaderView* header = m_window->resultTable->horizontalHeader();
        for (int c = 0; c < header->count(); ++c) {
            const QString title = m_window->resultTable->horizontalHeaderItem(c)->text();
            QVERIFY2(header->sectionSize(c) >= header->fontMetrics().horizontalAdvance(title),
                     qPrintable(title));
        }
    }

    void refusalKeepsResultsAndFilesRoundTrip() {
        waitForResults();
        const auto computed = m_window->Rows();
        const QString good = m_window->modelEdit->toPlainText();
        m_fixture->dialogs.inputAnswers.push_back("tank.json");
        QTest::mouseClick(m_window->saveButton, Qt::LeftButton);
        QCOMPARE(QString::fromStdString(testing::readFile(m_fixture->root() / "tank.json")), good);

        // A misspelt key is refused with the reader's own sentence; the results stay.
        const QString bad = QString(good).replace("\"radius\"", "\"radious\"");
        m_window->modelEdit->setPlainText(bad);
        QTest::mouseClick(m_window->computeButton, Qt::LeftButton);
        geometry::ModelSpec asGiven;
        std::string error;
        QVERIFY(!geometry::ReadModel(bad.toStdString(), asGiven, error));
        QCOMPARE(m_fixture->dialogs.messages().back(), " " + error + " ");
        QVERIFY(m_window->statusLabel->text().contains(QString::fromStdString(error)));
        QVERIFY(!m_window->Busy());
        QCOMPARE(m_window->Rows(), computed);

        // The form writes into the JSON: one detector moved, and the saved model read back.
        testing::enter(m_window->detectorsEdit, "600, 0, 533.4");
        QVERIFY(m_window->modelEdit->toPlainText().contains("radious"));
        m_fixture->dialogs.inputAnswers.push_back("tank.json");
        QTest::mouseClick(m_window->openButton, Qt::LeftButton);
        QCOMPARE(m_window->modelEdit->toPlainText(), good);
        waitForResults();
        QCOMPARE(m_window->Rows(), computed);
        testing::enter(m_window->detectorsEdit, "600, 0, 533.4");
        waitForResults();
        QCOMPARE(m_window->Rows().size(), computed.size() / 2);
        QCOMPARE(m_window->Rows().back(), computed[computed.size() / 2 - 1]);
    }
};

QTEST_MAIN(GeometryWindowTest)
#include "test_window.moc"
