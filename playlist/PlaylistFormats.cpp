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

void addCandidate(Entry& entry, const QString& path)
{
    if (!path.isEmpty() && !entry.contains(path))
        entry.append(path);
}

// The path as written, and trimmed when that differs: hand-written lists carry stray blanks,
// while a name may really end in one.
Entry candidates(const QString& text, const QString& folder,
                 QString (*resolve)(const QString&, const QString&))
{
    Entry entry;
    addCandidate(entry, resolve(text, folder));
    const QString trimmed = text.trimmed();
    if (trimmed.size() != text.size())
        addCandidate(entry, resolve(trimmed, folder));
    return entry;
}

bool isHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

bool hasPercentEscape(const QString& text)
{
    for (qsizetype i = text.indexOf(u'%'); i >= 0 && i + 2 < text.size(); i = text.indexOf(u'%', i + 1)) {
        if (isHexDigit(text.at(i + 1)) && isHexDigit(text.at(i + 2)))
            return true;
    }
    return false;
}

// Percent-decoded as UTF-8; empty when the bytes are no UTF-8.
QString percentDecoded(const QString& text)
{
    const QByteArray bytes = QByteArray::fromPercentEncoding(text.toUtf8());
    Utf8Check check;
    check.feed(bytes);
    return check.valid() ? QString::fromUtf8(bytes) : QString();
}

// What no URI holds as it stands: a raw "#" (a fragment means nothing for a local file), blanks,
// a "\", or a "%" without two hex digits.
bool isRawPath(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'#' || c == u'\\' || c.isSpace())
            return true;
        if (c == u'%' && !(i + 2 < text.size() && isHexDigit(text.at(i + 1)) && isHexDigit(text.at(i + 2))))
            return true;
    }
    return false;
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

void checkLine(const QString& entry)
{
    if (entry.contains(u'\r') || entry.contains(u'\n') || entry.contains(QChar(0)))
        refuseBreak(entry);
    if (!validUtf16(entry))
        refuseEncoding(entry);
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

// ---- encodings ----------------------------------------------------------------------------------

namespace {

// 0x80 to 0x9F; the five bytes left undefined keep their own number.
constexpr char16_t Windows1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                          0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                          0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                          0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

Encoding encodingOf(QByteArrayView head, bool validUtf8, bool nonAscii, bool m3u8)
{
    if (head.startsWith("\xEF\xBB\xBF"))
        return Encoding::Utf8Bom;
    if (head.startsWith("\xFF\xFE"))
        return Encoding::Utf16Le;
    if (head.startsWith("\xFE\xFF"))
        return Encoding::Utf16Be;
    if (m3u8 || (validUtf8 && nonAscii))
        return Encoding::Utf8;
    return Encoding::Windows1252;
}

QString fromWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (const char ch : bytes) {
        const auto c = uchar(ch);
        *out++ = c >= 0x80 && c < 0xA0 ? Windows1252High[c - 0x80] : char16_t(c);
    }
    return text;
}

std::optional<QByteArray> toWindows1252(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            *out++ = char(c);
            continue;
        }
        const auto* end = std::end(Windows1252High);
        const auto* at = std::find(std::begin(Windows1252High), end, c);
        if (at == end)
            return std::nullopt;
        *out++ = char(0x80 + (at - std::begin(Windows1252High)));
    }
    return bytes;
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
    line(m_encoding == Encoding::Windows1252 ? fromWindows1252(bytes) : QString::fromUtf8(bytes), m_overlong);
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
    m_sink(overlong ? Entry() : lineCandidates(text, m_folder));
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
    m_files.emplace(number, overlong ? Entry() : lineCandidates(text.mid(eq + 1), m_folder));
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
        addCandidate(m_track, localPathOfUri(m_location, m_folder));
        const QString text = m_location.trimmed();
        if (isRawPath(text) && !isWebAddress(text) && !isFileUri(text))
            addCandidate(m_track, localPath(text, m_folder));
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

