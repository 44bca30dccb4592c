#pragma once

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

} // namespace CCFuncs
