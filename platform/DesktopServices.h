#pragma once

#include "platform/SystemServices.h"

// The real system: logind over the system bus, the desktop's browser, libmpv.
class DesktopServices : public SystemServices
{
public:
    void requestShutdown() override;
    void openUrl(const QString& url) override;
    bool mediaEngineAvailable() override;
};
