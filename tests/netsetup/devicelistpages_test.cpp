// Page 10 searching gateways on loopback addresses, the adapter dialog, and
// page 30's ping test with a pinger of the test's own.
#include "netsetup/adaptersdialog.h"
#include "netsetup/devicelistpage.h"
#include "netsetup/pingpage.h"
#include "shell/infobox.h"

#include "fakewizardhost.h"
#include "loopbackgateways.h"
#include "modalwatch.h"
#include "testenvironment.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <memory>

using namespace std::chrono_literals;

namespace {

QString Lines(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

class LanPages : public WizardPageTest {
protected:
    LanPages()
    {
        env.Network().discoveryTarget = gateways.Target();
        env.Network().isReachable = [this](const QString& ip) { return reachable.contains(ip); };
        Context().ini.Write(ini::IP_ScanTimeOut, QStringLiteral("200"));
        State().SelectedAdapterIP = QStringLiteral("127.0.0.1");
    }

    void Arrive(WizardPage& page)
    {
        host.nextEnabled = true;
        page.Prepare(false, true);
        page.Enter(false, true);
    }

    void AddGateway(const char* ip, const char* mac, std::chrono::milliseconds after = 10ms)
    {
        gateways.Add(QString::fromLatin1(ip), {LoopbackGateways::Answer(LoopbackGateways::Mac(mac))}, after);
    }

    WizardContext& Context() { return env.Context(); }
    WizardState& State() { return env.Context().state; }
    QString Text(int id) { return Lines(Context().language.GetLanguageText(id)); }

    LoopbackGateways gateways;
    QSet<QString> reachable;
};

QStringList RowTexts(const QTreeWidgetItem* row)
{
    QStringList texts;
    for (int column = 0; column < DeviceListPage::ColumnCount; ++column)
        texts << row->text(column);
    return texts;
}

// Runs the action while the next modal dialog that opens is handled by the
// given function (which must close it).
void WithNextModal(const std::function<void(QWidget*)>& handle, const std::function<void()>& action)
{
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&timer, handle] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer.stop();
            handle(modal);
        }
    });
    timer.start();
    action();
}

} // namespace

// ---- page 10 -------------------------------------------------------------

TEST_F(LanPages, EnteringSearchesAndListsEveryGatewayWithItsReachability)
{
    AddGateway("127.0.0.11", "00-20-4A-01-02-03", 10ms);
    AddGateway("127.0.0.12", "00-04-25-00-00-03", 20ms);
    AddGateway("127.0.0.13", "02-00-00-00-00-01", 30ms);
    reachable = {QStringLiteral("127.0.0.11"), QStringLiteral("127.0.0.13")};
    auto page = ShownPage<DeviceListPage>();
    auto* list = UniqueControl<QTreeWidget>(*page, "ListView_Devices");

    Arrive(*page);

    EXPECT_EQ(gateways.Queries().size(), 1);
    EXPECT_EQ(page->HeaderLabel()->text(), Text(188));
    ASSERT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(RowTexts(list->topLevelItem(0)),
              QStringList({"127.0.0.11", "00-20-4A-01-02-03", "Aspen", "-", Text(186)}));
    EXPECT_EQ(RowTexts(list->topLevelItem(1)),
              QStringList({"127.0.0.12", "00-04-25-00-00-03", "Birch", "41943042", Text(187)}));
    EXPECT_EQ(RowTexts(list->topLevelItem(2)), QStringList({"127.0.0.13", "02-00-00-00-00-01", Text(264), "-", Text(187)}))
        << "an unknown prefix is never reachable";
    EXPECT_EQ(DeviceListPage::RowKey(list->topLevelItem(0)), "00-20-4A-01-02-03/1");
    EXPECT_EQ(DeviceListPage::RowKey(list->topLevelItem(2)), "02-00-00-00-00-01/0");
    EXPECT_EQ(list->topLevelItem(0)->data(0, DeviceListPage::kIconRole).toInt(), DeviceListPage::IconReachable);
    EXPECT_EQ(list->topLevelItem(1)->data(0, DeviceListPage::kIconRole).toInt(), DeviceListPage::IconNotReachable);
    EXPECT_FALSE(list->topLevelItem(0)->icon(0).isNull());
    EXPECT_TRUE(list->selectedItems().isEmpty()) << "with several gateways the user chooses";
    EXPECT_FALSE(host.nextEnabled);
    EXPECT_EQ(Lines(UniqueControl<InfoBox>(*page, "Text_Info(10)")->Text()),
              "3 " + Text(190) + "\n" + Text(191) + "\n" + Text(192));
    EXPECT_TRUE(page->isEnabled()) << "enabled again after the search";

    // Picking one works as before.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(1)).center());
    EXPECT_EQ(State().SelectedDeviceIP, "127.0.0.12");
    EXPECT_EQ(State().SelectedDeviceType, DeviceTypeBirch);
    EXPECT_TRUE(host.nextEnabled);
}

