#pragma once

#include "platform/MediaPlayerControl.h"

#include <QStringList>

// Plays the entries of an ASX file as the real control reports them: a new-stream event per entry,
// and an end-of-stream event raised once the next entry is current (0 after the last one).
class FakeEngine : public MediaPlayerControl
{
    Q_OBJECT
public:
    using MediaPlayerControl::MediaPlayerControl;

    void Open(const QString& path) override;
    void Stop() override;
    bool IsSoundCardEnabled() override { return soundCard; }
    int GetCurrentEntry() override { return m_current; }
    bool ShowTracker() const override { return m_tracker; }
    void SetShowTracker(bool on) override { m_tracker = on; }
    bool ShowStatusBar() const override { return m_status; }
    void SetShowStatusBar(bool on) override { m_status = on; }
    int PlayCount() const override { return m_playCount; }
    void SetPlayCount(int count) override { m_playCount = count; }
    double Rate() const override { return m_rate; }
    void SetRate(double rate) override { m_rate = rate; }

    bool soundCard = true;
    QStringList entries;

private:
    void step();

    int m_current = 0;
    bool m_playing = false;
    bool m_tracker = true, m_status = true;
    int m_playCount = 1;
    double m_rate = 1.0;
    quint64 m_generation = 0;
};
