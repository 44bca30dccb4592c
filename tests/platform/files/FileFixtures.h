#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Real files for the file operation tests.
namespace Fixtures {

// Points HOME and XDG_DATA_HOME at a fresh folder under `base` (before anything reads them), so
// the trash used is a private one on the same file system as the test's files.
void usePrivateHome(const QString& base);

// Writes `size` bytes of a pattern that differs per file and per position; returns the path.
QString makeFile(const QString& path, qint64 size, int seed = 1);
QString makeText(const QString& path, const QByteArray& text);
QByteArray read(const QString& path);
QByteArray digest(const QString& path); // of the whole file, streamed
// Names in a folder, hidden ones included.
QStringList entries(const QString& dir);

} // namespace Fixtures
