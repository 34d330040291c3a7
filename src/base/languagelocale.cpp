#include "languagelocale.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <array>
#include <utility>

namespace {

constexpr int kEnglish = 1;

constexpr std::array<std::pair<int, QLocale::Language>, 10> kLanguages{{
    {1, QLocale::English},
    {31, QLocale::Dutch},
    {33, QLocale::French},
    {34, QLocale::Spanish},
    {39, QLocale::Italian},
    {45, QLocale::Danish},
    {46, QLocale::Swedish},
    {47, QLocale::NorwegianBokmal},
    {48, QLocale::Polish},
    {49, QLocale::German},
}};

} // namespace

QLocale::Language LocaleLanguageOfNumber(int number)
{
    for (const auto& [known, language] : kLanguages) {
        if (known == number)
            return language;
    }
    return QLocale::AnyLanguage;
}

int LanguageNumberOfLocale(const QLocale& locale)
{
    for (const auto& [number, language] : kLanguages) {
        if (language == locale.language())
            return number;
    }
    return 0;
}

int PreferredLanguageNumber(const QList<int>& offered, int stored, const QLocale& locale)
{
    for (const int candidate : {stored, LanguageNumberOfLocale(locale), kEnglish}) {
        if (candidate != 0 && offered.contains(candidate))
            return candidate;
    }
    return 0;
}

bool InstallQtTranslations(QCoreApplication& application, int number)
{
    const QLocale::Language language = LocaleLanguageOfNumber(number);
    if (language == QLocale::AnyLanguage || language == QLocale::English)
        return false;
    // Owned by the application: it translates for the rest of the run.
    auto* translator = new QTranslator(&application);
    if (!translator->load(QLocale(language), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}
