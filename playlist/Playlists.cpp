#include "playlist/Playlists.h"

#include "common/AppError.h"
#include "common/FileResult.h"
#include "common/PlainFile.h"
#include "common/StringList.h"
#include "playlist/AsxParse.h"
#include "playlist/CCFuncs.h"
#include "playlist/ClipFinder.h"
#include "playlist/PlaylistFormats.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace Playlists {

using PlaylistFormats::Encoding;
using PlaylistFormats::Entry;

namespace {

constexpr qsizetype ChunkSize = qsizetype(64) * 1024;
constexpr qsizetype SniffedBytes = 4096;
// The XML readers hold a whole element's text, or the whole file: larger than any real playlist.
constexpr qint64 MaxMarkupBytes = qint64(64) * 1024 * 1024;

// A playlist opened as a plain file (a FIFO or a device would keep the reader waiting).
class InputFile
{
public:
    explicit InputFile(const QString& path) { PlainFile::openForReading(path, m_fd).throwIfFailed(); }
    ~InputFile() { ::close(m_fd); }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Calls onBytes with each piece until the end of the file or until it returns false.
    template <typename OnBytes> void readAll(OnBytes onBytes)
    {
        QByteArray buf(ChunkSize, Qt::Uninitialized);
        for (;;) {
            const qsizetype n = read(buf.data(), buf.size());
            if (n == 0 || !onBytes(QByteArrayView(buf.constData(), n)))
                return;
        }
    }

    qsizetype read(char* buf, qsizetype size)
    {
        ssize_t n;
        do {
            n = ::read(m_fd, buf, size_t(size));
        } while (n < 0 && errno == EINTR);
        if (n < 0)
            FileResult::ioError(errno).throwIfFailed();
        return n;
    }

    // The first size bytes, or the whole file when it is shorter.
    QByteArray readHead(qsizetype size)
    {
        QByteArray head(size, Qt::Uninitialized);
        qsizetype got = 0;
        while (got < size) {
            const qsizetype n = read(head.data() + got, size - got);
            if (n == 0)
                break;
            got += n;
        }
        head.truncate(got);
        return head;
    }

    void rewind()
    {
        if (::lseek(m_fd, 0, SEEK_SET) < 0)
            FileResult::ioError(errno).throwIfFailed();
    }

private:
    int m_fd = -1;
};

[[noreturn]] void refuseBinary(const QString& path)
{
    throw AppError(QCoreApplication::translate(
                       "Playlists", "%1\nis not a playlist that Vidmarro can read: it holds binary data.")
                       .arg(QDir::toNativeSeparators(path)));
}

[[noreturn]] void refuseTooLarge(const QString& path)
{
    throw AppError(QCoreApplication::translate("Playlists", "%1\nis too large to be read as a playlist.")
                       .arg(QDir::toNativeSeparators(path)));
}

[[noreturn]] void refuseNotXspf(const QString& path)
{
    throw AppError(QCoreApplication::translate(
                       "Playlists", "%1\nis not a playlist that Vidmarro can read: it is no XSPF playlist.")
                       .arg(QDir::toNativeSeparators(path)));
}

// Counts into allBox and the missing count: the first reference of an entry whose file exists.
struct Taker
{
    StringList& allBox;
    ClipFinder finder;
    int missing = 0;

    void take(const QStringList& sources)
    {
        const QString found = finder.find(sources);
        if (found.isEmpty())
            ++missing;
        else
            allBox.add(found);
    }
};

QString folderOf(const QString& path)
{
    return QFileInfo(path).absolutePath();
}

bool startsWith(QByteArrayView text, qsizetype& i, const char* word)
{
    const QByteArrayView w(word);
    if (text.size() - i < w.size() || text.sliced(i, w.size()).compare(w, Qt::CaseInsensitive) != 0)
        return false;
    i += w.size();
    return true;
}

bool isNameChar(char c)
{
    return !(c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '>' || c == '/');
}

// How an M3U or PLS file is written: a byte order mark, else UTF-8 when all of it is valid UTF-8
// beyond ASCII (or the name says so), else Windows-1252.
Encoding encodingOfFile(InputFile& file, bool m3u8, bool* ascii = nullptr)
{
    const QByteArray head = file.readHead(3);
    PlaylistFormats::Utf8Check check;
    bool nonAscii = false;
    auto look = [&](QByteArrayView bytes) {
        check.feed(bytes);
        nonAscii =
            nonAscii || std::any_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) >= 0x80; });
        return !check.failed(); // the rest cannot make it valid
    };
    look(head);
    if (!m3u8 && !check.failed())
        file.readAll(look);
    file.rewind();
    if (ascii)
        *ascii = !nonAscii;
    return PlaylistFormats::encodingOf(head, check.valid(), nonAscii, m3u8);
}