Entry lineCandidates(const QString& ref, const QString& folder)
{
    Entry entry = candidates(ref, folder, localPath);
    if (entry.isEmpty())
        return entry; // a web address, or nothing
    const QString trimmed = ref.trimmed();
    for (const QString& text : trimmed == ref ? QStringList{ref} : QStringList{ref, trimmed}) {
        QString slashed = text;
        slashed.replace(u'\\', u'/');
        if (slashed != text)
            addCandidate(entry, localPath(slashed, folder));
        if (!isFileUri(text) && hasPercentEscape(text)) {
            addCandidate(entry, localPath(percentDecoded(text), folder));
            if (slashed != text)
                addCandidate(entry, localPath(percentDecoded(slashed), folder));
        }
    }
    return entry;
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

namespace {

// A path as a file:// URI, "%"-encoded as every reader takes it.
QByteArray fileUri(const QString& path)
{
    if (path.startsWith(QLatin1String("//"))) // not a host
        return "file://" + QUrl::toPercentEncoding(path, "/");
    return QUrl::fromLocalFile(path).toEncoded();
}

// The value of an M3U or PLS line: a path that other programs would misread goes out as a URI
// (VLC takes a "#" in a plain path for the start of its options; blanks at the ends get trimmed;
// "a:b" or "#..." look like a URI or a comment).
QString lineValue(const QString& entry, const QString& folder)
{
    const bool misread =
        entry.contains(u'#') || (!entry.isEmpty() && (entry.front().isSpace() || entry.back().isSpace())) ||
        (!isAbsolute(entry) && (isWebAddress(entry) || isFileUri(entry) || entry.contains(u':')));
    if (!misread)
        return entry;
    return QString::fromLatin1(fileUri(isAbsolute(entry) ? entry : inFolder(folder, entry)));
}

bool passesForUtf8(QByteArrayView bytes)
{
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; }))
        return false;
    Utf8Check check;
    check.feed(bytes);
    return check.valid();
}

// `unfit`: how a file goes out when a name does not fit Windows-1252.
QByteArray encodedText(const QString& text, Encoding encoding, Encoding unfit)
{
    switch (encoding) {
    case Encoding::Utf8:
        return text.toUtf8();
    case Encoding::Utf8Bom:
        break;
    case Encoding::Windows1252:
        // Not for a name it cannot hold, nor for bytes that would pass for UTF-8.
        if (std::optional<QByteArray> bytes = toWindows1252(text); bytes && !passesForUtf8(*bytes))
            return *bytes;
        return unfit == Encoding::Windows1252 ? encodedText(text, Encoding::Utf8Bom, unfit)
                                              : encodedText(text, unfit, unfit);
    case Encoding::Utf16Le:
    case Encoding::Utf16Be: {
        QStringEncoder encoder(encoding == Encoding::Utf16Le ? QStringConverter::Utf16LE
                                                             : QStringConverter::Utf16BE,
                               QStringConverter::Flag::WriteBom);
        return encoder.encode(text);
    }
    }
    return "\xEF\xBB\xBF" + text.toUtf8();
}

} // namespace

// Lines end in LF: the programs that read these files here split lines at LF, and one that does
// not strip a CR would take it for the last letter of every path.
QByteArray m3uBytes(const QStringList& entries, Encoding encoding, const QString& folder)
{
    QString out = QStringLiteral("#EXTM3U\n");
    for (const QString& e : entries) {
        checkLine(e);
        out += lineValue(e, folder);
        out += u'\n';
    }
    // UTF-8 with a mark, which the players that take an M3U for Windows-1252 recognise.
    return encodedText(out, encoding, Encoding::Utf8Bom);
}

QByteArray plsBytes(const QStringList& entries, Encoding encoding, const QString& folder)
{
    QString out = QStringLiteral("[playlist]\n");
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QString& e = entries.at(i);
        checkLine(e);
        out += QStringLiteral("File%1=").arg(i + 1) + lineValue(e, folder) + u'\n';
    }
    out += QStringLiteral("NumberOfEntries=%1\nVersion=2\n").arg(entries.size());
    // Plain UTF-8: GNOME's reader takes no PLS that starts with a mark, and reads UTF-8.
    return encodedText(out, encoding, Encoding::Utf8);
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
        const QByteArray location = isAbsolute(e) ? fileUri(e) : QUrl::toPercentEncoding(e, "/");
        out += "    <track><location>";
        xmlEscape(out, location);
        out += "</location></track>\n";
    }
    out += "  </trackList>\n</playlist>\n";
    return out;
}

} // namespace PlaylistFormats
