#include "MediaFixtures.h"

#include <QDataStream>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include <cmath>

namespace MediaFixtures {

bool ffmpeg(const QStringList& args, const QString& output)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QStringLiteral("ffmpeg"), QStringList{QStringLiteral("-nostdin"), QStringLiteral("-y"),
                                                  QStringLiteral("-v"), QStringLiteral("error")} +
                                          args + QStringList{output});
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 &&
           QFile::exists(output);
}

bool writeText(const QString& path, const QByteArray& text)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size();
}

bool writeTrackClip(const QString& path, const QStringList& languages, int seconds)
{
    // The subtitle files go elsewhere: beside the clip they would be found as files of their own.
    const QTemporaryDir dir;
    QString inputs = QStringLiteral("-f lavfi -i testsrc=s=64x48:r=10:d=%1").arg(seconds);
    QString maps = QStringLiteral(" -map 0:v"), tags;
    for (int i = 0; i < languages.size(); ++i) {
        const QString srt = dir.filePath(QStringLiteral("%1.srt").arg(i));
        if (!writeText(srt, "1\n00:00:00,000 --> 00:10:00,000\n" + languages[i].toUtf8() + "\n\n"))
            return false;
        inputs +=
            QStringLiteral(" -f lavfi -i sine=f=%1:d=%2 -i %3").arg(440 * (i + 1)).arg(seconds).arg(srt);
        maps += QStringLiteral(" -map %1 -map %2").arg(2 * i + 1).arg(2 * i + 2);
        tags += QStringLiteral(" -metadata:s:a:%1 language=%2 -metadata:s:s:%1 language=%2")
                    .arg(i)
                    .arg(languages[i]);
    }
    return ffmpeg((inputs + maps + tags + QStringLiteral(" -c:v mpeg4 -c:a flac -c:s srt")).split(u' '),
                  path);
}

bool writeMidi(const QString& path)
{
    QByteArray track;
    auto bytes = [&](std::initializer_list<int> b) {
        for (int v : b)
            track.append(char(v));
    };
    bytes({0x00, 0xC0, 0x00});       // piano
    bytes({0x00, 0x90, 0x3C, 0x64}); // C4 on
    bytes({0x30, 0x80, 0x3C, 0x40}); // off after an eighth
    bytes({0x00, 0x90, 0x40, 0x64}); // E4 on
    bytes({0x30, 0x80, 0x40, 0x40}); // off
    bytes({0x00, 0xFF, 0x2F, 0x00}); // end of track
    QByteArray file("MThd");
    QDataStream out(&file, QIODevice::Append);
    out.setByteOrder(QDataStream::BigEndian);
    out << quint32(6) << quint16(0) << quint16(1) << quint16(96);
    out.writeRawData("MTrk", 4);
    out << quint32(track.size());
    out.writeRawData(track.constData(), int(track.size()));
    return writeText(path, file);
}

bool writeFlic(const QString& path, bool flc)
{
    const int w = 64, h = 48, frames = 10;
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    for (int f = 0; f < frames; ++f) {
        QByteArray chunks;
        QDataStream c(&chunks, QIODevice::WriteOnly);
        c.setByteOrder(QDataStream::LittleEndian);
        int count = 1;
        if (f == 0) { // palette: a grey ramp, 6-bit components
            c << quint32(6 + 2 + 2 + 768) << quint16(11) << quint16(1) << quint8(0) << quint8(0);
            for (int i = 0; i < 256; ++i)
                c << quint8(i >> 2) << quint8(i >> 2) << quint8(i >> 2);
            count = 2;
        }
        c << quint32(6 + w * h) << quint16(16); // the whole picture, uncompressed
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                c << quint8((x * 4 + f * 20) & 0xFF);
        out << quint32(16 + chunks.size()) << quint16(0xF1FA) << quint16(count);
        out << quint32(0) << quint32(0);
        out.writeRawData(chunks.constData(), int(chunks.size()));
    }
    QByteArray header(128, '\0');
    qToLittleEndian<quint32>(quint32(128 + body.size()), header.data());
    qToLittleEndian<quint16>(flc ? 0xAF12 : 0xAF11, header.data() + 4);
    qToLittleEndian<quint16>(quint16(frames), header.data() + 6);
    qToLittleEndian<quint16>(quint16(w), header.data() + 8);
    qToLittleEndian<quint16>(quint16(h), header.data() + 10);
    qToLittleEndian<quint16>(8, header.data() + 12);
    qToLittleEndian<quint16>(3, header.data() + 14);
    qToLittleEndian<quint32>(flc ? 100 : 7, header.data() + 16);
    if (flc) {
        qToLittleEndian<quint32>(128, header.data() + 80);
        qToLittleEndian<quint32>(128, header.data() + 84);
    }
    return writeText(path, header + body);
}

bool writeAsx(const QString& path, const QStringList& hrefs)
{
    QByteArray text = "<ASX VERSION=\"3.0\">\r\n";
    for (const QString& href : hrefs) {
        text += " <ENTRY>";
        for (const QString& source : href.split(u'|')) // "a|b": b is played where a fails
            text += "<REF HREF=\"" + source.toUtf8() + "\" />";
        text += "</ENTRY>\r\n";
    }
    text += "</ASX>\r\n";
    return writeText(path, text);
}

Pcm readWav(const QString& path)
{
    Pcm pcm;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return pcm;
    const QByteArray all = f.readAll();
    if (all.size() < 44 || !all.startsWith("RIFF"))
        return pcm;
    qsizetype pos = 12;
    while (pos + 8 <= all.size()) {
        const QByteArray id = all.mid(pos, 4);
        const quint32 size = qFromLittleEndian<quint32>(all.constData() + pos + 4);
        if (id == "fmt ")
            pcm.rate = int(qFromLittleEndian<quint32>(all.constData() + pos + 12));
        if (id == "data") {
            qsizetype end = pos + 8 + qsizetype(size);
            if (size == 0 || size == 0xFFFFFFFFu || end > all.size())
                end = all.size();
            for (qsizetype i = pos + 8; i + 1 < end; i += 2)
                pcm.samples.append(qFromLittleEndian<qint16>(all.constData() + i));
            break;
        }
        pos += 8 + size + (size & 1);
    }
    return pcm;
}

double rms(const QList<qint16>& s, qsizetype from, qsizetype to)
{
    double sum = 0;
    for (qsizetype i = from; i < to; ++i)
        sum += double(s.at(i)) * s.at(i);
    return to > from ? std::sqrt(sum / double(to - from)) : 0;
}

double pitch(const QList<qint16>& s, int rate, qsizetype from, qsizetype to)
{
    int crossings = 0;
    for (qsizetype i = from + 1; i < to; ++i)
        if (s.at(i - 1) < 0 && s.at(i) >= 0)
            ++crossings;
    return to > from ? crossings * double(rate) / double(to - from) : 0;
}

} // namespace MediaFixtures
