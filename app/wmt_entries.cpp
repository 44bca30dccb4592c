// The main window's entry actions: picking clips, loading a playlist, editing one, and the player run.
#include "app/wmt.h"

#include "app/ActionRunning.h"

#include "clipmanager/ActionFormU.h"
#include "common/AppError.h"
#include "common/FileLocations.h"
#include "common/FileResult.h"
#include "common/Paths.h"
#include "common/RecentPlaylists.h"
#include "common/SafeFile.h"
#include "common/SharedState.h"
#include "editor/MangleU.h"
#include "platform/files/RecentFiles.h"
#include "platform/ui/Guard.h"
#include "platform/ui/WindowPlacement.h"
#include "player/WplayerU2.h"
#include "playlist/CCFuncs.h"
#include "playlist/Playlists.h"
#include "ui_wmt.h"

#include <QCheckBox>
#include <QFile>
#include <QTimer>

#include <cerrno>

#include <memory>
#include <utility>

namespace {

QString workingPlaylist(const SharedState& s)
{
    return s.WorkPlaylist.isEmpty() ? s.AppDir + FileLocations::workingPlaylistName() : s.WorkPlaylist;
}

// A byte copy that replaces `to` whole or not at all. The user asked for this file, so a failure
// is reported rather than left for them to find later.
void copyPlaylist(const QString& from, const QString& to)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        FileResult::ioError(ENOENT).throwIfFailed();
    const QByteArray data = in.readAll();
    if (in.error() != QFileDevice::NoError)
        FileResult::ioError(EIO).throwIfFailed();
    SafeFile::replace(to, data).throwIfFailed();
}

} // namespace

void TForm1::PickButtonClick()
{
    const ActionRunning running(m_actionsRunning);
    guarded(m_services.prompts, this, [&] {
        const QStringList files = m_services.prompts.fileDialog(OpenDialog1, this);
        // A clip that cannot be read would only make the player open and close again unexplained.
        for (const QString& f : files) {
            if (const QString why = cannotRead(f); !why.isEmpty()) {
                m_services.prompts.message(why, this);
                return;
            }
        }
        if (!files.isEmpty())
            pickClips(files);
    });
}

// The steps after the clip dialog: `files` in the order the dialog (or the caller) gave them.
// Clips found in a folder that was opened have that folder as their ClipDir.
void TForm1::pickClips(const QStringList& files, const QString& folder)
{
    const ActionRunning running(m_actionsRunning);
    S.EntryMode = EntryPicked;
    S.ClipDir = folder.isEmpty() ? Paths::directory(files.first()) : folder;
    S.PlaylistPath = workingPlaylist(S);
    S.LeftBox.clear();
    S.AllBox.clear();
    S.AllBox.setSorted(false);
    S.PathLeft.clear();
    for (const QString& f : files)
        S.AllBox.add(f);
    S.AllBox.setSorted(true);

    if (!RunPlayer())
        return;

    if (S.LeftBox.isEmpty() && S.AllBox.count() > 1 &&
        m_services.prompts.confirm(tr("Save Playlist?"), QMessageBox::Yes | QMessageBox::No, this) ==
            QMessageBox::Yes) {
        SaveDialog1.initialDir = S.playlistFolder();
        const QStringList chosen = m_services.prompts.fileDialog(SaveDialog1, this);
        if (!chosen.isEmpty()) {
            QString name = chosen.first();
            if (!Paths::hasExtension(name))
                name += QStringLiteral(".asx");
            // Closed before Go: the working playlist may still hold an earlier run's clips.
            // A failure is shown, and the main window still comes back below.
            try {
                if (!m_playerStarted)
                    CCFuncs::WritePlaylist(S.AllBox.items(), S.PlaylistPath);
                copyPlaylist(S.PlaylistPath, name);
                RecentFiles::playlistUsed(name);
            } catch (const AppError& e) {
                m_services.prompts.stop(e.text(), this);
            }
        }
    }
    if (!S.LeftBox.isEmpty())
        ShowClipManager();
    comeBack(this, ui->PickButton);
}

void TForm1::LoadButtonClick()
{
    const ActionRunning running(m_actionsRunning);
    guarded(m_services.prompts, this, [&] {
        // Where the user's playlists are: with the one last loaded or saved.
        OpenDialog2.initialDir = RecentPlaylists::startFolder(S.playlistFolder());
        OpenDialog2.recentFolders = RecentPlaylists::folders();
        const QStringList files = m_services.prompts.fileDialog(OpenDialog2, this);
        if (!files.isEmpty())
            loadPlaylist(files.first());
    });
}

// The steps after the playlist dialog.
void TForm1::loadPlaylist(const QString& file)
{
    const ActionRunning running(m_actionsRunning);
    S.EntryMode = EntryLoaded;
    S.PlaylistPath = file;
    const int missing = Playlists::read(S.PlaylistPath, S.AllBox);
    RecentFiles::playlistUsed(file);
    // Opened from outside, a playlist that lists nothing would otherwise end in silence.
    if (m_goAtOnce && missing == 0 && S.AllBox.isEmpty()) {
        m_services.prompts.message(
            tr("\"%1\" lists no clips to play.").arg(Paths::forMessage(Paths::fileName(file))), this);
    }
    if (missing > 0) {
        m_services.prompts.message(
            tr("Warning: %1 clip(s) could not be found.\rWill play any remaining clips").arg(missing), this);
    }
    // The loaded file itself is never played or written.
    S.PlaylistPath = workingPlaylist(S);
    if (!S.AllBox.isEmpty() && !RunPlayer())
        return;
    comeBack(this, ui->LoadButton);
}

void TForm1::Button1Click()
{
    const ActionRunning running(m_actionsRunning);
    ShowEditor();
}

bool TForm1::RunPlayer()
{
    auto player = std::make_unique<TWplayerF2>(S, m_services, m_playerDialogs, this);
    hide();
    player->CheckBox5->setChecked(S.ShowTrackBar);
    player->CheckBox6->setChecked(S.ShowStatusBar);
    if (std::exchange(m_goAtOnce, false))
        QTimer::singleShot(0, player.get(), &TWplayerF2::GoButtonClick);
    player->exec();
    S.ShowTrackBar = player->CheckBox5->isChecked();
    S.ShowStatusBar = player->CheckBox6->isChecked();
    m_playerStarted = player->started();
    player.reset();
    if (S.ShutdownPending) {
        // Once the refusal has been reported the window comes back for the user, and the next
        // playback does not try again unless Sleep is chosen anew.
        if (!guarded(m_services.prompts, this, [&] { ShutdownComputer(); })) {
            S.ShutdownPending = false;
            show();
            return false;
        }
        return true;
    }
    show();
    return true;
}

void TForm1::ShowClipManager()
{
    TActionForm form(S, m_services, this);
    form.exec();
}

void TForm1::ShowEditor()
{
    TMangle editor(S, m_services, OpenDialog1, this);
    editor.exec();
    comeBack(this, ui->Button1);
}
