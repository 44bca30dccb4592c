#include "app/wmt.h"
#include "common/SharedState.h"
#include "platform/DesktopServices.h"
#include "platform/MpvPlayer.h"
#include "platform/QtPrompts.h"
#include "player/PlayerDialogs.h"
#include "player/SleepU.h"
#include "player/Speed.h"

#include <QApplication>

#include <clocale>

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
    if (form1.AnotherCopyRuns())
        return 0; // the running copy has been brought forward
    // Both dialogs live for the whole run, hidden until a player shows them.
    TSleepF sleepF(state);
    TSpeedF speedF(prompts);
    RunDialogs dialogs(sleepF, speedF);
    form1.setPlayerDialogs(&dialogs);
    form1.show();
    return QApplication::exec();
}
