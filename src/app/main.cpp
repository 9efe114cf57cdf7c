#include "app/AppContext.h"
#include "app/Application.h"
#include "data/MaterialTable.h"
#include "newdata/BuilderState.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtLauncher.h"

#include <QApplication>

#include <filesystem>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    data::MaterialTable table;
    newdata::BuilderState builder;
    QtDialogs dialogs;
    const std::filesystem::path root = std::filesystem::current_path();
    QtLauncher launcher(root);
    AppContext context{table, builder, dialogs, launcher, root};

    Application application(context);
    application.Start();
    return QApplication::exec();
}
