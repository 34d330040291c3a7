#include "netsetup/devicelistpage.h"
#include "netsetup/ipsettingspage.h"
#include "netsetup/pingpage.h"
#include "netsetup/serialsetuppage.h"
#include "netsetup/setipbynetworkpage.h"
#include "netsetup/setupmacpage.h"
#include "shell/infobox.h"
#include "shell/wizardhost.h"

#include "fakewizardhost.h"
#include "modalwatch.h"
#include "testenvironment.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace {

template <typename Widget>
Widget* Control(const QWidget& page, const QString& name)
{
    auto* widget = page.findChild<Widget*>(name, Qt::FindChildrenRecursively);
    if (!widget)
        throw std::runtime_error("no control " + name.toStdString());
    return widget;
}

// Info boxes give their lines joined with LF.
QString Lines(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

class NetSetupPages : public WizardPageTest {
protected:
    // What the wizard does on the way to a page: Next enabled, then the
    // page's own preparation and entry.
    void Arrive(WizardPage& page, bool back = false)
    {
        host.nextEnabled = true;
        page.Prepare(back, !back);
        page.Enter(back, !back);
    }

    QString Text(int id) { return Lines(env.Context().language.GetLanguageText(id)); }
    Settings& Store() { return env.Context().settings; }
    WizardState& State() { return env.Context().state; }
};

void ClickRow(QTreeWidget* list, QTreeWidgetItem* row)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(row).center());
}

// ---- page 20 -------------------------------------------------------------

TEST_F(NetSetupPages, ChangeIpSettingsShowsTheChosenWaysFieldAndGatesNextOnTheMac)
{
    auto page = ShownPage<SetupMacPage>();
    Arrive(*page);
    auto* mac = Control<QLineEdit>(*page, "Text_SetupIP_MacAddress");
    auto* port = Control<QComboBox>(*page, "Combo_SetupIP_SerialPort");
    auto* macLabel = Control<QLabel>(*page, "Label_SetupIP(0)");
    auto* portLabel = Control<QLabel>(*page, "Label_SetupIP(1)");

    QTest::mouseClick(Control<QRadioButton>(*page, "Option_ChangeIPSettings(1)"), Qt::LeftButton);
    EXPECT_FALSE(page->ByNetwork());
    EXPECT_TRUE(mac->isHidden());
    EXPECT_TRUE(macLabel->isHidden());
    EXPECT_FALSE(port->isHidden());
    EXPECT_FALSE(portLabel->isHidden());
    EXPECT_TRUE(host.nextEnabled);
    EXPECT_EQ(Store().Read(keys::Option_ChangeIPSettings), "1");

    // Over the cable the MAC address does not matter.
    mac->setText(QStringLiteral("not a mac"));
    EXPECT_TRUE(host.nextEnabled);

    QTest::mouseClick(Control<QRadioButton>(*page, "Option_ChangeIPSettings(0)"), Qt::LeftButton);
    EXPECT_TRUE(page->ByNetwork());
    EXPECT_FALSE(mac->isHidden());
    EXPECT_FALSE(macLabel->isHidden());
    EXPECT_TRUE(port->isHidden());
    EXPECT_TRUE(portLabel->isHidden());
    EXPECT_FALSE(host.nextEnabled) << "the address left in the box has no dashes";
    EXPECT_EQ(Store().Read(keys::Option_ChangeIPSettings), "0");

    const struct {
        const char* text;
        bool next;
    } cases[] = {
        {"00-20-4A-12-34", false},     // four dashes
        {"00-20-4A-12-34-56", true},   // five
        {"00-20-4A-12-34-56-", false}, // six
        {"-----", true},               // only the dashes are counted
        {"", false},
    };
    for (const auto& c : cases) {
        mac->clear();
        QTest::keyClicks(mac, QString::fromLatin1(c.text));
        EXPECT_EQ(host.nextEnabled, c.next) << c.text;
    }
}

