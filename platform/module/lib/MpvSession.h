#pragma once

#include "platform/module/ModuleApi.h"

#include <QStringList>

struct mpv_handle;

// The engine session on libmpv.
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
    static void wake(void* self);

    mpv_handle* m_mpv;
    std::function<void()> m_wakeup;
};
