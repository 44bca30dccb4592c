#include "playlist/PlaylistFormats.h"

#include "common/AppError.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringEncoder>
#include <QUrl>
#include <QXmlStreamReader>

#include <algorithm>

namespace PlaylistFormats {

namespace {

// Longer than any path (4096 bytes) written as a percent-encoded URI: a longer line or location
// names no file, and is not kept whole.
constexpr qsizetype MaxReferenceBytes = qsizetype(32) * 1024;

bool isLocalHost(const QString& host)
{
    return host.isEmpty() || host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0;
}

// "http://", "mms://" ...: a scheme of two letters or more (one is a drive letter).
bool isWebAddress(const QString& ref)
{
    const qsizetype colon = ref.indexOf(QLatin1String("://"));
    if (colon <= 1 || !ref.at(0).isLetter())
        return false;
    for (qsizetype i = 0; i < colon; ++i) {
        const QChar c = ref.at(i);
        if (!(c.isLetterOrNumber() || c == u'+' || c == u'-' || c == u'.'))
            return false;
    }
    return true;
}

// Only a leading "/" makes a path absolute here (Qt takes ":name" for one of its resources).
bool isAbsolute(const QString& path)
{
    return path.startsWith(u'/');
}

bool isFileUri(const QString& ref)
{
    return ref.startsWith(QLatin1String("file:"), Qt::CaseInsensitive);
}

QString inFolder(const QString& folder, QString path)
{
    if (path.startsWith(QLatin1String("./")))
        path.remove(0, 2);
    return folder.endsWith(u'/') ? folder + path : folder + u'/' + path;
}

QString fromFileUrl(QUrl url, const QString& folder)
{
    if (!url.isValid() || !isLocalHost(url.host()))
        return {};
    url.setHost(QString());
    const QString path = url.toLocalFile();
    if (path.isEmpty() || path.contains(QChar(0)))
        return {};
    // "file:a.mp3" is as relative to the playlist as "a.mp3"
    return isAbsolute(path) ? path : inFolder(folder, path);
}

// The path as written, and trimmed when that differs: hand-written lists carry stray blanks,
// while a name may really end in one.
Entry candidates(const QString& text, const QString& folder,
                 QString (*resolve)(const QString&, const QString&))
{
    Entry entry;
    const QString exact = resolve(text, folder);
    if (!exact.isEmpty())
        entry.append(exact);
    const QString trimmed = text.trimmed();
    if (trimmed.size() != text.size()) {
        const QString other = resolve(trimmed, folder);
        if (!other.isEmpty() && other != exact)
            entry.append(other);
    }
    return entry;
}

bool firstNonBlankIs(const QString& text, QChar c)
{
    for (const QChar x : text) {
        if (!x.isSpace())
            return x == c;
    }
    return false;
}

bool validUtf16(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return false;
    }
    return true;
}

QString shownPath(QString path)
{
    path.replace(u'\r', QLatin1String("\\r"));
    path.replace(u'\n', QLatin1String("\\n"));
    path.replace(QChar(0), QLatin1String("\\0"));
    return path;
}

[[noreturn]] void refuseBreak(const QString& entry)
{
    throw AppError(QCoreApplication::translate(
                       "Playlists", "This clip cannot go into a playlist because its name holds a line "
                                    "break or another control character:\n%1")
                       .arg(shownPath(entry)));
}

[[noreturn]] void refuseEncoding(const QString& entry)
{
    throw AppError(QCoreApplication::translate(
                       "Playlists", "This clip cannot go into this playlist because its name cannot be "
                                    "written in the playlist's text encoding:\n%1")
                       .arg(shownPath(entry)));
}

// A relative name that a reader would take for a comment or a web address goes out as ./name.
QString lineValue(const QString& entry)
{
    if (!isAbsolute(entry) && (firstNonBlankIs(entry, u'#') || isWebAddress(entry) || isFileUri(entry)))
        return QStringLiteral("./") + entry;
    return entry;
}

void checkLine(const QString& entry)
{
    if (entry.contains(u'\r') || entry.contains(u'\n') || entry.contains(QChar(0)))
        refuseBreak(entry);
    if (!validUtf16(entry))
        refuseEncoding(entry);
}

QByteArray encoded(const QString& text, QStringEncoder& encoder, const QString& entry)
{
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        refuseEncoding(entry);
    return bytes;
}

void xmlEscape(QByteArray& out, QByteArrayView text)
{
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out += c;
        }
    }
}

} // namespace

// ---- UTF-8 check --------------------------------------------------------------------------------

