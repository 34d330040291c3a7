#include "configclients.h"
#include "simprogram.h"
#include "simulatedgateway.h"

#include "netsetup/configprotocol.h"
#include "netsetup/recorddefaults.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

using namespace std::chrono_literals;

namespace {

QByteArray Hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text));
}

QHostAddress Ip(const char* text)
{
    return QHostAddress(QString::fromLatin1(text));
}

// Short enough for quick tests, long enough to look for silence within it.
constexpr auto kRestart = 400ms;
// A datagram within the restart goes unanswered for at least this long.
constexpr int kSilenceCheckMs = 150;

class SimConfigPort : public ::testing::Test {
protected:
    void Start(ConfigSettings settings = {})
    {
        settings.faults.restartTime = settings.faults.restartTime == ConfigFaults{}.restartTime
                                          ? kRestart
                                          : settings.faults.restartTime;
        BusConfig bus = DefaultBusConfig();
        bus.config = settings;
        m_Gateway = std::make_unique<SimulatedGateway>(bus);
        EndpointOptions options;
        options.udpPort = 0;
        options.tcpPort.reset();
        options.configPort = 0;
        options.tracePath = m_Dir.filePath(QStringLiteral("trace.txt"));
        QString error;
        ASSERT_TRUE(m_Gateway->Start(options, &error)) << error.toStdString();
        ASSERT_NE(m_Gateway->ConfigPort(), 0);
    }

    std::optional<QByteArray> Ask(const QByteArray& datagram, int waitMs = kConfigHang)
    {
        return m_Client.Ask(datagram, m_Gateway->ConfigPort(), waitMs);
    }
    std::optional<QByteArray> ReadRecord(int n)
    {
        const std::optional<QByteArray> reply = Ask(config::ReadQuery(n));
        return reply ? config::RecordFromReadReply(*reply, n) : std::nullopt;
    }
    // Nothing comes back for a while.
    bool Unanswered(const QByteArray& datagram) { return !Ask(datagram, kSilenceCheckMs); }
    bool WaitUntilAnswering()
    {
        return QTest::qWaitFor([this] { return !m_Gateway->Configuration().Restarting(); }, kConfigHang);
    }

    QTemporaryDir m_Dir;
    std::unique_ptr<SimulatedGateway> m_Gateway;
    ConfigClient m_Client;
};

} // namespace

TEST_F(SimConfigPort, AnswersDiscoveryWithItsMac)
{
    ConfigSettings settings;
    settings.mac = Hex("000425ABCDEF");
    Start(settings);
    EXPECT_TRUE(m_Gateway->Endpoints().contains(QStringLiteral("config 127.0.0.1:%1").arg(m_Gateway->ConfigPort())));
    const std::optional<QByteArray> answer = Ask(config::DiscoveryQuery());
    ASSERT_TRUE(answer);
    ASSERT_EQ(answer->size(), 30);
    EXPECT_EQ(answer->mid(config::kAnswerMacOffset, config::kMacLength), Hex("000425ABCDEF"));
    ASSERT_EQ(m_Client.Datagrams().size(), 1);

    m_Gateway->SetMac(Hex("E8995A000102"));
    EXPECT_EQ(Ask(config::DiscoveryQuery())->mid(24), Hex("E8995A000102"));
    // Not a query: a longer datagram, another command, no leading zeros.
    EXPECT_TRUE(Unanswered(config::DiscoveryQuery() + Hex("00")));
    EXPECT_TRUE(Unanswered(Hex("000000F5")));
    EXPECT_TRUE(Unanswered(Hex("010000F6")));
    EXPECT_TRUE(Unanswered(Hex("0000F6")));
}

TEST_F(SimConfigPort, RecordZeroDescribesTheGateway)
{
    ConfigSettings settings;
    settings.gateway = Ip("127.0.0.254");
    settings.mask = Ip("255.255.0.0");
    Start(settings);
    const std::optional<QByteArray> reply = Ask(config::ReadQuery(0));
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->size(), 124);
    EXPECT_EQ(reply->left(4), Hex("000000D0"));
    const QByteArray record = *config::RecordFromReadReply(*reply, 0);
    QByteArray expected = DefaultRecordBytes(0);
    expected.replace(0, 4, Hex("7F000001")); // the bind address
    expected[6] = 16;
    expected.replace(12, 4, Hex("7F0000FE"));
    const quint16 port = m_Gateway->UdpPort();
    expected[20] = static_cast<char>(port & 0xFF);
    expected[21] = static_cast<char>(port >> 8);
    EXPECT_EQ(record, expected);
    EXPECT_EQ(m_Gateway->Configuration().Address(), Ip("127.0.0.1"));
    for (int n = 1; n < 8; ++n)
        EXPECT_EQ(ReadRecord(n), DefaultRecordBytes(n)) << "record " << n;
}

