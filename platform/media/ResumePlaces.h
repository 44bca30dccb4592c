#pragma once

#include <QList>
#include <QString>

// Where long clips were left, so that they start there the next time they play. A place is kept
// for a file as it was (its size and time: a clip replaced by another file starts over), for the
// most recent clips only, in a file of the state folder replaced whole on each change. A damaged
// or foreign file there reads as no places.
class ResumePlaces
{
public:
    // Clips shorter than this start over; so do those left this near their start or end.
    static constexpr double MinimumLength = 180;
    static constexpr double Margin = 30;
    static constexpr int MostKept = 1000;

    // `file`: where the places are kept; empty: the state folder's file.
    explicit ResumePlaces(const QString& file = QString());
    static QString defaultFile();

    // Seconds into the clip at `path` to start at; 0: from its beginning.
    double placeOf(const QString& path);
    // The clip at `path` was closed at `position` of `duration` seconds: kept when it is long and
    // was left in its middle, forgotten otherwise.
    void leave(const QString& path, double position, double duration);
    // The clip played to its end.
    void forget(const QString& path);

private:
    struct Place
    {
        QString path;
        qint64 size = 0;
        qint64 mtime = 0;
        double seconds = 0;
    };
    void load();
    void save() const;
    qsizetype find(const QString& path) const;

    QString m_file;
    bool m_loaded = false;
    QList<Place> m_places; // the oldest first
};
