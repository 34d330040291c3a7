#include "recordtransfer.h"

#include "netsetuptexts.h"
#include "recorddefaults.h"

#include "comm/connection.h"
#include "comm/deviceoperations.h"
#include "base/language.h"

#include <QElapsedTimer>

using namespace std::chrono_literals;

namespace {

constexpr auto kPollStep = 100ms;
constexpr auto kPromptCall = 250ms;
constexpr auto kPromptSettle = 1000ms;
constexpr auto kRestart = 1000ms;
constexpr auto kRequery = 1000ms;
constexpr auto kAfterSetCommand = 500ms;
constexpr auto kAfterEndOfRecord = 1000ms;
constexpr int kDotCycle = 8;

// The record waits count the timeout down in 100 ms steps and sleep for
// `slept` of each; a timeout below 1 ms waits not at all.
std::chrono::milliseconds Steps(std::chrono::milliseconds timeout, std::chrono::milliseconds slept)
{
    if (timeout < 1ms)
        return 0ms;
    return ((timeout + kPollStep - 1ms) / kPollStep) * slept;
}

} // namespace

QString SocketWarningText(const Language& language, int textId, const QString& description)
{
    return language.GetLanguageText(textId) + QStringLiteral("\r\n\r\n'") + description + u'\'';
}

RecordTransfer::RecordTransfer(Connection& connection, const Language& language)
    : m_Connection(connection)
    , m_Language(language)
{
    m_Socket.errorOccurred = [this](const QString& description) {
        if (socketError)
            socketError(description);
    };
}

DeviceOperations& RecordTransfer::Operations() const
{
    return m_Connection.Operations();
}

void RecordTransfer::Abort()
{
    Operations().RequestCancel();
}

void RecordTransfer::WarnThrough(const std::function<void(const QString& text)>& warn)
{
    socketError = [this, warn](const QString& description) {
        warn(SocketWarningText(m_Language, netsetuptext::kConfigSocketError, description));
    };
    sendFailed = [this, warn](const QString& description) {
        warn(SocketWarningText(m_Language, netsetuptext::kNotSent, description));
    };
}

bool RecordTransfer::Read_Record(
    cRecord& record, TransferMode method, const QString& ip, std::chrono::milliseconds timeout)
{
    const DeviceOperationScope operation(Operations());
    // A step of a cancelled operation sends nothing.
    if (!operation || Operations().CancelRequested())
        return false;
    switch (method) {
    case TransferMode::Network:
        return ReadByNetwork(record, ip, timeout);
    case TransferMode::Serial:
        return ReadBySerial(record, timeout);
    default:
        return false;
    }
}

bool RecordTransfer::Write_Record(
    const cRecord& record, TransferMode method, const QString& ip, std::chrono::milliseconds timeout)
{
    m_CancelledAfterSending = false;
    if (record.Bytes().isEmpty())
        return false;
    const DeviceOperationScope operation(Operations());
    if (!operation || Operations().CancelRequested())
        return false;
    switch (method) {
    case TransferMode::Network:
        return WriteByNetwork(record, ip, timeout);
    case TransferMode::Serial:
        return WriteBySerial({&record}, timeout).front();
    default:
        return false;
    }
}

QList<bool> RecordTransfer::Write_Records(
    const QList<const cRecord*>& records, TransferMode method, const QString& ip, std::chrono::milliseconds timeout)
{
    m_CancelledAfterSending = false;
    const DeviceOperationScope operation(Operations());
    if (!operation || Operations().CancelRequested())
        return QList<bool>(records.size(), false);
    if (method == TransferMode::Serial)
        return WriteBySerial(records, timeout);
    QList<bool> written(records.size(), false);
    for (qsizetype i = 0; i < records.size(); ++i) {
        written[i] = Write_Record(*records[i], method, ip, timeout);
        if (!written[i])
            break;
    }
    return written;
}

bool RecordTransfer::WaitForWholeRecord(const QByteArray& buffer, std::chrono::milliseconds timeout)
{
    return Operations().WaitUntil([&buffer] { return buffer.size() >= config::kReadReplyMinimum; }, Steps(timeout, kPollStep));
}

bool RecordTransfer::ReadByNetwork(cRecord& record, const QString& ip, std::chrono::milliseconds timeout)
{
    QByteArray& buffer = m_Socket.ReceiveBuffer();
    buffer.clear();
    m_Socket.SetRemoteHost(ip);
    const QString error = m_Socket.Send(config::ReadQuery(record.RecordNumber()));
    if (!error.isEmpty()) {
        if (sendFailed)
            sendFailed(error);
        return false;
    }
    WaitForWholeRecord(buffer, timeout);
    const std::optional<QByteArray> bytes = config::RecordFromReadReply(buffer, record.RecordNumber());
    m_Socket.Close();
    if (!bytes)
        return false;
    record.SetBytes(*bytes);
    return true;
}

bool RecordTransfer::ReadBySerial(cRecord& record, std::chrono::milliseconds timeout)
{
    // The record lines are appended behind the reply's start, as if the
    // record had come as one datagram.
    QByteArray& buffer = m_Connection.ReceiveBuffer();
    buffer = config::Datagram(static_cast<quint8>(config::kReadReply + record.RecordNumber()));
    m_Connection.WriteSerialBytes(config::GetRecordCommand(record.RecordNumber()));
    WaitForWholeRecord(buffer, timeout);
    const std::optional<QByteArray> bytes = config::RecordFromReadReply(buffer, record.RecordNumber());
    // Line by line a record can come back short or long; only a whole one
    // may be changed and written back.
    if (!bytes || bytes->size() != DefaultRecordBytes(record.RecordNumber()).size())
        return false;
    record.SetBytes(*bytes);
    return true;
}

