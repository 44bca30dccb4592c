#include "playlist/AsxParse.h"

#include "common/PlainFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>
#include <QUrl>

#include <optional>

#include <unistd.h>

namespace AsxParse {
namespace {

// Guards against playlists that fan out into each other without looping.
constexpr int MaxDepth = 16;
constexpr int MaxItems = 100000;
// Playlists that fan out into each other without yielding clips (each naming the next level ten
// times, say) would otherwise be read an exponential number of times.
constexpr int MaxReadsOfOnePlaylist = 100;
constexpr int MaxNestedReads = 10000;
// Characters of nested playlists kept for the rest of one load (16 MiB).
constexpr qsizetype MaxKeptChars = 8 * 1024 * 1024;

bool openPlainFile(QFile& file, const QString& path)
{
    int fd;
    if (!PlainFile::openForReading(path, fd).ok())
        return false;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}

bool hasPlaylistExtension(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("asx") || suffix == QLatin1String("wax") || suffix == QLatin1String("wvx");
}

bool isRemote(const QString& ref)
{
    const qsizetype colon = ref.indexOf(QLatin1String("://"));
    if (colon <= 1) // a drive letter is no scheme
        return false;
    for (qsizetype i = 0; i < colon; ++i) {
        const QChar c = ref.at(i);
        if (!(c.isLetterOrNumber() || c == u'+' || c == u'-' || c == u'.'))
            return false;
    }
    return !ref.startsWith(QLatin1String("file:"), Qt::CaseInsensitive);
}

QString decodeText(const QByteArray& bytes)
{
    if (auto enc = QStringConverter::encodingForData(bytes)) {
        QStringDecoder decoder(*enc);
        QString text = decoder.decode(bytes);
        if (!text.isEmpty() && text.front() == QChar(0xFEFF))
            text.remove(0, 1);
        return text;
    }
    return QString::fromLocal8Bit(bytes);
}

// Skips blanks, an XML declaration and comments; true when what follows is an <ASX tag.
bool startsWithAsx(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        if (text.at(i).isSpace() || text.at(i) == QChar(0xFEFF)) {
            ++i;
        } else if (text.mid(i, 2) == QLatin1String("<?")) {
            const qsizetype end = text.indexOf(QLatin1String("?>"), i);
            if (end < 0)
                return false;
            i = end + 2;
        } else if (text.mid(i, 4) == QLatin1String("<!--")) {
            const qsizetype end = text.indexOf(QLatin1String("-->"), i);
            if (end < 0)
                return false;
            i = end + 3;
        } else {
            return text.mid(i, 4).compare(QLatin1String("<asx"), Qt::CaseInsensitive) == 0;
        }
    }
    return false;
}

struct Tag
{
    QStringView name; // as written
    bool closing = false;
    bool selfClosing = false;
    bool hasHref = false;
    QString href; // the first HREF, decoded; no other attribute is used

