// Reading from a Modbus slave that is not ours: Debian's python3-pymodbus
// server (modbus_peer_server.py beside this file), over Modbus TCP on
// loopback and over a pseudo-terminal with RTU framing at 9600 8N1. The
// typed values are those the server's script packs with Python's struct.
// Without python3-pymodbus the cases are skipped, saying so.
#include "modbustestlink.h"

#include "testenvironment.h"

#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

using modbus::Framing;
using Outcome = ReplyOutcome::Kind;
using namespace modbustype;

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");
const QString kScript = QStringLiteral(OSTRAND_SOURCE_DIR "/tests/modbus/modbus_peer_server.py");
constexpr int kNotInstalled = 77;

// The server in a child process, until the test ends.
class PeerServer {
public:
    explicit PeerServer(const QString& mode)
    {
        if (!QFileInfo(kPython).isExecutable()) {
            skipReason = "no " + kPython.toStdString() + " (scripts/setup.sh installs python3-pymodbus)";
            return;
        }
        m_Process.start(kPython, {kScript, mode});
        while (m_Process.state() != QProcess::NotRunning && !m_Process.canReadLine())
            m_Process.waitForReadyRead(200);
        if (m_Process.state() == QProcess::NotRunning) {
            if (m_Process.exitCode() == kNotInstalled)
                skipReason = "python3-pymodbus is not installed (scripts/setup.sh installs it): " +
                             m_Process.readAllStandardError().trimmed().toStdString();
            else
                failure = "the peer server did not start: " + m_Process.readAllStandardError().toStdString();
            return;
        }
        endpoint = QString::fromLatin1(m_Process.readLine().trimmed()).section(u' ', 1);
    }
    ~PeerServer()
    {
        m_Process.kill();
        m_Process.waitForFinished(5000);
    }

    std::string skipReason;
    std::string failure;
    QString endpoint; // the TCP port or the pseudo-terminal

private:
    QProcess m_Process;
};

class ModbusPeerTest : public ::testing::Test, public ModbusTestLink {
protected:
    // Holding registers 100-117 as the script lays them out.
    void ExpectTheScriptsValues(Framing framing)
    {
        const Typed typed = Read({1, 0, 100, 18}, framing,
                                 {{INT16, 0}, {FLOAT, 0}, {FLOAT, 2}, {UINT32, 0}, {DFLOAT, 0}, {CHAR6, 0}});
        ASSERT_EQ(typed.read.kind, Outcome::Reply) << typed.read.note.toStdString();
        EXPECT_EQ(typed.check.result, ModbusReplyCheck::Result::Good) << typed.check.text.toStdString();
        const char* expected[] = {"-2", "21.5", "21.5", "123456", "1234.5678", "ABCDEF"};
        for (size_t i = 0; i < 6; ++i)
            EXPECT_EQ(typed.rows[i].valueText, QString::fromLatin1(expected[i])) << i;

        const Typed int64 = Read({1, 0, 114, 4}, framing, {{INT64, 0}});
        EXPECT_EQ(int64.rows[0].valueText, "-5");
        const Typed input = Read({1, 1, 0, 2}, framing, {{INT32, 0}, {INT16, 0}});
        EXPECT_EQ(input.rows[0].valueText, "-100000");

        const Typed unmapped = Read({1, 0, 300, 2}, framing, {});
        EXPECT_EQ(unmapped.read.kind, Outcome::DeviceError);
        EXPECT_EQ(unmapped.read.note, "Modbuserror 02: Illegal data address");
        EXPECT_EQ(unmapped.check.result, ModbusReplyCheck::Result::Good); // its CRC or identifier is right
    }
};

TEST_F(ModbusPeerTest, ModbusTcpOnLoopback)
{
    PeerServer server(QStringLiteral("tcp"));
    if (!server.skipReason.empty())
        GTEST_SKIP() << server.skipReason;
    ASSERT_TRUE(server.failure.empty()) << server.failure;
    ASSERT_TRUE(OpenNetwork(static_cast<quint16>(server.endpoint.toUInt()), false));
    ExpectTheScriptsValues(Framing::Tcp);
    // Identifiers run on past the wrap and the server keeps answering with them.
    for (int read = 0; read < 101; ++read)
        ASSERT_EQ(client.ReadModbusRegisters({1, 0, 100, 1}, Framing::Tcp).kind, Outcome::Reply) << read;
    EXPECT_EQ(client.ReadModbusRegisters({1, 0, 100, 1}, Framing::Tcp).check.result, ModbusReplyCheck::Result::Good);
}

TEST_F(ModbusPeerTest, RtuOverAPseudoTerminal)
{
    PeerServer server(QStringLiteral("rtu"));
    if (!server.skipReason.empty())
        GTEST_SKIP() << server.skipReason;
    ASSERT_TRUE(server.failure.empty()) << server.failure;
    ASSERT_TRUE(OpenSerial(server.endpoint));
    ExpectTheScriptsValues(Framing::Rtu);
}

} // namespace
