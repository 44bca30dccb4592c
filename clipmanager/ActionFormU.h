#pragma once

#include "clipmanager/PBFolderDialog.h"
#include "clipmanager/SHFileOp.h"
#include "platform/ui/Prompts.h"

#include <QDialog>
#include <QStringList>

struct SharedState;
struct Services;
class QButtonGroup;
namespace Ui {
class TActionForm;
}

// The clip manager: the clips marked during playback, moved into the Action Box and then sent to
// the trash, copied or moved to a folder, or added to a playlist.
class TActionForm : public QDialog
{
    Q_OBJECT
public:
    TActionForm(SharedState& state, Services& services, QWidget* parent = nullptr);
    ~TActionForm() override;

    Ui::TActionForm* form() const { return ui; }
    // The chosen item of RadioGroup1.
    int actionIndex() const;
    void setActionIndex(int index);

    // Full path of each clip, index-parallel to the LeftBox and RightBox lists.
    QStringList PathLeft;
    QStringList PathRight;

    TShellFileOp ShellFileOp1;
    TPBFolderDialog PBFolderDialog1;
    FileDialogSettings OpenDialog1;
    FileDialogSettings SaveDialog1;

public Q_SLOTS:
    void SelectButtonClick();
    void UnSelButtonClick();
    void FillButtonClick();
    void EmptyButtonClick();
    void GoButtonClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void runAction();
    void closeWhenLeftIsEmpty();

    Ui::TActionForm* ui;
    SharedState& S;
    Services& m_services;
    QButtonGroup* m_actions;
};
