#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Reads ASX playlists (.asx, .wax, .wvx and the working playlist) the way a forgiving media player
// does: tags and attributes in any letter case, entities decoded, a raw "&" taken as it stands, HREFs
// relative to the playlist's folder, nested playlists expanded in place.
namespace AsxParse {

// One clip to play. `sources` are the references of its entry, tried in turn until one loads;
// `entry` is the 1-based number of the top-level entry it came from, so the clips of a nested
// playlist share the number of the entry that named it.
struct Item
{
    QStringList sources;
    int entry = 0;
};

// True when the file is an ASX playlist: by its extension, or else by content starting with <ASX.
bool isPlaylist(const QString& path);

// Whether the playlists an entry names are opened (as the media control plays them) or stay
// entries as listed (the play order, the title, Mark: a .wax is what the user listed).
enum class Nested
{
    Expand,
    Keep
};

// The clips of the playlist at path, nested playlists expanded unless `nested` says Keep; a
// playlist that includes itself, directly or through others, is expanded once, and one named over
// and over is read at most a hundred times. A path that is not a playlist is one clip. An
// unreadable playlist gives no clips, and so does one that is not a plain file (a FIFO or a device
// would block the reader). A local reference written with "\\" has its "/" form as an alternative.
QList<Item> readPlaylist(const QString& path, Nested nested = Nested::Expand);

// The XML entities of text decoded; an "&" that starts no entity is kept as it is.
QString decodeEntities(const QString& text);

} // namespace AsxParse
