// ostrand-cli mbus-send as a script uses it: a child process against the
// simulated gateway over UDP, TCP and its pseudo-terminal.
#include "comm/waiting.h"

#include "clirunner.h"
#include "netfaults.h"
#include "gatewayundertest.h"
#include "simulatedgateway.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTcpServer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {


class MBusSendTest : public ::testing::Test {
protected:
    void SetUp() override { StartOnLoopback(gateway, EveryWayIn()); }

    CliRun Cli(QStringList arguments) { return RunCli(std::move(arguments), dir.path()); }

    QString Udp() const { return QStringLiteral("127.0.0.1:%1").arg(gateway.UdpPort()); }
    QString Tcp() const { return QStringLiteral("127.0.0.1:%1").arg(gateway.TcpPort()); }

    QTemporaryDir dir; // an empty program folder: INI defaults, no language file
    SimulatedGateway gateway{DefaultBusConfig()};
};

} // namespace

TEST_F(MBusSendTest, AcknowledgementAndLongFrameOverUdpTcpAndSerial)
{
    const CliRun nke = Cli({QStringLiteral("mbus-send"), QStringLiteral("--udp"), Udp(), QStringLiteral("10 40 01 41 16")});
    EXPECT_EQ(nke.status, 0) << nke.err.toStdString();
    EXPECT_EQ(nke.out.trimmed(), QStringLiteral("reply=E5 bytes=1"));

    const CliRun data = Cli({QStringLiteral("mbus-send"), QStringLiteral("--tcp"), Tcp(), QStringLiteral("--c"),
                          QStringLiteral("5B"), QStringLiteral("--a"), QStringLiteral("1")});
    EXPECT_EQ(data.status, 0) << data.err.toStdString();
    EXPECT_TRUE(data.out.startsWith(QStringLiteral("reply=68"))) << data.out.toStdString();

    const CliRun serial = Cli({QStringLiteral("mbus-send"), QStringLiteral("--serial"), gateway.PtyPath(),
                            QStringLiteral("--json"), QStringLiteral("1040014116")});
    EXPECT_EQ(serial.status, 0) << serial.err.toStdString();
    EXPECT_EQ(serial.out.trimmed(), QStringLiteral("{\"bytes\":1,\"ok\":true,\"reply\":\"E5\"}"));
}

TEST_F(MBusSendTest, TraceShowsTheLogLinesAndRepeatSumsUp)
{
    const CliRun run = Cli({QStringLiteral("--trace"), QStringLiteral("mbus-send"), QStringLiteral("--udp"), Udp(),
                         QStringLiteral("--repeat"), QStringLiteral("3"), QStringLiteral("--bus-delay"),
                         QStringLiteral("0"), QStringLiteral("10400141 16")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.err.count(QStringLiteral(" -> 10 40 01 41 16")), 3);
    EXPECT_EQ(run.err.count(QStringLiteral(" <- E5")), 3);
    EXPECT_TRUE(run.out.contains(QStringLiteral("runs=3 ok=3 failed=0 per_second="))) << run.out.toStdString();
}

TEST_F(MBusSendTest, FailuresSayWhatFailedWithTheirStatus)
{
    // a silent address: the timeout note, status 1
    const CliRun silent = Cli({QStringLiteral("mbus-send"), QStringLiteral("--udp"), Udp(), QStringLiteral("--bus-timeout"),
                            QStringLiteral("300"), QStringLiteral("--c"), QStringLiteral("40"), QStringLiteral("--a"),
                            QStringLiteral("200")});
    EXPECT_EQ(silent.status, 1);
    EXPECT_TRUE(silent.err.contains(QStringLiteral("no reply: BusTimeout"))) << silent.err.toStdString();

    // nothing listens on that TCP port
    QTcpServer placeholder;
    placeholder.listen(QHostAddress::LocalHost, 0);
    const quint16 closed = placeholder.serverPort();
    placeholder.close();
    const CliRun refused = Cli({QStringLiteral("mbus-send"), QStringLiteral("--tcp"),
                             QStringLiteral("127.0.0.1:%1").arg(closed), QStringLiteral("1040014116")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("cannot open TCP 127.0.0.1"))) << refused.err.toStdString();

    // usage errors
    EXPECT_EQ(Cli({QStringLiteral("mbus-send"), QStringLiteral("--udp"), Udp(), QStringLiteral("10 4")}).status, 2);
    EXPECT_EQ(Cli({QStringLiteral("mbus-send"), QStringLiteral("--udp"), Udp()}).status, 2);
    EXPECT_EQ(Cli({QStringLiteral("mbus-send"), QStringLiteral("1040014116")}).status, 2);
    EXPECT_EQ(Cli({QStringLiteral("mbus-send"), QStringLiteral("--udp"), QStringLiteral("127.0.0.1:99999"),
                   QStringLiteral("1040014116")}).status, 2);
    EXPECT_EQ(Cli({QStringLiteral("no-such-command")}).status, 2);
    const CliRun version = Cli({QStringLiteral("--version")});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.trimmed(), QStringLiteral("3.1.2"));
}

