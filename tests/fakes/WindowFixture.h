#pragma once

// The whole program, headless, for the window suites. Link photonxs_forms to use it.

#include "app/AppContext.h"
#include "app/Application.h"
#include "data/MaterialFile.h"
#include "data/MaterialTable.h"
#include "fakes/ScriptedDialogs.h"
#include "fakes/TestSupport.h"
#include "graph/Go.h"
#include "newdata/BuilderState.h"

#include <QLineEdit>
#include <QListWidget>

#include <QtTest>

#include <array>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace testing {

/// One table row: energy [MeV], then the five partial coefficients [cm2/g] in file order.
using TableRow = std::array<double, 6>;

/// A data file as the builders write it: name, density, row count and the rows.
inline std::string materialText(const std::string& name, const std::string& density,
                                const std::vector<TableRow>& rows) {
    std::vector<std::string> lines{name, density, std::to_string(rows.size())};
    for (const TableRow& r : rows) {
        lines.push_back(data::FormatTableRow(r[0], {r[1], r[2], r[3], r[4], r[5]}));
    }
    return data::JoinLines(lines);
}

/// Every window over one shared state, scripted dialogs and a recording launcher, in a fresh
/// working folder holding Start.dat and ele/user.txt ("Tests"); write() more before start().
class WindowFixture {
  public:
    TempFolder folder; ///< first member, so it outlives the windows that read it
    data::MaterialTable table;
    newdata::BuilderState builder;
    ScriptedDialogs dialogs;
    RecordingLauncher launcher;
    AppContext context{table, builder, dialogs, launcher, folder.path()};

    WindowFixture() { write("Start.dat", "PhotonXS\r\n").write("ele/user.txt", "Tests\r\n"); }

    std::filesystem::path root() const { return folder.path(); }

    /// Writes a file at a path relative to the working folder, exactly as given.
    WindowFixture& write(const std::string& relative, const std::string& bytes) {
        writeFile(root() / relative, bytes);
        return *this;
    }
    /// Copies files of the shipped library (paths like "ele/082_Pb.ele") into the folder.
    WindowFixture& library(std::initializer_list<const char*> relatives) {
        for (const char* relative : relatives) {
            writeFile(root() / relative, readFile(sourceDir() / "library" / relative));
        }
        return *this;
    }
    /// Copies the whole shipped library into the folder.
    WindowFixture& wholeLibrary() {
        const std::filesystem::path shipped = sourceDir() / "library";
        for (const auto& entry : std::filesystem::recursive_directory_iterator(shipped)) {
            if (entry.is_regular_file()) {
                writeFile(root() / std::filesystem::relative(entry.path(), shipped),
                          readFile(entry.path()));
            }
        }
        return *this;
    }
    /// Creates every window once and runs start-up (the main window, or the start notice).
    WindowFixture& start() {
        m_application = std::make_unique<Application>(context);
        m_application->Start();
        return *this;
    }
    /// The windows; start() must have run.
    Windows& windows() { return context.windows; }

    /// Chooses the file (relative path, or empty for none) and runs GO; false when refused.
    bool go(const std::string& relative) {
        table.SelectedPath = relative;
        return graph::RunGo(context);
    }

  private:
    std::unique_ptr<Application> m_application;
};

/// The child of that objectName and type; the test stops when there is none.
template <typename T> T* control(QWidget* window, const char* name) {
    T* found = window->findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr) {
        qFatal("control %s missing", name);
    }
    return found;
}

/// Types the text into the box and presses Enter, as the user does.
inline void enter(QLineEdit* box, const QString& text) {
    box->setText(text);
    QTest::keyClick(box, Qt::Key_Return);
}

/// Clicks the middle of a list line (0-based), scrolled into view first, as the user does.
inline void clickRow(QListWidget* list, int row) {
    QListWidgetItem* item = list->item(row);
    if (item == nullptr) {
        qFatal("no line %d", row);
    }
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

/// Clicks the list line of exactly that text (an unlisted one is line -1, which stops the test).
inline void clickItem(QListWidget* list, const QString& text) {
    clickRow(list, list->row(list->findItems(text, Qt::MatchExactly).value(0)));
}

/// The lines of a list, in order.
inline QStringList lines(const QListWidget* list) {
    QStringList out;
    for (int row = 0; row < list->count(); ++row) {
        out.append(list->item(row)->text());
    }
    return out;
}

/// Strings as a QStringList, for QCOMPARE with readable failures.
inline QStringList strings(const std::vector<std::string>& texts) {
    QStringList out;
    for (const std::string& text : texts) {
        out.append(QString::fromStdString(text));
    }
    return out;
}

} // namespace testing
