#include "common/StringList.h"
#include "playlist/AsxParse.h"
#include "playlist/Playlists.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using AsxParse::Item;

namespace {

void write(const QString& path, const QByteArray& text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

// "entry:source|alternative" for each item, for compact comparisons.
QStringList describe(const QList<Item>& items, const QString& root)
{
    QStringList out;
    for (const Item& item : items) {
        QStringList sources;
        for (const QString& s : item.sources)
            sources.append(QString(s).replace(root + u'/', QString()));
        out.append(QString::number(item.entry) + u':' + sources.join(u'|'));
    }
    return out;
}

} // namespace

class TestAsxParse : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodesEntities_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("named") << "a&amp;b&lt;c&gt;&quot;&apos;"
                               << "a&b<c>\"'";
        QTest::newRow("any case") << "&AMP;&Amp;"
                                  << "&&";
        QTest::newRow("numeric") << "&#38;&#x26;&#X41;"
                                 << "&&A";
        QTest::newRow("raw ampersand") << "Tom & Jerry.mp3"
                                       << "Tom & Jerry.mp3";
        QTest::newRow("unknown entity kept") << "a&nbsp;b&;c&"
                                             << "a&nbsp;b&;c&";
        QTest::newRow("bad numbers kept") << "&#xD800;&#0;&#99999999;"
                                          << "&#xD800;&#0;&#99999999;";
    }
    void decodesEntities()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(AsxParse::decodeEntities(in), out);
    }

    // What other programs write: any letter case, other quotes, entities, comments, odd layout.
    void readsLeniently()
    {
        QTemporaryDir dir;
        const QString root = dir.path();
        QDir().mkpath(root + QStringLiteral("/sub"));
        write(root + QStringLiteral("/list.asx"),
              "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n"
              "<!-- <ENTRY><REF HREF=\"commented.mp3\"/></ENTRY> -->\n"
              "<asx version=\"3.0\"><Title>t</Title>\n"
              "<entry><ref href=\"one.mp3\"/></entry>\n"
              "<Entry>\n  <Ref\n   Href = 'sub/two &amp; three.mp3' >\n</Entry>\n"
              "<ENTRY><REF HREF=Tom&Jerry.wav/></ENTRY><ENTRY><REF HREF=\"/abs/four.mp3\"/></ENTRY>\n"
              "<ENTRY><REF HREF=\"file:///abs/five%20x.mp3\"/></ENTRY>\n"
              "<ENTRY><REF HREF=\"file:%20%0C\"/><REF HREF=\"file:../up.mp3\"/></ENTRY>\n"
              "<ENTRY><REF HREF=\"http://example.com/six.mp3\"/></ENTRY>\n"
              "<ENTRY><REF HREF=\"../up.mp3\"/><REF HREF=\"alt.mp3\"/></ENTRY>\n"
              "<ENTRY></ENTRY>\n"
              "<ENTRY><REF HREF=\"seven.mp3\"/></ENTRY>\n"
              "<ENTRY><REF HREF=\"sub\\win.mp3\"/></ENTRY>\n"
              "</ASX><ENTRY><REF HREF=\"after.mp3\"/></ENTRY>");
        const QString up = QDir::cleanPath(root + QStringLiteral("/../up.mp3"));
        QCOMPARE(describe(AsxParse::readPlaylist(root + QStringLiteral("/list.asx")), root),
                 (QStringList{QStringLiteral("1:one.mp3"), QStringLiteral("2:sub/two & three.mp3"),
                              QStringLiteral("3:Tom&Jerry.wav"), QStringLiteral("4:/abs/four.mp3"),
                              QStringLiteral("5:/abs/five x.mp3"), QStringLiteral("6:") + up,
                              QStringLiteral("7:http://example.com/six.mp3"),
                              QStringLiteral("8:") + up + QStringLiteral("|alt.mp3"),
                              // the empty entry keeps its number, so that numbers match the file's entries
                              QStringLiteral("10:seven.mp3"),
                              // made on Windows: its "/" form as an alternative
                              QStringLiteral("11:sub\\win.mp3|sub/win.mp3")}));
    }

    // The program's working playlist has no .asx extension; its content tells.
    void knowsPlaylistsByContent()
    {
        QTemporaryDir dir;
        const QString root = dir.path();
        write(root + QStringLiteral("/playlist.tmp"),
              "\r\n  <ASX VERSION=\"3.0\">\r\n <ENTRY><REF HREF=\"a.mp3\" /></ENTRY>\r\n</ASX>\r\n");
        write(root + QStringLiteral("/clip.mp3"), QByteArray("ID3\x03\0\0\0\0\0\0<asx>", 16));
        QVERIFY(AsxParse::isPlaylist(root + QStringLiteral("/playlist.tmp")));
        QVERIFY(!AsxParse::isPlaylist(root + QStringLiteral("/clip.mp3")));
        QCOMPARE(describe(AsxParse::readPlaylist(root + QStringLiteral("/playlist.tmp")), root),
                 QStringList{QStringLiteral("1:a.mp3")});
        // a clip on its own is a one-entry run; a missing playlist has nothing
        QCOMPARE(describe(AsxParse::readPlaylist(root + QStringLiteral("/clip.mp3")), root),
                 QStringList{QStringLiteral("1:clip.mp3")});
        QVERIFY(AsxParse::readPlaylist(root + QStringLiteral("/gone.asx")).isEmpty());
    }

    // Nested playlists play in place and share the number of the entry that names them; a playlist
    // that comes round to itself is expanded once.
    void expandsNestedPlaylistsOnce()
    {
        QTemporaryDir dir;
        const QString root = dir.path();
        QDir().mkpath(root + QStringLiteral("/inner"));
        write(root + QStringLiteral("/top.asx"), "<ASX><ENTRY><REF HREF=\"a.mp3\"/></ENTRY>"
                                                 "<ENTRY><REF HREF=\"inner/mix.WAX\"/></ENTRY>"
                                                 "<ENTRYREF HREF=\"loop.wvx\"/>"
                                                 "<ENTRY><REF HREF=\"top.asx\"/></ENTRY>"
                                                 "<ENTRY><REF HREF=\"mixlink.asx\"/></ENTRY>"
                                                 "<ENTRY><REF HREF=\"d.mp3\"/></ENTRY></ASX>");
        // the same list again through a link: read once, but its names are taken from the link's folder
        QVERIFY(QFile::link(root + QStringLiteral("/inner/mix.WAX"), root + QStringLiteral("/mixlink.asx")));
        // relative to its own folder, and back up to the top list (a loop)
        write(root + QStringLiteral("/inner/mix.WAX"),
              "<asx><entry><ref href=\"b.wma\"/></entry><entry><ref href=\"c.wma\"/></entry>"
              "<entry><ref href=\"../top.asx\"/></entry></asx>");
        write(root + QStringLiteral("/loop.wvx"),
              "<ASX><ENTRY><REF HREF=\"loop2.asx\"/></ENTRY><ENTRY><REF HREF=\"v.wmv\"/></ENTRY></ASX>");
        write(root + QStringLiteral("/loop2.asx"),
              "<ASX><ENTRY><REF HREF=\"loop.wvx\"/></ENTRY><ENTRY><REF HREF=\"w.wmv\"/></ENTRY></ASX>");
        QCOMPARE(describe(AsxParse::readPlaylist(root + QStringLiteral("/top.asx")), root),
                 (QStringList{QStringLiteral("1:a.mp3"), QStringLiteral("2:inner/b.wma"),
                              QStringLiteral("2:inner/c.wma"), QStringLiteral("3:w.wmv"),
                              QStringLiteral("3:v.wmv"), QStringLiteral("5:b.wma"), QStringLiteral("5:c.wma"),
                              QStringLiteral("6:d.mp3")}));
        // For the play order, the title and Mark, every entry stays as listed.
        QCOMPARE(
            describe(AsxParse::readPlaylist(root + QStringLiteral("/top.asx"), AsxParse::Nested::Keep), root),
            (QStringList{QStringLiteral("1:a.mp3"), QStringLiteral("2:inner/mix.WAX"),
                         QStringLiteral("3:loop.wvx"), QStringLiteral("4:top.asx"),
                         QStringLiteral("5:mixlink.asx"), QStringLiteral("6:d.mp3")}));
    }

    // A FIFO or a device named as a playlist, nested or not, is no playlist: opening it for reading
    // would wait for a writer that never comes.
    void skipsPipesAndDevices()
    {
        QTemporaryDir dir;
        const QString root = dir.path();
        QCOMPARE(::mkfifo(QFile::encodeName(root + QStringLiteral("/pipe.asx")).constData(), 0600), 0);
        QCOMPARE(::mkfifo(QFile::encodeName(root + QStringLiteral("/pipe")).constData(), 0600), 0);
        write(root + QStringLiteral("/top.asx"), "<ASX><ENTRY><REF HREF=\"pipe.asx\"/></ENTRY>"
                                                 "<ENTRY><REF HREF=\"pipe\"/></ENTRY>"
                                                 "<ENTRY><REF HREF=\"/dev/tty\"/></ENTRY>"
                                                 "<ENTRY><REF HREF=\"a.mp3\"/></ENTRY></ASX>");
        QVERIFY(AsxParse::isPlaylist(root + QStringLiteral("/pipe.asx")));
        QVERIFY(!AsxParse::isPlaylist(root + QStringLiteral("/pipe")));
        QVERIFY(!AsxParse::isPlaylist(QStringLiteral("/dev/tty")));
        QVERIFY(AsxParse::readPlaylist(root + QStringLiteral("/pipe.asx")).isEmpty());
        // the FIFO without an extension stays an entry of its own, for the engine to refuse
        QCOMPARE(
            describe(AsxParse::readPlaylist(root + QStringLiteral("/top.asx")), root),
            (QStringList{QStringLiteral("2:pipe"), QStringLiteral("3:/dev/tty"), QStringLiteral("4:a.mp3")}));
    }

    // A NUL inside a reference must not cut it down to another name: here the playlist itself,
    // which would then be expanded again and again past the loop check.
    void refusesNamesWithNul()
    {
        QTemporaryDir dir;
        const QString root = dir.path();
        const char selfRef[] = "<ENTRY><REF HREF=\"top.asx\0.asx\"/></ENTRY>";
        const QByteArray self(selfRef, sizeof selfRef - 1);
        write(root + QStringLiteral("/top.asx"),
              "<ASX>" + self + self + "<ENTRY><REF HREF=\"a.mp3\"/></ENTRY></ASX>");
        QCOMPARE(describe(AsxParse::readPlaylist(root + QStringLiteral("/top.asx")), root),
                 QStringList{QStringLiteral("3:a.mp3")});
        QVERIFY(!AsxParse::isPlaylist(root + QStringLiteral("/top.asx") + QChar(0) + QStringLiteral("x")));
    }

    // Ten levels of playlists, each naming the next ten times and the last one naming nothing, give
    // no clip but would be read ten billion times; the reader gives up on them and goes on. A
    // playlist named a few times over still plays each time.
    void boundsPlaylistsThatFanOut()
    {
        QTemporaryDir dir;
        const QString root = dir.path();
        constexpr int levels = 10;
        for (int level = 0; level < levels; ++level) {
            QByteArray text = "<ASX>";
            for (int i = 0; level + 1 < levels && i < 10; ++i)
                text += "<ENTRY><REF HREF=\"level" + QByteArray::number(level + 1) + ".asx\"/></ENTRY>";
            write(root + QStringLiteral("/level%1.asx").arg(level), text + "</ASX>");
        }
        write(root + QStringLiteral("/album.asx"), "<ASX><ENTRY><REF HREF=\"b.mp3\"/></ENTRY></ASX>");
        write(root + QStringLiteral("/top.asx"),
              "<ASX><ENTRY><REF HREF=\"level0.asx\"/></ENTRY><ENTRY><REF HREF=\"a.mp3\"/></ENTRY>"
              "<ENTRY><REF HREF=\"album.asx\"/></ENTRY><ENTRYREF HREF=\"album.asx\"/>"
              "<ENTRY><REF HREF=\"album.asx\"/></ENTRY></ASX>");
        QCOMPARE(describe(AsxParse::readPlaylist(root + QStringLiteral("/top.asx")), root),
                 (QStringList{QStringLiteral("2:a.mp3"), QStringLiteral("3:b.mp3"), QStringLiteral("4:b.mp3"),
                              QStringLiteral("5:b.mp3")}));
    }

    // A nested list that names hundreds of other lists: what is kept of the lists already read
    // grows while the outer one is still being scanned.
    void readsManyNestedListsInOne()
    {
        QTemporaryDir dir;
        const QString root = dir.path();
        constexpr int count = 300;
        QByteArray mid = "<ASX>";
        QStringList expected;
        for (int i = 0; i < count; ++i) {
            const QByteArray n = QByteArray::number(i);
            mid += "<ENTRY><REF HREF=\"n" + n + ".asx\"/></ENTRY>";
            write(root + QStringLiteral("/n%1.asx").arg(i),
                  "<ASX><ENTRY><REF HREF=\"c" + n + ".mp3\"/></ENTRY></ASX>");
            expected << QStringLiteral("1:c%1.mp3").arg(i);
        }
        write(root + QStringLiteral("/mid.asx"), mid + "</ASX>");
        write(root + QStringLiteral("/top.asx"),
              "<ASX><ENTRY><REF HREF=\"mid.asx\"/></ENTRY><ENTRY><REF HREF=\"x.mp3\"/></ENTRY></ASX>");
        expected << QStringLiteral("2:x.mp3");
        QCOMPARE(describe(AsxParse::readPlaylist(root + QStringLiteral("/top.asx")), root), expected);
    }

    // A BASE holds for the references after it, at its own level: the playlist's, or one entry's.
    // Against a web BASE a path is part of a URL; a nested playlist has its own folder and no BASE.
    void resolvesAgainstBase()
    {
        QTemporaryDir dir;
        const QString root = dir.path();
        QDir().mkpath(root + QStringLiteral("/sub"));
        write(root + QStringLiteral("/sub/nested.asx"), "<ASX><ENTRY><REF HREF=\"n.mp3\"/></ENTRY></ASX>");
        write(
            root + QStringLiteral("/list.asx"),
            "<ASX><ENTRY><REF HREF=\"before.mp3\"/></ENTRY><ENTRYREF HREF=\"sub/nested.asx\"/>\n"
            "<base href=\"http://host/media/\"/>\n"
            "<ENTRY><REF HREF=\"/media/clip.wmv\"/><REF HREF=\"a b.wmv\"/><REF HREF=\"mms://x/y\"/></ENTRY>\n"
            "<ENTRY><BASE HREF=\"sub/\"/><REF HREF=\"../up.wmv\"/></ENTRY>\n"
            "<ENTRY><REF HREF=\"file:local.mp3\"/></ENTRY>\n"
            "<ENTRY><BASE HREF=\"file:../other\"/><REF HREF=\"o.mp3\"/></ENTRY>\n"
            "<BASE HREF=\"../x/\"/><ENTRY><REF HREF=\"x.mp3\"/></ENTRY></ASX>");
        QCOMPARE(
            describe(AsxParse::readPlaylist(root + QStringLiteral("/list.asx")), root),
            (QStringList{QStringLiteral("1:before.mp3"), QStringLiteral("2:sub/n.mp3"),
                         QStringLiteral("3:http://host/media/clip.wmv|http://host/media/a%20b.wmv|mms://x/y"),
                         QStringLiteral("4:http://host/media/up.wmv"), QStringLiteral("5:local.mp3"),
                         QStringLiteral("6:") + QDir::cleanPath(root + QStringLiteral("/../other/o.mp3")),
                         QStringLiteral("7:http://host/x/x.mp3")}));
    }

    // Playlists from other programs and web sites, where a copy lies beside the source tree: each
    // reads to the clips listed for it (how many, the first and the last, "-" for none).
    void readsRealWorldPlaylists()
    {
        const QString corpus =
            QDir::cleanPath(QDir().absoluteFilePath(qEnvironmentVariable("VIDMARRO_ASX_REAL")));
        if (qEnvironmentVariableIsEmpty("VIDMARRO_ASX_REAL") ||
            !QFileInfo::exists(corpus + QStringLiteral("/SOURCES.txt")))
            QSKIP("no real-world playlists beside the source tree");
        QFile expectedFile(QFINDTESTDATA("asx-real.expected"));
        QVERIFY(expectedFile.open(QIODevice::ReadOnly | QIODevice::Text));
        int files = 0;
        while (!expectedFile.atEnd()) {
            const QString line = QString::fromUtf8(expectedFile.readLine()).chopped(1);
            if (line.isEmpty() || line.startsWith(u'#'))
                continue;
            const QStringList want = line.split(QStringLiteral(" | "));
            QCOMPARE(want.size(), 4);
            const QString path = corpus + u'/' + want.at(0);
            QVERIFY2(QFileInfo::exists(path), qPrintable(path));
            const QStringList got = describe(AsxParse::readPlaylist(path), corpus);
            const QString none = QStringLiteral("-");
            const QString summary = QStringList{want.at(0), QString::number(got.size()), got.value(0, none),
                                                got.isEmpty() ? none : got.last()}
                                        .join(QStringLiteral(" | "));
            QCOMPARE(summary, line);
            // Read as a playlist to edit, entries as listed: the clips do not lie here, but a nested
            // playlist beside it does, and counts as an entry.
            if (path.endsWith(QLatin1String(".asx"))) {
                StringList box;
                const int missing = Playlists::read(path, box);
                QCOMPARE(missing + box.count(), AsxParse::readPlaylist(path, AsxParse::Nested::Keep).size());
                for (const QString& found : box.items())
                    QVERIFY2(AsxParse::isPlaylist(found), qPrintable(found));
            }
            ++files;
        }
        QCOMPARE(files, 55);

        // Copies beside clips that exist: of an entry's REFs the first that exists, relative names
        // from the playlist's own folder, the same name twice as two entries.
        QTemporaryDir dir;
        const QString root = dir.path();
        QVERIFY(QDir().mkpath(root + QStringLiteral("/playlist")) &&
                QDir().mkpath(root + QStringLiteral("/video")));
        for (const char* name : {"multiple-refs.asx", "multiple-entries.asx", "asx-lowercase.asx"})
            QVERIFY(QFile::copy(corpus + QStringLiteral("/moon/playlist/") + QLatin1String(name),
                                root + QStringLiteral("/playlist/") + QLatin1String(name)));
        const QString shortClip = root + QStringLiteral("/video/timecode-short.wmv");
        const QString longClip = root + QStringLiteral("/video/timecode-long.wmv");
        write(longClip, "clip");
        StringList box;
        QCOMPARE(Playlists::read(root + QStringLiteral("/playlist/multiple-refs.asx"), box), 0);
        QCOMPARE(box.items(), QStringList{longClip});
        QCOMPARE(Playlists::read(root + QStringLiteral("/playlist/multiple-entries.asx"), box), 1);
        QCOMPARE(box.items(), QStringList{longClip});
        write(shortClip, "clip");
        QCOMPARE(Playlists::read(root + QStringLiteral("/playlist/multiple-refs.asx"), box), 0);
        QCOMPARE(box.items(), QStringList{shortClip});
        QCOMPARE(Playlists::read(root + QStringLiteral("/playlist/asx-lowercase.asx"), box), 0);
        QCOMPARE(box.items(), QStringList{shortClip});
    }
};

QTEST_GUILESS_MAIN(TestAsxParse)
#include "tst_asxparse.moc"