TEST_F(LanPages, ASingleGatewayIsPickedAtOnce)
{
    AddGateway("127.0.0.21", "00-80-A3-11-22-33");
    reachable = {QStringLiteral("127.0.0.21")};
    auto page = ShownPage<DeviceListPage>();
    Arrive(*page);

    auto* list = UniqueControl<QTreeWidget>(*page, "ListView_Devices");
    ASSERT_EQ(list->topLevelItemCount(), 1);
    EXPECT_TRUE(list->topLevelItem(0)->isSelected());
    EXPECT_EQ(State().SelectedDeviceIP, "127.0.0.21");
    EXPECT_EQ(State().SelectedDeviceMAC, "00-80-A3-11-22-33");
    EXPECT_EQ(State().SelectedDeviceType, DeviceTypeAspen);
    EXPECT_EQ(Context().settings.Read(keys::IPAddress), "127.0.0.21");
    EXPECT_EQ(Context().settings.Read(keys::MACAddress), "00-80-A3-11-22-33");
    EXPECT_TRUE(host.nextEnabled);
    EXPECT_EQ(Lines(UniqueControl<InfoBox>(*page, "Text_Info(10)")->Text()), "1 " + Text(190) + "\n" + Text(192));
}

TEST_F(LanPages, NothingAnsweringSaysSoAndScanAgainSearchesAfresh)
{
    auto page = ShownPage<DeviceListPage>();
    Arrive(*page);
    auto* info = UniqueControl<InfoBox>(*page, "Text_Info(10)");
    auto* list = UniqueControl<QTreeWidget>(*page, "ListView_Devices");
    EXPECT_EQ(Lines(info->Text()), Text(189));
    EXPECT_EQ(list->topLevelItemCount(), 0);

    AddGateway("127.0.0.31", "00-20-4A-00-00-31");
    AddGateway("127.0.0.32", "00-20-4A-00-00-32");
    QTest::mouseClick(UniqueControl<QPushButton>(*page, "Command_ScanDevicesRefresh"), Qt::LeftButton);
    EXPECT_EQ(gateways.Queries().size(), 2);
    EXPECT_EQ(list->topLevelItemCount(), 2);

    // The list is emptied for each search; the gateway picked before goes with it.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(0)).center());
    EXPECT_TRUE(host.nextEnabled);
    QTest::mouseClick(UniqueControl<QPushButton>(*page, "Command_ScanDevicesRefresh"), Qt::LeftButton);
    EXPECT_EQ(list->topLevelItemCount(), 2);
    EXPECT_FALSE(host.nextEnabled);
}

