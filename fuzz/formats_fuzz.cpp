// Feeds any bytes to one of the readers of other programs' playlists (M3U, PLS or XSPF, as the
// build picks with VM_FUZZ_FORMAT), in memory: whole and in two pieces, which must agree; every
// reference a full local path; what was read, written back by the format's writer, reads back the
// same, in the encoding it was read in or UTF-8 with a mark (or the writer refuses a name the format
// cannot hold). The UTF-8 check that picks an M3U's
// encoding must agree with a decode and encode of the same bytes.
#include "FuzzScratch.h"

#include "common/AppError.h"
#include "playlist/PlaylistFormats.h"

#include <QStringDecoder>

#include <algorithm>

using namespace PlaylistFormats;

namespace {

const QString folder = QStringLiteral("/base/lists");

#if VM_FUZZ_FORMAT == 1
std::optional<QList<Entry>> readWhole(QByteArrayView bytes, Encoding encoding)
{
    return readM3u(bytes, folder, encoding);
}
using Reader = M3uReader;
QByteArray writeBack(const QStringList& entries, Encoding encoding)
{
    return m3uBytes(entries, encoding, folder);
}
#elif VM_FUZZ_FORMAT == 2
std::optional<QList<Entry>> readWhole(QByteArrayView bytes, Encoding encoding)
{
    return readPls(bytes, folder, encoding);
}
using Reader = PlsReader;
QByteArray writeBack(const QStringList& entries, Encoding encoding)
{
    return plsBytes(entries, encoding, folder);
}
#else
std::optional<QList<Entry>> readWhole(QByteArrayView bytes, Encoding)
{
    return readXspf(bytes, folder);
}
QByteArray writeBack(const QStringList& entries, Encoding)
{
    return xspfBytes(entries);
}
#endif

std::optional<QList<Entry>> readSplit(QByteArrayView bytes, qsizetype at, Encoding encoding)
{
    QList<Entry> entries;
    auto sink = [&](const Entry& e) { entries.append(e); };
#if VM_FUZZ_FORMAT == 3
    Q_UNUSED(encoding);
    XspfReader reader(folder, sink);
    if (!reader.feed(bytes.first(at)) || !reader.feed(bytes.sliced(at)) || !reader.finish())
        return std::nullopt;
#else
    Reader reader(folder, encoding, sink);
    if (!reader.feed(bytes.first(at)) || !reader.feed(bytes.sliced(at)))
        return std::nullopt;
    reader.finish();
#endif
    return entries;
}

bool holdable(const QString& path)
{
    for (qsizetype i = 0; i < path.size(); ++i) {
        const QChar c = path.at(i);
        if (c == QChar(0))
            return false;
#if VM_FUZZ_FORMAT != 3
        if (c == u'\r' || c == u'\n')
            return false;
#endif
        if (c.isHighSurrogate() && i + 1 < path.size() && path.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return false;
    }
    return true;
}

QString describe(const std::optional<QList<Entry>>& entries)
{
    if (!entries)
        return QStringLiteral("<none>");
    QStringList lines;
    for (const Entry& e : *entries)
        lines << e.join(u'|');
    return lines.join(u'\n');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    Utf8Check check;
    const qsizetype half = bytes.size() / 3;
    check.feed(bytes.first(half));
    check.feed(bytes.sliced(half));
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    const QString decoded = decoder.decode(bytes);
    const bool utf8 = !decoder.hasError() && decoded.toUtf8() == bytes;
    if (check.valid() != utf8)
        fuzzFailure("the UTF-8 check disagrees with a decode and encode");
    const Encoding encoding = utf8 ? Encoding::Utf8 : Encoding::Windows1252;

    const std::optional<QList<Entry>> whole = readWhole(bytes, encoding);
    const qsizetype at = size > 0 ? qsizetype(data[0]) * qsizetype(size) / 256 : 0;
    const std::optional<QList<Entry>> split = readSplit(bytes, at, encoding);
    // The XML reader finds a fault of encoding in the piece it decodes: a playlist in bad UTF-8 ends
    // at a place that depends on the pieces.
    const bool piecesMatter = VM_FUZZ_FORMAT == 3 && !utf8;
    if (whole != split && !piecesMatter)
        fuzzFailure("read whole and in two pieces differ",
                    describe(whole) + QStringLiteral("\n--\n") + describe(split));
    if (!whole)
        return 0;

    QStringList taken;
    for (const Entry& entry : *whole) {
        for (const QString& path : entry) {
            if (!path.startsWith(u'/'))
                fuzzFailure("a reference that is no full path", path);
        }
        if (!entry.isEmpty())
            taken << entry.first();
    }

    QByteArray again;
    try {
        again = writeBack(taken, encoding);
    } catch (const AppError& e) {
        if (std::all_of(taken.cbegin(), taken.cend(), holdable))
            fuzzFailure("the writer refused names it can hold", e.text());
        return 0;
    }
    // Read back as a file is: by its mark, else by whether it is UTF-8 beyond ASCII.
    Utf8Check backCheck;
    backCheck.feed(again);
    const bool nonAscii = std::any_of(again.cbegin(), again.cend(), [](char c) { return uchar(c) >= 0x80; });
    const Encoding backEncoding = encodingOf(again, backCheck.valid(), nonAscii, false);
    const std::optional<QList<Entry>> back = readWhole(again, backEncoding);
    QStringList backFirst;
    for (const Entry& entry : back.value_or(QList<Entry>()))
        backFirst << entry.value(0);
    if (backFirst != taken)
        fuzzFailure("written and read back, the list changed",
                    taken.join(u'\n') + QStringLiteral("\n--\n") + backFirst.join(u'\n'));
    return 0;
}
