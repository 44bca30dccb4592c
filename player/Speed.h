#pragma once

#include <QDialog>

class Prompts;
class QButtonGroup;
class TWplayerF2;
namespace Ui {
class TSpeedF;
}

// The playback-speed dialog: created once at start-up, hidden, shown modally by the player's Speed
// box. Its selection is its only state and carries over from one showing to the next.
class TSpeedF : public QDialog
{
    Q_OBJECT
public:
    explicit TSpeedF(Prompts& prompts, QWidget* parent = nullptr);
    ~TSpeedF() override;

    Ui::TSpeedF* form() const { return ui; }

    // Shows the dialog modally for `player`; OK applies the chosen rate to it.
    int showFor(TWplayerF2& player);

    int ItemIndex() const;
    void SetItemIndex(int index);
    static constexpr int ItemCount = 5;
    static double rateAt(int index);

public Q_SLOTS:
    void BitBtn1Click();

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void FormActivate();

    Ui::TSpeedF* ui;
    Prompts& m_prompts;
    QButtonGroup* m_group;
    TWplayerF2* m_player = nullptr;
};
