#pragma once

#include "platform/module/ModuleApi.h"

#include <QObject>

#include <atomic>
#include <functional>

// Brings the engine's events to this object's thread: the engine's wakeup only queues a drain (one
// at a time), and the drain hands each waiting event to the handler, which may delete the pump.
class EnginePump : public QObject
{
    Q_OBJECT
public:
    EnginePump(EngineSession* session, std::function<void(const EngineEvent&)> handler, QObject* parent);
    ~EnginePump() override;

private:
    void drain();

    EngineSession* m_session;
    std::function<void(const EngineEvent&)> m_handler;
    std::atomic_bool m_pending{false};
};
