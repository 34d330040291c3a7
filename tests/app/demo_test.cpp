// The wizard in demo mode, walked as a trainer shows it: the simulated site
// found by discovery, one gateway given a new address and pinged there, a
// meter read through the other.
#include "app/apptexts.h"
#include "app/demosite.h"
#include "app/wizardwindow.h"
#include "features/featurepage.h"
#include "netsetup/devicelistpage.h"
#include "netsetup/pingpage.h"
#include "netsetup/platform/icmpecho.h"
#include "shell/infobox.h"
#include "base/settingkeys.h"
#include "comm/loopbackguard.h"

#include "testenvironment.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <iostream>

namespace {

QStringList Column(const QTreeWidget& view, int column)
{
    QStringList texts;
    for (int row = 0; row < view.topLevelItemCount(); ++row)
        texts << view.topLevelItem(row)->text(column);
    texts.sort();
    return texts;
}

} // namespace

TEST(DemoWalk, TheSimulatedSiteIsFoundPingedAndItsMetersRead)
{
    TestEnvironment environment;
    environment.UseLanguage();
    WizardContext& context = environment.Context();
    const BusConfigResult bus = DemoBusConfig();
    ASSERT_TRUE(bus.config) << bus.error.toStdString();
    DemoSite site(*bus.config);
    QString error;
    ASSERT_TRUE(site.Start(&error)) << error.toStdString();
    DemoMode demo(context, environment.Network(), site);
    context.ini.Write(ini::IP_ScanTimeOut, QStringLiteral("300"));
    context.ini.Write(ini::IP_NumberOfPings, QStringLiteral("2"));
    context.ini.Write(ini::IP_PingDelay, QStringLiteral("10"));
    context.settings.Save(keys::Option_SelectMeterFeature, 1); // read identification
    context.settings.Save(keys::MeterFeature_Address_0, QStringLiteral("1"));

    Ostrand_Wizard wizard(context, environment.Network(), false, nullptr, {&demo, {}, {}});
    wizard.show();
    EXPECT_TRUE(wizard.windowTitle().endsWith(QStringLiteral(" - Demo"))) << wizard.windowTitle().toStdString();
    const auto next = [&] { QTest::mouseClick(wizard.Command_Next, Qt::LeftButton); };
    const auto chooseTask = [&](int task) {
        while (wizard.CurrentPage() != 1)
            QTest::mouseClick(wizard.CurrentPage() == 0 ? wizard.Command_Next : wizard.Command_Back, Qt::LeftButton);
        wizard.findChild<QAbstractButton*>(QStringLiteral("Option_SelectWhatToDo(%1)").arg(task))->click();
        next();
    };

    // Task 0: discovery over the loopback adapter finds both gateways
    chooseTask(0);
    ASSERT_EQ(wizard.CurrentPage(), 10);
    const QTreeWidget& devices = *wizard.findChild<DeviceListPage*>()->ListView_Devices;
    EXPECT_EQ(Column(devices, DeviceListPage::ColumnIP), (QStringList{"127.0.0.2", "127.0.0.3"}));
    EXPECT_EQ(Column(devices, DeviceListPage::ColumnType).join(u','), QStringLiteral("Aspen,Birch"));

    // Task 1: the Aspen picked from the list takes a new loopback address by
    // IP-SETUP and moves there
    const QTreeWidgetItem* aspen = devices.findItems(QStringLiteral("127.0.0.2"), Qt::MatchExactly).value(0);
    ASSERT_NE(aspen, nullptr);
    QTest::mouseClick(devices.viewport(), Qt::LeftButton, {}, devices.visualItemRect(aspen).center());
    ConfigFaults quickRestart;
    quickRestart.restartTime = std::chrono::milliseconds(200);
    site.Aspen().SetConfigFaults(quickRestart);
    next();
    ASSERT_EQ(wizard.CurrentPage(), 1);
    next();
    wizard.findChild<QAbstractButton*>(QStringLiteral("Option_ChangeIPSettings(0)"))->click(); // over the network
    next();
    ASSERT_EQ(wizard.CurrentPage(), 21);
    wizard.findChild<QAbstractButton*>(QStringLiteral("Option_DHCP(1)"))->click(); // a fixed address
    wizard.findChild<QLineEdit*>(QStringLiteral("Text_IPAddress"))->setText(QStringLiteral("127.0.0.12"));
    next();
    ASSERT_EQ(wizard.CurrentPage(), 22);
    wizard.findChild<QAbstractButton*>(QStringLiteral("Command_SetIPUsingUDP"))->click();
    EXPECT_TRUE(wizard.Command_Next->isEnabled());
    EXPECT_EQ(site.AspenAddress(), QHostAddress(QStringLiteral("127.0.0.12")));
    while (wizard.CurrentPage() != 0)
        QTest::mouseClick(wizard.Command_Back, Qt::LeftButton);
    const QLabel* listed = wizard.findChild<QLabel*>(QStringLiteral("Label_Demo"));
    EXPECT_TRUE(listed->text().contains(QStringLiteral("Aspen 127.0.0.12:"))) << listed->text().toStdString();

    // Task 2: a host name is refused for what it is, before anything is sent
    chooseTask(2);
    auto* ping = wizard.findChild<PingPage*>();
    const QString address = ping->Text_PingIPAddress->text();
    ping->Text_PingIPAddress->setText(QStringLiteral("gateway.example"));
    QTest::mouseClick(ping->Command_Ping, Qt::LeftButton);
    EXPECT_EQ(ping->Text_Info->Text(), context.language.GetLanguageText(apptext::kDemoLoopbackOnly));
    ping->Text_PingIPAddress->setText(address);

    // Task 2: the real echo code pings the Aspen at its new address
    QString reason;
    if (CanSendEchoRequests(&reason)) {
        ASSERT_EQ(wizard.CurrentPage(), 30);
        QTest::mouseClick(ping->Command_Ping, Qt::LeftButton);
        EXPECT_TRUE(wizard.Command_Next->isEnabled()) << ping->Text_Info->Text().toStdString();
    } else {
        std::cout << "ping left out: " << reason.toStdString() << '\n';
    }

    // Task 4: meter 1 behind the Birch's transparent port
    chooseTask(4);
    ASSERT_EQ(wizard.CurrentPage(), 40);
    wizard.findChild<QLineEdit*>(QStringLiteral("Text_EnterIPAddress"))->setText(site.BirchAddress().toString());
    next();
    ASSERT_EQ(wizard.CurrentPage(), 60);
    auto* feature = wizard.findChild<FeaturePage*>();
    QTest::mouseClick(feature->Command_MeterFeature_Apply, Qt::LeftButton);
    EXPECT_TRUE(feature->Text_Info->Text().contains(QStringLiteral(" 12345678 (KVX).")))
        << feature->Text_Info->Text().toStdString();
}

