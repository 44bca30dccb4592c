#include "platform/files/RecentFiles.h"

#include "common/RecentPlaylists.h"
#include "platform/module/ModuleLoader.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QStandardPaths>
#include <QThreadPool>

namespace RecentFiles {

namespace {

// One writer at a time: two writes of the same list side by side would lose one of them.
QThreadPool& writer()
{
    // Its end at exit waits for a write under way.
    static QThreadPool pool;
    static const bool once = [] {
        pool.setMaxThreadCount(1);
        return true;
    }();
    (void)once;
    return pool;
}

} // namespace

void playlistUsed(const QString& path)
{
    const QString full = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    RecentPlaylists::add(full);
    // Where GTK keeps it, so that every desktop's Recent view and file dialog sees it.
    const QString bookmarks = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                              QStringLiteral("/recently-used.xbel");
    const QString mime = QMimeDatabase().mimeTypeForFile(full, QMimeDatabase::MatchExtension).name();
    // The list may be large and is a help only: written off the user's way, failures unsaid.
    writer().start([bookmarks, full, mime] {
        withEngineModule([&](EngineModule& gio) { return gio.addRecent(bookmarks, full, mime); });
    });
}

void flush()
{
    writer().waitForDone();
}

} // namespace RecentFiles