TEST_F(LanPages, WithoutAChosenAdapterTheChoiceOpensAndOkSearchesFromIt)
{
    env.Network().listAdapters = [] {
        return QList<NetworkAdapter>{{QStringLiteral("127.0.0.1"), QStringLiteral("first loopback")},
                                     {QStringLiteral("127.0.0.3"), QStringLiteral("second loopback")}};
    };
    AddGateway("127.0.0.41", "00-20-4A-00-00-41");
    State().SelectedAdapterIP.clear();
    auto page = ShownPage<DeviceListPage>();
    auto* list = UniqueControl<QTreeWidget>(*page, "ListView_Devices");

    QString caption;
    int rows = 0;
    bool hiddenWhileSearching = false;
    WithNextModal(
        [&](QWidget* modal) {
            auto* dialog = qobject_cast<Ostrand_Adapters*>(modal);
            ASSERT_NE(dialog, nullptr);
            caption = dialog->windowTitle();
            rows = dialog->ListView_Adapters->topLevelItemCount();
            QTreeWidgetItem* second = dialog->ListView_Adapters->topLevelItem(1);
            dialog->ListView_Adapters->setCurrentItem(second);
            // The search runs with the dialog out of sight.
            QTimer::singleShot(50, [&, dialog] { hiddenWhileSearching = !dialog->isVisible(); });
            QTest::mouseClick(dialog->OK_Adapters, Qt::LeftButton);
        },
        [&] { Arrive(*page); });

    EXPECT_EQ(caption, Text(30));
    EXPECT_EQ(rows, 2);
    EXPECT_TRUE(hiddenWhileSearching);
    EXPECT_EQ(State().SelectedAdapterIP, "127.0.0.3");
    EXPECT_EQ(State().SelectedAdapterDescription, "second loopback");
    EXPECT_EQ(Context().settings.Read(keys::SelectedAdapterIP), "127.0.0.3");
    EXPECT_EQ(Context().settings.Read(keys::SelectedAdapterDescription), "second loopback");
    EXPECT_EQ(gateways.Queries().size(), 1);
    ASSERT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(list->topLevelItem(0)->text(0), "127.0.0.41");
}

TEST_F(LanPages, NoNetworkAdapterExplainsWithoutSearching)
{
    State().SelectedAdapterIP = kNoAdapter;
    auto page = ShownPage<DeviceListPage>();
    Arrive(*page);
    EXPECT_EQ(Lines(UniqueControl<InfoBox>(*page, "Text_Info(10)")->Text()), Text(225));
    EXPECT_TRUE(gateways.Queries().isEmpty());
}

TEST_F(LanPages, SelectAdapterButtonOpensTheChoice)
{
    State().AdapterCount = 2;
    auto page = ShownPage<DeviceListPage>();
    auto* button = UniqueControl<QPushButton>(*page, "Command_ScanDevicesSelectAdapter");
    EXPECT_FALSE(button->isHidden());
    auto watch = AnswerNextModal();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(watch->seen);
    EXPECT_EQ(watch->title, Text(30));
    EXPECT_TRUE(gateways.Queries().isEmpty()) << "cancelled: no search";
}

// ---- the adapter dialog --------------------------------------------------

TEST_F(LanPages, AdapterDialogShowsTheAdaptersAndTheSavedChoice)
{
    env.Network().listAdapters = [] {
        return QList<NetworkAdapter>{{QStringLiteral("192.0.2.5"), QStringLiteral("wired")},
                                     {QStringLiteral("198.51.100.7"), QStringLiteral("wireless")}};
    };
    State().SelectedAdapterIP = QStringLiteral("198.51.100.7");
    State().SelectedAdapterDescription = QStringLiteral("wireless");
    int scans = 0;
    Ostrand_Adapters dialog(Context(), env.Network().listAdapters, [&] { ++scans; });
    EXPECT_EQ(dialog.objectName(), "Ostrand_Adapters");
    EXPECT_EQ(dialog.windowTitle(), Text(30));
    auto* list = UniqueControl<QTreeWidget>(dialog, "ListView_Adapters");
    auto* ok = UniqueControl<QPushButton>(dialog, "OK_Adapters");
    EXPECT_EQ(ok->text(), Text(238));
    EXPECT_EQ(UniqueControl<QPushButton>(dialog, "Cancel_Adapters")->text(), Text(231));
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(0)->text(0), "192.0.2.5");
    EXPECT_EQ(list->topLevelItem(0)->text(1), "wired");
    EXPECT_TRUE(list->topLevelItem(1)->isSelected()) << "the saved choice";
    EXPECT_EQ(dialog.EnumerateAdapters(false), 2);

    // Cancel changes nothing.
    dialog.show();
    QTest::mouseClick(UniqueControl<QPushButton>(dialog, "Cancel_Adapters"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(scans, 0);
    EXPECT_EQ(Context().settings.Read(keys::SelectedAdapterIP), "");

    // A double click on a row is OK.
    dialog.show();
    QTreeWidgetItem* first = list->topLevelItem(0);
    const QPoint onFirst = list->visualItemRect(first).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, onFirst);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, onFirst);
    EXPECT_EQ(scans, 1);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(State().SelectedAdapterIP, "192.0.2.5");
    EXPECT_EQ(Context().settings.Read(keys::SelectedAdapterDescription), "wired");
}