TEST_F(NetSetupPages, SetupMacLeaveSavesTheUpperCaseMacAndThePortOfTheTask)
{
    auto page = ShownPage<SetupMacPage>();
    auto* mac = Control<QLineEdit>(*page, "Text_SetupIP_MacAddress");
    auto* port = Control<QComboBox>(*page, "Combo_SetupIP_SerialPort");

    State().WhatToDo = 1;
    Arrive(*page);
    mac->setText(QStringLiteral("00-20-4a-ab-cd-ef"));
    port->setCurrentIndex(2);
    EXPECT_EQ(Store().Read(keys::SerialPort.ForTask(1)), "2") << "a port choice is stored at once";
    page->Leave(true, false); // Back saves as well
    EXPECT_EQ(Store().Read(keys::MACAddress), "00-20-4A-AB-CD-EF");

    State().WhatToDo = 3;
    Arrive(*page);
    EXPECT_EQ(port->currentIndex(), 0) << "task 3 has no port of its own yet";
    EXPECT_EQ(mac->text(), "00-20-4A-AB-CD-EF");
    port->setCurrentIndex(5);
    page->Leave(false, true);
    EXPECT_EQ(Store().Read(keys::SerialPort.ForTask(3)), "5");
    EXPECT_EQ(Store().Read(keys::SerialPort.ForTask(1)), "2");

    State().WhatToDo = 1;
    Arrive(*page);
    EXPECT_EQ(port->currentText(), "COM3");
}

TEST_F(NetSetupPages, SetupMacStartupRestoresTheChoiceWithoutTouchingStoredPorts)
{
    Store().Save(keys::Option_ChangeIPSettings, 1);
    Store().Save(keys::SerialPort.ForTask(1), 4);
    Store().Save(keys::SerialPort.ForTask(3), 7);
    State().WhatToDo = 1;

    auto page = ShownPage<SetupMacPage>();
    EXPECT_TRUE(Control<QRadioButton>(*page, "Option_ChangeIPSettings(1)")->isChecked());
    EXPECT_FALSE(page->ByNetwork());
    // Filling the port list must not pass for a choice.
    EXPECT_EQ(Store().Read(keys::SerialPort.ForTask(1)), "4");
    EXPECT_EQ(Store().Read(keys::SerialPort.ForTask(3)), "7");

    Arrive(*page);
    EXPECT_EQ(Control<QComboBox>(*page, "Combo_SetupIP_SerialPort")->currentText(), "COM5");
    EXPECT_TRUE(host.nextEnabled);
}

TEST_F(NetSetupPages, SetupMacArrivingWithAnIncompleteMacKeepsNextDisabled)
{
    Store().Save(keys::MACAddress, QStringLiteral("00-20-4A"));
    auto page = ShownPage<SetupMacPage>();
    Arrive(*page);
    EXPECT_FALSE(host.nextEnabled);

    // Back and forth again: the box already shows that text, so no change is
    // reported, and the page must still judge it.
    page->Leave(true, false);
    Arrive(*page);
    EXPECT_FALSE(host.nextEnabled);
}

TEST_F(NetSetupPages, ClickingAnInfoTextChoosesTheOptionItExplains)
{
    auto page = ShownPage<SetupMacPage>();
    page->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(page.get()));
    Arrive(*page);
    auto* network = Control<QRadioButton>(*page, "Option_ChangeIPSettings(0)");
    auto* serial = Control<QRadioButton>(*page, "Option_ChangeIPSettings(1)");
    EXPECT_EQ(Lines(Control<InfoBox>(*page, "Text_Info(20)")->Text()), Text(201));
    EXPECT_EQ(Lines(Control<InfoBox>(*page, "Text_Info(21)")->Text()), Text(202));

    QTest::mouseClick(Control<InfoBox>(*page, "Text_Info(21)")->viewport(), Qt::LeftButton);
    EXPECT_TRUE(serial->isChecked());
    EXPECT_TRUE(serial->hasFocus());
    EXPECT_FALSE(Control<QComboBox>(*page, "Combo_SetupIP_SerialPort")->isHidden());
    EXPECT_EQ(Store().Read(keys::Option_ChangeIPSettings), "1");

    QTest::mouseClick(Control<InfoBox>(*page, "Text_Info(20)")->viewport(), Qt::LeftButton);
    EXPECT_TRUE(network->isChecked());
    EXPECT_TRUE(network->hasFocus());
    EXPECT_FALSE(Control<QLineEdit>(*page, "Text_SetupIP_MacAddress")->isHidden());
    EXPECT_EQ(Store().Read(keys::Option_ChangeIPSettings), "0");
}