TEST_F(SimConfigPort, AWrittenRecordIsWhatTheNextReadReturns)
{
    Start();
    QByteArray record = *ReadRecord(1);
    record[0] = 0x30;
    record.replace(34, 6, "harbor");
    const std::optional<QByteArray> ack = Ask(config::WriteDatagram(1, record));
    EXPECT_EQ(ack, config::WriteAcknowledgement(1));
    ASSERT_TRUE(WaitUntilAnswering());
    EXPECT_EQ(ReadRecord(1), record);
    EXPECT_EQ(ReadRecord(0)->left(4), Hex("7F000001")); // the others are untouched
    EXPECT_EQ(ReadRecord(2), DefaultRecordBytes(2));
}

TEST_F(SimConfigPort, WrongRecordNumbersAndLengthsAreIgnored)
{
    Start();
    EXPECT_TRUE(Unanswered(Hex("000000E8"))); // there is no record 8
    EXPECT_TRUE(Unanswered(Hex("000000EF")));
    EXPECT_TRUE(Unanswered(config::WriteDatagram(8, DefaultRecordBytes(1))));
    // Record 0 is 120 bytes; 126 are not taken, and no restart follows.
    EXPECT_TRUE(Unanswered(config::WriteDatagram(0, DefaultRecordBytes(1))));
    EXPECT_TRUE(Unanswered(config::WriteDatagram(0, QByteArray(119, '\x11'))));
    EXPECT_FALSE(m_Gateway->Configuration().Restarting());
    EXPECT_EQ(ReadRecord(0)->left(4), Hex("7F000001"));
    // Record 1's reply is no answer for record 0.
    const std::optional<QByteArray> reply = Ask(config::ReadQuery(1));
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->size(), 130);
    EXPECT_FALSE(config::RecordFromReadReply(*reply, 0));
}

TEST_F(SimConfigPort, AcknowledgesThenRestartsSilently)
{
    ConfigSettings settings;
    settings.faults.restartTime = 1000ms; // room for three silences
    Start(settings);
    QSignalSpy began(&m_Gateway->Configuration(), &ConfigService::RestartBegan);
    QSignalSpy ended(&m_Gateway->Configuration(), &ConfigService::RestartEnded);
    const QByteArray record = *ReadRecord(0);
    EXPECT_EQ(Ask(config::WriteDatagram(0, record)), config::WriteAcknowledgement(0));
    EXPECT_EQ(m_Client.Datagrams().size(), 1);
    EXPECT_EQ(began.size(), 1);
    // Deaf to everything while it restarts, discovery included.
    EXPECT_TRUE(Unanswered(config::ReadQuery(0)));
    EXPECT_TRUE(Unanswered(config::DiscoveryQuery()));
    EXPECT_TRUE(Unanswered(config::WriteDatagram(0, record)));
    EXPECT_TRUE(ended.isEmpty());
    // The client's way: ask until it answers again.
    std::optional<QByteArray> reply;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (reply = Ask(config::ReadQuery(0), 50)).has_value(); }, kConfigHang));
    EXPECT_EQ(config::RecordFromReadReply(*reply, 0), record);
    EXPECT_EQ(ended.size(), 1);
    EXPECT_EQ(began.size(), 1); // the write sent while deaf did not restart it again
    // The address did not change, so no address change.
    EXPECT_EQ(m_Gateway->Configuration().Address(), Ip("127.0.0.1"));
}

TEST_F(SimConfigPort, IpSetupOnlyForItsOwnMac)
{
    ConfigSettings settings;
    settings.mac = Hex("00204A123456");
    Start(settings);
    QSignalSpy moved(&m_Gateway->Configuration(), &ConfigService::AddressChanged);
    // Only the last two bytes count, as they are all the datagram carries.
    for (const char* other : {"00-20-4A-12-34-57", "00-20-4A-12-35-56", "00-20-4A-12-56-34"}) {
        m_Client.Send(*config::IpSetupDatagram(QString::fromLatin1(other), QStringLiteral("127.0.0.20")),
                      m_Gateway->ConfigPort());
        EXPECT_TRUE(Ask(config::ReadQuery(0), kSilenceCheckMs)) << other; // no restart
    }
    EXPECT_EQ(ReadRecord(0)->left(4), Hex("7F000001"));
    // A damaged IP-SETUP is no IP-SETUP.
    QByteArray damaged = *config::IpSetupDatagram(QStringLiteral("00-20-4A-12-34-56"), QStringLiteral("127.0.0.20"));
    damaged[5] = 'X';
    m_Client.Send(damaged, m_Gateway->ConfigPort());
    EXPECT_TRUE(Ask(config::ReadQuery(0), kSilenceCheckMs));

    m_Client.Send(*config::IpSetupDatagram(QStringLiteral("01-02-03-04-34-56"), QStringLiteral("127.0.0.20")),
                  m_Gateway->ConfigPort());
    QTest::qWait(20);
    EXPECT_TRUE(m_Client.Datagrams().isEmpty()); // IP-SETUP is not answered
    EXPECT_TRUE(m_Gateway->Configuration().Restarting());
    EXPECT_TRUE(Unanswered(config::ReadQuery(0)));
    ASSERT_TRUE(WaitUntilAnswering());
    EXPECT_EQ(ReadRecord(0)->left(4), Hex("7F000014"));
    EXPECT_EQ(m_Gateway->Configuration().Address(), Ip("127.0.0.20"));
    ASSERT_EQ(moved.size(), 1);
    EXPECT_EQ(moved[0][0].value<QHostAddress>(), Ip("127.0.0.20"));
}