    bool is(QLatin1String other) const { return name.compare(other, Qt::CaseInsensitive) == 0; }
};

// Parses the tag that starts at text[i] == '<'; i is left after its '>'.
Tag parseTag(const QString& text, qsizetype& i)
{
    Tag tag;
    const qsizetype n = text.size();
    ++i;
    if (i < n && text.at(i) == u'/') {
        tag.closing = true;
        ++i;
    }
    const qsizetype nameStart = i;
    while (i < n && !text.at(i).isSpace() && text.at(i) != u'>' && text.at(i) != u'/')
        ++i;
    tag.name = QStringView(text).mid(nameStart, i - nameStart);
    while (i < n && text.at(i) != u'>') {
        const QChar c = text.at(i);
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (c == u'/') {
            tag.selfClosing = true;
            ++i;
            continue;
        }
        const qsizetype attrStart = i;
        while (i < n && !text.at(i).isSpace() && text.at(i) != u'=' && text.at(i) != u'>' &&
               text.at(i) != u'/')
            ++i;
        const QStringView attr = QStringView(text).mid(attrStart, i - attrStart);
        if (attr.isEmpty()) {
            ++i;
            continue;
        }
        while (i < n && text.at(i).isSpace())
            ++i;
        QStringView value;
        if (i < n && text.at(i) == u'=') {
            ++i;
            while (i < n && text.at(i).isSpace())
                ++i;
            if (i < n && (text.at(i) == u'"' || text.at(i) == u'\'')) {
                const QChar quote = text.at(i++);
                const qsizetype end = text.indexOf(quote, i);
                const qsizetype stop = end < 0 ? n : end;
                value = QStringView(text).mid(i, stop - i);
                i = end < 0 ? n : end + 1;
            } else {
                const qsizetype valueStart = i;
                while (i < n && !text.at(i).isSpace() && text.at(i) != u'>')
                    ++i;
                value = QStringView(text).mid(valueStart, i - valueStart);
                // "HREF=a.mp3/>": the slash belongs to the tag, not the value
                if (value.endsWith(u'/') && i < n && text.at(i) == u'>') {
                    value.chop(1);
                    tag.selfClosing = true;
                }
            }
        }
        if (!tag.hasHref && attr.compare(QLatin1String("HREF"), Qt::CaseInsensitive) == 0) {
            tag.hasHref = true;
            tag.href = decodeEntities(value.toString());
        }
        tag.selfClosing = false;
    }
    if (i > 0 && i <= n && text.at(i - 1) == u'/')
        tag.selfClosing = true;
    if (i < n)
        ++i; // past '>'
    return tag;
}

// A reference as the player takes it: a URL as it stands; a path (or file: URL) relative to
// `base` when a BASE is in force, else to the playlist's folder. Against a web BASE a path is a
// URL reference, so "/media/clip.wmv" names a clip on that host, not on this disk.
QString resolve(const QString& href, const QString& folder, const QString& base = {})
{
    QString ref = href.trimmed();
    if (ref.isEmpty())
        return {};
    bool local = false;
    if (ref.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
        const QString path = QUrl(ref).toLocalFile();
        if (path.isEmpty())
            return ref;
        // "file:%20" names no file, and "file:a.mp3" is as relative to the playlist as "a.mp3"
        if (path.trimmed().isEmpty())
            return {};
        ref = path;
        local = true;
    } else if (isRemote(ref)) {
        return ref;
    }
    if (!local && isRemote(base))
        return QUrl(base).resolved(QUrl(ref)).toString(QUrl::FullyEncoded);
    if (QDir::isRelativePath(ref))
        return QDir::cleanPath(QDir(base.isEmpty() || isRemote(base) ? folder : base).filePath(ref));
    return ref;
}

// The reference, and for a local one written with "\\" (made on Windows) its "/" form after it.
QStringList resolveAll(const QString& href, const QString& folder, const QString& base)
{
    QStringList refs;
    const QString ref = resolve(href, folder, base);
    if (ref.isEmpty())
        return refs;
    refs.append(ref);
    if (href.contains(u'\\') && !isRemote(ref)) {
        QString slashed = href;
        slashed.replace(u'\\', u'/');
        const QString other = resolve(slashed, folder, base);
        if (!other.isEmpty() && other != ref)
            refs.append(other);
    }
    return refs;
}

// Calls onEntry with the references of each entry of the playlist text, in order, until it
// returns false.
template <typename OnEntry> void scanEntries(const QString& text, const QString& folder, OnEntry onEntry)
{
    QStringList entryRefs;
    bool inEntry = false;
    // A BASE holds for the references after it at its own level: the playlist's, or one entry's.
    QString listBase;
    QString entryBase;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype lt = text.indexOf(u'<', i);
        if (lt < 0)
            break;
        if (text.mid(lt, 4) == QLatin1String("<!--")) {
            const qsizetype end = text.indexOf(QLatin1String("-->"), lt + 4);
            i = end < 0 ? text.size() : end + 3;
            continue;
        }
        i = lt;
        const Tag tag = parseTag(text, i);
        if (tag.is(QLatin1String("ENTRY"))) {
            if (inEntry && !onEntry(entryRefs)) // an unclosed entry ends where the next begins
                return;
            inEntry = !tag.closing && !tag.selfClosing;
            entryRefs.clear();
            entryBase.clear();
        } else if (tag.is(QLatin1String("BASE")) && !tag.closing) {
            if (!tag.href.trimmed().isEmpty()) // a folder or a web address
                (inEntry ? entryBase : listBase) = resolve(tag.href, folder, listBase);
        } else if ((tag.is(QLatin1String("REF")) || tag.is(QLatin1String("ENTRYREF"))) && !tag.closing) {
            const QStringList refs =
                resolveAll(tag.href, folder, inEntry && !entryBase.isEmpty() ? entryBase : listBase);
            if (refs.isEmpty())
                continue;
            if (inEntry && tag.is(QLatin1String("REF"))) {
                entryRefs.append(refs);
                continue;
            }
            // a bare REF, or a reference to another playlist, is an entry of its own
            if (!onEntry(refs))
                return;
        } else if (tag.is(QLatin1String("ASX")) && tag.closing) {
            break;
        }
    }
    if (inEntry)
        onEntry(entryRefs);
}