// ---- page 21 -------------------------------------------------------------

TEST_F(NetSetupPages, DhcpChoiceEnablesTheAddressBoxesOnlyForAFixedAddress)
{
    const char* boxes[] = {"Text_IPAddress", "Text_Gateway", "Text_NetMask"};
    {
        auto page = ShownPage<IpSettingsPage>(); // stored choice: fixed address
        EXPECT_TRUE(Control<QRadioButton>(*page, "Option_DHCP(1)")->isChecked());
        for (const char* box : boxes)
            EXPECT_TRUE(Control<QLineEdit>(*page, box)->isEnabled()) << box;

        QTest::mouseClick(Control<QRadioButton>(*page, "Option_DHCP(0)"), Qt::LeftButton);
        for (const char* box : boxes)
            EXPECT_FALSE(Control<QLineEdit>(*page, box)->isEnabled()) << box;
        EXPECT_EQ(Store().Read(keys::Option_DHCP), "0");
    }
    // The next start comes up with DHCP chosen and the boxes locked.
    auto page = ShownPage<IpSettingsPage>();
    EXPECT_TRUE(Control<QRadioButton>(*page, "Option_DHCP(0)")->isChecked());
    for (const char* box : boxes)
        EXPECT_FALSE(Control<QLineEdit>(*page, box)->isEnabled()) << box;

    QTest::mouseClick(Control<QRadioButton>(*page, "Option_DHCP(1)"), Qt::LeftButton);
    for (const char* box : boxes)
        EXPECT_TRUE(Control<QLineEdit>(*page, box)->isEnabled()) << box;
    EXPECT_EQ(Store().Read(keys::Option_DHCP), "1");
}

TEST_F(NetSetupPages, IpSettingsAreSavedWhenLeftForwardOnly)
{
    auto page = ShownPage<IpSettingsPage>();
    Arrive(*page);
    auto* ip = Control<QLineEdit>(*page, "Text_IPAddress");
    auto* gateway = Control<QLineEdit>(*page, "Text_Gateway");
    auto* mask = Control<QLineEdit>(*page, "Text_NetMask");
    EXPECT_EQ(ip->text(), "192.168.0.10");
    EXPECT_EQ(gateway->text(), "192.168.0.1");
    EXPECT_EQ(mask->text(), "255.255.255.0");

    ip->setText(QStringLiteral("10.1.2.3"));
    gateway->setText(QStringLiteral("10.1.2.254"));
    mask->setText(QStringLiteral("255.255.0.0"));
    page->Leave(true, false);
    EXPECT_EQ(Store().ReadSetting(keys::kWizardSection, keys::IPAddress.key, "absent"), "absent");
    EXPECT_EQ(Store().ReadSetting(keys::kWizardSection, keys::Gateway.key, "absent"), "absent");
    EXPECT_EQ(Store().ReadSetting(keys::kWizardSection, keys::NetMask.key, "absent"), "absent");

    Arrive(*page);
    EXPECT_EQ(ip->text(), "192.168.0.10") << "what Back left behind is gone";
    ip->setText(QStringLiteral("10.1.2.3"));
    gateway->setText(QStringLiteral("10.1.2.254"));
    mask->setText(QStringLiteral("255.255.0.0"));
    page->Leave(false, true);
    EXPECT_EQ(Store().Read(keys::IPAddress), "10.1.2.3");
    EXPECT_EQ(Store().Read(keys::Gateway), "10.1.2.254");
    EXPECT_EQ(Store().Read(keys::NetMask), "255.255.0.0");
}

