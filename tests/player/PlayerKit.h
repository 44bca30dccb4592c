#pragma once

#include "player/PlayerDialogs.h"
#include "support/RecordingMedia.h"

#include <QString>
#include <QStringList>

#include <functional>

class TWplayerF2;
class QWidget;
class TSleepF;
class TSpeedF;

// What the player tests share: generated clips, the engine the windows get, and finding the modal
// player window while it is up.
namespace PlayerKit {

// A short sine clip generated with ffmpeg (made once per test program, copied under new names).
QString makeClip(const QString& dir, const QString& name);
QStringList makeClips(const QString& dir, const QStringList& names);

// The real media player control as the tests run it: untimed, no video output, and sound into a
// file (or, without a sound card, no sound output at all).
MediaPlayerFactory engine(bool soundCard = true);

// The player window shown modally under `owner` (or anywhere when null), once it is visible.
TWplayerF2* findPlayer(QWidget* owner = nullptr);

// Runs `body` on the player window as soon as it is shown (from inside its modal loop).
void onPlayerShown(QWidget* owner, std::function<void(TWplayerF2&)> body);

// Runs `body` on the active modal dialog of class T as soon as it is up.
void onModal(const char* className, std::function<void(QWidget&)> body);

} // namespace PlayerKit

// The speed and sleep dialogs a test made, shown for the player that asks.
class RunDialogs : public PlayerDialogs
{
public:
    RunDialogs(TSleepF& sleep, TSpeedF& speed) : m_sleep(sleep), m_speed(speed) {}
    void showSpeed(TWplayerF2& player) override;
    void showSleep(TWplayerF2& player) override;

private:
    TSleepF& m_sleep;
    TSpeedF& m_speed;
};
