// ostrand-cli ascii-read as a script uses it: a child process against the
// simulated gateway's ASCII front end.
#include "clirunner.h"
#include "gatewayundertest.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class AsciiReadTest : public ::testing::Test {
protected:
    void SetUp() override { StartAsciiFrontEnd(gateway); }

    CliRun Cli(QStringList arguments) { return RunCli(std::move(arguments), dir.path()); }

    QString Udp() const { return QStringLiteral("127.0.0.1:%1").arg(gateway.AsciiUdpPort()); }
    QString Tcp() const { return QStringLiteral("127.0.0.1:%1").arg(gateway.AsciiTcpPort()); }

    QTemporaryDir dir; // an empty program folder: INI defaults, no language file
    SimulatedGateway gateway{DefaultBusConfig()};
};

} // namespace

TEST_F(AsciiReadTest, TheValueOverUdpAndWithChecksumOverTcp)
{
    const CliRun plain = Cli({QStringLiteral("ascii-read"), QStringLiteral("--udp"), Udp(), QStringLiteral("--repeat"),
                              QStringLiteral("2"), QStringLiteral("TANK.LEVEL")});
    EXPECT_EQ(plain.status, 0) << plain.err.toStdString();
    ASSERT_EQ(plain.lines.size(), 3);
    EXPECT_EQ(plain.lines[0], QStringLiteral("value=12.5 sequence=1"));
    EXPECT_EQ(plain.lines[1], QStringLiteral("value=12.5 sequence=2"));

    const CliRun checked = Cli({QStringLiteral("--trace"), QStringLiteral("ascii-read"), QStringLiteral("--tcp"), Tcp(),
                                QStringLiteral("--crc"), QStringLiteral("--json"), QStringLiteral("PUMP.STATE")});
    EXPECT_EQ(checked.status, 0) << checked.err.toStdString();
    EXPECT_EQ(checked.out.trimmed(), QStringLiteral("{\"ok\":true,\"sequence\":1,\"value\":\"ON\"}"));
    // STX "01" "01" "00" PUMP.STATE, checksum "010100PUMP.STATE" = 1043 mod 256 = 13h, ETX
    EXPECT_TRUE(checked.err.contains(QStringLiteral(" -> 02 30 31 30 31 30 30 50 55 4D 50 2E 53 54 41 54")))
        << checked.err.toStdString();
    EXPECT_TRUE(checked.err.contains(QStringLiteral("45 31 33 03"))) << checked.err.toStdString();
}

TEST_F(AsciiReadTest, TheGatewaysErrorLetterAndTheTimeoutFailWithStatusOne)
{
    const CliRun unknown = Cli({QStringLiteral("ascii-read"), QStringLiteral("--udp"), Udp(), QStringLiteral("NO.SUCH")});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.err.trimmed(), QStringLiteral("Error I: Can't find Item ID"));

    const CliRun station = Cli({QStringLiteral("ascii-read"), QStringLiteral("--udp"), Udp(), QStringLiteral("--json"),
                                QStringLiteral("--station"), QStringLiteral("9"), QStringLiteral("TANK.LEVEL")});
    EXPECT_EQ(station.status, 1);
    EXPECT_TRUE(station.out.contains(QStringLiteral("\"letter\":\"X\""))) << station.out.toStdString();

    const CliRun slow = Cli({QStringLiteral("ascii-read"), QStringLiteral("--udp"), Udp(), QStringLiteral("--bus-timeout"),
                             QStringLiteral("300"), QStringLiteral("SLOW.ITEM")});
    EXPECT_EQ(slow.status, 1);
    EXPECT_EQ(slow.err.trimmed(), QStringLiteral("no reply: BusTimeout (Received 0 bytes)"));
}

TEST_F(AsciiReadTest, UsageErrors)
{
    EXPECT_EQ(Cli({QStringLiteral("ascii-read"), QStringLiteral("--udp"), Udp()}).status, 2);
    EXPECT_EQ(Cli({QStringLiteral("ascii-read"), QStringLiteral("--udp"), Udp(), QStringLiteral("--station"),
                   QStringLiteral("100"), QStringLiteral("A.B")}).status, 2);
    EXPECT_EQ(Cli({QStringLiteral("ascii-read"), QStringLiteral("A.B")}).status, 2);
    const CliRun help = Cli({QStringLiteral("ascii-read"), QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("--crc"))) << help.out.toStdString();
}
