#include "platform/module/lib/MpvSession.h"

#include "platform/module/lib/MpvGlArea.h"
#include "platform/module/lib/MpvSoftwareArea.h"

#include <mpv/client.h>

#include <clocale>
#include <vector>

MpvSession* MpvSession::create(const QStringList& options)
{
    // The engine refuses to start under a numeric locale other than C; Qt sets the user's.
    const char* numeric = std::setlocale(LC_NUMERIC, nullptr);
    if (!numeric || qstrcmp(numeric, "C") != 0)
        std::setlocale(LC_NUMERIC, "C");
    mpv_handle* h = mpv_create();
    if (!h)
        return nullptr;
    for (const QString& option : options) {
        // "name=value"; a bare name means yes.
        const qsizetype eq = option.indexOf(u'=');
        const QByteArray name = option.left(eq).toUtf8();
        const QByteArray value = eq < 0 ? QByteArrayLiteral("yes") : option.mid(eq + 1).toUtf8();
        if (mpv_set_option_string(h, name.constData(), value.constData()) < 0)
            qWarning("media engine: option %s refused", qPrintable(option));
    }
    if (mpv_initialize(h) < 0) {
        mpv_terminate_destroy(h);
        return nullptr;
    }
    return new MpvSession(h);
}

MpvSession::MpvSession(mpv_handle* mpv) : m_mpv(mpv)
{
    // Whole seconds: the engine tells only when the figure shown changes.
    mpv_observe_property(m_mpv, EngineEvent::TimePos, "time-pos", MPV_FORMAT_INT64);
    mpv_observe_property(m_mpv, EngineEvent::Duration, "duration", MPV_FORMAT_DOUBLE);
    mpv_observe_property(m_mpv, EngineEvent::Pause, "pause", MPV_FORMAT_FLAG);
    mpv_observe_property(m_mpv, EngineEvent::Volume, "volume", MPV_FORMAT_DOUBLE);
    mpv_observe_property(m_mpv, EngineEvent::Mute, "mute", MPV_FORMAT_FLAG);
    mpv_observe_property(m_mpv, EngineEvent::IdleActive, "idle-active", MPV_FORMAT_FLAG);
    mpv_hook_add(m_mpv, 0, "on_preloaded", 0);
    m_thread = std::thread(&MpvSession::takeEvents, this);
}

MpvSession::~MpvSession()
{
    m_ending = true;
    mpv_wakeup(m_mpv);
    m_thread.join();
    mpv_terminate_destroy(m_mpv);
}

void MpvSession::takeEvents()
{
    while (!m_ending) {
        mpv_event* e = mpv_wait_event(m_mpv, -1);
        if (e->event_id == MPV_EVENT_SHUTDOWN)
            break;
        EngineEvent event;
        if (!convert(e, event))
            continue;
        const std::lock_guard<std::mutex> hold(m_lock);
        m_events.push_back(event);
        if (m_wakeup)
            m_wakeup();
    }
}

void MpvSession::setWakeup(std::function<void()> wakeup)
{
    // Under the lock: once this returns, the wakeup before is never called again.
    const std::lock_guard<std::mutex> hold(m_lock);
    m_wakeup = std::move(wakeup);
    if (m_wakeup && !m_events.empty())
        m_wakeup();
}

bool MpvSession::nextEvent(EngineEvent& event)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    if (m_events.empty())
        return false;
    event = m_events.front();
    m_events.pop_front();
    return true;
}

