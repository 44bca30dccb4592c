#pragma once

#include <QString>

class ResumePlaces;

// Where the clip heard now is to be left, and where a clip to come takes up: long clips resume
// where they were left (ResumePlaces keeps the places).
class PlaceKeeper
{
public:
    // null: every clip starts at its beginning.
    void setPlaces(ResumePlaces* places) { m_places = places; }

    // Seconds into `source` where it takes up; 0: its beginning.
    double startOf(const QString& source) const;
    // `source` is heard now.
    void heard(const QString& source) { m_heard = source; }
    // The clip heard now, as the playlist names it; empty when none.
    const QString& heardPath() const { return m_heard; }
    // The clip heard played to its end (played) or stopped on an error: it starts over next time.
    void ended(bool played);
    // The clip heard is left at `position` of `duration` seconds.
    void leave(double position, double duration);

private:
    ResumePlaces* m_places = nullptr;
    QString m_heard;
};
