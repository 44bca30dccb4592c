#include "platform/media/MpvTracks.h"

#include "platform/module/ModuleApi.h"

#include <QFileInfo>
#include <QLocale>

namespace {

const char* typeName(MpvTracks::Type type)
{
    return type == MpvTracks::Type::Audio ? "audio" : "sub";
}

const char* idProperty(MpvTracks::Type type)
{
    return type == MpvTracks::Type::Audio ? "aid" : "sid";
}

QByteArray trackText(EngineSession& session, int index, const char* field)
{
    const QByteArray name = "track-list/" + QByteArray::number(index) + '/' + field;
    return session.text(name.constData());
}

} // namespace

QList<MpvTracks::Track> MpvTracks::list(EngineSession* session, Type type)
{
    QList<Track> tracks;
    double count = 0;
    if (!session || !session->number("track-list/count", &count))
        return tracks;
    for (int i = 0; i < int(count); ++i) {
        if (trackText(*session, i, "type") != typeName(type))
            continue;
        tracks.append({trackText(*session, i, "id").toInt(),
                       QString::fromUtf8(trackText(*session, i, "lang")),
                       QString::fromUtf8(trackText(*session, i, "title"))});
    }
    return tracks;
}

int MpvTracks::current(EngineSession* session, Type type)
{
    // "no" and "auto" read as 0: neither is a track.
    return session ? session->text(idProperty(type)).toInt() : 0;
}

bool MpvTracks::sameLanguage(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    // Files name a language in two or three letters ("de", "ger", "deu").
    const QLocale::Language la = QLocale::codeToLanguage(a);
    if (la != QLocale::AnyLanguage && la == QLocale::codeToLanguage(b))
        return true;
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

void MpvTracks::choose(EngineSession* session, Type type, int id)
{
    QString language;
    for (const Track& track : list(session, type)) {
        if (track.id == id)
            language = track.language;
    }
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        m_choice[int(type)] = {true, id == 0, language};
    }
    if (session)
        session->setText(idProperty(type), id ? QByteArray::number(id) : QByteArrayLiteral("no"));
}

void MpvTracks::setSubtitlesShown(EngineSession* session, bool on)
{
    m_shown = on;
    if (session)
        session->setFlag("sub-visibility", on);
}

void MpvTracks::applyToFile(EngineSession& session) const
{
    // The engine finds every subtitle file that holds the clip's name; those that start with it
    // belong to the clip ("film.en.srt"), the others to another ("myfilm.srt").
    const QString base = QString::fromUtf8(session.text("filename/no-ext"));
    double count = 0;
    session.number("track-list/count", &count);
    QList<QByteArray> foreign;
    for (int i = 0; i < int(count); ++i) {
        const QString file = QString::fromUtf8(trackText(session, i, "external-filename"));
        if (trackText(session, i, "type") == "sub" && !file.isEmpty() &&
            !QFileInfo(file).fileName().startsWith(base, Qt::CaseInsensitive))
            foreign.append(trackText(session, i, "id"));
    }
    for (const QByteArray& id : std::as_const(foreign))
        session.command({"sub-remove", id});

    Choice choices[2];
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        choices[0] = m_choice[0];
        choices[1] = m_choice[1];
    }
    for (const Type type : {Type::Audio, Type::Subtitle}) {
        const Choice& choice = choices[int(type)];
        if (!choice.made)
            continue;
        // The number chosen in the clip before means nothing in this one.
        QByteArray id = choice.off ? QByteArrayLiteral("no") : QByteArrayLiteral("auto");
        for (const Track& track : list(&session, type)) {
            if (!choice.off && sameLanguage(track.language, choice.language)) {
                id = QByteArray::number(track.id);
                break;
            }
        }
        session.setText(idProperty(type), id);
    }
}

void MpvTracks::applyToEngine(EngineSession& session) const
{
    session.setFlag("sub-visibility", m_shown);
}
