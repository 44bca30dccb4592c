#include "playlist/CCFuncs.h"

#include "common/AppError.h"
#include "common/FileResult.h"
#include "common/PlainFile.h"
#include "common/SafeFile.h"
#include "common/StringList.h"
#include "playlist/ClipFinder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace CCFuncs {

namespace {

// The reader ends lines (or the file) at these bytes, or refuses the file: a path holding one
// would turn into other entries, or lose the rest of the playlist, when it is read back.
bool breaksEntry(char c)
{
    return c == '"' || c == '\r' || c == '\n' || c == 26 || c == 0;
}

QString shownPath(QString path)
{
    path.replace(u'\r', QLatin1String("\\r"));
    path.replace(u'\n', QLatin1String("\\n"));
    path.replace(QChar(26), QLatin1String("\\x1A"));
    path.replace(QChar(0), QLatin1String("\\0"));
    return path;
}

[[noreturn]] void refuseEntry(const QString& entry)
{
    throw AppError(QCoreApplication::translate(
                       "CCFuncs",
                       "This clip cannot go into a playlist because its name holds a double quote, "
                       "a line break or another control character:\n%1")
                       .arg(shownPath(entry)));
}

// Plain ASCII is copied as it is (most paths are), the rest goes through the system's encoder.
char* encode(char* out, const QString& text, QStringEncoder& encoder)
{
    const auto* in = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (in[i] >= 0x80)
            return encoder.appendToBuffer(out, QStringView(in + i, n - i));
        *out++ = char(in[i]);
    }
    return out;
}

char* put(char* out, const char* text, qsizetype size)
{
    std::memcpy(out, text, size_t(size));
    return out + size;
}

const char header[] = "<ASX VERSION=\"3.0\">\r\n"
                      "<!-- Created by Vidmarro, made by Vidmarro Software -->\r\n"
                      "<!-- https://www.vidmarro.com/ -->\r\n";
const char entryHead[] = " <ENTRY><REF HREF=\"";
const char entryTail[] = "\" /></ENTRY>\r\n";
const char footer[] = "</ASX>\r\n";

// ---- reading --------------------------------------------------------------------------------

constexpr qsizetype chunkSize = qsizetype(64) * 1024;
constexpr int maxValueChars = 999; // the tail taken after F=" (the closing quote must be in it)
// Bytes enough for maxValueChars characters in any 8-bit encoding the system may use.
constexpr qsizetype maxValueBytes = qsizetype(maxValueChars) * 4;
constexpr int minCharsBeforeF = 6;
constexpr qsizetype keptPrefixBytes = qsizetype(minCharsBeforeF) * 4;

// The playlist's descriptor for the length of one read.
class InputFile
{
public:
    InputFile() = default;
    ~InputFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    FileResult open(const QString& path) { return PlainFile::openForReading(path, m_fd); }

    // Bytes read into buf, 0 at the end of the file.
    FileResult read(char* buf, qsizetype size, qsizetype& n)
    {
        do {
            n = ::read(m_fd, buf, size_t(size));
        } while (n < 0 && errno == EINTR);
        return n < 0 ? FileResult::ioError(errno) : FileResult();
    }

private:
    int m_fd = -1;
};

bool isFileAt(const QByteArray& local)
{
    struct stat st;
    return ::stat(local.constData(), &st) == 0 && !S_ISDIR(st.st_mode);
}

int codePoints(const QString& s)
{
    int n = 0;
    for (const QChar c : s) {
        if (!c.isLowSurrogate())
            ++n;
    }
    return n;
}

// Picks at most one value per line, the text after the line's first F=", without ever holding
// more of a line than a value can use: a playlist may be any file, of any size.
class LineScanner
{
    // Bytes that end a line or the file, or give the file away as binary.
    static bool isStop(char c) { return c == '\r' || c == '\n' || c == 26 || c == 0; }

public:
    LineScanner(const QString& playlist, StringList& allBox)
        : m_playlist(playlist), m_folder(QFileInfo(playlist).absoluteDir()), m_allBox(allBox),
          m_finder(m_folder.path())
    {
    }

