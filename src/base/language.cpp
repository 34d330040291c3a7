#include "language.h"

#include "settings.h"
#include "textencoding.h"
#include "textfields.h"
#include "textnumber.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kFilePrefix = QStringLiteral("Ostrand_Language.");

QString ReadFileText(const QString& path, bool* ok = nullptr)
{
    QFile file(path);
    const bool opened = file.open(QIODevice::ReadOnly);
    if (ok)
        *ok = opened;
    return opened ? DecodeText(file.readAll()) : QString();
}

// Calls visit(line) for every line; CR LF and LF both end a line.
template <typename Visit>
void ForEachLine(const QString& text, Visit visit)
{
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0)
            end = text.size();
        qsizetype stop = end;
        if (stop > start && text[stop - 1] == u'\r')
            --stop;
        if (!visit(QStringView(text).mid(start, stop - start)))
            return;
        start = end + 1;
    }
}

bool IsLanguageNumber(const QString& extension)
{
    if (extension.isEmpty() || extension.size() > 3)
        return false;
    for (const QChar c : extension) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

// Where the language files are: the program folder when it holds any, else
// the shared data folder of an installed package.
QString LanguageFolder(const QString& appPath)
{
    const QStringList pattern{kFilePrefix + QStringLiteral("*")};
    if (!QDir(appPath).entryList(pattern, QDir::Files).isEmpty())
        return appPath;
    // Installed as a package: the programs in .../bin, their files in .../share/ostrand.
    const QString shared = QDir::cleanPath(appPath + QStringLiteral("../share/ostrand")) + u'/';
    if (!QDir(shared).entryList(pattern, QDir::Files).isEmpty())
        return shared;
    return appPath;
}

} // namespace

bool ParseLanguageLine(const QString& line, LanguageEntry& entry)
{
    if (!line.contains(u'='))
        return false;
    const std::optional<qint32> id = LeadingRoundedInt32(GetField(line, 0, QStringLiteral("=")));
    if (!id)
        return false;
    entry.id = *id;
    entry.text = GetField(line, 1, QStringLiteral("=")).replace(u'\\', QLatin1String("\r\n"));
    return true;
}

int Language::AppendEntries(const QString& fileText)
{
    int texts = 0;
    LanguageEntry entry;
    ForEachLine(fileText, [&](QStringView line) {
        if (ParseLanguageLine(line.toString(), entry)) {
            if (!m_FirstEntry.contains(entry.id)) // the first entry of an id wins
                m_FirstEntry.insert(entry.id, static_cast<qsizetype>(m_LanguageIndex.size()));
            m_LanguageIndex.push_back({entry.id, m_LanguageText.size(), entry.text.size()});
            m_LanguageText += entry.text;
            if (entry.id != 0)
                ++texts;
        }
        return true;
    });
    return texts;
}

QString Language::GetLanguageText(qint32 id) const
{
    const auto found = m_FirstEntry.constFind(id);
    if (found == m_FirstEntry.constEnd())
        return QStringLiteral("Invalid Text (") + QString::number(id) + u')';
    const Entry& entry = m_LanguageIndex[static_cast<size_t>(*found)];
    return m_LanguageText.mid(entry.start, entry.length);
}

bool Language::LoadLanguage(const Settings& settings, const QString& appPath)
{
    const QString setting = settings.Read(keys::Language);
    if (setting.isEmpty())
        return false;
    const QString path = LanguageFilePath(appPath, setting);
    if (path.isEmpty())
        return false;
    bool ok = false;
    const QString text = ReadFileText(path, &ok);
    if (!ok)
        return false;
    return AppendEntries(text) > 0;
}

QString LanguageProblem(const Settings& settings, const QString& appPath)
{
    const QString folder = QDir::toNativeSeparators(LanguageFolder(appPath));
    if (ListLanguageFiles(appPath).isEmpty())
        return QStringLiteral("No language file (%1NNN) was found in %2.").arg(kFilePrefix, folder);
    const QString chosen = LanguageFilePath(appPath, settings.Read(keys::Language));
    if (!chosen.isEmpty())
        return QStringLiteral("The language file %1 holds no texts; it may be damaged.").arg(QDir::toNativeSeparators(chosen));
    return QStringLiteral("No language was chosen.");
}

QString LanguageNameOf(const QString& fileText)
{
    QString name;
    ForEachLine(fileText, [&](QStringView line) {
        if (line.startsWith(QLatin1String("0=")) && line.size() > 2) {
            name = line.mid(2).toString();
            return false;
        }
        return true;
    });
    return name;
}

QString LanguageFileText(const QString& filePath, qint32 id)
{
    QString found;
    LanguageEntry entry;
    ForEachLine(ReadFileText(filePath), [&](QStringView line) {
        if (!ParseLanguageLine(line.toString(), entry) || entry.id != id)
            return true;
        found = entry.text;
        return false;
    });
    return found;
}

QList<LanguageChoice> ListLanguageFiles(const QString& appPath)
{
    QList<LanguageChoice> choices;
    const QDir folder(LanguageFolder(appPath));
    const QStringList names = folder.entryList({kFilePrefix + QStringLiteral("*")}, QDir::Files | QDir::Readable,
                                               QDir::Name | QDir::IgnoreCase);
    for (const QString& fileName : names) {
        const QString extension = fileName.mid(kFilePrefix.size());
        if (!IsLanguageNumber(extension))
            continue;
        bool ok = false;
        const QString path = folder.filePath(fileName);
        const QString name = LanguageNameOf(ReadFileText(path, &ok));
        if (ok && !name.isEmpty())
            choices.append({extension.toInt(), name, path});
    }
    return choices;
}

QString LanguageSettingValue(int number)
{
    return QStringLiteral("%1").arg(number, 3, 10, QLatin1Char('0'));
}

QString LanguageFilePath(const QString& appPath, const QString& settingValue)
{
    if (settingValue.contains(u'/') || settingValue.contains(u'\\'))
        return QString();
    const QString exact = LanguageFolder(appPath) + kFilePrefix + settingValue;
    if (QFileInfo(exact).isFile())
        return exact;
    // A file named with fewer digits ("Ostrand_Language.7") is stored as
    // "007"; find it by its number so that a listed language always loads.
    if (!IsLanguageNumber(settingValue))
        return QString();
    const int number = settingValue.toInt();
    for (const LanguageChoice& choice : ListLanguageFiles(appPath)) {
        if (choice.number == number)
            return choice.filePath;
    }
    return QString();
}
