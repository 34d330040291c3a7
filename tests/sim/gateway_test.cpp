#include "configclients.h"
#include "simprogram.h"
#include "simulatedgateway.h"

#include "comm/mbusframe.h"

#include <QFile>
#include <QFileInfo>
#include <QNetworkDatagram>
#include <QProcess>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>
#include <gtest/gtest.h>

#include <memory>

namespace {

// Waits only catch hangs; everything normally arrives within milliseconds.
constexpr int kHang = 5000;

QByteArray Hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text));
}

const QByteArray kAck = Hex("E5");

bool IsReplyFrom(const QByteArray& reply, quint8 address, const QByteArray& idBytes)
{
    return CheckMBusReply(reply).complete && reply.size() > 10 && static_cast<quint8>(reply[5]) == address
           && reply.mid(7, 4) == idBytes;
}

// The meters' answers come back as datagrams, like the configuration answers.
class UdpClient : public ConfigClient {
public:
    bool WaitForReply()
    {
        return QTest::qWaitFor([this] { return CheckMBusReply(Received()).complete; }, kHang);
    }
};

MeterConfig MeterAt(quint8 address, quint32 id)
{
    MeterConfig meter;
    meter.address = address;
    meter.id = id;
    meter.manufacturer = 0x2ED8;
    meter.version = 1;
    meter.medium = 7;
    return meter;
}

class SimGateway : public ::testing::Test {
protected:
    void Start(const BusConfig& config = DefaultBusConfig(), bool pty = false)
    {
        m_Gateway = std::make_unique<SimulatedGateway>(config);
        EndpointOptions options;
        options.udpPort = 0;
        options.tcpPort = 0;
        options.pty = pty;
        options.tracePath = m_Dir.filePath(QStringLiteral("trace.txt"));
        QString error;
        ASSERT_TRUE(m_Gateway->Start(options, &error)) << error.toStdString();
        ASSERT_NE(m_Gateway->UdpPort(), 0);
        ASSERT_NE(m_Gateway->TcpPort(), 0);
    }

    QByteArray AskUdp(const QByteArray& frame)
    {
        m_Client.Send(frame, m_Gateway->UdpPort());
        m_Client.WaitForReply();
        return m_Client.Received();
    }

    QTemporaryDir m_Dir;
    std::unique_ptr<SimulatedGateway> m_Gateway;
    UdpClient m_Client;
};

} // namespace

TEST_F(SimGateway, AnswersOverUdp)
{
    Start();
    EXPECT_EQ(AskUdp(ShortFrame(mbus::kSndNke, 1)), kAck);
    EXPECT_EQ(m_Client.Datagrams().size(), 1);
    const QByteArray reply = AskUdp(ShortFrame(mbus::kReqUd2Fcb, 1));
    EXPECT_TRUE(IsReplyFrom(reply, 1, Hex("78563412"))) << reply.toHex().constData();
    EXPECT_EQ(m_Client.Datagrams().size(), 1);
    // Nobody at address 77: no datagram at all.
    m_Client.Send(ShortFrame(mbus::kSndNke, 77), m_Gateway->UdpPort());
    QTest::qWait(100);
    EXPECT_TRUE(m_Client.Datagrams().isEmpty());
}

TEST_F(SimGateway, AnswersOverTcpWhateverTheChunks)
{
    Start();
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, m_Gateway->TcpPort());
    ASSERT_TRUE(socket.waitForConnected(kHang));
    QByteArray received;
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] { received += socket.readAll(); });

    // Garbage, then two frames in one chunk: each is answered, in order.
    socket.write(Hex("00FF") + ShortFrame(mbus::kSndNke, 2) + ShortFrame(mbus::kReqUd2, 2));
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() > 1 && CheckMBusReply(received.mid(1)).complete; }, kHang));
    EXPECT_EQ(received.left(1), kAck);
    EXPECT_TRUE(IsReplyFrom(received.mid(1), 2, Hex("79563412")));

    // A frame in three chunks.
    received.clear();
    const QByteArray frame = ShortFrame(mbus::kSndNke, 3);
    for (int i = 0; i < 3; ++i) {
        socket.write(frame.mid(i * 2, 2));
        socket.flush();
        QTest::qWait(10);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !received.isEmpty(); }, kHang));
    EXPECT_EQ(received, kAck);
}

