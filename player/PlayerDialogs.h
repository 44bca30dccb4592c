#pragma once

#include <memory>

class Prompts;
struct SharedState;
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

// The program's two dialogs, made once for the whole run: on the message loop's first turn, after
// the main window has been put on screen (they are hidden until a player shows them, so making
// them earlier would only keep the window from showing), or at once if a player wants one first.
class StartupDialogs : public PlayerDialogs
{
public:
    StartupDialogs(SharedState& state, Prompts& prompts);
    ~StartupDialogs() override;
    // Makes the sleep-timer dialog, then the speed dialog, unless they exist.
    void create();
    bool created() const { return m_sleep != nullptr; }
    void showSpeed(TWplayerF2& player) override;
    void showSleep(TWplayerF2& player) override;

private:
    SharedState& m_state;
    Prompts& m_prompts;
    std::unique_ptr<TSleepF> m_sleep;
    std::unique_ptr<TSpeedF> m_speed;
};
