// The program's start-up does only what the first window needs: the media engine and the MIDI
// synthesiser are loaded when first used, a second copy builds no window, and the speed and sleep
// dialogs are made once, when the loop first turns or when a player wants one earlier.
#include "app/wmt.h"
#include "common/JustOne.h"
#include "common/SharedState.h"
#include "platform/files/Trash.h"
#include "platform/media/EngineCheck.h"
#include "platform/media/MidiRender.h"
#include "platform/media/MpvBackend.h"
#include "platform/media/MpvPlayer.h"
#include "player/PlayerDialogs.h"
#include "player/PlayerKit.h"
#include "player/SleepU.h"
#include "player/Speed.h"
#include "player/WplayerU2.h"
#include "support/RecordingMedia.h"
#include "support/RecordingServices.h"
#include "support/ScriptedPrompts.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>

namespace {

bool mapped(const char* library)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(library);
}

// One quarter note of middle C: the smallest file the synthesiser plays.
bool writeMidi(const QString& path)
{
    const QByteArray track = QByteArray::fromHex("00903c40"
                                                 "8360803c00"
                                                 "00ff2f00");
    QByteArray data = QByteArray::fromHex("4d546864000000060000000100604d54726b");
    const quint32 n = quint32(track.size());
    data += char(n >> 24);
    data += char(n >> 16);
    data += char(n >> 8);
    data += char(n);
    data += track;
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

// Asks media's engine check and waits: true when the answer came later (not during the call),
// once, on this thread, and said the engine starts.
bool checkSaysInstalledLater(MediaBackend& media, QObject& context)
{
    int answers = 0;
    bool installed = false;
    media.checkEngine(&context, [&](bool ok) {
        ++answers;
        installed = ok && QThread::currentThread() == context.thread();
    });
    if (answers != 0)
        return false;
    QDeadlineTimer deadline(10000);
    while (answers == 0 && !deadline.hasExpired())
        QTest::qWait(20);
    return answers == 1 && installed;
}

template <typename T> int countOf()
{
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        n += qobject_cast<T*>(w) != nullptr;
    return n;
}

} // namespace

