// The player window as the desktop sees it, through the real window and real clients: full screen
// under openbox, MPRIS read and driven by playerctl, and the screensaver played by python3-dbusmock,
// all on a private session bus that this test starts.
#include "support/Processes.h"
#include "support/RecordingMedia.h"
#include "support/ScriptedPrompts.h"

#include "common/SharedState.h"
#include "platform/Services.h"
#include "platform/desktop/DesktopServices.h"
#include "platform/media/MpvPlayer.h"
#include "player/WplayerU2.h"
#include "ui_WplayerU2.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QGroupBox>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <clocale>
#include <memory>

namespace {

const QString ScreenSaver = QStringLiteral("org.freedesktop.ScreenSaver");

// Runs a program to its end while this one keeps answering the bus; its output, trimmed.
QString runClient(const QString& program, const QStringList& args)
{
    QProcess p;
    QEventLoop loop;
    QObject::connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&p, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    p.start(program, args);
    loop.exec();
    stopProcess(p);
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

QString ctl(const QStringList& args)
{
    const QString out = runClient(QStringLiteral("playerctl"), args);
    qInfo("playerctl %s -> %s", qPrintable(args.join(u' ')), qPrintable(out));
    return out;
}

QString player(const QStringList& args)
{
    return ctl(QStringList{QStringLiteral("-p"), QStringLiteral("vidmarro")} + args);
}

// Makes a clip of `seconds` with ffmpeg: pictures and sound for .avi, sound alone otherwise.
QString makeClip(const QString& dir, const QString& name, int seconds)
{
    const QString path = QDir(dir).filePath(name);
    const QString length = QString::number(seconds);
    QStringList args{QStringLiteral("-nostdin"), QStringLiteral("-loglevel"), QStringLiteral("error"),
                     QStringLiteral("-y")};
    if (name.endsWith(QLatin1String(".avi")))
        args << QStringLiteral("-f") << QStringLiteral("lavfi") << QStringLiteral("-i")
             << QStringLiteral("testsrc=size=160x120:rate=10:duration=") + length << QStringLiteral("-c:v")
             << QStringLiteral("mpeg4");
    args << QStringLiteral("-f") << QStringLiteral("lavfi") << QStringLiteral("-i")
         << QStringLiteral("sine=frequency=440:sample_rate=8000:duration=") + length << path;
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), args);
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
        qFatal("ffmpeg could not make %s: %s", qPrintable(name), ffmpeg.readAllStandardError().constData());
    return path;
}

} // namespace