template <typename Reader> int readLines(const QString& path, bool m3u8, Taker& taker)
{
    InputFile file(path);
    const Encoding encoding = encodingOfFile(file, m3u8);
    const bool wide = encoding == Encoding::Utf16Le || encoding == Encoding::Utf16Be;
    Reader reader(folderOf(path), wide ? Encoding::Utf8 : encoding, [&](const Entry& e) { taker.take(e); });
    bool binary = false;
    if (wide) {
        // Read whole and handed on as UTF-8: its own NULs are no sign of binary data.
        QByteArray bytes;
        file.readAll([&](QByteArrayView piece) {
            if (bytes.size() + piece.size() > MaxMarkupBytes)
                refuseTooLarge(path);
            bytes += piece;
            return true;
        });
        QStringDecoder decoder(encoding == Encoding::Utf16Le ? QStringConverter::Utf16LE
                                                             : QStringConverter::Utf16BE);
        const QString text = decoder.decode(bytes);
        binary = text.contains(QChar(0)) || !reader.feed(text.toUtf8());
    } else {
        file.readAll([&](QByteArrayView bytes) { return !(binary = !reader.feed(bytes)); });
    }
    if (binary)
        refuseBinary(path);
    reader.finish();
    return taker.missing;
}

int readXspf(const QString& path, Taker& taker)
{
    InputFile file(path);
    PlaylistFormats::XspfReader reader(folderOf(path), [&](const Entry& e) { taker.take(e); });
    bool ok = true;
    qint64 size = 0;
    file.readAll([&](QByteArrayView bytes) {
        if ((size += bytes.size()) > MaxMarkupBytes)
            refuseTooLarge(path);
        ok = reader.feed(bytes);
        return ok && !reader.done();
    });
    if (!ok || !reader.finish())
        refuseNotXspf(path);
    return taker.missing;
}

// Another program's ASX: what the media control takes from it, one path per clip.
int readForeignAsx(const QString& path, Taker& taker)
{
    {
        // A clip picked by mistake must not pass for an empty playlist (saving over it would
        // destroy it); UTF-16 text has NULs of its own.
        InputFile file(path);
        bool first = true;
        bool wide = false;
        bool binary = false;
        qint64 size = 0;
        file.readAll([&](QByteArrayView bytes) {
            if ((size += bytes.size()) > MaxMarkupBytes)
                refuseTooLarge(path);
            if (first) {
                const auto encoding = QStringConverter::encodingForData(bytes);
                wide = encoding && *encoding != QStringConverter::Utf8;
                first = false;
            }
            binary = !wide && bytes.contains('\0');
            return !binary;
        });
        if (binary)
            refuseBinary(path);
    }
    for (const AsxParse::Item& item : AsxParse::readPlaylist(path, AsxParse::Nested::Keep))
        taker.take(item.sources);
    return taker.missing;
}

bool writtenHere(const QString& path)
{
    const QByteArray header = CCFuncs::Header();
    return InputFile(path).readHead(header.size()) == header;
}

} // namespace

