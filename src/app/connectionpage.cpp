#include "connectionpage.h"

#include "apptexts.h"
#include "netsetup/netsetuptexts.h"
#include "netsetup/pagesetupview.h"
#include "netsetup/recordedit.h"
#include "shell/infobox.h"
#include "base/pageflow.h"
#include "base/settings.h"
#include "shell/standardlists.h"
#include "base/textnumber.h"
#include "shell/wizardcontext.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {
constexpr qint64 kHighestPort = 65535;
}

ConnectionPage::ConnectionPage(WizardHost& host, QWidget* parent)
    : WizardPage(page::Connection, host, parent)
{
    Text_Info_EnterIPAddress = new InfoBox(this);
    Text_Info_EnterIPAddress->setObjectName(QStringLiteral("Text_Info_EnterIPAddress"));
    Body()->addWidget(Text_Info_EnterIPAddress);
    auto* group = new QButtonGroup(this);
    auto* choices = new QGridLayout;
    for (int i = 0; i < 2; ++i) {
        auto* option = new QRadioButton(this);
        option->setObjectName(ElementName(QStringLiteral("Option_EnterIPAddress"), i));
        group->addButton(option, i);
        choices->addWidget(option, i, 0, Qt::AlignTop);
        Option_EnterIPAddress[static_cast<size_t>(i)] = option;
        InfoBox* info = AddInfo(40 + i, new QVBoxLayout);
        choices->addWidget(info, i, 1);
        Text_Info[static_cast<size_t>(i)] = info;
        connect(option, &QRadioButton::clicked, this, [this, i] { Option_EnterIPAddress_Click(i); });
        LinkInfoToOption(info, option, [this, i] { Option_EnterIPAddress_Click(i); });
    }
    choices->setColumnStretch(1, 1);
    Body()->addLayout(choices);
    BuildNetworkFrame();
    BuildSerialFrame();
    Body()->addStretch(1);
}

void ConnectionPage::BuildNetworkFrame()
{
    auto* frame = new QGroupBox(this);
    frame->setObjectName(ElementName(QStringLiteral("Picture_EnterIPAddress"), 0));
    auto* grid = new QGridLayout(frame);
    Text_EnterIPAddress = new QLineEdit(frame);
    Text_EnterIPAddress->setObjectName(QStringLiteral("Text_EnterIPAddress"));
    Text_EnterIPAddress->setMaxLength(255);
    Text_EnterIPAddress_Port = new QLineEdit(frame);
    Text_EnterIPAddress_Port->setObjectName(QStringLiteral("Text_EnterIPAddress_Port"));
    Text_EnterIPAddress_Port->setMaxLength(10);
    Check_EnterIPAddress_UDPorTCP = new QCheckBox(frame);
    Check_EnterIPAddress_UDPorTCP->setObjectName(QStringLiteral("Check_EnterIPAddress_UDPorTCP"));
    for (int i = 0; i < 2; ++i) {
        auto* label = new QLabel(frame);
        label->setObjectName(ElementName(QStringLiteral("Label_EnterIPAddress"), i));
        grid->addWidget(label, i, 0);
        Label_EnterIPAddress[static_cast<size_t>(i)] = label;
    }
    Label_EnterIPAddress[0]->setBuddy(Text_EnterIPAddress);
    Label_EnterIPAddress[1]->setBuddy(Text_EnterIPAddress_Port);
    grid->addWidget(Text_EnterIPAddress, 0, 1);
    grid->addWidget(Text_EnterIPAddress_Port, 1, 1);
    grid->addWidget(Check_EnterIPAddress_UDPorTCP, 2, 1);
    grid->setColumnStretch(1, 1);
    Picture_EnterIPAddress[0] = frame;
    Body()->addWidget(frame);
}

