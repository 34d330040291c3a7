// ostrand-cli modbus-read as a script uses it: a child process against the
// simulated gateway's Modbus front end, one case per path.
#include "clirunner.h"
#include "gatewayundertest.h"
#include "simulatedgateway.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class ModbusReadCliTest : public ::testing::Test {
protected:
    void SetUp() override { StartOnLoopback(gateway, EveryWayIn(true)); }

    CliRun Cli(const QString& arguments) { return RunCli(arguments.split(u' '), dir.path()); }
    QString Tcp() const { return QStringLiteral("--tcp 127.0.0.1:%1").arg(gateway.TcpPort()); }
    QString Udp() const { return QStringLiteral("--udp 127.0.0.1:%1").arg(gateway.UdpPort()); }

    QTemporaryDir dir; // an empty program folder: INI defaults, no language file
    SimulatedGateway gateway{DefaultBusConfig()}; // slave 1: INT16 -2 at 100, FLOAT 21.5 at 101-102
};

TEST_F(ModbusReadCliTest, TcpFramingPrintsTheRegistersThenOneLinePerRow)
{
    const CliRun run = Cli("modbus-read " + Tcp() + " --slave 1 --first 100 --count 3 --type INT16 --type FLOAT");
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.lines, QStringList({"registers=FFFE41AC0000 count=3",
                                      "register=100 type=INT16 order=AB bytes=FFFE value=-2",
                                      "register=101 type=FLOAT order=ABCD bytes=\"41AC 0000\" value=21.5"}));

    // an --order belongs to the --type before it: the first row keeps its own order
    const CliRun ordered = Cli("modbus-read " + Tcp() + " --first 100 --count 2 --type INT16 --type INT16 --order BA");
    EXPECT_EQ(ordered.status, 0) << ordered.err.toStdString();
    EXPECT_EQ(ordered.lines.mid(1), QStringList({"register=100 type=INT16 order=AB bytes=FFFE value=-2",
                                                 "register=101 type=INT16 order=BA bytes=41AC value=-21439"}));
}

TEST_F(ModbusReadCliTest, RtuOverThePseudoTerminalAsJson)
{
    const CliRun run = Cli("--json modbus-read --serial " + gateway.PtyPath() +
                           " --rtu --function 4 --first 2 --count 2 --type int32");
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    ASSERT_EQ(run.lines.size(), 1);
    const QJsonObject object = QJsonDocument::fromJson(run.lines[0].toUtf8()).object();
    EXPECT_EQ(object.value("ok").toBool(), true);
    EXPECT_EQ(object.value("registers").toString(), "FFFE7960");
    EXPECT_EQ(object.value("count").toInt(), 2);
    const QJsonObject row = object.value("rows").toArray().at(0).toObject();
    EXPECT_EQ(row.value("register").toInt(), 2);
    EXPECT_EQ(row.value("order").toString(), "ABCD");
    EXPECT_EQ(row.value("value").toString(), "-100000");
}

TEST_F(ModbusReadCliTest, AllOrdersSideBySide)
{
    // UINT32 123456 is stored CDAB at 103: only that column makes sense.
    const CliRun run = Cli("modbus-read " + Udp() + " --first 103 --count 2 --type UINT32 --all-orders");
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    ASSERT_EQ(run.lines.size(), 2);
    EXPECT_EQ(run.lines[1], "register=103 type=UINT32 bytes=\"E240 0001\" ABCD=3795845121 DCBA=16793826 "
                            "CDAB=123456 BADC=1088553216");
}

TEST_F(ModbusReadCliTest, DeviceRefusalsTimeoutsAndUsageErrors)
{
    const CliRun exception = Cli("modbus-read " + Tcp() + " --first 200");
    EXPECT_EQ(exception.status, 1);
    EXPECT_EQ(exception.err.trimmed(), "Modbuserror 02: Illegal data address");

    const CliRun silent = Cli("modbus-read " + Udp() + " --rtu --slave 9 --bus-timeout 300");
    EXPECT_EQ(silent.status, 1);
    EXPECT_EQ(silent.err.trimmed(), "no reply: BusTimeout (Received 0 bytes)");

    const CliRun wrongOrder = Cli("modbus-read " + Tcp() + " --type INT16 --order CDAB");
    EXPECT_EQ(wrongOrder.status, 2);
    EXPECT_TRUE(wrongOrder.err.contains("--order CDAB: INT16 has AB BA")) << wrongOrder.err.toStdString();

    // refused before anything is sent, naming the option
    for (const char* refused : {" --slave 0", " --count 0"}) {
        const CliRun run = Cli("modbus-read " + Tcp() + refused);
        EXPECT_EQ(run.status, 2) << refused;
        EXPECT_TRUE(run.err.contains(QString::fromLatin1(refused).split(u' ').value(1))) << run.err.toStdString();
    }
}

} // namespace