Format formatOfContent(QByteArrayView head)
{
    QByteArray text;
    const auto encoding = QStringConverter::encodingForData(head);
    if (encoding && *encoding != QStringConverter::Utf8) {
        QStringDecoder decoder(*encoding);
        text = QString(decoder.decode(head)).toUtf8();
    } else if (head.contains('\0')) {
        return Format::None;
    } else {
        text = head.toByteArray();
    }
    qsizetype i = 0;
    if (text.startsWith("\xEF\xBB\xBF"))
        i = 3;
    for (;;) {
        while (i < text.size() && QChar::isSpace(uchar(text.at(i))))
            ++i;
        if (startsWith(text, i, "#EXTM3U"))
            return Format::M3u;
        if (startsWith(text, i, "[playlist]"))
            return Format::Pls;
        // XML: past a declaration, comments and a document type to the root element.
        const char* close = nullptr;
        if (startsWith(text, i, "<?"))
            close = "?>";
        else if (startsWith(text, i, "<!--"))
            close = "-->";
        else if (startsWith(text, i, "<!"))
            close = ">";
        if (close) {
            const qsizetype end = text.indexOf(close, i);
            if (end < 0)
                return Format::None;
            i = end + qsizetype(qstrlen(close));
            continue;
        }
        if (i >= text.size() || text.at(i) != '<')
            return Format::None;
        qsizetype end = ++i;
        while (end < text.size() && isNameChar(text.at(end)))
            ++end;
        QByteArrayView name = QByteArrayView(text).sliced(i, end - i);
        if (name.compare("asx", Qt::CaseInsensitive) == 0)
            return Format::Asx;
        if (const qsizetype colon = name.lastIndexOf(':'); colon >= 0)
            name = name.sliced(colon + 1);
        return name == "playlist" ? Format::Xspf : Format::None;
    }
}

Format formatOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("asx"))
        return Format::Asx;
    if (suffix == QLatin1String("m3u"))
        return Format::M3u;
    if (suffix == QLatin1String("m3u8"))
        return Format::M3u8;
    if (suffix == QLatin1String("pls"))
        return Format::Pls;
    if (suffix == QLatin1String("xspf"))
        return Format::Xspf;
    if (suffix == QLatin1String("wax") || suffix == QLatin1String("wvx"))
        return Format::None;
    try {
        return formatOfContent(InputFile(path).readHead(SniffedBytes));
    } catch (const AppError&) {
        return Format::None;
    }
}

int read(const QString& path, StringList& allBox)
{
    allBox.clear();
    allBox.setSorted(false);
    Taker taker{allBox, ClipFinder(folderOf(path))};
    switch (formatOf(path)) {
    case Format::None:
        break;
    case Format::Asx:
        if (writtenHere(path))
            break;
        return readForeignAsx(path, taker);
    case Format::M3u:
        return readLines<PlaylistFormats::M3uReader>(path, false, taker);
    case Format::M3u8:
        return readLines<PlaylistFormats::M3uReader>(path, true, taker);
    case Format::Pls:
        return readLines<PlaylistFormats::PlsReader>(path, false, taker);
    case Format::Xspf:
        return readXspf(path, taker);
    }
    return CCFuncs::ReadPlaylist(path, allBox);
}

namespace {

// The encoding to write an M3U or PLS in: the one of the file there, so that a file written back
// keeps it (an M3U of plain ASCII counts as Windows-1252, most are; a PLS as UTF-8, which other
// players read it in); a new file is UTF-8.
Encoding encodingToWrite(const QString& path, Format format)
{
    if (QFileInfo(path).isFile()) {
        try {
            InputFile file(path);
            bool ascii = false;
            const Encoding encoding = encodingOfFile(file, format == Format::M3u8, &ascii);
            return format == Format::Pls && ascii ? Encoding::Utf8 : encoding;
        } catch (const AppError&) {
            // an unreadable file is refused when it is replaced
        }
    }
    return Encoding::Utf8;
}

} // namespace

void write(const QStringList& entries, const QString& path)
{
    QByteArray data;
    const QString folder = folderOf(path);
    const Format format = formatOf(path);
    switch (format) {
    case Format::None:
    case Format::Asx:
        CCFuncs::WritePlaylist(entries, path);
        return;
    case Format::M3u:
    case Format::M3u8:
        data = PlaylistFormats::m3uBytes(entries, encodingToWrite(path, format), folder);
        break;
    case Format::Pls:
        data = PlaylistFormats::plsBytes(entries, encodingToWrite(path, format), folder);
        break;
    case Format::Xspf:
        data = PlaylistFormats::xspfBytes(entries);
        break;
    }
    CCFuncs::ReplaceFile(path, data);
}

QString otherFormatsFilter()
{
    return QCoreApplication::translate("Playlists", "Other playlists (*.m3u *.m3u8 *.pls *.xspf)");
}

} // namespace Playlists
