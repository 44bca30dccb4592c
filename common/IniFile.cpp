#include "common/IniFile.h"

#include "common/AppError.h"
#include "common/SafeFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cctype>
#include <cerrno>

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

// Reads the file's bytes. Unusable: there, but unreadable, too big or not text.
Load readRaw(const QString& path, QByteArray& data)
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
    data = f.read(IniFile::MaxSize + 1);
    if (f.error() != QFileDevice::NoError || data.size() > IniFile::MaxSize || data.contains('\0'))
        return Load::Unusable;
    return Load::Loaded;
}

Load loadIni(const QString& path, CSimpleIniA& ini)
{
    QByteArray data;
    const Load loaded = readRaw(path, data);
    if (loaded != Load::Loaded)
        return loaded;
    return ini.LoadData(data.constData(), size_t(data.size())) >= 0 ? Load::Loaded : Load::Unusable;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool sameName(QByteArrayView a, QByteArrayView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QByteArrayView trimmed(QByteArrayView s)
{
    while (!s.isEmpty() && isBlank(s.front()))
        s = s.sliced(1);
    while (!s.isEmpty() && isBlank(s.back()))
        s.chop(1);
    return s;
}

// A value ends where a comment starts: ";" or "#" after a blank ("Track=0 ; hidden"). The
// comment is the user's and stays when the value is written.
qsizetype valueLength(QByteArrayView value)
{
    qsizetype n = value.size();
    for (qsizetype i = 1; i < value.size(); ++i) {
        if ((value[i] == ';' || value[i] == '#') && isBlank(value[i - 1])) {
            n = i;
            break;
        }
    }
    while (n > 0 && isBlank(value[n - 1]))
        --n;
    return n;
}

// Where a write of one key goes in the file's text, found by the reader's rules (blanks around
// names, ";" and "#" comments, names in any letter case, the last of doubled keys and sections),
// so that what is written is what the next read gets.
struct Place
{
    qsizetype valueFrom = -1; // the key's value, when the key is there
    qsizetype valueTo = -1;
    qsizetype sectionEnd = -1;   // after the line end of the section's last key (or of its header)
    QByteArray lineEnd = "\r\n"; // the file's own, for lines we add
};

Place locate(const QByteArray& text, QByteArrayView section, QByteArrayView key)
{
    Place place;
    bool lineEndSeen = false;
    bool inSection = false;
    const qsizetype n = text.size();
    qsizetype i = text.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (i < n) {
        qsizetype end = i;
        while (end < n && text.at(end) != '\r' && text.at(end) != '\n')
            ++end;
        qsizetype next = end;
        if (next < n) {
            next += text.at(next) == '\r' && next + 1 < n && text.at(next + 1) == '\n' ? 2 : 1;
            if (!lineEndSeen) {
                place.lineEnd = text.mid(end, next - end);
                lineEndSeen = true;
            }
        }
        const QByteArrayView line = trimmed(QByteArrayView(text).sliced(i, end - i));
        const qsizetype at = line.isEmpty() ? end : line.data() - text.constData();
        if (line.startsWith('[')) {
            const qsizetype close = line.indexOf(']');
            if (close > 0) {
                inSection = sameName(trimmed(line.sliced(1, close - 1)), section);
                if (inSection)
                    place.sectionEnd = next;
            }
        } else if (!line.isEmpty() && line.front() != ';' && line.front() != '#') {
            const qsizetype eq = line.indexOf('=');
            const QByteArrayView name = eq > 0 ? trimmed(line.first(eq)) : QByteArrayView();
            if (inSection && !name.isEmpty()) {
                place.sectionEnd = next;
                if (sameName(name, key)) {
                    qsizetype from = at + eq + 1;
                    while (from < end && isBlank(text.at(from)))
                        ++from;
                    place.valueFrom = from;
                    const qsizetype to = std::max(from, at + line.size());
                    place.valueTo = from + valueLength(QByteArrayView(text).sliced(from, to - from));
                }
            }
        }
        i = next;
    }
    return place;
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
    if (!v)
        return def;
    const QByteArrayView value(v);
    return QString::fromLocal8Bit(value.first(valueLength(value)));
}

bool IniFile::readBool(const QString& section, const QString& key, bool def) const
{
    return parseBool(readString(section, key), def);
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    // A file that is there but cannot be read whole is not replaced by one holding only our
    // keys: the rest of it would be lost. Nor is one the user may not write.
    QByteArray text;
    const Load loaded = readRaw(m_path, text);
    if (loaded == Load::Unusable || (loaded == Load::Loaded && !QFileInfo(m_path).isWritable()))
        throw AppError(QCoreApplication::translate("IniFile", "Unable to write to %1").arg(m_path));
    // Only the key's value changes, or its line is added: a file edited by hand keeps its
    // comments, spacing, order and line ends.
    const QByteArray s = section.toLocal8Bit();
    const QByteArray k = key.toLocal8Bit();
    const QByteArray v = value.toLocal8Bit();
    const Place place = locate(text, s, k);
    const auto endsLine = [&](qsizetype at) {
        return at == 0 || text.at(at - 1) == '\n' || text.at(at - 1) == '\r';
    };
    if (place.valueFrom >= 0) {
        text.replace(place.valueFrom, place.valueTo - place.valueFrom, v);
    } else if (place.sectionEnd >= 0) {
        QByteArray line = k + '=' + v + place.lineEnd;
        if (!endsLine(place.sectionEnd))
            line.prepend(place.lineEnd);
        text.insert(place.sectionEnd, line);
    } else {
        if (!endsLine(text.size()))
            text += place.lineEnd;
        text += '[' + s + ']' + place.lineEnd + k + '=' + v + place.lineEnd;
    }
    const FileResult saved = SafeFile::replace(m_path, text);
    if (saved.error() == EPERM) // a link that is not the user's own: say so
        throw AppError(QCoreApplication::translate("IniFile", "Unable to write to %1").arg(m_path) + u'\n' +
                       saved.text());
    if (!saved.ok())
        throw AppError(QCoreApplication::translate("IniFile", "Unable to write to %1").arg(m_path));
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
