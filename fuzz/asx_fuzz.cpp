// Feeds any bytes to the media control's playlist parser as a playlist among clips and other
// playlists (one that names this one, a link to it, one naming eighty more, a folder and an empty
// file with playlist names, FIFOs), and checks the shape of what it returns.
#include "FuzzScratch.h"

#include "playlist/AsxParse.h"

namespace {

FuzzScratch& scratch()
{
    static FuzzScratch s;
    return s;
}

void makeFiles(FuzzScratch& s)
{
    for (const char* name : {"clip1.mp3", "clip 2.wav", "Tom & Jerry.mp3", "sub/deep.avi"})
        s.writeFile(name, "clip");
    s.writeFile("input.asx", {});
    // The same file under a name without an extension: the parser must tell it by its content.
    s.makeLink("input", "input.asx");
    s.writeFile("inner.asx", "<asx version=\"3.0\"><entry><ref href=\"input.asx\"/></entry>"
                             "<entry><ref href=\"clip1.mp3\"/><ref href=\"clip 2.wav\"/></entry></asx>");
    s.writeFile("fan.asx",
                "<ASX><ENTRY><REF HREF=\"inner.asx\"/></ENTRY><ENTRY><REF HREF=\"inner.asx\"/></ENTRY>"
                "<ENTRYREF HREF=\"fan.asx\"/><ENTRY><REF HREF=\"sub/up.asx\"/></ENTRY></ASX>");
    s.writeFile("sub/up.asx", "<asx><entry><ref href=\"../input\"/><ref href=\"deep.avi\"/></entry></asx>");
    s.writeFile("sniffed", "<?xml version=\"1.0\"?><!-- x --><asx><ref href=\"clip1.mp3\"></asx>");
    // More lists named from one nested list than the parser's table of lists read starts with.
    QByteArray many = "<asx>";
    for (int i = 0; i < 80; ++i) {
        const QByteArray name = "many/" + QByteArray::number(i) + ".asx";
        s.writeFile(name, "<asx><entry><ref href=\"../clip1.mp3\"/></entry><entry><ref "
                          "href=\"../many.asx\"/></entry></asx>");
        many += "<entry><ref href=\"" + name + "\"/></entry>";
    }
    s.writeFile("many.asx", many + "</asx>");
    s.writeFile("empty.asx", {});
    s.makeFolder("folder.asx");
    s.makeLink("loop.asx", "input.asx");
    s.makeLink("self-loop.asx", "self-loop.asx");
    // Named as playlists, these must be passed over rather than waited on.
    s.makeFifo("pipe.asx");
    s.makeFifo("pipe");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    makeFiles(scratch());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzScratch& s = scratch();
    s.writeInput("input.asx", data, size);

    const QList<AsxParse::Item> items = AsxParse::readPlaylist(QStringLiteral("input.asx"));
    if (items.size() > 100000)
        fuzzFailure("more clips than the parser allows");
    int last = 1;
    for (const AsxParse::Item& item : items) {
        if (item.entry < last)
            fuzzFailure("entry numbers out of order");
        last = item.entry;
        if (item.sources.isEmpty())
            fuzzFailure("a clip without a source");
        for (const QString& source : item.sources) {
            if (source.trimmed().isEmpty())
                fuzzFailure("an empty source");
        }
    }

    // Entities straight from the bytes, as an attribute value could hold them.
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString decoded = AsxParse::decodeEntities(text);
    if (decoded.size() > text.size() || (!text.contains(u'&') && decoded != text))
        fuzzFailure("entity decoding grew the text or changed text without entities", text);
    return 0;
}
