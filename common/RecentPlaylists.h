#pragma once

#include <QString>
#include <QStringList>

// The playlists last loaded or saved, newest first, kept in the state folder from run to run.
namespace RecentPlaylists {

constexpr int Kept = 10;

// The kept playlists that still exist, newest first. A list that cannot be read, or that is not
// what this program writes, counts as empty.
QStringList list();
// Puts `path` first (once), drops what is beyond the kept number and what no longer exists, and
// writes the list whole or not at all. A failure is not the user's concern: the list is a help.
void add(const QString& path);
// The folders of list(), newest first, each once.
QStringList folders();
// The folder the playlist dialog starts in: that of the newest kept playlist, else `fallback`.
QString startFolder(const QString& fallback);

} // namespace RecentPlaylists
