#pragma once

#include <QString>

// Where the program keeps its own files. Beside the executable when that folder is the user's own
// and closed to others (portable use, and files users already have there stay where they are);
// otherwise in the user's folders: settings under $XDG_CONFIG_HOME, the working playlist under
// $XDG_STATE_HOME, and saved playlists in a folder of the user's own.
struct FileLocations
{
    bool portable = true;
    QString settings;        // the settings file
    QString workingPlaylist; // the playlist the player writes and plays
    QString playlistDir;     // where the playlist dialogs start, with a trailing separator

    // `appDir`: the executable's folder, with its trailing separator. `writable` says whether the
    // program may keep its files there.
    static FileLocations choose(const QString& appDir, bool writable);
    // Whether the program keeps its files in `dir`: the folder is this user's, and only this user
    // may create files there. A folder that does not exist counts as the program's own, so that
    // writing there reports the failure.
    static bool keepsFilesIn(const QString& dir);
    // The program's folder under $XDG_STATE_HOME (~/.local/state when unset or relative).
    static QString stateFolder();
    // The working playlist's file name, beside the executable or in the state folder.
    static QString workingPlaylistName();
    // Creates the folders the chosen files live in; false when one cannot be made.
    bool makeFolders() const;
};
