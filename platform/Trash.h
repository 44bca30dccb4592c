#pragma once

#include <QString>

namespace Trash {
// Sends one file or folder to the desktop trash. Throws AppError with the system's text on failure;
// never deletes permanently in its place.
void moveToTrash(const QString& path);
} // namespace Trash
