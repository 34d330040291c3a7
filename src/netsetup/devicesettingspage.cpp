#include "devicesettingspage.h"

#include "netsetuptexts.h"
#include "networksettings.h"
#include "comm/commtexts.h"
#include "shell/infobox.h"
#include "base/pageflow.h"
#include "base/settings.h"
#include "shell/standardlists.h"
#include "shell/wizardcontext.h"
#include "shell/wizardhost.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

DeviceSettingsPage::DeviceSettingsPage(WizardHost& host, QWidget* parent)
    : WizardPage(page::DeviceSettings, host, parent)
{
    Text_Info_52 = AddInfo(52, Body());
    Text_Info_53 = AddInfo(53, Body());
    BuildDeviceFields();
    Body()->addStretch(1);
}

void DeviceSettingsPage::BuildDeviceFields()
{
    m_DeviceFields = new QWidget(this);
    m_DeviceFields->setObjectName(QStringLiteral("Picture_SetupDevice"));
    auto* column = new QVBoxLayout(m_DeviceFields);
    column->setContentsMargins(0, 0, 0, 0);
    auto* grid = new QGridLayout;
    Text_SetupDevice_Port = new QLineEdit(m_DeviceFields);
    Text_SetupDevice_Port->setObjectName(QStringLiteral("Text_SetupDevice_Port"));
    Text_SetupDevice_Port->setMaxLength(5);
    Combo_SetupDevice_LineSpeed = new QComboBox(m_DeviceFields);
    Combo_SetupDevice_LineSpeed->setObjectName(QStringLiteral("Combo_SetupDevice_LineSpeed"));
    Check_SetupDevice_UDPorTCP = new QCheckBox(m_DeviceFields);
    Check_SetupDevice_UDPorTCP->setObjectName(QStringLiteral("Check_SetupDevice_UDPorTCP"));
    cmdChangeParameters = new QPushButton(m_DeviceFields);
    cmdChangeParameters->setObjectName(QStringLiteral("cmdChangeParameters"));
    connect(cmdChangeParameters, &QPushButton::clicked, this, [this] { cmdChangeParameters_Click(); });

    const auto makeLabel = [this](int index) {
        auto* label = new QLabel(m_DeviceFields);
        label->setObjectName(ElementName(QStringLiteral("Label_SetupDevice"), index));
        Label_SetupDevice[static_cast<size_t>(index)] = label;
        return label;
    };
    grid->addWidget(makeLabel(0), 0, 0);
    grid->addWidget(Text_SetupDevice_Port, 0, 1);
    grid->addWidget(Check_SetupDevice_UDPorTCP, 0, 2);
    grid->addWidget(makeLabel(2), 1, 0);
    grid->addWidget(Combo_SetupDevice_LineSpeed, 1, 1);
    grid->addWidget(cmdChangeParameters, 1, 2);
    grid->setColumnStretch(1, 1);
    Label_SetupDevice[0]->setBuddy(Text_SetupDevice_Port);
    Label_SetupDevice[2]->setBuddy(Combo_SetupDevice_LineSpeed);
    column->addLayout(grid);

    Check_SetupDevice_Security = new QCheckBox(m_DeviceFields);
    Check_SetupDevice_Security->setObjectName(QStringLiteral("Check_SetupDevice_Security"));
    connect(Check_SetupDevice_Security, &QCheckBox::clicked, this, [this] { Check_SetupDevice_Security_Click(); });
    column->addWidget(Check_SetupDevice_Security);
    BuildSecurityFrame();
    column->addWidget(Frame_SetupDevice_Security);
    Body()->addWidget(m_DeviceFields);
}

void DeviceSettingsPage::BuildSecurityFrame()
{
    Frame_SetupDevice_Security = new QGroupBox(m_DeviceFields);
    Frame_SetupDevice_Security->setObjectName(QStringLiteral("Frame_SetupDevice_Security"));
    auto* grid = new QGridLayout(Frame_SetupDevice_Security);
    Text_Info_50 = new InfoBox(Frame_SetupDevice_Security);
    Text_Info_50->setObjectName(ElementName(QStringLiteral("Text_Info"), 50));
    Text_Info_51 = new InfoBox(Frame_SetupDevice_Security);
    Text_Info_51->setObjectName(ElementName(QStringLiteral("Text_Info"), 51));
    Check_SetupDevice_Ostrand = new QCheckBox(Frame_SetupDevice_Security);
    Check_SetupDevice_Ostrand->setObjectName(QStringLiteral("Check_SetupDevice_Ostrand"));
    Check_SetupDevice_Telnet = new QCheckBox(Frame_SetupDevice_Security);
    Check_SetupDevice_Telnet->setObjectName(QStringLiteral("Check_SetupDevice_Telnet"));
    auto* passwordLabel = new QLabel(Frame_SetupDevice_Security);
    passwordLabel->setObjectName(ElementName(QStringLiteral("Label_SetupDevice"), 1));
    Label_SetupDevice[1] = passwordLabel;
    Text_SetupDevice_Password = new QLineEdit(Frame_SetupDevice_Security);
    Text_SetupDevice_Password->setObjectName(QStringLiteral("Text_SetupDevice_Password"));
    Text_SetupDevice_Password->setMaxLength(4);
    passwordLabel->setBuddy(Text_SetupDevice_Password);
    grid->addWidget(Text_Info_50, 0, 0, 1, 3);
    grid->addWidget(Check_SetupDevice_Ostrand, 1, 0, 1, 3);
    grid->addWidget(Check_SetupDevice_Telnet, 2, 0);
    grid->addWidget(passwordLabel, 2, 1);
    grid->addWidget(Text_SetupDevice_Password, 2, 2);
    grid->addWidget(Text_Info_51, 3, 0, 1, 3);
    grid->setColumnStretch(2, 1);
}

