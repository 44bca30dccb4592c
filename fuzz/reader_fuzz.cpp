// Feeds any bytes to the playlist reader as a file, then checks what it took: only clips that
// exist, nothing that would break a line when written back, and a write and read back that gives
// the same list.
#include "FuzzScratch.h"

#include "common/AppError.h"
#include "common/StringList.h"
#include "playlist/CCFuncs.h"

#include <algorithm>
#include <sys/stat.h>

namespace {

FuzzScratch& scratch()
{
    static FuzzScratch s;
    return s;
}

// The clips the seeds refer to, by relative names: plain, blanks, "&", UTF-8, a folder with a
// clip's name, links good and dangling, and one name that is not valid UTF-8 (the reader refuses
// a playlist that names it, rather than drop it at the next save).
void makeClips(FuzzScratch& s)
{
    for (const char* name :
         {"clip1.mp3", "clip 2.wav", "Tom & Jerry.mp3", "\xC3\xBCn\xC3\xAF \xE2\x82\xAC.mp3", "x",
          "sub/deep.avi", "sub/more/deeper.mid"})
        s.writeFile(name, "clip");
    s.writeFile("\xFF\xFE bad.mp3", "clip");
    s.makeFolder("folder.mp3");
    s.makeLink("link.mp3", "clip1.mp3");
    s.makeLink("dangling.mp3", "gone.mp3");
    s.makeLink("loop.mp3", "loop.mp3");
}

bool isClipFile(const QString& path)
{
    struct stat st;
    return ::stat(path.toLocal8Bit().constData(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool breaksLine(QChar c)
{
    return c == u'"' || c == u'\r' || c == u'\n' || c == QChar(26) || c == QChar(0);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    makeClips(scratch());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzScratch& s = scratch();
    s.writeInput("input.asx", data, size);

    StringList box;
    box.add(QStringLiteral("left over from before"));
    int missing = 0;
    try {
        missing = CCFuncs::ReadPlaylist(QStringLiteral("input.asx"), box);
    } catch (const AppError& e) {
        if (e.text().isEmpty())
            fuzzFailure("a refusal without a text");
        return 0;
    }
    if (missing < 0)
        fuzzFailure("negative count of missing clips");
    if (box.sorted())
        fuzzFailure("sorted mode left on");

    const QStringList taken = box.items();
    for (const QString& clip : taken) {
        if (clip.isEmpty() || !isClipFile(clip))
            fuzzFailure("took a clip that is not there", clip);
        if (std::any_of(clip.cbegin(), clip.cend(), breaksLine))
            fuzzFailure("took a clip name that breaks a line", clip);
    }
    if (taken.isEmpty())
        return 0;

    // What was read must survive our own writer and come back the same.
    try {
        CCFuncs::WritePlaylist(taken, QStringLiteral("again.asx"));
        StringList again;
        const int lost = CCFuncs::ReadPlaylist(QStringLiteral("again.asx"), again);
        if (lost != 0 || again.items() != taken)
            fuzzFailure("write and read back changed the list", again.items().join(u'\n'));
    } catch (const AppError& e) {
        fuzzFailure("write or read back refused what was read", e.text());
    }
    return 0;
}
