#pragma once

#include <QByteArrayView>
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

// By the file's extension (.asx, .m3u, .m3u8, .pls, .xspf; any case); for another extension, by
// its first bytes (<ASX / #EXTM3U / [playlist] / an XSPF <playlist> root). None when it is no playlist
// (a missing or unreadable file with an unknown extension is None). .wax/.wvx are NOT playlists here
// (they are clip types of the clip dialog; the media control expands them itself).
Format formatOf(const QString& path);
inline bool isPlaylist(const QString& path)
{
    return formatOf(path) != Format::None;
}

// The format that the first bytes of a file show, as formatOf takes it for an unknown extension.
Format formatOfContent(QByteArrayView head);

// The contract of CCFuncs::ReadPlaylist for every format: clears allBox, turns its sorted mode off,
// appends in file order the full path of every entry whose file exists (relative entries taken from
// the playlist's folder); returns how many entries are missing (web addresses and missing files).
// Each entry is a list of candidate paths (as written, trimmed, with "/" for "\\", percent-decoded,
// by format), the first that exists wins; when none does, the longest tail of its path that exists
// below the playlist's folder (ClipFinder). M3U and PLS are read as their byte order mark says, else
// as UTF-8 when valid, else as Windows-1252. An ASX file this program wrote (our header) goes through
// CCFuncs::ReadPlaylist; other ASX through the lenient reader, its entries as listed (a .wax stays a
// .wax). Throws AppError as CCFuncs::ReadPlaylist does (unreadable, binary).
int read(const QString& path, StringList& allBox);

// Writes entries in the format of `path` (formatOf; ASX when None or Asx, through
// CCFuncs::WritePlaylist), atomically through SafeFile like the ASX writer, with the same refusals
// (a folder/device/unwritable file at path, a name that cannot be written in that format). An M3U
// or PLS there keeps its encoding (new: UTF-8 for .m3u8, else Windows-1252), or goes out as UTF-8
// with a byte order mark when a name does not fit it. Throws AppError.
void write(const QStringList& entries, const QString& path);

// The second filter of the playlist dialogs, after "Play Lists (*.asx)":
// "Other playlists (*.m3u *.m3u8 *.pls *.xspf)".
QString otherFormatsFilter();

} // namespace Playlists