class TestStartCosts : public QObject
{
    Q_OBJECT
    QTemporaryDir m_runtime;

private Q_SLOTS:
    void initTestCase() { qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit()); }

    // The program's start-up check tries the engine in a child process: true, and nothing loaded here.
    // Asked without waiting, it returns at once and answers later, on this thread.
    void startupEngineCheckLoadsNothingHere()
    {
        MpvBackend media;
        QVERIFY(media.engineStarts());
        QVERIFY(!mapped("libmpv.so"));

        QObject context;
        QVERIFY(checkSaysInstalledLater(media, context));
        QVERIFY(!mapped("libmpv.so"));
    }

    // This program links the platform layer as the program does; none of the three libraries may
    // come with it. A start with files to play loads them beside its window, and the start-up
    // engine check then takes its answer from that load.
    void engineLibrariesOpenOnFirstUse()
    {
        QVERIFY(!mapped("libmpv.so"));
        QVERIFY(!mapped("libfluidsynth.so"));
        QVERIFY(!mapped("libgio-2.0.so"));

        // The engine, the synthesiser and GIO come together, in the program's own module.
        {
            QCoreApplication::setApplicationName(QStringLiteral("VidmarroStartWithFiles"));
            QTemporaryDir dir;
            ScriptedPrompts prompts;
            RecordingServices system;
            MpvBackend media;
            Services services{prompts, system, media};
            SharedState state;
            TForm1 first(state, services, dir.path(), nullptr, {dir.filePath(QStringLiteral("clip.mp4"))});
            QVERIFY(!first.AnotherCopyRuns());
            QTRY_VERIFY(mapped("libvidmarro-engine.so"));
            QVERIFY(mapped("libmpv.so"));
            QVERIFY(checkSaysInstalledLater(media, first));
            // The engine made meanwhile goes to the first control made with the same options, once.
            QVERIFY(mpvTakePreloadedSession(MpvPlayer::engineOptions({})));
            QVERIFY(!mpvTakePreloadedSession(MpvPlayer::engineOptions({})));
            QCoreApplication::setApplicationName(QString());
        }
        QVERIFY(mpvEngineAvailable({QStringLiteral("vo=null"), QStringLiteral("ao=null")}));

        QTemporaryDir dir;
        const QString midi = dir.filePath(QStringLiteral("tune.mid"));
        QVERIFY(writeMidi(midi));
        QString error;
        const QString wav = MidiRender::render(midi, nullptr, &error);
        QVERIFY2(!wav.isEmpty(), qPrintable(error));
        QVERIFY(QFileInfo(wav).size() > 44); // more than a bare WAV header: the note was rendered
        QVERIFY(mapped("libfluidsynth.so"));

        // The trash goes through GIO, which came with the same module; the file lands in this test's own
        // trash.
        const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toLocal8Bit());
        const bool trashed = Trash::moveToTrash(midi).ok();
        if (dataHome.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", dataHome);
        QVERIFY(trashed);
        QVERIFY(!QFileInfo::exists(midi));
        QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("data/Trash/files/tune.mid"))));
        QVERIFY(mapped("libgio-2.0.so"));
    }

    void secondCopyBuildsNoWindowButReadsItsSettings()
    {
        QCoreApplication::setApplicationName(QStringLiteral("VidmarroStartCosts"));
        QTemporaryDir dir;
        ScriptedPrompts prompts;
        RecordingServices system;
        RecordingMedia media;
        Services services{prompts, system, media};
        {
            SharedState state;
            TForm1 first(state, services, dir.path());
            QVERIFY(!first.AnotherCopyRuns());
            QVERIFY(first.findChild<QPushButton*>(QStringLiteral("PickButton")));

            SharedState state2;
            TForm1 second(state2, services, dir.path());
            QVERIFY(second.AnotherCopyRuns());
            QVERIFY(second.findChildren<QWidget*>().isEmpty());
            // FormCreate still ran: the settings were read.
            QCOMPARE(state2.IniPath, dir.filePath(QStringLiteral("Vidmarro.INI")));
            QVERIFY(state2.ShowTrackBar);
            QVERIFY(state2.ShowStatusBar);
        }
        // With the first copy gone, the next start is a first copy again and builds its window.
        SharedState state3;
        TForm1 third(state3, services, dir.path());
        QVERIFY(!third.AnotherCopyRuns());
        QVERIFY(third.findChild<QPushButton*>(QStringLiteral("PickButton")));
        QCoreApplication::setApplicationName(QString());
    }

    void dialogsAreMadeOnceWhenFirstWanted()
    {
        SharedState state;
        state.AllBox.add(QStringLiteral("/nowhere/clip.wav"));
        ScriptedPrompts prompts;
        RecordingServices system;
        RecordingMedia media{PlayerKit::engine()};
        Services services{prompts, system, media};
        {
            StartupDialogs dialogs(state, prompts);
            QVERIFY(!dialogs.created());
            QCOMPARE(countOf<TSpeedF>() + countOf<TSleepF>(), 0);

            // A player that wants the speed box before the loop has made it gets it all the same.
            TWplayerF2 player(state, services, &dialogs);
            bool shown = false;
            PlayerKit::onModal("TSpeedF", [&](QWidget& box) {
                shown = true;
                box.close();
            });
            dialogs.showSpeed(player);
            QVERIFY(shown);
            QVERIFY(dialogs.created());
            QCOMPARE(countOf<TSleepF>(), 1);
            QCOMPARE(countOf<TSpeedF>(), 1);

            dialogs.create(); // the loop's turn comes later: nothing new
            PlayerKit::onModal("TSleepF", [](QWidget& box) { box.close(); });
            dialogs.showSleep(player);
            QCOMPARE(countOf<TSleepF>(), 1);
            QCOMPARE(countOf<TSpeedF>(), 1);
        }
        QCOMPARE(countOf<TSpeedF>() + countOf<TSleepF>(), 0);
    }
};

QTEST_MAIN(TestStartCosts)
#include "tst_startcosts.moc"
