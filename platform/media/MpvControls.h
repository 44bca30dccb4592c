#pragma once

#include <QWidget>

class QLabel;
class QSlider;
class QToolButton;

// The control's face below the video area: the track bar with its time, the play/pause, stop,
// previous and next buttons with mute and volume, and the status line. It knows no engine: the
// control sets what it shows and hears what the user asks.
class MpvControls : public QWidget
{
    Q_OBJECT
public:
    explicit MpvControls(QWidget* parent);

    // The Track Bar and Status Bar settings.
    void setTrackerShown(bool on);
    void setStatusShown(bool on);

    // active: a clip is playing or paused. Times in seconds.
    void showPlayback(bool active, bool playing, double position, double duration);
    // volume: 0 to 100.
    void showVolume(double volume, bool muted);
    void showStatus(const QString& text);

Q_SIGNALS:
    void playPauseClicked();
    void stopClicked();
    void previousClicked();
    void nextClicked();
    void muteToggled(bool on);
    // The user moved the volume slider (0 to 100) or the track bar (0 to 1000 of the clip).
    void volumeMoved(int volume);
    void trackerMoved(int permille);

private:
    QWidget* buildTracker();
    QWidget* buildPanel();
    void showIcons();

    QWidget* m_trackerRow = nullptr;
    QSlider* m_tracker = nullptr;
    QLabel* m_trackerTime = nullptr;
    QToolButton* m_playPause = nullptr;
    QToolButton* m_stop = nullptr;
    QToolButton* m_previous = nullptr;
    QToolButton* m_next = nullptr;
    QToolButton* m_mute = nullptr;
    QSlider* m_volumeSlider = nullptr;
    QLabel* m_status = nullptr;
    bool m_settingTracker = false;
    bool m_playing = false;
    bool m_muted = false;
    int m_shownIcons = -1;
};
