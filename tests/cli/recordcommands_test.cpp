// ostrand-cli record-read, record-write and set-ip as a script uses them: a
// child process against a configuration port on loopback and a gateway in
// its setup mode on a pseudo-terminal, both answering in this process.
#include "comm/waiting.h"
#include "netsetup/configprotocol.h"
#include "netsetup/record.h"
#include "netsetup/recorddefaults.h"

#include "configresponder.h"
#include "ptysetupgateway.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include "clirunner.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {


class RecordCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile ini(dir.filePath("Ostrand.INI"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[IP]\r\nUDPTimeOut=300\r\nWriteTimeOut=3000\r\nResetTimeOut=3000\r\nRebootDHCPDelay=1000\r\n");
        ini.close();
        ASSERT_TRUE(QFile::copy(
            QStringLiteral(OSTRAND_LANGUAGE_DIR "/Ostrand_Language.001"), dir.filePath("Ostrand_Language.001")));
    }

    // Output and errors trimmed, so results compare as whole lines.
    CliRun Cli(QStringList arguments)
    {
        CliRun run = RunCli(std::move(arguments), dir.path());
        run.out = run.out.trimmed();
        run.err = run.err.trimmed();
        return run;
    }

    QString Host() const { return QStringLiteral("127.0.0.1:%1").arg(responder.Port()); }

    QTemporaryDir dir;
    ConfigResponder responder;
};

TEST_F(RecordCommandsTest, ReadShowsTheRecordsFields)
{
    const CliRun network = Cli({"record-read", Host()});
    EXPECT_EQ(network.status, 0) << network.err.toStdString();
    EXPECT_EQ(network.out,
        "ip=192.168.1.20 mask=255.255.0.0 gateway=192.168.1.1 port=10005 protocol=tcp "
        "line_speed=9600 password=pw");

    const CliRun security = Cli({"record-read", Host(), "--record", "1", "--raw"});
    EXPECT_EQ(security.status, 0) << security.err.toStdString();
    EXPECT_EQ(security.out, "allow_telnet=no allow_config=yes raw=" + DefaultRecordHex(1));

    const CliRun json = Cli({"--json", "record-read", Host()});
    EXPECT_TRUE(json.out.contains("\"ip\":\"192.168.1.20\"")) << json.out.toStdString();
    EXPECT_TRUE(json.out.contains("\"ok\":true"));
    EXPECT_TRUE(json.out.contains("\"port\":10005,")) << "numbers are JSON numbers";
    EXPECT_TRUE(json.out.contains("\"line_speed\":9600,"));
    const CliRun jsonSecurity = Cli({"--json", "record-read", Host(), "--record", "1"});
    EXPECT_TRUE(jsonSecurity.out.contains("\"allow_telnet\":false")) << "yes/no are booleans";
}

TEST_F(RecordCommandsTest, ReadFailuresAndUsage)
{
    responder.fault = ConfigResponder::Fault::Silent;
    const CliRun silent = Cli({"record-read", Host()});
    EXPECT_EQ(silent.status, 1);
    EXPECT_TRUE(silent.err.contains("record 0 could not be read from 127.0.0.1")) << silent.err.toStdString();
    EXPECT_TRUE(silent.out.isEmpty());

    EXPECT_EQ(Cli({"record-read"}).status, 2);
    EXPECT_EQ(Cli({"record-read", Host(), "--record", "8"}).status, 2);
    EXPECT_EQ(Cli({"record-read", Host(), "--udp", Host()}).status, 2);
    EXPECT_EQ(responder.requests.size(), 1) << "usage errors send nothing";
}

