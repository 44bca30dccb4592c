#include "TrashList.h"

#include <QProcess>
#include <QStandardPaths>

QStringList trashListPaths(bool* available)
{
    const QString exe = QStandardPaths::findExecutable(QStringLiteral("trash-list"));
    if (available)
        *available = !exe.isEmpty();
    if (exe.isEmpty())
        return {};
    QProcess p;
    p.start(exe, {});
    p.waitForFinished(60000);
    QStringList paths;
    // Each line: date, time, original path.
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts))
        paths.append(line.section(u' ', 2));
    return paths;
}

bool trashRestore(const QString& folder, int choice)
{
    const QString exe = QStandardPaths::findExecutable(QStringLiteral("trash-restore"));
    if (exe.isEmpty())
        return false;
    QProcess p;
    p.setWorkingDirectory(folder);
    p.start(exe, {});
    p.write(QByteArray::number(choice) + '\n');
    p.closeWriteChannel();
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}
