// attenuation_window <working folder> <picture.png>: starts the program's windows on the folder,
// opens the Attenuation window on 5 cm of lead and 10 cm of water typed as H2O (so that the note
// on that name shows) at 662 keV and saves the window as a picture (headless with
// QT_QPA_PLATFORM=offscreen, or under xvfb-run).

#include "StartedProgram.h"

#include "app/Form1.h"
#include "attenuation/AttenuationWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 3) {
        return 2;
    }
    StartedProgram program(argv[1]);
    AttenuationWindow* window = program.context.windows.attenuation;
    window->move(0, 0);
    window->ShowFor("ele/082_Pb.ele");
    window->layersEdit->setText("Pb@50mm H2O@10");
    window->coefficientUnitBox->setCurrentText("barn/atom");
    window->withoutCoherentBox->setChecked(true);
    window->energyUnitBox->setCurrentText("keV");
    window->energyEdit->setText("662");
    window->Compute();
    return SavePicture(window, argv[2]);
}
