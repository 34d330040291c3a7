// The wizard's settings and IP pages driven as a technician would, against
// a configuration port on loopback and a gateway on a pseudo-terminal.
#include "comm/waiting.h"
#include "netsetup/configprotocol.h"
#include "netsetup/record.h"
#include "netsetup/recorddefaults.h"
#include "netsetup/devicesettingspage.h"
#include "shell/infobox.h"
#include "app/wizardwindow.h"

#include "configresponder.h"
#include "ptysetupgateway.h"
#include "modalwatch.h"
#include "testenvironment.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

QString Lines(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

class RecordPagesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        environment.UseLanguage();
        environment.Network().configTarget = {responder.Port(), QHostAddress(QHostAddress::LocalHost)};
        Context().ini.Write(ini::IP_UDPTimeOut, "300");
        Context().ini.Write(ini::IP_WriteTimeOut, "3000");
        Context().ini.Write(ini::IP_ResetTimeOut, "3000");
        Context().ini.Write(ini::IP_RebootDHCPDelay, "1000");
        Context().settings.Save(keys::IPAddress, "127.0.0.1");
    }

    void Open()
    {
        wizard = std::make_unique<Ostrand_Wizard>(Context(), environment.Network());
        wizard->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(wizard.get()));
    }

    template <typename T = QWidget> T* Find(const QString& name) const
    {
        T* found = wizard->findChild<T*>(name);
        if (!found)
            ADD_FAILURE() << "no control " << name.toStdString();
        return found;
    }
    void Click(const QString& name)
    {
        auto* button = Find<QAbstractButton>(name);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }
    void Next() { QTest::mouseClick(wizard->Command_Next, Qt::LeftButton); }
    int Page() const { return wizard->CurrentPage(); }
    QString Text(int id) { return Lines(Context().language.GetLanguageText(id)); }
    QString Info(int page) { return Lines(Find<InfoBox>(QStringLiteral("Text_Info(%1)").arg(page))->Text()); }
    WizardContext& Context() { return environment.Context(); }

    // Task 3 up to the settings page, by network or by cable.
    void ReachSettingsTask(bool byCable)
    {
        Next();
        Click("Option_SelectWhatToDo(3)");
        Next();
        ASSERT_EQ(Page(), 40);
        Click(byCable ? "Option_EnterIPAddress(1)" : "Option_EnterIPAddress(0)");
        Next();
    }
    void PointCom1At(const PtySetupGateway& gateway)
    {
        Context().ini.WriteIniValue("SerialPorts", "COM1", gateway.SlavePath());
    }

    TestEnvironment environment;
    ConfigResponder responder;
    std::unique_ptr<Ostrand_Wizard> wizard;
};

TEST_F(RecordPagesTest, SettingsAreReadChangedAndWrittenOverTheNetwork)
{
    Open();
    ReachSettingsTask(false);
    ASSERT_EQ(Page(), 50);
    auto* page = Find<DeviceSettingsPage>("Picture_Page(50)");
    EXPECT_TRUE(wizard->isEnabled());
    EXPECT_TRUE(wizard->Command_Next->isEnabled());
    EXPECT_EQ(Info(52), "");
    EXPECT_TRUE(Find("Text_Info(53)")->isVisible());
    EXPECT_TRUE(page->Text_SetupDevice_Port->isVisible());
    EXPECT_EQ(page->Text_SetupDevice_Port->text(), "10005");
    EXPECT_EQ(page->Combo_SetupDevice_LineSpeed->currentIndex(), 5);
    EXPECT_FALSE(page->Check_SetupDevice_UDPorTCP->isChecked());
    EXPECT_EQ(page->Text_SetupDevice_Password->text(), "pw");
    EXPECT_EQ(responder.ReadQueries(0), 1);

    page->Text_SetupDevice_Port->setText("4001");
    page->Combo_SetupDevice_LineSpeed->setCurrentIndex(3);
    Click("Check_SetupDevice_Security");
    Click("Check_SetupDevice_Ostrand");
    Click("Check_SetupDevice_Telnet");
    page->Text_SetupDevice_Password->setText("abcd");
    Next();
    ASSERT_EQ(Page(), 55);

    cRecord written(0);
    written.SetBytes(responder.records[0]);
    EXPECT_EQ(written.Get_IPPort(), "4001");
    EXPECT_EQ(written.Get_LineSpeed(), 3);
    EXPECT_FALSE(written.Get_IsUsingUDP());
    EXPECT_EQ(written.Get_TelnetPassword(), "abcd");
    EXPECT_EQ(written.Get_IPAddress(), "192.168.1.20");
    EXPECT_EQ(static_cast<quint8>(written.Bytes()[7]), 0x2D) << "the rest is the factory contents";
    cRecord security(1);
    security.SetBytes(responder.records[1]);
    EXPECT_TRUE(security.Get_AllowTelnet());
    EXPECT_TRUE(security.Get_Allow77FE());
    EXPECT_EQ(security.Bytes().mid(1), DefaultRecordBytes(1).mid(1));

    EXPECT_EQ(Info(55), Text(194) + "\n\n" + Text(195) + "\n\n" + Text(197) + "\n\n" + Text(198));
    EXPECT_TRUE(wizard->Command_Next->isEnabled());
    EXPECT_TRUE(wizard->isEnabled());
    Next();
    EXPECT_EQ(Page(), 1);
    EXPECT_TRUE(Find<QRadioButton>("Option_SelectWhatToDo(4)")->isChecked());
}

