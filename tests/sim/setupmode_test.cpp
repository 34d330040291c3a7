#include "configclients.h"
#include "simulatedgateway.h"

#include "comm/hexrecord.h"
#include "comm/mbusframe.h"
#include "netsetup/configprotocol.h"
#include "netsetup/recorddefaults.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

using namespace std::chrono_literals;

namespace {

constexpr auto kRestart = 300ms;
constexpr int kQuietMs = 150;
const QByteArray kPrompt = config::kAcceptedPrompt;
const QByteArray kErrorPrompt = QByteArrayLiteral("9>");

// What a gateway sends for "G n": the record lines, then the prompt.
QByteArray GetReply(const QByteArray& record)
{
    QByteArray text;
    for (const QString& line : config::ReadReplyLines(record))
        text += line.toLatin1() + "\r\n";
    return text + kPrompt;
}

// The record as the client's serial receive path rebuilds it from the lines.
QByteArray AsTheClientReadsIt(const QByteArray& reply)
{
    QByteArray buffer = config::Datagram(config::kReadReply);
    for (const QByteArray& line : reply.split('\n'))
        ParseHexRecordLine(QString::fromLatin1(line).remove(QLatin1Char('\r')), buffer);
    return buffer.mid(4);
}

class SimSetupMode : public ::testing::Test {
protected:
    void Start(ConfigFaults faults = {})
    {
        BusConfig bus = DefaultBusConfig();
        // the meters run at the line's 9600 baud: a serial client hears only meters at its own speed
        bus.baud = 9600;
        for (MeterConfig& meter : bus.meters)
            meter.baud = 9600;
        bus.config.promptDelay = 10ms;
        faults.restartTime = kRestart;
        bus.config.faults = faults;
        m_Gateway = std::make_unique<SimulatedGateway>(bus);
        EndpointOptions options;
        options.udpPort.reset();
        options.tcpPort.reset();
        options.pty = true;
        options.tracePath = m_Dir.filePath(QStringLiteral("trace.txt"));
        QString error;
        ASSERT_TRUE(m_Gateway->Start(options, &error)) << error.toStdString();
        m_Line = std::make_unique<SerialLine>(m_Gateway->PtyPath());
        ASSERT_TRUE(m_Line->Open());
    }

    void EnterSetupMode() { ASSERT_EQ(m_Line->Command(config::kWakeUp), kPrompt); }

    // Sends "S n", the client's lines and the end; the answer to the end.
    QByteArray WriteRecord(int n, const QStringList& lines)
    {
        m_Line->Send(config::SetRecordCommand(n));
        for (const QString& line : lines)
            m_Line->Send(line.toLatin1() + '\r');
        EXPECT_TRUE(m_Line->Quiet(kQuietMs).isEmpty()) << "answered before the end of the record";
        m_Line->Send(config::kEndOfRecord);
        m_Line->WaitFor(">");
        return m_Line->Quiet(kQuietMs);
    }

    // The M-Bus side answers on the line.
    bool AnswersMBus()
    {
        m_Line->Send(ShortFrame(mbus::kSndNke, 1));
        return m_Line->WaitFor(QByteArray(1, static_cast<char>(mbus::kAck)), 1000)
               && m_Line->Received() == QByteArray(1, static_cast<char>(mbus::kAck));
    }

    QTemporaryDir m_Dir;
    std::unique_ptr<SimulatedGateway> m_Gateway;
    std::unique_ptr<SerialLine> m_Line;
};

} // namespace

TEST_F(SimSetupMode, WakesUpAndSendsRecords)
{
    Start();
    EXPECT_TRUE(AnswersMBus());
    EnterSetupMode();
    // "zzz" again, as a client repeats it until it sees the prompt.
    EXPECT_EQ(m_Line->Command(config::kWakeUp), kPrompt);

    const QByteArray record0 = *m_Gateway->Configuration().Records().Read(0);
    const QByteArray reply = m_Line->Command(config::GetRecordCommand(0));
    EXPECT_EQ(reply, GetReply(record0));
    EXPECT_EQ(AsTheClientReadsIt(reply), record0);
    EXPECT_EQ(m_Line->Command("G 1\r"), GetReply(DefaultRecordBytes(1)));
    EXPECT_EQ(m_Line->Command("g7\r"), GetReply(DefaultRecordBytes(7)));
}

