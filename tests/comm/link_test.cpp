// Transactions against a scripted peer on loopback that sends exact bytes,
// split as the test says, over UDP, TCP and a pseudo-terminal.
#include "comm/connection.h"
#include "comm/deviceoperations.h"
#include "comm/link.h"
#include "comm/mbusframe.h"
#include "comm/waiting.h"
#include "base/inifile.h"
#include "base/trafficlog.h"

#include "linkparts.h"
#include "scriptedpeer.h"
#include "testenvironment.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

using namespace std::chrono_literals;
using Chunk = ScriptedPeer::Chunk;
using Transport = ScriptedPeer::Transport;

namespace {

QByteArray Hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text));
}

// The reply a wait ended with; nothing when it ended without one.
QByteArray Replied(const ReplyOutcome& outcome)
{
    return outcome.kind == ReplyOutcome::Kind::Reply ? outcome.bytes : QByteArray();
}

QByteArray MeterReply()
{
    return *LongFrame(0x08, 0x05, 0x72, Hex("78563412 2D2C 01 07 55 00 0000 0413 E8030000"));
}

class LinkTest : public ::testing::TestWithParam<Transport>, public LinkParts {
protected:
    LinkTest()
        : peer(GetParam())
    {
        log.SetMaxDebugLines(1000);
    }

    void Open() { ASSERT_TRUE(OpenNetwork(peer.Port(), GetParam() == Transport::Udp)); }

    // One transaction: SND_NKE to address 5, the peer answering with chunks.
    ReplyOutcome Transact(QList<Chunk> answer, std::chrono::milliseconds timeout = 400ms)
    {
        peer.AnswerNext(std::move(answer));
        link.SendFrame(ShortFrame(mbus::kSndNke, 5));
        return link.WaitMBusReply(timeout);
    }

    QString LastLine() const { return log.Lines().isEmpty() ? QString() : log.Lines().back(); }

    ScriptedPeer peer;
};

} // namespace

TEST_P(LinkTest, AcceptsRepliesWholeOrInPieces)
{
    Open();
    EXPECT_EQ(Replied(Transact({{Hex("E5")}})), Hex("E5"));
    EXPECT_EQ(peer.Requests().back(), Hex("1040054516"));
    const QByteArray reply = MeterReply();
    EXPECT_EQ(Replied(Transact({{reply}})), reply);
    EXPECT_EQ(Replied(Transact({{reply.left(3), 5ms}, {reply.mid(3, 10), 20ms}, {reply.mid(13), 20ms}})), reply);
    QList<Chunk> bytewise;
    for (const char byte : reply)
        bytewise.append({QByteArray(1, byte), 1ms});
    EXPECT_EQ(Replied(Transact(bytewise, 2000ms)), reply);
    EXPECT_EQ(log.ResponseCount(), 4);
    EXPECT_EQ(log.ErrorCount(), 0);
    EXPECT_TRUE(Logged(QStringLiteral(" -> 10 40 05 45 16")));
    EXPECT_TRUE(Logged(QStringLiteral(" <- E5")));
}

// A late RSP_UD from meter 1 reaching the read of meter 5 is logged and
// passed over; the wait goes on for meter 5's own.
TEST_P(LinkTest, AFrameFromAnotherMeterIsPassedOver)
{
    Open();
    const QByteArray fromOne = *LongFrame(0x08, 0x01, 0x72, Hex("78563412 2D2C 01 07 55 00 0000"));
    const QByteArray read = ShortFrame(mbus::kReqUd2, 5);
    peer.AnswerNext({{fromOne}, {MeterReply(), 30ms}});
    link.SendFrame(read);
    EXPECT_EQ(Replied(link.WaitMBusReply(1000ms, read)), MeterReply());
    EXPECT_TRUE(Logged(QStringLiteral("Late reply to an earlier request dropped")));
    EXPECT_EQ(log.ResponseCount(), 1);
}

