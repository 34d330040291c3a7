// Language numbers and locales: which language the first-start dialog
// offers first, and Qt's own dialogs in the program's language.
#include "base/languagelocale.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <gtest/gtest.h>

namespace {

TEST(LanguageLocale, TheDialogOffersTheStoredLanguageElseTheSystemsElseEnglish)
{
    const QLocale german(QLocale::German, QLocale::Germany);
    const QLocale french(QLocale::French, QLocale::France);
    struct Case {
        const char* what;
        QList<int> offered;
        int stored; // 0: none
        QLocale locale;
        int preselected; // 0: none
    };
    const Case cases[] = {
        {"first start on a German system", {1, 49}, 0, german, 49},
        {"first start on an Austrian system", {1, 49}, 0, QLocale(QLocale::German, QLocale::Austria), 49},
        {"first start on a French system without French", {1, 49}, 0, french, 1},
        {"first start on a system without a language", {1, 49}, 0, QLocale::c(), 1},
        {"the stored language wins", {1, 49}, 1, german, 1},
        {"stored language whose file is gone", {1, 49}, 7, german, 49},
        {"neither the system's nor English offered", {49, 33}, 0, QLocale(QLocale::Dutch), 0},
        {"nothing offered", {}, 1, german, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PreferredLanguageNumber(c.offered, c.stored, c.locale), c.preselected) << c.what;
}

// What the message box and the file dialog show; both are Qt's own.
struct QtCaptions {
    QString yes;
    QString fileNameLabel;
};
QtCaptions ShownQtCaptions()
{
    QMessageBox box(QMessageBox::Question, QString(), QString(), QMessageBox::Yes | QMessageBox::No);
    QFileDialog files;
    files.setOption(QFileDialog::DontUseNativeDialog);
    files.setAcceptMode(QFileDialog::AcceptSave);
    auto* label = files.findChild<QLabel*>(QStringLiteral("fileNameLabel"));
    return {box.button(QMessageBox::Yes)->text(), label ? label->text() : QString()};
}

TEST(LanguageLocale, QtsOwnDialogsSpeakTheProgramsLanguage)
{
    EXPECT_FALSE(InstallQtTranslations(*qApp, 1)) << "English needs none";
    EXPECT_FALSE(InstallQtTranslations(*qApp, 7)) << "no locale for that number";
    const QtCaptions english = ShownQtCaptions();
    EXPECT_EQ(english.yes, QStringLiteral("&Yes"));

    ASSERT_TRUE(InstallQtTranslations(*qApp, 49)) << "Qt's German texts are installed by the set-up script";
    const QtCaptions german = ShownQtCaptions();
    EXPECT_EQ(german.yes, QStringLiteral("&Ja"));
    EXPECT_FALSE(german.fileNameLabel.isEmpty());
    EXPECT_NE(german.fileNameLabel, english.fileNameLabel);
}

} // namespace
