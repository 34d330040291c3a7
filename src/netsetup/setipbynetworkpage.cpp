#include "setipbynetworkpage.h"

#include "shell/infobox.h"
#include "shell/pageflow.h"
#include "shell/wizardhost.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

SetIpByNetworkPage::SetIpByNetworkPage(WizardHost& host, QWidget* parent)
    : WizardPage(page::SetIpByNetwork, host, parent)
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
}

void SetIpByNetworkPage::Startup()
{
    Command_SetIPUsingUDP->setText(GetLanguageText(230));
}

void SetIpByNetworkPage::Prepare(bool, bool)
{
    HeaderLabel()->setText(GetLanguageText(208));
    Text_Info->SetText(GetLanguageText(209));
    Host().SetNextEnabled(false); // until the gateway has its address
}
