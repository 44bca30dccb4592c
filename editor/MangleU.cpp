#include "editor/MangleU.h"

#include "common/Paths.h"
#include "common/SharedState.h"
#include "editor/ClipDrop.h"
#include "editor/ClipListModel.h"
#include "editor/ConfirmKillU.h"
#include "editor/WidestRowDelegate.h"
#include "platform/Services.h"
#include "platform/files/RecentFiles.h"
#include "platform/files/Trash.h"
#include "platform/ui/Guard.h"
#include "platform/ui/LongWork.h"
#include "platform/ui/ReadableColours.h"
#include "platform/ui/WindowPlacement.h"
#include "playlist/FolderScan.h"
#include "playlist/Playlists.h"
#include "ui_MangleU.h"

#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFont>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

namespace {

const char* const SelectFirst = QT_TRANSLATE_NOOP("TMangle", "You must first select (click on) a clip");
const char* const TagProperty = "Tag";
constexpr int MoveDownTag = 69;

// Runs `action` at the first focus-in by keyboard for which it returns true.
class FirstFocus : public QObject
{
public:
    FirstFocus(QWidget* widget, std::function<bool()> action) : QObject(widget), m_action(std::move(action))
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::FocusIn)
            return false;
        const Qt::FocusReason why = static_cast<QFocusEvent*>(event)->reason();
        const bool byKeyboard =
            why == Qt::TabFocusReason || why == Qt::BacktabFocusReason || why == Qt::ShortcutFocusReason;
        if (byKeyboard && m_action()) {
            watched->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }

private:
    std::function<bool()> m_action;
};

QFont arial(int pixels)
{
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(pixels);
    return f;
}

} // namespace

TMangle::TMangle(SharedState& state, Services& services, FileDialogSettings& clipDialog, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      ui(new Ui::TMangle), S(state), m_services(services), m_clipDialog(clipDialog),
      m_clips(new ClipListModel(this))
{
    ui->setupUi(this);
    setFont(arial(10));
    // The window's style sheet stops fonts passing down to its children: the list needs its own.
    ui->ListBox1->setFont(font());
    for (QPushButton* b : {ui->ButtonAdd, ui->ButtonDelete, ui->ButtonUp, ui->ButtonDown, ui->ButtonSort,
                           ui->ButtonOK, ui->BitBtn1, ui->ButtonErase})
        b->setFont(arial(14));
    setFixedSize(size());
    keepFromMinimising(this);
    m_caption = windowTitle();
    ui->ListBox1->setModel(m_clips);
    ui->ListBox1->setItemDelegate(new WidestRowDelegate(m_clips, ui->ListBox1));
    ui->ButtonOK->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    ui->BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    // Only OK answers Enter; the other buttons take it only while they have the focus.
    ui->ButtonOK->setDefault(true);

    OpenDialog1.kind = FileDialogSettings::Open;
    OpenDialog1.title = tr("Select Playlist to Modify");
    //: A file dialog filter: keep the pattern in brackets.
    OpenDialog1.filters = {tr("PlayLists (*.asx)"), Playlists::otherFormatsFilter()};
    OpenDialog1.defaultSuffix = QStringLiteral("asx");
    OpenDialog1.mustExist = false; // a typed name makes a new playlist

    ui->Label1->setBuddy(ui->ListBox1);
    ui->ListBox1->setAccessibleName(tr("Media in this Playlist"));
    keepTextReadable(ui->Label1, QPalette::Window);
    // The first visit by Tab lands on the first clip, so that the buttons have a clip to act on.
    new FirstFocus(ui->ListBox1, [this] {
        if (m_clips->rowCount() == 0)
            return false;
        if (selectedRow() < 0)
            selectRow(0);
        return true;
    });
    ui->ListBox1->viewport()->setAcceptDrops(true);
    ui->ListBox1->viewport()->installEventFilter(this);

    connect(ui->ButtonAdd, &QPushButton::clicked, this, &TMangle::ButtonAddClick);
    connect(ui->ButtonDelete, &QPushButton::clicked, this, &TMangle::ButtonDeleteClick);
    connect(ui->ButtonUp, &QPushButton::clicked, this, &TMangle::ButtonUpClick);
    connect(ui->ButtonDown, &QPushButton::clicked, this, &TMangle::ButtonUpClick);
    connect(ui->ButtonSort, &QPushButton::clicked, this, &TMangle::ButtonSortClick);
    connect(ui->ButtonOK, &QPushButton::clicked, this, &TMangle::ButtonOKClick);
    connect(ui->BitBtn1, &QPushButton::clicked, this, &TMangle::BitBtn1Click);
    connect(ui->ButtonErase, &QPushButton::clicked, this, &TMangle::ButtonEraseClick);
}

TMangle::~TMangle()
{
    delete ui;
}

int TMangle::selectedRow() const
{
    const QModelIndexList rows = ui->ListBox1->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TMangle::selectRow(int row)
{
    QItemSelectionModel* sel = ui->ListBox1->selectionModel();
    if (row < 0 || row >= m_clips->rowCount()) {
        sel->clear();
        return;
    }
    const QModelIndex index = m_clips->index(row);
    sel->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    ui->ListBox1->scrollTo(index);
}

void TMangle::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_formShown)
        return;
    m_formShown = true;
    centreOnScreen(this);
    // Asking for the playlist needs a dialog of its own; let exec() start its loop first.
    QTimer::singleShot(0, this, &TMangle::FormShow);
}

