// shielding_window <working folder> <picture.png>: starts the program's windows on the folder,
// opens the Shielding window on Co-60 and Cs-137 a year after they were measured, behind 5 cm of
// lead and 30 cm of concrete, as H*(10) over an 8 h stay with a target rate, and saves the window
// as a picture (headless with QT_QPA_PLATFORM=offscreen, or under xvfb-run).

#include "StartedProgram.h"

#include "shielding/ShieldingWindow.h"

#include <QComboBox>
#include <QLineEdit>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 3) {
        return 2;
    }
    StartedProgram program(argv[1]);
    ShieldingWindow* window = program.context.windows.shielding;
    window->move(0, 0);
    window->activityEdit->setText("1 TBq");
    window->AddInventoryRow("Cs-137", "100 GBq");
    window->decayEdit->setText("1 y");
    window->stayEdit->setText("8 h");
    window->quantityBox->setCurrentText("H*(10)");
    window->distanceEdit->setText("2 m");
    window->targetEdit->setText("2.5 uSv/h");
    window->ShowFor("Pb@5 Concrete_Ordinary@30");
    return SavePicture(window, argv[2]);
}
