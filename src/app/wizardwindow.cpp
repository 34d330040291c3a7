#include "wizardwindow.h"

#include "apptexts.h"
#include "connectionpage.h"
#include "demosite.h"
#include "devicewebpage.h"
#include "languagedialog.h"
#include "searchwindows.h"
#include "svgpicture.h"
#include "taskpage.h"
#include "welcomepage.h"
#include "wizardpages.h"
#include "comm/tasktimings.h"
#include "netsetup/netsetuptexts.h"
#include "shell/shelltexts.h"
#include "shell/timeoutsdialog.h"
#include "netsetup/adapterchoice.h"
#include "netsetup/networkcontext.h"
#include "netsetup/devicerecordpages.h"
#include "netsetup/discoveryanswer.h"
#include "netsetup/devicesettingspage.h"
#include "netsetup/writesettingspage.h"
#include "shell/debugwindow.h"
#include "shell/etchedline.h"
#include "shell/pagecontrols.h"
#include "shell/placewindow.h"
#include "base/windowplacement.h"
#include "shell/wizardcontext.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

namespace {
// The window's classic size, 7530 by 6500 twips.
constexpr int kWindowWidthTwips = 7530;
constexpr int kWindowHeightTwips = 6500;

int TwipsToPixels(int twips, int dpi)
{
    return twips * dpi / 1440;
}
} // namespace

Ostrand_Wizard::Ostrand_Wizard(
    WizardContext& context, NetworkContext& network, bool openDebugWindow, QWidget* parent, Demo demo)
    : QDialog(parent)
    , m_Context(context)
    , m_Network(network)
    , m_Demo(std::move(demo))
    , m_Flash([] { return QRandomGenerator::global()->generateDouble(); })
{
    setObjectName(QStringLiteral("Ostrand_Wizard"));
    setWindowTitle(QStringLiteral("M-Bus Alder Family Setup Wizard"));
    BuildWindow();
    CreatePages();
    m_Context.link.sendFailed = [this](const QString& description) {
        QMessageBox::warning(this, windowTitle(),
                             m_Context.language.GetLanguageText(netsetuptext::kNotSent) + QStringLiteral("\r\n\r\n'")
                                 + description + u'\'');
    };
    Form_Load();
    // A close asked for during an operation comes once it has ended.
    connect(&m_Context.operations, &DeviceOperations::busyChanged, this, [this](bool busy) {
        if (!busy && m_CloseWhenIdle)
            QTimer::singleShot(0, this, [this] { close(); });
    });
    if (openDebugWindow)
        ToggleDebugWindow();
}

Ostrand_Wizard::~Ostrand_Wizard()
{
    m_Context.link.sendFailed = nullptr; // it shows its box over this window
    delete m_DebugWindow.data(); // a window of its own beside us, not our child
}

void Ostrand_Wizard::BuildWindow()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_PageArea = new QWidget(this);
    m_PageArea->setObjectName(QStringLiteral("PageArea"));
    auto* pages = new QGridLayout(m_PageArea);
    pages->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_PageArea, 1);
    layout->addWidget(new EtchedLine(this));

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(12, 8, 12, 10);
    buttons->addStretch(1);
    Command_Back = CommandButton(this, QStringLiteral("Command_Back"), QStringLiteral("< &Back"));
    Command_Next = CommandButton(this, QStringLiteral("Command_Next"), QStringLiteral("&Next >"));
    Command_Next->setDefault(true);
    Command_Cancel = CommandButton(this, QStringLiteral("Command_Cancel"), QStringLiteral("Cancel"));
    buttons->addWidget(Command_Back);
    buttons->addWidget(Command_Next);
    buttons->addSpacing(10);
    buttons->addWidget(Command_Cancel);
    layout->addLayout(buttons);
    connect(Command_Back, &QPushButton::clicked, this, [this] { Command_Back_Click(); });
    connect(Command_Next, &QPushButton::clicked, this, [this] { Command_Next_Click(); });
    connect(Command_Cancel, &QPushButton::clicked, this, [this] { Command_Cancel_Click(); });

    Picture_Logo = new SvgPicture(QStringLiteral(":/pictures/logo.svg"), {132, 40}, this);
    Picture_Logo->setObjectName(QStringLiteral("Picture_Logo"));
    Timer_Flash = new QTimer(this);
    Timer_Flash->setObjectName(QStringLiteral("Timer_Flash"));
    Timer_Flash->setInterval(FlashAnimation::kTickMs);
    connect(Timer_Flash, &QTimer::timeout, this, [this] { Timer_Flash_Timer(); });
}

