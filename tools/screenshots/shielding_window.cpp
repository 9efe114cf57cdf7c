// shielding_window <working folder> <picture.png>: starts the program's windows on the folder,
// opens the Shielding window on Co-60 behind 5 cm of lead and 30 cm of concrete, with a target
// rate, and saves the window as a picture (headless with QT_QPA_PLATFORM=offscreen, or under
// xvfb-run).

#include "app/AppContext.h"
#include "app/Application.h"
#include "data/MaterialTable.h"
#include "newdata/BuilderState.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtLauncher.h"
#include "shielding/ShieldingWindow.h"

#include <QApplication>
#include <QLineEdit>
#include <QPixmap>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 3) {
        return 2;
    }
    data::MaterialTable table;
    newdata::BuilderState builder;
    QtDialogs dialogs;
    const std::filesystem::path root = argv[1];
    QtLauncher launcher(root);
    AppContext context{table, builder, dialogs, launcher, root};
    Application application(context);
    application.Start();
    ShieldingWindow* window = context.windows.shielding;
    window->move(0, 0);
    window->activityEdit->setText("1 TBq");
    window->distanceEdit->setText("2 m");
    window->targetEdit->setText("2.5");
    window->ShowFor("Pb@5 Concrete_Ordinary@30");
    QApplication::processEvents();
    return window->grab().save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
