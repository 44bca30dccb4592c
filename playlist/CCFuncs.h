#pragma once

#include <QString>
#include <QStringList>

class StringList;

// The ASX playlist writer and reader that every window uses.
namespace CCFuncs {

// Writes `entries` as a playlist at `path`, replacing the file there atomically. Throws AppError
// with the failure text; the old file is then left as it was.
void WritePlaylist(const QStringList& entries, const QString& path);

// Clears `allBox`, turns its sorted mode off and appends, in file order, every referenced clip
// whose file exists. Returns the number of references whose files are missing. Throws AppError
// when the file cannot be read; `allBox` then holds what was appended before.
int ReadPlaylist(const QString& path, StringList& allBox);

} // namespace CCFuncs