TEST_F(LanPages, AdapterDialogWithAStaleChoiceOffersNothingToKeep)
{
    env.Network().listAdapters = [] {
        return QList<NetworkAdapter>{{QStringLiteral("192.0.2.5"), QStringLiteral("wired")},
                                     {QStringLiteral("198.51.100.7"), QStringLiteral("wireless")}};
    };
    State().SelectedAdapterIP = QStringLiteral("203.0.113.1");
    State().SelectedAdapterDescription = QStringLiteral("gone");
    int scans = 0;
    Ostrand_Adapters dialog(Context(), env.Network().listAdapters, [&] { ++scans; });
    EXPECT_EQ(State().SelectedAdapterIP, "") << "settled as at start-up: several adapters, none chosen";
    EXPECT_TRUE(UniqueControl<QTreeWidget>(dialog, "ListView_Adapters")->selectedItems().isEmpty());
    auto* ok = UniqueControl<QPushButton>(dialog, "OK_Adapters");
    EXPECT_FALSE(ok->isEnabled());
    ok->click();
    EXPECT_EQ(scans, 0);

    env.Network().listAdapters = [] { return QList<NetworkAdapter>{}; };
    EXPECT_EQ(dialog.EnumerateAdapters(true), 0);
    EXPECT_EQ(State().SelectedAdapterIP, kNoAdapter);
}

// ---- page 30 -------------------------------------------------------------

TEST_F(LanPages, PingSavesTheAddressAndOpensNextOnlyWhenTheTestCameThrough)
{
    Context().ini.Write(ini::IP_NumberOfPings, QStringLiteral("3"));
    Context().ini.Write(ini::IP_PingDelay, QStringLiteral("0"));
    QStringList pinged;
    QList<bool> answers;
    env.Network().pingOnce = [&](const QString& ip) {
        pinged << ip;
        return pinged.size() <= answers.size() && answers[pinged.size() - 1];
    };
    auto page = ShownPage<PingPage>();
    Arrive(*page);
    auto* address = UniqueControl<QLineEdit>(*page, "Text_PingIPAddress");
    auto* ping = UniqueControl<QPushButton>(*page, "Command_Ping");
    auto* info = UniqueControl<InfoBox>(*page, "Text_Info(30)");
    EXPECT_EQ(ping->text(), Text(236));
    EXPECT_FALSE(host.nextEnabled);

    // The second of three fails: the test stops there.
    answers = {true, false, true};
    address->setText(QStringLiteral("127.0.0.9"));
    QTest::mouseClick(ping, Qt::LeftButton);
    EXPECT_EQ(pinged, QStringList({"127.0.0.9", "127.0.0.9"}));
    EXPECT_EQ(Context().settings.Read(keys::IPAddress), "127.0.0.9");
    EXPECT_TRUE(Lines(info->Text()).startsWith(Text(159) + "\n"));
    EXPECT_TRUE(Lines(info->Text()).endsWith("\n\n" + Text(165)));
    EXPECT_FALSE(host.nextEnabled);
    EXPECT_TRUE(ping->isEnabled());

    // Only the last fails: the summary, and Next.
    pinged.clear();
    answers = {true, true, false};
    QTest::mouseClick(ping, Qt::LeftButton);
    EXPECT_EQ(pinged.size(), 3);
    EXPECT_TRUE(Lines(info->Text()).contains("\n\n" + Text(166) + " 3 " + Text(167) + ' ')) << info->Text().toStdString();
    EXPECT_FALSE(Lines(info->Text()).contains(Text(165)));
    EXPECT_TRUE(host.nextEnabled);
    EXPECT_TRUE(ping->isEnabled());
}
