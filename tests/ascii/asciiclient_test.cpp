// Reading items over the open connection: against the simulated gateway's
// ASCII front end over UDP and TCP, against a scripted peer for replies no
// gateway should send, and over a pseudo-terminal.
#include "ascii/asciiclient.h"

#include "linkparts.h"
#include "scriptedpeer.h"
#include "gatewayundertest.h"
#include "testenvironment.h"

#include <algorithm>
#include <QTimer>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

using namespace std::chrono_literals;
using Outcome = ReplyOutcome::Kind;
using Transport = ScriptedPeer::Transport;

namespace {

// A connection, its link and an ASCII client over a program folder of the
// test's own, logging, without pacing.
struct ClientParts : LinkParts {
    AsciiClient client{connection, link, log};

    ClientParts()
    {
        log.SetMaxDebugLines(1000);
        link.BusTimeout = 2000ms;
    }
};

} // namespace

TEST(AsciiClient, ValueErrorLetterAndTimeoutAsTheGatewayAnswers)
{
    SimulatedGateway gateway(DefaultBusConfig());
    ASSERT_NO_FATAL_FAILURE(StartAsciiFrontEnd(gateway));
    ClientParts parts;
    ASSERT_TRUE(parts.OpenNetwork(gateway.AsciiUdpPort(), true));
    AsciiClient& client = parts.client;
    TrafficLog& log = parts.log;

    const AsciiReadResult value = client.ReadAsciiItem(0, 0, "TANK.LEVEL");
    EXPECT_EQ(value.kind, Outcome::Reply);
    EXPECT_EQ(value.note, "Ok");
    EXPECT_EQ(value.sequence, 1);
    EXPECT_EQ(AsciiReplyValue(value.bytes, 0), "12.5");
    // STX "01" "00" "00" TANK.LEVEL ETX, and ACK "010000" 12.5 ETX
    EXPECT_TRUE(parts.Logged(QStringLiteral(" -> 02 30 31 30 30 30 30 54 41 4E 4B 2E 4C 45 56 45")));
    EXPECT_TRUE(parts.Logged(QStringLiteral(" <- 06 30 31 30 30 30 30 31 32 2E 35 03")));

    const AsciiReadResult unknown = client.ReadAsciiItem(0, 0, "NO.SUCH.ITEM");
    EXPECT_EQ(unknown.kind, Outcome::DeviceError);
    EXPECT_EQ(unknown.sequence, 2);
    EXPECT_TRUE(log.Lines().back().endsWith(QStringLiteral("    Error I: Can't find Item ID")));

    parts.link.BusTimeout = 300ms;
    const AsciiReadResult slow = client.ReadAsciiItem(0, 0, "SLOW.ITEM");
    EXPECT_EQ(slow.kind, Outcome::Timeout);
    EXPECT_TRUE(log.Lines().back().endsWith(QStringLiteral("    BusTimeout (Received 0 bytes)")));
    EXPECT_EQ(log.ResponseCount(), 1);
    EXPECT_EQ(log.ErrorCount(), 2);
}