void ConnectionPage::BuildSerialFrame()
{
    auto* frame = new QGroupBox(this);
    frame->setObjectName(ElementName(QStringLiteral("Picture_EnterIPAddress"), 1));
    auto* grid = new QGridLayout(frame);
    const auto makeList = [frame](const char* name) {
        auto* list = new QComboBox(frame);
        list->setObjectName(QString::fromLatin1(name));
        return list;
    };
    Combo_EnterIPAddress_SerialPort = makeList("Combo_EnterIPAddress_SerialPort");
    Combo_EnterIPAddress_BaudRate = makeList("Combo_EnterIPAddress_BaudRate");
    Combo_EnterIPAddress_Databits = makeList("Combo_EnterIPAddress_Databits");
    Combo_EnterIPAddress_Parity = makeList("Combo_EnterIPAddress_Parity");
    Combo_EnterIPAddress_Stopbits = makeList("Combo_EnterIPAddress_Stopbits");
    QComboBox* lists[5] = {Combo_EnterIPAddress_SerialPort, Combo_EnterIPAddress_BaudRate,
                           Combo_EnterIPAddress_Databits, Combo_EnterIPAddress_Parity,
                           Combo_EnterIPAddress_Stopbits};
    for (int row = 0; row < 5; ++row) {
        auto* label = new QLabel(frame);
        label->setObjectName(ElementName(QStringLiteral("Label_EnterIPAddress"), row + 2));
        label->setBuddy(lists[row]);
        grid->addWidget(label, row, 0);
        grid->addWidget(lists[row], row, 1);
        Label_EnterIPAddress[static_cast<size_t>(row + 2)] = label;
    }
    grid->setColumnStretch(1, 1);
    connect(Combo_EnterIPAddress_BaudRate, &QComboBox::currentIndexChanged, this,
            [this] { Combo_EnterIPAddress_BaudRate_Click(); });
    connect(Combo_EnterIPAddress_SerialPort, &QComboBox::currentIndexChanged, this,
            [this] { Combo_EnterIPAddress_SerialPort_Click(); });
    Picture_EnterIPAddress[1] = frame;
    Body()->addWidget(frame);
}

void ConnectionPage::Startup()
{
    Text_Info[0]->SetText(GetLanguageText(apptext::kOverNetworkInfo));
    Text_Info[1]->SetText(GetLanguageText(apptext::kOverSerialPortInfo));
    Label_EnterIPAddress[0]->setText(GetLanguageText(netsetuptext::kConnectionAddress));
    Label_EnterIPAddress[1]->setText(GetLanguageText(apptext::kConnectionPort));
    Label_EnterIPAddress[2]->setText(GetLanguageText(apptext::kConnectionSerialPort));
    Label_EnterIPAddress[3]->setText(GetLanguageText(apptext::kMBusSpeed));
    Label_EnterIPAddress[4]->setText(GetLanguageText(apptext::kDataBits));
    Label_EnterIPAddress[5]->setText(GetLanguageText(apptext::kParity));
    Label_EnterIPAddress[6]->setText(GetLanguageText(apptext::kStopBits));
    Check_EnterIPAddress_UDPorTCP->setText(GetLanguageText(netsetuptext::kUdp));
    {
        const QSignalBlocker blockPort(Combo_EnterIPAddress_SerialPort);
        FillSerialPortList(Combo_EnterIPAddress_SerialPort, Context().ini);
    }
    Combo_EnterIPAddress_Databits->addItems({QStringLiteral("7"), QStringLiteral("8")});
    Combo_EnterIPAddress_Parity->addItems({QStringLiteral("None"), QStringLiteral("Odd"), QStringLiteral("Even")});
    Combo_EnterIPAddress_Stopbits->addItems({QStringLiteral("1"), QStringLiteral("2")});
    const int choice = Context().settings.ReadInt(keys::Option_EnterIPAddress) == 1 ? 1 : 0;
    Option_EnterIPAddress[static_cast<size_t>(choice)]->setChecked(true);
    Option_EnterIPAddress_Click(choice);
}

int ConnectionPage::Task() const
{
    return Context().state.WhatToDo;
}

void ConnectionPage::ShowSerialDetails(bool shown)
{
    for (int row = 4; row <= 6; ++row)
        Label_EnterIPAddress[static_cast<size_t>(row)]->setVisible(shown);
    Combo_EnterIPAddress_Databits->setVisible(shown);
    Combo_EnterIPAddress_Parity->setVisible(shown);
    Combo_EnterIPAddress_Stopbits->setVisible(shown);
}