void Ostrand_Wizard::AddPage(WizardPage* page)
{
    static_cast<QGridLayout*>(m_PageArea->layout())->addWidget(page, 0, 0);
    page->hide();
    m_Pages[page->Number()] = page;
}

void Ostrand_Wizard::CreatePages()
{
    const WizardPages pages = CreateWizardPages(*this, m_Network, m_PageArea);
    for (WizardPage* page : pages.all)
        AddPage(page);
    m_WelcomePage = pages.welcome;
    m_TaskPage = pages.task;
    m_ConnectionPage = pages.connection;
    m_DeviceSettingsPage = pages.deviceSettings;
    m_WriteSettingsPage = pages.writeSettings;
    connect(m_WelcomePage, &WelcomePage::changeLanguageRequested, this, [this] { Command_ChangeLanguage_Click(); });
    connect(m_WelcomePage, &WelcomePage::endDemoRequested, this, [this] { Command_EndDemo_Click(); });
    connect(m_WelcomePage, &WelcomePage::demoRequested, this, [this] {
        // The demo runs as a program of its own, with a store of its own.
        if (m_Demo.start && m_Demo.start())
            close();
    });
    ConnectDeviceRecordPages(
        *this, m_Network, [this] { return m_ConnectionPage->Text_EnterIPAddress->text(); }, *m_DeviceSettingsPage,
        *m_WriteSettingsPage);
    m_SearchWindows = new SearchWindows(
        m_Context, m_Network, this, [this] { return m_ConnectionPage->Text_EnterIPAddress->text(); }, *pages.feature, this);
}

void Ostrand_Wizard::LoadAdapterChoice()
{
    WizardState& state = m_Context.state;
    state.SelectedAdapterDescription = m_Context.settings.Read(keys::SelectedAdapterDescription);
    state.SelectedAdapterIP = m_Context.settings.Read(keys::SelectedAdapterIP);
    const QList<NetworkAdapter> adapters = m_Network.listAdapters ? m_Network.listAdapters() : QList<NetworkAdapter>{};
    SettleAdapterChoice(adapters, state.SelectedAdapterIP, state.SelectedAdapterDescription);
    state.AdapterCount = static_cast<int>(adapters.size());
}

void Ostrand_Wizard::Form_Load()
{
    QString title = m_Context.language.GetLanguageText(apptext::kWizardCaption);
    if (m_Demo.mode)
        title += QStringLiteral(" - ") + m_Context.language.GetLanguageText(apptext::kDemoHeader);
    setWindowTitle(title);
    LoadAdapterChoice();

    Command_Cancel->setText(m_Context.language.GetLanguageText(shelltext::kExit));
    Command_Back->setText(m_Context.language.GetLanguageText(apptext::kBack));
    Command_Next->setText(m_Context.language.GetLanguageText(apptext::kNext));
    // The window keeps one size from page to page and from language to
    // language: what the largest page needs in any of them.
    QSize largest = LargestPageSizeInOtherLanguages(m_Context, m_Network, Picture_Logo->size());
    for (auto& [number, page] : m_Pages) {
        page->Startup(); // selects the stored options, sets the texts, fills the lists
        page->PlaceLogo(Picture_Logo); // the shown page's header holds the logo: measured with it
        largest = largest.expandedTo(page->sizeHint());
    }
    ShowDemoOnWelcomePage();
    largest = largest.expandedTo(m_WelcomePage->sizeHint()); // with the site it lists
    m_PageArea->setMinimumSize(largest);
    const int dpi = logicalDpiX() > 0 ? logicalDpiX() : 96;
    resize(QSize(TwipsToPixels(kWindowWidthTwips, dpi), TwipsToPixels(kWindowHeightTwips, dpi))
               .expandedTo(minimumSizeHint()));

    m_WelcomePage->ShowLights({});
    PreparePage(page::Welcome, false, true);
    ShowPage(page::Welcome, false, true);
    Timer_Flash->start();
}