void TMangle::FormShow()
{
    if (!isVisible())
        return; // closed before it came to ask
    OpenDialog1.initialDir = S.playlistFolder();
    m_clips->setSorted(false);
    const QStringList chosen = m_services.prompts.fileDialog(OpenDialog1, this);
    if (chosen.isEmpty()) {
        reject();
        return;
    }
    m_playlistPath = chosen.first();
    setWindowTitle(m_caption + QStringLiteral(" [") + m_playlistPath + QStringLiteral("]"));
    // A name that does not exist yet opens as an empty list, after the reader's error.
    const bool read = guarded(m_services.prompts, this, [&] {
        Playlists::read(m_playlistPath, S.AllBox);
        RecentFiles::playlistUsed(m_playlistPath);
        m_clips->setEntries(S.AllBox.items());
        ui->ListBox1->selectionModel()->clear();
    });
    // An existing file that could not be read is not ours to overwrite with an empty list.
    if (!read && QFileInfo::exists(m_playlistPath))
        reject();
}

bool TMangle::requireSelection()
{
    if (selectedRow() >= 0)
        return true;
    m_services.prompts.message(tr(SelectFirst), this);
    return false;
}

void TMangle::ButtonAddClick()
{
    const QStringList chosen = m_services.prompts.fileDialog(m_clipDialog, this);
    if (chosen.isEmpty())
        return;
    m_clips->addMissing(chosen);
}

bool TMangle::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != ui->ListBox1->viewport())
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
        // Every drop is taken, so that one that cannot be used is explained rather than ignored.
        static_cast<QDropEvent*>(event)->acceptProposedAction();
        return true;
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        drop->acceptProposedAction();
        const ClipDrop dropped(*drop->mimeData());
        if (!dropped.acceptable())
            m_services.prompts.message(dropped.refusal(), this);
        else if (dropped.folders.isEmpty())
            m_clips->addMissing(dropped.clips);
        else // the drag's source waits until the drop returns, and a folder may take a while
            QTimer::singleShot(0, this, [this, dropped] { addFolders(dropped.clips, dropped.folders); });
        return true;
    }
    default:
        return QDialog::eventFilter(watched, event);
    }
}

void TMangle::addFolders(QStringList clips, const QStringList& folders)
{
    QStringList empty;
    for (const QString& folder : folders) {
        QStringList found;
        const QString name = u'"' + Paths::forMessage(Paths::fileName(QDir::cleanPath(folder))) + u'"';
        if (!runLongWork(
                this, [&](qint64 looked) { return FolderScan::progressText(name, looked); },
                [&](LongWorkState& state) {
                    found = FolderScan::clipsIn(folder, &state.cancel, &state.count);
                }))
            return;
        if (found.isEmpty())
            empty.append(name);
        clips += found;
    }
    if (clips.isEmpty())
        m_services.prompts.message(FolderScan::noClipsText(empty.first()), this);
    else
        m_clips->addMissing(clips);
}

void TMangle::ButtonDeleteClick()
{
    if (!requireSelection())
        return;
    TConfirmKill dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const int row = selectedRow();
    if (row < 0)
        return;
    if (dialog.sendToTrash()) {
        const QString path = m_clips->entries().at(row);
        if (!guarded(m_services.prompts, this, [&] { Trash::moveToTrash(path).throwIfFailed(); }))
            return;
    }
    m_clips->removeAt(row);
    ui->ListBox1->selectionModel()->clear();
}

void TMangle::ButtonUpClick()
{
    if (!requireSelection())
        return;
    const QObject* button = sender();
    const bool down = button && button->property(TagProperty).toInt() == MoveDownTag;
    m_clips->setSorted(false);
    const int row = selectedRow();
    // The selection rides along with the moved row.
    if (m_clips->moveOne(row, down))
        ui->ListBox1->scrollTo(m_clips->index(down ? row + 1 : row - 1));
}

void TMangle::ButtonSortClick()
{
    m_clips->setSorted(true);
    ui->ListBox1->viewport()->update();
}

void TMangle::ButtonOKClick()
{
    const bool saved = guarded(m_services.prompts, this, [&] {
        S.AllBox.setSorted(false);
        S.AllBox.assign(m_clips->entries());
        Playlists::write(S.AllBox.items(), m_playlistPath);
        RecentFiles::playlistUsed(m_playlistPath);
    });
    // A failed save keeps the editor open with the edited list: the user may retry or cancel.
    if (saved)
        accept();
}

void TMangle::BitBtn1Click()
{
    reject();
}

void TMangle::ButtonEraseClick()
{
    const QString question = tr("Are you sure you want to send this Playlist to the Recycle Bin?");
    if (m_services.prompts.confirm(question, QMessageBox::Yes | QMessageBox::No, this) != QMessageBox::Yes)
        return;
    if (guarded(m_services.prompts, this, [&] { Trash::moveToTrash(m_playlistPath).throwIfFailed(); }))
        reject();
}
