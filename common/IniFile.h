#pragma once

#include <QString>

// A private-profile settings file: each write goes straight to the file, and reads never fail.
// A write changes only its key's value, or adds the key to its section (and the section to the
// file); every other byte stays as it was. Lines we add end as the file's first line does (CR LF
// in a new file). The file is replaced atomically, so a failed write leaves the old file whole.
class IniFile
{
public:
    explicit IniFile(const QString& path) : m_path(path) {}

    const QString& path() const { return m_path; }
    bool exists() const;

    // The value of the key, or `def` when the file, the section or the key is missing or the file
    // cannot be read. A ";" or "#" after a blank starts a comment, which is not part of the value
    // and which a write of the key keeps.
    QString readString(const QString& section, const QString& key, const QString& def = {}) const;
    bool readBool(const QString& section, const QString& key, bool def) const;

    // Throws AppError "Unable to write to <path>" when the file cannot be written, and when it is
    // there but cannot be read whole (it would lose the rest of its text); the old file is then
    // left as it was.
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeBool(const QString& section, const QString& key, bool value);

    // An integer as the private-profile reader takes it: optional leading blanks, an optional
    // sign, decimal digits or hexadecimal ones after "$", "0x" or "0X"; anything else gives `def`.
    static bool parseBool(const QString& text, bool def);

    // Files larger than this are not settings files of ours; they read as missing.
    static constexpr qint64 MaxSize = 1 << 20;

private:
    QString m_path;
};
