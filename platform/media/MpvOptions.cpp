#include "platform/media/MpvOptions.h"

#include "platform/module/ModuleApi.h"

#include <QRegularExpression>

#include <clocale>

QPair<QString, QString> splitOption(const QString& option)
{
    const qsizetype eq = option.indexOf(u'=');
    if (eq < 0)
        return {option, QStringLiteral("yes")};
    return {option.left(eq), option.mid(eq + 1)};
}

QString optionValue(const QStringList& options, const QString& name)
{
    QString value;
    for (const QString& option : options) {
        const auto [key, val] = splitOption(option);
        if (key == name)
            value = val;
    }
    return value;
}

void ensureCLocale()
{
    const char* numeric = std::setlocale(LC_NUMERIC, nullptr);
    if (!numeric || qstrcmp(numeric, "C") != 0)
        std::setlocale(LC_NUMERIC, "C");
}

QStringList mpvDefaultOptions()
{
    return {
        QStringLiteral("config=no"),
        QStringLiteral("load-scripts=no"),
        QStringLiteral("ytdl=no"),
        QStringLiteral("osc=no"),
        QStringLiteral("load-stats-overlay=no"),
        QStringLiteral("load-osd-console=no"),
        QStringLiteral("load-auto-profiles=no"),
        QStringLiteral("input-default-bindings=no"),
        QStringLiteral("input-vo-keyboard=no"),
        QStringLiteral("input-cursor=no"),
        QStringLiteral("resume-playback=no"),
        QStringLiteral("save-position-on-quit=no"),
        QStringLiteral("idle=yes"),
        QStringLiteral("keep-open=no"),
        QStringLiteral("osd-level=0"),
        QStringLiteral("terminal=no"),
        QStringLiteral("audio-fallback-to-null=yes"),
        // Turned on while a next clip is queued: the last clip's end must wait for its sound.
        QStringLiteral("gapless-audio=no"),
        // Where there is none, decoding stays in software as before.
        QStringLiteral("hwdec=auto-safe"),

        // Subtitle files named after the clip, beside it or in a Subs or Subtitles folder, in
        // whatever encoding they were written.
        QStringLiteral("sub-auto=fuzzy"),
        QStringLiteral("sub-file-paths=Subs:subs:Subtitles:subtitles"),
        QStringLiteral("sub-codepage=auto"),
    };
}

QStringList mpvEffectiveOptions(const QStringList& extraOptions)
{
    QStringList options = mpvDefaultOptions();
    const QString env = qEnvironmentVariable("VIDMARRO_MPV_OPTIONS");
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    for (QString token : env.split(blanks, Qt::SkipEmptyParts)) {
        if (token.startsWith(QLatin1String("--")))
            token.remove(0, 2);
        options.append(token);
    }
    options.append(extraOptions);
    return options;
}

bool setEngineRate(EngineSession& session, double rate, bool* tempo, bool mayAdd, bool mayRemove)
{
    // The engine's own filter mutes below 0.25x. It goes in before the rate leaves 1.0 and out
    // after the rate is back, so the sound is never sped up without it (the engine would put in
    // one of its own).
    const bool wanted = rate != 1.0;
    if (wanted && !*tempo) {
        if (!mayAdd)
            return false;
        session.command({"af", "add", "@vm-tempo:scaletempo2=min-speed=0.1"});
        *tempo = true;
    }
    session.setNumber("speed", rate);
    if (!wanted && *tempo) {
        if (!mayRemove)
            return false;
        session.command({"af", "remove", "@vm-tempo"});
        *tempo = false;
    }
    return true;
}
