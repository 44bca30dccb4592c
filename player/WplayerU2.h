#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <random>

struct SharedState;
struct Services;
class MediaPlayerControl;
class PlayerDialogs;
class PlayerFullScreen;
class PlayerSession;
class TrackKeys;
class QCheckBox;
class QListWidget;
class QTimer;
namespace Ui {
class TWplayerF2;
}

// The player window: one per playback run, shown modally by the main window. Go writes the play
// order to the working playlist and opens it in the media player control.
class TWplayerF2 : public QDialog
{
    Q_OBJECT
public:
    // `dialogs` may be null: the Speed and Sleep boxes then only change their own state.
    TWplayerF2(SharedState& state, Services& services, PlayerDialogs* dialogs, QWidget* parent = nullptr);
    ~TWplayerF2() override;

    Ui::TWplayerF2* form() const { return ui; }

    // Members the main window and the dialogs work with. WMTPlayer1 is null once the window closed.
    MediaPlayerControl* WMTPlayer1 = nullptr;
    QCheckBox* CheckBox3 = nullptr;  // Speed
    QCheckBox* CheckBox4 = nullptr;  // Sleep
    QCheckBox* CheckBox5 = nullptr;  // Track Bar
    QCheckBox* CheckBox6 = nullptr;  // Status Bar
    QListWidget* ListBox2 = nullptr; // the shuffled order
    QTimer* Timer1 = nullptr;        // the sleep timer

    // The clips in the order they play: the shuffled order or AllBox.
    QString playOrderAt(int index) const;
    QStringList playOrder() const;
    bool shuffleOn() const { return ShuffleOn; }
    // True once Go has started playback.
    bool started() const { return m_started; }
    // The video over the whole screen (double-click on it, F; Esc leaves).
    PlayerFullScreen* fullScreen() const { return m_fullScreen; }
    // What the desktop's media controls see of this window.
    PlayerSession* session() const { return m_session; }

    // The shuffled order: every permutation equally likely, drawn in one pass.
    template <class Rng> static void shuffle(QStringList& list, Rng& rng);

public Q_SLOTS:
    void GoButtonClick();
    void MarkButtonClick();
    void WMTPlayer1NewStream();
    void WMTPlayer1EndOfStream(int result);
    void CheckBox1Click();
    void CheckBox2Click();
    void CheckBox3Click();
    void CheckBox4Click();
    void CheckBox5Click();
    void CheckBox6Click();
    void Timer1Timer();

    void done(int result) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormCreate();
    void FormResize();
    void FormClose();
    void run(const std::function<void()>& body);

    Ui::TWplayerF2* ui;
    SharedState& S;
    Services& m_services;
    PlayerDialogs* m_dialogs;

    bool ShuffleOn = false;
    bool NeedShuffle = true;
    QString TitlePrefix;
    QString TitleTotal;
    bool m_started = false;
    bool m_closed = false;
    bool m_markTakesFocus = false;
    PlayerFullScreen* m_fullScreen = nullptr;
    TrackKeys* m_trackKeys = nullptr;
    PlayerSession* m_session = nullptr;
    std::unique_ptr<QObject> m_desktop; // on the desktop from creation until closing
};

template <class Rng> void TWplayerF2::shuffle(QStringList& list, Rng& rng)
{
    // Each place takes an entry drawn uniformly from those not yet placed, as drawing from a
    // shrinking list would, without the quadratic cost of deleting from it.
    const qsizetype n = list.size();
    for (qsizetype i = 0; i + 1 < n; ++i) {
        std::uniform_int_distribution<qsizetype> pick(i, n - 1);
        list.swapItemsAt(i, pick(rng));
    }
}
