#pragma once

#include "platform/module/ModuleApi.h"

#include <QStringList>

#include <atomic>
#include <deque>
#include <mutex>
#include <thread>

struct mpv_event;
struct mpv_handle;

// The engine session on libmpv. A thread of its own takes the engine's events as they come and
// answers the engine's hook at once, so that loading a file never waits for the GUI thread; the
// events wait in order for nextEvent.
class MpvSession : public EngineSession
{
public:
    // Null when the engine cannot be made with those options.
    static MpvSession* create(const QStringList& options);
    ~MpvSession() override;

    void setWakeup(std::function<void()> wakeup) override;
    bool nextEvent(EngineEvent& event) override;
    int64_t loadFile(const QString& path, bool append, const QByteArray& options) override;
    bool number(const char* name, double* value) override;
    QByteArray text(const char* name) override;
    void command(const QList<QByteArray>& args) override;
    void setFlag(const char* name, bool on) override;
    void setNumber(const char* name, double value) override;
    void setText(const char* name, const QByteArray& value) override;
    MpvVideoSurface* makeRenderArea(bool openGl, bool render, MpvVideoSurface::FacePainter face,
                                    QWidget* parent) override;

private:
    explicit MpvSession(mpv_handle* mpv);
    void takeEvents();
    // False for an event of no interest.
    bool convert(mpv_event* e, EngineEvent& event);

    mpv_handle* m_mpv;
    std::mutex m_lock;
    std::deque<EngineEvent> m_events;
    std::function<void()> m_wakeup;
    std::atomic_bool m_ending{false};
    std::thread m_thread;
};
