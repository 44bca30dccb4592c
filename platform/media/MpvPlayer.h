#pragma once

#include "platform/media/EngineCheck.h"
#include "platform/media/MediaPlayerControl.h"
#include "platform/media/MpvOptions.h"
#include "platform/media/MpvTracks.h"
#include "platform/media/PlaylistRun.h"
#include "platform/module/ModuleApi.h"

#include <QStringList>
#include <QtNumeric>

#include <memory>

class MpvControls;
class QTimer;
class ResumePlaces;
class MpvNativeArea;
class MpvVideoSurface;
class QWidget;

// The media player control on libmpv: the video area, the face below it (MpvControls) and the keys,
// around a playlist run on an engine session.
class MpvPlayer : public MediaPlayerControl
{
    Q_OBJECT
public:
    // options: engine options as "name=value", applied after the built-in ones and those of
    // VIDMARRO_MPV_OPTIONS (see mpvEffectiveOptions).
    explicit MpvPlayer(QWidget* parent = nullptr, const QStringList& options = {});
    ~MpvPlayer() override;

    // What the engine of a control made with options is made with, the window it draws into aside:
    // an engine made ahead of the control (mpvEnginePreload) is made with the same.
    static QStringList engineOptions(const QStringList& options);

    void Open(const QString& path) override;
    void Stop() override;
    bool IsSoundCardEnabled() override;
    int GetCurrentEntry() override { return m_run->currentEntry(); }

    bool ShowTracker() const override { return m_showTracker; }
    void SetShowTracker(bool on) override;
    bool ShowStatusBar() const override { return m_showStatusBar; }
    void SetShowStatusBar(bool on) override;
    int PlayCount() const override { return m_run->playCount(); }
    void SetPlayCount(int count) override { m_run->setPlayCount(count); }
    double Rate() const override { return m_rate; }
    void SetRate(double rate) override;

    State state() const override { return m_run->state(); }
    bool paused() const override { return m_run->paused(); }
    double volume() const override { return m_run->volume(); }
    bool muted() const override { return m_run->muted(); }
    double position() const override { return m_run->position(); }
    double duration() const override { return m_run->duration(); }
    // False: the video area shows the audio placeholder.
    bool hasVideo() const override { return m_run->hasVideo(); }
    QWidget* videoArea() const override;
    bool engineReady() const { return m_session != nullptr; }
    QString statusText() const;
    // The engine's own frame counts for the clip playing, for benchmarks: -1 where it has none.
    // Any thread may ask while the control keeps its engine: the engine answers each.
    struct FrameCounts
    {
        double dropped = -1;        // late frames the video output skipped
        double decoderDropped = -1; // frames the decoder skipped to catch up
        double delayed = -1;        // frames shown late (display-synced output only)
        double avsyncMs = qQNaN();  // the last measured difference of sound and pictures
    };
    FrameCounts frameCounts() const;

    void play() override;
    void togglePause() override;
    void previousEntry() override { m_run->previous(); }
    void nextEntry() override { m_run->next(); }
    void seekBy(double seconds) override;
    void changeVolume(double delta) override;
    void setVolume(double volume) override;
    void setMuted(bool on) override;
    void setVideoOnly(bool on) override;

    QList<Track> tracks(TrackType type) const override { return MpvTracks::list(m_session.get(), type); }
    int currentTrack(TrackType type) const override { return MpvTracks::current(m_session.get(), type); }
    void setTrack(TrackType type, int id) override { m_tracks.choose(m_session.get(), type, id); }
    bool subtitlesShown() const override { return m_tracks.subtitlesShown(); }
    void setSubtitlesShown(bool on) override { m_tracks.setSubtitlesShown(m_session.get(), on); }
    void showNote(const QString& text) override;
    // An engine property as text ("sub-text", "aid"), for tests; null without an engine.
    QByteArray engineText(const char* name) const { return m_session ? m_session->text(name) : QByteArray(); }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void applyRate();
    static QStringList engineOptionsOf(const QStringList& effective);
    bool startEngine();
    void letGoOfWindow();
    void buildFace();
    void refreshFace();

    QStringList m_options;
    QStringList m_engineOptions;
    std::unique_ptr<EngineSession> m_session;
    PlaylistRun* m_run = nullptr;
    MpvVideoSurface* m_surface = nullptr;
    MpvNativeArea* m_native = nullptr; // the window the engine draws into, where it does
    QByteArray m_wid;
    bool m_keepsWindow = false;

    bool m_showTracker = true;
    bool m_showStatusBar = true;
    double m_rate = 1.0;
    bool m_tempo = false;       // the pitch-keeping filter is in the engine's chain
    bool m_ratePending = false; // m_rate is not all applied yet: see applyRate
    MpvControls* m_controls = nullptr;
    std::unique_ptr<ResumePlaces> m_places;
    MpvTracks m_tracks;
    bool m_videoOnly = false;
    QString m_note; // shown in the status line for a while instead of the state
    QTimer* m_noteTimer = nullptr;
};
