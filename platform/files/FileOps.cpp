#include "platform/files/FileOps.h"

#include "platform/module/ModuleLoader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileOps {

namespace {

bool statOf(const QString& path, struct stat& st, bool follow = true)
{
    const QByteArray p = native(path);
    return (follow ? ::stat(p.constData(), &st) : ::lstat(p.constData(), &st)) == 0;
}

QString parentOf(const QString& path)
{
    return QFileInfo(path).absolutePath();
}

// A hidden name beside `dst` that nothing uses yet; short, so a long final name still fits.
QString tempNameBeside(const QString& dst)
{
    const QString dir = parentOf(dst);
    for (;;) {
        const QString name = QStringLiteral(".vidmarro-%1.part")
                                 .arg(QRandomGenerator::global()->generate64(), 16, 16, QChar(u'0'));
        const QString candidate = join(dir, name);
        if (!exists(candidate))
            return candidate;
    }
}

bool syncPath(const QString& path, bool directory)
{
    const int fd = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC | (directory ? O_DIRECTORY : 0));
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL; // some file systems have nothing to sync
    ::close(fd);
    return ok;
}

// Copy into place through a temporary name; `durable` syncs the copy before it takes the final
// name (a move deletes the source next).
FileResult copyInto(const QString& src, const QString& dst, const Progress& progress, bool durable)
{
    if (sameFile(src, dst))
        return ontoItself();
    struct stat srcStat;
    if (!statOf(src, srcStat))
        return FileResult::systemError(errno);

    const QString tmp = tempNameBeside(dst);
    const auto checked = [&]() -> FileResult {
        const FileResult copied =
            withEngineModule([&](EngineModule& gio) { return gio.copyFile(src, tmp, progress); });
        struct stat tmpStat;
        if (!copied.ok())
            return copied;
        if (!statOf(tmp, tmpStat, false) || tmpStat.st_size != srcStat.st_size)
            return FileResult::failed(
                EIO, QCoreApplication::translate("ShellFileOperation", "The copy of %1 is incomplete.")
                         .arg(QFileInfo(src).fileName()));
        if (durable && !syncPath(tmp, false))
            return FileResult::systemError(errno);
        if (::rename(native(tmp).constData(), native(dst).constData()) != 0)
            return FileResult::systemError(errno);
        if (durable && !syncPath(parentOf(dst), true))
            return FileResult::systemError(errno); // the copy is in place, but not yet safe to rely on
        return {};
    };
    const FileResult out = checked();
    if (!out.ok())
        ::unlink(native(tmp).constData());
    return out;
}

} // namespace

QString join(const QString& dir, const QString& name)
{
    if (dir.endsWith(u'/'))
        return dir + name;
    return dir + u'/' + name;
}

bool exists(const QString& path)
{
    struct stat st;
    return statOf(path, st, false);
}

Entry entry(const QString& path)
{
    Entry e;
    struct stat st;
    if (!statOf(path, st, false))
        return e;
    e.exists = true;
    struct stat target;
    if (S_ISLNK(st.st_mode) && statOf(path, target))
        st = target;
    e.isDir = S_ISDIR(st.st_mode);
    e.size = e.isDir ? 0 : qint64(st.st_size);
    return e;
}

bool isDir(const QString& path)
{
    struct stat st;
    return statOf(path, st) && S_ISDIR(st.st_mode);
}

qint64 totalSize(const QString& path)
{
    struct stat st;
    if (!statOf(path, st, false))
        return 0;
    if (!S_ISDIR(st.st_mode)) {
        struct stat target;
        return S_ISLNK(st.st_mode) && statOf(path, target) ? qint64(target.st_size) : qint64(st.st_size);
    }
    qint64 sum = 0;
    const QStringList names =
        QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names)
        sum += totalSize(join(path, name));
    return sum;
}

bool sameFile(const QString& a, const QString& b)
{
    struct stat sa, sb;
    return statOf(a, sa) && statOf(b, sb) && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool sameDevice(const QString& a, const QString& b)
{
    struct stat sa, sb;
    return statOf(a, sa) && statOf(b, sb) && sa.st_dev == sb.st_dev;
}

FileResult ontoItself()
{
    return FileResult::failed(
        EINVAL, QCoreApplication::translate("ShellFileOperation",
                                            "The source and destination file names are the same."));
}

bool isInside(const QString& inner, const QString& outer)
{
    QString p = QFileInfo(inner).canonicalFilePath();
    if (p.isEmpty())
        p = QFileInfo(inner).absoluteFilePath();
    for (;;) {
        if (sameFile(p, outer))
            return true;
        const QString up = parentOf(p);
        if (up == p || up.isEmpty())
            return false;
        p = up;
    }
}

FileResult makeDirs(const QString& path)
{
    return withEngineModule([&](EngineModule& gio) { return gio.makeDirs(path); });
}

FileResult copyFile(const QString& src, const QString& dst, const Progress& progress)
{
    return copyInto(src, dst, progress, false);
}

FileResult moveFile(const QString& src, const QString& dst, const Progress& progress)
{
    struct stat srcStat, dstStat;
    if (!statOf(src, srcStat) && !statOf(src, srcStat, false))
        return FileResult::systemError(errno);
    if (statOf(dst, dstStat) && srcStat.st_dev == dstStat.st_dev && srcStat.st_ino == dstStat.st_ino)
        return ontoItself();
    if (!S_ISDIR(srcStat.st_mode)) {
        // A file (or a symlink, itself) is one rename on the same file system; rename replaces a
        // file at `dst` and refuses a folder there.
        if (::rename(native(src).constData(), native(dst).constData()) == 0) {
            if (progress)
                progress(qint64(srcStat.st_size));
            return {};
        }
        if (errno != EXDEV)
            return FileResult::systemError(errno);
    } else {
        const FileResult moved =
            withEngineModule([&](EngineModule& gio) { return gio.renameFolder(src, dst); });
        if (moved.ok() && progress)
            progress(totalSize(dst));
        return moved;
    }
    const FileResult copied = copyInto(src, dst, progress, true);
    if (!copied.ok())
        return copied;
    // A failure here leaves both copies: nothing lost.
    return withEngineModule([&](EngineModule& gio) { return gio.deleteOne(src); });
}

FileResult deletePermanently(const QString& path)
{
    struct stat st;
    if (!statOf(path, st, false))
        return FileResult::systemError(errno);
    if (S_ISDIR(st.st_mode)) {
        const QStringList names =
            QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QString& name : names) {
            const FileResult out = deletePermanently(join(path, name));
            if (!out.ok())
                return out;
        }
    }
    return withEngineModule([&](EngineModule& gio) { return gio.deleteOne(path); });
}

QString freeName(const QString& dir, const QString& name)
{
    if (!exists(join(dir, name)))
        return name;
    // The extension stays at the end; a leading full stop belongs to the name.
    const int dot = int(name.lastIndexOf(u'.'));
    const QString base = dot > 0 ? name.left(dot) : name;
    const QString ext = dot > 0 ? name.mid(dot) : QString();
    for (int n = 2;; ++n) {
        const QString candidate = QStringLiteral("%1 (%2)%3").arg(base).arg(n).arg(ext);
        if (!exists(join(dir, candidate)))
            return candidate;
    }
}

} // namespace FileOps