TEST_F(SimConfigPort, DhcpTakesTheNextAddressOfItsSubnet)
{
    ConfigSettings settings;
    settings.ip = Ip("127.0.0.254");
    Start(settings);
    const QByteArray dhcp = *config::IpSetupDatagram(MacText(settings.mac), QStringLiteral("0.0.0.0"));
    m_Client.Send(dhcp, m_Gateway->ConfigPort());
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_Gateway->Configuration().Restarting(); }, kConfigHang));
    ASSERT_TRUE(WaitUntilAnswering());
    // 127.0.0.255 is the subnet's broadcast address: wrap round to the first host.
    EXPECT_EQ(m_Gateway->Configuration().Address(), Ip("127.0.0.1"));
    // The record says DHCP; the lease is where the gateway is.
    EXPECT_EQ(ReadRecord(0)->left(4), Hex("00000000"));
    // A DHCP server gives the same lease again.
    m_Client.Send(dhcp, m_Gateway->ConfigPort());
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_Gateway->Configuration().Restarting(); }, kConfigHang));
    ASSERT_TRUE(WaitUntilAnswering());
    EXPECT_EQ(m_Gateway->Configuration().Address(), Ip("127.0.0.1"));
}

TEST_F(SimConfigPort, DhcpHandsOutThePoolInTurn)
{
    ConfigSettings settings;
    settings.dhcpPool = AddressPool{Ip("127.0.0.1").toIPv4Address(), Ip("127.0.0.3").toIPv4Address()};
    Start(settings);
    const QString mac = MacText(settings.mac);
    auto setIp = [&](const char* ip) {
        m_Client.Send(*config::IpSetupDatagram(mac, QString::fromLatin1(ip)), m_Gateway->ConfigPort());
        EXPECT_TRUE(QTest::qWaitFor([&] { return m_Gateway->Configuration().Restarting(); }, kConfigHang));
        EXPECT_TRUE(WaitUntilAnswering());
        return m_Gateway->Configuration().Address();
    };
    // The pool's first address is where the gateway is already: the next one.
    EXPECT_EQ(setIp("0.0.0.0"), Ip("127.0.0.2"));
    EXPECT_EQ(setIp("127.0.0.9"), Ip("127.0.0.9"));
    EXPECT_EQ(setIp("0.0.0.0"), Ip("127.0.0.3"));
    EXPECT_EQ(setIp("127.0.0.9"), Ip("127.0.0.9"));
    EXPECT_EQ(setIp("0.0.0.0"), Ip("127.0.0.1"));
}

TEST_F(SimConfigPort, AddressHookRunsBeforeTheGatewayAnswersAgain)
{
    const QString done = m_Dir.filePath(QStringLiteral("moved"));
    const QString script = m_Dir.filePath(QStringLiteral("move.sh"));
    QFile file(script);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    // Slow on purpose: the gateway must wait for it.
    file.write(QStringLiteral("sleep 0.3\necho \"$@\" > '%1'\n").arg(done).toUtf8());
    file.close();
    ConfigSettings settings;
    settings.onAddressChange = QStringLiteral("sh ") + script;
    settings.faults.restartTime = 50ms;
    Start(settings);

    QByteArray record = *ReadRecord(0);
    record.replace(0, 4, Hex("7F000063"));
    record[6] = 4; // 255.255.255.240
    ASSERT_EQ(Ask(config::WriteDatagram(0, record)), config::WriteAcknowledgement(0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Ask(config::ReadQuery(0), 50).has_value(); }, kConfigHang));
    QFile moved(done);
    ASSERT_TRUE(moved.open(QIODevice::ReadOnly)) << "answered before the hook had run";
    EXPECT_EQ(moved.readAll(), QByteArray("127.0.0.99 28 127.0.0.1\n"));
    EXPECT_EQ(m_Gateway->Configuration().Address(), Ip("127.0.0.99"));

    // A hook that cannot start does not keep the gateway deaf.
    m_Gateway->Configuration().SetAddressHook(m_Dir.filePath(QStringLiteral("missing")));
    record.replace(0, 4, Hex("7F000064"));
    ASSERT_EQ(Ask(config::WriteDatagram(0, record)), config::WriteAcknowledgement(0));
    EXPECT_TRUE(WaitUntilAnswering());
    EXPECT_EQ(m_Gateway->Configuration().Address(), Ip("127.0.0.100"));
}

