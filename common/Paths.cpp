#include "common/Paths.h"

namespace Paths {

bool isSeparator(QChar c)
{
#ifdef Q_OS_WIN
    return c == u'\\' || c == u':';
#else
    return c == u'/';
#endif
}

QChar separator()
{
#ifdef Q_OS_WIN
    return u'\\';
#else
    return u'/';
#endif
}

int lastSeparator(const QString& path)
{
    for (int i = int(path.size()) - 1; i >= 0; --i) {
        if (isSeparator(path.at(i)))
            return i;
    }
    return -1;
}

QString fileName(const QString& path)
{
    return path.mid(lastSeparator(path) + 1);
}

QString directory(const QString& path)
{
    const int sep = lastSeparator(path);
    if (sep < 0)
        return QString();
    QString dir = path.left(sep + 1);
    // Drop the trailing separator unless the character before it is a separator itself (or the
    // drive colon), or there is nothing before it: C:\ and / stay roots.
    if (dir.size() > 1 && dir.endsWith(separator()) && !isSeparator(dir.at(dir.size() - 2))
#ifdef Q_OS_WIN
        && dir.at(dir.size() - 2) != u':'
#endif
    )
        dir.chop(1);
    return dir;
}

bool hasExtension(const QString& path)
{
    return fileName(path).contains(u'.');
}

QString withTrailingSeparator(const QString& dir)
{
    if (dir.isEmpty() || isSeparator(dir.back()))
        return dir;
    return dir + separator();
}

} // namespace Paths
