#include "clipmanager/ActionFormU.h"

#include "common/Paths.h"
#include "common/SharedState.h"
#include "platform/Services.h"
#include "platform/files/RecentFiles.h"
#include "platform/ui/ClickableLabel.h"
#include "platform/ui/Guard.h"
#include "platform/ui/ReadableColours.h"
#include "platform/ui/WindowPlacement.h"
#include "playlist/CCFuncs.h"
#include "playlist/Playlists.h"
#include "ui_ActionFormU.h"

#include <QButtonGroup>
#include <QFileInfo>
#include <QStyle>

TActionForm::TActionForm(SharedState& state, Services& services, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      ShellFileOp1(services.prompts, this), PBFolderDialog1(services.prompts, this), ui(new Ui::TActionForm),
      S(state), m_services(services)
{
    ui->setupUi(this);
    setFixedSize(size());
    keepFromMinimising(this);

    m_actions = new QButtonGroup(this);
    const QList<QRadioButton*> items = {ui->RadioItem0, ui->RadioItem1, ui->RadioItem2, ui->RadioItem3,
                                        ui->RadioItem4};
    for (int i = 0; i < items.size(); ++i)
        m_actions->addButton(items[i], i);

    ShellFileOp1.FilesOnly = true;
    ShellFileOp1.NoConfirmation = false;
    ShellFileOp1.AutoMakeDir = false;
    ShellFileOp1.RenameOnCollision = false;
    ShellFileOp1.Animate = true;
    ShellFileOp1.ProgressTitle = QStringLiteral("Vidmarro");

    PBFolderDialog1.Flags = TPBFolderDialog::OnlyFileSystem | TPBFolderDialog::ShowPath;
    PBFolderDialog1.setLabelCaptions({
        QStringLiteral("Default=Browse to DESTINATION folder:"),
        QStringLiteral("0009=Current folder:"),
        QStringLiteral("0406=Valgt mappe:"),
        QStringLiteral("0407=Mappe gewählt:"),
        QStringLiteral("0409=Browse to DESTINATION folder:"),
        QStringLiteral("0413=Huidige map"),
    });
    PBFolderDialog1.setNewFolderCaptions({
        QStringLiteral("Default=New folder"),
        QStringLiteral("0009=New folder"),
        QStringLiteral("0406=Ny mappe"),
        QStringLiteral("0407=Neu Mappe"),
        QStringLiteral("0409=New folder"),
        QStringLiteral("0413=Nieuwe map"),
    });

    OpenDialog1.kind = FileDialogSettings::Open;
    OpenDialog1.title = tr("Playlist for Adding Clips");
    //: A file dialog filter: keep the pattern in brackets.
    OpenDialog1.filters = {tr("Playlists (*.asx)"), Playlists::otherFormatsFilter()};
    OpenDialog1.defaultSuffix = QStringLiteral("asx");
    SaveDialog1.kind = FileDialogSettings::Save;
    SaveDialog1.title = tr("Name for New Playlist  (don't enter extension)");
    //: A file dialog filter: keep the pattern in brackets.
    SaveDialog1.filters = {tr("Playlist (*.asx)")};
    SaveDialog1.defaultSuffix = QStringLiteral("asx");
    SaveDialog1.confirmOverwrite = false; // the window asks itself

    connect(ui->SelectButton, &QPushButton::clicked, this, &TActionForm::SelectButtonClick);
    connect(ui->UnSelButton, &QPushButton::clicked, this, &TActionForm::UnSelButtonClick);
    connect(ui->FillButton, &QPushButton::clicked, this, &TActionForm::FillButtonClick);
    connect(ui->EmptyButton, &QPushButton::clicked, this, &TActionForm::EmptyButtonClick);
    ui->CloseButton->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    connect(ui->CloseButton, &QPushButton::clicked, this, &QDialog::reject);
    onLabelClick(ui->GoButton, [this] { GoButtonClick(); });

    // Names for assistive tools; "Action Box" is the right list's own label.
    ui->ABoxLabel->setBuddy(ui->RightBox);
    ui->RightBox->setAccessibleName(ui->ABoxLabel->text());
    ui->LeftBox->setAccessibleName(tr("Marked clips"));
    ui->FillButton->setAccessibleName(tr("Move to Action Box"));
    ui->EmptyButton->setAccessibleName(tr("Move back"));
    ui->MemoAction->setAccessibleName(tr("How to act on the marked clips"));
    keepTextReadable(ui->ABoxLabel, QPalette::Window);
    // Go follows the choice of action, before Close.
    const QList<QWidget*> chain = {ui->RadioItem0, ui->RadioItem1, ui->RadioItem2, ui->RadioItem3,
                                   ui->RadioItem4, ui->GoButton,   ui->CloseButton};
    for (int i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);

    FormCreate();
}

TActionForm::~TActionForm()
{
    delete ui;
}

int TActionForm::actionIndex() const
{
    return m_actions->checkedId();
}

void TActionForm::setActionIndex(int index)
{
    if (QAbstractButton* b = m_actions->button(index))
        b->setChecked(true);
}

void TActionForm::FormCreate()
{
    // The destination browser starts in the first marked clip's folder.
    if (!S.PathLeft.isEmpty())
        PBFolderDialog1.Folder = Paths::directory(S.PathLeft.at(0));
    ui->RightBox->clear();
    ui->LeftBox->clear();
    PathRight.clear();
    PathLeft.clear();
    // The two shared lists are parallel; never read past the shorter one.
    const int n = qMin(S.LeftBox.count(), S.PathLeft.count());
    for (int i = 0; i < n; ++i) {
        PathLeft.append(S.PathLeft.at(i));
        ui->LeftBox->addItem(S.LeftBox.at(i));
    }
}

void TActionForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    centreOnScreen(this);
}