TEST(AsciiClientReplies, PiecesAreJoinedAndBadRepliesTimeOut)
{
    for (const Transport transport : {Transport::Udp, Transport::Tcp}) {
        ClientParts parts;
        ScriptedPeer peer(transport);
        ASSERT_TRUE(parts.OpenNetwork(peer.Port(), transport == Transport::Udp));
        parts.link.BusTimeout = 300ms;
        AsciiClient& client = parts.client;

        // a reply in three pieces is taken once its ETX has come
        peer.AnswerNext({{"\x06" "01"}, {"0000", 20ms}, {"7\x03", 20ms}});
        AsciiReadResult read = client.ReadAsciiItem(0, 0, "A.B");
        EXPECT_EQ(read.kind, Outcome::Reply);
        EXPECT_EQ(read.bytes, QByteArray("\x06" "0100007\x03"));

        // no ETX: the bytes held are counted and logged after the note
        peer.AnswerNext({{"\x06" "0200007"}});
        read = client.ReadAsciiItem(0, 0, "A.B");
        EXPECT_EQ(read.kind, Outcome::Timeout);
        EXPECT_EQ(read.note, "BusTimeout (Received 8 bytes)");
        EXPECT_TRUE(parts.log.Lines().back().contains(QStringLiteral(" <- 06 30 32 30 30 30 30 37")));

        // 64 kB (as much as a datagram holds over UDP): the connection keeps the
        // last 1024 bytes, which do not begin with ACK
        const qsizetype huge = transport == Transport::Udp ? 65000 : 65536;
        peer.AnswerNext({{"\x06" + QByteArray(huge, '5') + "\x03"}});
        read = client.ReadAsciiItem(0, 0, "A.B");
        EXPECT_EQ(read.kind, Outcome::Timeout);
        EXPECT_EQ(read.note, "BusTimeout (Received 1024 bytes)");

        EXPECT_EQ(parts.log.ResponseCount(), 1);
        EXPECT_EQ(parts.log.ErrorCount(), 2);
        EXPECT_EQ(peer.Requests().back(), QByteArray("\x02" "030000A.B\x03"));
    }
}

// A reply that comes after its read timed out is not the next read's value,
// over the network and over a serial line alike.
TEST(AsciiClientReplies, ALateReplyIsNotTheNextReadsAnswer)
{
    ClientParts parts;
    ScriptedPeer peer(Transport::Udp);
    ASSERT_TRUE(parts.OpenNetwork(peer.Port(), true));
    parts.link.BusTimeout = 200ms;
    peer.AnswerNext({{"\x06" "010000" "7\x03", 350ms}});
    EXPECT_EQ(parts.client.ReadAsciiItem(0, 0, "A.B").kind, Outcome::Timeout);
    // the late answer to 01 arrives while 02 waits; 02's own follows
    peer.AnswerNext({{"\x06" "020000" "8\x03", 250ms}});
    parts.link.BusTimeout = 1000ms;
    const AsciiReadResult read = parts.client.ReadAsciiItem(0, 0, "A.B");
    EXPECT_EQ(read.kind, Outcome::Reply);
    EXPECT_EQ(read.bytes, QByteArray("\x06" "020000" "8\x03"));
    EXPECT_TRUE(parts.Logged(QStringLiteral("Late reply to an earlier request dropped")));
    EXPECT_EQ(parts.log.ResponseCount(), 1);
}

// Only a request that timed out can have a late reply: a gateway that
// echoes a fixed number is answered every time, and a late reply's bytes
// count in the note of a read that then times out itself.
TEST(AsciiClientReplies, AFixedEchoIsAnAnswerAndDroppedBytesAreCounted)
{
    ClientParts parts;
    ScriptedPeer peer(Transport::Udp);
    ASSERT_TRUE(parts.OpenNetwork(peer.Port(), true));
    parts.link.BusTimeout = 1000ms;
    for (int read = 0; read < 3; ++read) {
        peer.AnswerNext({{"\x06" "000000" "7\x03"}});
        EXPECT_EQ(parts.client.ReadAsciiItem(0, 0, "A.B").kind, Outcome::Reply) << read;
    }
    parts.link.BusTimeout = 200ms;
    peer.AnswerNext({{"\x06" "040000" "7\x03", 350ms}});
    EXPECT_EQ(parts.client.ReadAsciiItem(0, 0, "A.B").note, "BusTimeout (Received 0 bytes)");
    peer.AnswerNext({});
    parts.link.BusTimeout = 600ms;
    EXPECT_EQ(parts.client.ReadAsciiItem(0, 0, "A.B").note, "BusTimeout (Received 9 bytes)");
    EXPECT_TRUE(parts.Logged(QStringLiteral("Late reply to an earlier request dropped")));
}

