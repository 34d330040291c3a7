#include "pingpage.h"

#include "netsetuptexts.h"
#include "networkcontext.h"
#include "pingtest.h"
#include "comm/loopbackguard.h"
#include "shell/busyguard.h"
#include "shell/infobox.h"
#include "shell/pagecontrols.h"
#include "base/pageflow.h"
#include "base/settings.h"
#include "shell/wizardcontext.h"
#include "shell/wizardhost.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kDottedAddressLength = 15; // "255.255.255.255"

class InfoBoxReport : public PingTestSink {
public:
    explicit InfoBoxReport(InfoBox* box)
        : m_Box(box)
    {
    }
    void SetText(const QString& text) override
    {
        if (m_Box) {
            m_Box->SetText(text);
            m_Box->repaint(); // shown before the first ping blocks
        }
    }
    void AppendText(const QString& text) override
    {
        if (m_Box)
            m_Box->AppendText(text);
    }

private:
    QPointer<InfoBox> m_Box;
};
} // namespace

PingPage::PingPage(WizardHost& host, NetworkContext& network, QWidget* parent)
    : WizardPage(page::Ping, host, parent)
    , m_Network(network)
{
    auto* address = new QHBoxLayout;
    Label_PingIPAddress = new QLabel(this);
    Label_PingIPAddress->setObjectName(QStringLiteral("Label_PingIPAddress"));
    Text_PingIPAddress = new QLineEdit(this);
    Text_PingIPAddress->setObjectName(QStringLiteral("Text_PingIPAddress"));
    FitWidthToDigits(Text_PingIPAddress, kDottedAddressLength);
    Label_PingIPAddress->setBuddy(Text_PingIPAddress);
    Command_Ping = new QPushButton(this);
    Command_Ping->setObjectName(QStringLiteral("Command_Ping"));
    Command_Ping->setAutoDefault(false);
    address->addWidget(Label_PingIPAddress);
    address->addWidget(Text_PingIPAddress);
    address->addWidget(Command_Ping);
    address->addStretch(1);

    // The instructions, and later the results in their place, above the
    // address they are about.
    Text_Info = AddInfo(30, Body());
    Body()->addLayout(address);
    Body()->addStretch(1);

    connect(Command_Ping, &QPushButton::clicked, this, [this] { Command_Ping_Click(); });
}

void PingPage::Startup()
{
    Label_PingIPAddress->setText(GetLanguageText(netsetuptext::kIPAddress));
    Command_Ping->setText(GetLanguageText(netsetuptext::kPingButton));
}

void PingPage::Prepare(bool, bool)
{
    HeaderLabel()->setText(GetLanguageText(netsetuptext::kPingHeader));
    Text_Info->SetText(GetLanguageText(netsetuptext::kPingInfo));
    Text_PingIPAddress->setText(Context().settings.Read(keys::IPAddress));
    Host().SetNextEnabled(false); // until the gateway has answered
}

void PingPage::Command_Ping_Click()
{
    WizardContext& context = Context();
    const DeviceOperationScope operation(context.operations);
    if (!operation)
        return;
    const QString address = Text_PingIPAddress->text();
    context.settings.Save(keys::IPAddress, address);
    // An address the demo keeps off the network is not blamed on the cable.
    if (const QString refused = RefusedDestination(address); !refused.isEmpty()) {
        Text_Info->SetText(refused);
        return;
    }

    QPointer<PingPage> self(this);
    QWidget* window = Host().Window();
    BusyGuard busyWindow(window);
    BusyGuard busyButton(Command_Ping);
    InfoBoxReport report(Text_Info);
    const PingTestResult result =
        RunPingTest(address, PingTestSettingsFromIni(context.ini), context.language, m_Network.pingOnce, report,
                    context.operations);
    if (self && result.completed)
        Host().SetNextEnabled(true);
}