FlowChoices Ostrand_Wizard::Choices() const
{
    FlowChoices choices;
    choices.whatToDo = m_Context.state.WhatToDo;
    choices.ipByNetwork = m_Context.settings.ReadInt(keys::Option_ChangeIPSettings) == 0;
    choices.reachBySerial = m_Context.settings.ReadInt(keys::Option_EnterIPAddress) != 0;
    return choices;
}

WizardPage* Ostrand_Wizard::Page(int number) const
{
    const auto found = m_Pages.find(number);
    return found == m_Pages.end() ? nullptr : found->second;
}

int Ostrand_Wizard::CurrentPage() const
{
    return m_Context.state.CurrentPage;
}

void Ostrand_Wizard::SetNextEnabled(bool enabled)
{
    Command_Next->setEnabled(enabled);
}

void Ostrand_Wizard::SetBackEnabled(bool enabled)
{
    Command_Back->setEnabled(enabled);
}

void Ostrand_Wizard::SetCancelEnabled(bool enabled)
{
    Command_Cancel->setEnabled(enabled);
}

void Ostrand_Wizard::SetNextCaption(const QString& caption)
{
    Command_Next->setText(caption);
}

bool Ostrand_Wizard::IsNextEnabled() const
{
    return Command_Next->isEnabled();
}

void Ostrand_Wizard::PreparePage(int number, bool back, bool forward)
{
    WizardPage* target = Page(number);
    if (!target)
        return;
    SetNextCaption(m_Context.language.GetLanguageText(apptext::kNext));
    target->PlaceLogo(Picture_Logo);
    SetBackEnabled(number != page::Welcome);
    SetNextEnabled(true);
    WithdrawDebugPoll();
    if (number == page::Welcome)
        ShowDemoOnWelcomePage(); // a gateway may have moved to the address it was given
    if (number == page::Connection && m_Demo.mode)
        m_Demo.mode->PresetConnection(m_Context.state.WhatToDo);
    target->Prepare(back, forward);
}

void Ostrand_Wizard::ShowPage(int number, bool back, bool forward)
{
    WizardPage* target = Page(number);
    if (!target)
        return;
    for (auto& [other, page] : m_Pages) {
        if (other != number)
            page->hide();
    }
    target->show();
    target->repaint();
    m_Context.state.CurrentPage = static_cast<qint16>(number);
    m_WelcomePage->ShowLights({});
    target->Enter(back, forward);
}

void Ostrand_Wizard::LeavePage(int number, bool back, bool forward)
{
    if (WizardPage* page = Page(number)) {
        page->hide();
        page->Leave(back, forward);
    }
}

void Ostrand_Wizard::GoTo(int number, bool back, bool forward)
{
    PreparePage(number, back, forward);
    ShowPage(number, back, forward);
}

int Ostrand_Wizard::FollowNext(int from, bool openWebPage)
{
    WizardState& state = m_Context.state;
    const FlowChoices choices = Choices();
    const int next = SuccessorPage(from, choices);
    switch (from) {
    case page::DeviceList:
        if (state.SelectedDeviceType == DeviceTypeBirch) {
            if (openWebPage)
                OpenDeviceWebPage(this, m_Context.language, state.SelectedDeviceIP);
            m_TaskPage->SetTaskEnabled(task::NetworkSettings, false);
            m_TaskPage->SelectTask(task::Ping);
        } else {
            m_TaskPage->SetTaskEnabled(task::AssignIp, true);
            m_TaskPage->SetTaskEnabled(task::NetworkSettings, true);
            m_TaskPage->SelectTask(task::AssignIp);
        }
        break;
    case page::SetIpByNetwork:
        m_TaskPage->SelectTask(task::Ping);
        break;
    case page::SerialSetup:
        if (choices.whatToDo == task::AssignIp)
            m_TaskPage->SelectTask(task::Ping);
        break;
    case page::Ping:
        m_TaskPage->SelectTask(m_TaskPage->IsTaskEnabled(task::NetworkSettings) ? task::NetworkSettings
                                                                                : task::MeterFeatures);
        break;
    case page::WriteSettings:
        m_Context.connection.CloseSerialPort(); // the setup mode of a task done by cable ends here
        m_TaskPage->SelectTask(task::MeterFeatures);
        break;
    default:
        break;
    }
    return next;
}

