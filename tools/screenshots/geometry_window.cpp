// geometry_window <working folder> <picture.png>: starts the program's windows on the folder,
// opens the Geometry window from the Shielding window on the worked example of a waste drum
// behind a concrete wall, waits for its dose map, and saves the window as a picture (headless
// with QT_QPA_PLATFORM=offscreen, or under xvfb-run).

#include "StartedProgram.h"

#include "geometry/GeometryWindow.h"
#include "shielding/ShieldingWindow.h"

#include <QComboBox>
#include <QEventLoop>
#include <QPushButton>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 3) {
        return 2;
    }
    StartedProgram program(argv[1]);
    GeometryWindow* window = program.context.windows.geometry;
    program.context.windows.shielding->geometryButton->click();
    QEventLoop loop;
    QObject::connect(window, &GeometryWindow::Computed, &loop, &QEventLoop::quit);
    if (window->Busy()) {
        loop.exec();
    }
    window->move(0, 0);
    window->resize(window->sizeHint());
    window->exampleBox->setCurrentIndex(2);
    emit window->exampleBox->activated(2);
    if (window->Busy()) {
        loop.exec();
    }
    return SavePicture(window, argv[2]);
}
