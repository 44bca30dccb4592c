#pragma once

#include "common/FileResult.h"

#include <QString>

namespace PlainFile {

// Opens `path` for reading, but only a plain file: a FIFO, a terminal or a device named in a
// playlist would keep the reader waiting for ever. On success `fd` is the open descriptor, which
// the caller closes; on failure it is -1 and the result carries the errno value (EISDIR for a
// folder, EACCES for anything else that is not a plain file).
FileResult openForReading(const QString& path, int& fd);

} // namespace PlainFile
