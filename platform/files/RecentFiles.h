#pragma once

#include <QString>

// Where a playlist the user loaded or saved is remembered: the program's own list of recent
// playlists, and the desktop's recently used files (a file manager's Recent view).
namespace RecentFiles {

void playlistUsed(const QString& path);

} // namespace RecentFiles
