// layers_window <working folder> <picture.png>: starts the program's windows on the folder,
// opens the layer-by-layer window from the Attenuation window on a silicon sensor behind a
// beryllium window at 17.7 keV and saves it as a picture (headless with QT_QPA_PLATFORM=offscreen,
// or under xvfb-run).

#include "StartedProgram.h"

#include "attenuation/AttenuationWindow.h"
#include "attenuation/LayersWindow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 3) {
        return 2;
    }
    StartedProgram program(argv[1]);
    AttenuationWindow* attenuation = program.context.windows.attenuation;
    attenuation->ShowFor("");
    attenuation->layersEdit->setText("Be@0.0025 Si@0.00001 Si@0.045");
    attenuation->energyUnitBox->setCurrentText("keV");
    attenuation->energyEdit->setText("17.7");
    attenuation->layersButton->click();
    LayersWindow* window = attenuation->layersWindow;
    window->move(0, 0);
    window->angleEdit->setText("30");
    window->Compute();
    return SavePicture(window, argv[2]);
}
