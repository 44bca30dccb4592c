#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class StringList;

// The ASX playlist writer and reader that every window uses.
namespace CCFuncs {

// Writes `entries` as a playlist at `path`, replacing the file there atomically. Throws AppError
// with the failure text (also for a clip path that would break the file's lines); the old file is
// then left as it was.
void WritePlaylist(const QStringList& entries, const QString& path);

// Clears `allBox`, turns its sorted mode off and appends, in file order, every referenced clip
// whose file exists, as a full path: a relative reference is taken from the playlist's folder.
// Returns the number of references whose files are missing. Throws AppError when the file cannot
// be read, is binary, or names an existing clip whose name is not valid text
// (dropping it would lose it at the next save); `allBox` then holds what was appended before.
int ReadPlaylist(const QString& path, StringList& allBox);

// The bytes every playlist that WritePlaylist writes starts with.
QByteArray Header();

// Replaces the file at `path` with `data` atomically, refusing as WritePlaylist does (a folder, a
// device or a file the user may not write at `path`). Throws AppError; the old file stays whole.
void ReplaceFile(const QString& path, const QByteArray& data);

} // namespace CCFuncs
