// Renders the graph window, the calculator and the enlarged view for the README's screenshots:
//   graph_screenshots <working folder with Start.dat, ele/, mix/> <output folder>
// Run it under a display (xvfb-run) or with QT_QPA_PLATFORM=offscreen.
#include "app/AppContext.h"
#include "app/Application.h"
#include "calc/Form10.h"
#include "data/MaterialTable.h"
#include "graph/Form2.h"
#include "graph/Form3.h"
#include "graph/Go.h"
#include "newdata/BuilderState.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtLauncher.h"

#include <QApplication>
#include <QLineEdit>
#include <QPixmap>

#include <cmath>
#include <filesystem>
#include <iostream>

namespace {

bool save(QWidget* window, const std::filesystem::path& file) {
    QCoreApplication::processEvents();
    if (!window->grab().save(QString::fromStdString(file.string()))) {
        std::cerr << "cannot write " << file << '\n';
        return false;
    }
    return true;
}

bool go(AppContext& context, const char* path) {
    context.table.SelectedPath = path;
    if (!graph::RunGo(context)) {
        std::cerr << "cannot load " << path << '\n';
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::cerr << "usage: graph_screenshots <working folder> <output folder>\n";
        return 2;
    }
    const std::filesystem::path root = argv[1];
    const std::filesystem::path out = argv[2];
    data::MaterialTable table;
    newdata::BuilderState builder;
    QtDialogs dialogs;
    QtLauncher launcher(root);
    AppContext context{table, builder, dialogs, launcher, root};
    Application application(context);
    application.Start();
    Form2& form2 = *context.windows.form2;
    Form10& form10 = *context.windows.form10;

    // Lead, with the read-out at the pointer over 0.1 MeV near the K edge.
    if (!go(context, "ele/082_Pb.ele")) {
        return 1;
    }
    form2.Form2_Picture1_MouseMove(0, 0, static_cast<float>(std::log(0.09) + 6.909), 6.0f);
    bool ok = save(&form2, out / "graph-lead.png");
    // The calculator after an energy typed in.
    form10.Text3->setText("0.662");
    form10.Form10_Text3_KeyPress(13);
    ok = save(&form10, out / "calculator.png") && ok;

    if (!go(context, "ele/006_C.ele")) {
        return 1;
    }
    ok = save(&form2, out / "graph-carbon.png") && ok;

    // Three materials in the enlarged view.
    for (const char* path : {"ele/082_Pb.ele", "mix/Water_Liquid.mix2", "mix/Bone_Cortical.mix1"}) {
        if (!go(context, path)) {
            return 1;
        }
        form2.Form2_Command1_Click();
    }
    ok = save(context.windows.form3, out / "enlarged-view.png") && ok;
    return ok ? 0 : 1;
}
