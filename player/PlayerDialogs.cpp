#include "player/PlayerDialogs.h"

#include "player/SleepU.h"
#include "player/Speed.h"

void RunDialogs::showSpeed(TWplayerF2& player)
{
    m_speed.showFor(player);
}

void RunDialogs::showSleep(TWplayerF2& player)
{
    m_sleep.showFor(player);
}
