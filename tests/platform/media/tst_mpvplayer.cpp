#include "MediaFixtures.h"

#include "platform/media/EnginePump.h"
#include "platform/media/MidiRender.h"
#include "platform/media/MpvPlayer.h"
#include "platform/media/MpvVideo.h"
#include "platform/media/PlaylistRun.h"
#include "platform/media/ResumePlaces.h"
#include "platform/module/ModuleLoader.h"
#include "platform/module/lib/MpvGlArea.h"
#include "platform/module/lib/MpvSoftwareArea.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLocalServer>
#include <QPointer>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QToolButton>

#include <atomic>
#include <clocale>
#include <memory>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace MediaFixtures;

namespace {

const QStringList NullOutputs{QStringLiteral("vo=null"), QStringLiteral("ao=null"),
                              QStringLiteral("ao-null-untimed=yes"), QStringLiteral("untimed=yes")};

// Writes down each event with the entry number the control reports at that moment.
class Recorder : public QObject
{
public:
    explicit Recorder(MediaPlayerControl* player) : m_player(player)
    {
        connect(player, &MediaPlayerControl::OnNewStream, this, [this] {
            log.append(QStringLiteral("new %1").arg(m_player->GetCurrentEntry()));
            if (onNew)
                onNew();
        });
        connect(player, &MediaPlayerControl::OnEndOfStream, this, [this](int result) {
            log.append(QStringLiteral("end %1").arg(m_player->GetCurrentEntry()));
            results.append(result);
        });
    }
    bool ended() const { return log.contains(QStringLiteral("end 0")); }

    QStringList log;
    QList<int> results;
    std::function<void()> onNew;

private:
    MediaPlayerControl* m_player;
};

QStringList seq(std::initializer_list<const char*> items)
{
    QStringList out;
    for (const char* i : items)
        out.append(QLatin1String(i));
    return out;
}

} // namespace

