// The wizard and its log window by keyboard alone, in every shipped
// language: a mnemonic on every button, none twice where they are shown
// together, and Tab through the welcome page's links.
#include "app/wizardwindow.h"
#include "netsetup/adaptersdialog.h"
#include "shell/debugwindow.h"
#include "shell/wizardpage.h"

#include "modalwatch.h"
#include "testenvironment.h"

#include <QApplication>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace {

// Controls shown together: their captions and the Alt key each answers to.
class MnemonicGroup {
public:
    explicit MnemonicGroup(QString where)
        : m_Where(std::move(where))
    {
    }

    void Add(const QString& control, const QString& caption)
    {
        const QKeySequence key = QKeySequence::mnemonic(caption);
        if (key.isEmpty()) {
            ADD_FAILURE() << m_Where.toStdString() << ": " << control.toStdString() << " \"" << caption.toStdString()
                          << "\" has no mnemonic";
            return;
        }
        m_Captions.emplace(key.toString(), caption);
        const auto [taken, added] = m_Keys.emplace(key.toString(), control + QStringLiteral(" \"") + caption + u'"');
        if (!added) {
            ADD_FAILURE() << m_Where.toStdString() << ": " << control.toStdString() << " \"" << caption.toStdString()
                          << "\" and " << taken->second.toStdString() << " share " << key.toString().toStdString();
        }
    }

    // A control of the other window shown beside: a key it shares must be
    // its own caption's (each window's Exit).
    void AddBeside(const QString& control, const QString& caption)
    {
        const auto taken = m_Captions.find(QKeySequence::mnemonic(caption).toString());
        if (taken == m_Captions.end() || taken->second != caption)
            Add(control, caption);
    }

    void AddButtons(const QWidget& parent)
    {
        for (const QPushButton* button : parent.findChildren<QPushButton*>())
            Add(button->objectName(), button->text());
    }

private:
    QString m_Where;
    std::map<QString, QString> m_Keys;
    std::map<QString, QString> m_Captions;
};

class WizardKeyboardTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { environment.UseLanguage(QLatin1String(GetParam())); }

    Ostrand_Wizard& Open(bool debug = false)
    {
        wizard = std::make_unique<Ostrand_Wizard>(environment.Context(), environment.Network(), debug);
        wizard->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(wizard.get()));
        return *wizard;
    }

    QString Language() const { return QStringLiteral("language %1").arg(QLatin1String(GetParam())); }

    TestEnvironment environment;
    std::unique_ptr<Ostrand_Wizard> wizard;
};

TEST_P(WizardKeyboardTest, EveryButtonHasAMnemonicOfItsOwn)
{
    Open(true);
    Ostrand_Debug* log = wizard->DebugWindow();
    ASSERT_NE(log, nullptr);
    // Each page as every task prepares it (some name their buttons after
    // the task), with the wizard's own buttons below it, and the log
    // window's beside: a key pressed there must not do what another does
    // here (Alt+L reads on a page, and cleared the log).
    for (WizardPage* page : wizard->findChildren<WizardPage*>()) {
        for (qint16 task = 0; task <= 6; ++task) {
            environment.Context().state.WhatToDo = task;
            wizard->SetNextCaption(environment.Context().language.GetLanguageText(234));
            page->Prepare(false, true);
            MnemonicGroup group(Language() + u' ' + page->objectName() + QStringLiteral(" task %1").arg(task));
            group.AddButtons(*page);
            for (const QPushButton* button : {wizard->Command_Back, wizard->Command_Next, wizard->Command_Cancel})
                group.Add(button->objectName(), button->text());
            for (const QPushButton* button : log->findChildren<QPushButton*>())
                group.AddBeside(button->objectName(), button->text());
        }
    }

    MnemonicGroup logWindow(Language() + QStringLiteral(" log window"));
    logWindow.AddButtons(*log);
    logWindow.Add(log->Menu_File->objectName(), log->Menu_File->title());
    logWindow.Add(log->Menu_Tools->objectName(), log->Menu_Tools->title());
    for (const QMenu* menu : {log->Menu_File, log->Menu_Tools}) {
        MnemonicGroup items(Language() + u' ' + menu->objectName());
        for (const QAction* action : menu->actions()) {
            if (!action->isSeparator())
                items.Add(action->objectName(), action->text());
        }
    }

    Ostrand_Adapters adapters(environment.Context(), environment.Network().listAdapters, [] {});
    MnemonicGroup adapterChoice(Language() + QStringLiteral(" adapter choice"));
    adapterChoice.AddButtons(adapters);
}

TEST_P(WizardKeyboardTest, TabReachesEachWelcomeLinkOnceAndShowsItsFocus)
{
    Open();
    auto* language = wizard->findChild<QPushButton*>(QStringLiteral("Command_ChangeLanguage"));
    ASSERT_NE(language, nullptr);
    language->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([language] { return language->hasFocus(); }));

    // Once round the window: every stop of the Tab chain, in order.
    QStringList stops;
    for (int i = 0; i < 20; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCoreApplication::processEvents(); // what the Tab set going
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        if (focused == language)
            break;
        QString stop = focused->objectName();
        if (const auto* link = qobject_cast<const QLabel*>(focused)) {
            EXPECT_TRUE(link->hasSelectedText()) << stop.toStdString() << ": the focused link is not shown";
            stop += u':' + link->selectedText();
        }
        stops << stop;
    }
    for (const char* name : {"Label_Link(0)", "Label_Link(1)"}) {
        const QStringList reached = stops.filter(QLatin1String(name));
        EXPECT_EQ(reached.size(), 1) << name << " in " << stops.join(QStringLiteral(", ")).toStdString();
    }
    EXPECT_TRUE(stops.contains(QStringLiteral("Command_Next")));
}

TEST_P(WizardKeyboardTest, EscapeAsksBeforeClosingAndEnterStays)
{
    Open();
    bool asked = false;
    bool stayOffered = false;
    QTimer answer;
    answer.setInterval(10);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || asked)
            return;
        asked = true;
        stayOffered = box->defaultButton() == box->button(QMessageBox::No);
        QTest::keyClick(box, Qt::Key_Return);
    });
    answer.start();
    QTest::keyClick(wizard.get(), Qt::Key_Escape);
    EXPECT_TRUE(asked);
    EXPECT_TRUE(stayOffered);
    EXPECT_TRUE(wizard->isVisible()) << "Enter stays";
    answer.stop();

    auto watch = AnswerNextModal(QMessageBox::Yes);
    QTest::keyClick(wizard.get(), Qt::Key_Escape);
    EXPECT_TRUE(watch->seen);
    EXPECT_FALSE(wizard->isVisible());
}

INSTANTIATE_TEST_SUITE_P(ShippedLanguages, WizardKeyboardTest, ::testing::Values("001", "049"));

} // namespace
