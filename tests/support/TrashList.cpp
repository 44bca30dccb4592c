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
