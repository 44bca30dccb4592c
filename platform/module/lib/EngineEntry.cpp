// The module's entry: the engine on libmpv, the MIDI synthesiser on FluidSynth and the file work on
// GIO, linked normally.
#include "platform/module/ModuleApi.h"
#include "platform/module/lib/GioFiles.h"
#include "platform/module/lib/MpvSession.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <QCoreApplication>
#include <QFile>

#include <fluidsynth.h>

#include <malloc.h>
#include <memory>
#include <mutex>

namespace {

constexpr int SampleRate = 44100;
// Lets the last notes ring out after the final event of the file.
constexpr int TailBlocks = SampleRate / 64;

template <typename T, void (*Free)(T*)> struct Deleter
{
    void operator()(T* p) const
    {
        if (p)
            Free(p);
    }
};
template <typename T, void (*Free)(T*)> using Owned = std::unique_ptr<T, Deleter<T, Free>>;

void freePlayer(fluid_player_t* p)
{
    delete_fluid_player(p);
}

class Module : public EngineModule
{
public:
    EngineSession* createSession(const QStringList& options) override { return MpvSession::create(options); }
    void prepareVideoOutput() override;
    bool renderMidi(const QString& path, const QString& font, const QString& wav,
                    const std::atomic_bool* cancel, QString* error) override;

    FileResult copyFile(const QString& src, const QString& dst,
                        const std::function<bool(qint64)>& progress) override
    {
        return GioFiles::copyFile(src, dst, progress);
    }
    FileResult renameFolder(const QString& src, const QString& dst) override
    {
        return GioFiles::renameFolder(src, dst);
    }
    FileResult deleteOne(const QString& path) override { return GioFiles::deleteOne(path); }
    FileResult makeDirs(const QString& path) override { return GioFiles::makeDirs(path); }
    FileResult trash(const QString& path) override { return GioFiles::trash(path); }
    FileResult addRecent(const QString& bookmarks, const QString& path, const QString& mimeType) override
    {
        return GioFiles::addRecent(bookmarks, path, mimeType);
    }
};

void Module::prepareVideoOutput()
{
    // Initialised once and never terminated: the driver stays loaded for the engine's own display.
    static const EGLDisplay display = [] {
        const EGLDisplay d = eglGetPlatformDisplay(EGL_PLATFORM_X11_KHR, EGL_DEFAULT_DISPLAY, nullptr);
        return d != EGL_NO_DISPLAY && eglInitialize(d, nullptr, nullptr) ? d : EGL_NO_DISPLAY;
    }();
    (void)display;
}

bool Module::renderMidi(const QString& path, const QString& font, const QString& wav,
                        const std::atomic_bool* cancel, QString* error)
{
    // The library's log hook is global: set once, before any rendering thread uses the library.
    static std::once_flag quiet;
    std::call_once(quiet, [] {
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, nullptr, nullptr);
    });

    Owned<fluid_settings_t, delete_fluid_settings> settings(new_fluid_settings());
    fluid_settings_setnum(settings.get(), "synth.sample-rate", SampleRate);
    fluid_settings_setint(settings.get(), "synth.dynamic-sample-loading", 1);
    fluid_settings_setstr(settings.get(), "player.timing-source", "sample");
    fluid_settings_setint(settings.get(), "synth.lock-memory", 0);
    fluid_settings_setstr(settings.get(), "audio.file.name", QFile::encodeName(wav).constData());
    fluid_settings_setstr(settings.get(), "audio.file.type", "wav");
    fluid_settings_setstr(settings.get(), "audio.file.format", "s16");

    Owned<fluid_synth_t, delete_fluid_synth> synth(new_fluid_synth(settings.get()));
    if (!synth || fluid_synth_sfload(synth.get(), QFile::encodeName(font).constData(), 1) == FLUID_FAILED) {
        *error = QCoreApplication::translate("MidiRender", "The soundfont could not be loaded");
        return false;
    }
    Owned<fluid_player_t, freePlayer> player(new_fluid_player(synth.get()));
    if (!player || fluid_player_add(player.get(), QFile::encodeName(path).constData()) != FLUID_OK) {
        *error = QCoreApplication::translate("MidiRender", "Not a MIDI file");
        return false;
    }
    Owned<fluid_file_renderer_t, delete_fluid_file_renderer> renderer(new_fluid_file_renderer(synth.get()));
    if (!renderer) {
        *error = QCoreApplication::translate("MidiRender", "The WAV file could not be written");
        return false;
    }
    fluid_player_play(player.get());
    bool cancelled = false;
    while (fluid_player_get_status(player.get()) == FLUID_PLAYER_PLAYING) {
        if (fluid_file_renderer_process_block(renderer.get()) != FLUID_OK)
            break;
        if (cancel && cancel->load()) {
            cancelled = true;
            break;
        }
    }
    const bool played = fluid_player_get_status(player.get()) == FLUID_PLAYER_DONE;
    fluid_player_stop(player.get());
    for (int i = 0; !cancelled && played && i < TailBlocks; ++i)
        fluid_file_renderer_process_block(renderer.get());
    renderer.reset(); // writes the WAV header as it closes
    if (cancelled)
        *error = QCoreApplication::translate("MidiRender", "Cancelled");
    else if (!played)
        *error = QCoreApplication::translate("MidiRender", "Not a MIDI file");
    return !cancelled && played;
}

} // namespace

extern "C" Q_DECL_EXPORT EngineModule* vidmarro_engine_module()
{
    static Module module;
    // The engine's threads allocate and free large blocks, which makes the allocator raise its trim
    // threshold as it goes; free space at the top of their arenas then stays with the process for
    // good, since malloc_trim gives back only the main arena's top. A fixed threshold keeps returning
    // it (and keeps large blocks mapped apart, to go back whole when freed).
    static const bool fixedTrim = mallopt(M_TRIM_THRESHOLD, 256 * 1024) == 1;
    Q_UNUSED(fixedTrim);
    return &module;
}
