#pragma once

// What every window picture starts from: the program's windows started on a working folder as
// the desktop starts them, and the saving of one window's picture.

#include "app/AppContext.h"
#include "app/Application.h"
#include "data/MaterialTable.h"
#include "newdata/BuilderState.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtLauncher.h"

#include <QApplication>
#include <QPixmap>
#include <QWidget>

#include <filesystem>

struct StartedProgram {
    data::MaterialTable table;
    newdata::BuilderState builder;
    QtDialogs dialogs;
    std::filesystem::path root;
    QtLauncher launcher{root};
    AppContext context{table, builder, dialogs, launcher, root};
    Application application{context};

    explicit StartedProgram(const char* folder) : root(folder) { application.Start(); }
};

/// Lets the window draw, then saves its picture; the program's exit status.
inline int SavePicture(QWidget* window, const char* path) {
    QApplication::processEvents();
    return window->grab().save(QString::fromLocal8Bit(path)) ? 0 : 1;
}
