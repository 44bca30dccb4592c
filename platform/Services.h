#pragma once

class MediaBackend;
class Prompts;
class SystemServices;

// The platform a window works with, handed in through its constructor.
struct Services
{
    Prompts& prompts;
    SystemServices& system;
    MediaBackend& media;
};
