#pragma once

#include "platform/media/MediaPlayerControl.h"

class Prompts;
class SystemServices;

// The platform a window works with, handed in through its constructor.
struct Services
{
    Prompts& prompts;
    SystemServices& system;
    MediaPlayerFactory makePlayer;
};