QString readText(const QString& path, bool* ok)
{
    QFile file;
    *ok = openPlainFile(file, path);
    return *ok ? decodeText(file.readAll()) : QString();
}

class Reader
{
public:
    explicit Reader(Nested nested) : m_keep(nested == Nested::Keep) {}

    // Top level: every entry keeps its own number, whatever it expands to.
    QList<Item> readTop(const QString& path)
    {
        QList<Item> items;
        bool ok = false;
        const QString text = readText(path, &ok);
        if (!ok)
            return items;
        QStringList ancestors{canonical(path)};
        int entry = 0;
        scanEntries(text, QFileInfo(path).absolutePath(), [&](const QStringList& refs) {
            ++entry;
            for (const QStringList& clip : entryClips(refs, ancestors))
                items.append(Item{clip, entry});
            return m_count < MaxItems;
        });
        return items;
    }

private:
    // The clips of a nested playlist, each with its alternative sources.
    QList<QStringList> expand(const QString& path, QStringList& ancestors)
    {
        QList<QStringList> clips;
        const QString self = canonical(path);
        // One that cannot be named for sure cannot be checked for loops either.
        if (self.isEmpty() || ancestors.size() >= MaxDepth || ancestors.contains(self) ||
            m_count >= MaxItems || m_nestedReads >= MaxNestedReads)
            return clips;
        int& reads = m_reads[self];
        if (reads >= MaxReadsOfOnePlaylist)
            return clips;
        ++reads;
        ++m_nestedReads;
        // A copy, not a reference: the scan below reads other lists, which may grow the hash.
        const std::optional<QString> text = nestedText(path, self);
        if (!text)
            return clips;
        ancestors.append(self);
        scanEntries(*text, QFileInfo(path).absolutePath(), [&](const QStringList& refs) {
            clips.append(entryClips(refs, ancestors));
            return m_count < MaxItems;
        });
        ancestors.removeLast();
        return clips;
    }

    // An entry's references are alternatives: the first playlist among them that yields clips is
    // expanded; otherwise the entry is one clip with the media references in their order.
    QList<QStringList> entryClips(const QStringList& refs, QStringList& ancestors)
    {
        // Full: nothing more is taken, so no reference needs opening (a huge playlist would
        // otherwise open a file for each of its remaining entries).
        if (m_count >= MaxItems)
            return {};
        if (m_keep) {
            if (refs.isEmpty())
                return {};
            ++m_count;
            return {refs};
        }
        QStringList media;
        for (const QString& ref : refs) {
            if (!isRemote(ref) && sniffedPlaylist(ref)) {
                if (!media.isEmpty())
                    continue;
                QList<QStringList> clips = expand(ref, ancestors);
                if (!clips.isEmpty())
                    return clips;
            } else {
                media.append(ref);
            }
        }
        if (media.isEmpty() || m_count >= MaxItems)
            return {};
        ++m_count;
        return {media};
    }

