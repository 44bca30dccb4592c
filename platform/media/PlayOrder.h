#pragma once

#include "playlist/AsxParse.h"

#include <QList>
#include <QString>

// What plays next in a run: the entries in their order, the passes through them (PlayCount 0 plays
// over and over, n plays n times) and the entry number the window is told.
class PlayOrder
{
public:
    // A new run, from its first pass; nothing is current.
    void reset(QList<AsxParse::Item> items);
    // The same entries once more, from the first pass.
    void restart();

    bool isEmpty() const { return m_items.isEmpty(); }
    int size() const { return int(m_items.size()); }
    // Candidate `source` of the entry at `index`; empty when there is none.
    QString source(int index, int source) const;
    bool hasSource(int index, int source) const { return !this->source(index, source).isEmpty(); }

    int playCount() const { return m_playCount; }
    void setPlayCount(int count) { m_playCount = qMax(0, count); }

    // The entry number the window is told: the playlist's own, 0 when none.
    int current() const { return m_current; }
    void setCurrent(int index) { m_current = index < 0 || index >= size() ? 0 : m_items.at(index).entry; }

    // What is to follow `index` without a pause: -1 when the run ends after it; *wraps when that
    // begins a new pass.
    int following(int index, bool* wraps) const;
    // A queued entry that began a new pass now plays.
    void passBegun();
    // Something of this pass played: a pass of nothing but failures ends the run, repeat or not.
    void loaded() { m_loadedThisPass = true; }
    // What plays once the entry at `index` is over, the passes counted; -1: the run is over.
    int after(int index);
    // Where Previous and Next go from `index`; -1: nowhere.
    int before(int index) const;
    int next(int index) const;

private:
    QList<AsxParse::Item> m_items;
    int m_current = 0;
    int m_passes = 0;
    int m_playCount = 1;
    bool m_loadedThisPass = false;
};
