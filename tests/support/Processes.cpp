#include "Processes.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

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

void endWithTest(QProcess& p)
{
    const pid_t test = ::getpid();
    // Between fork and exec only system calls.
    p.setChildProcessModifier([test] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != test) // the test ended before the line above took hold
            ::_exit(127);
    });
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

int dbusmockCalls(const QString& log, const QByteArray& method)
{
    QFile f(log);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    int n = 0;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() > 1 && fields[1] == method && (fields.size() < 3 || fields[2] != "raised:"))
            ++n;
    }
    return n;
}
