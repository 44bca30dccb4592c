#include "playlist/CCFuncs.h"

#include "common/AppError.h"
#include "common/StringList.h"

namespace CCFuncs {

void WritePlaylist(const QStringList& entries, const QString& path)
{
    Q_UNUSED(entries);
    Q_UNUSED(path);
    throw AppError(QStringLiteral("I/O error %1").arg(0));
}

int ReadPlaylist(const QString& path, StringList& allBox)
{
    Q_UNUSED(path);
    allBox.clear();
    allBox.setSorted(false);
    return 0;
}

} // namespace CCFuncs