TEST_F(SimSetupMode, AWrittenRecordIsWhatTheNextReadReturns)
{
    Start();
    EnterSetupMode();
    QByteArray record = DefaultRecordBytes(0);
    record.replace(0, 4, QByteArray::fromHex("C0A80114"));
    record[6] = 8;
    EXPECT_EQ(WriteRecord(0, config::RecordLines(record)), kPrompt); // exactly, nothing else
    EXPECT_EQ(m_Line->Command(config::GetRecordCommand(0)), GetReply(record));
    EXPECT_EQ(m_Gateway->Configuration().Records().Read(0), record);

    // The end of the record with a CR after it, as some clients send it.
    QByteArray security = DefaultRecordBytes(1);
    security[0] = 0x31;
    m_Line->Send(config::SetRecordCommand(1));
    for (const QString& line : config::RecordLines(security))
        m_Line->Send(line.toLatin1() + '\r');
    EXPECT_EQ(m_Line->Command(config::kEndOfRecord + '\r'), kPrompt);
    EXPECT_EQ(m_Line->Quiet(kQuietMs), kPrompt); // the CR is no second command
    EXPECT_EQ(m_Gateway->Configuration().Records().Read(1), security);
}

TEST_F(SimSetupMode, ABadLineKeepsTheOldRecord)
{
    Start();
    EnterSetupMode();
    const QByteArray before = *m_Gateway->Configuration().Records().Read(0);
    QByteArray record = before;
    record[40] = 0x55;
    QStringList lines = config::RecordLines(record);
    lines[1][lines[1].size() - 1] = lines[1].back() == u'0' ? u'1' : u'0';
    EXPECT_EQ(WriteRecord(0, lines), kErrorPrompt);
    EXPECT_EQ(m_Gateway->Configuration().Records().Read(0), before);
    // A line missing, or record 1 sent as record 0 (another length).
    lines = config::RecordLines(record);
    lines.removeLast();
    EXPECT_EQ(WriteRecord(0, lines), kErrorPrompt);
    EXPECT_EQ(WriteRecord(0, config::RecordLines(DefaultRecordBytes(1))), kErrorPrompt);
    EXPECT_EQ(m_Gateway->Configuration().Records().Read(0), before);
    // Still in setup mode, and a good write still works.
    EXPECT_EQ(WriteRecord(0, config::RecordLines(record)), kPrompt);
    EXPECT_EQ(m_Gateway->Configuration().Records().Read(0), record);
}

TEST_F(SimSetupMode, UnknownCommandsAndRecordNumbers)
{
    Start();
    EnterSetupMode();
    EXPECT_EQ(m_Line->Command("G8\r", kErrorPrompt), kErrorPrompt);
    EXPECT_EQ(m_Line->Command("G\r", kErrorPrompt), kErrorPrompt);
    EXPECT_EQ(m_Line->Command("S9\r", kErrorPrompt), kErrorPrompt);
    EXPECT_EQ(m_Line->Command("XY\r", kErrorPrompt), kErrorPrompt);
    // M-Bus frames are not M-Bus in setup mode.
    EXPECT_EQ(m_Line->Command(ShortFrame(mbus::kSndNke, 1) + '\r', kErrorPrompt), kErrorPrompt);
    EXPECT_EQ(m_Line->Command(config::GetRecordCommand(2)), GetReply(DefaultRecordBytes(2)));
}

