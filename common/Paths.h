#pragma once

#include <QString>

// Path helpers that follow the platform's separators: "\" and ":" on Windows, "/" on Linux.
namespace Paths {

bool isSeparator(QChar c);
QChar separator();

// Index of the last separator (or drive colon), -1 when there is none.
int lastSeparator(const QString& path);

// The text after the last separator: name and extension.
QString fileName(const QString& path);

// The text up to the last separator, with a trailing separator dropped unless it belongs to a root
// ("C:\" on Windows, "/" on Linux).
QString directory(const QString& path);

// True when the name after the last separator holds a full stop.
bool hasExtension(const QString& path);

// The directory with exactly one trailing separator.
QString withTrailingSeparator(const QString& dir);

} // namespace Paths
