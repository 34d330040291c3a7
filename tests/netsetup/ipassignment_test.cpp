// IP assignment over loopback (IP-SETUP and the record of the new address)
// and over a pseudo-terminal (the serial setup mode), with what the page
// would show.
#include "netsetup/configprotocol.h"
#include "netsetup/ipassignment.h"
#include "netsetup/recordtransfer.h"
#include "netsetup/setupview.h"

#include "configresponder.h"
#include "ptysetupgateway.h"
#include "testenvironment.h"

#include <QTimer>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

const QString kMac = QStringLiteral("00-20-4A-12-34-56");
const QString kRN = QStringLiteral("\r\n");

struct RecordingView : SetupView {
    void SetHeader(const QString& text) override { header = text; }
    void SetInfo(const QString& text) override { info = text; }
    void AppendInfo(const QString& text) override { info += text; }
    void Warn(const QString& text) override { warnings << text; }
    void SetBusy(bool on) override { busy << on; }
    void SetWaitingForPrompt(bool on) override { waiting << on; }

    QString header;
    QString info;
    QStringList warnings;
    QList<bool> busy;
    QList<bool> waiting;
};

class IpAssignmentTest : public ::testing::Test {
protected:
    IpAssignmentTest()
    {
        env.UseLanguage();
        transfer.SetRemotePort(responder.Port());
        assignment.Target = {responder.Port(), QHostAddress(QHostAddress::LocalHost)};
    }

    QString Text(int id) { return env.Context().language.GetLanguageText(id); }
    IpTimings Quick() const
    {
        IpTimings timings;
        timings.udpTimeOut = 200ms;
        timings.resetTimeOut = 3000ms;
        timings.rebootDhcpDelay = 1000ms;
        timings.serialTimeOut = 1000ms;
        return timings;
    }
    SetupPort Pty()
    {
        EXPECT_TRUE(gateway.Open());
        SetupPort port;
        port.device = gateway.SlavePath();
        return port;
    }

    TestEnvironment env;
    ConfigResponder responder;
    PtySetupGateway gateway;
    RecordingView view;
    cRecord record0 {0};
    RecordTransfer transfer {env.Context().connection, env.Context().language};
    IpAssignment assignment {transfer, record0, env.Context().language, view};
};

// ---- over the network -----------------------------------------------------------

TEST_F(IpAssignmentTest, FixedAddressIsSentThenMaskAndGatewayGoIntoTheRecord)
{
    const auto outcome = assignment.SetIpByUdp(kMac, {"127.0.0.1", "10.9.8.7", "255.255.0.0"}, Quick());
    EXPECT_EQ(outcome, IpAssignment::Outcome::Assigned);
    ASSERT_EQ(responder.ipSetups.size(), 1);
    EXPECT_EQ(responder.ipSetups.front(), *config::IpSetupDatagram(kMac, "127.0.0.1"));

    // The record read from the new address comes back with mask and gateway;
    // the address itself the gateway took from IP-SETUP.
    cRecord written(0);
    written.SetBytes(responder.records[0]);
    EXPECT_EQ(written.Get_Gateway(), "10.9.8.7");
    EXPECT_EQ(written.Get_NetMask(), "255.255.0.0");
    EXPECT_EQ(written.Get_IPAddress(), "192.168.1.20");
    EXPECT_EQ(written.Bytes().mid(16), SampleNetworkRecord().mid(16)) << "the rest as read";

    EXPECT_EQ(view.header, Text(247));
    EXPECT_EQ(
        view.info, Text(241) + " " + kMac + "..." + kRN + Text(243) + "." + kRN + Text(246) + kRN + kRN + Text(248));
    EXPECT_EQ(view.busy, QList<bool>({true, false}));
    EXPECT_TRUE(view.warnings.isEmpty());
}

TEST_F(IpAssignmentTest, ASilentGatewayGetsBoundedReadAttempts)
{
    responder.fault = ConfigResponder::Fault::Silent;
    IpTimings timings = Quick();
    timings.resetTimeOut = 2000ms; // after the first second, room for five reads of 200 ms
    const auto outcome = assignment.SetIpByUdp(kMac, {"127.0.0.1", "10.9.8.7", "255.255.0.0"}, timings);
    EXPECT_EQ(outcome, IpAssignment::Outcome::Failed);
    EXPECT_GE(responder.ReadQueries(0), 3);
    EXPECT_LE(responder.ReadQueries(0), 5);
    EXPECT_EQ(responder.Writes(0), 0);
    EXPECT_EQ(view.header, Text(249));
    EXPECT_EQ(view.info, Text(250));
}

TEST_F(IpAssignmentTest, DhcpWaitsForTheRestartAndReadsNothing)
{
    IpTimings timings = Quick();
    timings.rebootDhcpDelay = 1500ms;
    const auto outcome = assignment.SetIpByUdp(kMac, {kDhcpAddress, "10.9.8.7", "255.255.0.0"}, timings);
    EXPECT_EQ(outcome, IpAssignment::Outcome::Dhcp);
    ASSERT_EQ(responder.requests.size(), 1);
    EXPECT_EQ(responder.requests.front().right(4), QByteArray(4, '\0'));
    EXPECT_EQ(view.header, Text(244));
    EXPECT_EQ(view.info, Text(245));
}