TEST_F(RecordPagesTest, WithoutSecurityOnlyTheNetworkRecordIsWritten)
{
    Open();
    ReachSettingsTask(false);
    ASSERT_EQ(Page(), 50);
    Next();
    ASSERT_EQ(Page(), 55);
    EXPECT_EQ(responder.Writes(0), 1);
    EXPECT_EQ(responder.Writes(1), 0) << "the security switches stay as they are";
    EXPECT_EQ(Info(55), Text(194) + "\n\n" + Text(197) + "\n\n" + Text(198));
}

TEST_F(RecordPagesTest, SwitchingWizardAccessOffExplainsTheSilence)
{
    Open();
    ReachSettingsTask(false);
    ASSERT_EQ(Page(), 50);
    Click("Check_SetupDevice_Security");
    Next();
    cRecord security(1);
    security.SetBytes(responder.records[1]);
    EXPECT_FALSE(security.Get_Allow77FE());
    EXPECT_FALSE(security.Get_AllowTelnet());
    EXPECT_EQ(Info(55), Text(194) + "\n\n" + Text(195) + "\n\n" + Text(196) + "\n\n" + Text(197) + "\n\n" + Text(198));
}

TEST_F(RecordPagesTest, AGatewayThatDoesNotAnswerKeepsTheSettingsHidden)
{
    responder.fault = ConfigResponder::Fault::Silent;
    Open();
    ReachSettingsTask(false);
    ASSERT_EQ(Page(), 50);
    EXPECT_EQ(Info(52), Text(169) + "\n\n" + Text(170));
    EXPECT_FALSE(wizard->Command_Next->isEnabled());
    EXPECT_FALSE(Find("Text_SetupDevice_Port")->isVisible());
    EXPECT_TRUE(wizard->isEnabled());
}

TEST_F(RecordPagesTest, AWriteThatIsNotAcknowledgedSaysSo)
{
    Open();
    ReachSettingsTask(false);
    ASSERT_EQ(Page(), 50);
    responder.fault = ConfigResponder::Fault::WrongAck;
    Next();
    ASSERT_EQ(Page(), 55);
    EXPECT_EQ(Info(55), Text(199));
    EXPECT_FALSE(wizard->Command_Next->isEnabled());
}

