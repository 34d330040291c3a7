#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <vector>

class Settings;

// The texts of the chosen language, looked up by number. Filled once at
// start-up; a change of language takes effect at the next start.
class Language {
public:
    // Loads "Ostrand_Language." + the stored language number from the program
    // folder; false when no language is chosen, its file is missing, or the
    // file holds no texts (damaged: it would show "Invalid Text" everywhere).
    bool LoadLanguage(const Settings& settings, const QString& appPath);

    // Adds the entries of one language file's text, in file order; returns
    // how many texts it held (entries other than the language's name, 0).
    int AppendEntries(const QString& fileText);

    // The text of the first entry with that number, or "Invalid Text (id)".
    QString GetLanguageText(qint32 id) const;

    int LanguageCount() const { return static_cast<int>(m_LanguageIndex.size()); }

private:
    struct Entry {
        qint32 id;
        qsizetype start;
        qsizetype length;
    };
    QString m_LanguageText;           // all entry texts end to end
    std::vector<Entry> m_LanguageIndex; // in file order
    QHash<qint32, qsizetype> m_FirstEntry; // id -> its first entry, so look-ups stay fast on huge files
};

// One entry line: the number before the first "=" (rounded, 0 when not a
// number) and the text up to a second "=", with "\" as line break. Lines
// without "=" and numbers beyond 32 bits are not entries.
struct LanguageEntry {
    qint32 id = 0;
    QString text;
};
bool ParseLanguageLine(const QString& line, LanguageEntry& entry);

// The language's own name: the first line starting with "0=" that is longer
// than two characters, without the "0="; empty when there is none.
QString LanguageNameOf(const QString& fileText);

// A language file offered in the language dialog.
struct LanguageChoice {
    int number = 0;   // the file's numeric extension
    QString name;     // its "0=" name
    QString filePath;
};
QList<LanguageChoice> ListLanguageFiles(const QString& appPath);

// One text of a language file that is not loaded (the language dialog speaks
// the language chosen in its list); empty when the file has no such entry.
QString LanguageFileText(const QString& filePath, qint32 id);

// Why no language could be loaded at start-up, for the message that ends the
// program (no language texts exist then): no language file in the folder, the
// chosen file holds no texts, or none was chosen.
QString LanguageProblem(const Settings& settings, const QString& appPath);

// The stored form of a language number: three digits ("007").
QString LanguageSettingValue(int number);

// The language file for a stored language number; empty when there is none.
QString LanguageFilePath(const QString& appPath, const QString& settingValue);