TEST_F(SimGateway, AnswersOverThePseudoTerminal)
{
    Start(DefaultBusConfig(), true);
    ASSERT_TRUE(m_Gateway->PtyPath().startsWith(QLatin1String("/dev/")));
    EXPECT_TRUE(m_Gateway->Endpoints().contains(QStringLiteral("pty ") + m_Gateway->PtyPath()));
    QSerialPort port(m_Gateway->PtyPath());
    ASSERT_TRUE(port.open(QIODevice::ReadWrite)) << port.errorString().toStdString();
    port.setBaudRate(2400);
    port.setParity(QSerialPort::EvenParity);
    QByteArray received;
    QObject::connect(&port, &QSerialPort::readyRead, [&] { received += port.readAll(); });

    port.write(ShortFrame(mbus::kSndNke, 3));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !received.isEmpty(); }, kHang));
    EXPECT_EQ(received, kAck);
    received.clear();
    port.write(ShortFrame(mbus::kReqUd2Fcb, 3));
    ASSERT_TRUE(QTest::qWaitFor([&] { return CheckMBusReply(received).complete; }, kHang));
    EXPECT_TRUE(IsReplyFrom(received, 3, Hex("89674523")));
}

// A serial client hears the bus at the speed it set; with line timing the
// reply comes a byte at a time, as off a real line.
TEST_F(SimGateway, PseudoTerminalHearsOnlyMetersAtItsSpeedAndPacesReplies)
{
    BusConfig config = DefaultBusConfig();
    config.timing.instant = false;
    config.baud = 9600;
    for (MeterConfig& meter : config.meters)
        meter.baud = meter.address == 3 ? 2400 : 9600;
    Start(config, true);
    QSerialPort port(m_Gateway->PtyPath());
    ASSERT_TRUE(port.open(QIODevice::ReadWrite)) << port.errorString().toStdString();
    port.setParity(QSerialPort::EvenParity);
    QByteArray received;
    int chunks = 0;
    QObject::connect(&port, &QSerialPort::readyRead, [&] {
        received += port.readAll();
        ++chunks;
    });
    const auto ask = [&](const QByteArray& frame, int baud) {
        port.setBaudRate(baud);
        received.clear();
        chunks = 0;
        port.write(frame);
        static_cast<void>(QTest::qWaitFor([&] { return CheckMBusReply(received).complete; }, 1000));
        return received;
    };

    EXPECT_EQ(ask(ShortFrame(mbus::kSndNke, 1), 2400), QByteArray()); // meter 1 runs at 9600
    EXPECT_EQ(ask(ShortFrame(mbus::kSndNke, 3), 2400), kAck);
    EXPECT_EQ(ask(ShortFrame(mbus::kSndNke, 3), 9600), QByteArray());
    const QByteArray reply = ask(ShortFrame(mbus::kReqUd2Fcb, 3), 2400);
    EXPECT_TRUE(IsReplyFrom(reply, 3, Hex("89674523")));
    EXPECT_GE(chunks, 4) << "a reply of " << reply.size() << " bytes came whole";
}

TEST_F(SimGateway, PseudoTerminalLinkLivesAsLongAsTheGateway)
{
    const QString link = m_Dir.filePath(QStringLiteral("ttyMBUS"));
    QString slave;
    {
        SimulatedGateway gateway(DefaultBusConfig());
        EndpointOptions options;
        options.udpPort.reset();
        options.tcpPort.reset();
        options.pty = true;
        options.ptyLink = link;
        QString error;
        ASSERT_TRUE(gateway.Start(options, &error)) << error.toStdString();
        slave = gateway.PtyPath();
        EXPECT_EQ(QFileInfo(link).symLinkTarget(), slave);
        EXPECT_EQ(gateway.UdpPort(), 0);
    }
    EXPECT_FALSE(QFileInfo::exists(link));
    EXPECT_FALSE(QFileInfo(link).isSymLink());

    // Something else in the way is not replaced.
    QFile blocker(link);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SimulatedGateway gateway(DefaultBusConfig());
    EndpointOptions options;
    options.udpPort.reset();
    options.tcpPort.reset();
    options.pty = true;
    options.ptyLink = link;
    QString error;
    EXPECT_FALSE(gateway.Start(options, &error));
    EXPECT_TRUE(error.contains(link));
    EXPECT_TRUE(QFileInfo(link).isFile());
}

