#pragma once

#include "flashanimation.h"
#include "base/pageflow.h"
#include "shell/wizardhost.h"

#include <QDialog>
#include <QPointer>
#include <functional>
#include <map>

class ConnectionPage;
class DemoMode;
class DeviceSettingsPage;
class Ostrand_Debug;
class Ostrand_Timeouts;
class QPushButton;
class QTimer;
class SearchWindows;
class SvgPicture;
class TaskPage;
class WelcomePage;
class WizardPage;
class WriteSettingsPage;
struct NetworkContext;
struct WizardContext;

// The wizard window: one page at a time, Back, Next and Cancel below, and
// each task's own order of pages.
class Ostrand_Wizard : public QDialog, public WizardHost {
    Q_OBJECT
public:
    // The demo, as the welcome page shows it.
    struct Demo {
        DemoMode* mode;              // demo mode: the demo that runs; null otherwise
        std::function<bool()> start; // starts the program again in demo mode; unset: no demo offered
        std::function<void()> ended; // after the demo was left: what the program puts back besides
    };

    // openDebugWindow: open the communication log window at start ("/DEBUG").
    // network: the records and LAN targets of the network pages and the search.
    Ostrand_Wizard(WizardContext& context, NetworkContext& network, bool openDebugWindow = false,
                   QWidget* parent = nullptr, Demo demo = {});
    ~Ostrand_Wizard() override;

    // WizardHost
    WizardContext& Context() override { return m_Context; }
    QWidget* Window() override { return this; }
    void SetNextEnabled(bool enabled) override;
    void SetBackEnabled(bool enabled) override;
    void SetCancelEnabled(bool enabled) override;
    void SetNextCaption(const QString& caption) override;
    bool IsNextEnabled() const override;
    void ActAsNext() override { Command_Next_Click(); }
    void ToggleDebugWindow() override;
    Ostrand_Debug* DebugWindow() override;

    void Command_Next_Click();
    void Command_Back_Click();
    void Command_Cancel_Click();

    WizardPage* Page(int number) const;
    int CurrentPage() const;

    QPushButton* Command_Back = nullptr;
    QPushButton* Command_Next = nullptr;
    QPushButton* Command_Cancel = nullptr;

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildWindow();
    void CreatePages();
    void Form_Load();
    void AddPage(WizardPage* page);
    void PreparePage(int page, bool back, bool forward);
    void ShowPage(int page, bool back, bool forward);
    void LeavePage(int page, bool back, bool forward);
    void GoTo(int page, bool back, bool forward);
    int FollowNext(int from, bool openWebPage);
    void Timer_Flash_Timer();
    void Command_ChangeLanguage_Click();
    void Command_EndDemo_Click();
    void ShowDemoOnWelcomePage();
    void LoadAdapterChoice();
    FlowChoices Choices() const;
    void OfferPollToDebugWindow();
    void WithdrawDebugPoll();
    void CloseDebugWindow();
    void ShowTimeoutsDialog();

    WizardContext& m_Context;
    NetworkContext& m_Network;
    Demo m_Demo;
    std::map<int, WizardPage*> m_Pages;
    QWidget* m_PageArea = nullptr;
    WelcomePage* m_WelcomePage = nullptr;
    TaskPage* m_TaskPage = nullptr;
    ConnectionPage* m_ConnectionPage = nullptr;
    DeviceSettingsPage* m_DeviceSettingsPage = nullptr;
    WriteSettingsPage* m_WriteSettingsPage = nullptr;
    SvgPicture* Picture_Logo = nullptr;
    QTimer* Timer_Flash = nullptr;
    FlashAnimation m_Flash;
    QPointer<Ostrand_Debug> m_DebugWindow;
    QPointer<Ostrand_Timeouts> m_TimeoutsDialog;
    SearchWindows* m_SearchWindows = nullptr;
    bool m_CloseWhenIdle = false; // closed while an operation ran
};
