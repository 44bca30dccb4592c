#include "common/RecentPlaylists.h"

#include "common/FileLocations.h"
#include "common/Paths.h"
#include "common/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace RecentPlaylists {

namespace {

const QByteArray Header = QByteArrayLiteral("# Vidmarro recent playlists");
// Far more than Kept lines of any sane path: anything larger is not ours.
constexpr qint64 MaxBytes = 64 * 1024;

QString listPath()
{
    return FileLocations::stateFolder() + QStringLiteral("/recent-playlists");
}

QStringList read()
{
    QFile f(listPath());
    if (f.size() > MaxBytes || !f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = f.read(MaxBytes);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(data);
    if (utf8.hasError())
        return {};
    QStringList lines = text.split(u'\n', Qt::SkipEmptyParts);
    if (lines.isEmpty() || lines.takeFirst() != QString::fromLatin1(Header))
        return {};
    for (const QString& line : std::as_const(lines)) {
        if (!QDir::isAbsolutePath(line) || line.contains(u'\r') || line.contains(QChar(0)))
            return {};
    }
    return lines;
}

QStringList existing(const QStringList& paths)
{
    QStringList kept;
    for (const QString& p : paths) {
        if (kept.size() < Kept && !kept.contains(p) && QFileInfo(p).isFile())
            kept.append(p);
    }
    return kept;
}

} // namespace

QStringList list()
{
    return existing(read());
}

void add(const QString& path)
{
    const QString full = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    // One path a line: a name with a line break in it is not kept.
    if (path.isEmpty() || full.contains(u'\n'))
        return;
    QStringList paths = read();
    paths.prepend(full);
    paths = existing(paths);
    QByteArray data = Header + '\n';
    for (const QString& p : std::as_const(paths))
        data += p.toUtf8() + '\n';
    if (!QDir().mkpath(FileLocations::stateFolder()))
        return;
    (void)SafeFile::replace(listPath(), data);
}

QStringList folders()
{
    QStringList dirs;
    for (const QString& p : list()) {
        const QString dir = QFileInfo(p).absolutePath();
        if (!dirs.contains(dir))
            dirs.append(dir);
    }
    return dirs;
}

QString startFolder(const QString& fallback)
{
    const QStringList dirs = folders();
    return dirs.isEmpty() ? fallback : Paths::withTrailingSeparator(dirs.first());
}

} // namespace RecentPlaylists
