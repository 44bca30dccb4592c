#include "playlist/Playlists.h"

#include "playlist/CCFuncs.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace Playlists {

Format formatOf(const QString& path)
{
    return QFileInfo(path).suffix().toLower() == QLatin1String("asx") ? Format::Asx : Format::None;
}

int read(const QString& path, StringList& allBox)
{
    return CCFuncs::ReadPlaylist(path, allBox);
}

void write(const QStringList& entries, const QString& path)
{
    CCFuncs::WritePlaylist(entries, path);
}

QString otherFormatsFilter()
{
    return QCoreApplication::translate("Playlists", "Other playlists (*.m3u *.m3u8 *.pls *.xspf)");
}

} // namespace Playlists
