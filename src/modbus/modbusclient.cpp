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
    if (!operation || !m_Connection.ConnectionOpen())
        return {};

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

    HeardReply heard{ReplyOutcome::Kind::Timeout, judgement.replyLength, {}};
    switch (judgement.verdict) {
    case ModbusWaitJudgement::Verdict::Exception:
        heard.kind = ReplyOutcome::Kind::DeviceError;
        heard.note = ModbusExceptionText(judgement.exceptionCode);
        break;
    case ModbusWaitJudgement::Verdict::Complete:
        heard.kind = ReplyOutcome::Kind::Reply;
        heard.note = QStringLiteral("Ok");
        break;
    case ModbusWaitJudgement::Verdict::Incomplete:
        // the note counts every byte that came, late replies passed over included
        heard.note = ModbusTimeoutNote(lateBytes + m_Connection.ReceiveBuffer().size());
        if (framing == Framing::Tcp)
            m_Unanswered.TimedOut(m_TransactionCounter);
        break;
    }
    ModbusReadResult result{m_Link.EndReplyWait(heard, QStringLiteral("Bytes after the reply passed over")), {}};
    if (!result.Answered())
        return result;
    result.check = CheckModbusReply(result.bytes, framing, m_TransactionCounter);
    if (result.check.result != ModbusReplyCheck::Result::Good) {
        result.kind = ReplyOutcome::Kind::BadReply;
        result.note = result.check.text;
    }
    return result;
}