TEST_F(SimGateway, CollisionsAsConfigured)
{
    BusConfig config;
    config.meters = {MeterAt(4, 0x11111111), MeterAt(4, 0x22222222)};
    Start(config);
    m_Client.Send(ShortFrame(mbus::kSndNke, 4), m_Gateway->UdpPort());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_Client.Received().isEmpty(); }, kHang));
    QTest::qWait(50);
    EXPECT_NE(m_Client.Received(), kAck);
    EXPECT_FALSE(CheckMBusReply(m_Client.Received()).complete);

    m_Gateway->SetCollisionMode(CollisionMode::AckMerge);
    EXPECT_EQ(AskUdp(ShortFrame(mbus::kSndNke, 4)), kAck);
}

TEST_F(SimGateway, FaultsShapeTheReplies)
{
    Start();
    const QByteArray clean = AskUdp(ShortFrame(mbus::kReqUd2, 1));
    ASSERT_TRUE(CheckMBusReply(clean).complete);

    Faults faults;
    faults.byteByByte = true;
    faults.pieceGap = std::chrono::milliseconds(2);
    m_Gateway->SetFaults(faults);
    // The same request again: the meter repeats its reply, now one byte per datagram.
    EXPECT_EQ(AskUdp(ShortFrame(mbus::kReqUd2, 1)), clean);
    EXPECT_EQ(m_Client.Datagrams().size(), clean.size());

    faults = {};
    faults.split = 3;
    m_Gateway->SetFaults(faults);
    EXPECT_EQ(AskUdp(ShortFrame(mbus::kReqUd2, 1)), clean);
    EXPECT_EQ(m_Client.Datagrams().size(), 3);

    faults = {};
    faults.wrongChecksum = true;
    m_Gateway->SetFaults(faults);
    m_Client.Send(ShortFrame(mbus::kReqUd2, 1), m_Gateway->UdpPort());
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_Client.Received().size() >= clean.size(); }, kHang));
    EXPECT_FALSE(CheckMBusReply(m_Client.Received()).complete);
    EXPECT_EQ(m_Client.Received().size(), clean.size());

    faults = {};
    faults.silent = true;
    m_Gateway->SetFaults(faults);
    m_Client.Send(ShortFrame(mbus::kSndNke, 1), m_Gateway->UdpPort());
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_Gateway->Idle(); }, kHang));
    QTest::qWait(50);
    EXPECT_TRUE(m_Client.Datagrams().isEmpty());

    faults = {};
    faults.delay = std::chrono::milliseconds(400);
    m_Gateway->SetFaults(faults);
    m_Client.Send(ShortFrame(mbus::kSndNke, 1), m_Gateway->UdpPort());
    QTest::qWait(100);
    EXPECT_TRUE(m_Client.Datagrams().isEmpty());
    EXPECT_TRUE(m_Client.WaitForReply());
    EXPECT_EQ(m_Client.Received(), kAck);
}

TEST_F(SimGateway, LineTimingKeepsTheEventLoopRunningAndServesInTurn)
{
    BusConfig config = DefaultBusConfig();
    config.timing.instant = false; // a RSP_UD of 31 bytes at 2400 baud: about 210 ms
    Start(config);
    QTcpSocket tcp;
    tcp.connectToHost(QHostAddress::LocalHost, m_Gateway->TcpPort());
    ASSERT_TRUE(tcp.waitForConnected(kHang));
    QByteArray tcpReceived;
    QObject::connect(&tcp, &QTcpSocket::readyRead, [&] { tcpReceived += tcp.readAll(); });

    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    m_Client.Send(ShortFrame(mbus::kReqUd2, 1), m_Gateway->UdpPort());
    tcp.write(ShortFrame(mbus::kSndNke, 2)); // waits for the bus, then gets its own answer
    ASSERT_TRUE(m_Client.WaitForReply());
    EXPECT_TRUE(tcpReceived.isEmpty()); // the bus is half duplex: one exchange at a time
    ASSERT_TRUE(QTest::qWaitFor([&] { return !tcpReceived.isEmpty(); }, kHang));
    EXPECT_EQ(tcpReceived, kAck);
    EXPECT_TRUE(IsReplyFrom(m_Client.Received(), 1, Hex("78563412")));
    EXPECT_GE(ticks, 3); // timers, not sleeps
}