TEST_F(RecordPagesTest, SettingsTaskByCableGoesThroughTheSetupMode)
{
    PtySetupGateway gateway;
    ASSERT_TRUE(gateway.Open());
    gateway.records[0] = SampleNetworkRecord();
    gateway.promptAfterCalls = 1;
    PointCom1At(gateway);
    Open();
    ReachSettingsTask(true);
    ASSERT_EQ(Page(), 23);
    EXPECT_FALSE(wizard->Command_Next->isEnabled());
    Click("Command_ConnectRS232AndDoSomething");
    EXPECT_EQ(Find<QLabel>("Label_Header(23)")->text(), Text(510));
    EXPECT_EQ(Info(23), Text(511));
    ASSERT_TRUE(wizard->Command_Next->isEnabled());
    EXPECT_TRUE(wizard->Command_Back->isEnabled());
    EXPECT_FALSE(Find("Command_ConnectRS232AndDoSomething_Cancel")->isEnabled());
    EXPECT_FALSE(Find("Command_ConnectRS232AndDoSomething")->isEnabled()) << "the gateway is in setup mode already";

    Next();
    ASSERT_EQ(Page(), 50);
    QTest::mouseClick(wizard->Command_Back, Qt::LeftButton);
    ASSERT_EQ(Page(), 23) << "back from the settings to the setup mode page";
    EXPECT_TRUE(Find("Command_ConnectRS232AndDoSomething")->isEnabled()) << "Next waits for it again";
    EXPECT_FALSE(wizard->Command_Next->isEnabled());
    Click("Command_ConnectRS232AndDoSomething");
    Next();
    ASSERT_EQ(Page(), 50);
    auto* page = Find<DeviceSettingsPage>("Picture_Page(50)");
    EXPECT_EQ(page->Text_SetupDevice_Port->text(), "10005");
    EXPECT_TRUE(gateway.commands.contains("G0"));
    page->Text_SetupDevice_Port->setText("4002");
    Click("Check_SetupDevice_Security");
    Click("Check_SetupDevice_Telnet");
    Next();
    ASSERT_EQ(Page(), 55);
    EXPECT_EQ(Info(55), Text(194) + "\n\n" + Text(195) + "\n\n" + Text(197) + "\n\n" + Text(198));
    cRecord written(0);
    written.SetBytes(gateway.records[0]);
    EXPECT_EQ(written.Get_IPPort(), "4002");
    cRecord security(1);
    security.SetBytes(gateway.records[1]);
    EXPECT_TRUE(security.Get_AllowTelnet());
    WaitUntil([&] { return gateway.commands.contains("QU"); }, 1000ms); // the last command on its way
    EXPECT_EQ(gateway.commands.back(), "QU");
    EXPECT_TRUE(Context().connection.SerialPortOpen());
    Next();
    EXPECT_EQ(Page(), 1);
    EXPECT_FALSE(Context().connection.SerialPortOpen());
}

TEST_F(RecordPagesTest, AbortEndsTheWaitForTheSetupPrompt)
{
    PtySetupGateway gateway;
    ASSERT_TRUE(gateway.Open());
    gateway.answerPrompt = false;
    PointCom1At(gateway);
    Open();
    ReachSettingsTask(true);
    ASSERT_EQ(Page(), 23);
    bool checked = false;
    QTimer::singleShot(400ms, [&] {
        // While the prompt is awaited only Abort is usable.
        EXPECT_FALSE(wizard->Command_Back->isEnabled());
        EXPECT_FALSE(wizard->Command_Cancel->isEnabled());
        EXPECT_FALSE(Find("Command_ConnectRS232AndDoSomething")->isEnabled());
        EXPECT_TRUE(Find<QLabel>("Label_Header(23)")->text().startsWith(Text(153)));
        EXPECT_EQ(Info(23), Text(157));
        checked = true;
        Click("Command_ConnectRS232AndDoSomething_Cancel");
    });
    Click("Command_ConnectRS232AndDoSomething");
    EXPECT_TRUE(checked);
    EXPECT_GE(gateway.wakeUps, 1);
    EXPECT_EQ(Find<QLabel>("Label_Header(23)")->text(), Text(512));
    EXPECT_EQ(Info(23), Text(513));
    EXPECT_FALSE(wizard->Command_Next->isEnabled());
    EXPECT_TRUE(wizard->Command_Back->isEnabled());
    EXPECT_TRUE(wizard->Command_Cancel->isEnabled());
    EXPECT_TRUE(Find("Command_ConnectRS232AndDoSomething")->isEnabled());
    EXPECT_FALSE(Find("Command_ConnectRS232AndDoSomething_Cancel")->isEnabled());
    EXPECT_FALSE(Context().connection.SerialPortOpen());
}

TEST_F(RecordPagesTest, DuringThePromptWaitThePageStaysWhateverTheWindowDoes)
{
    PtySetupGateway gateway;
    ASSERT_TRUE(gateway.Open());
    gateway.promptAfterCalls = 8; // two seconds of calling
    PointCom1At(gateway);
    Open();
    ReachSettingsTask(true);
    ASSERT_EQ(Page(), 23);
    bool tried = false;
    QTimer::singleShot(400ms, [&] {
        // Next and Back as a forced button, a double click or a key would
        // give them: the port the wait uses must not be taken by page 50.
        wizard->Command_Next->setEnabled(true);
        Next();
        wizard->ActAsNext();
        wizard->Command_Back->setEnabled(true);
        QTest::mouseClick(wizard->Command_Back, Qt::LeftButton);
        EXPECT_EQ(Page(), 23);
        // Minimised and restored, or hidden by the window system: the wait goes on.
        wizard->showMinimized();
        wizard->hide();
        wizard->showNormal();
        tried = true;
    });
    Click("Command_ConnectRS232AndDoSomething");
    EXPECT_TRUE(tried);
    EXPECT_EQ(Page(), 23);
    EXPECT_EQ(Find<QLabel>("Label_Header(23)")->text(), Text(510)) << "the prompt came";
    EXPECT_TRUE(Context().connection.SerialPortOpen());
    EXPECT_FALSE(gateway.commands.contains("G0")) << "nothing read the record meanwhile";
    Next();
    ASSERT_EQ(Page(), 50);
    EXPECT_TRUE(Find<DeviceSettingsPage>("Picture_Page(50)")->Text_SetupDevice_Port->isVisible());
}

