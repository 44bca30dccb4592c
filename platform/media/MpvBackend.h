#pragma once

#include "platform/media/MediaBackend.h"

#include <QStringList>

// The engine on libmpv: MpvPlayer controls, and the engine check made apart from this process.
class MpvBackend : public MediaBackend
{
public:
    // options: engine options as "name=value", for the controls and the check alike (see
    // mpvEffectiveOptions).
    explicit MpvBackend(const QStringList& options = {}) : m_options(options) {}

    void warmUp() override;
    MediaPlayerControl* makePlayer(QWidget* parent) override;
    bool engineStarts() override;
    void checkEngine(QObject* context, std::function<void(bool)> done) override;

private:
    QStringList m_options;
};