TEST_F(IpAssignmentTest, ABadAddressOrMacSendsNothing)
{
    EXPECT_EQ(assignment.SetIpByUdp(kMac, {"192.168.1.300", "10.9.8.7", "255.255.0.0"}, Quick()),
        IpAssignment::Outcome::Failed);
    ASSERT_EQ(view.warnings.size(), 1);
    EXPECT_EQ(view.warnings.front(), Text(210) + " '192.168.1.300'" + kRN + Text(213));
    EXPECT_EQ(view.header, Text(249));

    EXPECT_EQ(assignment.SetIpByUdp("00-20-4A-12-34-ZZ", {"192.168.1.30", "10.9.8.7", "255.255.0.0"}, Quick()),
        IpAssignment::Outcome::Failed);
    ASSERT_EQ(view.warnings.size(), 2);
    EXPECT_EQ(view.warnings.back(), Text(203) + " '00-20-4A-12-34-ZZ'");

    // With DHCP the mask and gateway are not used, so not checked either.
    EXPECT_EQ(assignment.SetIpByUdp(kMac, {kDhcpAddress, "", "bad.300"}, Quick()), IpAssignment::Outcome::Dhcp);
    EXPECT_EQ(responder.requests.size(), 1);
    EXPECT_TRUE(view.busy == QList<bool>({true, false}));
}

// ---- over the serial setup mode ---------------------------------------------

TEST_F(IpAssignmentTest, SerialAssignmentReadsShowsAndWritesTheRecord)
{
    const SetupPort port = Pty();
    gateway.records[0] = SampleNetworkRecord();
    const auto outcome = assignment.SetIpBySerial(port, {"10.0.0.5", "10.0.0.1", "255.0.0.0"}, Quick());
    EXPECT_EQ(outcome, IpAssignment::Outcome::Assigned);
    cRecord written(0);
    written.SetBytes(gateway.records[0]);
    EXPECT_EQ(written.Get_IPAddress(), "10.0.0.5");
    EXPECT_EQ(written.Get_Gateway(), "10.0.0.1");
    EXPECT_EQ(written.Get_NetMask(), "255.0.0.0");
    EXPECT_EQ(written.Get_IPPort(), "10005") << "the rest as read";

    EXPECT_EQ(view.header, Text(260));
    const QString current = Text(255) + " - " + Text(256) + ": 192.168.1.20, " + Text(257) + ": 255.255.0.0, "
        + Text(258) + ": 192.168.1.1." + kRN + kRN;
    const QString wanted = Text(259) + " - " + Text(256) + ": 10.0.0.5, " + Text(257) + ": 255.0.0.0, " + Text(258)
        + ": 10.0.0.1..." + kRN + kRN;
    EXPECT_EQ(view.info, Text(254) + kRN + kRN + current + wanted + kRN + kRN + Text(261));
    EXPECT_EQ(view.waiting, QList<bool>({true, false}));
    EXPECT_EQ(view.busy, QList<bool>({true, false}));
    EXPECT_FALSE(env.Context().connection.SerialPortOpen()) << "the port is closed at the end";
}

TEST_F(IpAssignmentTest, SerialAssignmentThatCannotReadWritesNothing)
{
    const SetupPort port = Pty();
    gateway.records[0] = SampleNetworkRecord().left(40); // never a whole record
    const QByteArray before = gateway.records[0];
    record0.SetBytes(SampleNetworkRecord()); // from an earlier gateway
    const auto outcome = assignment.SetIpBySerial(port, {"10.0.0.5", "10.0.0.1", "255.0.0.0"}, Quick());
    EXPECT_EQ(outcome, IpAssignment::Outcome::Failed);
    EXPECT_FALSE(gateway.commands.contains("S0"));
    EXPECT_EQ(view.header, Text(262));
    EXPECT_TRUE(view.info.endsWith(Text(263)));
}

TEST_F(IpAssignmentTest, SerialPortThatDoesNotOpen)
{
    SetupPort port;
    port.device = env.AppPath() + "no-such-tty";
    EXPECT_EQ(
        assignment.SetIpBySerial(port, {"10.0.0.5", "10.0.0.1", "255.0.0.0"}, Quick()), IpAssignment::Outcome::Failed);
    EXPECT_EQ(view.header, Text(251));
    EXPECT_EQ(view.info, Text(252));
    EXPECT_TRUE(view.waiting.isEmpty());

    RecordingView task3;
    IpAssignment settings(transfer, record0, env.Context().language, task3);
    EXPECT_FALSE(settings.EnterSetupModeForSettings(port));
    EXPECT_EQ(task3.header, Text(512));
    EXPECT_EQ(task3.info, Text(513));
}

TEST_F(IpAssignmentTest, SetupModeForTheSettingsKeepsThePortOpen)
{
    const SetupPort port = Pty();
    gateway.promptAfterCalls = 2;
    ASSERT_TRUE(assignment.EnterSetupModeForSettings(port));
    EXPECT_EQ(view.header, Text(510));
    EXPECT_EQ(view.info, Text(511));
    EXPECT_TRUE(env.Context().connection.SerialPortOpen());
    EXPECT_EQ(gateway.wakeUps, 3);
}

TEST_F(IpAssignmentTest, AbortEndsTheSetupModeEntryAndClosesThePort)
{
    const SetupPort port = Pty();
    gateway.answerPrompt = false;
    QTimer::singleShot(400ms, [this] {
        EXPECT_EQ(view.waiting, QList<bool>({true}));
        EXPECT_EQ(view.info, Text(157));
        EXPECT_TRUE(view.header.startsWith(Text(153)));
        assignment.Abort();
    });
    EXPECT_FALSE(assignment.EnterSetupModeForSettings(port));
    EXPECT_EQ(view.header, Text(512));
    EXPECT_EQ(view.waiting, QList<bool>({true, false}));
    EXPECT_FALSE(env.Context().connection.SerialPortOpen());
}

} // namespace