void TActionForm::SelectButtonClick()
{
    for (int i = 0; i < ui->LeftBox->count(); ++i)
        ui->LeftBox->item(i)->setSelected(true);
}

void TActionForm::UnSelButtonClick()
{
    for (int i = 0; i < ui->LeftBox->count(); ++i)
        ui->LeftBox->item(i)->setSelected(false);
}

void TActionForm::FillButtonClick()
{
    for (int i = ui->LeftBox->count() - 1; i >= 0; --i) {
        if (!ui->LeftBox->item(i)->isSelected())
            continue;
        ui->RightBox->addItem(ui->LeftBox->item(i)->text());
        PathRight.append(PathLeft.at(i));
        delete ui->LeftBox->takeItem(i);
        PathLeft.removeAt(i);
    }
}

void TActionForm::EmptyButtonClick()
{
    for (int i = ui->RightBox->count() - 1; i >= 0; --i) {
        if (!ui->RightBox->item(i)->isSelected())
            continue;
        ui->LeftBox->addItem(ui->RightBox->item(i)->text());
        PathLeft.append(PathRight.at(i));
        delete ui->RightBox->takeItem(i);
        PathRight.removeAt(i);
    }
}

void TActionForm::GoButtonClick()
{
    guarded(m_services.prompts, this, [this] { runAction(); });
}

void TActionForm::runAction()
{
    Prompts& prompts = m_services.prompts;
    const int n = int(PathRight.size());
    const int a = actionIndex();
    if (n == 0) {
        prompts.message(tr("ERROR: no files have been put in right-hand \"Action Box\""), this);
        return;
    }
    if (a == 1 || a == 2) {
        if (!PBFolderDialog1.Execute())
            return;
        if (PBFolderDialog1.Folder.compare(S.ClipDir, Qt::CaseInsensitive) == 0) {
            prompts.messageBox({tr("Error"), tr("Source and destination directories can NOT be the same"),
                                QMessageBox::Critical, QMessageBox::Ok, QMessageBox::Ok},
                               this);
            return;
        }
        //: %1: the clips' folder; %2: the folder chosen.
        const QString text = (a == 1 ? (n == 1 ? tr("Ready to COPY clip from %1 to %2")
                                               : tr("Ready to COPY clips from %1 to %2"))
                                     : (n == 1 ? tr("Ready to MOVE clip from %1 to %2")
                                               : tr("Ready to MOVE clips from %1 to %2")))
                                 .arg(S.ClipDir, PBFolderDialog1.Folder);
        if (prompts.confirm(text, QMessageBox::Ok | QMessageBox::Cancel, this) != QMessageBox::Ok)
            return;
    }
    auto takeRight = [this](int i) {
        delete ui->RightBox->takeItem(i);
        PathRight.removeAt(i);
    };
    if (a >= 0 && a <= 2) {
        for (int i = n - 1; i >= 0; --i) {
            ShellFileOp1.AddSource(PathRight.at(i));
            takeRight(i);
        }
    }
    switch (a) {
    case 0:
        ShellFileOp1.DeleteFiles();
        break;
    case 1:
        ShellFileOp1.CopyFiles(PBFolderDialog1.Folder);
        break;
    case 2:
        ShellFileOp1.MoveFiles(PBFolderDialog1.Folder);
        break;
    case 3: {
        OpenDialog1.initialDir = S.playlistFolder();
        const QStringList chosen = prompts.fileDialog(OpenDialog1, this);
        if (chosen.isEmpty())
            break;
        const QString playlist = chosen.first();
        Playlists::read(playlist, S.AllBox);
        for (int i = n - 1; i >= 0; --i) {
            if (S.AllBox.indexOfNoCase(PathRight.at(i)) < 0)
                S.AllBox.add(PathRight.at(i));
        }
        S.AllBox.setSorted(true);
        Playlists::write(S.AllBox.items(), playlist);
        RecentFiles::playlistUsed(playlist);
        // Only a saved selection leaves the Action Box; after a failure the user can try again.
        for (int i = n - 1; i >= 0; --i)
            takeRight(i);
        break;
    }
    case 4: {
        SaveDialog1.initialDir = S.playlistFolder();
        const QStringList chosen = prompts.fileDialog(SaveDialog1, this);
        if (chosen.isEmpty())
            break;
        const QString playlist = chosen.first();
        if (QFileInfo::exists(playlist) &&
            prompts.confirm(tr("Playlist with that name already exists!\rOK to overwrite?"),
                            QMessageBox::Ok | QMessageBox::Cancel, this) != QMessageBox::Ok)
            return;
        S.AllBox.clear();
        S.AllBox.setSorted(false);
        for (int i = n - 1; i >= 0; --i)
            S.AllBox.add(PathRight.at(i));
        S.AllBox.setSorted(true);
        CCFuncs::WritePlaylist(S.AllBox.items(), playlist);
        RecentFiles::playlistUsed(playlist);
        break;
    }
    default:
        return;
    }
    closeWhenLeftIsEmpty();
}

void TActionForm::closeWhenLeftIsEmpty()
{
    if (PathLeft.isEmpty())
        accept();
}
