// Plays one clip or playlist in the media player control, in a window of the player's size, and
// quits at its end (or stays with --hold). Used by the benchmarks and to look at the control.
#include "platform/media/MpvPlayer.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <clocale>
#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QCommandLineParser args;
    args.addPositionalArgument(QStringLiteral("clip"), QStringLiteral("clip or playlist to play"));
    args.addOption({QStringLiteral("hold"), QStringLiteral("stay open after the end")});
    args.addOption({QStringLiteral("size"), QStringLiteral("control size WxH"), QStringLiteral("size"),
                    QStringLiteral("229x202")});
    args.addOption({QStringLiteral("repeat"), QStringLiteral("play over and over")});
    args.addOption({QStringLiteral("first-stream"),
                    QStringLiteral("print \"new stream\" and quit when the first entry starts")});
    args.process(app);
    if (args.positionalArguments().isEmpty())
        return 2;

    MpvPlayer player;
    const QStringList size = args.value(QStringLiteral("size")).split(u'x');
    player.resize(size.value(0).toInt(), size.value(1).toInt());
    player.setWindowTitle(QStringLiteral("Vidmarro - media player control"));
    player.SetEnabled(true);
    if (args.isSet(QStringLiteral("repeat")))
        player.SetPlayCount(0);
    player.show();
    QObject::connect(&player, &MediaPlayerControl::OnEndOfStream, &app, [&] {
        if (player.GetCurrentEntry() == 0 && !args.isSet(QStringLiteral("hold")))
            QCoreApplication::quit();
    });
    if (args.isSet(QStringLiteral("first-stream"))) {
        QObject::connect(&player, &MediaPlayerControl::OnNewStream, &app, [] {
            std::fputs("new stream\n", stdout);
            std::fflush(stdout);
            QCoreApplication::quit();
        });
    }
    QTimer::singleShot(0, &player, [&] { player.Open(args.positionalArguments().constFirst()); });
    return QApplication::exec();
}
