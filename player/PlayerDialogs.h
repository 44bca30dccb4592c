#pragma once

class TWplayerF2;
class TSleepF;
class TSpeedF;

// The speed and sleep-timer dialogs as the player window opens them: each acts on the player it
// is shown for. Both live for the whole run, so their last choice carries over to the next player.
class PlayerDialogs
{
public:
    virtual ~PlayerDialogs() = default;
    virtual void showSpeed(TWplayerF2& player) = 0;
    virtual void showSleep(TWplayerF2& player) = 0;
};

// The two dialogs created at start-up.
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