    // False once Ctrl-Z has ended the file.
    bool feed(const char* p, qsizetype n)
    {
        for (qsizetype i = 0; i < n; ++i) {
            const char c = p[i];
            if (c == '\r') {
                endLine();
                m_afterCr = true;
                continue;
            }
            if (c == '\n') {
                if (!m_afterCr)
                    endLine();
                m_afterCr = false;
                continue;
            }
            m_afterCr = false;
            if (c == 26)
                return false;
            if (c == 0) {
                throw AppError(
                    QCoreApplication::translate(
                        "CCFuncs", "%1\nis not a playlist that Vidmarro can read: it holds binary data.")
                        .arg(QDir::toNativeSeparators(m_playlist)));
            }
            switch (m_state) {
            case Seek:
                seek(c);
                break;
            case Value: {
                if (c == '"') {
                    m_closed = true;
                    m_state = Done;
                    break;
                }
                // The rest of the value in this piece, in one go.
                qsizetype end = i + 1;
                while (end < n && !isStop(p[end]) && p[end] != '"')
                    ++end;
                const qsizetype room = maxValueBytes - m_value.size();
                if (end - i > room) {
                    m_state = Done; // too long to be closed within the tail
                } else {
                    m_value.append(p + i, end - i);
                }
                i = end - 1;
                break;
            }
            case Done:
                while (i + 1 < n && !isStop(p[i + 1]))
                    ++i;
                break;
            }
        }
        return true;
    }

    void endLine()
    {
        if (m_matched)
            take();
        m_state = Seek;
        m_matched = m_closed = false;
        m_partial = 0;
        m_column = 0;
        m_value.clear();
    }

    int missing() const { return m_missing; }

private:
    enum State
    {
        Seek,
        Value,
        Done
    };

    void seek(char c)
    {
        if (m_partial == 2 && c == '"') {
            // Too near the line's start, the line yields nothing and is not counted either.
            m_matched = enoughBeforeF();
            m_state = m_matched ? Value : Done;
            return;
        }
        if (c == 'F') {
            m_partial = 1;
            m_fColumn = m_column;
        } else {
            m_partial = (m_partial == 1 && c == '=') ? 2 : 0;
        }
        if (m_column < keptPrefixBytes)
            m_prefix[m_column] = c;
        ++m_column;
    }

    bool enoughBeforeF() const
    {
        if (m_fColumn >= keptPrefixBytes)
            return true;
        return codePoints(QString::fromLocal8Bit(m_prefix, m_fColumn)) >= minCharsBeforeF;
    }

    void take()
    {
        // No closing quote within the tail, or nothing before it.
        if (!m_closed || m_value.isEmpty()) {
            ++m_missing;
            return;
        }
        const QString path = QString::fromLocal8Bit(m_value);
        if (m_value.size() >= maxValueChars && codePoints(path) >= maxValueChars) {
            ++m_missing;
            return;
        }
        // A relative entry is the playlist's own neighbour, wherever the program was started:
        // the same playlist must open the same clips from any folder.
        const bool relative = QDir::isRelativePath(path);
        const QString full = relative ? m_folder.absoluteFilePath(path) : path;
        if (!isFileAt(relative ? QFile::encodeName(m_folder.path()) + '/' + m_value : m_value)) {
            if (path.contains(QLatin1String("://"))) {
                ++m_missing; // a web address
                return;
            }
            // Made on Windows, or moved here with its clips: with "/" for "\\", or below this folder.
            QStringList candidates{full};
            if (QString slashed = QString(path).replace(u'\\', u'/'); slashed != path)
                candidates.append(QDir::isRelativePath(slashed) ? m_folder.absoluteFilePath(slashed)
                                                                : slashed);
            const QString found = m_finder.find(candidates);
            if (found.isEmpty())
                ++m_missing;
            else
                m_allBox.add(found);
            return;
        }
        // A name that is not valid text here would come back as another name when written
        // again, and the clip would silently drop out of the playlist.
        const bool ascii =
            std::all_of(m_value.cbegin(), m_value.cend(), [](char c) { return uchar(c) < 0x80; });
        if (!ascii && path.toLocal8Bit() != m_value) {
            throw AppError(QCoreApplication::translate(
                               "CCFuncs", "%1\nrefers to a clip whose name is not valid text on this "
                                          "system, so it cannot be kept:\n%2")
                               .arg(QDir::toNativeSeparators(m_playlist), path));
        }
        // Kept whole, since the list is played from another folder.
        m_allBox.add(full);
    }

