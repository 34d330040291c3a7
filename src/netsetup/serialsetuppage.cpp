#include "serialsetuppage.h"

#include "netsetuptexts.h"
#include "networkcontext.h"
#include "ipassignment.h"
#include "pagesetupview.h"
#include "recordtransfer.h"
#include "comm/commtexts.h"
#include "shell/infobox.h"
#include "base/settings.h"
#include "base/pageflow.h"
#include "shell/wizardcontext.h"
#include "shell/wizardhost.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

SerialSetupPage::SerialSetupPage(WizardHost& host, NetworkContext& network, QWidget* parent)
    : WizardPage(page::SerialSetup, host, parent)
    , m_Network(network)
{
    // The progress of the setup is appended here; the box grows with it up
    // to its limit and scrolls beyond.
    Text_Info = AddInfo(23, Body());
    Command_ConnectRS232AndDoSomething = new QPushButton(this);
    Command_ConnectRS232AndDoSomething->setObjectName(QStringLiteral("Command_ConnectRS232AndDoSomething"));
    Command_ConnectRS232AndDoSomething->setAutoDefault(false);
    Command_ConnectRS232AndDoSomething_Cancel = new QPushButton(this);
    Command_ConnectRS232AndDoSomething_Cancel->setObjectName(QStringLiteral("Command_ConnectRS232AndDoSomething_Cancel"));
    Command_ConnectRS232AndDoSomething_Cancel->setAutoDefault(false);
    Command_ConnectRS232AndDoSomething_Cancel->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Command_ConnectRS232AndDoSomething);
    buttons->addWidget(Command_ConnectRS232AndDoSomething_Cancel);
    buttons->addStretch(1);
    Body()->addLayout(buttons);
    Body()->addStretch(1);
    connect(Command_ConnectRS232AndDoSomething, &QPushButton::clicked, this,
            [this] { Command_ConnectRS232AndDoSomething_Click(); });
    connect(Command_ConnectRS232AndDoSomething_Cancel, &QPushButton::clicked, this,
            [this] { Command_ConnectRS232AndDoSomething_Cancel_Click(); });
}

void SerialSetupPage::Startup()
{
    Command_ConnectRS232AndDoSomething_Cancel->setText(GetLanguageText(netsetuptext::kAbort));
    Command_ConnectRS232AndDoSomething_Cancel->setEnabled(false);
}

void SerialSetupPage::Prepare(bool, bool)
{
    const bool networkSettings = Context().state.WhatToDo == task::NetworkSettings;
    HeaderLabel()->setText(
        GetLanguageText(networkSettings ? netsetuptext::kSerialConnectHeader : netsetuptext::kSetIpBySerialHeader));
    Text_Info->SetText(
        GetLanguageText(networkSettings ? netsetuptext::kSerialConnectInfo : netsetuptext::kSetIpBySerialInfo));
    Command_ConnectRS232AndDoSomething->setText(
        GetLanguageText(networkSettings ? netsetuptext::kExecute : commtext::kApply));
    Command_ConnectRS232AndDoSomething->setEnabled(true);
    Host().SetNextEnabled(false); // until the gateway is in setup mode
}

void SerialSetupPage::Command_ConnectRS232AndDoSomething_Click()
{
    WizardContext& context = Context();
    const Settings& settings = context.settings;
    const int task = context.state.WhatToDo;
    SetupPort port;
    port.index = settings.ReadInt(keys::SerialPort.ForTask(task));
    if (port.index < 0)
        return;
    const DeviceOperationScope operation(context.operations);
    if (!operation)
        return;

    PageSetupView view(HeaderLabel(), Text_Info, Host().Window());
    view.onWaitingForPrompt = [this](bool waiting) { ShowPromptWait(waiting); };
    RecordTransfer transfer(context.connection, context.language);
    UseWizardSettings(transfer, Host(), m_Network.configTarget);
    IpAssignment assignment(transfer, m_Network.records.m_Record[0], context.language, view);
    bool done = false;
    if (task == task::NetworkSettings) {
        done = assignment.EnterSetupModeForSettings(port);
    } else {
        const QString ip = settings.ReadInt(keys::Option_DHCP) == 0 ? kDhcpAddress : settings.Read(keys::IPAddress);
        done = assignment.SetIpBySerial(port, {ip, settings.Read(keys::Gateway), settings.Read(keys::NetMask)},
                                        IpTimings::FromIni(context.ini))
            != IpAssignment::Outcome::Failed;
    }
    // Done once is done: the gateway stays in its setup mode (or has its
    // address), and only a failure is worth another try.
    Command_ConnectRS232AndDoSomething->setEnabled(!done);
    if (done)
        Host().SetNextEnabled(true);
}

void SerialSetupPage::Command_ConnectRS232AndDoSomething_Cancel_Click()
{
    Context().operations.RequestCancel();
}

void SerialSetupPage::ShowPromptWait(bool waiting)
{
    Host().SetBackEnabled(!waiting);
    Host().SetCancelEnabled(!waiting);
    Command_ConnectRS232AndDoSomething->setEnabled(!waiting);
    Command_ConnectRS232AndDoSomething_Cancel->setEnabled(waiting);
}