void ConnectionPage::Prepare(bool, bool)
{
    ShowSerialDetails(false);
    Settings& settings = Context().settings;
    const int task = Task();
    const bool lineTask = task == task::ModbusTest || task == task::AsciiTest;
    {
        const QSignalBlocker block(Combo_EnterIPAddress_BaudRate);
        if (lineTask)
            FillSerialBaudList(Combo_EnterIPAddress_BaudRate);
        else
            FillMBusLineSpeedList(Combo_EnterIPAddress_BaudRate, Context().language);
    }
    // Selecting an entry stores it, so the keys exist once the page was shown.
    SelectStoredIndex(Combo_EnterIPAddress_BaudRate, settings.ReadInt(keys::Combo_EnterIPAddress_BaudRate.ForTask(task)));
    Combo_EnterIPAddress_BaudRate_Click();
    Text_EnterIPAddress->setText(settings.Read(keys::IPAddress));
    SelectStoredIndex(Combo_EnterIPAddress_SerialPort, settings.ReadInt(keys::SerialPort.ForTask(task)));
    Combo_EnterIPAddress_SerialPort_Click();
    SelectStoredIndex(Combo_EnterIPAddress_Databits, settings.ReadInt(keys::SerialDatabits.ForTask(task)));
    SelectStoredIndex(Combo_EnterIPAddress_Stopbits, settings.ReadInt(keys::SerialStopbits.ForTask(task)));
    SelectStoredIndex(Combo_EnterIPAddress_Parity, settings.ReadInt(keys::SerialParity.ForTask(task)));
    Check_EnterIPAddress_UDPorTCP->setChecked(settings.ReadInt(keys::UDPorTCP) != 0);
    Text_EnterIPAddress_Port->setText(settings.Read(keys::TCPPort));

    const bool networkSettingsTask = task == task::NetworkSettings;
    if (networkSettingsTask) {
        HeaderLabel()->setText(GetLanguageText(apptext::kConnectionQuestion));
        Text_Info_EnterIPAddress->SetText(GetLanguageText(apptext::kConnectionQuestionInfo));
    } else {
        HeaderLabel()->setText(GetLanguageText(apptext::kConnectionHeader));
        Text_Info_EnterIPAddress->SetText(GetLanguageText(apptext::kConnectionInfo));
        Label_EnterIPAddress[3]->setText(lineTask ? GetLanguageText(apptext::kBaudRate)
                                                  : GetLanguageText(apptext::kMBusSpeed));
    }
    Label_EnterIPAddress[3]->setVisible(!networkSettingsTask);
    Combo_EnterIPAddress_BaudRate->setVisible(!networkSettingsTask);
    Check_EnterIPAddress_UDPorTCP->setVisible(!networkSettingsTask);
    Label_EnterIPAddress[1]->setVisible(!networkSettingsTask);
    Text_EnterIPAddress_Port->setVisible(!networkSettingsTask);
    ShowSerialDetails(lineTask);
}

void ConnectionPage::Leave(bool, bool forward)
{
    if (!forward)
        return;
    Settings& settings = Context().settings;
    const int task = Task();
    settings.Save(keys::IPAddress, Text_EnterIPAddress->text());
    if (LeadingNumber(Text_EnterIPAddress_Port->text()) > kHighestPort)
        Text_EnterIPAddress_Port->setText(QString::number(kHighestPort));
    settings.Save(keys::TCPPort, Text_EnterIPAddress_Port->text());
    settings.Save(keys::UDPorTCP, Check_EnterIPAddress_UDPorTCP->isChecked() ? 1 : 0);
    settings.Save(keys::SerialDatabits.ForTask(task), Combo_EnterIPAddress_Databits->currentIndex());
    settings.Save(keys::SerialStopbits.ForTask(task), Combo_EnterIPAddress_Stopbits->currentIndex());
    settings.Save(keys::SerialParity.ForTask(task), Combo_EnterIPAddress_Parity->currentIndex());
}

bool ConnectionPage::AcceptNext()
{
    if (!Option_EnterIPAddress[0]->isChecked())
        return true;
    if (RefuseTypedAddresses(Host(), {{netsetuptext::kConnectionAddress, Text_EnterIPAddress->text()}})) {
        Text_EnterIPAddress->setFocus();
        return false;
    }
    // Stored and used as it is read, without blanks or leading zeros.
    Text_EnterIPAddress->setText(*TypedAddress(Text_EnterIPAddress->text()));
    return true;
}

void ConnectionPage::Option_EnterIPAddress_Click(int index)
{
    Picture_EnterIPAddress[0]->setVisible(index == 0);
    Picture_EnterIPAddress[1]->setVisible(index == 1);
    Context().settings.Save(keys::Option_EnterIPAddress, index);
}

void ConnectionPage::Combo_EnterIPAddress_BaudRate_Click()
{
    if (Combo_EnterIPAddress_BaudRate->currentIndex() >= 0)
        Context().settings.Save(keys::Combo_EnterIPAddress_BaudRate.ForTask(Task()),
                                Combo_EnterIPAddress_BaudRate->currentIndex());
}

void ConnectionPage::Combo_EnterIPAddress_SerialPort_Click()
{
    if (Combo_EnterIPAddress_SerialPort->currentIndex() >= 0)
        Context().settings.Save(keys::SerialPort.ForTask(Task()), Combo_EnterIPAddress_SerialPort->currentIndex());
}
