#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <optional>

class QXmlStreamReader;

// The playlists other programs write (M3U, PLS, XSPF), as bytes: the readers turn bytes and the
// playlist's folder into entries, the writers entries into bytes. No file is touched here, so
// that the readers can be fed in memory; Playlists does the file access.
namespace PlaylistFormats {

// One entry's references, in the order to try, each a full local path. A web address or a
// reference that names no local file gives an entry with none (it counts as missing).
using Entry = QStringList;
// Where the readers hand each entry, in file order, as soon as it is known: a long playlist is
// never held whole.
using Sink = std::function<void(const Entry&)>;

// The text encodings of M3U and PLS files. A file written back keeps the one it was read in.
enum class Encoding
{
    Utf8,
    Utf8Bom,
    Windows1252, // what most .m3u files hold, whatever the system's encoding
    Utf16Le,     // with a byte order mark, as Notepad saves "Unicode"
    Utf16Be
};

// The encoding of an M3U or PLS file from its first bytes (a byte order mark), else from whether
// all of it is valid UTF-8 (`validUtf8`) and holds more than ASCII; otherwise Windows-1252.
// `m3u8`: the name says UTF-8.
Encoding encodingOf(QByteArrayView head, bool validUtf8, bool nonAscii, bool m3u8);

// Windows-1252 text; the five bytes it leaves undefined stand for the control characters of the
// same number, so that every byte reads and writes back as it was.
QString fromWindows1252(QByteArrayView bytes);
// None when a character has no byte in Windows-1252.
std::optional<QByteArray> toWindows1252(QStringView text);

// Whether bytes, fed in pieces, are valid UTF-8 (no overlong forms, no surrogates).
class Utf8Check
{
public:
    void feed(QByteArrayView bytes);
    // Of everything fed so far, with no sequence left open.
    bool valid() const { return !m_bad && m_need == 0; }
    // A fault seen already, whatever follows.
    bool failed() const { return m_bad; }

private:
    bool m_bad = false;
    int m_need = 0;     // continuation bytes still due
    uchar m_low = 0x80; // the range the next continuation byte must fall in
    uchar m_high = 0xBF;
};

// Splits bytes fed in pieces into lines (ended by LF, CR LF or CR) and hands each to the reader.
// A line longer than a reference can be is handed over as overlong, with its first bytes only.
// The bytes are UTF-8 (any but Windows1252) or Windows-1252; UTF-16 comes converted to UTF-8.
class LineReader
{
public:
    LineReader(const QString& folder, Encoding encoding, Sink sink)
        : m_folder(folder), m_sink(std::move(sink)), m_encoding(encoding)
    {
    }
    virtual ~LineReader() = default;
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // False once the bytes turned out binary (a NUL): no playlist, nothing more is read.
    bool feed(QByteArrayView bytes);
    // Ends the last line (and hands over what was kept back).
    void finish();

protected:
    virtual void line(const QString& text, bool overlong) = 0;
    virtual void end() {}

    const QString m_folder;
    const Sink m_sink;

private:
    void endLine();

    const Encoding m_encoding;
    QByteArray m_line;
    bool m_overlong = false;
    bool m_afterCr = false;
    bool m_first = true; // before the first line ends: a BOM may open it
    bool m_binary = false;
};

// M3U and M3U8: one reference per line; blank lines and "#" lines (#EXTM3U, #EXTINF ...) skipped.
class M3uReader : public LineReader
{
public:
    using LineReader::LineReader;

protected:
    void line(const QString& text, bool overlong) override;
};

// PLS: the FileN= values, in the order of N (of equal numbers the first, as the INI files PLS
// comes from are read), whatever the order of the lines; other keys and sections ignored. Kept
// until the end for their order, so at most MaxFiles of them.
class PlsReader : public LineReader
{
public:
    using LineReader::LineReader;
    static constexpr int MaxFiles = 100000;

protected:
    void line(const QString& text, bool overlong) override;
    void end() override;

private:
    // By N as a number of any length: by its digit count, then by its digits.
    struct ByNumber
    {
        bool operator()(const QString& a, const QString& b) const
        {
            return a.size() != b.size() ? a.size() < b.size() : a < b;
        }
    };
    std::map<QString, Entry, ByNumber> m_files;
};

// XSPF: the location elements of playlist/trackList/track, in any namespace, as URIs relative to
// the playlist's folder; one that is no valid URI as written (a raw "#", a stray "%", blanks) is
// also tried as a plain path, as some programs write them. Elements nested deeper than MaxDepth end the
// playlist (the XML reader keeps every open element).
class XspfReader
{
public:
    static constexpr int MaxDepth = 256;

    XspfReader(const QString& folder, Sink sink);
    ~XspfReader();
    XspfReader(const XspfReader&) = delete;
    XspfReader& operator=(const XspfReader&) = delete;

    // False once the bytes turned out to be no XSPF playlist (not XML, or another root element).
    bool feed(QByteArrayView bytes);
    // False when the bytes are no XSPF playlist. A fault after the root ends the playlist there.
    bool finish();
    // Nothing more will be taken.
    bool done() const { return m_done || m_broken; }

private:
    void run();
    void start();
    void end();

    const QString m_folder;
    const Sink m_sink;
    std::unique_ptr<QXmlStreamReader> m_xml;
    qint64 m_depth = 0;
    int m_match = 0; // how many of the open elements are playlist, trackList, track, location
    bool m_rooted = false;
    bool m_broken = false;
    bool m_done = false;
    bool m_overlong = false;
    Entry m_track;
    QString m_location;
};

// The readers in one go, for bytes in memory; none when the bytes are no playlist of the format.
std::optional<QList<Entry>> readM3u(QByteArrayView bytes, const QString& folder, Encoding encoding);
std::optional<QList<Entry>> readPls(QByteArrayView bytes, const QString& folder, Encoding encoding);
std::optional<QList<Entry>> readXspf(QByteArrayView bytes, const QString& folder);

// A reference of an M3U or PLS line (a path or a file: URI) as a full local path, taken from
// `folder` when relative; empty for a web address or what names no local file.
QString localPath(const QString& ref, const QString& folder);
// The full local paths an M3U or PLS reference may stand for, in the order to try: as written,
// trimmed, with "/" for "\", percent-decoded.
Entry lineCandidates(const QString& ref, const QString& folder);
// An XSPF location (a URI reference) the same way.
QString localPathOfUri(const QString& uri, const QString& folder);

// The bytes of each format for `entries`. Throw AppError for an entry that the format cannot hold
// (a line break, a NUL, a lone surrogate). A name that `encoding` cannot hold sends the whole file
// out as UTF-8, an M3U with a byte order mark. In M3U and PLS, a path that other players would misread
// (a "#", blanks at either end, the look of a URI) goes out as a file:// URI; a relative one is
// taken from `folder` for it.
QByteArray m3uBytes(const QStringList& entries, Encoding encoding, const QString& folder);
QByteArray plsBytes(const QStringList& entries, Encoding encoding, const QString& folder);
QByteArray xspfBytes(const QStringList& entries);

} // namespace PlaylistFormats
