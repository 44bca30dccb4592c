#include "platform/media/PlaceKeeper.h"

#include "platform/media/ResumePlaces.h"

double PlaceKeeper::startOf(const QString& source) const
{
    return m_places ? m_places->placeOf(source) : 0;
}

void PlaceKeeper::ended(bool played)
{
    if (played && m_places && !m_heard.isEmpty())
        m_places->forget(m_heard);
    m_heard.clear();
}

void PlaceKeeper::leave(double position, double duration)
{
    const QString path = m_heard;
    m_heard.clear();
    if (m_places && !path.isEmpty())
        m_places->leave(path, position, duration);
}
