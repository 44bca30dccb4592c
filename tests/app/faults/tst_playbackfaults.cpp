// Clips that cannot be played, through the player window and the real media control: a corrupt
// clip, an empty one, a text file under a clip's name, a clip deleted while the list plays. Each
// is skipped, the titles keep each clip's own number, and the window still closes at the end.
// Also the quiet save of a played selection under a name that is not a plain file.
#include "player/PlayerKit.h"
#include "support/RecordingMedia.h"
#include "support/RecordingServices.h"
#include "support/ScriptedPrompts.h"

#include "FaultOps.h"

#include "app/wmt.h"
#include "common/SharedState.h"
#include "platform/Services.h"
#include "platform/media/MediaPlayerControl.h"
#include "player/WplayerU2.h"
#include "playlist/CCFuncs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <random>
#include <sys/stat.h>

namespace {

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray noise(int size, unsigned seed)
{
    std::mt19937 gen(seed);
    QByteArray out(size, Qt::Uninitialized);
    for (char& c : out)
        c = char(gen());
    return out;
}

} // namespace

class TestPlaybackFaults : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    ScriptedPrompts m_prompts;
    RecordingServices m_system;
    RecordingMedia m_media{PlayerKit::engine()};
    Services m_services{m_prompts, m_system, m_media};
    SharedState S;

    std::unique_ptr<TWplayerF2> make(const QStringList& all)
    {
        S = SharedState();
        S.AppDir = m_dir.path() + QLatin1Char('/');
        S.PlaylistPath = S.AppDir + QStringLiteral("playlist.tmp");
        S.EntryMode = EntryPicked;
        for (const QString& c : all)
            S.AllBox.add(c);
        return std::make_unique<TWplayerF2>(S, m_services, nullptr);
    }

    // Plays to the end; the titles shown on the way. Fails when the window does not close.
    static QStringList playToEnd(TWplayerF2& p, const std::function<void(int)>& onEntry = {})
    {
        QStringList titles;
        connect(&p, &QWidget::windowTitleChanged, &p, [&titles](const QString& t) { titles.append(t); });
        if (onEntry) {
            connect(p.WMTPlayer1, &MediaPlayerControl::OnNewStream, &p,
                    [&p, onEntry] { onEntry(p.WMTPlayer1->GetCurrentEntry()); });
        }
        p.show();
        auto* go = p.findChild<QLabel*>(QStringLiteral("GoButton"));
        QTest::mouseClick(go, Qt::LeftButton, {}, go->rect().center());
        if (!QTest::qWaitFor([&] { return !p.isVisible(); }, 30000))
            titles << QStringLiteral("(the player did not close)");
        return titles;
    }

    static QString title(int n, int total, const QString& path)
    {
        return QStringLiteral("Vidmarro - (%1/%2) ").arg(n).arg(total) + QFileInfo(path).fileName();
    }