bool MpvSession::convert(mpv_event* e, EngineEvent& event)
{
    switch (e->event_id) {
    case MPV_EVENT_START_FILE:
        event.kind = EngineEvent::StartFile;
        event.entryId = static_cast<mpv_event_start_file*>(e->data)->playlist_entry_id;
        return true;
    case MPV_EVENT_FILE_LOADED:
        event.kind = EngineEvent::FileLoaded;
        return true;
    case MPV_EVENT_END_FILE: {
        auto* end = static_cast<mpv_event_end_file*>(e->data);
        event.kind = EngineEvent::EndFile;
        event.entryId = end->playlist_entry_id;
        event.error = end->error;
        switch (end->reason) {
        case MPV_END_FILE_REASON_EOF:
            event.reason = EngineEvent::Eof;
            break;
        case MPV_END_FILE_REASON_STOP:
            event.reason = EngineEvent::Stop;
            break;
        case MPV_END_FILE_REASON_QUIT:
            event.reason = EngineEvent::Quit;
            break;
        case MPV_END_FILE_REASON_ERROR:
            event.reason = EngineEvent::Error;
            break;
        default:
            event.reason = EngineEvent::Redirect;
            break;
        }
        return true;
    }
    case MPV_EVENT_HOOK: {
        // The engine waits here, so the tracks can be read before a short clip is gone again.
        event.kind = EngineEvent::Preloaded;
        int64_t count = 0;
        mpv_get_property(m_mpv, "track-list/count", MPV_FORMAT_INT64, &count);
        for (int64_t i = 0; i < count; ++i) {
            const QByteArray name = "track-list/" + QByteArray::number(i) + "/type";
            char* type = mpv_get_property_string(m_mpv, name.constData());
            event.hasVideo = event.hasVideo || (type && qstrcmp(type, "video") == 0);
            event.hasAudio = event.hasAudio || (type && qstrcmp(type, "audio") == 0);
            mpv_free(type);
        }
        if (whilePreloaded)
            whilePreloaded();
        mpv_hook_continue(m_mpv, static_cast<mpv_event_hook*>(e->data)->id);
        return true;
    }
    case MPV_EVENT_PROPERTY_CHANGE: {
        auto* p = static_cast<mpv_event_property*>(e->data);
        event.kind = EngineEvent::Property;
        event.property = int(e->reply_userdata);
        event.hasValue = p->data != nullptr;
        if (p->format == MPV_FORMAT_DOUBLE && p->data)
            event.number = *static_cast<double*>(p->data);
        else if (p->format == MPV_FORMAT_INT64 && p->data)
            event.number = double(*static_cast<int64_t*>(p->data));
        else if (p->format == MPV_FORMAT_FLAG && p->data)
            event.flag = *static_cast<int*>(p->data) != 0;
        return true;
    }
    default:
        return false;
    }
}

int64_t MpvSession::loadFile(const QString& path, bool append, const QByteArray& options)
{
    const QByteArray file = path.toUtf8();
    const char* cmd[] = {"loadfile", file.constData(), append ? "append" : "replace",
                         options.isEmpty() ? nullptr : options.constData(), nullptr};
    mpv_node result;
    if (mpv_command_ret(m_mpv, cmd, &result) < 0)
        return 0;
    int64_t id = 0;
    if (result.format == MPV_FORMAT_NODE_MAP) {
        for (int i = 0; i < result.u.list->num; ++i)
            if (qstrcmp(result.u.list->keys[i], "playlist_entry_id") == 0 &&
                result.u.list->values[i].format == MPV_FORMAT_INT64)
                id = result.u.list->values[i].u.int64;
    }
    mpv_free_node_contents(&result);
    return id;
}

bool MpvSession::number(const char* name, double* value)
{
    return mpv_get_property(m_mpv, name, MPV_FORMAT_DOUBLE, value) >= 0;
}

QByteArray MpvSession::text(const char* name)
{
    char* value = mpv_get_property_string(m_mpv, name);
    if (!value)
        return {};
    QByteArray out(value);
    mpv_free(value);
    return out;
}

void MpvSession::command(const QList<QByteArray>& args)
{
    std::vector<const char*> argv;
    for (const QByteArray& a : args)
        argv.push_back(a.constData());
    argv.push_back(nullptr);
    mpv_command(m_mpv, argv.data());
}

void MpvSession::setFlag(const char* name, bool on)
{
    int flag = on ? 1 : 0;
    mpv_set_property(m_mpv, name, MPV_FORMAT_FLAG, &flag);
}

void MpvSession::setNumber(const char* name, double value)
{
    mpv_set_property(m_mpv, name, MPV_FORMAT_DOUBLE, &value);
}

void MpvSession::setText(const char* name, const QByteArray& value)
{
    mpv_set_property_string(m_mpv, name, value.constData());
}

MpvVideoSurface* MpvSession::makeRenderArea(bool openGl, bool render, MpvVideoSurface::FacePainter face,
                                            QWidget* parent)
{
    if (openGl && render)
        return new MpvGlArea(m_mpv, face, parent);
    return new MpvSoftwareArea(render ? m_mpv : nullptr, render, face, parent);
}
