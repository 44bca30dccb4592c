#include "PlayerKit.h"

#include "platform/media/MpvPlayer.h"
#include "player/SleepU.h"
#include "player/Speed.h"
#include "player/WplayerU2.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <clocale>

namespace PlayerKit {

namespace {

QString templateClip()
{
    static QTemporaryDir dir;
    static QString path;
    if (!path.isEmpty())
        return path;
    const QString out = dir.filePath(QStringLiteral("template.wav"));
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-nostdin"), QStringLiteral("-loglevel"), QStringLiteral("error"),
                  QStringLiteral("-y"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                  QStringLiteral("sine=frequency=440:duration=0.3"), QStringLiteral("-ar"),
                  QStringLiteral("8000"), out});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0 || !QFile::exists(out))
        qFatal("ffmpeg could not make a test clip: %s", ffmpeg.readAllStandardError().constData());
    path = out;
    return path;
}

} // namespace

QString makeClip(const QString& dir, const QString& name)
{
    const QString path = QDir(dir).filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile::remove(path);
    if (!QFile::copy(templateClip(), path))
        qFatal("cannot copy the test clip to %s", qPrintable(path));
    return path;
}

QStringList makeClips(const QString& dir, const QStringList& names)
{
    QStringList out;
    for (const QString& n : names)
        out.append(makeClip(dir, n));
    return out;
}

MediaPlayerFactory engine(bool soundCard)
{
    // A sound file stands in for the sound card; without one the control reports none.
    static QTemporaryDir out;
    QStringList options = {QStringLiteral("vo=null"), QStringLiteral("untimed=yes")};
    if (soundCard)
        options << QStringLiteral("ao=pcm")
                << QStringLiteral("ao-pcm-file=") + out.filePath(QStringLiteral("sound.wav"));
    else
        options << QStringLiteral("ao=null") << QStringLiteral("ao-null-untimed=yes");
    const MediaPlayerFactory real = mpvPlayerFactory(options);
    return [real](QWidget* parent) {
        // The engine will not start under a locale with a decimal comma; QApplication may set one.
        std::setlocale(LC_NUMERIC, "C");
        return real(parent);
    };
}

TWplayerF2* findPlayer(QWidget* owner)
{
    const QList<TWplayerF2*> found = owner ? owner->findChildren<TWplayerF2*>() : QList<TWplayerF2*>();
    for (TWplayerF2* p : found) {
        if (p->isVisible())
            return p;
    }
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* p = qobject_cast<TWplayerF2*>(w); p && p->isVisible())
            return p;
    }
    return nullptr;
}

void onPlayerShown(QWidget* owner, std::function<void(TWplayerF2&)> body)
{
    auto* poll = new QTimer(qApp);
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, owner, body] {
        if (TWplayerF2* p = findPlayer(owner)) {
            poll->stop();
            poll->deleteLater();
            body(*p);
        }
    });
    poll->start();
}

void onModal(const char* className, std::function<void(QWidget&)> body)
{
    auto* poll = new QTimer(qApp);
    poll->setInterval(5);
    const QByteArray cls(className);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, cls, body] {
        QWidget* w = QApplication::activeModalWidget();
        if (w && w->isVisible() && cls == w->metaObject()->className()) {
            poll->stop();
            poll->deleteLater();
            body(*w);
        }
    });
    poll->start();
}

} // namespace PlayerKit

void RunDialogs::showSpeed(TWplayerF2& player)
{
    m_speed.showFor(player);
}

void RunDialogs::showSleep(TWplayerF2& player)
{
    m_sleep.showFor(player);
}