private Q_SLOTS:
    void init() { m_prompts.clear(); }

    // Good clips around bad ones, the bad ones first, last and together.
    void badClipsAreSkipped_data()
    {
        QTest::addColumn<QStringList>("order"); // g: good clip; c, z, t: corrupt, empty, text
        QTest::newRow("bad between good") << QStringList{"g", "c", "z", "t", "g"};
        QTest::newRow("bad first") << QStringList{"c", "g", "g"};
        QTest::newRow("bad last") << QStringList{"g", "z", "t"};
        QTest::newRow("nothing playable") << QStringList{"c", "z", "t"};
    }
    void badClipsAreSkipped()
    {
        QFETCH(QStringList, order);
        QStringList clips;
        QStringList expected;
        for (int i = 0; i < order.size(); ++i) {
            const QString name = QStringLiteral("%1-%2.wav").arg(i + 1).arg(order[i]);
            const QString path = m_dir.filePath(name);
            if (order[i] == QLatin1String("g")) {
                PlayerKit::makeClip(m_dir.path(), name);
                expected << title(i + 1, int(order.size()), path);
            } else if (order[i] == QLatin1String("c")) {
                // A clip whose header and data are noise: what a damaged disk gives back.
                QVERIFY(writeBytes(path, noise(48000, 7)));
            } else if (order[i] == QLatin1String("z")) {
                QVERIFY(writeBytes(path, QByteArray()));
            } else {
                QVERIFY(writeBytes(path, "These are my notes, saved as a clip by mistake.\r\n"));
            }
            clips << path;
        }
        auto p = make(clips);
        QCOMPARE(playToEnd(*p), expected);
        QVERIFY(!p->WMTPlayer1);
        QVERIFY(m_prompts.boxTexts().isEmpty());
    }

    // The last two clips vanish while the first plays (two entries ahead, so that the engine
    // cannot have opened them yet).
    void clipDeletedWhilePlaying()
    {
        const QStringList clips = PlayerKit::makeClips(m_dir.filePath(QStringLiteral("del")),
                                                       {"a.wav", "b.wav", "c.wav", "d.wav", "e.wav"});
        auto p = make(clips);
        QList<int> entries;
        const QStringList titles = playToEnd(*p, [&](int n) {
            entries << n;
            if (n == 1) {
                QVERIFY(QFile::remove(clips[3]));
                QVERIFY(QFile::remove(clips[4]));
            }
        });
        QCOMPARE(entries, (QList<int>{1, 2, 3}));
        QCOMPARE(titles, (QStringList{title(1, 5, clips[0]), title(2, 5, clips[1]), title(3, 5, clips[2])}));
        QVERIFY(!p->WMTPlayer1);
    }

    // After a played pick, "Save Playlist?" copies the working playlist under the chosen name.
    // A name that is a link to a pipe (or, for root, to /dev/null) must not get the node replaced
    // by a plain file, and the user is told the save failed; a plain name gets the copy.
    void savePlayedPlaylistOverALink()
    {
        QTemporaryDir runtime; // the main window's single-instance guard
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        const QString app = m_dir.filePath(QStringLiteral("app"));
        QDir().mkpath(app);
        const QString pipe = m_dir.filePath(QStringLiteral("pipe"));
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
        const QString link = m_dir.filePath(QStringLiteral("saved.asx"));
        QVERIFY(QFile::link(pipe, link));
        const QString plain = m_dir.filePath(QStringLiteral("plain.asx"));
        const QStringList clips =
            PlayerKit::makeClips(m_dir.filePath(QStringLiteral("save")), {"a.wav", "b.wav"});

        for (const QString& name : {link, plain}) {
            SharedState state;
            TForm1 form(state, m_services, app);
            form.show();
            m_prompts.clear();
            m_prompts.answerFiles(clips);
            m_prompts.answerBox(QMessageBox::Yes);
            m_prompts.answerFiles({name});
            PlayerKit::onPlayerShown(&form, [](TWplayerF2& p) {
                auto* go = p.findChild<QLabel*>(QStringLiteral("GoButton"));
                QTest::mouseClick(go, Qt::LeftButton, {}, go->rect().center());
            });
            form.PickButtonClick();
            QVERIFY(m_prompts.allUsed());
            QStringList expected{QStringLiteral("Save Playlist?")};
            if (name == link)
                expected << QStringLiteral("File access denied");
            QCOMPARE(m_prompts.boxTexts(), expected);
            QVERIFY(form.isVisible());
        }
        QVERIFY(QFileInfo(link).isSymLink());
        QVERIFY(QFileInfo::exists(pipe) && !QFileInfo(pipe).isFile());
        QCOMPARE(FaultOps::readFile(plain),
                 FaultOps::readFile(QDir(app).filePath(QStringLiteral("playlist.tmp"))));
        StringList saved;
        QCOMPARE(CCFuncs::ReadPlaylist(plain, saved), 0);
        QCOMPARE(saved.items(), clips);
    }
};

QTEST_MAIN(TestPlaybackFaults)

#include "tst_playbackfaults.moc"