void Utf8Check::feed(QByteArrayView bytes)
{
    for (const char ch : bytes) {
        if (m_bad)
            return;
        const auto c = uchar(ch);
        if (m_need > 0) {
            if (c < m_low || c > m_high) {
                m_bad = true;
                return;
            }
            m_low = 0x80;
            m_high = 0xBF;
            --m_need;
            continue;
        }
        if (c < 0x80)
            continue;
        if (c >= 0xC2 && c <= 0xDF) {
            m_need = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            m_need = 2;
            if (c == 0xE0)
                m_low = 0xA0; // overlong
            else if (c == 0xED)
                m_high = 0x9F; // surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            m_need = 3;
            if (c == 0xF0)
                m_low = 0x90;
            else if (c == 0xF4)
                m_high = 0x8F; // beyond U+10FFFF
        } else {
            m_bad = true;
        }
    }
}

// ---- lines --------------------------------------------------------------------------------------

bool LineReader::feed(QByteArrayView bytes)
{
    if (m_binary)
        return false;
    const char* p = bytes.data();
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const char c = p[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' || !m_afterCr)
                endLine();
            m_afterCr = c == '\r';
            ++i;
            continue;
        }
        m_afterCr = false;
        // The rest of the line in this piece, in one go.
        qsizetype end = i;
        while (end < n && p[end] != '\r' && p[end] != '\n' && p[end] != 0)
            ++end;
        const qsizetype room = MaxReferenceBytes - m_line.size();
        if (end - i > room)
            m_overlong = true;
        m_line.append(p + i, std::min(end - i, room));
        i = end;
        if (i < n && p[i] == 0) {
            m_binary = true; // a clip picked by mistake must not pass for a playlist
            return false;
        }
    }
    return true;
}

