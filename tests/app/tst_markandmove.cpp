// A new user picks three clips, marks two while they play, and moves them to another folder
// through the clip manager.
#include "app/wmt.h"
#include "clipmanager/ActionFormU.h"
#include "common/SharedState.h"
#include "platform/media/MpvPlayer.h"
#include "player/PlayerKit.h"
#include "player/WplayerU2.h"
#include "support/RecordingMedia.h"
#include "support/RecordingServices.h"
#include "support/ScriptedPrompts.h"
#include "ui_ActionFormU.h"
#include "ui_WplayerU2.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <clocale>

namespace {

// A clip long enough (in real time) to be marked while it plays.
QString makeClip(const QString& path)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), {"-v", "error", "-y", "-f", "lavfi", "-i",
                                            "sine=frequency=330:duration=1.5", "-ar", "22050", path});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
        qFatal("ffmpeg could not make a clip");
    return path;
}

// Played in real time (no sound card needed), so that a clip is still on when Mark is pressed.
MediaPlayerFactory realTime()
{
    const MediaPlayerFactory real = mpvPlayerFactory({QStringLiteral("vo=null"), QStringLiteral("ao=null")});
    return [real](QWidget* parent) {
        std::setlocale(LC_NUMERIC, "C");
        return real(parent);
    };
}

QStringList entries(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

} // namespace

