#include "modbusclient.h"

#include "comm/connection.h"
#include "comm/deviceoperations.h"
#include "comm/latereplies.h"
#include "comm/link.h"
#include "latereply.h"
#include "shell/trafficlog.h"

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
        frame = ModbusTcpRequest(request, m_TransactionCounter);
    } else {
        frame = ModbusRtuRequest(request);
    }
    m_Link.SendFrame(frame);

    const bool serial = m_Connection.Mode() == ConnectionMode::Serial;
    ModbusWaitJudgement judgement;
    const auto replied = [&] {
        QByteArray& buffer = m_Connection.ReceiveBuffer();
        if (serial)
            buffer = m_Connection.SerialReceiveBuffer();
        else if (framing == Framing::Tcp) // a reply to an earlier request that timed out is not this one's answer
            DropLateReplies(buffer, m_Log, [this](const QByteArray& bytes) { return LeadingLateTcpReplyLength(bytes, m_TransactionCounter); });
        judgement = JudgeModbusReply(buffer, framing, lengths);
        return judgement.verdict != ModbusWaitJudgement::Verdict::Incomplete;
    };
    // A connection that closes under the wait ends it at once; a cancel ends
    // it as the timeout would.
    operations.WaitUntil([&] { return replied() || !m_Connection.ConnectionOpen(); }, m_Link.BusTimeout);

    result.reply = m_Connection.ReceiveBuffer();
    switch (judgement.verdict) {
    case ModbusWaitJudgement::Verdict::Exception:
        m_Link.MarkReceived();
        result.outcome = ModbusReadResult::Outcome::Exception;
        result.text = ModbusExceptionText(judgement.exceptionCode);
        m_Log.LogTraffic(result.reply, TrafficKind::Received);
        m_Log.LogText(result.text);
        m_Log.CountError();
        break;
    case ModbusWaitJudgement::Verdict::Complete:
        m_Link.MarkReceived();
        result.outcome = ModbusReadResult::Outcome::Reply;
        result.text = QStringLiteral("Ok");
        m_Log.LogTraffic(result.reply, TrafficKind::Received);
        m_Log.CountResponse();
        break;
    case ModbusWaitJudgement::Verdict::Incomplete:
        result.outcome = ModbusReadResult::Outcome::Timeout;
        result.text = ModbusTimeoutNote(result.reply.size());
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
