#include "serialsetuppage.h"

#include "shell/infobox.h"
#include "shell/pageflow.h"
#include "shell/wizardcontext.h"
#include "shell/wizardhost.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

SerialSetupPage::SerialSetupPage(WizardHost& host, QWidget* parent)
    : WizardPage(page::SerialSetup, host, parent)
{
    // The progress of the setup is appended here; the box grows with it up
    // to its limit and scrolls beyond.
    Text_Info = AddInfo(23, Body());
    Command_ConnectRS232AndDoSomething = new QPushButton(this);
    Command_ConnectRS232AndDoSomething->setObjectName(QStringLiteral("Command_ConnectRS232AndDoSomething"));
    Command_ConnectRS232AndDoSomething->setAutoDefault(false);
    Command_ConnectRS232AndDoSomething_Cancel = new QPushButton(QStringLiteral("&Abort"), this);
    Command_ConnectRS232AndDoSomething_Cancel->setObjectName(QStringLiteral("Command_ConnectRS232AndDoSomething_Cancel"));
    Command_ConnectRS232AndDoSomething_Cancel->setAutoDefault(false);
    Command_ConnectRS232AndDoSomething_Cancel->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Command_ConnectRS232AndDoSomething);
    buttons->addWidget(Command_ConnectRS232AndDoSomething_Cancel);
    buttons->addStretch(1);
    Body()->addLayout(buttons);
    Body()->addStretch(1);
}

void SerialSetupPage::Startup()
{
    Command_ConnectRS232AndDoSomething_Cancel->setEnabled(false);
}

void SerialSetupPage::Prepare(bool, bool)
{
    const bool networkSettings = Context().state.WhatToDo == task::NetworkSettings;
    HeaderLabel()->setText(GetLanguageText(networkSettings ? 300 : 222));
    Text_Info->SetText(GetLanguageText(networkSettings ? 301 : 223));
    Command_ConnectRS232AndDoSomething->setText(GetLanguageText(networkSettings ? 302 : 230));
    Host().SetNextEnabled(false); // until the gateway is in setup mode
}
