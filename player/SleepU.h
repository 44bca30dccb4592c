#pragma once

#include <QDialog>

struct SharedState;
class QButtonGroup;
class TWplayerF2;
namespace Ui {
class TSleepF;
}

// The sleep-timer dialog: created once at start-up, hidden, shown modally by the player's Sleep
// box. OK arranges the shutdown on the player's timer and the shared pending flag.
class TSleepF : public QDialog
{
    Q_OBJECT
public:
    explicit TSleepF(SharedState& state, QWidget* parent = nullptr);
    ~TSleepF() override;

    Ui::TSleepF* form() const { return ui; }

    int showFor(TWplayerF2& player);

    int ItemIndex() const;
    void SetItemIndex(int index);
    static constexpr int ItemCount = 13;
    // Minutes of a timed choice; 0 for "Off" and "When Playlist finishes".
    static int minutesAt(int index);

public Q_SLOTS:
    void BitBtn1Click();
    void BitBtn2Click();

private:
    void FormCreate();

    Ui::TSleepF* ui;
    SharedState& S;
    QButtonGroup* m_group;
    TWplayerF2* m_player = nullptr;
};
