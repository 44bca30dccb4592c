#include "player/PlayerDialogs.h"

#include "player/SleepU.h"
#include "player/Speed.h"

StartupDialogs::StartupDialogs(SharedState& state, Prompts& prompts) : m_state(state), m_prompts(prompts) {}

StartupDialogs::~StartupDialogs()
{
    m_speed.reset();
    m_sleep.reset();
}

void StartupDialogs::create()
{
    if (m_sleep)
        return;
    m_sleep = std::make_unique<TSleepF>(m_state);
    m_speed = std::make_unique<TSpeedF>(m_prompts);
}

void StartupDialogs::showSpeed(TWplayerF2& player)
{
    create();
    m_speed->showFor(player);
}

void StartupDialogs::showSleep(TWplayerF2& player)
{
    create();
    m_sleep->showFor(player);
}
