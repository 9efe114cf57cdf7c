// material_chooser <working folder> <picture.png>: starts the program's windows on the folder,
// opens the Attenuation window's chooser of materials searched for "stainless" and saves the
// chooser as a picture (headless with QT_QPA_PLATFORM=offscreen, or under xvfb-run).

#include "StartedProgram.h"

#include "attenuation/AttenuationWindow.h"
#include "material/MaterialChooser.h"

#include <QLineEdit>
#include <QPushButton>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 3) {
        return 2;
    }
    StartedProgram program(argv[1]);
    AttenuationWindow* window = program.context.windows.attenuation;
    window->ShowFor("ele/082_Pb.ele");
    window->materialsButton->click();
    window->chooser->move(0, 0);
    window->chooser->searchEdit->setText("stainless");
    return SavePicture(window->chooser, argv[2]);
}