TEST_F(SimConfigPort, FaultsMakeItMisbehave)
{
    Start();
    const QByteArray record = *ReadRecord(0);
    ConfigFaults faults;
    faults.restartTime = kRestart;

    faults.truncateRecord = 1;
    m_Gateway->SetConfigFaults(faults);
    std::optional<QByteArray> reply = Ask(config::ReadQuery(0));
    ASSERT_TRUE(reply);
    EXPECT_EQ(*reply, config::Datagram(config::kReadReply, record).chopped(1));
    EXPECT_FALSE(config::RecordFromReadReply(*reply, 0));

    faults.truncateRecord = 0;
    faults.wrongAck = true;
    m_Gateway->SetConfigFaults(faults);
    EXPECT_EQ(Ask(config::WriteDatagram(0, record)), config::WriteAcknowledgement(1));
    ASSERT_TRUE(WaitUntilAnswering());

    faults.wrongAck = false;
    faults.silent = true;
    m_Gateway->SetConfigFaults(faults);
    EXPECT_TRUE(Unanswered(config::DiscoveryQuery()));
    EXPECT_TRUE(Unanswered(config::ReadQuery(0)));
    EXPECT_TRUE(Unanswered(config::WriteDatagram(0, record)));
    EXPECT_FALSE(m_Gateway->Configuration().Restarting()); // the write was not taken

    faults.silent = false;
    faults.restartTime = 1500ms; // a slow restart
    m_Gateway->SetConfigFaults(faults);
    EXPECT_EQ(Ask(config::WriteDatagram(0, record)), config::WriteAcknowledgement(0));
    QTest::qWait(700); // longer than the ordinary restart here
    EXPECT_TRUE(Unanswered(config::ReadQuery(0)));
    ASSERT_TRUE(WaitUntilAnswering());
    EXPECT_TRUE(Ask(config::ReadQuery(0)));
}

TEST_F(SimConfigPort, ShortDiscoveryAnswer)
{
    ConfigSettings settings;
    settings.answerLength = 24;
    Start(settings);
    const std::optional<QByteArray> answer = Ask(config::DiscoveryQuery());
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->size(), 24);
}

TEST_F(SimConfigPort, TracedBesideTheMBusFrames)
{
    Start();
    ASSERT_TRUE(Ask(config::DiscoveryQuery()));
    EXPECT_TRUE(Unanswered(Hex("000000E9")));
    QFile trace(m_Dir.filePath(QStringLiteral("trace.txt")));
    ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(trace.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].contains(QLatin1String(" <- config:127.0.0.1:"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith(QLatin1String(" 00 00 00 F6")));
    EXPECT_TRUE(lines[1].contains(QLatin1String(" -> config:127.0.0.1:"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(QLatin1String(" 00 20 4A 00 00 01")));
    EXPECT_TRUE(lines[2].contains(QLatin1String(" !! config:127.0.0.1:"))) << lines[2].toStdString();
}

TEST(SimConfigProgram, RunsTheConfigurationPort)
{
    QProcess sim;
    QStringList lines;
    ASSERT_TRUE(StartSimProgram(sim,
                                {QStringLiteral("--no-udp"), QStringLiteral("--no-tcp"), QStringLiteral("--config-port"),
                                 QStringLiteral("0"), QStringLiteral("--mac"), QStringLiteral("00-80-A3-01-02-03"),
                                 QStringLiteral("--truncate-record"), QStringLiteral("2")},
                                1, lines, kConfigHang));
    const QString line = lines.front();
    ASSERT_TRUE(line.startsWith(QLatin1String("config 127.0.0.1:"))) << line.toStdString();
    const auto port = static_cast<quint16>(line.section(QLatin1Char(':'), -1).toUInt());

    ConfigClient client;
    EXPECT_EQ(client.Ask(config::DiscoveryQuery(), port)->mid(24), Hex("0080A3010203"));
    EXPECT_EQ(client.Ask(config::ReadQuery(0), port)->size(), 122);

    sim.terminate();
    ASSERT_TRUE(sim.waitForFinished(kConfigHang));
    EXPECT_EQ(sim.exitCode(), 0);
}
