#include "modbusclient.h"

#include "comm/connection.h"
#include "comm/deviceoperations.h"
#include "comm/latereplies.h"
#include "comm/link.h"
#include "latereply.h"
#include "base/trafficlog.h"

using modbus::Framing;

ModbusClient::ModbusClient(Connection& connection, Link& link, TrafficLog& log)
    : m_Connection(connection)
    , m_Link(link)
    , m_Log(log)
{
}

ModbusReadResult ModbusClient::ReadModbusRegisters(const ModbusRequest& request, Framing framing)
{
    DeviceOperations& operations = m_Connection.Operations();
    const DeviceOperationScope operation(operations);
    ModbusReadResult result;
    if (!operation || !m_Connection.ConnectionOpen())
        return result;

    const ModbusReplyLengths lengths = ExpectedModbusReplyLengths(framing, request.registerCount);
    QByteArray frame;
    if (framing == Framing::Tcp) {
        m_TransactionCounter = NextTransactionIdentifier(m_TransactionCounter);
        m_Unanswered.Sent(m_TransactionCounter);
        frame = ModbusTcpRequest(request, m_TransactionCounter);
    } else {
        frame = ModbusRtuRequest(request);
    }
    m_Link.SendFrame(frame);

    const bool serial = m_Connection.Mode() == ConnectionMode::Serial;
    ModbusWaitJudgement judgement;
    qsizetype lateBytes = 0;
    const auto lateReply = [this](const QByteArray& bytes) { return LeadingLateTcpReplyLength(bytes, m_Unanswered); };
    const auto replied = [&] {
        QByteArray& buffer = m_Connection.ReceiveBuffer();
        if (serial)
            buffer = m_Connection.SerialReceiveBuffer();
        else if (framing == Framing::Tcp) // a reply to an earlier request that timed out is not this one's answer
            lateBytes += DropLateReplies(buffer, m_Log, lateReply);
        judgement = JudgeModbusReply(buffer, framing, lengths);
        return judgement.verdict != ModbusWaitJudgement::Verdict::Incomplete;
    };
    // A connection that closes under the wait ends it at once; a cancel ends
    // it as the timeout would.
    operations.WaitUntil([&] { return replied() || !m_Connection.ConnectionOpen(); }, m_Link.BusTimeout);

    const QByteArray& held = m_Connection.ReceiveBuffer();
    result.reply = judgement.verdict == ModbusWaitJudgement::Verdict::Incomplete ? held : held.left(judgement.replyLength);
    if (judgement.verdict != ModbusWaitJudgement::Verdict::Incomplete) {
        m_Link.MarkReceived();
        m_Log.LogTraffic(result.reply, TrafficKind::Received);
        if (result.reply.size() < held.size()) { // a doubled reply: every byte that came is logged
            m_Log.LogTraffic(held.mid(result.reply.size()), TrafficKind::Received);
            m_Log.LogText(QStringLiteral("Bytes after the reply passed over"));
        }
    }
    switch (judgement.verdict) {
    case ModbusWaitJudgement::Verdict::Exception:
        result.outcome = ModbusReadResult::Outcome::Exception;
        result.text = ModbusExceptionText(judgement.exceptionCode);
        m_Log.LogText(result.text);
        m_Log.CountError();
        break;
    case ModbusWaitJudgement::Verdict::Complete:
        result.outcome = ModbusReadResult::Outcome::Reply;
        result.text = QStringLiteral("Ok");
        m_Log.CountResponse();
        break;
    case ModbusWaitJudgement::Verdict::Incomplete:
        result.outcome = ModbusReadResult::Outcome::Timeout;
        // the note counts every byte that came, late replies passed over included
        result.text = ModbusTimeoutNote(lateBytes + result.reply.size());
        if (framing == Framing::Tcp)
            m_Unanswered.TimedOut(m_TransactionCounter);
        if (!m_Connection.ConnectionOpen())
            m_Log.LogText(QStringLiteral("Connection closed: ") + m_Connection.LastSocketError());
        m_Log.LogText(result.text);
        m_Log.LogTraffic(result.reply, TrafficKind::Received);
        m_Log.CountError();
        break;
    }
    return result;
}

ModbusReplyCheck ModbusClient::CheckModbusReply(const QByteArray& reply, Framing framing) const
{
    return ::CheckModbusReply(reply, framing, m_TransactionCounter);
}