TEST_F(RecordCommandsTest, WriteChangesTheGivenFieldsAndConfirms)
{
    const CliRun run = Cli({"record-write", Host(), "--port", "4001", "--protocol", "udp", "--line-speed", "2400",
        "--password", "abcdef", "--allow-telnet", "yes"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith("written=yes security=yes message=")) << run.out.toStdString();
    cRecord written(0);
    written.SetBytes(responder.records[0]);
    EXPECT_EQ(written.Get_IPPort(), "4001");
    EXPECT_TRUE(written.Get_IsUsingUDP());
    EXPECT_EQ(written.Get_LineSpeed(), 3);
    EXPECT_EQ(written.Get_TelnetPassword(), "abcd") << "the record keeps the first four characters";
    EXPECT_EQ(written.Get_IPAddress(), "192.168.1.20") << "fields not given keep what was read";
    cRecord security(1);
    security.SetBytes(responder.records[1]);
    EXPECT_TRUE(security.Get_AllowTelnet());
    EXPECT_TRUE(security.Get_Allow77FE());

    // Only the network record when no switch is given.
    responder.requests.clear();
    const CliRun address = Cli({"record-write", Host(), "--gateway", "192.168.1.254", "--mask", "255.255.255.0"});
    EXPECT_EQ(address.status, 0) << address.err.toStdString();
    EXPECT_EQ(address.out.left(21), "written=yes message=\"");
    EXPECT_EQ(responder.Writes(1), 0);
    written.SetBytes(responder.records[0]);
    EXPECT_EQ(written.Get_Gateway(), "192.168.1.254");
    EXPECT_EQ(written.Get_NetMask(), "255.255.255.0");
}

TEST_F(RecordCommandsTest, WriteRefusesBadValuesBeforeSendingAnything)
{
    const QList<QStringList> bad = {
        {"--mask", "255.255.256.0"},
        {"--port", "70000"},
        {"--protocol", "ftp"},
        {"--line-speed", "19200"},
        {"--ip", "127.1"},
        {"--gateway", "127.0.0.x"},
        {"--ip", "1.2.3.4.5"},
        {"--allow-telnet", "maybe"},
        {},
    };
    for (const QStringList& options : bad) {
        const CliRun run = Cli(QStringList {"record-write", Host()} + options);
        EXPECT_EQ(run.status, 2) << options.join(u' ').toStdString();
        EXPECT_FALSE(run.err.isEmpty());
    }
    // An address is refused as the wizard refuses it: the field, the value and how to type one.
    const CliRun address = Cli({"record-write", Host(), "--gateway", "127.0.0.x"});
    EXPECT_EQ(address.err, "ostrand-cli record-write: --gateway: Default gateway: '127.0.0.x' Enter each address as "
                           "four numbers separated by dots, for example 192.168.0.10.");
    EXPECT_TRUE(responder.requests.isEmpty());
}

TEST_F(RecordCommandsTest, AWriteWithoutAcknowledgementFails)
{
    responder.fault = ConfigResponder::Fault::WrongAck;
    const CliRun run = Cli({"record-write", Host(), "--port", "4001"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("127.0.0.1")) << run.err.toStdString();
}

TEST_F(RecordCommandsTest, CtrlCCancelsAWriteThatWaitsForTheRestart)
{
    QFile ini(dir.filePath("Ostrand.INI"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[IP]\r\nUDPTimeOut=300\r\nWriteTimeOut=30000\r\n");
    ini.close();
    responder.fault = ConfigResponder::Fault::SilentAfterAck;
    QElapsedTimer clock;
    clock.start();
    const CliRun run = RunCli({"record-write", Host(), "--port", "4001"}, dir.path(), 20000ms, 1500ms);
    EXPECT_LT(clock.elapsed(), 15000) << "cancelled, not waited out";
    EXPECT_EQ(run.status, 1) << "the write ends with its own failure";
    EXPECT_TRUE(run.err.contains("127.0.0.1")) << run.err.toStdString();
}

TEST_F(RecordCommandsTest, OverTheSerialSetupMode)
{
    PtySetupGateway gateway;
    ASSERT_TRUE(gateway.Open());
    gateway.records[0] = SampleNetworkRecord();
    gateway.promptAfterCalls = 1;

    const CliRun read = Cli({"record-read", "--serial", gateway.SlavePath()});
    EXPECT_EQ(read.status, 0) << read.err.toStdString();
    EXPECT_TRUE(read.out.startsWith("ip=192.168.1.20 ")) << read.out.toStdString();
    EXPECT_EQ(gateway.commands.mid(gateway.commands.size() - 2), QStringList({"G0", "QU"}))
        << "the gateway is let go after reading";

    const CliRun write
        = Cli({"record-write", "--serial", gateway.SlavePath(), "--port", "4003", "--allow-telnet", "yes"});
    EXPECT_EQ(write.status, 0) << write.err.toStdString();
    EXPECT_TRUE(write.out.startsWith("written=yes security=yes ")) << write.out.toStdString();
    cRecord written(0);
    written.SetBytes(gateway.records[0]);
    EXPECT_EQ(written.Get_IPPort(), "4003");
    cRecord security(1);
    security.SetBytes(gateway.records[1]);
    EXPECT_TRUE(security.Get_AllowTelnet()) << "the security record goes in the same setup-mode session";

    // A security record the gateway refuses is a failure, though record 0 was taken.
    gateway.refusedRecord = 1;
    const CliRun refused = Cli({"record-write", "--serial", gateway.SlavePath(), "--allow-telnet", "no"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.err.contains("did not confirm the security settings")) << refused.err.toStdString();
    security.SetBytes(gateway.records[1]);
    EXPECT_TRUE(security.Get_AllowTelnet());
    gateway.refusedRecord = -1;

    gateway.answerPrompt = false;
    const CliRun noPrompt = Cli({"record-read", "--serial", gateway.SlavePath(), "--prompt-timeout", "500"});
    EXPECT_EQ(noPrompt.status, 1);
    EXPECT_TRUE(noPrompt.err.contains("setup mode")) << noPrompt.err.toStdString();
}

TEST_F(RecordCommandsTest, SetIpOverLoopbackAndOverTheCable)
{
    const CliRun network = Cli({"set-ip", "--mac", "00-20-4a-12-34-56", "--ip", "127.0.0.1", "--mask", "255.255.0.0",
        "--gateway", "10.0.0.1", "--broadcast", QStringLiteral("127.0.0.1:%1").arg(responder.Port())});
    EXPECT_EQ(network.status, 0) << network.err.toStdString();
    EXPECT_TRUE(network.out.startsWith("result=assigned ip=127.0.0.1 ")) << network.out.toStdString();
    ASSERT_EQ(responder.ipSetups.size(), 1);
    EXPECT_EQ(responder.ipSetups.front(), *config::IpSetupDatagram("00-20-4A-12-34-56", "127.0.0.1"));
    cRecord written(0);
    written.SetBytes(responder.records[0]);
    EXPECT_EQ(written.Get_Gateway(), "10.0.0.1");

    // The read-back after IP-SETUP goes to the address sent, as typed with blanks and leading zeros.
    const CliRun typed = Cli({"set-ip", "--mac", "00-20-4a-12-34-56", "--ip", " 127.000.0.001", "--mask", "255.255.0.0",
        "--gateway", "10.0.0.1", "--broadcast", QStringLiteral("127.0.0.1:%1").arg(responder.Port())});
    EXPECT_EQ(typed.status, 0) << typed.err.toStdString();
    EXPECT_TRUE(typed.out.startsWith("result=assigned ip=127.0.0.1 ")) << typed.out.toStdString();
    EXPECT_EQ(responder.ipSetups.back(), *config::IpSetupDatagram("00-20-4A-12-34-56", "127.0.0.1"));

    // DHCP over the cable needs no mask or gateway: the record keeps its own.
    PtySetupGateway gateway;
    ASSERT_TRUE(gateway.Open());
    gateway.records[0] = SampleNetworkRecord();
    const CliRun cable = Cli({"set-ip", "--serial", gateway.SlavePath(), "--dhcp"});
    EXPECT_EQ(cable.status, 0) << cable.err.toStdString();
    written.SetBytes(gateway.records[0]);
    EXPECT_EQ(written.Get_IPAddress(), "0.0.0.0");
    EXPECT_EQ(written.Get_Gateway(), "192.168.1.1");
    EXPECT_EQ(written.Get_NetMask(), "255.255.0.0");

    const qsizetype sent = responder.ipSetups.size();
    EXPECT_EQ(Cli({"set-ip", "--mac", "00-20-4A-12-34-56", "--ip", "127.0.0.1"}).status, 2) << "mask and gateway";
    EXPECT_EQ(Cli({"set-ip", "--ip", "127.0.0.1", "--mask", "255.0.0.0", "--gateway", "1.1.1.1"}).status, 2);
    for (const char* ip : {"127.0.0.x", "127.1", "1.2.3.4.5"}) {
        const CliRun refused = Cli({"set-ip", "--mac", "00-20-4A-12-34-56", "--ip", ip, "--mask", "255.0.0.0",
            "--gateway", "127.0.0.1", "--broadcast", QStringLiteral("127.0.0.1:%1").arg(responder.Port())});
        EXPECT_EQ(refused.status, 2) << ip;
        EXPECT_TRUE(refused.err.startsWith(QStringLiteral("ostrand-cli set-ip: --ip: IP address: '%1'").arg(ip)))
            << refused.err.toStdString();
    }
    EXPECT_EQ(responder.ipSetups.size(), sent) << "nothing is sent for a refused address";
}

} // namespace
