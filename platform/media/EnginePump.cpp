#include "platform/media/EnginePump.h"

#include <QPointer>

EnginePump::EnginePump(EngineSession* session, std::function<void(const EngineEvent&)> handler,
                       QObject* parent)
    : QObject(parent), m_session(session), m_handler(std::move(handler))
{
    m_session->setWakeup([this] {
        if (!m_pending.exchange(true))
            QMetaObject::invokeMethod(this, &EnginePump::drain, Qt::QueuedConnection);
    });
}

EnginePump::~EnginePump()
{
    m_session->setWakeup(nullptr);
}

void EnginePump::drain()
{
    m_pending = false;
    QPointer<EnginePump> self(this);
    EngineEvent event;
    while (self && m_session->nextEvent(event))
        m_handler(event);
}
