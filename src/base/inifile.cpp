#include "inifile.h"

#include "textencoding.h"
#include "textnumber.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace {

constexpr qsizetype kMaxValueLength = 2047; // the classic 2048-character buffer less its NUL

struct IniLine {
    enum Kind { Other, Section, Entry } kind = Other;
    QString name;  // section or key name, trimmed
    QString value; // entry value, trimmed
};

IniLine ParseLine(const QString& raw)
{
    const QString line = raw.trimmed();
    if (line.startsWith(u'[')) {
        const qsizetype close = line.indexOf(u']');
        return {IniLine::Section, (close < 0 ? line.mid(1) : line.mid(1, close - 1)).trimmed(), {}};
    }
    if (line.isEmpty() || line.startsWith(u';'))
        return {};
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0)
        return {};
    return {IniLine::Entry, line.left(eq).trimmed(), line.mid(eq + 1).trimmed()};
}

QString Unquote(const QString& value)
{
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first)
            return value.mid(1, value.size() - 2);
    }
    return value;
}

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QStringList SplitLines(const QString& content)
{
    QStringList lines = content.split(u'\n');
    for (QString& line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast(); // the final line break ends the last line, it does not start a new one
    return lines;
}

} // namespace

QString IniLookup(const QString& content, const QString& section, const QString& key,
                  const QString& defaultValue)
{
    bool inSection = false;
    for (const QString& raw : SplitLines(content)) {
        const IniLine line = ParseLine(raw);
        if (line.kind == IniLine::Section) {
            if (inSection)
                break; // only the first section of that name counts
            inSection = SameName(line.name, section);
        } else if (inSection && line.kind == IniLine::Entry && SameName(line.name, key)) {
            return Unquote(line.value).left(kMaxValueLength);
        }
    }
    return defaultValue;
}

QString IniReplace(const QString& content, const QString& section, const QString& key,
                   const QString& value)
{
    const QString eol = content.contains(QLatin1String("\r\n")) ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QStringList lines = SplitLines(content);
    qsizetype sectionLine = -1;
    qsizetype lastEntry = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const IniLine line = ParseLine(lines[i]);
        if (line.kind == IniLine::Section) {
            if (sectionLine >= 0)
                break;
            if (SameName(line.name, section)) {
                sectionLine = i;
                lastEntry = i;
            }
        } else if (sectionLine >= 0 && line.kind == IniLine::Entry) {
            if (SameName(line.name, key)) {
                lines[i] = line.name + u'=' + value;
                return lines.join(eol) + eol;
            }
            lastEntry = i;
        }
    }
    if (sectionLine >= 0) {
        lines.insert(lastEntry + 1, key + u'=' + value);
    } else {
        if (!lines.isEmpty() && !lines.back().trimmed().isEmpty())
            lines.append(QString());
        lines.append(u'[' + section + u']');
        lines.append(key + u'=' + value);
    }
    return lines.join(eol) + eol;
}

IniFile::IniFile(QString path)
    : m_Path(std::move(path))
{
}

QString IniFile::ReadIniValue(const QString& section, const QString& key, const QString& defaultValue) const
{
    QFile file(m_Path);
    if (!file.open(QIODevice::ReadOnly))
        return defaultValue;
    return IniLookup(DecodeText(file.readAll()), section, key, defaultValue);
}

std::optional<FileError> IniFile::WriteIniValue(const QString& section, const QString& key, const QString& value)
{
    return Change([&](const QString& content) { return IniReplace(content, section, key, value); });
}

std::optional<FileError> IniFile::Change(const std::function<QString(const QString&)>& change)
{
    DecodedText old;
    if (QFileInfo::exists(m_Path)) {
        const std::variant<QByteArray, FileError> read = ReadWholeFile(m_Path);
        if (const FileError* error = std::get_if<FileError>(&read))
            return *error; // unreadable: rewriting it would lose what it holds
        old = DecodeTextKeepingEncoding(std::get<QByteArray>(read));
    }
    return WriteWholeFile(m_Path, EncodeText(change(old.text), old.encoding));
}

std::optional<FileError> IniFile::Problem() const
{
    constexpr int kPermissionDenied = 70;
    constexpr int kPathFileAccessError = 75;
    constexpr int kPathNotFound = 76;
    const QFileInfo file(m_Path);
    const QFileInfo folder(file.absolutePath());
    if (file.exists() && !file.isFile())
        return ClassicFileError(kPathFileAccessError);
    if (!folder.isDir())
        return ClassicFileError(kPathNotFound);
    // a change replaces the file by a new one beside it
    if ((file.exists() && (!file.isReadable() || !file.isWritable())) || !folder.isWritable())
        return ClassicFileError(kPermissionDenied);
    return std::nullopt;
}

std::optional<FileError> IniFile::WriteValues(const QList<std::pair<IniKey, QString>>& values)
{
    return Change([&](QString content) {
        for (const auto& [key, value] : values)
            content = IniReplace(content, key.section, key.key, value);
        return content;
    });
}

QString IniFile::Read(const IniKey& key) const
{
    return ReadIniValue(key.section, key.key, key.defaultValue);
}

qint64 IniFile::ReadNumber(const IniKey& key) const
{
    return LeadingNumber(Read(key));
}

qint64 IniFile::ReadNumberOrDefault(const IniKey& key) const
{
    const QString value = Read(key);
    return LeadingNumber(StartsWithDigit(value) ? value : key.defaultValue);
}

std::optional<FileError> IniFile::Write(const IniKey& key, const QString& value)
{
    return WriteIniValue(key.section, key.key, value);
}
