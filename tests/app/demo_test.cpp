// The wizard in demo mode, walked as a trainer shows it: the simulated site
// found by discovery, one gateway given a new address and pinged there, a
// meter read through the other.
#include "app/demosite.h"
#include "app/wizardwindow.h"
#include "features/featurepage.h"
#include "netsetup/devicelistpage.h"
#include "netsetup/pingpage.h"
#include "netsetup/platform/icmpecho.h"
#include "shell/infobox.h"
#include "base/settingkeys.h"

#include "testenvironment.h"

#include <QAbstractButton>
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
    const QString listed = UseDemoSite(context, environment.Network(), site);
    context.ini.Write(ini::IP_ScanTimeOut, QStringLiteral("300"));
    context.ini.Write(ini::IP_NumberOfPings, QStringLiteral("2"));
    context.ini.Write(ini::IP_PingDelay, QStringLiteral("10"));
    context.settings.Save(keys::Option_SelectMeterFeature, 1); // read identification
    context.settings.Save(keys::MeterFeature_Address_0, QStringLiteral("1"));

    Ostrand_Wizard wizard(context, environment.Network(), false, nullptr, {listed, {}});
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

    // Task 2: the real echo code pings the Aspen at its new address
    QString reason;
    if (CanSendEchoRequests(&reason)) {
        chooseTask(2);
        ASSERT_EQ(wizard.CurrentPage(), 30);
        auto* ping = wizard.findChild<PingPage*>();
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
