#include "common/FileLocations.h"

#include "common/Paths.h"
#include "common/SafeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace {

const QString Folder = QStringLiteral("vidmarro");

// Qt of this age has no state location; the base directory rules say how it is found.
QString stateHome()
{
    const QString env = qEnvironmentVariable("XDG_STATE_HOME");
    if (QDir::isAbsolutePath(env))
        return env;
    return QDir::homePath() + QStringLiteral("/.local/state");
}

QString inFolder(const QString& base, const QString& name)
{
    return QDir::cleanPath(base + u'/' + Folder) + u'/' + name;
}

} // namespace

QString FileLocations::stateFolder()
{
    return QDir::cleanPath(stateHome() + u'/' + Folder);
}

QString FileLocations::workingPlaylistName()
{
    return QStringLiteral("playlist.tmp");
}

bool FileLocations::keepsFilesIn(const QString& dir)
{
    if (!QFileInfo::exists(dir))
        return true;
    // In a folder that others can write, they could plant links or files under our names.
    return SafeFile::onlyUserWrites(dir) && ::access(QFile::encodeName(dir).constData(), W_OK | X_OK) == 0;
}

FileLocations FileLocations::choose(const QString& appDir, bool writable)
{
    FileLocations at;
    at.portable = writable;
    if (writable) {
        at.settings = appDir + QStringLiteral("Vidmarro.INI");
        at.workingPlaylist = appDir + workingPlaylistName();
        at.playlistDir = appDir;
        return at;
    }
    at.settings = inFolder(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
                           QStringLiteral("Vidmarro.INI"));
    at.workingPlaylist = stateFolder() + u'/' + workingPlaylistName();
    // Saved playlists go with the user's music when there is a music folder, else with the
    // program's data; either way a folder the user can find again and write to.
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (!music.isEmpty() && music != QDir::homePath() && QFileInfo(music).isDir())
        at.playlistDir = Paths::withTrailingSeparator(QDir::cleanPath(music + QStringLiteral("/Playlists")));
    else
        at.playlistDir = Paths::withTrailingSeparator(
            inFolder(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
                     QStringLiteral("playlists")));
    return at;
}

bool FileLocations::makeFolders() const
{
    if (portable)
        return true;
    bool ok = true;
    for (const QString& dir : {Paths::directory(settings), Paths::directory(workingPlaylist), playlistDir})
        ok = QDir().mkpath(dir) && ok;
    return ok;
}
