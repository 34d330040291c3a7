#pragma once

#include "fileerror.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

#include <utility>

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
// it by hand while the program runs). A write keeps the file's encoding
// (UTF-8, UTF-16 with its byte order mark, or Windows-1252) and replaces the
// file in one step; it returns the error when the file cannot be written.
class IniFile {
public:
    explicit IniFile(QString path);

    const QString& Path() const { return m_Path; }

    QString ReadIniValue(const QString& section, const QString& key, const QString& defaultValue) const;
    std::optional<FileError> WriteIniValue(const QString& section, const QString& key, const QString& value);
    // Rewrites the file once with the change applied to its whole text;
    // a file that exists but cannot be read is left alone.
    std::optional<FileError> Change(const std::function<QString(const QString&)>& change);

    // Why the file cannot be kept (a folder of that name, a file that cannot
    // be read or written, a folder that takes no new file); nothing when it can.
    std::optional<FileError> Problem() const;
    // Several values in one replacement of the file: a program stopped
    // meanwhile leaves either all of them or none.
    std::optional<FileError> WriteValues(const QList<std::pair<IniKey, QString>>& values);

    QString Read(const IniKey& key) const;
    // The value's leading number ("3000ms" is 3000, "abc" is 0).
    qint64 ReadNumber(const IniKey& key) const;
    // A time the program waits by: the value's leading number, or the key's
    // default when the value does not start with a digit ("abc" must not
    // become a zero timeout, nor "-5" a wait of no time).
    qint64 ReadNumberOrDefault(const IniKey& key) const;
    std::optional<FileError> Write(const IniKey& key, const QString& value);

private:
    QString m_Path;
};
