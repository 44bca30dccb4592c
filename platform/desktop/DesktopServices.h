#pragma once

#include "platform/desktop/SystemServices.h"

// The real system: logind over the system bus, the desktop's browser, MPRIS and the screensaver.
class DesktopServices : public SystemServices
{
public:
    // logind's PowerOff on the system bus (ExitWindowsEx on Windows). The answer is awaited for at
    // most this long; a request left unanswered counts as refused.
    static constexpr int ShutdownReplyTimeoutMs = 2000;
    void requestShutdown() override;
    void openUrl(const QString& url) override;
    // MPRIS and screensaver inhibition on the session bus, when there is one.
    std::unique_ptr<QObject> publishSession(MediaSession& session) override;
};