TEST_F(RecordPagesTest, ClosingDuringAWriteCancelsItAndClosesOnceItHasEnded)
{
    Context().ini.Write(ini::IP_WriteTimeOut, "20000");
    Open();
    ReachSettingsTask(false);
    ASSERT_EQ(Page(), 50);
    responder.fault = ConfigResponder::Fault::SilentAfterAck; // the restart never ends
    QElapsedTimer clock;
    bool stayed = false;
    QTimer::singleShot(300ms, [&] {
        clock.start();
        wizard->close();
        stayed = wizard->isVisible();
        EXPECT_EQ(wizard->windowTitle(), Context().language.GetLanguageText(11));
        wizard->close(); // asked again: still one cancel, still open
        EXPECT_TRUE(wizard->isVisible());
    });
    Next();
    EXPECT_TRUE(stayed) << "the wizard stays while the write ends";
    EXPECT_LT(clock.elapsed(), 10000) << "cancelled, not waited out";
    EXPECT_EQ(Page(), 55);
    EXPECT_EQ(Info(55), Text(1321)) << "acknowledged, then cancelled: sent, its answer not awaited";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !wizard->isVisible(); }, 5000)) << "and closes after it";
    EXPECT_FALSE(Context().operations.Busy());
}

TEST_F(RecordPagesTest, NoSerialPortChosenMakesExecuteDoNothing)
{
    Open();
    ReachSettingsTask(true);
    ASSERT_EQ(Page(), 23);
    Context().settings.Save(keys::SerialPort.ForTask(3), -1);
    const QString before = Info(23);
    Click("Command_ConnectRS232AndDoSomething");
    EXPECT_EQ(Info(23), before);
    EXPECT_FALSE(Context().connection.SerialPortOpen());
    EXPECT_FALSE(wizard->Command_Next->isEnabled());
}

// ---- task 1 ------------------------------------------------------------------

class AssignIpPagesTest : public RecordPagesTest {
protected:
    // Through pages 20 and 21 to 22 (network) or 23 (cable).
    void ReachAssignment(bool byCable, bool dhcp)
    {
        Next();
        Click("Option_SelectWhatToDo(1)");
        Next();
        ASSERT_EQ(Page(), 20);
        Click(byCable ? "Option_ChangeIPSettings(1)" : "Option_ChangeIPSettings(0)");
        Find<QLineEdit>("Text_SetupIP_MacAddress")->setText("00-20-4A-12-34-56");
        Next();
        ASSERT_EQ(Page(), 21);
        Click(dhcp ? "Option_DHCP(0)" : "Option_DHCP(1)");
        Find<QLineEdit>("Text_IPAddress")->setText("127.0.0.1");
        Find<QLineEdit>("Text_Gateway")->setText("10.1.1.1");
        Find<QLineEdit>("Text_NetMask")->setText("255.255.255.0");
        Next();
    }
};

TEST_F(AssignIpPagesTest, NetworkAssignmentWritesMaskAndGateway)
{
    Open();
    ReachAssignment(false, false);
    ASSERT_EQ(Page(), 22);
    Click("Command_SetIPUsingUDP");
    ASSERT_EQ(responder.ipSetups.size(), 1);
    EXPECT_EQ(responder.ipSetups.front(), *config::IpSetupDatagram("00-20-4A-12-34-56", "127.0.0.1"));
    cRecord written(0);
    written.SetBytes(responder.records[0]);
    EXPECT_EQ(written.Get_Gateway(), "10.1.1.1");
    EXPECT_EQ(written.Get_NetMask(), "255.255.255.0");
    EXPECT_EQ(Find<QLabel>("Label_Header(22)")->text(), Text(247));
    EXPECT_TRUE(wizard->Command_Next->isEnabled());
    EXPECT_FALSE(Find("Command_SetIPUsingUDP")->isEnabled());
    EXPECT_TRUE(wizard->isEnabled());
    Next();
    EXPECT_EQ(Page(), 1);
}

