#pragma once

#include <QDialog>

namespace Ui {
class TConfirmKill;
}

// Asks before one clip leaves the playlist, and whether its file goes to the trash as well.
class TConfirmKill : public QDialog
{
    Q_OBJECT
public:
    explicit TConfirmKill(QWidget* parent = nullptr);
    ~TConfirmKill() override;

    Ui::TConfirmKill* form() const { return ui; }
    bool sendToTrash() const;

public Q_SLOTS:
    void OKbuttonClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    Ui::TConfirmKill* ui;
};
