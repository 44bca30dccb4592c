#include "platform/files/RecentFiles.h"

#include "common/RecentPlaylists.h"
#include "platform/module/ModuleLoader.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QStandardPaths>

namespace RecentFiles {

void playlistUsed(const QString& path)
{
    const QString full = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    RecentPlaylists::add(full);
    // Where GTK keeps it, so that every desktop's Recent view and file dialog sees it.
    const QString bookmarks = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                              QStringLiteral("/recently-used.xbel");
    const QString mime = QMimeDatabase().mimeTypeForFile(full, QMimeDatabase::MatchExtension).name();
    // A help only: a failure goes unsaid.
    withEngineModule([&](EngineModule& gio) { return gio.addRecent(bookmarks, full, mime); });
}

} // namespace RecentFiles
