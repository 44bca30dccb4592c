#include "common/Paths.h"

namespace Paths {

bool isSeparator(QChar c)
{
    return c == u'/';
}

QChar separator()
{
    return u'/';
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
    // Drop the trailing separator unless the character before it is a separator itself, or there is
    // nothing before it: / stays the root.
    if (dir.size() > 1 && dir.endsWith(separator()) && !isSeparator(dir.at(dir.size() - 2)))
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

QString forMessage(const QString& text, int max)
{
    QString shown = text;
    if (shown.size() > max) {
        qsizetype head = max / 2 - 1;
        qsizetype tail = max - head - 1;
        // Never half a character.
        if (head > 0 && shown.at(head - 1).isHighSurrogate())
            --head;
        if (tail > 0 && shown.at(shown.size() - tail).isLowSurrogate())
            --tail;
        shown = shown.left(head) + QChar(0x2026) + shown.right(tail);
    }
    for (QChar& c : shown) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = u'?';
    }
    return shown;
}

} // namespace Paths
