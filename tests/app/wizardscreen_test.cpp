// The wizard with its log window on a 1366x768 screen, in every shipped
// language: both windows whole on the screen side by side, one wizard size
// for every language, every page and every caption with room enough.
#include "app/buttonstyle.h"
#include "app/wizardwindow.h"
#include "shell/debugwindow.h"
#include "shell/wizardpage.h"

#include "testenvironment.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTest>
#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace {

struct Opened {
    std::unique_ptr<TestEnvironment> environment;
    std::unique_ptr<Ostrand_Wizard> wizard;
};

// The wizard as "/DEBUG" starts it, in the language of that number.
Opened OpenWithLog(const char* language)
{
    Opened opened;
    opened.environment = std::make_unique<TestEnvironment>();
    opened.environment->UseLanguage(QLatin1String(language));
    opened.wizard = std::make_unique<Ostrand_Wizard>(opened.environment->Context(), opened.environment->Network(), true);
    opened.wizard->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(opened.wizard.get()));
    return opened;
}

// Whether the field shows the whole text without scrolling it.
bool ShowsWhole(QLineEdit* field, const QString& text)
{
    field->setText(text);
    field->setCursorPosition(0);
    const int start = field->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
    field->setCursorPosition(static_cast<int>(text.size()));
    const int end = field->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
    return end - start >= field->fontMetrics().horizontalAdvance(text);
}

class WizardScreenTest : public ::testing::TestWithParam<const char*> {};

TEST_P(WizardScreenTest, WizardAndLogWindowAreWholeOnTheScreenSideBySide)
{
    Opened opened = OpenWithLog(GetParam());
    Ostrand_Wizard& wizard = *opened.wizard;
    Ostrand_Debug* log = wizard.DebugWindow();
    ASSERT_NE(log, nullptr);
    const QRect screen = wizard.screen()->availableGeometry();
    ASSERT_EQ(screen.size(), QSize(1366, 768)) << "the test's own screen";
    EXPECT_TRUE(screen.contains(wizard.frameGeometry()));
    EXPECT_TRUE(screen.contains(log->frameGeometry()));
    EXPECT_FALSE(wizard.frameGeometry().intersects(log->frameGeometry())) << "room for both side by side";
    EXPECT_EQ(log->frameGeometry().left(), wizard.frameGeometry().right() + 1);
    EXPECT_EQ(log->height(), wizard.height());
}

TEST_P(WizardScreenTest, EveryPageAndCaptionHasRoomInTheWindow)
{
    Opened opened = OpenWithLog(GetParam());
    Ostrand_Wizard& wizard = *opened.wizard;
    const int dpi = wizard.logicalDpiX();
    EXPECT_GE(wizard.width(), 7530 * dpi / 1440);
    EXPECT_GE(wizard.height(), 6500 * dpi / 1440);
    for (const WizardPage* page : wizard.findChildren<WizardPage*>()) {
        const QSize area = page->parentWidget()->size();
        const QSize needed = page->minimumSizeHint();
        EXPECT_TRUE(needed.width() <= area.width() && needed.height() <= area.height())
            << page->objectName().toStdString() << " needs " << needed.width() << "x" << needed.height();
    }

    // A button keeps an average character's room on either side of its caption.
    QList<QPushButton*> buttons = wizard.findChildren<QPushButton*>();
    buttons += wizard.DebugWindow()->findChildren<QPushButton*>();
    for (const QPushButton* button : buttons) {
        QString caption = button->text();
        caption.remove(u'&');
        const QFontMetrics metrics = button->fontMetrics();
        const int frame = button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
        EXPECT_GE(button->sizeHint().width(),
                  metrics.horizontalAdvance(caption) + 2 * metrics.averageCharWidth() + 2 * frame)
            << button->objectName().toStdString();
        if (button->isVisible()) {
            EXPECT_GE(button->width(), button->sizeHint().width()) << button->objectName().toStdString() << " squeezed";
        }
    }

    Ostrand_Debug& log = *wizard.DebugWindow();
    EXPECT_TRUE(ShowsWhole(log.Text_Interval, QStringLiteral("65535")));
    EXPECT_TRUE(ShowsWhole(log.txtResponseTot, QStringLiteral("1234567")));
    EXPECT_TRUE(ShowsWhole(log.txtErrorTot, QStringLiteral("1234567")));
}

TEST_P(WizardScreenTest, TimeoutsDialogsOpenBesideTheLogWindowWithTheirWholeTitle)
{
    Opened opened = OpenWithLog(GetParam());
    Ostrand_Debug& log = *opened.wizard->DebugWindow();
    const QRect screen = log.screen()->availableGeometry();
    log.Menu_Tools_Timeouts->trigger();
    log.Menu_Tools_SearchTimeouts->trigger();
    for (const char* name : {"Ostrand_Timeouts", "Ostrand_SearchTimeouts"}) {
        QWidget* dialog = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == QLatin1String(name) && window->isVisible())
                dialog = window;
        }
        ASSERT_NE(dialog, nullptr) << name;
        const QRect frame = dialog->frameGeometry();
        EXPECT_TRUE(screen.contains(frame)) << name;
        EXPECT_EQ(frame.top(), log.frameGeometry().top()) << name;
        EXPECT_TRUE(frame.left() == log.frameGeometry().right() + 1 || frame.right() == screen.right())
            << name << ": beside the log window, or as near as the screen allows";
        QFont bold = QApplication::font();
        bold.setBold(true);
        EXPECT_GE(dialog->width(), QFontMetrics(bold).horizontalAdvance(dialog->windowTitle())) << name;
        dialog->close();
    }
}

TEST(WizardScreen, TheWizardHasOneSizeInEveryLanguage)
{
    std::map<QString, QSize> sizes;
    for (const char* language : {"001", "049"})
        sizes[QLatin1String(language)] = OpenWithLog(language).wizard->size();
    EXPECT_EQ(sizes[QStringLiteral("001")], sizes[QStringLiteral("049")]);
}

INSTANTIATE_TEST_SUITE_P(ShippedLanguages, WizardScreenTest, ::testing::Values("001", "049"));

} // namespace

// This program draws on a screen of its own, 1366 by 768 pixels, whatever
// platform the caller chose.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" OSTRAND_SOURCE_DIR "/tests/app/screen-1366x768.json");
    QApplication app(argc, argv);
    UseRoomyButtons(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