TEST_F(SimSetupMode, RestartsOnRsAndLeavesOnQu)
{
    Start();
    QSignalSpy began(&m_Gateway->Configuration(), &ConfigService::RestartBegan);
    EnterSetupMode();
    m_Line->Send(config::kReset);
    EXPECT_TRUE(m_Line->Quiet(kQuietMs).isEmpty());
    EXPECT_EQ(began.size(), 1);
    // Deaf while it restarts: neither the wake-up nor M-Bus frames.
    m_Line->Send(config::kWakeUp);
    EXPECT_TRUE(m_Line->Quiet(kQuietMs / 2).isEmpty());
    EXPECT_FALSE(AnswersMBus());
    // The client's way back in: "zzz" every 250 ms until the prompt.
    bool prompted = false;
    for (int i = 0; i < 20 && !prompted; ++i) {
        m_Line->Send(config::kWakeUp);
        prompted = m_Line->WaitFor(kPrompt, 250);
    }
    ASSERT_TRUE(prompted);
    EXPECT_EQ(m_Line->Received(), kPrompt);

    m_Line->Send(config::kQuit);
    EXPECT_TRUE(m_Line->Quiet(kQuietMs).isEmpty());
    EXPECT_TRUE(AnswersMBus());
    // After RS the line is back on M-Bus too.
    EnterSetupMode();
    m_Line->Send(config::kReset);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_Gateway->Configuration().Restarting(); }, kConfigHang));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_Gateway->Configuration().Restarting(); }, kConfigHang));
    EXPECT_TRUE(AnswersMBus());
}

TEST_F(SimSetupMode, WakeUpAnywhereInTheStream)
{
    Start();
    // Right behind a frame, in the same write: the frame is answered, and the prompt comes.
    m_Line->Send(ShortFrame(mbus::kSndNke, 1) + config::kWakeUp);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_Line->Received().size() >= 3; }, kConfigHang));
    QByteArray received = m_Line->Quiet(kQuietMs);
    EXPECT_EQ(received.size(), 3);
    EXPECT_EQ(received.count(static_cast<char>(mbus::kAck)), 1);
    EXPECT_TRUE(received.contains(kPrompt));
    m_Line->Send(config::kQuit);
    EXPECT_TRUE(AnswersMBus());
    // Split over writes, and the rest of the chunk after QU is M-Bus again.
    m_Line->Send("z");
    QTest::qWait(20);
    m_Line->Send("zz");
    QTest::qWait(20);
    EXPECT_EQ(m_Line->Command("\r"), kPrompt);
    m_Line->Send(config::kQuit + ShortFrame(mbus::kSndNke, 2));
    EXPECT_TRUE(m_Line->WaitFor(QByteArray(1, static_cast<char>(mbus::kAck))));
}

TEST_F(SimSetupMode, FaultsOnTheCable)
{
    ConfigFaults faults;
    faults.noPrompt = true;
    Start(faults);
    m_Line->Send(config::kWakeUp);
    EXPECT_TRUE(m_Line->Quiet(kQuietMs).isEmpty());
    EXPECT_TRUE(AnswersMBus()); // never left the M-Bus

    faults.noPrompt = false;
    faults.truncateRecord = 5;
    faults.wrongAck = true;
    m_Gateway->SetConfigFaults(faults);
    EnterSetupMode();
    const QByteArray record = *m_Gateway->Configuration().Records().Read(0);
    const QByteArray reply = m_Line->Command(config::GetRecordCommand(0));
    EXPECT_EQ(reply, GetReply(record.chopped(5)));
    EXPECT_EQ(AsTheClientReadsIt(reply).size(), 115);
    EXPECT_EQ(WriteRecord(0, config::RecordLines(record)), kErrorPrompt);
}

TEST_F(SimSetupMode, TracedWithTheLine)
{
    Start();
    EnterSetupMode();
    m_Line->Command(config::GetRecordCommand(0));
    QFile trace(m_Dir.filePath(QStringLiteral("trace.txt")));
    ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(trace.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    const QString source = QStringLiteral("setup:") + m_Gateway->PtyPath();
    EXPECT_TRUE(lines[0].contains(QStringLiteral(" <- ") + source + QStringLiteral(" 7A 7A 7A 0D"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].contains(QStringLiteral(" -> ") + source + QStringLiteral(" 30 3E"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].contains(QStringLiteral(" <- ") + source + QStringLiteral(" 47 30 0D"))) << lines[2].toStdString();
    EXPECT_TRUE(lines[3].contains(QStringLiteral(" -> ") + source + QStringLiteral(" 3A"))) << lines[3].toStdString();
}