void Ostrand_Wizard::Command_Next_Click()
{
    if (m_Context.operations.Busy())
        return; // the page that runs an operation stays until it has ended
    WizardState& state = m_Context.state;
    const int from = state.CurrentPage;
    if (Page(from) && SuccessorPage(from, Choices()) == from && state.JumpPage == 0)
        return; // the last page of a task: Next leads nowhere
    if (WizardPage* page = Page(from); page && !page->AcceptNext())
        return;

    bool openWebPage = false;
    if (state.SelectedDeviceType == DeviceTypeBirch && from == page::DeviceList) {
        openWebPage
            = QMessageBox::question(this, windowTitle(), m_Context.language.GetLanguageText(apptext::kWebPageQuestion),
                                    QMessageBox::Yes | QMessageBox::No)
            == QMessageBox::Yes;
    }
    LeavePage(from, false, true);

    int target;
    if (state.JumpPage != 0) {
        target = state.JumpPage;
        state.JumpPage = 0;
    } else {
        target = FollowNext(from, openWebPage);
    }

    if (state.SelectedAdapterIP == kNoAdapter) {
        bool refused = false;
        const int shown = PageWithoutAdapter(target, Choices(), refused);
        GoTo(shown, false, true);
        if (refused)
            QMessageBox::information(this, windowTitle(), m_Context.language.GetLanguageText(netsetuptext::kNoAdapter));
        return;
    }
    GoTo(target, false, true);
}

void Ostrand_Wizard::Command_Back_Click()
{
    if (m_Context.operations.Busy())
        return;
    WizardState& state = m_Context.state;
    const int from = state.CurrentPage;
    if (from == page::Welcome)
        return;
    state.JumpPage = 0;
    LeavePage(from, true, false);
    if (from == page::SerialSetup && state.WhatToDo == task::AssignIp)
        m_Context.connection.CloseSerialPort();
    GoTo(PredecessorPage(from, Choices()), true, false);
}

void Ostrand_Wizard::Command_Cancel_Click()
{
    close();
}

