#pragma once

#include "platform/ui/Prompts.h"

#include <QDialog>

class ClipListModel;
struct SharedState;
struct Services;
namespace Ui {
class TMangle;
}

// The playlist editor. Shown modally with exec(): it asks for its playlist as soon as it is shown
// and closes at once when that choice is cancelled. The list travels through AllBox both ways.
class TMangle : public QDialog
{
    Q_OBJECT
public:
    // `clipDialog` is the main window's clip dialog: its settings and last folder are shared.
    TMangle(SharedState& state, Services& services, FileDialogSettings& clipDialog,
            QWidget* parent = nullptr);
    ~TMangle() override;

    Ui::TMangle* form() const { return ui; }
    ClipListModel* clips() const { return m_clips; }
    const QString& playlistPath() const { return m_playlistPath; }
    // The selected row, -1 when none.
    int selectedRow() const;
    void selectRow(int row);

    FileDialogSettings OpenDialog1; // the playlist to edit

public Q_SLOTS:
    void FormShow();
    void ButtonAddClick();
    void ButtonDeleteClick();
    void ButtonUpClick();
    void ButtonSortClick();
    void ButtonOKClick();
    void BitBtn1Click();
    void ButtonEraseClick();

protected:
    void showEvent(QShowEvent* event) override;
    // Clips dropped on the list are added as "Add clip(s)" adds them.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool requireSelection();
    // Adds `clips` and the clips in `folders` (told when there is none; nothing when cancelled).
    void addFolders(QStringList clips, const QStringList& folders);

    Ui::TMangle* ui;
    SharedState& S;
    Services& m_services;
    FileDialogSettings& m_clipDialog;
    ClipListModel* m_clips;
    QString m_caption;
    QString m_playlistPath;
    bool m_formShown = false;
};
