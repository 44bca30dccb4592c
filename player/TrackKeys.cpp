#include "player/TrackKeys.h"

#include <QKeyEvent>
#include <QLocale>

#include <unicode/uloc.h>

using Type = MediaPlayerControl::TrackType;

TrackKeys::TrackKeys(MediaPlayerControl* control, QObject* parent) : QObject(parent), m_control(control) {}

bool TrackKeys::handleKey(QKeyEvent* event)
{
    // As typed, whatever the keyboard layout: '#' needs Shift on some and not on others.
    if (!m_control || !m_control->Enabled() ||
        (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    const QString text = event->text();
    if (text == QLatin1String("#"))
        cycleAudio();
    else if (text == QLatin1String("j"))
        cycleSubtitles();
    else if (text == QLatin1String("v"))
        toggleSubtitles();
    else
        return false;
    return true;
}

void TrackKeys::cycleAudio()
{
    const QList<MediaPlayerControl::Track> tracks = m_control->tracks(Type::Audio);
    if (tracks.isEmpty()) {
        m_control->showNote(tr("Audio: none"));
        return;
    }
    const int current = m_control->currentTrack(Type::Audio);
    int next = 0;
    for (int i = 0; i < tracks.size(); ++i) {
        if (tracks[i].id == current)
            next = (i + 1) % int(tracks.size());
    }
    m_control->setTrack(Type::Audio, tracks[next].id);
    m_control->showNote(tr("Audio: %1").arg(describe(tracks, next)));
}

void TrackKeys::cycleSubtitles()
{
    // The tracks in order, then off, then the first again.
    const QList<MediaPlayerControl::Track> tracks = m_control->tracks(Type::Subtitle);
    const int current = m_control->currentTrack(Type::Subtitle);
    int next = tracks.isEmpty() ? -1 : 0;
    for (int i = 0; i < tracks.size(); ++i) {
        if (tracks[i].id == current)
            next = i + 1 < tracks.size() ? i + 1 : -1;
    }
    if (next < 0) {
        m_control->setTrack(Type::Subtitle, 0);
        m_control->showNote(tr("Subtitles: off"));
        return;
    }
    m_control->setTrack(Type::Subtitle, tracks[next].id);
    // A track picked is a track to be seen.
    m_control->setSubtitlesShown(true);
    m_control->showNote(tr("Subtitles: %1").arg(describe(tracks, next)));
}

void TrackKeys::toggleSubtitles()
{
    const bool on = !m_control->subtitlesShown();
    m_control->setSubtitlesShown(on);
    m_control->showNote(on ? tr("Subtitles: shown") : tr("Subtitles: hidden"));
}

QString TrackKeys::describe(const QList<MediaPlayerControl::Track>& tracks, int index)
{
    const MediaPlayerControl::Track& track = tracks.at(index);
    QString text = QStringLiteral("%1/%2").arg(index + 1).arg(tracks.size());
    const QString language = languageName(track.language);
    if (!language.isEmpty())
        text += QLatin1Char(' ') + language;
    if (!track.title.isEmpty() && track.title != language)
        text +=
            language.isEmpty() ? QLatin1Char(' ') + track.title : QStringLiteral(" (%1)").arg(track.title);
    return text;
}

QString TrackKeys::languageName(const QString& code)
{
    const QLocale::Language language = QLocale::codeToLanguage(code);
    if (code.isEmpty() || language == QLocale::AnyLanguage || language == QLocale::C)
        return code;
    // Named in the user's language, as the rest of the desktop names it.
    const QByteArray shortCode = QLocale::languageToCode(language, QLocale::ISO639Part1).toLatin1();
    const QByteArray icuCode = shortCode.isEmpty() ? QLocale::languageToCode(language).toLatin1() : shortCode;
    UChar name[128];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = uloc_getDisplayLanguage(icuCode.constData(), nullptr, name, 128, &status);
    const QString shown = U_SUCCESS(status) ? QString::fromUtf16(name, length) : QString();
    if (shown.isEmpty() || shown == QString::fromLatin1(icuCode))
        return QLocale::languageToString(language);
    return shown;
}
