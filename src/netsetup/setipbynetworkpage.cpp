#include "setipbynetworkpage.h"

#include "networkcontext.h"
#include "ipassignment.h"
#include "netsetuptexts.h"
#include "pagesetupview.h"
#include "recordtransfer.h"
#include "comm/commtexts.h"
#include "shell/infobox.h"
#include "base/pageflow.h"
#include "base/settings.h"
#include "shell/wizardcontext.h"
#include "shell/wizardhost.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

SetIpByNetworkPage::SetIpByNetworkPage(WizardHost& host, NetworkContext& network, QWidget* parent)
    : WizardPage(page::SetIpByNetwork, host, parent)
    , m_Network(network)
{
    // The progress of the assignment is appended here; the box grows with it
    // up to its limit and scrolls beyond.
    Text_Info = AddInfo(22, Body());
    Command_SetIPUsingUDP = new QPushButton(this);
    Command_SetIPUsingUDP->setObjectName(QStringLiteral("Command_SetIPUsingUDP"));
    Command_SetIPUsingUDP->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Command_SetIPUsingUDP);
    buttons->addStretch(1);
    Body()->addLayout(buttons);
    Body()->addStretch(1);
    connect(Command_SetIPUsingUDP, &QPushButton::clicked, this, [this] { Command_SetIPUsingUDP_Click(); });
}

void SetIpByNetworkPage::Startup()
{
    Command_SetIPUsingUDP->setText(GetLanguageText(commtext::kApply));
}

void SetIpByNetworkPage::Prepare(bool, bool)
{
    HeaderLabel()->setText(GetLanguageText(netsetuptext::kSetIpByNetworkHeader));
    Text_Info->SetText(GetLanguageText(netsetuptext::kSetIpByNetworkInfo));
    Command_SetIPUsingUDP->setEnabled(true);
    Host().SetNextEnabled(false); // until the gateway has its address
}

void SetIpByNetworkPage::Command_SetIPUsingUDP_Click()
{
    WizardContext& context = Context();
    const DeviceOperationScope operation(context.operations);
    if (!operation)
        return;
    const Settings& settings = context.settings;
    const bool dhcp = settings.ReadInt(keys::Option_DHCP) == 0;
    const QString ip = dhcp ? kDhcpAddress : settings.Read(keys::IPAddress);

    Command_SetIPUsingUDP->setEnabled(false);
    PageSetupView view(HeaderLabel(), Text_Info, Host().Window());
    RecordTransfer transfer(context.connection, context.language);
    UseWizardSettings(transfer, Host(), m_Network.configTarget);
    IpAssignment assignment(transfer, m_Network.records.m_Record[0], context.language, view);
    assignment.Target = m_Network.configTarget;
    const IpAssignment::Outcome outcome = assignment.SetIpByUdp(
        settings.Read(keys::MACAddress), {ip, settings.Read(keys::Gateway), settings.Read(keys::NetMask)},
        IpTimings::FromIni(context.ini));

    Host().SetNextEnabled(outcome != IpAssignment::Outcome::Failed);
    Command_SetIPUsingUDP->setEnabled(outcome == IpAssignment::Outcome::Failed);
    if (outcome == IpAssignment::Outcome::Dhcp)
        context.state.JumpPage = page::DeviceList; // find the gateway under its new address
}
