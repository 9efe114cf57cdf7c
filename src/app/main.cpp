#include "app/AppContext.h"
#include "app/Application.h"
#include "app/WorkingFolder.h"
#include "data/MaterialTable.h"
#include "newdata/BuilderState.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtLauncher.h"

#include <QApplication>
#include <QMetaObject>
#include <QWidget>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

bool anyWindowVisible() {
    for (const QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible()) {
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Moving from one window to another hides windows; that alone must never end the program.
    // The main window and the start notice end it explicitly when closed.
    QApplication::setQuitOnLastWindowClosed(false);
    // Still, once the user has closed every window there is nothing left to use: end then. The
    // check waits for the close to finish, so a window shown in its place keeps the program on.
    QObject::connect(&app, &QGuiApplication::lastWindowClosed, &app, [] {
        QMetaObject::invokeMethod(
            qApp,
            [] {
                if (!anyWindowVisible()) {
                    QCoreApplication::exit(0);
                }
            },
            Qt::QueuedConnection);
    });

    QtDialogs dialogs;
    // An installed program works in its own folder in the user's home, filled from the library
    // it carries; the start-up below then reads it as it reads any working folder.
    const app::WorkingFolder working = app::ChooseWorkingFolder(
        std::getenv("PHOTONXS_HOME"), std::getenv("HOME"), app::RunningExecutable(argv[0]));
    if (!working.library.empty()) {
        const std::string problem = app::SeedWorkingFolder(working.library, working.folder);
        if (!problem.empty()) {
            dialogs.Message(" " + problem + " ");
        }
    }
    if (!working.folder.empty()) {
        std::error_code error;
        std::filesystem::current_path(working.folder, error);
        if (error) {
            dialogs.Message(" cannot work in " + working.folder.string() + ": " + error.message() +
                            " ");
        }
    }

    data::MaterialTable table;
    newdata::BuilderState builder;
    const std::filesystem::path root = std::filesystem::current_path();
    QtLauncher launcher(root);
    AppContext context{table, builder, dialogs, launcher, root};

    Application application(context);
    application.Start();
    // Start-up shows the main window or the start notice; either way the loop runs until a
    // window ends the program.
    if (launcher.EndRequested()) {
        return 0;
    }
    return QApplication::exec();
}
