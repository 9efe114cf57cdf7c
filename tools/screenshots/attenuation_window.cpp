// attenuation_window <working folder> <picture.png>: starts the program's windows on the folder,
// opens the Attenuation window on 5 cm of lead at 662 keV and saves the window as a picture
// (headless with QT_QPA_PLATFORM=offscreen, or under xvfb-run).

#include "app/AppContext.h"
#include "app/Application.h"
#include "app/Form1.h"
#include "attenuation/AttenuationWindow.h"
#include "data/MaterialTable.h"
#include "newdata/BuilderState.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtLauncher.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
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
    AttenuationWindow* window = context.windows.attenuation;
    window->move(0, 0);
    window->ShowFor("ele/082_Pb.ele");
    window->layersEdit->setText("Pb@50mm");
    window->coefficientUnitBox->setCurrentText("barn/atom");
    window->withoutCoherentBox->setChecked(true);
    window->energyUnitBox->setCurrentText("keV");
    window->energyEdit->setText("662");
    window->Compute();
    QApplication::processEvents();
    return window->grab().save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
