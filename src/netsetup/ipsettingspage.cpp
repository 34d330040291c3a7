#include "ipsettingspage.h"

#include "netsetuptexts.h"
#include "pagesetupview.h"
#include "recordedit.h"

#include "shell/infobox.h"
#include "shell/pagecontrols.h"
#include "base/pageflow.h"
#include "base/settings.h"
#include "shell/wizardcontext.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {
constexpr int kDhcp = 0;
constexpr int kFixedAddress = 1;
constexpr int kDottedAddressLength = 15; // "255.255.255.255"
} // namespace

IpSettingsPage::IpSettingsPage(WizardHost& host, QWidget* parent)
    : WizardPage(page::IpSettings, host, parent)
{
    Text_Info_IPAddress = new InfoBox(this);
    Text_Info_IPAddress->setObjectName(ElementName(QStringLiteral("Text_Info_IPAddress"), page::IpSettings));
    Body()->addWidget(Text_Info_IPAddress);

    auto* group = new QButtonGroup(this);
    for (int i = 0; i < 2; ++i) {
        auto* option = new QRadioButton(this);
        option->setObjectName(ElementName(QStringLiteral("Option_DHCP"), i));
        group->addButton(option, i);
        Body()->addWidget(option);
        Option_DHCP[static_cast<size_t>(i)] = option;
        connect(option, &QRadioButton::clicked, this, [this, i] { Option_DHCP_Click(i); });
    }

    // The fixed address belongs to the second option, so its boxes sit
    // indented below it.
    auto* grid = new QGridLayout;
    const int indent = style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth)
                       + style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
    grid->setContentsMargins(indent, 0, 0, 0);
    const auto addressBox = [this](const char* name) {
        auto* box = new QLineEdit(this);
        box->setObjectName(QString::fromLatin1(name));
        FitWidthToDigits(box, kDottedAddressLength);
        return box;
    };
    Text_IPAddress = addressBox("Text_IPAddress");
    Text_Gateway = addressBox("Text_Gateway");
    Text_NetMask = addressBox("Text_NetMask");
    QLineEdit* boxes[3] = {Text_IPAddress, Text_Gateway, Text_NetMask};
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(ElementName(QStringLiteral("Label_IPAddress"), i));
        Label_IPAddress[static_cast<size_t>(i)] = label;
        if (i < 3) {
            label->setBuddy(boxes[i]);
            grid->addWidget(label, i, 0);
            grid->addWidget(boxes[i], i, 1, Qt::AlignLeft);
        } else {
            label->setWordWrap(true);
            grid->addWidget(label, i, 0, 1, 3);
        }
    }
    grid->setColumnStretch(2, 1);
    Body()->addLayout(grid);
    Body()->addStretch(1);
}

void IpSettingsPage::Startup()
{
    HeaderLabel()->setText(GetLanguageText(netsetuptext::kIpSettingsHeader));
    Option_DHCP[0]->setText(GetLanguageText(netsetuptext::kDhcpOption));
    Option_DHCP[1]->setText(GetLanguageText(netsetuptext::kFixedAddressOption));
    Label_IPAddress[0]->setText(GetLanguageText(netsetuptext::kIPAddress));
    Label_IPAddress[1]->setText(GetLanguageText(netsetuptext::kGateway));
    Label_IPAddress[2]->setText(GetLanguageText(netsetuptext::kNetMask));
    Label_IPAddress[3]->setText(GetLanguageText(netsetuptext::kHowToTypeAddresses));
    ShowExplanation();
    const int stored = Context().settings.ReadInt(keys::Option_DHCP);
    if (stored == kDhcp || stored == kFixedAddress) {
        Option_DHCP[static_cast<size_t>(stored)]->setChecked(true);
        Option_DHCP_Click(stored);
    }
}

void IpSettingsPage::Prepare(bool, bool)
{
    const Settings& settings = Context().settings;
    Text_IPAddress->setText(settings.Read(keys::IPAddress));
    Text_Gateway->setText(settings.Read(keys::Gateway));
    Text_NetMask->setText(settings.Read(keys::NetMask));
    ShowExplanation(); // page 20 may have changed the way since start-up
}

void IpSettingsPage::Leave(bool, bool forward)
{
    if (!forward)
        return; // Back drops what was typed here
    Settings& settings = Context().settings;
    settings.Save(keys::IPAddress, Text_IPAddress->text());
    settings.Save(keys::Gateway, Text_Gateway->text());
    settings.Save(keys::NetMask, Text_NetMask->text());
}

bool IpSettingsPage::AcceptNext()
{
    if (!Option_DHCP[kFixedAddress]->isChecked())
        return true;
    const std::pair<int, QLineEdit*> boxes[] = {{netsetuptext::kIPAddress, Text_IPAddress},
                                                {netsetuptext::kGateway, Text_Gateway},
                                                {netsetuptext::kNetMask, Text_NetMask}};
    QList<AddressField> typed;
    for (const auto& [label, box] : boxes)
        typed.append({label, box->text()});
    const std::optional<RecordRefusal> refused = RefuseTypedAddresses(Host(), typed);
    if (!refused) {
        // Stored as they are sent.
        for (const auto& [label, box] : boxes)
            box->setText(*TypedAddress(box->text()));
        return true;
    }
    for (const auto& [label, box] : boxes) {
        if (label == refused->fieldText)
            box->setFocus();
    }
    return false;
}

void IpSettingsPage::Option_DHCP_Click(int index)
{
    const bool fixed = index == kFixedAddress;
    Text_IPAddress->setEnabled(fixed);
    Text_Gateway->setEnabled(fixed);
    Text_NetMask->setEnabled(fixed);
    Context().settings.Save(keys::Option_DHCP, index);
}

void IpSettingsPage::ShowExplanation()
{
    // Only over the network does the wizard search for a gateway that took
    // its address from DHCP, so only then is that worth telling.
    QString text = GetLanguageText(netsetuptext::kIpSettingsInfo);
    if (Context().settings.ReadInt(keys::Option_ChangeIPSettings) == 0)
        text += QStringLiteral("\r\n\r\n") + GetLanguageText(netsetuptext::kDhcpAdvice);
    Text_Info_IPAddress->SetText(text);
}
