// A small program guarded like the real one, under a title of the caller's choosing, that reports
// on standard output what the guard tells it: "first" or "second", then "raised" for each request.
// Usage: justone_probe <title> [--no-switch]
#include "common/JustOne.h"

#include <QApplication>
#include <QWidget>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2)
        return 2;
    const QString title = args.at(1);
    QApplication::setApplicationName(title);

    TXJustOne guard;
    guard.SwitchToPrevious = !args.contains(QStringLiteral("--no-switch"));
    if (!guard.check(title)) {
        std::printf("second\n");
        return 0;
    }
    QWidget window;
    window.setWindowTitle(QStringLiteral("probe ") + title);
    window.resize(300, 200);
    QObject::connect(&guard, &TXJustOne::activateRequested, [] {
        std::printf("raised\n");
        std::fflush(stdout);
    });
    window.show();
    std::printf("first\n");
    std::fflush(stdout);
    return QApplication::exec();
}