void Ostrand_Wizard::reject()
{
    // Escape is pressed by mistake as easily as on purpose: it asks, and
    // staying is what Enter answers.
    if (QMessageBox::question(this, windowTitle(), m_Context.language.GetLanguageText(apptext::kCloseQuestion),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes)
        close();
}

void Ostrand_Wizard::closeEvent(QCloseEvent* event)
{
    // The running operation is asked to end, with its own failure text, and
    // the wizard closes after it: nothing is left half written or unsaid.
    if (m_Context.operations.Busy()) {
        event->ignore();
        if (!m_CloseWhenIdle) {
            m_CloseWhenIdle = true;
            setWindowTitle(m_Context.language.GetLanguageText(apptext::kClosingWhenIdle));
        }
        m_Context.operations.RequestCancel();
        return;
    }
    m_SearchWindows->CloseAll();
    CloseDebugWindow();
    Timer_Flash->stop();
    event->accept();
}

void Ostrand_Wizard::Timer_Flash_Timer()
{
    m_Flash.Tick(m_Context.state.CurrentPage == page::Welcome);
    m_WelcomePage->ShowLights(m_Flash.Lights());
}

void Ostrand_Wizard::Command_ChangeLanguage_Click()
{
    Ostrand_Language dialog(m_Context, this);
    // The texts loaded at start stay until the next start; say so.
    if (dialog.exec() == QDialog::Accepted)
        QMessageBox::warning(this, windowTitle(), m_Context.language.GetLanguageText(apptext::kLanguageAtNextStart));
}

void Ostrand_Wizard::ShowDemoOnWelcomePage()
{
    m_WelcomePage->ShowDemo(m_Demo.mode ? m_Demo.mode->SiteText() : QString(), static_cast<bool>(m_Demo.start));
}

void Ostrand_Wizard::Command_EndDemo_Click()
{
    if (!m_Demo.mode || m_Context.operations.Busy())
        return;
    // What was found or opened on the simulated site ends with it.
    m_SearchWindows->CloseAll();
    m_Context.connection.CloseConnection();
    m_Demo.mode->Leave();
    m_Demo.mode = nullptr;
    if (m_Demo.ended)
        m_Demo.ended();
    WizardState& state = m_Context.state;
    state.SelectedDeviceIP.clear();
    state.SelectedDeviceMAC.clear();
    state.SelectedDeviceType = 0;
    LoadAdapterChoice();
    setWindowTitle(m_Context.language.GetLanguageText(apptext::kWizardCaption));
    GoTo(page::Welcome, false, true);
}

Ostrand_Debug* Ostrand_Wizard::DebugWindow()
{
    // A closed window lingers until its deletion comes round; whether the
    // log still logs tells if it is open.
    return m_Context.log.DebugLogging() ? m_DebugWindow.data() : nullptr;
}

void Ostrand_Wizard::ToggleDebugWindow()
{
    if (DebugWindow()) {
        CloseDebugWindow();
        return;
    }
    m_DebugWindow = new Ostrand_Debug(m_Context.log, m_Context.ini, m_Context.settings, m_Context.language,
                                      m_Context.operations);
    connect(m_DebugWindow, &Ostrand_Debug::searchTimeoutsRequested, m_SearchWindows,
            [this] { m_SearchWindows->ShowSearchTimeouts(m_DebugWindow); });
    m_DebugWindow->PlaceBeside(this);
    connect(m_DebugWindow, &Ostrand_Debug::timeoutsRequested, this, [this] { ShowTimeoutsDialog(); });
    OfferPollToDebugWindow();
    m_DebugWindow->show();
}

void Ostrand_Wizard::CloseDebugWindow()
{
    if (m_DebugWindow)
        m_DebugWindow->close();
}

void Ostrand_Wizard::ShowTimeoutsDialog()
{
    if (!m_TimeoutsDialog) {
        // the timings in use are those of the task chosen on the first page
        m_TimeoutsDialog = new Ostrand_Timeouts(m_Context.ini, m_Context.language, [this] {
            ReloadActiveTimings(m_Context.link, m_Context.ini, m_Context.state.WhatToDo);
        }, this);
        m_TimeoutsDialog->setAttribute(Qt::WA_DeleteOnClose);
    }
    // beside the log window it is opened from
    const QWidget* opener = DebugWindow();
    ShowBeside(*m_TimeoutsDialog, opener ? *opener : *this);
}

void Ostrand_Wizard::OfferPollToDebugWindow()
{
    auto* source = dynamic_cast<DebugPollSource*>(Page(CurrentPage()));
    if (source && DebugWindow())
        source->OfferDebugPoll(*DebugWindow());
}

void Ostrand_Wizard::WithdrawDebugPoll()
{
    if (Ostrand_Debug* window = DebugWindow()) {
        window->SetPollEnabled(false);
        window->SetPollAction({});
    }
}

void Ostrand_Wizard::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Opened at start, the log window was placed before the wizard had its
    // place. The wizard moves over where that lets both be seen whole.
    if (!event->spontaneous() && DebugWindow()) {
        const QRect room = MakeRoomOnTheRight(frameGeometry(), DebugWindow()->FrameSizeBeside(this).width(),
                                              screen()->availableGeometry());
        move(room.topLeft());
        DebugWindow()->PlaceBeside(this);
    }
}
