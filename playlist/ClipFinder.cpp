#include "playlist/ClipFinder.h"

#include <QFile>

#include <algorithm>
#include <sys/stat.h>

namespace {

// Deeper tails than this are not tried: a crafted path of thousands of folders must not cost
// thousands of tries per entry.
constexpr qsizetype MaxTailFolders = 32;
// The folders remembered during one read.
constexpr qsizetype MaxKnownFolders = 16384;

bool isDriveLetter(const QString& segment)
{
    return segment.size() == 2 && segment.at(1) == u':' && segment.at(0).isLetter();
}

bool statOf(const QString& path, struct stat& st)
{
    if (!path.startsWith(u'/') || path.contains(QChar(0)))
        return false;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0;
}

} // namespace

ClipFinder::ClipFinder(const QString& folder) : m_folder(folder)
{
    while (m_folder.endsWith(u'/'))
        m_folder.chop(1); // the root becomes "", so that m_folder + "/" is always the prefix
}

QString ClipFinder::find(const QStringList& candidates)
{
    for (const QString& c : candidates) {
        if (isFile(c))
            return c;
    }
    return relocate(candidates);
}

bool ClipFinder::isFile(const QString& path)
{
    // A folder known to be missing holds no file: a moved list names the same folder many times.
    const qsizetype slash = path.lastIndexOf(u'/');
    const QString parent = path.left(slash);
    if (slash > 0) {
        const auto known = m_folders.constFind(parent);
        if (known != m_folders.constEnd() && !*known)
            return false;
    }
    struct stat st;
    if (statOf(path, st))
        return !S_ISDIR(st.st_mode);
    if (slash > 0)
        isFolder(parent);
    return false;
}

bool ClipFinder::isFolder(const QString& path)
{
    if (const auto known = m_folders.constFind(path); known != m_folders.constEnd())
        return *known;
    struct stat st;
    const bool folder = statOf(path, st) && S_ISDIR(st.st_mode);
    if (m_folders.size() >= MaxKnownFolders)
        m_folders.clear();
    m_folders.insert(path, folder);
    return folder;
}

QString ClipFinder::relocate(const QStringList& candidates)
{
    const QString prefix = m_folder + u'/';
    QList<QStringList> tails;
    qsizetype longest = 0;
    for (const QString& c : candidates) {
        if (!c.startsWith(u'/'))
            continue; // a web address
        // A name relative to the playlist's folder counts from there, not from the disk's root.
        const QStringView rest = c.startsWith(prefix) ? QStringView(c).sliced(prefix.size()) : QStringView(c);
        QStringList segments;
        for (const QStringView s : rest.split(u'/', Qt::SkipEmptyParts)) {
            if (s == u"..")
                segments.clear(); // what stands before it would lead out of the folder
            else if (s != u".")
                segments.append(s.toString());
        }
        if (!segments.isEmpty() && isDriveLetter(segments.first()))
            segments.removeFirst();
        if (segments.size() > MaxTailFolders)
            segments = segments.mid(segments.size() - MaxTailFolders);
        longest = std::max(longest, segments.size());
        tails.append(std::move(segments));
    }
    // The longest tail that exists wins, whichever candidate it comes from.
    for (qsizetype k = longest; k >= 1; --k) {
        for (const QStringList& segments : std::as_const(tails)) {
            if (segments.size() < k)
                continue;
            const qsizetype first = segments.size() - k;
            if (k > 1 && !isFolder(prefix + segments.at(first)))
                continue;
            const QString path = prefix + segments.mid(first).join(u'/');
            if (isFile(path))
                return path;
        }
    }
    return {};
}