class TestDesktop : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;
    QProcess m_bus;
    QProcess m_screenSaver;
    QProcess m_wm;
    QString m_address;
    QString m_log;
    QString m_video, m_video2, m_audio;

    ScriptedPrompts m_prompts;
    DesktopServices m_system; // the real one: MPRIS and the screensaver on the session bus
    // Played in real time, without pictures or sound leaving the program.
    RecordingMedia m_media{[](QWidget* parent) -> MediaPlayerControl* {
        std::setlocale(LC_NUMERIC, "C");
        return new MpvPlayer(parent, {QStringLiteral("vo=null"), QStringLiteral("ao=null")});
    }};
    Services m_services{m_prompts, m_system, m_media};
    SharedState S;

    QDBusConnection probe() { return QDBusConnection::connectToBus(m_address, QStringLiteral("probe")); }
    QDBusMessage callPlayer(const QString& interface, const QString& method, const QVariantList& args)
    {
        QDBusMessage call =
            QDBusMessage::createMethodCall(QStringLiteral("org.mpris.MediaPlayer2.vidmarro"),
                                           QStringLiteral("/org/mpris/MediaPlayer2"), interface, method);
        call.setArguments(args);
        return probe().call(call, QDBus::BlockWithGui); // this program answers it meanwhile
    }
    // What the player told of its properties, as its clients hear it.
    QVariantMap m_told;
    QStringList m_statusesTold;

    // The screensaver stand-in's calls of `method` so far.
    int calls(const char* method) const { return dbusmockCalls(m_log, method); }

    std::unique_ptr<TWplayerF2> openPlayer(const QStringList& clips)
    {
        S.AllBox.assign(clips);
        S.EntryMode = EntryPicked;
        S.PlaylistPath = m_tmp.filePath(QStringLiteral("playlist.tmp"));
        auto p = std::make_unique<TWplayerF2>(S, m_services, nullptr);
        p->show();
        if (!QTest::qWaitForWindowExposed(p.get()))
            return nullptr;
        return p;
    }

    void go(TWplayerF2& p)
    {
        m_prompts.answerBox(QMessageBox::Ok); // no sound output here: the warning
        p.GoButtonClick();
    }

    static MpvPlayer* engine(TWplayerF2& p) { return qobject_cast<MpvPlayer*>(p.WMTPlayer1); }

    // What the window manager holds of the window's state.
    static bool managedFullScreen(const QWidget& w)
    {
        const QString out =
            runClient(QStringLiteral("xprop"),
                      {QStringLiteral("-id"), QString::number(w.winId()), QStringLiteral("_NET_WM_STATE")});
        return out.contains(QLatin1String("_NET_WM_STATE_FULLSCREEN"));
    }

    static bool managedMaximised(const QWidget& w)
    {
        const QString out =
            runClient(QStringLiteral("xprop"),
                      {QStringLiteral("-id"), QString::number(w.winId()), QStringLiteral("_NET_WM_STATE")});
        return out.contains(QLatin1String("_NET_WM_STATE_MAXIMIZED_VERT")) &&
               out.contains(QLatin1String("_NET_WM_STATE_MAXIMIZED_HORZ"));
    }