void LineReader::endLine()
{
    QByteArrayView bytes = m_line;
    if (m_first && bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    m_first = false;
    line(m_encoding == Encoding::Utf8 ? QString::fromUtf8(bytes) : QString::fromLocal8Bit(bytes), m_overlong);
    m_line.clear();
    m_overlong = false;
}

void LineReader::finish()
{
    if (m_binary)
        return;
    if (!m_line.isEmpty() || m_overlong)
        endLine();
    end();
}

void M3uReader::line(const QString& text, bool overlong)
{
    if (firstNonBlankIs(text, u'#') || text.trimmed().isEmpty())
        return;
    m_sink(overlong ? Entry() : candidates(text, m_folder, localPath));
}

void PlsReader::line(const QString& text, bool overlong)
{
    const qsizetype eq = text.indexOf(u'=');
    if (eq < 0)
        return;
    const QString key = text.left(eq).trimmed();
    if (key.size() <= 4 || !key.startsWith(QLatin1String("file"), Qt::CaseInsensitive))
        return;
    QString number = key.mid(4);
    if (!std::all_of(number.cbegin(), number.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return;
    qsizetype zeros = 0;
    while (zeros + 1 < number.size() && number.at(zeros) == u'0')
        ++zeros;
    number.remove(0, zeros);
    if (m_files.size() >= MaxFiles || m_files.count(number) != 0)
        return;
    m_files.emplace(number, overlong ? Entry() : candidates(text.mid(eq + 1), m_folder, localPath));
}

void PlsReader::end()
{
    for (const auto& file : m_files)
        m_sink(file.second);
    m_files.clear();
}

// ---- XSPF ---------------------------------------------------------------------------------------

XspfReader::XspfReader(const QString& folder, Sink sink)
    : m_folder(folder), m_sink(std::move(sink)), m_xml(std::make_unique<QXmlStreamReader>())
{
    // Prefixes are taken off the names here: the elements count in any namespace, or none.
    m_xml->setNamespaceProcessing(false);
}

XspfReader::~XspfReader() = default;

bool XspfReader::feed(QByteArrayView bytes)
{
    if (m_broken)
        return false;
    if (m_done)
        return true;
    m_xml->addData(QByteArray(bytes.data(), bytes.size()));
    run();
    return !m_broken;
}

bool XspfReader::finish()
{
    return !m_broken;
}

void XspfReader::run()
{
    static const QLatin1String path[] = {QLatin1String("playlist"), QLatin1String("trackList"),
                                         QLatin1String("track"), QLatin1String("location")};
    while (!m_done) {
        switch (m_xml->readNext()) {
        case QXmlStreamReader::StartElement: {
            if (++m_depth > MaxDepth) {
                m_done = true;
                return;
            }
            // Any namespace prefix: the element's own name is what comes after it.
            QStringView name = m_xml->qualifiedName();
            if (const qsizetype colon = name.lastIndexOf(u':'); colon >= 0)
                name = name.sliced(colon + 1);
            if (m_depth == 1) {
                m_rooted = name == path[0];
                if (!m_rooted) {
                    m_broken = true;
                    return;
                }
            }
            if (m_match == m_depth - 1 && m_depth <= 4 && name == path[m_depth - 1]) {
                m_match = int(m_depth);
                start();
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            if (m_match == m_depth) {
                end();
                --m_match;
            }
            --m_depth;
            if (m_depth == 0)
                m_done = true; // nothing after the root counts
            break;
        case QXmlStreamReader::Characters:
            if (m_match == 4 && m_depth == 4 && !m_overlong) {
                const QStringView text = m_xml->text();
                if (m_location.size() + text.size() > MaxReferenceBytes)
                    m_overlong = true;
                else
                    m_location.append(text);
            }
            break;
        case QXmlStreamReader::Invalid:
            if (m_xml->error() == QXmlStreamReader::PrematureEndOfDocumentError)
                return; // wait for more
            // Not XML from the start: no playlist. Later on: the playlist ends there.
            m_broken = !m_rooted;
            m_done = true;
            return;
        case QXmlStreamReader::EndDocument:
            m_done = true;
            return;
        default:
            break;
        }
    }
}

void XspfReader::start()
{
    if (m_match == 3) {
        m_track.clear();
    } else if (m_match == 4) {
        m_location.clear();
        m_overlong = false;
    }
}

void XspfReader::end()
{
    if (m_match == 3) {
        m_sink(m_track); // a track with no usable location is missing
    } else if (m_match == 4 && !m_overlong) {
        const QString path = localPathOfUri(m_location, m_folder);
        if (!path.isEmpty() && !m_track.contains(path))
            m_track.append(path);
    }
}

// ---- in one go ----------------------------------------------------------------------------------

namespace {

template <typename Reader, typename... Args>
std::optional<QList<Entry>> readAll(QByteArrayView bytes, const QString& folder, Args... args)
{
    QList<Entry> entries;
    Reader reader(folder, args..., [&](const Entry& e) { entries.append(e); });
    if (!reader.feed(bytes))
        return std::nullopt;
    if constexpr (std::is_same_v<Reader, XspfReader>) {
        if (!reader.finish())
            return std::nullopt;
    } else {
        reader.finish();
    }
    return entries;
}

} // namespace

std::optional<QList<Entry>> readM3u(QByteArrayView bytes, const QString& folder, Encoding encoding)
{
    return readAll<M3uReader>(bytes, folder, encoding);
}

std::optional<QList<Entry>> readPls(QByteArrayView bytes, const QString& folder, Encoding encoding)
{
    return readAll<PlsReader>(bytes, folder, encoding);
}

std::optional<QList<Entry>> readXspf(QByteArrayView bytes, const QString& folder)
{
    return readAll<XspfReader>(bytes, folder);
}

// ---- references ---------------------------------------------------------------------------------

QString localPath(const QString& ref, const QString& folder)
{
    if (ref.isEmpty() || ref.contains(QChar(0)))
        return {};
    if (isFileUri(ref))
        return fromFileUrl(QUrl(ref), folder);
    if (isWebAddress(ref))
        return {};
    return isAbsolute(ref) ? ref : inFolder(folder, ref);
}

QString localPathOfUri(const QString& uri, const QString& folder)
{
    const QString text = uri.trimmed();
    if (text.isEmpty())
        return {};
    QUrl url(text);
    if (!url.isValid())
        return {};
    if (url.scheme().isEmpty()) {
        url = QUrl::fromLocalFile(inFolder(folder, QString())).resolved(url);
    } else if (!url.isLocalFile()) {
        return {};
    }
    return fromFileUrl(url, folder);
}

// ---- writers ------------------------------------------------------------------------------------

// Lines end in LF: the programs that read these files here split lines at LF, and one that does
// not strip a CR would take it for the last letter of every path.
QByteArray m3uBytes(const QStringList& entries, Encoding encoding)
{
    QStringEncoder encoder(encoding == Encoding::Utf8 ? QStringConverter::Utf8 : QStringConverter::System);
    QByteArray out = "#EXTM3U\n";
    for (const QString& e : entries) {
        checkLine(e);
        out += encoded(lineValue(e), encoder, e);
        out += '\n';
    }
    return out;
}

QByteArray plsBytes(const QStringList& entries)
{
    QStringEncoder encoder(QStringConverter::Utf8);
    QByteArray out = "[playlist]\n";
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QString& e = entries.at(i);
        checkLine(e);
        out += "File" + QByteArray::number(i + 1) + '=' + encoded(lineValue(e), encoder, e) + '\n';
    }
    out += "NumberOfEntries=" + QByteArray::number(entries.size()) + "\nVersion=2\n";
    return out;
}

QByteArray xspfBytes(const QStringList& entries)
{
    QByteArray out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\">\n"
                     "  <trackList>\n";
    for (const QString& e : entries) {
        // Any other character goes out percent-encoded.
        if (e.contains(QChar(0)))
            refuseBreak(e);
        if (!validUtf16(e))
            refuseEncoding(e);
        QByteArray location;
        if (!isAbsolute(e))
            location = QUrl::toPercentEncoding(e, "/");
        else if (e.startsWith(QLatin1String("//"))) // not a host
            location = "file://" + QUrl::toPercentEncoding(e, "/");
        else
            location = QUrl::fromLocalFile(e).toEncoded();
        out += "    <track><location>";
        xmlEscape(out, location);
        out += "</location></track>\n";
    }
    out += "  </trackList>\n</playlist>\n";
    return out;
}

} // namespace PlaylistFormats
