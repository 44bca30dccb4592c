// The program's own windows, put together as the program does, playing one clip picked through
// "Select Clip(s)" and Go, then ending. Only the prompts are answered by the program itself instead of
// a person. Used for the peak memory while playing.
//
// usage: vm_play_app CLIP
#include "app/wmt.h"
#include "common/SharedState.h"
#include "platform/DesktopServices.h"
#include "platform/MpvPlayer.h"
#include "platform/Prompts.h"
#include "player/PlayerDialogs.h"
#include "player/WplayerU2.h"

#include <QApplication>
#include <QTimer>

#include <clocale>
#include <cstdio>

namespace {

class AnsweringPrompts : public Prompts
{
public:
    explicit AnsweringPrompts(QString clip) : m_clip(std::move(clip)) {}
    QMessageBox::StandardButton messageBox(const MessageBoxRequest& request, QWidget*) override
    {
        std::fprintf(stderr, "box: %s\n", qPrintable(request.text));
        return QMessageBox::No;
    }
    QStringList fileDialog(FileDialogSettings& request, QWidget*) override
    {
        return request.kind == FileDialogSettings::OpenMany ? QStringList{m_clip} : QStringList{};
    }
    bool inputBox(const QString&, const QString&, QString&, QWidget*) override { return false; }
    QString browseFolder(FolderBrowseRequest&, QWidget*) override { return {}; }

private:
    QString m_clip;
};

// Clicks Go as soon as a player window shows.
class GoClicker : public QObject
{
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            if (auto* player = qobject_cast<TWplayerF2*>(watched))
                QTimer::singleShot(0, player, &TWplayerF2::GoButtonClick);
        }
        return false;
    }
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    if (argc < 2)
        return 2;
    AnsweringPrompts prompts(QString::fromLocal8Bit(argv[1]));
    DesktopServices system;
    Services services{prompts, system, mpvPlayerFactory()};
    SharedState state;

    TForm1 form1(state, services, QCoreApplication::applicationDirPath());
    if (form1.AnotherCopyRuns())
        return 3;
    StartupDialogs dialogs(state, prompts);
    dialogs.create();
    form1.setPlayerDialogs(&dialogs);
    GoClicker clicker;
    app.installEventFilter(&clicker);
    form1.show();
    QTimer::singleShot(0, &form1, [&] {
        form1.PickButtonClick();
        QCoreApplication::quit();
    });
    return QApplication::exec();
}
