#include "platform/qt/QtLauncher.h"

#include <QCoreApplication>
#include <QProcess>
#include <QString>

#include <utility>

QtLauncher::QtLauncher(std::filesystem::path workingFolder)
    : m_workingFolder(std::move(workingFolder)) {}

void QtLauncher::StartProgram(const std::string& fileName) {
    const QString folder = QString::fromStdString(m_workingFolder.string());
    const QString program = QString::fromStdString((m_workingFolder / fileName).string());
    // The suite's programs may be absent; a failed start is deliberately ignored.
    (void)QProcess::startDetached(program, {}, folder);
}

void QtLauncher::EndProgram() {
    m_endRequested = true;
    // Ends every event loop running, a modal dialog's included; outside a loop it does nothing.
    QCoreApplication::exit(0);
}

void QtLauncher::ProcessEventsOnce() { QCoreApplication::processEvents(); }
