#include "Processes.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

QString pythonWithDbusmock()
{
    const QStringList dirs = qEnvironmentVariable("PATH").split(QDir::listSeparator(), Qt::SkipEmptyParts);
    for (const QString& dir : dirs) {
        const QString py = QStandardPaths::findExecutable(QStringLiteral("python3"), {dir});
        if (py.isEmpty())
            continue;
        QProcess probe;
        probe.start(py, {QStringLiteral("-c"), QStringLiteral("import dbusmock")});
        if (probe.waitForFinished(30000) && probe.exitStatus() == QProcess::NormalExit &&
            probe.exitCode() == 0)
            return py;
    }
    return {};
}

void stopProcess(QProcess& p)
{
    if (p.state() == QProcess::NotRunning)
        return;
    p.terminate();
    if (!p.waitForFinished(5000)) {
        p.kill();
        p.waitForFinished(5000);
    }
}