    const QString& m_playlist;
    const QDir m_folder;
    StringList& m_allBox;
    ClipFinder m_finder;
    int m_missing = 0;

    State m_state = Seek;
    bool m_afterCr = false;
    bool m_matched = false; // the line's first F=" was found
    bool m_closed = false;  // the value's closing quote was found
    int m_partial = 0;      // how much of F=" the last bytes matched
    qsizetype m_column = 0; // bytes of the line before the current one
    qsizetype m_fColumn = 0;
    char m_prefix[keptPrefixBytes] = {}; // the line's first bytes, to count characters before F
    QByteArray m_value;
};

} // namespace

void WritePlaylist(const QStringList& entries, const QString& path)
{
    if (path.isEmpty())
        FileResult::ioError(EINVAL).throwIfFailed();

    // One buffer, filled in place: a playlist may list a hundred thousand clips.
    QStringEncoder encoder(QStringConverter::System);
    constexpr auto entryFrame = qsizetype(sizeof entryHead) + qsizetype(sizeof entryTail);
    qsizetype size = qsizetype(sizeof header) + qsizetype(sizeof footer);
    for (const QString& e : entries)
        size += encoder.requiredSpace(e.size()) + entryFrame;
    QByteArray data(size, Qt::Uninitialized);
    char* out = put(data.data(), header, sizeof header - 1);
    for (const QString& e : entries) {
        out = put(out, entryHead, sizeof entryHead - 1);
        char* const start = out;
        out = encode(out, e, encoder);
        if (std::any_of(start, out, breaksEntry))
            refuseEntry(e);
        out = put(out, entryTail, sizeof entryTail - 1);
    }
    out = put(out, footer, sizeof footer - 1);
    data.truncate(out - data.constData());
    ReplaceFile(path, data);
}

QByteArray Header()
{
    return QByteArray(header, sizeof header - 1);
}

void ReplaceFile(const QString& path, const QByteArray& data)
{
    if (path.isEmpty())
        FileResult::ioError(EINVAL).throwIfFailed();

    // A folder, a device or a pipe is not a playlist to replace (the node would be swapped for a
    // plain file). Nor is a file the user may not write: replacing it through the folder would
    // pass over its read-only mode or its owner.
    const QFileInfo existing(path);
    if (existing.exists() && (!existing.isFile() || !existing.isWritable()))
        FileResult::ioError(EACCES).throwIfFailed();

    const FileResult saved = SafeFile::replace(path, data);
    if (saved.error() == ENOTDIR) {
        // "File not found" would send the user looking for the playlist, not for what blocks it.
        QString blocker = QFileInfo(path).absolutePath();
        while (!QFileInfo::exists(blocker) && blocker != QDir::rootPath())
            blocker = QFileInfo(blocker).absolutePath();
        throw AppError(QCoreApplication::translate(
                           "CCFuncs", "Cannot write %1:\n%2 is a file, where a folder should be.")
                           .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(blocker)));
    }
    saved.throwIfFailed();
}

int ReadPlaylist(const QString& path, StringList& allBox)
{
    allBox.clear();
    allBox.setSorted(false);

    InputFile file;
    file.open(path).throwIfFailed();
    LineScanner scanner(path, allBox);
    QByteArray buf(chunkSize, Qt::Uninitialized);
    for (;;) {
        qsizetype n = 0;
        file.read(buf.data(), buf.size(), n).throwIfFailed();
        if (n == 0 || !scanner.feed(buf.constData(), n))
            break;
    }
    scanner.endLine();
    return scanner.missing();
}

} // namespace CCFuncs