TEST(MBusSendAfterAReset, TheNextRepeatedRunOpensTheConnectionAgain)
{
    // The gateway resets the TCP connection halfway through its first reply.
    NetFaults& faults = ProcessNetFaults();
    const NetFaults saved = faults;
    faults.resetReply = 1;
    SimulatedGateway gateway{DefaultBusConfig()};
    EndpointOptions options;
    options.udpPort.reset();
    options.tcpPort = 0;
    QString error;
    const bool started = gateway.Start(options, &error);
    faults = saved;
    ASSERT_TRUE(started) << error.toStdString();

    QTemporaryDir dir;
    const CliRun run = RunCli({QStringLiteral("mbus-send"), QStringLiteral("--tcp"),
                               QStringLiteral("127.0.0.1:%1").arg(gateway.TcpPort()), QStringLiteral("--bus-timeout"),
                               QStringLiteral("500"), QStringLiteral("--repeat"), QStringLiteral("3"),
                               QStringLiteral("10400141 16")},
                              dir.path());
    EXPECT_TRUE(run.out.contains(QStringLiteral("runs=3 ok=2 failed=1"))) << run.out.toStdString() << run.err.toStdString();
}

TEST(MBusSendWhenTheDeviceVanishes, TheRunEndsAtOnceAndTheNextWorksOnceItIsBack)
{
    // The serial device disappears halfway through its first reply, as an
    // unplugged adapter does, and is back behind the same name 300 ms later.
    NetFaults& faults = ProcessNetFaults();
    const NetFaults saved = faults;
    faults.vanishMidReply = 1;
    faults.vanishedFor = 300ms;
    QTemporaryDir dir;
    const QString device = dir.filePath(QStringLiteral("ttyGateway"));
    SimulatedGateway gateway{DefaultBusConfig()};
    EndpointOptions options;
    options.udpPort.reset();
    options.tcpPort.reset();
    options.pty = true;
    options.ptyLink = device;
    QString error;
    const bool started = gateway.Start(options, &error);
    faults = saved;
    ASSERT_TRUE(started) << error.toStdString();

    const QStringList readMeter1 = {QStringLiteral("mbus-send"), QStringLiteral("--serial"), device,
                                    QStringLiteral("--bus-timeout"), QStringLiteral("20000"), QStringLiteral("105B015C16")};
    QElapsedTimer clock;
    clock.start();
    const CliRun lost = RunCli(readMeter1, dir.path());
    EXPECT_EQ(lost.status, 1);
    EXPECT_TRUE(lost.err.contains(QStringLiteral("no reply"))) << lost.err.toStdString();
    EXPECT_LT(clock.elapsed(), 10000) << "the wait did not end with the device";

    ASSERT_TRUE(WaitUntil([&] { return QFileInfo::exists(device); }, 5000ms));
    const CliRun back = RunCli(readMeter1, dir.path());
    EXPECT_EQ(back.status, 0) << back.err.toStdString();
    EXPECT_TRUE(back.out.contains(QStringLiteral("reply=68"))) << back.out.toStdString();
}
