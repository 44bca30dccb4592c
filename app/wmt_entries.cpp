// The main window's entry actions: picking clips, loading a playlist, editing one, and the player run.
#include "app/wmt.h"

#include "clipmanager/ActionFormU.h"
#include "common/Paths.h"
#include "common/SafeFile.h"
#include "common/SharedState.h"
#include "editor/MangleU.h"
#include "platform/Guard.h"
#include "player/WplayerU2.h"
#include "playlist/CCFuncs.h"

#include <QCheckBox>
#include <QFile>

#include <memory>

namespace {

QString workingPlaylist(const SharedState& s)
{
    return s.AppDir + QStringLiteral("playlist.tmp");
}

// A byte copy that replaces `to` whole or not at all. Failures are not reported: saving a played
// playlist is a courtesy, and the working playlist stays as it is.
void copyQuietly(const QString& from, const QString& to)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return;
    const QByteArray data = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return;
    SafeFile::replace(to, data);
}

} // namespace

void TForm1::PickButtonClick()
{
    guarded(m_services.prompts, this, [&] {
        const QStringList files = m_services.prompts.fileDialog(OpenDialog1, this);
        if (files.isEmpty())
            return;
        S.EntryMode = EntryPicked;
        S.ClipDir = Paths::directory(files.first());
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
            m_services.prompts.confirm(QStringLiteral("Save Playlist?"), QMessageBox::Yes | QMessageBox::No,
                                       this) == QMessageBox::Yes) {
            SaveDialog1.initialDir = S.AppDir;
            const QStringList chosen = m_services.prompts.fileDialog(SaveDialog1, this);
            if (!chosen.isEmpty()) {
                QString name = chosen.first();
                if (!Paths::hasExtension(name))
                    name += QStringLiteral(".asx");
                // Closed before Go: the working playlist may still hold an earlier run's clips.
                bool current = m_playerStarted;
                if (!current) {
                    try {
                        CCFuncs::WritePlaylist(S.AllBox.items(), S.PlaylistPath);
                        current = true;
                    } catch (const std::exception&) {
                        // as silent as a failed copy
                    }
                }
                if (current)
                    copyQuietly(S.PlaylistPath, name);
            }
        }
        if (!S.LeftBox.isEmpty())
            ShowClipManager();
        show();
    });
}

void TForm1::LoadButtonClick()
{
    guarded(m_services.prompts, this, [&] {
        OpenDialog2.initialDir = S.AppDir;
        const QStringList files = m_services.prompts.fileDialog(OpenDialog2, this);
        if (files.isEmpty())
            return;
        S.EntryMode = EntryLoaded;
        S.PlaylistPath = files.first();
        const int missing = CCFuncs::ReadPlaylist(S.PlaylistPath, S.AllBox);
        if (missing > 0) {
            m_services.prompts.message(
                QStringLiteral("Warning: ") + QString::number(missing) +
                    QStringLiteral(" clip(s) could not be found.\rWill play any remaining clips"),
                this);
        }
        // The loaded file itself is never played or written.
        S.PlaylistPath = workingPlaylist(S);
        if (!S.AllBox.isEmpty() && !RunPlayer())
            return;
        show();
    });
}

void TForm1::Button1Click()
{
    ShowEditor();
}

bool TForm1::RunPlayer()
{
    auto player = std::make_unique<TWplayerF2>(S, m_services, m_playerDialogs, this);
    hide();
    player->CheckBox5->setChecked(S.ShowTrackBar);
    player->CheckBox6->setChecked(S.ShowStatusBar);
    player->exec();
    S.ShowTrackBar = player->CheckBox5->isChecked();
    S.ShowStatusBar = player->CheckBox6->isChecked();
    m_playerStarted = player->started();
    player.reset();
    if (S.ShutdownPending) {
        // A refused request leaves the flag set; the window must come back for the user.
        if (!guarded(m_services.prompts, this, [&] { ShutdownComputer(); })) {
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
}
