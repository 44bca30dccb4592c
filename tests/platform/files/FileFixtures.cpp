#include "FileFixtures.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

namespace Fixtures {

void usePrivateHome(const QString& base)
{
    QDir().mkpath(base + QStringLiteral("/data"));
    qputenv("HOME", QFile::encodeName(base));
    qputenv("XDG_DATA_HOME", QFile::encodeName(base + QStringLiteral("/data")));
}

QString makeFile(const QString& path, qint64 size, int seed)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot create %s", qPrintable(path));
    QByteArray block(1 << 20, '\0');
    qint64 written = 0;
    while (written < size) {
        const qint64 n = qMin<qint64>(block.size(), size - written);
        for (qint64 i = 0; i < n; i += 8) {
            const quint64 v = quint64(written + i) * 2654435761u + quint64(seed) * 40503u;
            memcpy(block.data() + i, &v, size_t(qMin<qint64>(8, n - i)));
        }
        if (f.write(block.constData(), n) != n)
            qFatal("cannot write %s", qPrintable(path));
        written += n;
    }
    return path;
}

QString makeText(const QString& path, const QByteArray& text)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray digest(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&f);
    return hash.result().toHex();
}

QStringList entries(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                               QDir::Name);
}

} // namespace Fixtures
