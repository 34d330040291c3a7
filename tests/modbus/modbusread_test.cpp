// Reading registers over the gateway connection from the simulated
// gateway's Modbus front end: both framings over UDP, TCP and a
// pseudo-terminal, exceptions, timeouts and the faults of the replies.
#include "modbustestlink.h"
#include "scriptedpeer.h"
#include "gatewayundertest.h"
#include "simulatedgateway.h"

#include "testenvironment.h"

#include <QTimer>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using modbus::Framing;
using Outcome = ReplyOutcome::Kind;
using namespace modbustype;

namespace {

class ModbusReadTest : public ::testing::Test, public ModbusTestLink {
protected:
    void SetUp() override { StartOnLoopback(gateway, EveryWayIn(true)); }

    SimulatedGateway gateway{DefaultBusConfig()}; // slave 1 with registers 100-115 and inputs 0-3
};

TEST_F(ModbusReadTest, TypedValuesInBothFramingsOverEveryTransport)
{
    struct Row {
        const char* transport;
        Framing framing;
    } rows[] = {{"tcp", Framing::Tcp}, {"udp", Framing::Rtu}, {"pty", Framing::Rtu}, {"tcp", Framing::Rtu},
                {"udp", Framing::Tcp}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.transport) + (row.framing == Framing::Tcp ? " TCP framing" : " RTU framing"));
        connection.CloseConnection();
        const QString transport = QString::fromLatin1(row.transport);
        ASSERT_TRUE(transport == "pty" ? OpenSerial(gateway.PtyPath())
                                       : OpenNetwork(transport == "tcp" ? gateway.TcpPort() : gateway.UdpPort(),
                                                     transport == "udp"));
        // The built-in map: INT16 -2, FLOAT 21.5, UINT32 123456 as CDAB, DFLOAT 1234.5678.
        const Typed typed = Read({1, 0, 100, 9}, row.framing, {{INT16, 0}, {FLOAT, 0}, {UINT32, 2}, {DFLOAT, 0}});
        EXPECT_EQ(typed.read.kind, Outcome::Reply);
        EXPECT_EQ(typed.read.note, "Ok");
        EXPECT_EQ(typed.check.result, ModbusReplyCheck::Result::Good);
        EXPECT_EQ(typed.check.registerData.size(), 18);
        EXPECT_EQ(typed.rows[0].valueText, "-2");
        EXPECT_EQ(typed.rows[1].valueText, "21.5");
        EXPECT_EQ(typed.rows[2].valueText, "123456");
        EXPECT_EQ(typed.rows[3].valueText, "1234.5678");
    }
    EXPECT_EQ(log.ResponseCount(), 5);
    EXPECT_EQ(log.ErrorCount(), 0);
    EXPECT_TRUE(Logged(" -> 00 02 00 00 00 06 01 03 00 64 00 09")); // the second read in TCP framing
}

TEST_F(ModbusReadTest, ExceptionsEndTheWaitAsAnsweredButCountAsFailures)
{
    ASSERT_TRUE(OpenNetwork(gateway.TcpPort(), false));
    const Typed unmapped = Read({1, 0, 200, 1}, Framing::Tcp, {{INT16, 0}});
    EXPECT_EQ(unmapped.read.kind, Outcome::DeviceError);
    EXPECT_EQ(unmapped.read.note, "Modbuserror 02: Illegal data address");
    EXPECT_TRUE(unmapped.read.Answered());
    EXPECT_EQ(unmapped.check.result, ModbusReplyCheck::Result::Good);
    EXPECT_TRUE(unmapped.check.registerData.isEmpty());
    EXPECT_TRUE(Logged("    Modbuserror 02: Illegal data address"));

    const Typed absent = Read({9, 0, 0, 1}, Framing::Tcp, {});
    EXPECT_EQ(absent.read.note, "Modbuserror 0B: Target device failed to respond");
    const Typed tooMany = Read({1, 1, 0, 200}, Framing::Tcp, {});
    EXPECT_EQ(tooMany.read.note, "Modbuserror 03: Illegal data value");
    EXPECT_EQ(log.ErrorCount(), 3);
    EXPECT_EQ(log.ResponseCount(), 0);
}

