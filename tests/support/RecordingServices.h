#pragma once

#include "platform/desktop/SystemServices.h"

#include <QStringList>

// Records what the program asks of the system; never shuts anything down.
class RecordingServices : public SystemServices
{
public:
    void requestShutdown() override;
    void openUrl(const QString& url) override { urls.append(url); }

    int shutdowns = 0;
    QString refuseShutdownWith; // when set, the request is refused with this text
    QStringList urls;
};
