// The search timeouts: what a search reads from the INI file, and the
// dialog that edits both sets.
#include "search/searchtimeouts.h"
#include "search/searchtimeoutsdialog.h"
#include "shell/pagecontrols.h"

#include "fakewizardhost.h"
#include "modalwatch.h"
#include "testenvironment.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using namespace std::chrono_literals;

namespace {

class SearchTimeoutsTest : public ::testing::Test {
protected:
    SearchTimeoutsTest() { env.UseLanguage(); }

    std::unique_ptr<Ostrand_SearchTimeouts> Open()
    {
        auto dialog = std::make_unique<Ostrand_SearchTimeouts>(Ini(), env.Context().settings, env.Context().language);
        dialog->setAttribute(Qt::WA_DeleteOnClose, false);
        dialog->show();
        return dialog;
    }

    IniFile& Ini() { return env.Context().ini; }

    static QStringList Boxes(const std::array<QLineEdit*, 6>& boxes)
    {
        QStringList texts;
        for (const QLineEdit* box : boxes)
            texts << box->text();
        return texts;
    }

    TestEnvironment env;
};

TEST_F(SearchTimeoutsTest, FreshInstallationShowsTheDialogDefaultsButSearchesWithItsOwn)
{
    auto dialog = Open();
    EXPECT_EQ(Boxes(dialog->txtAspen), QStringList({"3000", "10000", "1500", "3000", "700", "3000"}));
    EXPECT_EQ(Boxes(dialog->txtBirch), QStringList({"4000", "10000", "4000", "5000", "4000", "5000"}));
    EXPECT_TRUE(dialog->optActiveSetting[0]->isChecked());
    const SearchTimeoutPair pair = SearchTimeoutsAt(Ini(), QStringLiteral("2400"), ini::SearchGateway::Aspen);
    EXPECT_EQ(pair.sndNke, 1000ms);
    EXPECT_EQ(pair.rspUd2, 10000ms);
    EXPECT_EQ(TimeoutOptionCaption(Ini(), 1, ini::SearchGateway::Aspen), "1000 ms/10000 ms (2400 bps)");
    EXPECT_EQ(UnknownLanguageTexts(*dialog), QStringList());
    EXPECT_EQ(dialog->windowTitle(), "M-Bus Alder Family Setup Wizard - Search Timeouts");
    EXPECT_EQ(dialog->lblFunction[3]->text(), "RSP_UD2   2400");
}

TEST_F(SearchTimeoutsTest, ApplyStoresBothSetsAndTheActiveOneAndOkCloses)
{
    auto dialog = Open();
    dialog->txtAspen[2]->setText(QStringLiteral("1600"));
    dialog->optActiveSetting[1]->click();
    EXPECT_EQ(dialog->ActiveType(), ini::SearchGateway::Birch); // counts before it is stored
    dialog->Command_Apply->click();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(Ini().ReadIniValue(QStringLiteral("Search"), QStringLiteral("SND_NKE_Timeout_2400_Aspen"), QString()), "1600");
    EXPECT_EQ(Ini().ReadIniValue(QStringLiteral("Search"), QStringLiteral("RSP_UD2_Timeout_9600_Birch"), QString()), "5000");
    EXPECT_EQ(env.Context().settings.Read(keys::Option_SearchActiveSetting), "1");
    EXPECT_EQ(StoredActiveSetting(env.Context().settings), ini::SearchGateway::Birch);
    // now the search at 2400 bps uses what the dialog stored; 1200 bps has no keys
    EXPECT_EQ(SearchTimeoutsAt(Ini(), QStringLiteral("2400"), ini::SearchGateway::Birch).rspUd2, 5000ms);
    EXPECT_EQ(SearchTimeoutsAt(Ini(), QStringLiteral("1200"), ini::SearchGateway::Birch).sndNke, 1000ms);

    dialog->txtBirch[0]->setText(QStringLiteral("4500"));
    dialog->Command_OK->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(Ini().Read(ini::SearchSndNkeTimeout(QStringLiteral("300"), ini::SearchGateway::Birch)), "4500");
}

TEST_F(SearchTimeoutsTest, CancelAfterFactoryDefaultsLeavesTheFileAsItWas)
{
    Ini().Write(ini::SearchSndNkeTimeout(QStringLiteral("300"), ini::SearchGateway::Aspen), QStringLiteral("123"));
    QFile file(env.IniPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    auto dialog = Open();
    EXPECT_EQ(dialog->txtAspen[0]->text(), "123");
    dialog->Command_FactoryDefaults->click();
    EXPECT_EQ(dialog->txtAspen[0]->text(), "3000");
    dialog->Command_Cancel->click();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
}

TEST_F(SearchTimeoutsTest, EntriesThatAreNoWholeNumberAreRefused)
{
    auto dialog = Open();
    dialog->txtAspen[1]->clear();
    QTest::keyClicks(dialog->txtAspen[1], QStringLiteral("12a.5"));
    EXPECT_EQ(dialog->txtAspen[1]->text(), "125"); // only digits can be typed
    dialog->txtBirch[4]->clear();
    const auto watch = AnswerNextModal();
    dialog->Command_Apply->click();
    EXPECT_TRUE(watch->seen);
    EXPECT_EQ(watch->text, "Every timeout must be a whole number of milliseconds.\n"
                           "Not a whole number: SND_NKE/SND_UD 9600 (Kalvix Birch)");
    EXPECT_TRUE(IsMarkedRefused(dialog->txtBirch[4]));
    EXPECT_FALSE(IsMarkedRefused(dialog->txtAspen[4]));
    EXPECT_EQ(Ini().ReadIniValue(QStringLiteral("Search"), QStringLiteral("RSP_UD2_Timeout_300_Aspen"), QStringLiteral("none")),
              "none"); // nothing stored
}

TEST_F(SearchTimeoutsTest, ValuesEditedByHandAreReadByTheirLeadingNumberOrNotAtAll)
{
    const struct {
        const char* stored;
        std::chrono::milliseconds used;
    } rows[] = {{"3000ms", 3000ms}, {" 250 ", 250ms}, {"abc", 1000ms}, {"", 1000ms}, {"-5", 1000ms}};
    for (const auto& row : rows) {
        Ini().Write(ini::SearchSndNkeTimeout(QStringLiteral("9600"), ini::SearchGateway::Aspen), QString::fromLatin1(row.stored));
        EXPECT_EQ(SearchTimeoutsAt(Ini(), QStringLiteral("9600"), ini::SearchGateway::Aspen).sndNke, row.used) << row.stored;
        // the collision delays the same way, with their own default of 3000 ms
        Ini().Write(ini::Search_CollisionPrimDelay, QString::fromLatin1(row.stored));
        Ini().Write(ini::Search_CollisionSecDelay, QString::fromLatin1(row.stored));
        const auto delay = row.used == 1000ms ? 3000ms : row.used;
        EXPECT_EQ(ReadSearchDelay(Ini(), ini::Search_CollisionPrimDelay), delay) << row.stored;
        EXPECT_EQ(ReadSearchDelay(Ini(), ini::Search_CollisionSecDelay), delay) << row.stored;
    }
}

} // namespace
