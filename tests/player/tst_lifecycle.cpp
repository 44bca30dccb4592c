// Playback after playback in one process, on a real display with the real video output, each
// player closed at another moment: the program lives on and comes back to its main window.
#include "PlayerKit.h"
#include "support/Processes.h"
#include "support/RecordingMedia.h"
#include "support/RecordingServices.h"
#include "support/ScriptedPrompts.h"

#include "app/wmt.h"
#include "common/SharedState.h"
#include "platform/media/MpvPlayer.h"
#include "player/FullScreen.h"
#include "player/WplayerU2.h"

#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <clocale>

namespace {

// Closes the player the way the user would at this moment.
struct Moment
{
    const char* name;
    std::function<void(TWplayerF2&)> act;
};

// Runs `body` once entry n starts playing.
void atEntry(TWplayerF2& player, int n, std::function<void()> body)
{
    auto* control = player.WMTPlayer1;
    auto once = std::make_shared<bool>(false);
    QObject::connect(control, &MediaPlayerControl::OnNewStream, &player, [control, n, body, once] {
        if (!*once && control->GetCurrentEntry() == n) {
            *once = true;
            body();
        }
    });
}

void clickClose(TWplayerF2& player)
{
    auto* close = player.findChild<QPushButton*>(QStringLiteral("DoneButton"));
    QTest::mouseClick(close, Qt::LeftButton, {}, close->rect().center());
}

MpvPlayer* engineOf(TWplayerF2& player)
{
    return qobject_cast<MpvPlayer*>(player.WMTPlayer1);
}

} // namespace

class TestLifecycle : public QObject
{
    Q_OBJECT

    QTemporaryDir m_app;
    QTemporaryDir m_clips;
    QTemporaryDir m_runtime;
    QStringList m_videos;

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
        QCoreApplication::setApplicationName(QStringLiteral("Vidmarro"));
        for (const char* name : {"one.avi", "two.avi"}) {
            const QString path = m_clips.filePath(QLatin1String(name));
            QProcess ffmpeg;
            ffmpeg.start(QStringLiteral("ffmpeg"),
                         {"-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                          "testsrc=size=320x240:rate=25:duration=1.5", "-f", "lavfi", "-i",
                          "sine=frequency=440:duration=1.5", "-c:v", "mpeg4", "-c:a", "pcm_s16le", path});
            QVERIFY(ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0);
            m_videos << path;
        }
    }

    // Every way a player ends, on both video paths; every other playback comes from a second start.
    void closesAtAnyMoment_data()
    {
        QTest::addColumn<QStringList>("options");
        // The engine's own window inside ours, as on X11; the render API into an OpenGL area.
        QTest::newRow("native window") << QStringList{QStringLiteral("vo=gpu")};
        QTest::newRow("render API") << QStringList{QStringLiteral("vo=libmpv")};
    }

    void closesAtAnyMoment()
    {
        QFETCH(QStringList, options);
        ScriptedPrompts prompts;
        RecordingServices system;
        const MediaPlayerFactory real = mpvPlayerFactory(options << QStringLiteral("ao=null"));
        RecordingMedia media{[real](QWidget* parent) {
            std::setlocale(LC_NUMERIC, "C");
            return real(parent);
        }};
        Services services{prompts, system, media};
        SharedState state;
        TForm1 form(state, services, m_app.path());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        bool pausedBySpace = false;
        bool wasFullScreen = false;
        const QList<Moment> moments = {
            {"opening", [](TWplayerF2& p) { clickClose(p); }},
            {"playing",
             [](TWplayerF2& p) { atEntry(p, 1, [&p] { QTimer::singleShot(300, &p, &QWidget::close); }); }},
            {"paused",
             [&](TWplayerF2& p) {
                 atEntry(p, 1, [&] {
                     // Space pauses at once: the control has the keys after a start from outside,
                     // whether or not the window is active yet.
                     QWidget* keys = p.focusWidget();
                     QTest::keyClick(keys ? keys : &p, Qt::Key_Space);
                     QTimer::singleShot(300, &p, [&] {
                         pausedBySpace = engineOf(p)->paused();
                         clickClose(p);
                     });
                 });
             }},
            {"full screen",
             [&](TWplayerF2& p) {
                 atEntry(p, 1, [&] {
                     p.fullScreen()->enter();
                     wasFullScreen = p.fullScreen()->active();
                     QTimer::singleShot(300, &p, &QWidget::close);
                 });
             }},
            {"clip change", [](TWplayerF2& p) { atEntry(p, 2, [&p] { p.close(); }); }},
            {"end", [](TWplayerF2&) {}},
            {"sleep timer", [](TWplayerF2& p) { atEntry(p, 1, [&p] { p.Timer1Timer(); }); }},
        };
        for (int i = 0; i < moments.size(); ++i) {
            const Moment& moment = moments.at(i);
            prompts.answerBox(QMessageBox::Ok); // no sound card
            prompts.answerBox(QMessageBox::No); // save the playlist?
            bool shown = false;
            PlayerKit::onPlayerShown(&form, [&shown, act = moment.act](TWplayerF2& p) {
                shown = true;
                act(p);
            });
            if (i % 2 == 0) {
                form.openFiles(m_videos);
            } else {
                QProcess second;
                QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
                env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
                second.setProcessEnvironment(env);
                endWithTest(second);
                second.start(QStringLiteral(VIDMARRO_EXE), m_videos);
                // It waits for this copy's answer: the loop must run meanwhile.
                QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 30000);
                QCOMPARE(second.exitCode(), 0);
            }
            QTRY_VERIFY2_WITH_TIMEOUT(shown, moment.name, 20000);
            QTRY_VERIFY2_WITH_TIMEOUT(!PlayerKit::findPlayer(&form) && prompts.allUsed(), moment.name, 30000);
            if (state.ShutdownPending) {
                QCOMPARE(system.shutdowns, 1);
                state.ShutdownPending = false;
                form.show();
            }
            QTRY_VERIFY2(form.isVisible() && !QApplication::activeModalWidget(), moment.name);
        }
        QVERIFY(pausedBySpace);
        QVERIFY(wasFullScreen);
        QCOMPARE(system.shutdowns, 1);
    }
};

QTEST_MAIN(TestLifecycle)
#include "tst_lifecycle.moc"