class TestMpvPlayer : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }
    std::unique_ptr<MpvPlayer> nullPlayer(const QStringList& more = {})
    {
        auto p = std::make_unique<MpvPlayer>(nullptr, NullOutputs + more);
        if (!p->engineReady())
            qFatal("the media engine did not start");
        return p;
    }
    using Type = MediaPlayerControl::TrackType;
    // A control playing file in real time, its first clip started.
    std::unique_ptr<MpvPlayer> realTimePlayer(const QString& file)
    {
        auto p = std::make_unique<MpvPlayer>(
            nullptr, QStringList{QStringLiteral("vo=null"), QStringLiteral("ao=null")});
        QSignalSpy started(p.get(), &MediaPlayerControl::OnNewStream);
        p->Open(file);
        if (!started.wait(20000))
            qFatal("%s did not start", qPrintable(file));
        return p;
    }
    // Plays the playlist to its end and returns the events.
    QStringList run(const QStringList& hrefs, int playCount = 1)
    {
        auto player = nullPlayer();
        player->SetPlayCount(playCount);
        Recorder rec(player.get());
        const QString list = path(QStringLiteral("run.asx"));
        if (!writeAsx(list, hrefs))
            return {QStringLiteral("no playlist")};
        player->Open(list);
        if (!QTest::qWaitFor([&] { return rec.ended(); }, 20000))
            return rec.log + QStringList{QStringLiteral("(no end)")};
        QCoreApplication::processEvents();
        return rec.log;
    }

    // The same on the playlist run alone, with no widget anywhere.
    QStringList runBare(const QStringList& hrefs)
    {
        const std::unique_ptr<EngineSession> session(
            engineModule()->createSession(mpvEffectiveOptions(NullOutputs)));
        PlaylistRun run(session.get(), nullptr);
        EnginePump pump(
            session.get(), [&](const EngineEvent& e) { run.handle(e); }, nullptr);
        QStringList log;
        connect(&run, &PlaylistRun::newStream, &run,
                [&] { log.append(QStringLiteral("new %1").arg(run.currentEntry())); });
        connect(&run, &PlaylistRun::endOfStream, &run,
                [&] { log.append(QStringLiteral("end %1").arg(run.currentEntry())); });
        const QString list = path(QStringLiteral("bare.asx"));
        if (!writeAsx(list, hrefs))
            return {QStringLiteral("no playlist")};
        run.open(list);
        if (!QTest::qWaitFor([&] { return log.contains(QStringLiteral("end 0")); }, 20000))
            log.append(QStringLiteral("(no end)"));
        QCoreApplication::processEvents();
        if (!QApplication::allWidgets().isEmpty())
            log.append(QStringLiteral("(a widget was made)"));
        return log;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QStringList tone{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                               QStringLiteral("sine=f=440:d=0.4:sample_rate=44100")};
        const QStringList picture{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                                  QStringLiteral("testsrc=s=64x48:r=25:d=0.4")};
        QVERIFY(ffmpeg(tone, path(QStringLiteral("a.wav"))));
        QVERIFY(ffmpeg(tone, path(QStringLiteral("b.wav"))));
        QVERIFY(ffmpeg(tone, path(QStringLiteral("c.wav"))));
    }

    // As the player window is designed: off until Go, its own bars shown, once, normal speed.
    void startsWithTheDesignedSettings()
    {
        auto player = nullPlayer();
        QVERIFY(!player->Enabled());
        QCOMPARE(player->PlayCount(), 1);
        QCOMPARE(player->Rate(), 1.0);
        QVERIFY(player->ShowTracker());
        QVERIFY(player->ShowStatusBar());
        QCOMPARE(player->GetCurrentEntry(), 0);
        QWidget* tracker = player->findChild<QWidget*>(QStringLiteral("trackerRow"));
        QLabel* status = player->findChild<QLabel*>(QStringLiteral("statusLine"));
        QVERIFY(tracker && status);
        QVERIFY(tracker->isVisibleTo(player.get()) && status->isVisibleTo(player.get()));
        for (const char* name :
             {"playPauseButton", "stopButton", "previousButton", "nextButton", "muteButton"})
            QVERIFY2(player->findChild<QToolButton*>(QLatin1String(name)), name);
        QVERIFY(player->findChild<QSlider*>(QStringLiteral("volumeSlider")));

        player->SetShowTracker(false);
        player->SetShowStatusBar(false);
        QVERIFY(!tracker->isVisibleTo(player.get()) && !status->isVisibleTo(player.get()));
        QVERIFY(!player->ShowTracker() && !player->ShowStatusBar());
        // Rates outside 0.2 to 2.0 are held to the range.
        player->SetRate(5);
        QCOMPARE(player->Rate(), 2.0);
        player->SetRate(0.05);
        QCOMPARE(player->Rate(), 0.2);
    }

    // The end of an entry is told once the next has loaded, so GetCurrentEntry already names the next
    // one; after the last it is 0. Clips that fail are skipped without a new-stream event.
    void eventSequences_data()
    {
        QTest::addColumn<QStringList>("hrefs");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("two good") << seq({"a.wav", "b.wav"}) << seq({"new 1", "end 2", "new 2", "end 0"});
        QTest::newRow("good missing good")
            << seq({"a.wav", "missing.wav", "b.wav"}) << seq({"new 1", "end 3", "new 3", "end 0"});
        QTest::newRow("good good missing")
            << seq({"a.wav", "b.wav", "missing.wav"}) << seq({"new 1", "end 2", "new 2", "end 0"});
        QTest::newRow("missing first") << seq({"missing.wav", "a.wav"}) << seq({"new 2", "end 0"});
        QTest::newRow("second source of an entry")
            << seq({"missing.wav|a.wav", "b.wav"}) << seq({"new 1", "end 2", "new 2", "end 0"});
        QTest::newRow("not media") << seq({"run.asx.txt", "a.wav"}) << seq({"new 2", "end 0"});
        QTest::newRow("nested list shares its number")
            << seq({"a.wav", "pair.wax", "c.wav"})
            << seq({"new 1", "end 2", "new 2", "end 2", "new 2", "end 3", "new 3", "end 0"});
        // nothing at all plays: the run still ends, so the window can close
        QTest::newRow("all missing") << seq({"missing.wav", "gone.wav"}) << seq({"end 0"});
        QTest::newRow("empty") << QStringList() << seq({"end 0"});
    }
    void eventSequences()
    {
        QFETCH(QStringList, hrefs);
        QFETCH(QStringList, expected);
        QVERIFY(writeText(path(QStringLiteral("run.asx.txt")), "just text"));
        QVERIFY(writeAsx(path(QStringLiteral("pair.wax")), seq({"a.wav", "b.wav"})));
        QCOMPARE(run(hrefs), expected);
        QCOMPARE(runBare(hrefs), expected);
    }

    void repeatNeverReportsZero()
    {
        auto player = nullPlayer();
        player->SetPlayCount(0);
        Recorder rec(player.get());
        QVERIFY(writeAsx(path(QStringLiteral("rep.asx")), seq({"a.wav", "missing.wav", "b.wav"})));
        player->Open(path(QStringLiteral("rep.asx")));
        QTRY_VERIFY_WITH_TIMEOUT(rec.log.size() >= 12, 20000);
        player->Stop();
        QCOMPARE(rec.log.mid(0, 12), seq({"new 1", "end 3", "new 3", "end 1", "new 1", "end 3", "new 3",
                                          "end 1", "new 1", "end 3", "new 3", "end 1"}));
        QVERIFY(!rec.ended());
        // Play after Stop starts the run again.
        const qsizetype stoppedAt = rec.log.size();
        player->play();
        QTRY_VERIFY_WITH_TIMEOUT(rec.log.size() > stoppedAt, 20000);
        QVERIFY2(rec.log.at(stoppedAt).startsWith(QLatin1String("new ")), qPrintable(rec.log.join(u',')));
        player->Stop();

        // Repeat on, and nothing in the list will play: the run ends instead of spinning.
        Recorder none(player.get());
        QVERIFY(writeAsx(path(QStringLiteral("none.asx")), seq({"missing.wav"})));
        player->Open(path(QStringLiteral("none.asx")));
        QTRY_VERIFY_WITH_TIMEOUT(none.ended(), 20000);
        QCOMPARE(none.log, seq({"end 0"}));
        QVERIFY(none.results.value(0) != 0);

        // PlayCount changed while playing takes effect at the end of the pass.
        Recorder twice(player.get());
        twice.onNew = [&] { player->SetPlayCount(1); };
        player->SetPlayCount(0);
        player->Open(path(QStringLiteral("rep.asx")));
        QTRY_VERIFY_WITH_TIMEOUT(twice.ended(), 20000);
        QCOMPARE(twice.log, seq({"new 1", "end 3", "new 3", "end 0"}));
    }

    // A second Open while the first run plays: only the new run's events, from its first entry.
    void openAgainIgnoresTheOldRun()
    {
        auto player = nullPlayer();
        Recorder rec(player.get());
        QVERIFY(writeAsx(path(QStringLiteral("first.asx")), seq({"a.wav", "b.wav", "c.wav"})));
        QVERIFY(writeAsx(path(QStringLiteral("second.asx")), seq({"c.wav", "b.wav"})));
        bool reopened = false;
        rec.onNew = [&] {
            if (!reopened) {
                reopened = true;
                player->Open(path(QStringLiteral("second.asx")));
            }
        };
        player->Open(path(QStringLiteral("first.asx")));
        QTRY_VERIFY_WITH_TIMEOUT(rec.ended(), 20000);
        QCoreApplication::processEvents();
        QCOMPARE(rec.log, seq({"new 1", "new 1", "end 2", "new 2", "end 0"}));

        // The same after the old run has already queued its end: Open from the end-of-stream handler.
        Recorder again(player.get());
        QVERIFY(writeAsx(path(QStringLiteral("one.asx")), seq({"a.wav"})));
        bool second = false;
        connect(player.get(), &MediaPlayerControl::OnEndOfStream, &again, [&] {
            if (!second) {
                second = true;
                player->Open(path(QStringLiteral("second.asx")));
            }
        });
        player->Open(path(QStringLiteral("one.asx")));
        QTRY_COMPARE_WITH_TIMEOUT(again.log.size(), 6, 20000);
        QCoreApplication::processEvents();
        QCOMPARE(again.log, seq({"new 1", "end 0", "new 1", "end 2", "new 2", "end 0"}));
    }

    // The player window stops and destroys the control from inside its event handlers.
    void destroyedFromItsOwnHandlers()
    {
        QVERIFY(writeAsx(path(QStringLiteral("two.asx")), seq({"a.wav", "b.wav"})));
        for (const bool onNew : {false, true}) {
            QPointer<MpvPlayer> player = new MpvPlayer(nullptr, NullOutputs);
            int events = 0;
            auto close = [&] {
                ++events;
                if (onNew || player->GetCurrentEntry() == 0) {
                    player->Stop();
                    player->SetEnabled(false);
                    delete player.data();
                }
            };
            if (onNew)
                connect(player.data(), &MediaPlayerControl::OnNewStream, this, close);
            else
                connect(player.data(), &MediaPlayerControl::OnEndOfStream, this, close);
            player->Open(path(QStringLiteral("two.asx")));
            QTRY_VERIFY_WITH_TIMEOUT(player.isNull(), 20000);
            QCoreApplication::processEvents();
            QCOMPARE(events, onNew ? 1 : 2); // the end of the first entry leaves it be
        }
    }

    // Every type of the clip dialog plays, each entry to its end.
    void everyTypePlaysToItsEnd()
    {
        const QStringList tone{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                               QStringLiteral("sine=f=440:d=0.4:sample_rate=44100")};
        const QStringList picture{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                                  QStringLiteral("testsrc=s=64x48:r=25:d=0.4")};
        auto args = [](std::initializer_list<const char*> a) {
            QStringList out;
            for (const char* s : a)
                out.append(QLatin1String(s));
            return out;
        };
        QDir().mkpath(path(QStringLiteral("types")));
        auto t = [&](const char* name) { return path(QStringLiteral("types/") + QLatin1String(name)); };
        QVERIFY(ffmpeg(picture + tone + args({"-c:v", "wmv2", "-c:a", "wmav2", "-f", "asf"}), t("x.asf")));
        QVERIFY(ffmpeg(tone + args({"-c:a", "mp2"}), t("x.mp2")));
        QVERIFY(ffmpeg(tone + args({"-c:a", "libmp3lame"}), t("x.mp3")));
        QVERIFY(ffmpeg(tone, t("x.wav")));
        QVERIFY(writeMidi(t("x.mid")));
        QVERIFY(ffmpeg(tone + args({"-c:a", "wmav2", "-f", "asf"}), t("x.wma")));
        QVERIFY(ffmpeg(tone + args({"-f", "aiff"}), t("x.aif")));
        QVERIFY(ffmpeg(tone + args({"-f", "au"}), t("x.au")));
        QVERIFY(writeAsx(t("x.wax"), seq({"x.wma"})));
        QVERIFY(
            ffmpeg(picture + tone + args({"-c:v", "mpeg1video", "-c:a", "mp2", "-f", "mpeg"}), t("x.mpg")));
        QVERIFY(
            ffmpeg(picture + tone + args({"-c:v", "mpeg1video", "-c:a", "mp2", "-f", "mpeg"}), t("x.mpeg")));
        QVERIFY(ffmpeg(picture + args({"-c:v", "mpeg1video", "-f", "mpeg1video"}), t("x.m1v")));
        QVERIFY(ffmpeg(picture + tone + args({"-c:v", "wmv2", "-c:a", "wmav2", "-f", "asf"}), t("x.wmv")));
        QVERIFY(
            ffmpeg(picture + tone + args({"-c:v", "mpeg4", "-c:a", "libmp3lame", "-f", "avi"}), t("x.avi")));
        QVERIFY(
            ffmpeg(picture + tone + args({"-c:v", "qtrle", "-c:a", "pcm_s16be", "-f", "mov"}), t("x.mov")));
        QVERIFY(ffmpeg(picture + tone + args({"-c:v", "svq1", "-c:a", "pcm_s16be", "-f", "mov"}), t("x.qt")));
        QVERIFY(writeAsx(t("x.wvx"), seq({"x.wmv"})));
        QVERIFY(writeFlic(t("x.fli"), false));
        QVERIFY(writeFlic(t("x.flc"), true));
        QVERIFY(
            ffmpeg(picture + tone + args({"-c:v", "mpeg1video", "-c:a", "mp2", "-f", "mpeg"}), t("x.mpe")));

        const QStringList types =
            seq({"asf",  "mp2", "mp3", "wav", "mid", "wma", "aif", "au",  "wax", "mpg",
                 "mpeg", "m1v", "wmv", "avi", "mov", "qt",  "wvx", "fli", "flc", "mpe"});
        QStringList hrefs, expected;
        for (int i = 0; i < types.size(); ++i) {
            hrefs.append(QStringLiteral("types/x.") + types.at(i));
            expected.append(QStringLiteral("new %1").arg(i + 1));
            expected.append(QStringLiteral("end %1").arg(i + 2 > types.size() ? 0 : i + 2));
        }
        auto player = nullPlayer();
        Recorder rec(player.get());
        QList<bool> video;
        rec.onNew = [&] { video.append(player->hasVideo()); };
        QVERIFY(writeAsx(path(QStringLiteral("types.asx")), hrefs));
        player->Open(path(QStringLiteral("types.asx")));
        QTRY_VERIFY_WITH_TIMEOUT(rec.ended(), 60000);
        QCoreApplication::processEvents();
        QCOMPARE(rec.log, expected);
        // every entry came to its end of file, none stopped on an error
        QCOMPARE(rec.results, QList<int>(types.size(), 0));
        // pictures where the type has them
        QList<bool> hasPictures;
        for (const QString& type : types)
            hasPictures.append(!seq({"mp2", "mp3", "wav", "mid", "wma", "aif", "au", "wax"}).contains(type));
        QCOMPARE(video, hasPictures);
        // the MIDI clip was rendered once into the cache
        QVERIFY(QFileInfo::exists(MidiRender::cachedWavPath(t("x.mid"))));
    }

    // Renderings of one clip at once, as Stop then Play or Next then Previous make them: a cancelled
    // one takes away nothing of the others, which both yield a playable file, and none leaves a
    // part-written file behind.
    void midiRendersAreIndependent()
    {
        // One long note, so that the renderings overlap.
        QByteArray midi = QByteArray::fromHex("4d546864000000060000000100604d54726b0000000c");
        midi += QByteArray::fromHex("00903c40"
                                    "9e00803c00"
                                    "00ff2f00");
        const QString clip = path(QStringLiteral("race.mid"));
        QVERIFY(writeText(clip, midi));
        const QDir cache = QFileInfo(MidiRender::cachedWavPath(clip)).dir();
        std::atomic_bool live{false}, cancelled{true};
        QString wav[3], error[3];
        auto renderer = [&](int i, const std::atomic_bool* cancel) {
            return QThread::create([&, i, cancel] { wav[i] = MidiRender::render(clip, cancel, &error[i]); });
        };
        std::unique_ptr<QThread> first(renderer(0, &live));
        first->start();
        QTRY_VERIFY_WITH_TIMEOUT(
            !cache.entryList({QStringLiteral("*.part")}).isEmpty() || first->isFinished(), 20000);
        std::unique_ptr<QThread> stopped(renderer(1, &cancelled));
        std::unique_ptr<QThread> second(renderer(2, &live));
        stopped->start();
        second->start();
        for (QThread* t : {first.get(), stopped.get(), second.get()})
            QVERIFY(t->wait(60000));
        QVERIFY2(!wav[0].isEmpty(), qPrintable(error[0]));
        QCOMPARE(wav[2], wav[0]);
        const Pcm sound = readWav(wav[0]);
        QVERIFY(sound.rate > 0 && sound.samples.size() > sound.rate * 10);
        QCOMPARE(cache.entryList({QStringLiteral("*.part")}), QStringList());
    }

    // Rate 2.0 halves and 0.2 stretches what the sound card gets; pitch and level hold.
    void rateKeepsPitchAndLevel_data()
    {
        QTest::addColumn<double>("rate");
        QTest::newRow("normal") << 1.0;
        QTest::newRow("double") << 2.0;
        QTest::newRow("fifth") << 0.2;
    }
    void rateKeepsPitchAndLevel()
    {
        QFETCH(double, rate);
        const QString source = path(QStringLiteral("tone1s.wav"));
        if (!QFileInfo::exists(source))
            QVERIFY(ffmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                            QStringLiteral("sine=f=440:d=1:sample_rate=44100"), QStringLiteral("-ac"),
                            QStringLiteral("1")},
                           source));
        const QString out = path(QStringLiteral("card-%1.wav").arg(rate));
        {
            MpvPlayer player(nullptr,
                             {QStringLiteral("vo=null"), QStringLiteral("ao=pcm"),
                              QStringLiteral("ao-pcm-file=") + out, QStringLiteral("untimed=yes"),
                              QStringLiteral("audio-format=s16"), QStringLiteral("audio-channels=mono"),
                              QStringLiteral("audio-samplerate=44100")});
            QVERIFY(player.IsSoundCardEnabled());
            player.SetRate(rate);
            Recorder rec(&player);
            player.Open(source);
            QTRY_VERIFY_WITH_TIMEOUT(rec.ended(), 30000);
            QCOMPARE(rec.log, seq({"new 1", "end 0"}));
        } // the engine closes the file as it goes
        const Pcm in = readWav(source);
        const Pcm got = readWav(out);
        QCOMPARE(got.rate, 44100);
        const double seconds = double(got.samples.size()) / got.rate;
        QVERIFY2(qAbs(seconds - 1.0 / rate) < 0.12 / rate, qPrintable(QString::number(seconds)));
        const qsizetype n = got.samples.size();
        const double pitch = MediaFixtures::pitch(got.samples, got.rate, n / 4, n * 3 / 4);
        QVERIFY2(qAbs(pitch - 440) < 440 * 0.05, qPrintable(QString::number(pitch)));
        const double level = rms(got.samples, n / 4, n * 3 / 4) /
                             rms(in.samples, in.samples.size() / 4, in.samples.size() * 3 / 4);
        QVERIFY2(level > 0.7 && level < 1.3, qPrintable(QString::number(level)));
    }

    // Without a sound card the clip still ends normally; the control says there is none.
    // A sound server that listens counts as a sound card; a socket file that nothing listens on, as
    // a crashed server leaves, does not.
    void soundServerCounts()
    {
        QLocalServer server;
        QVERIFY(server.listen(path(QStringLiteral("live-native"))));
        const QString stale = path(QStringLiteral("stale-native"));
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, QFile::encodeName(stale).constData(), sizeof(address.sun_path));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0);
        ::close(fd);
        MpvPlayer player(nullptr, {QStringLiteral("vo=null"), QStringLiteral("ao=pulse")});
        qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(server.fullServerName()));
        const bool live = player.IsSoundCardEnabled();
        qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(stale));
        const bool dead = player.IsSoundCardEnabled();
        qunsetenv("PULSE_SERVER");
        QVERIFY(live);
        QVERIFY(!dead);
    }

    void noSoundCard()
    {
        auto silent = nullPlayer();
        QVERIFY(!silent->IsSoundCardEnabled());

        // A sound server that is not there: the engine falls back to no output.
        qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(path(QStringLiteral("no-such-server"))));
        MpvPlayer player(
            nullptr, {QStringLiteral("vo=null"), QStringLiteral("ao=pulse"), QStringLiteral("untimed=yes")});
        QVERIFY(!player.IsSoundCardEnabled());
        Recorder rec(&player);
        player.Open(path(QStringLiteral("a.wav")));
        QTRY_VERIFY_WITH_TIMEOUT(rec.ended(), 20000);
        qunsetenv("PULSE_SERVER");
        QCOMPARE(rec.log, seq({"new 1", "end 0"}));
        QCOMPARE(rec.results, QList<int>{0});
    }

    // Disabled, the control takes no clicks and no keys; enabled, the same input works.
    void disabledIgnoresClicksAndKeys()
    {
        const QString longClip = path(QStringLiteral("long.wav"));
        QVERIFY(ffmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                        QStringLiteral("sine=d=30:sample_rate=8000")},
                       longClip));
        MpvPlayer player(nullptr, {QStringLiteral("vo=null"), QStringLiteral("ao=null")}); // timed
        player.resize(229, 202);
        player.show();
        QVERIFY(QTest::qWaitForWindowExposed(&player));
        Recorder rec(&player);
        player.Open(longClip);
        QTRY_COMPARE(rec.log, seq({"new 1"}));
        auto* playPause = player.findChild<QToolButton*>(QStringLiteral("playPauseButton"));
        auto* mute = player.findChild<QToolButton*>(QStringLiteral("muteButton"));
        auto* next = player.findChild<QToolButton*>(QStringLiteral("nextButton"));
        auto* stop = player.findChild<QToolButton*>(QStringLiteral("stopButton"));

        QVERIFY(!player.Enabled());
        QTest::mouseClick(playPause, Qt::LeftButton);
        QTest::mouseClick(mute, Qt::LeftButton);
        QTest::mouseClick(stop, Qt::LeftButton);
        QTest::mouseClick(next, Qt::LeftButton);
        QTest::keyClick(&player, Qt::Key_Space);
        QTest::keyClick(&player, Qt::Key_Down);
        QTest::keyClick(&player, Qt::Key_Down);
        QTest::keyClick(&player, Qt::Key_Right);

        player.SetEnabled(true);
        QTest::keyClick(&player, Qt::Key_Down);
        // the engine applies settings in order: once this one is seen, any earlier one would be too
        QTRY_COMPARE(player.volume(), 95.0);
        QVERIFY(!player.paused());
        QVERIFY(!player.muted());
        QCOMPARE(player.state(), MpvPlayer::State::Playing);
        QCOMPARE(rec.log, seq({"new 1"}));
        QVERIFY(player.position() < 4);

        QTest::mouseClick(playPause, Qt::LeftButton);
        QTRY_VERIFY(player.paused());
        QCOMPARE(player.state(), MpvPlayer::State::Paused);
        QTest::keyClick(&player, Qt::Key_Space);
        QTRY_VERIFY(!player.paused());
        QTest::mouseClick(mute, Qt::LeftButton);
        QTRY_VERIFY(player.muted());
        QTest::keyClick(&player, Qt::Key_Up);
        QTRY_COMPARE(player.volume(), 100.0);
        QTest::keyClick(&player, Qt::Key_Right);
        QTest::keyClick(&player, Qt::Key_Right);
        QTRY_VERIFY(player.position() >= 9);
        QTest::mouseClick(stop, Qt::LeftButton);
        QCOMPARE(player.state(), MpvPlayer::State::Stopped);
        QCOMPARE(rec.log, seq({"new 1"})); // stopping by hand is no end of stream
    }

    // Without OpenGL the pictures come through the software renderer; sound alone gets a quiet face.
    void drawsVideoAndAudioFaces()
    {
        const QString red = path(QStringLiteral("red.mpg"));
        QVERIFY(ffmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                        QStringLiteral("color=c=red:s=64x48:r=25:d=3"), QStringLiteral("-c:v"),
                        QStringLiteral("mpeg1video"), QStringLiteral("-f"), QStringLiteral("mpeg")},
                       red));
        MpvPlayer player(nullptr, {QStringLiteral("ao=null")}); // the real video output, timed
        player.resize(229, 202);
        player.show();
        QVERIFY(QTest::qWaitForWindowExposed(&player));
        auto* area = qobject_cast<MpvSoftwareArea*>(player.videoArea());
        QVERIFY(area); // the offscreen platform has no OpenGL
        QCOMPARE(area->mode(), MpvVideoSurface::Mode::Idle);
        Recorder rec(&player);
        player.Open(red);
        QTRY_COMPARE(rec.log, seq({"new 1"}));
        QVERIFY(player.hasVideo());
        QTRY_VERIFY_WITH_TIMEOUT(!area->frame().isNull(), 10000);
        auto isRed = [](QRgb c) { return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60; };
        QTRY_VERIFY_WITH_TIMEOUT(
            isRed(area->frame().pixel(area->frame().width() / 2, area->frame().height() / 2)), 10000);
        QVERIFY(isRed(area->grab().toImage().pixel(area->width() / 2, area->height() / 2)));
        QVERIFY(player.statusText().startsWith(QStringLiteral("Playing: red.mpg  0:")));
        // Paused, the picture is drawn again at the area's new size (full screen, say).
        player.togglePause();
        QTRY_VERIFY(player.paused());
        player.resize(400, 330);
        QTRY_COMPARE(area->frame().size(), area->size());
        player.togglePause();

        player.Open(path(QStringLiteral("a.wav")));
        QTRY_COMPARE(rec.log.size(), 2);
        QVERIFY(!player.hasVideo());
        QCOMPARE(area->mode(), MpvVideoSurface::Mode::Audio);
        const QImage face = area->grab().toImage();
        const QRgb corner = face.pixel(2, 2);
        QVERIFY(!isRed(face.pixel(face.width() / 2, face.height() / 2)));
        QVERIFY(qBlue(corner) > qRed(corner) && qBlue(corner) < 0x60); // dim blue-grey, not a stale frame
        QTRY_VERIFY_WITH_TIMEOUT(rec.ended(), 20000);
        QCOMPARE(area->mode(), MpvVideoSurface::Mode::Idle);
    }

    // The tracks chosen in one clip hold for the next of the run: by language, not by number.
    void tracksHoldForTheRun_data()
    {
        QTest::addColumn<QString>("audio");
        QTest::addColumn<QString>("subtitles"); // a language, "off" or "hidden"
        QTest::addColumn<QByteArray>("next");   // aid, sid and sub-visibility in the next clip
        auto row = [](const char* name, const char* audio, const char* subtitles, const char* next) {
            QTest::newRow(name) << QString::fromLatin1(audio) << QString::fromLatin1(subtitles)
                                << QByteArray(next);
        };
        row("German", "ger", "ger", "2 2 yes");
        row("subtitles off", "", "off", "1 no yes");
        row("subtitles hidden", "eng", "hidden", "3 1 no");
    }
    void tracksHoldForTheRun()
    {
        QFETCH(QString, audio);
        QFETCH(QString, subtitles);
        QFETCH(QByteArray, next);
        const QString one = path(QStringLiteral("one.mkv")), two = path(QStringLiteral("two.mkv"));
        if (!QFile::exists(two))
            QVERIFY(writeTrackClip(one, seq({"eng", "ger"})) &&
                    writeTrackClip(two, seq({"fre", "ger", "eng"})));
        QVERIFY(writeAsx(path(QStringLiteral("tracks.asx")), {one, two}));
        auto player = realTimePlayer(path(QStringLiteral("tracks.asx")));
        QVERIFY(MpvTracks::sameLanguage(QStringLiteral("de"), QStringLiteral("ger")));
        for (const Type type : {Type::Audio, Type::Subtitle}) {
            for (const MediaPlayerControl::Track& t : player->tracks(type)) {
                if (t.language == (type == Type::Audio ? audio : subtitles))
                    player->setTrack(type, t.id);
            }
        }
        if (subtitles == QLatin1String("off"))
            player->setTrack(Type::Subtitle, 0);
        player->setSubtitlesShown(subtitles != QLatin1String("hidden"));
        QSignalSpy started(player.get(), &MediaPlayerControl::OnNewStream);
        player->nextEntry();
        QVERIFY(started.wait(20000));
        QCOMPARE(player->engineText("aid") + ' ' + player->engineText("sid") + ' ' +
                     player->engineText("sub-visibility"),
                 next);
    }

    // Subtitle files whose names start with the clip's, in any case, beside it or in its Subs
    // folder, are offered (and no others); their text is read in the encoding it was written in.
    void subtitleFilesBesideTheClip()
    {
        QVERIFY(QDir().mkpath(path(QStringLiteral("beside/Subs"))));
        const QString clip = path(QStringLiteral("beside/film.mkv"));
        QVERIFY(writeTrackClip(clip, {}));
        for (const char* name : {"film.srt", "FILM.EN.SRT", "Subs/film.de.srt", "myfilm.srt"})
            QVERIFY(writeText(path(QStringLiteral("beside/") + QLatin1String(name)),
                              "1\n00:00:00,000 --> 00:10:00,000\nGr\xfc\xdf"
                              "e aus K\xf6ln\n\n"));
        auto player = realTimePlayer(clip);
        QStringList titles;
        int latin1 = 0;
        for (const MediaPlayerControl::Track& t : player->tracks(Type::Subtitle)) {
            titles.append(t.title);
            latin1 = t.title == QLatin1String("film.srt") ? t.id : latin1;
        }
        titles.sort();
        QCOMPARE(titles.join(u' '), QStringLiteral("FILM.EN.SRT film.de.srt film.srt"));
        player->setTrack(Type::Subtitle, latin1);
        QTRY_COMPARE(QString::fromUtf8(player->engineText("sub-text")), QStringLiteral("Grüße aus Köln"));
    }

    // A long clip closed in its middle is kept for its file as it is; anything else starts over.
    // The file holds the most recent places only; a damaged one reads as none.
    void resumePlaces()
    {
        const QString store = path(QStringLiteral("places"));
        const QString clip = path(QStringLiteral("kept.wav"));
        QVERIFY(QFile::copy(path(QStringLiteral("a.wav")), clip));
        QFile::remove(store);
        ResumePlaces places(store);
        places.leave(clip, 200, 400);
        QCOMPARE(ResumePlaces(store).placeOf(clip), 200.0);
        struct Case
        {
            double position, duration;
        };
        for (const Case c : {Case{200, 179}, Case{30, 400}, Case{370, 400}, Case{qQNaN(), 400}}) {
            places.leave(clip, 200, 400);
            places.leave(clip, c.position, c.duration);
            QCOMPARE(ResumePlaces(store).placeOf(clip), 0.0);
        }
        places.leave(clip, 200, 400);
        places.forget(clip); // played to its end
        QCOMPARE(ResumePlaces(store).placeOf(clip), 0.0);
        places.leave(clip, 200, 400);
        QFile grown(clip); // another file in its place
        QVERIFY(grown.open(QIODevice::Append) && grown.write("xx") == 2);
        grown.close();
        QCOMPARE(ResumePlaces(store).placeOf(clip), 0.0);

        // The oldest of more than the most kept goes; damaged lines are skipped.
        const QString b = path(QStringLiteral("b.wav")), c = path(QStringLiteral("c.wav"));
        const qint64 bTime = QFileInfo(b).lastModified().toMSecsSinceEpoch();
        const qint64 cTime = QFileInfo(c).lastModified().toMSecsSinceEpoch();
        QByteArray text = "# Vidmarro resume places 1\n";
        text += "100\t" + QByteArray::number(QFileInfo(b).size()) + '\t' + QByteArray::number(bTime) + '\t' +
                b.toUtf8() + '\n';
        for (int i = 0; i < ResumePlaces::MostKept; ++i)
            text += "50\t1\t2\t/nowhere/" + QByteArray::number(i) + (i % 100 ? "\n" : "\tx\n\x01\t\t\n");
        text += "120\t" + QByteArray::number(QFileInfo(c).size()) + '\t' + QByteArray::number(cTime) + '\t' +
                c.toUtf8() + '\n';
        QVERIFY(writeText(store, text));
        QCOMPARE(ResumePlaces(store).placeOf(b), 0.0);
        QCOMPARE(ResumePlaces(store).placeOf(c), 120.0);
        for (const QByteArray& damaged : {text.mid(1), QByteArray(3000, '\xff'), QByteArray()}) {
            QVERIFY(writeText(store, damaged));
            ResumePlaces fresh(store);
            QCOMPARE(fresh.placeOf(c), 0.0);
            fresh.leave(b, 100, 400); // replaced by a file of ours
            QCOMPARE(ResumePlaces(store).placeOf(b), 100.0);
        }
    }

    // The control starts a clip with a place there, says so, and Home starts it over; closing it
    // in its middle keeps the place.
    void resumesLongClips()
    {
        const QString clip = path(QStringLiteral("long.wav"));
        QVERIFY(ffmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                        QStringLiteral("sine=f=440:d=240:sample_rate=8000")},
                       clip));
        ResumePlaces(ResumePlaces::defaultFile()).leave(clip, 200, 240);
        // In real time: untimed, the clip would be over at once.
        auto player = std::make_unique<MpvPlayer>(
            nullptr, QStringList{QStringLiteral("vo=null"), QStringLiteral("ao=null")});
        player->SetEnabled(true);
        QLabel* status = player->findChild<QLabel*>(QStringLiteral("statusLine"));
        Recorder rec(player.get());
        player->Open(clip);
        QTRY_VERIFY_WITH_TIMEOUT(rec.log.contains(QStringLiteral("new 1")), 20000);
        QCOMPARE(status->text(), QStringLiteral("Resumed at 3:20"));
        QTRY_VERIFY_WITH_TIMEOUT(player->position() >= 200, 5000);
        QTest::keyClick(player.get(), Qt::Key_Home);
        QTRY_VERIFY_WITH_TIMEOUT(player->position() < 5, 5000);
        QVERIFY2(status->text().startsWith(QLatin1String("Playing: long.wav")), qPrintable(status->text()));
        player->seekBy(100);
        QTRY_VERIFY_WITH_TIMEOUT(player->position() >= 100, 5000);
        player->Stop();
        const double kept = ResumePlaces(ResumePlaces::defaultFile()).placeOf(clip);
        QVERIFY2(kept >= 100 && kept < 110, qPrintable(QString::number(kept)));
    }
};

int main(int argc, char* argv[])
{
    // MIDI renderings go to a cache of the test's own; the user's engine options stay out.
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    qputenv("XDG_STATE_HOME", QFile::encodeName(cache.path()));
    qunsetenv("VIDMARRO_MPV_OPTIONS");
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    TestMpvPlayer test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mpvplayer.moc"
