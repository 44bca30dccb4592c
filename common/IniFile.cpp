#include "common/IniFile.h"

#include "common/AppError.h"
#include "common/SafeFile.h"

#include <QFile>
#include <QFileInfo>

#include <cctype>

// Header-only: the implementation is compiled here, 8-bit text passed through unconverted.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

namespace {

enum class Load
{
    Missing,
    Loaded,
    Unusable
};

// Loads the file into `ini`. Unusable: there, but unreadable, too big or not text.
Load loadIni(const QString& path, CSimpleIniA& ini)
{
    // Not a plain file: a pipe would keep the program waiting at start.
    const QFileInfo info(path);
    if (!info.exists())
        return Load::Missing;
    if (!info.isFile())
        return Load::Unusable;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QFileInfo::exists(path) ? Load::Unusable : Load::Missing;
    if (f.size() > IniFile::MaxSize)
        return Load::Unusable;
    const QByteArray data = f.read(IniFile::MaxSize + 1);
    if (f.error() != QFileDevice::NoError || data.size() > IniFile::MaxSize || data.contains('\0'))
        return Load::Unusable;
    return ini.LoadData(data.constData(), size_t(data.size())) >= 0 ? Load::Loaded : Load::Unusable;
}

} // namespace

bool IniFile::exists() const
{
    return QFileInfo::exists(m_path);
}

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const
{
    CSimpleIniA ini;
    if (loadIni(m_path, ini) != Load::Loaded)
        return def;
    const char* v = ini.GetValue(section.toLocal8Bit().constData(), key.toLocal8Bit().constData(), nullptr);
    return v ? QString::fromLocal8Bit(v) : def;
}

bool IniFile::readBool(const QString& section, const QString& key, bool def) const
{
    return parseBool(readString(section, key), def);
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    CSimpleIniA ini;
    ini.SetSpaces(false);
    // A file that is there but cannot be read whole is not replaced by one holding only our
    // keys: the rest of it would be lost. Nor is one the user may not write.
    const Load loaded = loadIni(m_path, ini);
    if (loaded == Load::Unusable || (loaded == Load::Loaded && !QFileInfo(m_path).isWritable()))
        throw AppError(QStringLiteral("Unable to write to %1").arg(m_path));
    ini.SetValue(section.toLocal8Bit().constData(), key.toLocal8Bit().constData(),
                 value.toLocal8Bit().constData());
    std::string text;
    if (ini.Save(text) < 0)
        throw AppError(QStringLiteral("Unable to write to %1").arg(m_path));
    QByteArray out;
    out.reserve(qsizetype(text.size() + text.size() / 16));
    for (char c : text) {
        if (c == '\n')
            out.append('\r');
        if (c != '\r')
            out.append(c);
    }
    if (!SafeFile::replace(m_path, out).ok())
        throw AppError(QStringLiteral("Unable to write to %1").arg(m_path));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool IniFile::parseBool(const QString& text, bool def)
{
    int i = 0;
    const int n = int(text.size());
    while (i < n && text.at(i) == u' ')
        ++i;
    if (i < n && (text.at(i) == u'+' || text.at(i) == u'-'))
        ++i;
    int base = 10;
    if (i < n && text.at(i) == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < n && text.at(i) == u'0' && (text.at(i + 1) == u'x' || text.at(i + 1) == u'X')) {
        base = 16;
        i += 2;
    }
    if (i >= n)
        return def;
    bool nonZero = false;
    for (; i < n; ++i) {
        const QChar c = text.at(i);
        const bool digit = c.unicode() < 128 && (base == 10 ? isdigit(c.unicode()) : isxdigit(c.unicode()));
        if (!digit)
            return def;
        if (c != u'0')
            nonZero = true;
    }
    return nonZero;
}
