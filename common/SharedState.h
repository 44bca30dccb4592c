#pragma once

#include "common/StringList.h"

#include <QString>
#include <random>

// The values and hidden lists through which the windows hand work to each other. The main window
// owns the one instance and passes it by reference to every window it creates.
struct SharedState
{
    QString AppDir;       // folder of the executable, with its trailing separator
    QString IniPath;      // the settings file: AppDir + "Vidmarro.INI" when that folder is writable
    QString WorkPlaylist; // the working playlist: AppDir + "playlist.tmp" when that folder is writable
    QString PlaylistDir;  // where the playlist dialogs start, with its trailing separator
    QString ClipDir;      // folder of the first picked clip, no trailing separator unless a root
    QString PlaylistPath; // the playlist the player writes and plays
    int EntryMode = 0;    // 10: clips picked, 20: playlist loaded
    bool ShutdownPending = false;
    bool ShowTrackBar = false;
    bool ShowStatusBar = false;
    double Volume = 100; // the player's sound, 0 to 100, kept from run to run
    bool Muted = false;

    StringList AllBox;   // full paths of the clips in hand (has a sorted mode)
    StringList LeftBox;  // file names of the marked clips
    StringList PathLeft; // full path of each marked clip, index-parallel to LeftBox

    // The program's one pseudo-random generator, seeded at start-up; the shuffle draws from it.
    std::mt19937 Random;

    // The folder the playlist dialogs start in.
    QString playlistFolder() const { return PlaylistDir.isEmpty() ? AppDir : PlaylistDir; }
};

enum EntryModes
{
    EntryPicked = 10,
    EntryLoaded = 20
};
