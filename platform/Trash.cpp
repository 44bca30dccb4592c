#include "platform/Trash.h"

#include "common/AppError.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gio/gio.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Trash {

namespace {

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

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
QString findTrashedName(const QString& trashDir, const QString& baseName, dev_t dev, ino_t ino)
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

bool infoIsValid(const QString& infoPath)
{
    QFile f(infoPath);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = f.read(64 * 1024);
    return data.startsWith("[Trash Info]") && data.contains("\nPath=") && data.contains("\nDeletionDate=");
}

// Writes the info record in place; false (with errno) when the disk refuses it.
bool writeInfo(const QString& infoPath, const QString& originalPath, const QString& trashDir, bool homeTrash)
{
    QString recorded = QFileInfo(originalPath).absoluteFilePath();
    if (!homeTrash) {
        // Per-volume trash folders record the path relative to the top of the volume.
        const QString top = QFileInfo(trashDir).absolutePath();
        if (top != QStringLiteral("/") && recorded.startsWith(top + u'/'))
            recorded = recorded.mid(top.size() + 1);
    }
    char* escaped = g_uri_escape_string(native(recorded).constData(), "/", FALSE);
    const QByteArray text =
        QByteArrayLiteral("[Trash Info]\nPath=") + escaped + QByteArrayLiteral("\nDeletionDate=") +
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")).toLatin1() + '\n';
    g_free(escaped);
    const int fd = ::open(native(infoPath).constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0)
        return false;
    ssize_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.constData() + done, size_t(text.size() - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int saved = errno;
            ::close(fd);
            errno = saved;
            return false;
        }
        done += n;
    }
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL;
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return ok;
}

// GIO can report success yet leave an empty .trashinfo behind (a full disk while it writes the
// record): the file would sit in the trash with no way back. Rewrite the record, or, if the disk
// still refuses, put the file back where it was and report the failure.
void checkTrashInfo(const QString& path, const struct stat& before)
{
    const QStringList dirs = candidateTrashDirs(path, before.st_dev);
    const QString baseName = QFileInfo(path).fileName();
    for (const QString& dir : dirs) {
        const QString name = findTrashedName(dir, baseName, before.st_dev, before.st_ino);
        if (name.isEmpty())
            continue;
        const QString info = dir + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo");
        if (infoIsValid(info))
            return;
        if (writeInfo(info, path, dir, dirs.size() == 1) && infoIsValid(info))
            return;
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        const QString trashed = dir + QStringLiteral("/files/") + name;
        if (::rename(native(trashed).constData(), native(path).constData()) == 0) {
            ::unlink(native(info).constData());
            throw AppError(QStringLiteral("Unable to move %1 to the trash: %2").arg(path, reason));
        }
        throw AppError(QStringLiteral("Unable to record %1 in the trash (%2); the file is at %3")
                           .arg(path, reason, trashed));
    }
}

} // namespace

void moveToTrash(const QString& path)
{
    struct stat before;
    if (::lstat(native(path).constData(), &before) != 0)
        throw AppError(QStringLiteral("Cannot move %1 to the trash: %2")
                           .arg(path, QString::fromLocal8Bit(std::strerror(errno))));

    GFile* file = g_file_new_for_path(native(path).constData());
    GError* error = nullptr;
    const gboolean ok = g_file_trash(file, nullptr, &error);
    g_object_unref(file);
    if (!ok) {
        const QString text = error ? QString::fromUtf8(error->message)
                                   : QStringLiteral("Cannot move %1 to the trash").arg(path);
        if (error)
            g_error_free(error);
        throw AppError(text);
    }
    checkTrashInfo(path, before);
}

} // namespace Trash
