#pragma once

#include <QObject>
#include <QString>

#include <memory>

class MediaSession;

// What the program asks of the operating system beyond files and windows.
class SystemServices
{
public:
    virtual ~SystemServices() = default;
    // Asks the system to power off. Throws AppError with the failure text when it is refused.
    virtual void requestShutdown() = 0;
    // Opens a web address in the default browser; a failure is ignored.
    virtual void openUrl(const QString& url) = 0;
    // Shows a player window to the desktop (media keys and panels, no screensaver during video)
    // for as long as the returned object lives. None by default: tests stay off the desktop.
    virtual std::unique_ptr<QObject> publishSession(MediaSession& /*session*/) { return nullptr; }
};
