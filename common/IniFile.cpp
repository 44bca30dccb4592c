#include "common/IniFile.h"

#include "common/AppError.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cctype>

// Header-only: the implementation is compiled here, 8-bit text passed through unconverted.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

namespace {

// Loads the file into `ini`; false when it is missing, unreadable, too big or not text.
bool loadIni(const QString& path, CSimpleIniA& ini)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    if (f.size() > IniFile::MaxSize)
        return false;
    const QByteArray data = f.read(IniFile::MaxSize + 1);
    if (data.size() > IniFile::MaxSize || data.contains('\0'))
        return false;
    return ini.LoadData(data.constData(), size_t(data.size())) >= 0;
}

} // namespace

bool IniFile::exists() const
{
    return QFileInfo::exists(m_path);
}

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const
{
    CSimpleIniA ini;
    if (!loadIni(m_path, ini))
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
    loadIni(m_path, ini); // an unreadable file is replaced by one that holds our keys
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
    QSaveFile f(m_path);
    // Unbuffered, so that a full disk shows up in write() rather than being lost in a flush.
    const bool ok = f.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && f.write(out) == out.size() &&
                    f.commit();
    if (!ok)
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
