#include "app/CommandLine.h"
#include "app/Languages.h"
#include "app/wmt.h"
#include "common/SharedState.h"
#include "platform/desktop/DesktopServices.h"
#include "platform/media/EngineCheck.h"
#include "platform/media/MpvBackend.h"
#include "platform/ui/QtPrompts.h"
#include "platform/ui/WindowPlacement.h"
#include "player/PlayerDialogs.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <QTranslator>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

//: The command-line summary of --help and of a wrong option; keep the options themselves as they are.
const char Usage[] =
    QT_TRANSLATE_NOOP("main", "Usage: vidmarro [--] [FILE...]\n"
                              "Plays one playlist (.asx), or the audio and video clips given, in Vidmarro.\n"
                              "When Vidmarro already runs, the files open in the running copy.\n"
                              "Options: -h, --help (this text), --version; \"--\" ends the options.\n");

// Usage in the user's language, through `translator` or the installed ones.
QByteArray usage(const QTranslator* translator)
{
    const QString text =
        translator ? translator->translate("main", Usage) : QCoreApplication::translate("main", Usage);
    return text.isEmpty() ? QByteArray(Usage) : text.toLocal8Bit();
}

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1/vidmarro.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace

int main(int argc, char* argv[])
{
    // Started again as the start-up engine check's child: answers and ends here, before anything
    // else starts (see EngineCheck.h).
    answerEngineProbe(argc, argv);
    // These two answer without a display.
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            // Read here, before the application object: the answer needs no display.
            QTranslator own;
            Languages::loadOwn(own, QLocale::system(), Languages::programDir());
            std::fputs(usage(&own).constData(), stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("Vidmarro %s\n", VIDMARRO_VERSION);
            return 0;
        }
    }
    // Taken before the toolkit starts: its X11 side takes the startup id out of the environment.
    const LaunchToken launch = LaunchToken::fromEnvironment();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vidmarro"));
    QApplication::setApplicationDisplayName(QString());
    QApplication::setDesktopFileName(QStringLiteral("vidmarro"));
    // The media engine refuses to start under a locale with a decimal comma.
    std::setlocale(LC_NUMERIC, "C");
    // Both are mapped, not read: a few file look-ups, nothing the start-up can measure.
    QTranslator own, qt;
    if (Languages::loadOwn(own, QLocale::system(), QCoreApplication::applicationDirPath()))
        QCoreApplication::installTranslator(&own);
    if (Languages::loadQt(qt, QLocale::system()))
        QCoreApplication::installTranslator(&qt);

    // The toolkit has taken its own options (-platform, -style ...) out; any other is a mistake
    // that must not be taken for a file.
    const CommandLine line = CommandLine::read(QCoreApplication::arguments().mid(1));
    if (!line.unknownOption.isEmpty()) {
        std::fputs(QCoreApplication::translate("main", "vidmarro: unknown option %1\n")
                       .arg(line.unknownOption)
                       .toLocal8Bit()
                       .constData(),
                   stderr);
        std::fputs(usage(nullptr).constData(), stderr);
        return 2;
    }
    const QStringList& files = line.files;

    QtPrompts prompts;
    DesktopServices system;
    MpvBackend media;
    Services services{prompts, system, media};
    SharedState state;

    TForm1 form1(state, services, QCoreApplication::applicationDirPath(), nullptr, files, launch);
    if (form1.AnotherCopyRuns()) {
        if (!files.isEmpty() && !form1.FilesHandedOver()) {
            // Files are never dropped without a word.
            prompts.message(QCoreApplication::translate("main",
                                                        "Vidmarro is already running but did not take the "
                                                        "file(s). Try again once it is ready."),
                            nullptr);
            return 1;
        }
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
    // The icon's images are read and sent to the display once the window has drawn; the window
    // manager takes the icon up as it arrives. Files to play come before them and the dialogs: they
    // follow at the first turn of the player's loop, once the engine has its file.
    afterFirstPaint(&form1, [&dialogs, &form1, files] {
        QTimer::singleShot(0, &form1, [&dialogs] {
            QApplication::setWindowIcon(programIcon());
            dialogs.create();
        });
        form1.openFiles(files);
    });
    return QApplication::exec();
}
