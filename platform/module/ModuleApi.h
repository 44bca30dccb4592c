#pragma once

#include "common/FileResult.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>

class QPainter;
class QRect;
class QWidget;

// What the program asks of the media engine, the MIDI synthesiser and GIO's file work. All three live
// in a module of our own that links libmpv, FluidSynth and GIO normally and is loaded on first use,
// so that starting the program loads none of them; nothing here needs their headers.

// One engine event, copied out of the engine.
struct EngineEvent
{
    enum Kind
    {
        None,
        StartFile,  // entryId starts loading
        Preloaded,  // the entry being loaded has its tracks: hasVideo, hasAudio
        FileLoaded, // the entry being loaded plays
        EndFile,    // entryId ended: reason, error
        Property    // an observed property changed: property, hasValue, number, flag
    };
    enum EndReason
    {
        Eof,
        Stop,
        Quit,
        Error,
        Redirect
    };
    enum Observed
    {
        TimePos = 1, // whole seconds
        Duration,
        Pause,
        Volume,
        Mute,
        IdleActive
    };
    Kind kind = None;
    int64_t entryId = 0;
    EndReason reason = Eof;
    int error = 0;
    int property = 0;
    bool hasValue = false;
    double number = 0;
    bool flag = false;
    bool hasVideo = false;
    bool hasAudio = false;
};

// A video area: where the engine's pictures go, and the faces shown when there are none. The
// program's own native area and the module's render areas both are one.
class MpvVideoSurface
{
public:
    // Idle: nothing loaded (black); Video: the engine's frames; Audio: a quiet placeholder.
    enum class Mode
    {
        Idle,
        Video,
        Audio
    };
    // Paints the face of a mode without pictures; the program's, so that every area looks alike.
    using FacePainter = void (*)(QPainter& painter, const QRect& rect, Mode mode, const QString& caption);

    virtual ~MpvVideoSurface() = default;
    virtual QWidget* widget() = 0;
    // True once the engine may load files: the render context exists, or never will.
    virtual bool ready() const = 0;
    // Frees the render context; it must go before the engine does.
    virtual void release() = 0;
    void setMode(Mode mode, const QString& caption = QString())
    {
        if (mode == m_mode && caption == m_caption)
            return;
        m_mode = mode;
        m_caption = caption;
        modeChanged();
    }
    Mode mode() const { return m_mode; }

    // Called once when the area becomes ready after construction.
    std::function<void()> onReady;

protected:
    virtual void modeChanged() = 0;

    Mode m_mode = Mode::Idle;
    QString m_caption;
};

// One engine, made with its options; the properties the control shows are observed from the start.
class EngineSession
{
public:
    virtual ~EngineSession() = default;
    // Called on an engine thread when events wait; only queue work from it.
    virtual void setWakeup(std::function<void()> wakeup) = 0;
    // The next waiting event; false when none waits.
    virtual bool nextEvent(EngineEvent& event) = 0;
    // Replaces what plays with path, or (append) queues it after the entries there; options are
    // the entry's own ("start=12"). The new entry's id, or 0 when the engine refused it.
    virtual int64_t loadFile(const QString& path, bool append, const QByteArray& options) = 0;
    // A property's value as a number; false while the engine has none.
    virtual bool number(const char* name, double* value) = 0;
    // A property's value as text; null while the engine has none.
    virtual QByteArray text(const char* name) = 0;
    virtual void command(const QList<QByteArray>& args) = 0;
    virtual void setFlag(const char* name, bool on) = 0;
    virtual void setNumber(const char* name, double value) = 0;
    virtual void setText(const char* name, const QByteArray& value) = 0;
    // A video area drawing through the render API: OpenGL, or software into an image (render false:
    // an area that only shows the idle and audio faces, painted by face).
    virtual MpvVideoSurface* makeRenderArea(bool openGl, bool render, MpvVideoSurface::FacePainter face,
                                            QWidget* parent) = 0;

    // Called on the session's event thread while the engine waits with a file's tracks known
    // (external subtitle files too) and none chosen yet: the tracks set now are the ones the file
    // starts with. Set before the first file loads.
    std::function<void()> whilePreloaded;
};

class EngineModule
{
public:
    virtual ~EngineModule() = default;
    // A new engine, initialised; null when it cannot be had.
    virtual EngineSession* createSession(const QStringList& options) = 0;
    // Loads the graphics driver that the engine's OpenGL video output on this X display will use,
    // and keeps it: the first clip's pictures then need not wait for it.
    virtual void prepareVideoOutput() = 0;
    // Renders a standard MIDI file with a soundfont into a WAV file at wav; false with the reason in
    // *error. *cancel stops it early.
    virtual bool renderMidi(const QString& midi, const QString& font, const QString& wav,
                            const std::atomic_bool* cancel, QString* error) = 0;

    // GIO's file work; a failure carries GIO's own text and no errno.
    // Copies the file src to dst with its mode and times; progress (bytes so far) cancels by
    // answering false.
    virtual FileResult copyFile(const QString& src, const QString& dst,
                                const std::function<bool(qint64)>& progress) = 0;
    // Renames a folder, replacing what dst holds; EXDEV where that needs a copy.
    virtual FileResult renameFolder(const QString& src, const QString& dst) = 0;
    // Deletes a file or an empty folder.
    virtual FileResult deleteOne(const QString& path) = 0;
    // Creates the folder with every missing parent; an existing folder is fine.
    virtual FileResult makeDirs(const QString& path) = 0;
    virtual FileResult trash(const QString& path) = 0;
    // Adds path to the desktop's recently used files (the bookmark file `bookmarks`, as GTK keeps
    // it), or marks it used again; everything else in that file stays.
    virtual FileResult addRecent(const QString& bookmarks, const QString& path, const QString& mimeType) = 0;
};
