#include "app/wmt.h"
#include "common/SharedState.h"
#include "platform/DesktopServices.h"
#include "platform/MpvPlayer.h"
#include "platform/QtPrompts.h"
#include "player/PlayerDialogs.h"

#include <QApplication>
#include <QTimer>

#include <clocale>
#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vidmarro"));
    QApplication::setApplicationDisplayName(QString());
    // The media engine refuses to start under a locale with a decimal comma.
    std::setlocale(LC_NUMERIC, "C");

    QtPrompts prompts;
    DesktopServices system;
    Services services{prompts, system, mpvPlayerFactory()};
    SharedState state;

    TForm1 form1(state, services, QCoreApplication::applicationDirPath());
    if (form1.AnotherCopyRuns()) {
        // The running copy has been brought forward. This copy holds nothing and has drawn
        // nothing; it ends here because the toolkit's own teardown would first load the whole
        // font configuration only to free it again, a third of this copy's run.
        std::fflush(nullptr);
        std::_Exit(0);
    }
    // Both dialogs live for the whole run, hidden until a player shows them.
    StartupDialogs dialogs(state, prompts);
    form1.setPlayerDialogs(&dialogs);
    form1.show();
    QTimer::singleShot(0, &form1, [&dialogs] { dialogs.create(); });
    return QApplication::exec();
}
