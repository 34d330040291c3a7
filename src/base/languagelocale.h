#pragma once

#include <QLocale>

class QCoreApplication;

// Language files are numbered after the telephone code of the country whose
// language they hold (001 English, 049 German). These tie the numbers to
// locales: to offer the technician's own language first, and to give Qt's
// own dialogs the language of the program.

// The language a file number holds; QLocale::AnyLanguage when unknown.
QLocale::Language LocaleLanguageOfNumber(int number);

// The file number of a locale's language; 0 when unknown.
int LanguageNumberOfLocale(const QLocale& locale);

// The number to preselect in the language dialog among those offered: the
// stored one, else the locale's language, else English; 0 when none of
// them is offered.
int PreferredLanguageNumber(const QList<int>& offered, int stored, const QLocale& locale);

// Loads Qt's own translations (button texts of message boxes, file dialogs)
// for the language of that file number and installs them in the
// application. False when there are none for it; English needs none.
bool InstallQtTranslations(QCoreApplication& application, int number);