TEST_F(SimGateway, TracesEveryFrameBothWays)
{
    Start();
    QSignalSpy traffic(m_Gateway.get(), &SimulatedGateway::Traffic);
    ASSERT_EQ(AskUdp(Hex("AA") + ShortFrame(mbus::kSndNke, 1)), kAck);
    ASSERT_TRUE(QTest::qWaitFor([&] { return traffic.size() >= 3; }, kHang));
    EXPECT_EQ(traffic[0][0].value<TrafficDirection>(), TrafficDirection::Dropped);
    EXPECT_EQ(traffic[1][0].value<TrafficDirection>(), TrafficDirection::Received);
    EXPECT_EQ(traffic[2][0].value<TrafficDirection>(), TrafficDirection::Sent);
    EXPECT_EQ(traffic[2][2].toByteArray(), kAck);

    QFile trace(m_Dir.filePath(QStringLiteral("trace.txt")));
    ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(trace.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith(QLatin1String(" AA"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].contains(QLatin1String(" <- udp:127.0.0.1:"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(QLatin1String(" 10 40 01 41 16"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].contains(QLatin1String(" -> udp:127.0.0.1:"))) << lines[2].toStdString();
    EXPECT_TRUE(lines[2].endsWith(QLatin1String(" E5"))) << lines[2].toStdString();
}

TEST(SimProgram, RunsAsAChildAndStopsOnSigterm)
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("tty"));
    QProcess sim;
    QStringList lines;
    ASSERT_TRUE(StartSimProgram(
        sim,
        {QStringLiteral("--bus"), QStringLiteral(OSTRAND_SOURCE_DIR "/sim/buses/sample-bus.json"), QStringLiteral("--udp-port"),
         QStringLiteral("0"), QStringLiteral("--no-tcp"), QStringLiteral("--no-config"), QStringLiteral("--pty-link"), link,
         QStringLiteral("--timing"), QStringLiteral("instant")},
        3, lines, kHang));
    ASSERT_TRUE(lines[0].startsWith(QLatin1String("udp 127.0.0.1:"))) << lines.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(lines[1].startsWith(QLatin1String("pty /dev/")));
    EXPECT_EQ(lines[2], QStringLiteral("pty-link ") + link);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    const auto port = static_cast<quint16>(lines[0].section(QLatin1Char(':'), -1).toUInt());

    UdpClient client;
    client.Send(ShortFrame(mbus::kReqUd2, 1), port);
    ASSERT_TRUE(client.WaitForReply());
    EXPECT_TRUE(IsReplyFrom(client.Received(), 1, Hex("78563412")));
    client.Send(ShortFrame(mbus::kSndNke, 3), port); // two meters share address 3
    ASSERT_TRUE(QTest::qWaitFor([&] { return !client.Received().isEmpty(); }, kHang));
    EXPECT_NE(client.Received(), kAck);

    sim.terminate();
    ASSERT_TRUE(sim.waitForFinished(kHang));
    EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}

TEST(SimProgram, RefusesABadBusFile)
{
    QTemporaryDir dir;
    const QString bus = dir.filePath(QStringLiteral("bus.json"));
    QFile file(bus);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"meters": [{"address": 300, "id": "1"}]})");
    file.close();
    QProcess sim;
    sim.start(QStringLiteral(OSTRAND_SIM_PROGRAM), {QStringLiteral("--bus"), bus, QStringLiteral("--udp-port"),
                                                    QStringLiteral("0"), QStringLiteral("--tcp-port"), QStringLiteral("0")});
    ASSERT_TRUE(sim.waitForFinished(kHang));
    EXPECT_EQ(sim.exitCode(), 2);
    const QString error = QString::fromUtf8(sim.readAllStandardError());
    EXPECT_TRUE(error.contains(bus + QStringLiteral(": meters[0].address"))) << error.toStdString();
    EXPECT_TRUE(sim.readAllStandardOutput().isEmpty());
}
