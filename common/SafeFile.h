#pragma once

#include "common/FileResult.h"

#include <QByteArray>
#include <QString>

// Replacing a user's file whole or not at all.
namespace SafeFile {

// Replaces the file at `path` (or the file a symbolic link there leads to) with `data`, keeping
// its mode. A link is followed only where the links and the file belong to this user and lie in
// folders only this user can write; otherwise nothing is touched and the result says why (EPERM).
// The writer makes sure the bytes reached the disk before the new file takes the old one's
// place. Only a plain file is replaced. On a failure the result carries the errno value of the
// first failing call (and its text as the playlist's file layer words it); the old file is then as
// it was and nothing of the attempt is left in the folder.
FileResult replace(const QString& path, const QByteArray& data);

// Whether `dir` is a folder only this user can write: theirs, closed to others, and to its group
// unless that group is the user's own private one.
bool onlyUserWrites(const QString& dir);

// The hidden name the new file has for an instant before it takes the place of `fileName`. A save
// killed in that instant leaves it behind; the next save of the same file removes it.
QString tempName(const QString& fileName);

} // namespace SafeFile