bool RecordTransfer::WriteByNetwork(const cRecord& record, const QString& ip, std::chrono::milliseconds timeout)
{
    QByteArray& buffer = m_Socket.ReceiveBuffer();
    buffer.clear();
    m_Socket.SetRemoteHost(ip);
    m_Socket.Bind(AdapterIP);
    const QString error = m_Socket.Send(config::WriteDatagram(record.RecordNumber(), record.Bytes()));
    if (!error.isEmpty()) {
        if (sendFailed)
            sendFailed(error);
        m_Socket.Close();
        return false;
    }

    // The acknowledgement gets half the timeout: each 50 ms counts 100 ms
    // against what remains for the restart.
    QElapsedTimer clock;
    clock.start();
    Operations().WaitUntil([&buffer] { return !buffer.isEmpty(); }, Steps(timeout, kPollStep / 2));
    if (buffer != config::WriteAcknowledgement(record.RecordNumber())) {
        m_CancelledAfterSending = buffer.isEmpty() && Operations().CancelRequested();
        m_Socket.Close();
        return false;
    }
    const qint64 halfSteps = std::max<qint64>(1, (clock.elapsed() + 49) / 50);
    auto left = timeout - halfSteps * kPollStep;

    // The gateway restarts with the new record; it is back once it answers
    // a read of record 0 again.
    Operations().Pause(kRestart);
    left -= kRestart;
    buffer.clear();
    while (buffer.isEmpty() && left >= 1ms && !Operations().CancelRequested()) {
        m_Socket.SetRemoteHost(ip);
        m_Socket.Send(config::ReadQuery(0));
        Operations().WaitUntil([&buffer] { return !buffer.isEmpty(); }, kRequery);
        left -= kRequery;
    }
    const bool back = !buffer.isEmpty();
    m_CancelledAfterSending = !back && Operations().CancelRequested();
    m_Socket.Close();
    return back;
}

bool RecordTransfer::StoreBySerial(const cRecord& record)
{
    if (record.Bytes().isEmpty())
        return false;
    m_Connection.WriteSerialBytes(config::SetRecordCommand(record.RecordNumber()));
    Operations().Pause(kAfterSetCommand);
    // Cancelled here, the gateway has had the command only: it keeps its record.
    if (Operations().CancelRequested())
        return false;
    for (const QString& line : config::RecordLines(record.Bytes()))
        m_Connection.WriteSerialBytes(line.toLatin1() + '\r');
    m_Connection.ClearReceiveBuffers();
    m_Connection.WriteSerialBytes(config::kEndOfRecord);
    Operations().Pause(kAfterEndOfRecord);
    if (Operations().CancelRequested()) {
        m_CancelledAfterSending = true;
        return false;
    }
    return m_Connection.SerialReceiveBuffer() == config::kAcceptedPrompt;
}

QList<bool> RecordTransfer::WriteBySerial(const QList<const cRecord*>& records, std::chrono::milliseconds timeout)
{
    QList<bool> written(records.size(), false);
    qsizetype taken = 0;
    while (taken < records.size() && StoreBySerial(*records[taken]))
        ++taken;
    if (taken == 0)
        return written; // nothing new: the gateway stays in setup mode without a restart
    if (Operations().CancelRequested()) {
        m_CancelledAfterSending = true; // taken, but not yet put to use by a restart
        return written;
    }
    // The restart puts what was taken to use, and the prompt after it
    // confirms it.
    m_Connection.WriteSerialBytes(config::kReset);
    const bool back = WaitForSetupPrompt(timeout);
    // After a cancel nothing more goes out, not even the quit.
    if (Operations().CancelRequested())
        m_CancelledAfterSending = !back;
    else
        m_Connection.WriteSerialBytes(config::kQuit);
    for (qsizetype i = 0; i < taken; ++i)
        written[i] = back;
    return written;
}

bool RecordTransfer::WaitForSetupPrompt(std::chrono::milliseconds timeout)
{
    m_SetupAbort = false;
    DeviceOperations& operations = Operations();
    const DeviceOperationScope operation(operations);
    if (!operation)
        return false;
    m_Connection.ClearReceiveBuffers();
    const auto prompted = [this] { return config::ContainsSetupPrompt(m_Connection.SerialReceiveBuffer()); };
    QElapsedTimer clock;
    clock.start();
    int dots = 0;
    while (!prompted() && !m_SetupAbort) {
        if (operations.CancelRequested()) {
            m_SetupAbort = true;
            break;
        }
        const qint64 elapsed = clock.elapsed();
        m_Connection.WriteSerialBytes(config::kWakeUp);
        if (promptProgress)
            promptProgress(m_Language.GetLanguageText(netsetuptext::kWaitingForPrompt) + QString(dots, u'.'));
        operations.WaitUntil(prompted, kPromptCall);
        dots = (dots + 1) % kDotCycle;
        if (timeout >= 0ms && timeout.count() < elapsed)
            m_SetupAbort = true;
    }
    if (m_SetupAbort || operations.CancelRequested()) {
        m_SetupAbort = true;
        return false;
    }
    operations.Pause(kPromptSettle);
    return true;
}