void DeviceSettingsPage::Startup()
{
    HeaderLabel()->setText(GetLanguageText(netsetuptext::kNetworkSettingsHeader));
    Check_SetupDevice_Security->setText(GetLanguageText(netsetuptext::kUpdateSecurity));
    Text_Info_50->SetText(GetLanguageText(netsetuptext::kTelnetInfo));
    Text_Info_51->SetText(GetLanguageText(netsetuptext::kWizardAccessInfo));
    Text_Info_53->SetText(GetLanguageText(netsetuptext::kSettingsReadInfo));
    Check_SetupDevice_Ostrand->setText(GetLanguageText(netsetuptext::kAllowConfig));
    Check_SetupDevice_Telnet->setText(GetLanguageText(netsetuptext::kAllowTelnet));
    Check_SetupDevice_UDPorTCP->setText(GetLanguageText(netsetuptext::kUdp));
    Label_SetupDevice[0]->setText(GetLanguageText(netsetuptext::kPort));
    Label_SetupDevice[1]->setText(GetLanguageText(netsetuptext::kPassword));
    Label_SetupDevice[2]->setText(GetLanguageText(netsetuptext::kLineSpeed));
    cmdChangeParameters->setText(GetLanguageText(commtext::kFactoryDefaults));
    FillMBusLineSpeedList(Combo_SetupDevice_LineSpeed, Context().language);
}

void DeviceSettingsPage::ShowDeviceFields(bool shown)
{
    m_DeviceFields->setVisible(shown);
    Frame_SetupDevice_Security->setVisible(shown);
    if (shown)
        Check_SetupDevice_Security_Click();
}

void DeviceSettingsPage::ShowSettings(const ChannelSettings& settings)
{
    Text_SetupDevice_Port->setText(settings.port);
    Combo_SetupDevice_LineSpeed->setCurrentIndex(settings.lineSpeed);
    Check_SetupDevice_UDPorTCP->setChecked(settings.udp);
    Text_SetupDevice_Password->setText(settings.password);
}

void DeviceSettingsPage::Prepare(bool, bool forward)
{
    if (forward) {
        Frame_SetupDevice_Security->setVisible(false);
        Check_SetupDevice_Security->setChecked(false);
        Check_SetupDevice_Telnet->setChecked(false);
        Check_SetupDevice_Ostrand->setChecked(false);
        Text_SetupDevice_Password->clear();
        Text_Info_52->SetText(QString());
        Text_Info_52->setVisible(true);
        Text_Info_53->setVisible(false);
        ShowDeviceFields(false);
        Host().SetNextEnabled(false);
    }
    Host().SetNextCaption(GetLanguageText(netsetuptext::kWrite));
}

void DeviceSettingsPage::Enter(bool back, bool)
{
    if (!back && m_ReadRecord)
        m_ReadRecord(ChosenTransferMode(Context().settings));
}

void DeviceSettingsPage::Leave(bool, bool forward)
{
    if (!forward)
        return;
    Context().settings.Save(keys::UDPorTCP, Check_SetupDevice_UDPorTCP->isChecked() ? 1 : 0);
    Context().settings.Save(keys::TCPPort, Text_SetupDevice_Port->text());
}

RecordChanges DeviceSettingsPage::Changes() const
{
    RecordChanges changes;
    changes.port = Text_SetupDevice_Port->text();
    if (Combo_SetupDevice_LineSpeed->currentIndex() >= 0)
        changes.lineSpeed = Combo_SetupDevice_LineSpeed->currentIndex();
    changes.udp = Check_SetupDevice_UDPorTCP->isChecked();
    if (Check_SetupDevice_Security->isChecked()) {
        changes.password = Text_SetupDevice_Password->text();
        changes.allowConfig = Check_SetupDevice_Ostrand->isChecked();
        changes.allowTelnet = Check_SetupDevice_Telnet->isChecked();
    }
    return changes;
}

void DeviceSettingsPage::Check_SetupDevice_Security_Click()
{
    const bool on = Check_SetupDevice_Security->isChecked();
    for (QWidget* control : std::initializer_list<QWidget*>{Frame_SetupDevice_Security, Text_Info_50, Text_Info_51,
                                                            Check_SetupDevice_Telnet, Label_SetupDevice[1],
                                                            Text_SetupDevice_Password, Check_SetupDevice_Ostrand})
        control->setEnabled(on);
}

void DeviceSettingsPage::cmdChangeParameters_Click()
{
    // The first channel's defaults of the network record.
    Check_SetupDevice_UDPorTCP->setChecked(true);
    Text_SetupDevice_Port->setText(QStringLiteral("10001"));
    Combo_SetupDevice_LineSpeed->setCurrentIndex(3);
}