TEST(DemoMode, TheModbusAndAsciiTasksGoToTheAspensFrontEndsAndWhatWasTypedForElsewhereStays)
{
    TestEnvironment environment;
    WizardContext& context = environment.Context();
    const BusConfigResult bus = DemoBusConfig();
    ASSERT_TRUE(bus.config);
    DemoSite site(*bus.config);
    ASSERT_TRUE(site.Start());
    DemoMode demo(context, environment.Network(), site);
    const DemoPorts& ports = site.Ports();
    const QString aspen = site.AspenAddress().toString();
    const QString birch = site.BirchAddress().toString();
    const struct {
        int task;
        QString address, port;
        QString presetAddress, presetPort;
    } rows[] = {
        {5, birch, QString::number(ports.transparent), aspen, QString::number(ports.modbus)},
        {6, aspen, QString::number(ports.modbus), aspen, QString::number(ports.ascii)},
        {4, birch, QString::number(ports.ascii), birch, QString::number(ports.transparent)},
        {5, QStringLiteral("127.0.0.9"), QStringLiteral("5020"), QStringLiteral("127.0.0.9"), QStringLiteral("5020")},
    };
    for (const auto& row : rows) {
        context.settings.Save(keys::IPAddress, row.address);
        context.settings.Save(keys::TCPPort, row.port);
        demo.PresetConnection(row.task);
        EXPECT_EQ(context.settings.Read(keys::IPAddress), row.presetAddress) << row.task;
        EXPECT_EQ(context.settings.Read(keys::TCPPort), row.presetPort) << row.task;
    }
}

TEST(DemoMode, EndingTheDemoPutsBackTheRealSite)
{
    TestEnvironment environment;
    environment.UseLanguage();
    WizardContext& context = environment.Context();
    NetworkContext& network = environment.Network();
    context.settings.Save(keys::IPAddress, QStringLiteral("192.168.7.7"));
    context.settings.Save(keys::TCPPort, QStringLiteral("8001"));
    const QString adapter = network.listAdapters().value(0).ip;
    const DiscoveryTarget discovery = network.discoveryTarget;
    const quint16 configPort = network.configTarget.port;
    const BusConfigResult bus = DemoBusConfig();
    ASSERT_TRUE(bus.config);
    DemoSite site(*bus.config);
    ASSERT_TRUE(site.Start());
    DemoMode demo(context, network, site);
    ASSERT_FALSE(RefusedDestination(QStringLiteral("192.168.7.7")).isEmpty());
    int ended = 0;
    Ostrand_Wizard wizard(context, network, false, nullptr, {&demo, [] { return true; }, [&ended] { ++ended; }});
    wizard.show();
    auto* end = wizard.findChild<QPushButton*>(QStringLiteral("Command_EndDemo"));
    ASSERT_TRUE(end && end->isVisible());
    QTest::mouseClick(end, Qt::LeftButton);

    EXPECT_EQ(ended, 1);
    EXPECT_TRUE(demo.Left());
    EXPECT_EQ(network.listAdapters().value(0).ip, adapter);
    EXPECT_EQ(network.discoveryTarget.address, discovery.address);
    EXPECT_EQ(network.discoveryTarget.port, discovery.port);
    EXPECT_EQ(network.configTarget.port, configPort);
    EXPECT_FALSE(network.pingOnce(QStringLiteral("127.0.0.2"))) << "the test's own pinger again";
    EXPECT_TRUE(RefusedDestination(QStringLiteral("192.168.7.7")).isEmpty()) << "no longer kept on loopback";
    EXPECT_EQ(context.settings.Read(keys::IPAddress), QStringLiteral("192.168.7.7"));
    EXPECT_EQ(context.settings.Read(keys::TCPPort), QStringLiteral("8001"));
    EXPECT_EQ(wizard.windowTitle(), context.language.GetLanguageText(apptext::kWizardCaption));
    EXPECT_FALSE(end->isVisible());
    EXPECT_FALSE(wizard.findChild<QLabel*>(QStringLiteral("Label_Demo"))->isVisible());
    EXPECT_TRUE(wizard.findChild<QPushButton*>(QStringLiteral("Command_Demo"))->isVisible()) << "offered again";
}
