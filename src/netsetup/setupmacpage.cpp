#include "setupmacpage.h"

#include "netsetuptexts.h"
#include "shell/infobox.h"
#include "shell/pagecontrols.h"
#include "base/pageflow.h"
#include "base/settings.h"
#include "shell/standardlists.h"
#include "shell/wizardcontext.h"
#include "shell/wizardhost.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {
constexpr int kNetwork = 0;
constexpr int kSerial = 1;

// Six hex pairs joined by "-"; the digits are the user's business.
bool HasSixParts(const QString& mac)
{
    return mac.count(u'-') == 5;
}
} // namespace

SetupMacPage::SetupMacPage(WizardHost& host, QWidget* parent)
    : WizardPage(page::SetupMac, host, parent)
{
    Text_SetupIP_MacAddress = new QLineEdit(this);
    Text_SetupIP_MacAddress->setObjectName(QStringLiteral("Text_SetupIP_MacAddress"));
    FitWidthToDigits(Text_SetupIP_MacAddress, 17);
    Combo_SetupIP_SerialPort = new QComboBox(this);
    Combo_SetupIP_SerialPort->setObjectName(QStringLiteral("Combo_SetupIP_SerialPort"));
    QWidget* fields[2] = {Text_SetupIP_MacAddress, Combo_SetupIP_SerialPort};

    // Each choice takes two rows: the option with its explanation, and below
    // it, indented, the one field that choice needs.
    auto* grid = new QGridLayout;
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < 2; ++i) {
        const auto element = static_cast<size_t>(i);
        auto* option = new QRadioButton(this);
        option->setObjectName(ElementName(QStringLiteral("Option_ChangeIPSettings"), i));
        group->addButton(option, i);
        Option_ChangeIPSettings[element] = option;
        auto* infoCell = new QVBoxLayout;
        Text_Info[element] = AddInfo(20 + i, infoCell);
        // Screen readers name the button by the first line of its explanation.
        connect(Text_Info[element], &InfoBox::textChanged, option, [this, option, element] {
            option->setAccessibleName(Text_Info[element]->Text().section(u'\n', 0, 0));
        });
        auto* label = new QLabel(this);
        label->setObjectName(ElementName(QStringLiteral("Label_SetupIP"), i));
        label->setBuddy(fields[i]);
        Label_SetupIP[element] = label;

        const int row = 2 * i;
        grid->addWidget(option, row, 0, Qt::AlignTop);
        grid->addLayout(infoCell, row, 1, 1, 3);
        grid->addWidget(label, row + 1, 1);
        grid->addWidget(fields[i], row + 1, 2, Qt::AlignLeft);

        connect(option, &QRadioButton::clicked, this, [this, i] { Option_ChangeIPSettings_Click(i); });
        LinkInfoToOption(Text_Info[element], option, [this, i] { Option_ChangeIPSettings_Click(i); });
    }
    grid->setColumnStretch(3, 1);
    Body()->addLayout(grid);
    Body()->addStretch(1);

    connect(Text_SetupIP_MacAddress, &QLineEdit::textChanged, this, [this] { Text_SetupIP_MacAddress_Change(); });
    connect(Combo_SetupIP_SerialPort, &QComboBox::currentIndexChanged, this,
            [this] { Combo_SetupIP_SerialPort_Click(); });
}

void SetupMacPage::Startup()
{
    HeaderLabel()->setText(GetLanguageText(netsetuptext::kSetIpHeader));
    Text_Info[0]->SetText(GetLanguageText(netsetuptext::kOverNetworkOption));
    Text_Info[1]->SetText(GetLanguageText(netsetuptext::kOverSerialCableOption));
    Label_SetupIP[0]->setText(GetLanguageText(netsetuptext::kMacAddress));
    Label_SetupIP[1]->setText(GetLanguageText(netsetuptext::kSerialPort));
    {
        // Filling is no choice of the user's: nothing may be stored, and the
        // list stays without a selection until the page is prepared.
        const QSignalBlocker block(Combo_SetupIP_SerialPort);
        FillSerialPortList(Combo_SetupIP_SerialPort, Context().ini);
        Combo_SetupIP_SerialPort->setCurrentIndex(-1);
    }
    {
        const QSignalBlocker block(Text_SetupIP_MacAddress);
        Text_SetupIP_MacAddress->setText(Context().settings.Read(keys::Text_SetupIP_MacAddress));
    }
    const int stored = Context().settings.ReadInt(keys::Option_ChangeIPSettings);
    if (stored == kNetwork || stored == kSerial) {
        Option_ChangeIPSettings[static_cast<size_t>(stored)]->setChecked(true);
        Option_ChangeIPSettings_Click(stored);
    }
}

void SetupMacPage::Prepare(bool, bool)
{
    Settings& settings = Context().settings;
    Text_SetupIP_MacAddress->setText(settings.Read(keys::MACAddress));
    SelectStoredIndex(Combo_SetupIP_SerialPort, settings.ReadInt(PortKey()));
    // Setting an unchanged text reports no change, so the rule is applied
    // here as well: a bad address left behind must not pass on the way back.
    if (ByNetwork())
        Text_SetupIP_MacAddress_Change();
}

void SetupMacPage::Leave(bool, bool)
{
    Settings& settings = Context().settings;
    settings.Save(keys::MACAddress, Text_SetupIP_MacAddress->text().toUpper());
    settings.Save(PortKey(), Combo_SetupIP_SerialPort->currentIndex());
}

bool SetupMacPage::ByNetwork() const
{
    return Option_ChangeIPSettings[kNetwork]->isChecked();
}

void SetupMacPage::Option_ChangeIPSettings_Click(int index)
{
    const bool network = index == kNetwork;
    Label_SetupIP[0]->setVisible(network);
    Text_SetupIP_MacAddress->setVisible(network);
    Label_SetupIP[1]->setVisible(!network);
    Combo_SetupIP_SerialPort->setVisible(!network);
    if (network)
        Text_SetupIP_MacAddress_Change();
    else
        Host().SetNextEnabled(true); // any port will do; the setup itself tells if it is the right one
    Context().settings.Save(keys::Option_ChangeIPSettings, index);
}

void SetupMacPage::Text_SetupIP_MacAddress_Change()
{
    if (ByNetwork())
        Host().SetNextEnabled(HasSixParts(Text_SetupIP_MacAddress->text()));
}

void SetupMacPage::Combo_SetupIP_SerialPort_Click()
{
    Context().settings.Save(PortKey(), Combo_SetupIP_SerialPort->currentIndex());
}

SettingKey SetupMacPage::PortKey() const
{
    return keys::SerialPort.ForTask(Context().state.WhatToDo);
}