class TestMarkAndMove : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void marksTwoAndMovesThem()
    {
        QTemporaryDir root;
        const QString app = root.filePath(QStringLiteral("app"));
        const QString clips = root.filePath(QStringLiteral("Clips"));
        const QString dest = root.filePath(QStringLiteral("Keep"));
        QVERIFY(QDir().mkpath(app) && QDir().mkpath(clips) && QDir().mkpath(dest));
        const QString a = makeClip(clips + QStringLiteral("/a.mp3"));
        const QString b = makeClip(clips + QStringLiteral("/b.mp3"));
        const QString c = makeClip(clips + QStringLiteral("/c.mp3"));

        ScriptedPrompts prompts;
        RecordingServices system;
        RecordingMedia media{realTime()};
        Services services{prompts, system, media};
        SharedState state;
        TForm1 form(state, services, app);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        // The dialog hands the clips back unsorted. Without a sound output the player warns first;
        // then the move is confirmed.
        prompts.answerFiles({c, a, b});
        prompts.answerFolder(dest);
        prompts.answerBox(QMessageBox::Ok);
        prompts.answerBox(QMessageBox::Ok);

        // The player: Go, then Mark during the first and the third clip.
        QStringList titlesMarked;
        PlayerKit::onPlayerShown(&form, [&](TWplayerF2& player) {
            auto* poll = new QTimer(&player);
            poll->setInterval(10);
            connect(poll, &QTimer::timeout, &player, [&player, &titlesMarked] {
                const QString title = player.windowTitle();
                QPushButton* mark = player.findChild<QPushButton*>(QStringLiteral("MarkButton"));
                const bool wanted =
                    title.endsWith(QStringLiteral("a.mp3")) || title.endsWith(QStringLiteral("c.mp3"));
                if (wanted && mark->isVisible() && mark->isEnabled() && !titlesMarked.contains(title)) {
                    titlesMarked << title;
                    QTest::mouseClick(mark, Qt::LeftButton);
                }
            });
            poll->start();
            QTest::mouseClick(player.findChild<QLabel*>(QStringLiteral("GoButton")), Qt::LeftButton);
        });

        // The clip manager: Select All, "-->", Move, Go!
        bool managerSeen = false;
        PlayerKit::onModal("TActionForm", [&](QWidget& w) {
            managerSeen = true;
            auto& manager = static_cast<TActionForm&>(w);
            QTest::mouseClick(manager.findChild<QPushButton*>(QStringLiteral("SelectButton")),
                              Qt::LeftButton);
            QTest::mouseClick(manager.findChild<QPushButton*>(QStringLiteral("FillButton")), Qt::LeftButton);
            // Set VIDMARRO_SHOTS to a folder to keep a picture of the clip manager for a look.
            if (qEnvironmentVariableIsSet("VIDMARRO_SHOTS"))
                manager.grab().save(qEnvironmentVariable("VIDMARRO_SHOTS") +
                                    QStringLiteral("/clipmanager.png"));
            for (QRadioButton* r : manager.findChildren<QRadioButton*>()) {
                if (r->text() == QStringLiteral("Move to another folder"))
                    r->click();
            }
            QCOMPARE(manager.actionIndex(), 2);
            QTest::mouseClick(manager.findChild<QLabel*>(QStringLiteral("GoButton")), Qt::LeftButton);
        });

        QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("PickButton")), Qt::LeftButton);

        QCOMPARE(titlesMarked, (QStringList{"Vidmarro - (1/3) a.mp3", "Vidmarro - (3/3) c.mp3"}));
        QVERIFY(managerSeen);
        QCOMPARE(state.LeftBox.items(), (QStringList{"a.mp3", "c.mp3"}));
        QCOMPARE(state.PathLeft.items(), (QStringList{a, c}));
        QCOMPARE(prompts.boxTexts(),
                 (QStringList{QStringLiteral("Warning - Sound Card Not Enabled"),
                              QStringLiteral("Ready to MOVE clips from %1 to %2").arg(clips, dest)}));
        QVERIFY(prompts.allUsed());

        QCOMPARE(entries(dest), (QStringList{"a.mp3", "c.mp3"}));
        QCOMPARE(entries(clips), QStringList{"b.mp3"});
        QCOMPARE(entries(app), (QStringList{"Vidmarro.INI", "playlist.tmp"}));
        QCOMPARE(entries(root.path()), (QStringList{"Clips", "Keep", "app"}));
        QVERIFY(form.isVisible());
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }

    // The same story with keys only, each sent where the focus is: no window needs the mouse.
    void marksAndMovesWithKeysOnly()
    {
        QTemporaryDir root;
        const QString app = root.filePath(QStringLiteral("app")),
                      dest = root.filePath(QStringLiteral("Keep"));
        QVERIFY(QDir().mkpath(app) && QDir().mkpath(dest));
        const QString a = makeClip(root.filePath(QStringLiteral("a.mp3")));
        const QString b = makeClip(root.filePath(QStringLiteral("b.mp3")));
        ScriptedPrompts prompts;
        RecordingServices system;
        RecordingMedia media{realTime()};
        Services services{prompts, system, media};
        SharedState state;
        TForm1 form(state, services, app);
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        const auto key = [](int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(k), m);
        };
        prompts.answerFiles({b, a});
        prompts.answerBox(QMessageBox::Ok); // no sound card
        prompts.answerFolder(dest);
        prompts.answerBox(QMessageBox::Ok); // ready to move

        // Enter starts playback; Mark takes Go's place and the focus, and Space marks the playing clip.
        PlayerKit::onPlayerShown(&form, [&](TWplayerF2& player) {
            auto* poll = new QTimer(&player);
            connect(poll, &QTimer::timeout, &player, [&player, key] {
                auto* mark = player.findChild<QPushButton*>(QStringLiteral("MarkButton"));
                if (player.windowTitle().endsWith(QStringLiteral("b.mp3")) && mark->hasFocus() &&
                    mark->isEnabled())
                    key(Qt::Key_Space);
            });
            poll->start(10);
            QTimer::singleShot(30000, &player, &QWidget::close); // should a key go astray
            QTRY_VERIFY(player.isActiveWindow() && QApplication::focusWidget());
            key(Qt::Key_Return);
        });
        // Clip manager: select all, Tab to the arrow, move, Tab to the actions, Down twice to Move, Tab to
        // Go!
        PlayerKit::onModal("TActionForm", [&](QWidget& manager) {
            QTimer::singleShot(30000, &manager, &QWidget::close);
            QTRY_VERIFY(manager.isActiveWindow() && QApplication::focusWidget());
            key(Qt::Key_A, Qt::ControlModifier);
            for (int k : {Qt::Key_Tab, Qt::Key_Space, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab,
                          Qt::Key_Tab, Qt::Key_Down, Qt::Key_Down, Qt::Key_Tab})
                key(k);
            QCOMPARE(static_cast<TActionForm&>(manager).actionIndex(), 2);
            key(Qt::Key_Return);
        });
        key(Qt::Key_S, Qt::AltModifier); // the mnemonic clicks a moment later

        QTRY_COMPARE_WITH_TIMEOUT(entries(dest), QStringList{"b.mp3"}, 60000);
        QCOMPARE(state.PathLeft.items(), QStringList{b});
        QVERIFY(prompts.allUsed());
        // Back in the main window, on the button that started it all.
        QTRY_COMPARE(QApplication::activeWindow(), &form);
        QCOMPARE(QApplication::focusWidget(), form.findChild<QPushButton*>(QStringLiteral("PickButton")));
    }
};

QTEST_MAIN(TestMarkAndMove)
#include "tst_markandmove.moc"
