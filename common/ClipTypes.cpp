#include "common/ClipTypes.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QMutex>
#include <QRegularExpression>
#include <QSet>

namespace ClipTypes {

namespace {

//: File dialog filters: keep the patterns in brackets.
const char* const Filters[] = {
    QT_TRANSLATE_NOOP("ClipTypes", "All file types (*.*)"),
    QT_TRANSLATE_NOOP("ClipTypes",
                      "Audio (music) files (*.asf *.mp2 *.mp3 *.wav *.mid *.wma *.aif *.au *.wax)"),
    QT_TRANSLATE_NOOP(
        "ClipTypes",
        "Video (movie) files (*.mpg *.mpeg *.asf *.m1v *.wmv *.avi *.mov *.qt *.wvx *.fli *.flc *.mpe)"),
    QT_TRANSLATE_NOOP("ClipTypes",
                      "Other audio and video files (*.mp4 *.m4a *.m4v *.mkv *.mka *.webm *.ogg *.oga *.ogv "
                      "*.opus *.flac *.aac *.ac3 *.3gp *.ts *.m2ts *.mts *.vob *.flv *.aiff *.wv *.ape "
                      "*.midi *.kar)"),
};

} // namespace

QStringList dialogFilters()
{
    QStringList out;
    for (const char* filter : Filters)
        out.append(QCoreApplication::translate("ClipTypes", filter));
    return out;
}

QStringList suffixesOf(const QStringList& filters)
{
    static const QRegularExpression pattern(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
    QStringList out;
    for (const QString& filter : filters) {
        for (const QRegularExpressionMatch& m : pattern.globalMatch(filter)) {
            const QString suffix = m.captured(1).toLower();
            if (!out.contains(suffix))
                out.append(suffix);
        }
    }
    return out;
}

const QStringList& suffixes()
{
    // From the patterns as written: a translation cannot change what is a clip.
    static const QStringList all = [] {
        QStringList filters;
        for (const char* filter : Filters)
            filters.append(QString::fromLatin1(filter));
        return suffixesOf(filters);
    }();
    return all;
}

namespace {

// Audio or video, but not a list of other files: playlists are audio types to the MIME database
// (audio/x-mpegurl, audio/x-scpls, audio/x-ms-asx), some of them without saying they are text.
bool isMediaType(const QMimeType& type)
{
    if (!type.isValid())
        return false;
    const QString name = type.name();
    if (!name.startsWith(QLatin1String("audio/")) && !name.startsWith(QLatin1String("video/")))
        return false;
    static const QStringList playlists = {QStringLiteral("audio/x-ms-asx"), QStringLiteral("audio/x-scpls"),
                                          QStringLiteral("audio/x-mpegurl"),
                                          QStringLiteral("video/vnd.mpegurl")};
    for (const QString& playlist : playlists) {
        if (type.inherits(playlist))
            return false;
    }
    return !type.inherits(QStringLiteral("text/plain")) && !type.inherits(QStringLiteral("application/xml"));
}

// Name verdicts by extension, as the file name's case gives it: globs in the MIME database are
// mostly case-insensitive, but not all of them.
struct NameCache
{
    QMutex lock;
    QHash<QString, Verdict> bySuffix;
};

NameCache& nameCache()
{
    static NameCache cache;
    return cache;
}

Verdict lookUpName(const QString& fileName)
{
    const QList<QMimeType> types = QMimeDatabase().mimeTypesForFileName(fileName);
    if (types.isEmpty())
        return Verdict::Unknown;
    // Several candidates (one glob shared by two types): audio or video if the first one is.
    return isMediaType(types.first()) ? Verdict::Yes : Verdict::No;
}

} // namespace

Verdict byName(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    if (dot > 0 && dot + 1 < fileName.size()) {
        const QStringView suffix = QStringView(fileName).mid(dot + 1);
        // Folders of a hundred thousand clips ask this for every name.
        static const QSet<QString> own(suffixes().cbegin(), suffixes().cend());
        if (suffix.size() <= 8 && own.contains(suffix.toString().toLower()))
            return Verdict::Yes;
        // The cache holds extensions alone: a name the database matches as a whole (Makefile,
        // core) has none, and is looked up each time.
        NameCache& cache = nameCache();
        const QString key = suffix.toString();
        {
            const QMutexLocker locked(&cache.lock);
            const auto it = cache.bySuffix.constFind(key);
            if (it != cache.bySuffix.constEnd())
                return *it;
        }
        const Verdict verdict = lookUpName(QStringLiteral("x.") + key);
        const QMutexLocker locked(&cache.lock);
        cache.bySuffix.insert(key, verdict);
        return verdict;
    }
    return lookUpName(fileName);
}

bool isClip(const QString& path)
{
    switch (byName(QFileInfo(path).fileName())) {
    case Verdict::Yes:
        return true;
    case Verdict::No:
        return false;
    case Verdict::Unknown:
        break;
    }
    return isMediaType(QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchContent));
}

} // namespace ClipTypes
