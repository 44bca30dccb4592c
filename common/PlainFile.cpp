#include "common/PlainFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace PlainFile {

FileResult openForReading(const QString& path, int& fd)
{
    fd = -1;
    // A NUL would cut the name short and open another file than the one asked for.
    if (path.isEmpty() || path.contains(QChar(0)))
        return FileResult::ioError(path.isEmpty() ? ENOENT : EINVAL);
    const QByteArray name = QFile::encodeName(path);
    int opened;
    do {
        opened = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (opened < 0 && errno == EINTR);
    if (opened < 0)
        return FileResult::ioError(errno);
    struct stat st = {};
    const bool known = ::fstat(opened, &st) == 0;
    if (!known || !S_ISREG(st.st_mode)) {
        const int err = !known ? errno : S_ISDIR(st.st_mode) ? EISDIR : EACCES;
        ::close(opened);
        return FileResult::ioError(err);
    }
    fd = opened;
    return {};
}

} // namespace PlainFile