// Junk behind the ETX makes no reply, and every byte is logged; a doubled
// datagram behind a reply is passed over.
TEST(AsciiClientReplies, JunkAfterTheEtxIsNoReply)
{
    ClientParts parts;
    ScriptedPeer peer(Transport::Udp);
    ASSERT_TRUE(parts.OpenNetwork(peer.Port(), true));
    parts.link.BusTimeout = 300ms;
    peer.AnswerNext({{"\x06" "010000" "7\x03" "XY"}});
    AsciiReadResult read = parts.client.ReadAsciiItem(0, 0, "A.B");
    EXPECT_EQ(read.kind, Outcome::Timeout);
    EXPECT_EQ(read.note, "BusTimeout (Received 11 bytes)");
    EXPECT_TRUE(parts.Logged(QStringLiteral("37 03 58 59")));
    peer.AnswerNext({{"\x06" "020000" "8\x03" "\x06" "020000" "8\x03"}});
    read = parts.client.ReadAsciiItem(0, 0, "A.B");
    EXPECT_EQ(read.kind, Outcome::Reply);
    EXPECT_EQ(read.bytes, QByteArray("\x06" "020000" "8\x03"));
    EXPECT_TRUE(parts.Logged(QStringLiteral("Repeated reply passed over")));
}

TEST(AsciiClientReplies, WithoutAConnectionTheReadFailsAtOnce)
{
    ClientParts parts;
    parts.link.BusTimeout = 60000ms;
    const AsciiReadResult read = parts.client.ReadAsciiItem(0, 0, "A.B");
    EXPECT_EQ(read.kind, Outcome::Closed);
    EXPECT_EQ(read.note, "BusTimeout (Received 0 bytes)");
    EXPECT_EQ(parts.log.ErrorCount(), 1);
    // the note alone: nothing was sent
    ASSERT_EQ(parts.log.Lines().size(), 1);
    EXPECT_TRUE(parts.log.Lines().front().endsWith(QStringLiteral("    BusTimeout (Received 0 bytes)")));

    // and no read at all while another device operation waits
    const DeviceOperationScope other(parts.operations);
    AsciiReadResult inside;
    QTimer::singleShot(0, [&] { inside = parts.client.ReadAsciiItem(0, 0, "A.B"); });
    parts.operations.Pause(50ms);
    EXPECT_EQ(inside.kind, Outcome::NotRun);
    EXPECT_EQ(parts.client.AsciiSequenceCounter(), 1);
}

TEST(AsciiClientReplies, OverASerialLine)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const QString slave = QString::fromLocal8Bit(ptsname(master));
    ClientParts parts;
    ConnectionRequest request;
    request.serial = true;
    request.serialDevice = slave;
    request.lineSettings = QStringLiteral("9600,N,8,1");
    ASSERT_TRUE(parts.connection.OpenConnection(request, 1000ms));

    // a first read goes unanswered in time
    parts.link.BusTimeout = 100ms;
    EXPECT_EQ(parts.client.ReadAsciiItem(0, 5, "PUMP.FAULT").kind, Outcome::Timeout);
    char sent[64] = {};
    fcntl(master, F_SETFL, O_NONBLOCK);
    EXPECT_EQ(QByteArray(sent, static_cast<int>(::read(master, sent, sizeof sent))),
              QByteArray("\x02" "010005PUMP.FAULT\x03"));
    // the gateway answers in two pieces while the next read waits, after the
    // late answer to the first
    parts.link.BusTimeout = 2000ms;
    QTimer::singleShot(10ms, [master] { ASSERT_EQ(::write(master, "\x06" "010000" "7\x03", 9), 9); });
    QTimer::singleShot(30ms, [master] { ASSERT_EQ(::write(master, "\x15" "02", 3), 3); });
    QTimer::singleShot(60ms, [master] { ASSERT_EQ(::write(master, "0005T\x03", 6), 6); });
    const AsciiReadResult read = parts.client.ReadAsciiItem(0, 5, "PUMP.FAULT");
    EXPECT_EQ(read.kind, Outcome::DeviceError);
    EXPECT_EQ(read.note, "Error T: Timeout slave port");
    EXPECT_EQ(QByteArray(sent, static_cast<int>(::read(master, sent, sizeof sent))),
              QByteArray("\x02" "020005PUMP.FAULT\x03"));
    parts.connection.CloseConnection();
    ::close(master);
}
