#include "MediaFixtures.h"

#include "platform/media/MpvPlayer.h"
#include "platform/media/MpvVideo.h"
#include "platform/module/lib/MpvGlArea.h"

#include <QApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <clocale>

using namespace MediaFixtures;

// The two ways the video area draws on a desktop with native windows.
class TestMpvPlayerGl : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The render API into OpenGL, as where no native window can be had; the pictures upright.
    void drawsThroughOpenGl()
    {
        QTemporaryDir dir;
        const QString red = dir.filePath(QStringLiteral("red.mpg"));
        QVERIFY(ffmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                        QStringLiteral("color=c=red:s=64x48:r=25:d=30,drawbox=y=36:h=12:c=blue:t=fill"),
                        QStringLiteral("-c:v"), QStringLiteral("mpeg1video"), QStringLiteral("-f"),
                        QStringLiteral("mpeg")},
                       red));
        auto* player = new MpvPlayer(nullptr, {QStringLiteral("ao=null"), QStringLiteral("vo=libmpv")});
        player->resize(229, 202);
        player->show();
        auto* area = qobject_cast<MpvGlArea*>(player->videoArea());
        QVERIFY(area);
        // Open before the area has come up: the clip waits for the render context.
        int started = 0;
        connect(player, &MediaPlayerControl::OnNewStream, player, [&] { ++started; });
        player->Open(red);
        QTRY_COMPARE_WITH_TIMEOUT(started, 1, 20000);
        QVERIFY(area->ready());
        QVERIFY(player->hasVideo());
        auto isRed = [](QRgb c) { return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60; };
        QTRY_VERIFY_WITH_TIMEOUT(isRed(area->grabFramebuffer().pixel(area->width() / 2, area->height() / 2)),
                                 20000);
        const QImage shot = area->grabFramebuffer();
        const QRgb bottom = shot.pixel(shot.width() / 2, shot.height() * 7 / 8);
        QVERIFY(qBlue(bottom) > 200 && qRed(bottom) < 60);
        // Sound alone shows the quiet face, not the last frame; pictures come back after it.
        const QString tone = dir.filePath(QStringLiteral("tone.wav"));
        QVERIFY(ffmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                        QStringLiteral("sine=d=30")},
                       tone));
        player->Open(tone);
        QTRY_COMPARE_WITH_TIMEOUT(started, 2, 20000);
        QTRY_VERIFY(!isRed(area->grabFramebuffer().pixel(area->width() / 2, area->height() / 2)));
        const QRgb corner = area->grabFramebuffer().pixel(2, 2);
        QVERIFY(qBlue(corner) > qRed(corner) && qBlue(corner) < 0x60);
        player->Open(red);
        QTRY_VERIFY_WITH_TIMEOUT(isRed(area->grabFramebuffer().pixel(area->width() / 2, area->height() / 2)),
                                 20000);
        // Going while the clip plays frees the render context before the engine, without a crash.
        delete player;
    }

    // The engine's own output in a native window of the control: the pictures reach the screen,
    // and sound alone shows the control's face again.
    void drawsIntoANativeWindow()
    {
        QTemporaryDir dir;
        const QString red = dir.filePath(QStringLiteral("red.mpg"));
        QVERIFY(ffmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                        QStringLiteral("color=c=red:s=64x48:r=25:d=2"), QStringLiteral("-c:v"),
                        QStringLiteral("mpeg1video"), QStringLiteral("-f"), QStringLiteral("mpeg")},
                       red));
        const QString tone = dir.filePath(QStringLiteral("tone.wav"));
        QVERIFY(ffmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                        QStringLiteral("sine=d=30")},
                       tone));
        const QString list = dir.filePath(QStringLiteral("two.asx"));
        QVERIFY(writeAsx(list, {red, tone}));
        MpvPlayer player(nullptr, {QStringLiteral("ao=null")});
        player.resize(229, 202);
        player.show();
        QVERIFY(QTest::qWaitForWindowExposed(&player));
        auto* area = qobject_cast<MpvNativeArea*>(player.videoArea());
        QVERIFY(area);
        int started = 0;
        connect(&player, &MediaPlayerControl::OnNewStream, &player, [&] { ++started; });
        player.Open(list);
        QTRY_COMPARE_WITH_TIMEOUT(started, 1, 20000);
        QVERIFY(player.hasVideo());
        auto centre = [area] {
            const QImage shot = area->screen()->grabWindow(area->winId()).toImage();
            return shot.isNull() ? QRgb(0) : shot.pixel(shot.width() / 2, shot.height() / 2);
        };
        auto isRed = [](QRgb c) { return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60; };
        QTRY_VERIFY_WITH_TIMEOUT(isRed(centre()), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(started, 2, 20000);
        QVERIFY(!player.hasVideo());
        QTRY_VERIFY_WITH_TIMEOUT(!isRed(centre()), 20000);
    }
};

int main(int argc, char* argv[])
{
    qunsetenv("VIDMARRO_MPV_OPTIONS");
    // The OpenGL area also where the display's OpenGL is drawn in software, as on a test machine.
    qputenv("VIDMARRO_VIDEO_AREA", "opengl");
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    TestMpvPlayerGl test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mpvplayer_gl.moc"