// A meter reached through 253 answers with its own address, so the late
// answer to a read that timed out is listened for before the next request.
TEST_P(LinkTest, ALateAnswerThroughTheSelectedSlaveIsDrainedFirst)
{
    Open();
    const QByteArray fromOne = *LongFrame(0x08, 0x01, 0x72, Hex("78563412 2D2C 01 07 55 00 0000"));
    const QByteArray read = ShortFrame(mbus::kReqUd2, mbus::kSelectedSlave);
    peer.AnswerNext({{fromOne, 350ms}});
    link.SendFrame(read);
    EXPECT_EQ(link.WaitMBusReply(200ms, read).kind, ReplyOutcome::Kind::Timeout);
    link.DrainLateReply();
    peer.AnswerNext({{MeterReply(), 250ms}});
    link.SendFrame(read);
    EXPECT_EQ(Replied(link.WaitMBusReply(1000ms, read)), MeterReply());
    EXPECT_TRUE(Logged(QStringLiteral("Late reply to an earlier request dropped")));
}

TEST_P(LinkTest, EveryTimeoutGetsItsNote)
{
    Open();
    const QByteArray reply = MeterReply();
    const int expected = static_cast<int>(reply.size());
    QByteArray badChecksum = reply;
    badChecksum[badChecksum.size() - 2] = static_cast<char>(badChecksum[badChecksum.size() - 2] ^ 0x01);
    struct Case {
        QList<Chunk> answer;
        QString note;
    };
    const Case cases[] = {
        {{}, QStringLiteral("BusTimeout")},
        {{{Hex("6808")}}, QStringLiteral("BusTimeout (Received 2 byte)")},
        {{{Hex("01020304")}}, QStringLiteral("BusTimeout (Received only 4 of 6 bytes)")},
        {{{Hex("E5E5")}}, QStringLiteral("BusTimeout (Received 2 byte)")},
        {{{Hex("E5") + reply}}, QStringLiteral("BusTimeout (Received %1 bytes)").arg(expected + 1)},
        {{{reply.left(10)}}, QStringLiteral("BusTimeout (Received only 10 of %1 bytes)").arg(expected)},
        {{{badChecksum}}, QStringLiteral("BusTimeout (Received %1 bytes, bad frame)").arg(expected)},
        // L below 3: never a reply, though its checksum and stop byte fit
        {{{Hex("68010168050516")}}, QStringLiteral("BusTimeout (Received 7 bytes, bad frame)")},
        {{{reply + Hex("00")}}, QStringLiteral("BusTimeout (Received to many bytes %1 of %2)").arg(expected + 1).arg(expected)},
    };
    int errors = 0;
    for (const Case& c : cases) {
        const ReplyOutcome heard = Transact(c.answer, 150ms);
        EXPECT_EQ(heard.kind, ReplyOutcome::Kind::Timeout) << c.note.toStdString();
        EXPECT_EQ(heard.note, c.note);
        ++errors;
        const qsizetype textLine = log.Lines().lastIndexOf(QRegularExpression(QStringLiteral(".*BusTimeout.*")));
        ASSERT_GE(textLine, 0);
        EXPECT_TRUE(log.Lines()[textLine].endsWith(QStringLiteral("    ") + c.note)) << log.Lines()[textLine].toStdString();
        // the bytes that came are logged after the note; nothing when none came
        EXPECT_EQ(textLine == log.Lines().size() - 1, c.answer.isEmpty()) << c.note.toStdString();
    }
    EXPECT_EQ(log.ErrorCount(), errors);
    EXPECT_EQ(log.ResponseCount(), 0);
    // and a good reply is still taken afterwards
    EXPECT_EQ(Replied(Transact({{reply}})), reply);
}

TEST_P(LinkTest, PacingKeepsBusDelayAfterTheLastReply)
{
    Open();
    link.BusDelay = 250ms;
    ASSERT_EQ(Replied(Transact({{Hex("E5")}})), Hex("E5"));
    ASSERT_EQ(Replied(Transact({{Hex("E5")}})), Hex("E5"));
    const auto& times = peer.RequestTimesMs();
    EXPECT_GE(times[1] - times[0], 240);
    EXPECT_LT(times[1] - times[0], 5000); // a hang guard, not a speed test
}