TEST_F(NetSetupPages, IpSettingsTellAboutTheDhcpSearchOnlyOnTheNetworkWay)
{
    auto setupMac = ShownPage<SetupMacPage>();
    auto page = ShownPage<IpSettingsPage>();
    auto* info = Control<InfoBox>(*page, "Text_Info_IPAddress(21)");
    EXPECT_EQ(Lines(info->Text()), Text(220) + "\n\n" + Text(221)) << "network is the first start's way";

    QTest::mouseClick(Control<QRadioButton>(*setupMac, "Option_ChangeIPSettings(1)"), Qt::LeftButton);
    Arrive(*page);
    EXPECT_EQ(Lines(info->Text()), Text(220));

    auto restarted = ShownPage<IpSettingsPage>();
    EXPECT_EQ(Lines(Control<InfoBox>(*restarted, "Text_Info_IPAddress(21)")->Text()), Text(220));
}

// ---- page 10 -------------------------------------------------------------

TEST_F(NetSetupPages, PickingAGatewayRemembersItForTheLaterPages)
{
    State().SelectedAdapterIP = QStringLiteral("192.168.0.5");
    auto page = ShownPage<DeviceListPage>();
    Arrive(*page);
    EXPECT_FALSE(host.nextEnabled) << "nothing picked yet";

    auto* list = Control<QTreeWidget>(*page, "ListView_Devices");
    page->AddDeviceRow("192.168.0.20", "00-20-4A-01-02-03", "Aspen", "-", "Found", "00-20-4A-01-02-03/1");
    QTreeWidgetItem* birch =
        page->AddDeviceRow("192.168.0.21", "00-04-25-00-00-03", "Birch", "1", "Found", "00-04-25-00-00-03/2");
    QTreeWidgetItem* repeated = page->AddDeviceRow("192.168.0.22", "00-20-4A-01-02-03", "Aspen", "-", "Found", "");
    EXPECT_FALSE(host.nextEnabled) << "listing is not picking";

    ClickRow(list, birch);
    EXPECT_EQ(State().SelectedDeviceIP, "192.168.0.21");
    EXPECT_EQ(State().SelectedDeviceMAC, "00-04-25-00-00-03");
    EXPECT_EQ(State().SelectedDeviceType, DeviceTypeBirch);
    EXPECT_EQ(Store().Read(keys::IPAddress), "192.168.0.21");
    EXPECT_EQ(Store().Read(keys::MACAddress), "00-04-25-00-00-03");
    EXPECT_TRUE(host.nextEnabled);

    // A second answer from one MAC has no key: its type is unknown.
    ClickRow(list, repeated);
    EXPECT_EQ(State().SelectedDeviceIP, "192.168.0.22");
    EXPECT_EQ(State().SelectedDeviceType, DeviceTypeUnknown);

    // The picked gateway is what the other tasks start from.
    auto setupMac = ShownPage<SetupMacPage>();
    Arrive(*setupMac);
    EXPECT_EQ(Control<QLineEdit>(*setupMac, "Text_SetupIP_MacAddress")->text(), "00-20-4A-01-02-03");
    auto ping = ShownPage<PingPage>();
    Arrive(*ping);
    EXPECT_EQ(Control<QLineEdit>(*ping, "Text_PingIPAddress")->text(), "192.168.0.22");
}

