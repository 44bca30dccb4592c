#include "platform/media/MidiRender.h"

#include "platform/module/ModuleLoader.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

namespace MidiRender {

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
        *error = QCoreApplication::translate("MidiRender", "File not found");
        return {};
    }
    {
        QFile probe(path);
        const QByteArray magic = probe.open(QIODevice::ReadOnly) ? probe.read(4) : QByteArray();
        if (magic != "MThd" && magic != "RIFF") {
            *error = QCoreApplication::translate("MidiRender", "Not a MIDI file");
            return {};
        }
    }
    const QString font = soundFont();
    if (font.isEmpty()) {
        *error = QCoreApplication::translate("MidiRender", "No General MIDI soundfont is installed");
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
            *error = QCoreApplication::translate("MidiRender", "The WAV file could not be written");
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

    EngineModule* module = engineModule();
    if (!module) {
        *error = QCoreApplication::translate("MidiRender", "The MIDI synthesiser could not be loaded");
        return {};
    }
    if (!module->renderMidi(path, font, partial, cancel, error))
        return {};
    // rename() replaces a rendering finished meanwhile by another player: the same sound, and a
    // reader of the old file keeps it until done.
    if (QFileInfo(partial).size() <= 44 ||
        ::rename(QFile::encodeName(partial).constData(), QFile::encodeName(target).constData()) != 0) {
        if (error->isEmpty())
            *error = QCoreApplication::translate("MidiRender", "The WAV file could not be written");
        return {};
    }
    cleanup.path.clear();
    return target;
}

} // namespace MidiRender