    // Read from disk once per load: one named a hundred times is scanned again, not reopened.
    // Up to a budget, so that a load naming many large lists does not hold them all at once.
    std::optional<QString> nestedText(const QString& path, const QString& self)
    {
        if (const auto it = m_texts.constFind(self); it != m_texts.constEnd())
            return *it;
        bool ok = false;
        std::optional<QString> text;
        if (QString read = readText(path, &ok); ok)
            text = std::move(read);
        const qsizetype size = text ? text->size() : 0;
        if (size <= MaxKeptChars - m_keptChars) {
            m_keptChars += size;
            m_texts.insert(self, text);
        }
        return text;
    }

    // Both look at the disk, and a list names the same few files over and over.
    QString canonical(const QString& path)
    {
        auto it = m_canonical.constFind(path);
        if (it == m_canonical.constEnd())
            it = m_canonical.insert(path, QFileInfo(path).canonicalFilePath());
        return *it;
    }
    bool sniffedPlaylist(const QString& path)
    {
        auto it = m_isPlaylist.constFind(path);
        if (it == m_isPlaylist.constEnd())
            it = m_isPlaylist.insert(path, isPlaylist(path));
        return *it;
    }

    const bool m_keep;
    int m_count = 0;
    int m_nestedReads = 0;
    QHash<QString, int> m_reads;                    // nested reads of each playlist
    QHash<QString, std::optional<QString>> m_texts; // each nested playlist's text, or none if unreadable
    qsizetype m_keptChars = 0;
    QHash<QString, QString> m_canonical;
    QHash<QString, bool> m_isPlaylist;
};

} // namespace

bool isPlaylist(const QString& path)
{
    if (hasPlaylistExtension(path))
        return true;
    QFile file;
    if (!openPlainFile(file, path))
        return false;
    const QByteArray head = file.read(4096);
    if (head.contains('\0') && !QStringConverter::encodingForData(head))
        return false;
    return startsWithAsx(decodeText(head));
}

QList<Item> readPlaylist(const QString& path, Nested nested)
{
    if (!isPlaylist(path))
        return {Item{QStringList{path}, 1}};
    Reader reader(nested);
    return reader.readTop(path);
}

QString decodeEntities(const QString& text)
{
    if (!text.contains(u'&'))
        return text;
    static const QHash<QString, QChar> named{{QStringLiteral("amp"), u'&'},
                                             {QStringLiteral("lt"), u'<'},
                                             {QStringLiteral("gt"), u'>'},
                                             {QStringLiteral("quot"), u'"'},
                                             {QStringLiteral("apos"), u'\''}};
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c != u'&') {
            out.append(c);
            ++i;
            continue;
        }
        const qsizetype semi = text.indexOf(u';', i + 1);
        if (semi > i + 1 && semi - i <= 12) {
            const QString name = text.mid(i + 1, semi - i - 1);
            if (name.startsWith(u'#')) {
                bool ok = false;
                const uint code = name.size() > 1 && (name.at(1) == u'x' || name.at(1) == u'X')
                                      ? name.mid(2).toUInt(&ok, 16)
                                      : name.mid(1).toUInt(&ok, 10);
                if (ok && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
                    out.append(QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1));
                    i = semi + 1;
                    continue;
                }
            } else if (const auto it = named.constFind(name.toLower()); it != named.constEnd()) {
                out.append(*it);
                i = semi + 1;
                continue;
            }
        }
        out.append(c); // a raw "&" stands for itself
        ++i;
    }
    return out;
}

} // namespace AsxParse