TEST_F(NetSetupPages, DoubleClickOnTheListActsAsNextOnlyWhenItHasRows)
{
    State().SelectedAdapterIP = QStringLiteral("192.168.0.5");
    auto page = ShownPage<DeviceListPage>();
    Arrive(*page);
    auto* list = Control<QTreeWidget>(*page, "ListView_Devices");

    QTest::mouseDClick(list->viewport(), Qt::LeftButton);
    EXPECT_EQ(host.actAsNext, 0);

    QTreeWidgetItem* row = page->AddDeviceRow("192.168.0.20", "00-20-4A-01-02-03", "Aspen", "-", "Found",
                                              "00-20-4A-01-02-03/1");
    const QPoint onRow = list->visualItemRect(row).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, onRow);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, onRow);
    EXPECT_EQ(host.actAsNext, 1);
    EXPECT_EQ(State().SelectedDeviceIP, "192.168.0.20") << "the row was picked before going on";
}

TEST_F(NetSetupPages, DeviceListEntryWithoutAdapterExplainsInsteadOfScanning)
{
    State().AdapterCount = 1;
    auto page = ShownPage<DeviceListPage>();
    EXPECT_TRUE(Control<QPushButton>(*page, "Command_ScanDevicesSelectAdapter")->isHidden());
    auto* info = Control<InfoBox>(*page, "Text_Info(10)");

    // No adapter chosen: the page says so and offers the choice.
    State().SelectedAdapterIP.clear();
    auto choice = AnswerNextModal();
    Arrive(*page);
    EXPECT_TRUE(choice->seen);
    EXPECT_EQ(choice->title, Text(30));
    EXPECT_EQ(Lines(info->Text()), Text(224));

    State().SelectedAdapterIP = kNoAdapter;
    Arrive(*page);
    EXPECT_EQ(Lines(info->Text()), Text(225));

    State().AdapterCount = 2;
    auto several = ShownPage<DeviceListPage>();
    EXPECT_FALSE(Control<QPushButton>(*several, "Command_ScanDevicesSelectAdapter")->isHidden());
}

// ---- pages 22, 23, 30 ----------------------------------------------------

TEST_F(NetSetupPages, SerialSetupPageSpeaksForItsTask)
{
    auto page = ShownPage<SerialSetupPage>();
    auto* execute = Control<QPushButton>(*page, "Command_ConnectRS232AndDoSomething");
    auto* info = Control<InfoBox>(*page, "Text_Info(23)");
    EXPECT_FALSE(Control<QPushButton>(*page, "Command_ConnectRS232AndDoSomething_Cancel")->isEnabled());

    State().WhatToDo = 1;
    Arrive(*page);
    EXPECT_EQ(page->HeaderLabel()->text(), Text(222));
    EXPECT_EQ(Lines(info->Text()), Text(223));
    EXPECT_EQ(execute->text(), Text(230));
    EXPECT_FALSE(host.nextEnabled);

    State().WhatToDo = 3;
    Arrive(*page);
    EXPECT_EQ(page->HeaderLabel()->text(), Text(300));
    EXPECT_EQ(Lines(info->Text()), Text(301));
    EXPECT_EQ(execute->text(), Text(302));
    EXPECT_FALSE(host.nextEnabled);
}

TEST_F(NetSetupPages, ActionPagesHoldNextUntilTheirActionSucceeds)
{
    auto byNetwork = ShownPage<SetIpByNetworkPage>();
    Arrive(*byNetwork);
    EXPECT_FALSE(host.nextEnabled);
    EXPECT_EQ(byNetwork->HeaderLabel()->text(), Text(208));
    EXPECT_EQ(Lines(Control<InfoBox>(*byNetwork, "Text_Info(22)")->Text()), Text(209));

    Store().Save(keys::IPAddress, QStringLiteral("10.0.0.7"));
    auto ping = ShownPage<PingPage>();
    Arrive(*ping);
    EXPECT_FALSE(host.nextEnabled);
    EXPECT_EQ(ping->HeaderLabel()->text(), Text(350));
    EXPECT_EQ(Lines(Control<InfoBox>(*ping, "Text_Info(30)")->Text()), Text(351));
    EXPECT_EQ(Control<QLineEdit>(*ping, "Text_PingIPAddress")->text(), "10.0.0.7");
}

} // namespace
