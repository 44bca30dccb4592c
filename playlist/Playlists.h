#pragma once

#include <QString>
#include <QStringList>

class StringList;

// Every playlist format the program reads, behind one entry that picks by name, then by content.
namespace Playlists {

enum class Format
{
    None,
    Asx,
    M3u,
    M3u8,
    Pls,
    Xspf
};

Format formatOf(const QString& path);
inline bool isPlaylist(const QString& path)
{
    return formatOf(path) != Format::None;
}
int read(const QString& path, StringList& allBox);
void write(const QStringList& entries, const QString& path);
QString otherFormatsFilter();

} // namespace Playlists