TEST_F(ModbusReadTest, TimeoutsKeepTheNoteAndSilentSlavesOnTheLine)
{
    ASSERT_TRUE(OpenNetwork(gateway.UdpPort(), true));
    link.BusTimeout = 300ms;
    // Over RTU framing a slave that is not there stays silent.
    const Typed silent = Read({7, 0, 100, 1}, Framing::Rtu, {});
    EXPECT_EQ(silent.read.kind, Outcome::Timeout);
    EXPECT_EQ(silent.read.note, "BusTimeout (Received 0 bytes)");
    EXPECT_TRUE(Logged("    BusTimeout (Received 0 bytes)"));
    EXPECT_EQ(log.ErrorCount(), 1);

    // A reply cut short by a count the gateway does not deliver: the bytes held.
    Faults faults;
    faults.split = 2;
    faults.pieceGap = 1000ms;
    gateway.SetFaults(faults);
    const Typed cut = Read({1, 0, 100, 2}, Framing::Rtu, {});
    EXPECT_EQ(cut.read.kind, Outcome::Timeout);
    EXPECT_EQ(cut.read.note, "BusTimeout (Received 5 bytes)");
}

TEST_F(ModbusReadTest, RefusedRepliesWrongIdentifierBadCrcAndPiecesThatStillMakeAReply)
{
    ASSERT_TRUE(OpenNetwork(gateway.TcpPort(), false));
    Faults pieces;
    pieces.byteByByte = true;
    pieces.pieceGap = 1ms;
    gateway.SetFaults(pieces);
    EXPECT_EQ(Read({1, 0, 100, 1}, Framing::Tcp, {{INT16, 0}}).rows[0].valueText, "-2");
    gateway.SetFaults({});

    gateway.SetModbusFaults({true, false});
    const Typed wrongId = Read({1, 0, 100, 1}, Framing::Tcp, {{INT16, 0}});
    EXPECT_EQ(wrongId.read.kind, Outcome::BadReply);
    EXPECT_EQ(wrongId.read.note, "Wrong Transaction identifier");
    EXPECT_EQ(wrongId.check.result, ModbusReplyCheck::Result::WrongTransactionIdentifier);
    EXPECT_EQ(wrongId.check.text, "Wrong Transaction identifier");

    gateway.SetModbusFaults({false, true});
    const Typed badCrc = Read({1, 0, 100, 1}, Framing::Rtu, {{INT16, 0}});
    EXPECT_EQ(badCrc.read.kind, Outcome::BadReply);
    EXPECT_EQ(badCrc.read.note, "Bad Crc");
    EXPECT_EQ(badCrc.check.result, ModbusReplyCheck::Result::BadCrc);
    EXPECT_EQ(badCrc.check.text, "Bad Crc");
    EXPECT_TRUE(badCrc.rows[0].valueText.isEmpty());
}

TEST_F(ModbusReadTest, NothingIsSentWithoutAConnectionNorDuringAnotherOperation)
{
    EXPECT_EQ(client.ReadModbusRegisters({1, 0, 100, 1}, Framing::Tcp).kind, Outcome::NotRun);
    ASSERT_TRUE(OpenNetwork(gateway.TcpPort(), false));
    bool refused = false;
    // A second read while the first one waits (a poll tick, a click) is refused.
    QTimer::singleShot(0, [&] {
        refused = client.ReadModbusRegisters({1, 0, 100, 1}, Framing::Tcp).kind == Outcome::NotRun;
    });
    EXPECT_EQ(client.ReadModbusRegisters({1, 0, 100, 1}, Framing::Tcp).kind, Outcome::Reply);
    EXPECT_TRUE(refused);
    EXPECT_EQ(log.ResponseCount(), 1);
}

} // namespace

// A reply to a TCP request that timed out, arriving while the next request
// waits, is passed over, and the next request's timeout note counts its bytes.
TEST(ModbusLateReplies, DroppedBytesCountInTheTimeoutNote)
{
    ModbusTestLink parts;
    ScriptedPeer peer(ScriptedPeer::Transport::Tcp);
    ASSERT_TRUE(parts.OpenNetwork(peer.Port(), false));
    parts.link.BusTimeout = 200ms;
    peer.AnswerNext({{QByteArray::fromHex("000100000005010302FFFE"), 350ms}});
    EXPECT_EQ(parts.client.ReadModbusRegisters({1, 0, 100, 1}, Framing::Tcp).note, "BusTimeout (Received 0 bytes)");
    peer.AnswerNext({});
    parts.link.BusTimeout = 600ms;
    const ModbusReadResult read = parts.client.ReadModbusRegisters({1, 0, 100, 1}, Framing::Tcp);
    EXPECT_EQ(read.kind, Outcome::Timeout);
    EXPECT_EQ(read.note, "BusTimeout (Received 11 bytes)");
}
