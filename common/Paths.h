#pragma once

#include <QString>

// Path helpers for the system's paths, whose one separator is "/".
namespace Paths {

bool isSeparator(QChar c);
QChar separator();

// Index of the last separator, -1 when there is none.
int lastSeparator(const QString& path);

// The text after the last separator: name and extension.
QString fileName(const QString& path);

// The text up to the last separator, with a trailing separator dropped unless it is the root "/".
QString directory(const QString& path);

// True when the name after the last separator holds a full stop.
bool hasExtension(const QString& path);

// The directory with exactly one trailing separator.
QString withTrailingSeparator(const QString& dir);

// A name, path or other outside text as a message quotes it: on one line (control characters
// shown as "?") and at most `max` characters, the middle left out.
QString forMessage(const QString& text, int max = 120);

} // namespace Paths