public Q_SLOTS:
    void propertiesChanged(const QString&, const QVariantMap& changed, const QStringList&)
    {
        m_told.insert(changed);
        if (changed.contains(QStringLiteral("PlaybackStatus")))
            m_statusesTold.append(changed.value(QStringLiteral("PlaybackStatus")).toString());
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_tmp.path()));
        const QString python = pythonWithDbusmock();
        if (python.isEmpty())
            QFAIL("python3 with dbusmock is needed (package python3-dbusmock)");
        if (QStandardPaths::findExecutable(QStringLiteral("playerctl")).isEmpty())
            QFAIL("playerctl is needed (package playerctl)");

        endWithTest(m_bus);
        m_bus.start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                     QStringLiteral("--print-address"),
                     QStringLiteral("--address=unix:path=") + m_tmp.filePath(QStringLiteral("bus"))});
        QVERIFY2(m_bus.waitForStarted(), "dbus-daemon is needed (package dbus)");
        while (!m_bus.canReadLine() && m_bus.waitForReadyRead(30000)) {
        }
        m_address = QString::fromLocal8Bit(m_bus.readLine()).trimmed();
        QVERIFY(!m_address.isEmpty());
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toLocal8Bit());

        m_log = m_tmp.filePath(QStringLiteral("screensaver.log"));
        m_screenSaver.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        endWithTest(m_screenSaver);
        m_screenSaver.start(python,
                            {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("-l"), m_log,
                             ScreenSaver, QStringLiteral("/org/freedesktop/ScreenSaver"), ScreenSaver});
        QVERIFY(m_screenSaver.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(probe().interface()->isServiceRegistered(ScreenSaver), 30000);
        const QList<QStringList> methods{
            {QStringLiteral("Inhibit"), QStringLiteral("ss"), QStringLiteral("u"),
             QStringLiteral("ret = 17")},
            {QStringLiteral("UnInhibit"), QStringLiteral("u"), QString(), QString()}};
        for (const QStringList& m : methods) {
            QDBusMessage add = QDBusMessage::createMethodCall(
                ScreenSaver, QStringLiteral("/org/freedesktop/ScreenSaver"),
                QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("AddMethod"));
            add << ScreenSaver << m[0] << m[1] << m[2] << m[3];
            const QDBusMessage reply = probe().call(add);
            QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
        }

        // A window manager: full screen is its state to grant.
        endWithTest(m_wm);
        m_wm.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        QVERIFY2(m_wm.waitForStarted(), "openbox is needed (package openbox)");
        QTRY_VERIFY_WITH_TIMEOUT(
            runClient(QStringLiteral("xprop"),
                      {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
                .contains(QLatin1String("window id")),
            30000);

        const QString clips = m_tmp.filePath(QStringLiteral("clips"));
        QDir().mkpath(clips);
        m_video = makeClip(clips, QStringLiteral("street.avi"), 30);
        m_video2 = makeClip(clips, QStringLiteral("harbour.avi"), 30);
        m_audio = makeClip(clips, QStringLiteral("tone.wav"), 30);
    }

    void cleanupTestCase()
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("probe"));
        stopProcess(m_wm);
        stopProcess(m_screenSaver);
        stopProcess(m_bus);
    }

    void init() { m_prompts.clear(); }

    // First, before any window has reached the bus: a session bus that is not there changes
    // nothing, and the next window finds the bus once it is back.
    void withoutSessionBusNothingFails()
    {
        qputenv("DBUS_SESSION_BUS_ADDRESS",
                "unix:path=" + QFile::encodeName(m_tmp.filePath(QStringLiteral("none"))));
        auto p = openPlayer({m_video});
        QVERIFY(p);
        go(*p);
        QTRY_COMPARE_WITH_TIMEOUT(p->windowTitle(), QStringLiteral("Vidmarro - (1/1) street.avi"), 20000);
        p->close();
        QCOMPARE(m_prompts.boxTexts(), QStringList{QStringLiteral("Warning - Sound Card Not Enabled")});
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toLocal8Bit());
    }

    // Double-click, keys in full screen, Esc back to the designed window, audio left in the window.
    void fullScreenComesBackAsDesigned()
    {
        auto p = openPlayer({m_video, m_audio});
        QVERIFY(p);
        const QRect designed = p->geometry();
        const QRect controlPlace = p->WMTPlayer1->geometry();
        go(*p);
        MpvPlayer* control = engine(*p);
        QTRY_VERIFY_WITH_TIMEOUT(control->hasVideo(), 20000);
        QVERIFY(p->form()->Play->isVisible());

        QTest::mouseDClick(control->videoArea(), Qt::LeftButton);
        QTRY_VERIFY(managedFullScreen(*p));
        QTRY_COMPARE(p->geometry(), p->screen()->geometry());
        QCOMPARE(p->WMTPlayer1->geometry(), p->rect());
        QVERIFY(!p->form()->Play->isVisible());
        QVERIFY(!p->form()->DoneButton->isVisible());
        // The pointer goes after a moment of stillness and comes back when moved.
        QTRY_COMPARE(p->cursor().shape(), Qt::BlankCursor);
        QTest::mouseMove(control->videoArea(), QPoint(40, 40));
        QTRY_VERIFY(p->cursor().shape() != Qt::BlankCursor);

        // The control's keys reach it in full screen.
        QTest::keyClick(p->windowHandle(), Qt::Key_Space);
        QTRY_VERIFY(control->paused());
        QTest::keyClick(p->windowHandle(), Qt::Key_Space);
        QTRY_VERIFY(!control->paused());
        const double volume = control->volume();
        QTest::keyClick(p->windowHandle(), Qt::Key_Down);
        QTRY_VERIFY(control->volume() < volume);

        QTest::keyClick(p->windowHandle(), Qt::Key_Escape);
        QTRY_VERIFY(!managedFullScreen(*p));
        QTRY_COMPARE(p->geometry(), designed);
        QCOMPARE(p->WMTPlayer1->geometry(), controlPlace);
        QVERIFY(p->form()->Play->isVisible());
        QVERIFY(p->form()->MarkButton->isVisible());
        QVERIFY(p->isVisible()); // Esc left full screen, it did not close the player

        // F again, then the next clip has no pictures: it plays in the window.
        QTest::keyClick(p->windowHandle(), Qt::Key_F);
        QTRY_VERIFY(managedFullScreen(*p));
        control->nextEntry();
        QTRY_VERIFY(p->windowTitle().startsWith(QLatin1String("Vidmarro - (2/2)")));
        QTRY_COMPARE(p->geometry(), designed);
        QVERIFY(p->form()->Play->isVisible());
        QTest::mouseDClick(control->videoArea(), Qt::LeftButton);
        QTest::keyClick(p->windowHandle(), Qt::Key_F);
        QVERIFY(!(p->windowState() & Qt::WindowFullScreen));
        p->close();
    }

    // Left from a maximised window, full screen gives the maximised window back, as the window
    // manager holds it, with the other controls shown again.
    void fullScreenReturnsToAMaximisedWindow()
    {
        auto p = openPlayer({m_video});
        QVERIFY(p);
        p->showMaximized();
        QTRY_VERIFY(managedMaximised(*p));
        QTRY_VERIFY(p->geometry().width() > p->minimumWidth() && p->geometry() != p->screen()->geometry());
        go(*p);
        MpvPlayer* control = engine(*p);
        QTRY_VERIFY_WITH_TIMEOUT(control->hasVideo(), 20000);
        const QRect maximised = p->geometry();
        QTest::keyClick(p->windowHandle(), Qt::Key_F);
        QTRY_VERIFY(managedFullScreen(*p));
        QTRY_COMPARE(p->geometry(), p->screen()->geometry());
        QTest::keyClick(p->windowHandle(), Qt::Key_Escape);
        QTRY_VERIFY(!managedFullScreen(*p));
        QTRY_VERIFY(managedMaximised(*p));
        QVERIFY(p->windowState() & Qt::WindowMaximized);
        QTRY_COMPARE(p->geometry(), maximised);
        QVERIFY(p->form()->Play->isVisible());
        QVERIFY(p->WMTPlayer1->geometry() != p->rect()); // no longer the whole window
        p->close();
    }

    // playerctl sees and drives the player as its own buttons would; the screensaver is held while
    // a video plays, and every hold is given back.
    void mediaKeysAndScreenSaver()
    {
        // Every hold of the test before has been given back.
        QTRY_COMPARE(calls("UnInhibit"), calls("Inhibit"));
        const int held = calls("Inhibit");
        auto p = openPlayer({m_video, m_audio, m_video2});
        QVERIFY(p);
        QVERIFY(ctl({QStringLiteral("-l")}).split(u'\n').contains(QStringLiteral("vidmarro")));
        // Before Go the player is there, and takes no commands.
        QCOMPARE(player({QStringLiteral("status")}), QStringLiteral("Stopped"));
        player({QStringLiteral("play")});
        QVERIFY(!p->started());
        QVERIFY(p->form()->GoButton->isVisible());

        go(*p);
        QTRY_COMPARE_WITH_TIMEOUT(p->windowTitle(), QStringLiteral("Vidmarro - (1/3) street.avi"), 20000);
        QTRY_COMPARE(player({QStringLiteral("status")}), QStringLiteral("Playing"));
        QCOMPARE(player({QStringLiteral("metadata"), QStringLiteral("title")}), QStringLiteral("street.avi"));
        QTRY_COMPARE(calls("Inhibit"), held + 1);

        QTRY_VERIFY(player({QStringLiteral("position")}).toDouble() > 0.2);
        // Read one by one, as well as all at once; an interface the player has not is an error.
        const QString properties = QStringLiteral("org.freedesktop.DBus.Properties");
        const QString playerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
        const QDBusMessage status = callPlayer(properties, QStringLiteral("Get"),
                                               {playerInterface, QStringLiteral("PlaybackStatus")});
        QCOMPARE(status.arguments().value(0).value<QDBusVariant>().variant().toString(),
                 QStringLiteral("Playing"));
        QCOMPARE(callPlayer(properties, QStringLiteral("Get"),
                            {QStringLiteral("org.example.None"), QStringLiteral("PlaybackStatus")})
                     .errorName(),
                 QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface"));
        QVERIFY(probe().connect(QStringLiteral("org.mpris.MediaPlayer2.vidmarro"),
                                QStringLiteral("/org/mpris/MediaPlayer2"), properties,
                                QStringLiteral("PropertiesChanged"), this,
                                SLOT(propertiesChanged(QString, QVariantMap, QStringList))));
        // Volumes that are none: NaN leaves the volume as it was, another type is invalid.
        const QString volume = player({QStringLiteral("volume")});
        const auto setVolume = [&](const QVariant& value) {
            return callPlayer(
                properties, QStringLiteral("Set"),
                {playerInterface, QStringLiteral("Volume"), QVariant::fromValue(QDBusVariant(value))});
        };
        QCOMPARE(setVolume(qQNaN()).type(), QDBusMessage::ReplyMessage);
        const double at = player({QStringLiteral("position")}).toDouble();
        QTRY_VERIFY(player({QStringLiteral("position")}).toDouble() > at + 0.3); // the engine went on since
        QCOMPARE(player({QStringLiteral("volume")}), volume);
        QCOMPARE(setVolume(QStringLiteral("loud")).errorName(),
                 QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"));
        QCOMPARE(setVolume(0.5).type(), QDBusMessage::ReplyMessage);
        QTRY_COMPARE(player({QStringLiteral("volume")}).toDouble(), 0.5);
        player({QStringLiteral("pause")});
        QTRY_COMPARE(player({QStringLiteral("status")}), QStringLiteral("Paused"));
        const double stopped = player({QStringLiteral("position")}).toDouble();
        QTest::qWait(500); // half a second of playing would move it that far
        QVERIFY(qAbs(player({QStringLiteral("position")}).toDouble() - stopped) < 0.05);
        // Clients that follow the player hear each change; a seek works on the first clip as on any.
        QTRY_COMPARE(m_told.value(QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Paused"));
        player({QStringLiteral("position"), QStringLiteral("5+")});
        QTRY_VERIFY(qAbs(player({QStringLiteral("position")}).toDouble() - stopped - 5) < 0.5);
        QTRY_COMPARE(calls("UnInhibit"), held + 1);

        player({QStringLiteral("play")});
        QTRY_COMPARE(calls("Inhibit"), held + 2);
        m_statusesTold.clear();
        // Next is the control's own Next: the window numbers the clip and offers Mark for it.
        player({QStringLiteral("next")});
        QTRY_COMPARE(p->windowTitle(), QStringLiteral("Vidmarro - (2/3) tone.wav"));
        QTRY_COMPARE(player({QStringLiteral("metadata"), QStringLiteral("title")}),
                     QStringLiteral("tone.wav"));
        QVERIFY(p->form()->MarkButton->isEnabled());
        QTRY_COMPARE(calls("UnInhibit"), held + 2);
        QCOMPARE(player({QStringLiteral("status")}), QStringLiteral("Playing"));
        QCOMPARE(calls("Inhibit"), held + 2); // none for sound alone

        // Previous goes back one clip, not on.
        player({QStringLiteral("previous")});
        QTRY_COMPARE(p->windowTitle(), QStringLiteral("Vidmarro - (1/3) street.avi"));
        QTRY_COMPARE(calls("Inhibit"), held + 3);
        player({QStringLiteral("next")});
        QTRY_COMPARE(p->windowTitle(), QStringLiteral("Vidmarro - (2/3) tone.wav"));
        QTRY_COMPARE(calls("UnInhibit"), held + 3);

        player({QStringLiteral("next")});
        QTRY_COMPARE(p->windowTitle(), QStringLiteral("Vidmarro - (3/3) harbour.avi"));
        QTRY_COMPARE(calls("Inhibit"), held + 4);
        // From clip to clip the player plays on; it is not told as stopped in between.
        QVERIFY2(!m_statusesTold.contains(QStringLiteral("Stopped")), qPrintable(m_statusesTold.join(u',')));
        // Closed while a video plays: the hold is given back, the player leaves the bus.
        p->close();
        QTRY_COMPARE(calls("UnInhibit"), held + 4);
        QTRY_VERIFY(!ctl({QStringLiteral("-l")}).split(u'\n').contains(QStringLiteral("vidmarro")));
        QVERIFY(m_prompts.allUsed());
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
