#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>

// Milliseconds from starting the mpv program to its file-loaded point: the baseline the media
// benchmarks set our own start beside.
inline double mpvProgramStart(const QString& clip)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer clock;
    clock.start();
    p.start(QStringLiteral("mpv"),
            {QStringLiteral("--no-config"), QStringLiteral("--vo=null"), QStringLiteral("--ao=null"),
             QStringLiteral("--msg-level=all=no,cplayer=v"), clip});
    QByteArray seen;
    double ms = -1;
    while (p.waitForReadyRead(20000)) {
        seen += p.readAll();
        if (seen.contains("Starting playback...")) {
            ms = double(clock.nsecsElapsed()) / 1e6;
            break;
        }
    }
    p.kill();
    p.waitForFinished();
    return ms;
}
