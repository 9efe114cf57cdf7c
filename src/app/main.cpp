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

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace {

constexpr const char* kHelp =
    R"(Usage: photonxs [--help | --version]

PhotonXS shows the photon cross sections of every chemical element, and of compounds and
mixtures made from them, from 1 keV to 100 GeV: coherent and incoherent scattering,
photo-electric absorption, pair production in the nuclear and in the electron field, and the
total mass attenuation coefficient, on log-log graphs with each process's share of the total.
Its windows read values off the graph, interpolate at a typed energy, compare materials,
export tables (CSV) and pictures (BMP), build new compounds and mixtures, and compute
transmission, half-value layers, energy absorption and effective atomic numbers (the
Attenuation window: right-click a list, or Ctrl+T).

Options:
  -h, --help      print this text and exit
  --version       print the version and exit

Files:
  PhotonXS reads and writes its data files (Start.dat, ele/, mix/, muen/) in a working folder:
  PHOTONXS_HOME when it is set; otherwise, for an installed program, ~/PhotonXS, into which
  every file of the installed library that it lacks is copied on each start (files already
  there are never overwritten); otherwise the folder it was started in.

Environment:
  PHOTONXS_HOME   the working folder, used as it is

See also photonxs-cli(1), the same tables and computations for scripts.
)";

constexpr const char* kVersion = "photonxs " PHOTONXS_VERSION R"(
Copyright (C) 2026 The PhotonXS developers.
License MIT: <https://opensource.org/licenses/MIT>.
The data are public reference data of NIST: XCOM (SRD 8) and SRD 126.
)";

/// Answers --help and --version before Qt starts, so that they work without a display; false
/// when the arguments ask for neither.
bool answeredWithoutWindows(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (word == "--help" || word == "-h" || word == "--version") {
            std::fputs(word == "--version" ? kVersion : kHelp, stdout);
            return true;
        }
    }
    return false;
}

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
    if (answeredWithoutWindows(argc, argv)) {
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
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
