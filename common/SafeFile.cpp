#include "common/SafeFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SafeFile {

QString tempName(const QString& fileName)
{
    // Within the longest name a folder takes, so that any file that can be named can be saved.
    const QString suffix = QStringLiteral(".vidmarro-save");
    QString stem = fileName;
    while (!stem.isEmpty() && QFile::encodeName(QLatin1Char('.') + stem + suffix).size() > 255)
        stem.chop(1);
    return QLatin1Char('.') + stem + suffix;
}

namespace {

// A syscall that a signal may interrupt.
template <typename F> int retry(F call)
{
    int r;
    do {
        r = call();
    } while (r < 0 && errno == EINTR);
    return r;
}

int writeAll(int fd, const QByteArray& data)
{
    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return ENOSPC;
        p += n;
        left -= n;
    }
    return 0;
}

int syncData(int fd)
{
    const int r = retry([&] { return ::fdatasync(fd); });
    // EINVAL, EROFS: a file that cannot be synced at all.
    return (r == 0 || errno == EINVAL || errno == EROFS) ? 0 : errno;
}

// Not an errno value: the unnamed way is not open here (no O_TMPFILE, no /proc).
constexpr int NeedsName = -1;

// Writes `data` to a new file that ends up, complete and on the disk, under `temp`.
int writeTemp(const QByteArray& dir, const QByteArray& temp, const struct stat* old, const QByteArray& data,
              bool unnamed)
{
    int fd = -1;
    bool named = false;
    if (unnamed) {
        fd = retry([&] { return ::open(dir.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666); });
        if (fd < 0)
            return (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) ? NeedsName : errno;
    } else {
        fd = retry([&] { return ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666); });
        if (fd < 0)
            return errno;
        named = true;
    }
    auto fail = [&](int err) {
        if (fd >= 0)
            ::close(fd);
        if (named)
            ::unlink(temp.constData());
        return err;
    };
    if (old && ::fchmod(fd, old->st_mode & 07777) != 0)
        return fail(errno);
    if (const int err = writeAll(fd, data))
        return fail(err);
    if (const int err = syncData(fd))
        return fail(err);
    if (!named) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, temp.constData(), AT_SYMLINK_FOLLOW) != 0)
            return fail(errno == ENOENT ? NeedsName : errno);
        named = true;
    }
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0 && errno != EINTR)
        return fail(errno);
    return 0;
}

// The user's own group where each user has one (umask 002): their primary group, named as they
// are, with no other members. Its write bit lets no one else in.
bool privateGroup(gid_t gid)
{
    if (gid != ::getegid())
        return false;
    const passwd* user = ::getpwuid(::geteuid());
    const group* grp = user ? ::getgrgid(gid) : nullptr;
    if (!grp || std::strcmp(user->pw_name, grp->gr_name) != 0)
        return false;
    for (char** member = grp->gr_mem; *member; ++member) {
        if (std::strcmp(*member, user->pw_name) != 0)
            return false;
    }
    return true;
}

bool ownLink(const QString& link)
{
    struct stat st = {};
    return ::lstat(QFile::encodeName(link).constData(), &st) == 0 && st.st_uid == ::geteuid() &&
           onlyUserWrites(QFileInfo(link).absolutePath());
}

// Where the links lead: a file of this user's (or none yet) in a folder only they can write.
bool ownTarget(const QString& target)
{
    struct stat st = {};
    if (::lstat(QFile::encodeName(target).constData(), &st) == 0 && st.st_uid != ::geteuid())
        return false;
    return onlyUserWrites(QFileInfo(target).absolutePath());
}

FileResult linkRefused(const QString& path)
{
    return FileResult::failed(
        EPERM,
        QCoreApplication::translate(
            "SafeFile", "Not saved to %1: it is a symbolic link that another user could have placed or "
                        "redirected.")
            .arg(path));
}

} // namespace

bool onlyUserWrites(const QString& dir)
{
    struct stat st = {};
    return ::stat(QFile::encodeName(dir).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::geteuid() && (st.st_mode & S_IWOTH) == 0 &&
           ((st.st_mode & S_IWGRP) == 0 || privateGroup(st.st_gid));
}

FileResult replace(const QString& path, const QByteArray& data)
{
    // Through symbolic links to the file itself, so that the link stays a link. Only links this
    // user made where nobody else could have: one planted by another user would have us put our
    // text where they chose, or over a file of theirs.
    QFileInfo info(path);
    int depth = 0;
    for (; info.isSymLink(); ++depth) {
        if (depth == 40)
            return FileResult::ioError(ELOOP);
        if (!ownLink(info.absoluteFilePath()))
            return linkRefused(path);
        info.setFile(info.symLinkTarget());
    }
    if (depth > 0 && !ownTarget(info.absoluteFilePath()))
        return linkRefused(path);
    const QString dirPath = info.absolutePath();
    const QByteArray dir = QFile::encodeName(dirPath);
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    const QByteArray temp = QFile::encodeName(dirPath + QLatin1Char('/') + tempName(info.fileName()));

    struct stat old = {};
    const bool exists = ::stat(target.constData(), &old) == 0;
    // Only a plain file is replaced: never a folder, a pipe, or a device a link leads to.
    if (exists && !S_ISREG(old.st_mode))
        return FileResult::ioError(S_ISDIR(old.st_mode) ? EISDIR : EACCES);
    ::unlink(temp.constData()); // left by a save that was killed

    // Unnamed until it is complete where the system allows, so that a failure or a kill while
    // writing leaves nothing behind; named from the start where it does not.
    int err = writeTemp(dir, temp, exists ? &old : nullptr, data, true);
    if (err == NeedsName)
        err = writeTemp(dir, temp, exists ? &old : nullptr, data, false);
    if (err != 0)
        return FileResult::ioError(err);
    if (::rename(temp.constData(), target.constData()) != 0) {
        err = errno;
        ::unlink(temp.constData());
        return FileResult::ioError(err);
    }
    // The new name must reach the disk as well; the file is in place by now, whatever this says.
    const int dfd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return {};
}

} // namespace SafeFile