TEST_P(LinkTest, ACancelInThePacingSendsNothing)
{
    Open();
    link.BusDelay = 1000ms;
    link.MarkReceived();
    {
        const DeviceOperationScope operation(operations);
        QTimer::singleShot(50ms, [this] { operations.RequestCancel(); });
        EXPECT_FALSE(link.SendFrame(ShortFrame(mbus::kSndNke, 5)));
        EXPECT_FALSE(link.SendFrame(ShortFrame(mbus::kSndNke, 6))) << "nor any later frame of the operation";
    }
    WaitUntil([this] { return !peer.Requests().isEmpty(); }, 300ms); // time for a frame sent anyway
    EXPECT_TRUE(peer.Requests().isEmpty());
    EXPECT_FALSE(Logged(QStringLiteral(" -> ")));
    // the next operation sends again
    link.BusDelay = 0ms;
    EXPECT_EQ(Replied(Transact({{Hex("E5")}})), Hex("E5"));
}

TEST_P(LinkTest, NothingHappensWithoutAConnection)
{
    link.SendFrame(ShortFrame(mbus::kSndNke, 5));
    EXPECT_EQ(link.WaitMBusReply(100ms).kind, ReplyOutcome::Kind::NotRun);
    EXPECT_TRUE(peer.Requests().isEmpty());
    EXPECT_TRUE(log.Lines().isEmpty());
    EXPECT_EQ(log.ErrorCount(), 0);
}

TEST_P(LinkTest, OversizeAndRandomRepliesAreBoundedAndSurvived)
{
    Open();
    QByteArray noise(60000, '\0');
    for (qsizetype i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 7919 + 13) & 0xFF);
    EXPECT_EQ(Transact({{noise}}, 300ms).kind, ReplyOutcome::Kind::Timeout);
    EXPECT_LE(connection.ReceiveBuffer().size(), Connection::kSocketBufferLimit);
    EXPECT_TRUE(connection.ConnectionOpen());
    EXPECT_EQ(Replied(Transact({{MeterReply()}})), MeterReply());
}

INSTANTIATE_TEST_SUITE_P(OverSockets, LinkTest, ::testing::Values(Transport::Udp, Transport::Tcp),
                         [](const auto& info) { return info.param == Transport::Udp ? "Udp" : "Tcp"; });

TEST(TcpConnection, RefusedConnectReportsTheSocketsWords)
{
    ConnectionParts parts;
    Connection& connection = parts.connection;
    quint16 closedPort = 0;
    {
        ScriptedPeer placeholder(Transport::Tcp); // a port that is free once it is gone
        closedPort = placeholder.Port();
    }
    ConnectionRequest request;
    request.host = QStringLiteral("127.0.0.1");
    request.port = closedPort;
    request.udp = false;
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(connection.OpenConnection(request, 5000ms));
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_FALSE(connection.ConnectionOpen());
    EXPECT_FALSE(connection.LastSocketError().isEmpty());
}

TEST(TcpConnection, PeerResetMidReplyEndsTheWaitAndTheConnection)
{
    LinkParts parts;
    TrafficLog& log = parts.log;
    Connection& connection = parts.connection;
    Link& link = parts.link;
    ScriptedPeer peer(Transport::Tcp);
    ASSERT_TRUE(parts.OpenNetwork(peer.Port(), false));
    peer.AnswerNext({{MeterReply().left(6)}});
    peer.ResetAfterScript(true);
    link.SendFrame(ShortFrame(mbus::kReqUd2, 5));
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(link.WaitMBusReply(3000ms).kind, ReplyOutcome::Kind::Closed);
    EXPECT_LT(clock.elapsed(), 2500); // ended by the reset, not by the timeout
    EXPECT_FALSE(connection.ConnectionOpen());
    EXPECT_EQ(log.ErrorCount(), 1);
}

