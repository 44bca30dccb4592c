#include "common/FileResult.h"

#include <QCoreApplication>

#include "common/AppError.h"

#include <cerrno>
#include <cstring>

void FileResult::throwIfFailed() const
{
    if (m_status == Failed)
        throw AppError(m_text);
}

FileResult FileResult::ioError(int err)
{
    return failed(err, ioErrorText(err));
}

FileResult FileResult::systemError(int err)
{
    return failed(err, systemErrorText(err));
}

QString ioErrorText(int err)
{
    switch (err) {
    case ENOENT:
    case ENOTDIR:
        return QCoreApplication::translate("FileResult", "File not found");
    case ENAMETOOLONG:
    case EILSEQ:
    case EINVAL:
        return QCoreApplication::translate("FileResult", "Invalid filename");
    case EMFILE:
    case ENFILE:
        return QCoreApplication::translate("FileResult", "Too many open files");
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: // a folder opened as a file is an access fault to the user
        return QCoreApplication::translate("FileResult", "File access denied");
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
        return QCoreApplication::translate("FileResult", "Disk full");
    default:
        return QCoreApplication::translate("FileResult", "I/O error %1").arg(err);
    }
}

QString systemErrorText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}
