#pragma once

// The built photonxs-cli run as a user runs it. The test target defines PHOTONXS_CLI_PROGRAM.

#include <QProcess>
#include <QString>
#include <QStringList>

namespace testing {

/// What a run of the program left: its exit status and both streams; status -1 when it did not
/// finish normally within two minutes.
struct CliRun {
    int status = -1;
    QString out;
    QString err;
};

/// Starts the program with `arguments` and `environment` ("NAME=value") added to this
/// process's, never with the user's PHOTONXS_HOME unless given there.
inline void startCli(QProcess& process, const QStringList& arguments,
                     const QStringList& environment = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("PHOTONXS_HOME");
    for (const QString& setting : environment) {
        env.insert(setting.section('=', 0, 0), setting.section('=', 1));
    }
    process.setProcessEnvironment(env);
    process.start(PHOTONXS_CLI_PROGRAM, arguments);
}

/// The program run to its end with `input` on standard input (see startCli).
inline CliRun runCli(const QStringList& arguments, const QByteArray& input = {},
                     const QStringList& environment = {}) {
    QProcess process;
    startCli(process, arguments, environment);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit) {
        return {};
    }
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace testing