TEST(UdpConnection, NoGatewayOpensAndTheFirstTransactionTimesOut)
{
    LinkParts parts;
    TrafficLog& log = parts.log;
    Link& link = parts.link;
    quint16 silentPort = 0;
    {
        ScriptedPeer placeholder(Transport::Udp);
        silentPort = placeholder.Port();
    }
    ASSERT_TRUE(parts.OpenNetwork(silentPort, true));
    link.SendFrame(ShortFrame(mbus::kSndNke, 1));
    EXPECT_EQ(link.WaitMBusReply(200ms).kind, ReplyOutcome::Kind::Timeout);
    EXPECT_EQ(log.ErrorCount(), 1);
    EXPECT_TRUE(log.Lines().back().endsWith(QStringLiteral("    BusTimeout")));
}

namespace {
// A pseudo-terminal pair: the test holds the master, the connection opens
// the slave through the INI file's COM1 entry.
struct PseudoTerminal {
    int master = -1;
    QString slavePath;
    PseudoTerminal()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0)
            slavePath = QString::fromLocal8Bit(ptsname(master));
    }
    ~PseudoTerminal() { Close(); }
    void Close()
    {
        if (master >= 0)
            ::close(master);
        master = -1;
    }
    QByteArray ReadAvailable(std::chrono::milliseconds within)
    {
        QByteArray got;
        WaitUntil(
            [&] {
                char buffer[256];
                fcntl(master, F_SETFL, O_NONBLOCK);
                const ssize_t n = ::read(master, buffer, sizeof buffer);
                if (n > 0)
                    got.append(buffer, n);
                return !got.isEmpty();
            },
            within);
        return got;
    }
};
} // namespace

TEST(SerialConnection, TransactionOverAPseudoTerminalAndItsLoss)
{
    PseudoTerminal pty;
    ASSERT_FALSE(pty.slavePath.isEmpty());
    LinkParts parts;
    parts.ini.WriteIniValue(QStringLiteral("SerialPorts"), QStringLiteral("COM1"), pty.slavePath);
    TrafficLog& log = parts.log;
    Connection& connection = parts.connection;
    Link& link = parts.link;
    ConnectionRequest request;
    request.serial = true;
    request.portIndex = 0;
    request.lineSettings = QStringLiteral("2400,E,8,1"); // a pseudo-terminal refuses even parity; the port opens anyway
    ASSERT_TRUE(connection.OpenConnection(request, 1000ms));
    EXPECT_EQ(connection.Mode(), ConnectionMode::Serial);

    link.SendFrame(ShortFrame(mbus::kSndNke, 5));
    EXPECT_EQ(pty.ReadAvailable(2000ms), Hex("1040054516"));
    const QByteArray reply = MeterReply();
    ASSERT_EQ(::write(pty.master, reply.constData(), 7), 7);
    Pause(20ms);
    ASSERT_EQ(::write(pty.master, reply.constData() + 7, reply.size() - 7), reply.size() - 7);
    EXPECT_EQ(Replied(link.WaitMBusReply(2000ms)), reply);

    // the device disappears: the wait ends, the connection knows, no hang
    link.SendFrame(ShortFrame(mbus::kReqUd2, 5));
    pty.Close();
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(link.WaitMBusReply(3000ms).kind, ReplyOutcome::Kind::Closed);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(log.ErrorCount(), 1);
    EXPECT_FALSE(connection.ConnectionOpen());
    EXPECT_FALSE(connection.SerialPortOpen());
    int lossNotes = 0;
    for (const QString& line : log.Lines())
        lossNotes += line.contains(QStringLiteral("Serial port lost")) ? 1 : 0;
    EXPECT_EQ(lossNotes, 1);
    EXPECT_TRUE(log.Lines().back().contains(QStringLiteral("BusTimeout")) || log.Lines().back().contains(QStringLiteral("<-")));
}
