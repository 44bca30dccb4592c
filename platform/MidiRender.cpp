#include "platform/MidiRender.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <fluidsynth.h>

#include <cstdio>
#include <memory>
#include <mutex>

namespace MidiRender {
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

} // namespace

bool isMidi(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("mid") || suffix == QLatin1String("midi") ||
           suffix == QLatin1String("rmi") || suffix == QLatin1String("kar");
}

QString soundFont()
{
    for (const char* name :
         {"sounds/sf2/FluidR3_GM.sf2", "sounds/sf2/default-GM.sf2", "soundfonts/default.sf2"}) {
        const QString found =
            QStandardPaths::locate(QStandardPaths::GenericDataLocation, QLatin1String(name));
        if (!found.isEmpty())
            return found;
    }
    return {};
}

QString cachedWavPath(const QString& path)
{
    const QFileInfo info(path);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(info.absoluteFilePath().toUtf8());
    hash.addData(QByteArray::number(info.size()));
    hash.addData(QByteArray::number(info.lastModified().toMSecsSinceEpoch()));
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                        QStringLiteral("/vidmarro/midi");
    return dir + u'/' + QString::fromLatin1(hash.result().toHex()) + QStringLiteral(".wav");
}

QString render(const QString& path, const std::atomic_bool* cancel, QString* error)
{
    const QString target = cachedWavPath(path);
    if (QFileInfo::exists(target))
        return target;
    if (!QFileInfo(path).isFile()) {
        *error = QStringLiteral("File not found");
        return {};
    }
    {
        QFile probe(path);
        const QByteArray magic = probe.open(QIODevice::ReadOnly) ? probe.read(4) : QByteArray();
        if (magic != "MThd" && magic != "RIFF") {
            *error = QStringLiteral("Not a MIDI file");
            return {};
        }
    }
    const QString font = soundFont();
    if (font.isEmpty()) {
        *error = QStringLiteral("No General MIDI soundfont is installed");
        return {};
    }
    QDir().mkpath(QFileInfo(target).absolutePath());
    // Each rendering writes a file of its own and renames it into place when complete: a cut-off
    // rendering is never taken for a finished one, and two renderings of one clip (Stop then Play)
    // never touch each other's file.
    QString partial;
    {
        QTemporaryFile claim(target + QStringLiteral(".XXXXXX.part"));
        claim.setAutoRemove(false);
        if (!claim.open()) {
            *error = QStringLiteral("The WAV file could not be written");
            return {};
        }
        partial = claim.fileName();
    }
    struct RemoveUnlessKept
    {
        QString path;
        ~RemoveUnlessKept()
        {
            if (!path.isEmpty())
                QFile::remove(path);
        }
    } cleanup{partial};

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
    fluid_settings_setstr(settings.get(), "audio.file.name", QFile::encodeName(partial).constData());
    fluid_settings_setstr(settings.get(), "audio.file.type", "wav");
    fluid_settings_setstr(settings.get(), "audio.file.format", "s16");

    Owned<fluid_synth_t, delete_fluid_synth> synth(new_fluid_synth(settings.get()));
    if (!synth || fluid_synth_sfload(synth.get(), QFile::encodeName(font).constData(), 1) == FLUID_FAILED) {
        *error = QStringLiteral("The soundfont could not be loaded");
        return {};
    }
    Owned<fluid_player_t, freePlayer> player(new_fluid_player(synth.get()));
    if (!player || fluid_player_add(player.get(), QFile::encodeName(path).constData()) != FLUID_OK) {
        *error = QStringLiteral("Not a MIDI file");
        return {};
    }
    bool ok = false;
    {
        Owned<fluid_file_renderer_t, delete_fluid_file_renderer> renderer(
            new_fluid_file_renderer(synth.get()));
        if (!renderer) {
            *error = QStringLiteral("The WAV file could not be written");
            return {};
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
        ok = !cancelled && played;
        if (cancelled)
            *error = QStringLiteral("Cancelled");
        else if (!played)
            *error = QStringLiteral("Not a MIDI file");
    } // the renderer writes the WAV header as it closes
    // rename() replaces a rendering finished meanwhile by another player: the same sound, and a
    // reader of the old file keeps it until done.
    if (!ok || QFileInfo(partial).size() <= 44 ||
        ::rename(QFile::encodeName(partial).constData(), QFile::encodeName(target).constData()) != 0) {
        if (error->isEmpty())
            *error = QStringLiteral("The WAV file could not be written");
        return {};
    }
    cleanup.path.clear();
    return target;
}

} // namespace MidiRender
