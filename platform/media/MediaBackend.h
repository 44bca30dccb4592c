#pragma once

#include <functional>

class MediaPlayerControl;
class QObject;
class QWidget;

// The media engine as the program sees it: the controls it makes for the player windows, and
// whether it starts at all.
class MediaBackend
{
public:
    virtual ~MediaBackend() = default;
    // A player will be wanted at once (files to play were given): what it needs may start loading
    // now, beside the making of the windows.
    virtual void warmUp() {}
    // A control for a player window; the window owns what it gets.
    virtual MediaPlayerControl* makePlayer(QWidget* parent) = 0;
    // True when the engine can be created and initialised.
    virtual bool engineStarts() = 0;
    // The same answer without holding up the caller: done gets it on the GUI thread, never once
    // context has begun to be destroyed. Where the answer is cheap it may come at once.
    virtual void checkEngine(QObject* context, std::function<void(bool)> done)
    {
        (void)context;
        done(engineStarts());
    }
};
