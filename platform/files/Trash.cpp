#include "platform/files/Trash.h"

#include "common/SafeFile.h"
#include "platform/files/FileOps.h"
#include "platform/module/ModuleLoader.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <glib.h>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace Trash {

namespace {

using FileOps::native;

const QString DateFormat = QStringLiteral("yyyy-MM-ddThh:mm:ss");

// The trash folders that GIO may have used for a file on this device: the home trash when the
// file shares the home folder's device, else the two per-volume trash folders.
QStringList candidateTrashDirs(const QString& path, dev_t device)
{
    struct stat home;
    if (::stat(g_get_home_dir(), &home) == 0 && home.st_dev == device)
        return {QFile::decodeName(g_get_user_data_dir()) + QStringLiteral("/Trash")};
    // The top of the volume: climb while the parent is on the same device.
    QString top = QFileInfo(path).absolutePath();
    for (;;) {
        const QString up = QFileInfo(top).absolutePath();
        struct stat st;
        if (up == top || ::stat(native(up).constData(), &st) != 0 || st.st_dev != device)
            break;
        top = up;
    }
    const QString uid = QString::number(::geteuid());
    const QString base = top == QStringLiteral("/") ? QString() : top;
    return {base + QStringLiteral("/.Trash/") + uid, base + QStringLiteral("/.Trash-") + uid};
}

// The name under which the file with this identity now sits in `trashDir`/files.
QString findTrashedName(const QString& trashDir, const QString& baseName, quint64 dev, quint64 ino)
{
    const QString files = trashDir + QStringLiteral("/files/");
    auto matches = [&](const QString& name) {
        struct stat st;
        return ::lstat(native(files + name).constData(), &st) == 0 && st.st_dev == dev && st.st_ino == ino;
    };
    if (matches(baseName))
        return baseName;
    const QStringList names =
        QDir(files).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        if (matches(name))
            return name;
    }
    return {};
}

// A record that a cut-off write left behind names no file to restore, or no date: it must hold the
// header, a whole Path line and a readable DeletionDate.
bool recordIsWhole(const QString& infoPath)
{
    QFile f(infoPath);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = f.read(64 * 1024);
    if (!data.startsWith("[Trash Info]\n"))
        return false;
    bool path = false;
    bool date = false;
    const QList<QByteArray> lines = data.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        const bool complete = i + 1 < lines.size(); // a newline follows
        if (line.startsWith("Path="))
            path = complete && line.size() > 5;
        else if (line.startsWith("DeletionDate="))
            date = QDateTime::fromString(QString::fromLatin1(line.mid(13)), DateFormat).isValid();
    }
    return path && date;
}

FileResult writeRecord(const QString& infoPath, const QString& originalPath, const QString& trashDir,
                       bool homeTrash)
{
    QString recorded = QFileInfo(originalPath).absoluteFilePath();
    if (!homeTrash) {
        // Per-volume trash folders record the path relative to the top of the volume.
        const QString top = QFileInfo(trashDir).absolutePath();
        if (top != QStringLiteral("/") && recorded.startsWith(top + u'/'))
            recorded = recorded.mid(top.size() + 1);
    }
    // Escaped as a URI path: everything but the unreserved characters and "/".
    const QByteArray text = QByteArrayLiteral("[Trash Info]\nPath=") +
                            native(recorded).toPercentEncoding("/") + QByteArrayLiteral("\nDeletionDate=") +
                            QDateTime::currentDateTime().toString(DateFormat).toLatin1() + '\n';
    return SafeFile::replace(infoPath, text);
}

} // namespace

// GIO can report success yet leave an empty or cut-off .trashinfo behind (a full disk while it
// writes the record): the file would sit in the trash with no way back.
FileResult keepRecord(const QString& path, quint64 device, quint64 inode)
{
    const QStringList dirs = candidateTrashDirs(path, dev_t(device));
    const QString baseName = QFileInfo(path).fileName();
    for (const QString& dir : dirs) {
        const QString name = findTrashedName(dir, baseName, device, inode);
        if (name.isEmpty())
            continue;
        const QString info = dir + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo");
        if (recordIsWhole(info))
            return {};
        const FileResult written = writeRecord(info, path, dir, dirs.size() == 1);
        if (written.ok() && recordIsWhole(info))
            return {};
        const int err = written.ok() ? EIO : written.error();
        const QString reason = systemErrorText(err);
        const QString trashed = dir + QStringLiteral("/files/") + name;
        if (::rename(native(trashed).constData(), native(path).constData()) == 0) {
            ::unlink(native(info).constData());
            return FileResult::failed(
                err, QCoreApplication::translate("ShellFileOperation", "Unable to move %1 to the trash: %2")
                         .arg(path, reason));
        }
        return FileResult::failed(
            err, QCoreApplication::translate("ShellFileOperation",
                                             "Unable to record %1 in the trash (%2); the file is at %3")
                     .arg(path, reason, trashed));
    }
    return {};
}

FileResult moveToTrash(const QString& path)
{
    struct stat before;
    if (::lstat(native(path).constData(), &before) != 0) {
        const int err = errno;
        return FileResult::failed(
            err, QCoreApplication::translate("ShellFileOperation", "Cannot move %1 to the trash: %2")
                     .arg(path, systemErrorText(err)));
    }
    const FileResult trashed = withEngineModule([&](EngineModule& gio) { return gio.trash(path); });
    if (!trashed.ok())
        return trashed;
    return keepRecord(path, before.st_dev, before.st_ino);
}

} // namespace Trash
