#include "platform/media/ResumePlaces.h"

#include "common/FileLocations.h"
#include "common/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace {

const QByteArray Header = QByteArrayLiteral("# Vidmarro resume places 1");
// Far more than MostKept places take: anything larger is not ours.
constexpr qint64 MaxFileSize = 4 << 20;

bool identify(const QString& path, qint64* size, qint64* mtime)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return false;
    *size = info.size();
    *mtime = info.lastModified().toMSecsSinceEpoch();
    return true;
}

} // namespace

ResumePlaces::ResumePlaces(const QString& file) : m_file(file.isEmpty() ? defaultFile() : file) {}

QString ResumePlaces::defaultFile()
{
    return FileLocations::stateFolder() + QStringLiteral("/resume-places");
}

qsizetype ResumePlaces::find(const QString& path) const
{
    for (qsizetype i = m_places.size() - 1; i >= 0; --i)
        if (m_places.at(i).path == path)
            return i;
    return -1;
}

double ResumePlaces::placeOf(const QString& path)
{
    load();
    const qsizetype i = find(path);
    qint64 size = 0, mtime = 0;
    if (i < 0 || !identify(path, &size, &mtime))
        return 0;
    const Place& p = m_places.at(i);
    return p.size == size && p.mtime == mtime ? p.seconds : 0;
}

void ResumePlaces::leave(const QString& path, double position, double duration)
{
    const bool middle = std::isfinite(position) && std::isfinite(duration) && duration >= MinimumLength &&
                        position > Margin && position < duration - Margin;
    Place place;
    place.path = path;
    place.seconds = std::floor(position);
    if (!middle || path.contains(u'\n') || !identify(path, &place.size, &place.mtime)) {
        forget(path);
        return;
    }
    load();
    const qsizetype i = find(path);
    if (i >= 0)
        m_places.removeAt(i);
    m_places.append(place);
    while (m_places.size() > MostKept)
        m_places.removeFirst();
    save();
}

void ResumePlaces::forget(const QString& path)
{
    load();
    const qsizetype i = find(path);
    if (i < 0)
        return;
    m_places.removeAt(i);
    save();
}

void ResumePlaces::load()
{
    if (m_loaded)
        return;
    m_loaded = true;
    QFile f(m_file);
    if (!f.open(QIODevice::ReadOnly) || f.size() > MaxFileSize)
        return;
    const QList<QByteArray> lines = f.readAll().split('\n');
    if (lines.value(0) != Header)
        return;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        // seconds, size, time, path; a line that does not read so is skipped.
        const QList<QByteArray> fields = lines.at(i).split('\t');
        if (fields.size() < 4)
            continue;
        bool ok[3] = {};
        Place p;
        p.seconds = fields.at(0).toDouble(&ok[0]);
        p.size = fields.at(1).toLongLong(&ok[1]);
        p.mtime = fields.at(2).toLongLong(&ok[2]);
        p.path = QString::fromUtf8(
            lines.at(i).mid(fields.at(0).size() + fields.at(1).size() + fields.at(2).size() + 3));
        if (!ok[0] || !ok[1] || !ok[2] || !std::isfinite(p.seconds) || p.seconds <= 0 || p.path.isEmpty())
            continue;
        const qsizetype old = find(p.path);
        if (old >= 0)
            m_places.removeAt(old);
        m_places.append(p);
    }
    while (m_places.size() > MostKept)
        m_places.removeFirst();
}

void ResumePlaces::save() const
{
    QByteArray out = Header + '\n';
    for (const Place& p : m_places)
        out += QByteArray::number(p.seconds, 'f', 0) + '\t' + QByteArray::number(p.size) + '\t' +
               QByteArray::number(p.mtime) + '\t' + p.path.toUtf8() + '\n';
    // A place that cannot be kept is no reason to trouble the user.
    QDir().mkpath(QFileInfo(m_file).absolutePath());
    SafeFile::replace(m_file, out);
}
