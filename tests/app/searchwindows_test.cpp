// The search window and the search timeouts dialog as the wizard has them:
// opened from the feature page and the log window, a meter handed back to
// the feature page, the active timeout set shared between them; on a screen
// of 1366 by 768 pixels (tests/app/CMakeLists.txt gives it the screen).
#include "app/searchwindows.h"
#include "app/wizardwindow.h"
#include "comm/deviceoperations.h"
#include "features/featurepage.h"
#include "search/searchtimeoutsdialog.h"
#include "search/searchwindow.h"
#include "shell/debugwindow.h"

#include "base/settingkeys.h"

#include "testenvironment.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <memory>

namespace {

class SearchWindowsTest : public ::testing::Test {
protected:
    SearchWindowsTest()
    {
        env.UseLanguage();
        wizard = std::make_unique<Ostrand_Wizard>(env.Context(), env.Network());
        wizard->show();
        feature = wizard->findChild<FeaturePage*>(QStringLiteral("Picture_Page(60)"));
        windows = wizard->findChild<SearchWindows*>();
    }

    TestEnvironment env;
    std::unique_ptr<Ostrand_Wizard> wizard;
    FeaturePage* feature = nullptr;
    SearchWindows* windows = nullptr;
};

TEST_F(SearchWindowsTest, FeaturePageOpensTheSearchWhichHandsAMeterBack)
{
    ASSERT_NE(feature, nullptr);
    ASSERT_NE(windows, nullptr);
    feature->Command_MeterFeature_Search->click();
    Ostrand_Search* search = windows->SearchWindow();
    ASSERT_NE(search, nullptr);
    EXPECT_TRUE(search->isVisible());
    EXPECT_GE(search->frameGeometry().top(), 0);
    {
        // The feature page's Apply runs: a search cannot start meanwhile, and its button does not pretend it could.
        ASSERT_TRUE(search->Command_Search->isEnabled());
        const DeviceOperationScope apply(env.Context().operations);
        EXPECT_FALSE(search->Command_Search->isEnabled());
    }
    EXPECT_TRUE(search->Command_Search->isEnabled());
    feature->Command_MeterFeature_Search->click(); // a second click shows the same window
    EXPECT_EQ(windows->SearchWindow(), search);

    auto* item = new QTreeWidgetItem(search->ListView_Search);
    const QStringList texts = {"", "1FFFFFFF", "7", "Ok", "Ok", "12345678", "ABB (0442h)", "2 (02h)", "Water (07h)", "Delta"};
    for (int column = 0; column < texts.size(); ++column)
        item->setText(column, texts[column]);
    search->ListView_Search->setCurrentItem(item);
    emit search->ListView_Search->itemActivated(item, 1);
    EXPECT_EQ(feature->Text_MeterFeature_Address[0]->text(), "7");
    feature->Check_MeterFeature_UseSecondaryAddress->setChecked(true);
    emit search->ListView_Search->itemActivated(item, 1);
    EXPECT_EQ(feature->Text_MeterFeature_Sec_Address[0]->text(), "12345678");
    EXPECT_EQ(feature->Text_MeterFeature_Sec_Address[1]->text(), "0442");
    EXPECT_EQ(feature->Text_MeterFeature_Sec_Address[2]->text(), "02");
    EXPECT_EQ(feature->Text_MeterFeature_Sec_Address[3]->text(), "07");
}

// Whole on the screen with its status bar, beside the wizard without covering
// its buttons, and where the user left it the next time, kept on the screen.
TEST_F(SearchWindowsTest, TheSearchOpensWholeBesideTheWizardAndWhereTheUserLeftIt)
{
    wizard->move(423, 150); // where the window system centres it
    feature->Command_MeterFeature_Search->click();
    QPointer<Ostrand_Search> search = windows->SearchWindow();
    ASSERT_NE(search, nullptr);
    const QRect screen = search->screen()->availableGeometry();
    ASSERT_EQ(screen.size(), QSize(1366, 768)) << "the test's own screen";
    EXPECT_TRUE(screen.contains(search->frameGeometry()));
    EXPECT_TRUE(screen.contains(wizard->frameGeometry()));
    const QRect status(search->StatusBar->mapToGlobal(QPoint(0, 0)), search->StatusBar->size());
    EXPECT_TRUE(search->StatusBar->isVisible() && screen.contains(status));
    EXPECT_GE(search->ListView_Search->height(), 8 * search->fontMetrics().lineSpacing());
    for (const QPushButton* button : wizard->findChildren<QPushButton*>()) {
        const QRect place(button->mapToGlobal(QPoint(0, 0)), button->size());
        if (button->isVisible()) {
            EXPECT_FALSE(search->frameGeometry().intersects(place)) << button->objectName().toStdString();
        }
    }

    search->move(30, 100);
    search->close();
    QApplication::processEvents();
    feature->Command_MeterFeature_Search->click();
    search = windows->SearchWindow();
    EXPECT_EQ(search->pos(), QPoint(30, 100));

    // left on a screen that is gone: back on this one, whole
    search->close();
    QApplication::processEvents();
    env.Context().settings.Save(keys::Ostrand_Search_Place, QStringLiteral("2000,700,900,500"));
    feature->Command_MeterFeature_Search->click();
    EXPECT_TRUE(screen.contains(windows->SearchWindow()->frameGeometry()));
}

TEST_F(SearchWindowsTest, LogWindowOpensTheTimeoutsWhoseApplyRetitlesTheSearchOptions)
{
    wizard->ToggleDebugWindow();
    ASSERT_NE(wizard->DebugWindow(), nullptr);
    wizard->DebugWindow()->Menu_Tools_SearchTimeouts->trigger();
    Ostrand_SearchTimeouts* dialog = windows->SearchTimeouts();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());

    windows->ShowSearchWindow();
    QPointer<Ostrand_Search> search = windows->SearchWindow();
    search->RefreshTimeoutCaptions();
    EXPECT_EQ(search->Option_Timeout[1]->text(), "1000 ms/10000 ms (2400 bps)");
    dialog->optActiveSetting[1]->click();
    EXPECT_EQ(windows->ActiveGatewayType(), ini::SearchGateway::Birch); // before it is stored
    dialog->Command_Apply->click();
    EXPECT_EQ(search->Option_Timeout[1]->text(), "4000 ms/5000 ms (2400 bps)");

    dialog->optActiveSetting[0]->click();
    dialog->Command_Cancel->click();
    QApplication::processEvents();
    EXPECT_EQ(windows->ActiveGatewayType(), ini::SearchGateway::Birch); // the stored choice again

    wizard->close();
    QApplication::processEvents();
    EXPECT_TRUE(!search || !search->isVisible());
}

} // namespace
