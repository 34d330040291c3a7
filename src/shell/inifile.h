#pragma once

#include <QString>

// One value of the INI file: its section, key and default, declared once.
struct IniKey {
    QString section;
    QString key;
    QString defaultValue;
};

// Classic profile-file semantics, as the timing values have always been read:
// section and key names match without regard to case, values are text with
// surrounding blanks (and one pair of quotes) removed, at most 2047
// characters are returned, and the first matching section and key win.
QString IniLookup(const QString& content, const QString& section, const QString& key,
                  const QString& defaultValue);

// The content with key=value set in the section: an existing key keeps its
// line and spelling, a new key goes after the section's last entry, a new
// section is appended at the end.
QString IniReplace(const QString& content, const QString& section, const QString& key,
                   const QString& value);

// The program folder's INI file. Reads go to the file every time (people edit
// it by hand while the program runs); writes never fail loudly.
class IniFile {
public:
    explicit IniFile(QString path);

    const QString& Path() const { return m_Path; }

    QString ReadIniValue(const QString& section, const QString& key, const QString& defaultValue) const;
    void WriteIniValue(const QString& section, const QString& key, const QString& value);

    QString Read(const IniKey& key) const;
    // The value's leading number ("3000ms" is 3000, "abc" is 0).
    qint64 ReadNumber(const IniKey& key) const;
    void Write(const IniKey& key, const QString& value);

private:
    QString m_Path;
};
