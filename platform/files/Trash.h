#pragma once

#include "common/FileResult.h"

#include <QString>

namespace Trash {

// Sends one file or folder to the desktop trash. A failure carries the system's text; the file is
// never deleted for good in its place.
FileResult moveToTrash(const QString& path);

// What moveToTrash does once GIO has moved the file away from `path`: a record that is missing,
// empty or cut short is written again, or else the file is put back at `path` and the failure
// reported. `device` and `inode` are the file's identity before the move.
FileResult keepRecord(const QString& path, quint64 device, quint64 inode);

} // namespace Trash
