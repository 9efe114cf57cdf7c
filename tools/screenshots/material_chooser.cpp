// material_chooser <working folder> <picture.png>: starts the program's windows on the folder,
// opens the Attenuation window's chooser of materials searched for "stainless" and saves the
// chooser as a picture (headless with QT_QPA_PLATFORM=offscreen, or under xvfb-run).

#include "app/AppContext.h"
#include "app/Application.h"
#include "attenuation/AttenuationWindow.h"
#include "data/MaterialTable.h"
#include "material/MaterialChooser.h"
#include "newdata/BuilderState.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtLauncher.h"

#include <QApplication>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

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
    AttenuationWindow* window = context.windows.attenuation;
    window->ShowFor("ele/082_Pb.ele");
    window->materialsButton->click();
    window->chooser->move(0, 0);
    window->chooser->searchEdit->setText("stainless");
    QApplication::processEvents();
    return window->chooser->grab().save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
