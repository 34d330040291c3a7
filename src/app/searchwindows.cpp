#include "searchwindows.h"

#include "features/featurepage.h"
#include "search/searchtimeouts.h"
#include "search/searchtimeoutsdialog.h"
#include "shell/placewindow.h"
#include "shell/wizardcontext.h"
#include "base/windowplacement.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

SearchWindows::SearchWindows(WizardContext& context, NetworkContext& network, QWidget* wizard, std::function<QString()> typedAddress,
                             FeaturePage& featurePage, QObject* parent)
    : QObject(parent)
    , m_Context(context)
    , m_Network(network)
    , m_Wizard(wizard)
    , m_TypedAddress(std::move(typedAddress))
{
    m_MeterTarget.useSecondaryAddress = featurePage.Check_MeterFeature_UseSecondaryAddress;
    m_MeterTarget.primaryAddress = featurePage.Text_MeterFeature_Address[0];
    for (size_t i = 0; i < m_MeterTarget.secondaryAddress.size(); ++i)
        m_MeterTarget.secondaryAddress[i] = featurePage.Text_MeterFeature_Sec_Address[i];
    connect(&featurePage, &FeaturePage::searchRequested, this, &SearchWindows::ShowSearchWindow);
}

SearchWindows::~SearchWindows()
{
    // windows of their own beside the wizard, not its children
    delete m_Search.data();
    delete m_Timeouts.data();
}

ini::SearchGateway SearchWindows::ActiveGatewayType() const
{
    return m_Timeouts ? m_Timeouts->ActiveType() : StoredActiveSetting(m_Context.settings);
}

void SearchWindows::ShowSearchWindow()
{
    if (!m_Search || !m_Search->isVisible()) {
        SearchWindowLinks links;
        links.rememberedHost = &m_RememberedHost;
        links.activeGatewayType = [this] { return ActiveGatewayType(); };
        links.typedAddress = m_TypedAddress;
        links.meterTarget = m_MeterTarget;
        if (!m_Search)
            m_Search = new Ostrand_Search(m_Context, m_Network, links);
        if (m_Wizard && m_Wizard->screen() && !m_Search->RememberedPlace()) {
            // As for the log window, the wizard moves left as far as the
            // screen allows, so that the search fits beside it.
            const QRect room = MakeRoomOnTheRight(m_Wizard->frameGeometry(),
                                                  m_Search->FrameSizeBeside(m_Wizard).width(),
                                                  m_Wizard->screen()->availableGeometry());
            m_Wizard->move(room.topLeft());
        }
        m_Search->Place(m_Wizard);
    }
    m_Search->show();
    m_Search->raise();
    m_Search->activateWindow();
}

void SearchWindows::ShowSearchTimeouts(const QWidget* opener)
{
    if (!m_Timeouts) {
        m_Timeouts = new Ostrand_SearchTimeouts(m_Context.ini, m_Context.settings, m_Context.language);
        const auto refresh = [this] {
            if (m_Search)
                m_Search->RefreshTimeoutCaptions();
        };
        connect(m_Timeouts, &Ostrand_SearchTimeouts::timeoutsWritten, this, refresh);
    }
    ShowBeside(*m_Timeouts, opener ? *opener : *m_Wizard);
}

void SearchWindows::CloseAll()
{
    if (m_Search)
        m_Search->close();
    if (m_Timeouts)
        m_Timeouts->close();
}