TEST_F(AssignIpPagesTest, NetworkAssignmentWithoutAnswerCanBeRetried)
{
    responder.fault = ConfigResponder::Fault::Silent;
    Context().ini.Write(ini::IP_ResetTimeOut, "1600");
    Open();
    ReachAssignment(false, false);
    Click("Command_SetIPUsingUDP");
    EXPECT_EQ(Find<QLabel>("Label_Header(22)")->text(), Text(249));
    EXPECT_EQ(Info(22), Text(250));
    EXPECT_FALSE(wizard->Command_Next->isEnabled());
    EXPECT_TRUE(Find("Command_SetIPUsingUDP")->isEnabled());
}

TEST_F(AssignIpPagesTest, DhcpLeadsToTheDeviceListNext)
{
    Open();
    ReachAssignment(false, true);
    ASSERT_EQ(Page(), 22);
    Click("Command_SetIPUsingUDP");
    ASSERT_EQ(responder.requests.size(), 1);
    EXPECT_EQ(responder.ipSetups.front().right(4), QByteArray(4, '\0'));
    EXPECT_EQ(Find<QLabel>("Label_Header(22)")->text(), Text(244));
    EXPECT_EQ(Context().state.JumpPage, 10);
    ASSERT_TRUE(wizard->Command_Next->isEnabled());
    Next();
    EXPECT_EQ(Page(), 10);
}

TEST_F(AssignIpPagesTest, ATypingErrorIsShownAndNothingIsSent)
{
    Open();
    ReachAssignment(false, false);
    Context().settings.Save(keys::NetMask, "255.255.256.0");
    auto watch = AnswerNextModal();
    Click("Command_SetIPUsingUDP");
    EXPECT_TRUE(watch->seen);
    EXPECT_EQ(Lines(watch->text), Text(212) + " '255.255.256.0'\n" + Text(213));
    EXPECT_TRUE(responder.requests.isEmpty());
    EXPECT_EQ(Find<QLabel>("Label_Header(22)")->text(), Text(249));
    EXPECT_TRUE(Find("Command_SetIPUsingUDP")->isEnabled());
    EXPECT_FALSE(wizard->Command_Next->isEnabled());
}

TEST_F(AssignIpPagesTest, AFixedAddressMustBeTypedAsOneToLeaveItsPage)
{
    Open();
    Next();
    Click("Option_SelectWhatToDo(1)");
    Next();
    Find<QLineEdit>("Text_SetupIP_MacAddress")->setText("00-20-4A-12-34-56");
    Next();
    ASSERT_EQ(Page(), 21);
    Click("Option_DHCP(1)");
    Find<QLineEdit>("Text_IPAddress")->setText("127.0.0.1");
    auto* gateway = Find<QLineEdit>("Text_Gateway");
    gateway->setText("127.0.0.x");
    Find<QLineEdit>("Text_NetMask")->setText("255.255.255.0");
    auto watch = AnswerNextModal();
    Next();
    EXPECT_TRUE(watch->seen);
    EXPECT_EQ(Lines(watch->text), Text(211) + " '127.0.0.x'\n" + Text(213));
    EXPECT_EQ(Page(), 21);
    gateway->setText("127.0.0.254");
    Next();
    EXPECT_EQ(Page(), 22);
    EXPECT_TRUE(responder.requests.isEmpty());
}

TEST_F(AssignIpPagesTest, CableAssignmentOverTheSetupMode)
{
    PtySetupGateway gateway;
    ASSERT_TRUE(gateway.Open());
    gateway.records[0] = SampleNetworkRecord();
    PointCom1At(gateway);
    Open();
    ReachAssignment(true, false);
    ASSERT_EQ(Page(), 23);
    Click("Command_ConnectRS232AndDoSomething");
    EXPECT_EQ(Find<QLabel>("Label_Header(23)")->text(), Text(260));
    cRecord written(0);
    written.SetBytes(gateway.records[0]);
    EXPECT_EQ(written.Get_IPAddress(), "127.0.0.1");
    EXPECT_EQ(written.Get_Gateway(), "10.1.1.1");
    EXPECT_TRUE(wizard->Command_Next->isEnabled());
    EXPECT_FALSE(Find("Command_ConnectRS232AndDoSomething")->isEnabled()) << "the gateway has its address";
    EXPECT_FALSE(Context().connection.SerialPortOpen());
    EXPECT_TRUE(responder.requests.isEmpty()) << "nothing went over the network";
}

} // namespace
