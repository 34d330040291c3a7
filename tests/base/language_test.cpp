#include "base/language.h"
#include "base/settings.h"
#include "base/textencoding.h"
#include "base/textfields.h"

#include "testenvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

Language LanguageOf(const QString& fileText)
{
    Language language;
    language.AppendEntries(fileText);
    return language;
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

TEST(LanguageTable, EntryRules)
{
    const Language language = LanguageOf(QStringLiteral(
        "0=Test\n"
        "12=Line one\\Line two\n"
        "13=a=b\n"
        "20=first\n"
        "20=second\n"
        "  21=leading blanks\r\n"
        "7.5=rounded to even\n"
        "8.5=rounded to even too\n"
        "abc=not a number counts as 0\n"
        "no equals sign here\n"
        "99999999999=too big for 32 bits\n"
        "30=\n"));
    EXPECT_EQ(language.GetLanguageText(12), QStringLiteral("Line one\r\nLine two"));
    EXPECT_EQ(language.GetLanguageText(13), QStringLiteral("a"));
    EXPECT_EQ(language.GetLanguageText(20), QStringLiteral("first"));
    EXPECT_EQ(language.GetLanguageText(21), QStringLiteral("leading blanks"));
    EXPECT_EQ(language.GetLanguageText(8), QStringLiteral("rounded to even"));
    EXPECT_EQ(language.GetLanguageText(0), QStringLiteral("Test")); // the name line comes first
    EXPECT_EQ(language.GetLanguageText(30), QString());
    EXPECT_EQ(language.GetLanguageText(999), QStringLiteral("Invalid Text (999)"));
    EXPECT_EQ(language.GetLanguageText(-4), QStringLiteral("Invalid Text (-4)"));
    EXPECT_EQ(language.LanguageCount(), 10);
}

TEST(LanguageTable, HostileFilesLoadWithoutHarm)
{
    QString junk;
    junk += QStringLiteral("1=before\n");
    junk += QString(3, QChar(0)) + QStringLiteral("=nul id\n");
    junk += QStringLiteral("2=text with ") + QChar(0) + QStringLiteral(" inside\n");
    junk += QStringLiteral("3=") + QString(100 * 1024, u'x') + u'\n';
    junk += QString(100 * 1024, u'=') + u'\n';
    junk += QStringLiteral("\\\\\\=\n\n\n====\n4=after");
    const Language language = LanguageOf(junk);
    EXPECT_EQ(language.GetLanguageText(1), QStringLiteral("before"));
    EXPECT_EQ(language.GetLanguageText(3).size(), 100 * 1024);
    EXPECT_EQ(language.GetLanguageText(4), QStringLiteral("after"));
    EXPECT_TRUE(language.GetLanguageText(2).contains(QChar(0)));
}

TEST(LanguageTable, HundredThousandEntriesStayQuick)
{
    QString text;
    for (int id = 0; id < 100000; ++id)
        text += QString::number(id % 50000) + QStringLiteral("=entry ") + QString::number(id) + u'\n';
    const Language language = LanguageOf(text);
    EXPECT_EQ(language.LanguageCount(), 100000);
    QElapsedTimer timer;
    timer.start();
    for (int id = 0; id < 50000; ++id)
        ASSERT_EQ(language.GetLanguageText(id), QStringLiteral("entry ") + QString::number(id)); // the first wins
    EXPECT_LT(timer.elapsed(), 20000); // catches a hang, not a speed
}

TEST(LanguageFileText, Utf8OrTheOldWesternCodePage)
{
    EXPECT_EQ(DecodeText(QByteArray("101=Gr\xC3\xBC\xC3\x9F" "e")), QStringLiteral("101=Grüße"));
    EXPECT_EQ(DecodeText(QByteArray("101=Gr\xFC\xDF" "e \x80 \x93x\x94")), QStringLiteral("101=Grüße € “x”"));
    // saved by a Windows editor: UTF-16 with its byte order mark, and UTF-8 with one
    EXPECT_EQ(DecodeText(QByteArray("\xFF\xFE" "1\0" "=\0G\0r\0\xFC\0", 12)), QStringLiteral("1=Grü"));
    EXPECT_EQ(DecodeText(QByteArray("\xFE\xFF" "\0" "1\0=\0G\0r\0\xFC", 12)), QStringLiteral("1=Grü"));
    EXPECT_EQ(DecodeText(QByteArray("\xEF\xBB\xBF" "1=Gr\xC3\xBC")), QStringLiteral("1=Grü"));
}

TEST(GetField, SplitsAtTheSeparator)
{
    EXPECT_EQ(GetField(QStringLiteral("300;600;1200"), 1, QStringLiteral(";")), QStringLiteral("600"));
    EXPECT_EQ(GetField(QStringLiteral("300;600;1200"), 2, QStringLiteral(";")), QStringLiteral("1200"));
    EXPECT_EQ(GetField(QStringLiteral("300;600;1200"), 3, QStringLiteral(";")), QString());
    EXPECT_EQ(GetField(QStringLiteral("00-20-4A-01/1"), 1, QStringLiteral("/")), QStringLiteral("1"));
    EXPECT_EQ(GetField(QString(), 0, QStringLiteral("=")), QString());
    EXPECT_EQ(GetField(QStringLiteral("a=b"), -1, QStringLiteral("=")), QString());
}

TEST(LanguageFiles, ListingFollowsTheNameAndNumberRules)
{
    QTemporaryDir dir;
    const QString app = dir.path() + u'/';
    WriteFile(app + QStringLiteral("Ostrand_Language.001"), "0=English\n10=x\n");
    WriteFile(app + QStringLiteral("Ostrand_Language.abc"), "0=Letters\n");
    WriteFile(app + QStringLiteral("Ostrand_Language.7"), "0=\n5=x\n0=Seven\n");
    WriteFile(app + QStringLiteral("Ostrand_Language.009"), "0=\n10=nameless\n");
    WriteFile(app + QStringLiteral("Ostrand_Language.0100"), "0=Too long an extension\n");
    const QList<LanguageChoice> choices = ListLanguageFiles(app);
    ASSERT_EQ(choices.size(), 2);
    EXPECT_EQ(choices[0].number, 1);
    EXPECT_EQ(choices[0].name, QStringLiteral("English"));
    EXPECT_EQ(choices[1].number, 7);
    EXPECT_EQ(choices[1].name, QStringLiteral("Seven"));
    EXPECT_EQ(LanguageSettingValue(7), QStringLiteral("007"));
}

TEST(LanguageFiles, LoadsTheStoredLanguage)
{
    QTemporaryDir dir;
    const QString app = dir.path() + u'/';
    WriteFile(app + QStringLiteral("Ostrand_Language.7"), "0=Seven\n10=Title seven\n");
    Settings settings = Settings::AtFile(dir.filePath(QStringLiteral("store.conf")));

    Language none;
    EXPECT_FALSE(none.LoadLanguage(settings, app)); // nothing chosen yet
    settings.Save(keys::Language, QStringLiteral("003"));
    EXPECT_FALSE(none.LoadLanguage(settings, app)); // chosen file is missing
    settings.Save(keys::Language, QStringLiteral("../Ostrand_Language.7"));
    EXPECT_FALSE(none.LoadLanguage(settings, app));

    // Stored as "007", the file named ".7" is still found by its number.
    settings.Save(keys::Language, QStringLiteral("007"));
    Language seven;
    ASSERT_TRUE(seven.LoadLanguage(settings, app));
    EXPECT_EQ(seven.GetLanguageText(10), QStringLiteral("Title seven"));
}

TEST(LanguageFiles, AFileWithoutTextsIsNotLoadedAndTheReasonNamesIt)
{
    QTemporaryDir dir;
    const QString app = dir.path() + u'/';
    Settings settings = Settings::AtFile(dir.filePath(QStringLiteral("store.conf")));
    EXPECT_TRUE(LanguageProblem(settings, app).contains(QDir::toNativeSeparators(app))) << "no file at all";

    // damaged: its name is still there, its texts are not, so every caption would be "Invalid Text (n)"
    WriteFile(app + QStringLiteral("Ostrand_Language.001"), QByteArray("0=English\n\x01\x02\x03\xFF\xFE garbage\n"));
    settings.Save(keys::Language, QStringLiteral("001"));
    Language damaged;
    EXPECT_FALSE(damaged.LoadLanguage(settings, app));
    EXPECT_TRUE(LanguageProblem(settings, app).contains(QStringLiteral("Ostrand_Language.001 holds no texts")))
        << LanguageProblem(settings, app).toStdString();
}

TEST(LanguageFiles, AnInstalledProgramFindsThemInItsSharedFolder)
{
    QTemporaryDir root;
    const QString bin = root.filePath(QStringLiteral("usr/bin/"));
    const QString share = root.filePath(QStringLiteral("usr/share/ostrand/"));
    ASSERT_TRUE(QDir().mkpath(bin) && QDir().mkpath(share));
    ASSERT_TRUE(QFile::copy(QStringLiteral(OSTRAND_LANGUAGE_DIR "/Ostrand_Language.049"),
                            share + QStringLiteral("Ostrand_Language.049")));
    ASSERT_EQ(ListLanguageFiles(bin).size(), 1);
    EXPECT_EQ(LanguageFilePath(bin, QStringLiteral("049")), share + QStringLiteral("Ostrand_Language.049"));
    // files beside the program win
    ASSERT_TRUE(QFile::copy(QStringLiteral(OSTRAND_LANGUAGE_DIR "/Ostrand_Language.001"),
                            bin + QStringLiteral("Ostrand_Language.001")));
    EXPECT_EQ(LanguageFilePath(bin, QStringLiteral("001")), bin + QStringLiteral("Ostrand_Language.001"));
    EXPECT_EQ(LanguageFilePath(bin, QStringLiteral("049")), QString());
}
