#include "asciiclient.h"

#include "comm/connection.h"
#include "comm/deviceoperations.h"
#include "comm/latereplies.h"
#include "comm/link.h"
#include "base/trafficlog.h"

AsciiClient::AsciiClient(Connection& connection, Link& link, TrafficLog& log)
    : m_Connection(connection)
    , m_Link(link)
    , m_Log(log)
{
}

AsciiReadResult AsciiClient::ReadAsciiItem(int protocol, int station, const QByteArray& tag)
{
    AsciiReadResult result;
    DeviceOperations& operations = m_Connection.Operations();
    const DeviceOperationScope operation(operations);
    if (!operation)
        return result;

    m_AsciiSequenceCounter = NextAsciiSequence(m_AsciiSequenceCounter);
    result.sequence = m_AsciiSequenceCounter;
    // Without an open connection nothing goes out and the wait below ends
    // as a timeout.
    const bool wasOpen = m_Connection.ConnectionOpen();
    m_Link.SendFrame(AsciiRequestFrame({m_AsciiSequenceCounter, protocol, station, tag}));

    const bool serial = m_Connection.Mode() == ConnectionMode::Serial;
    AsciiReplyKind kind = AsciiReplyKind::Incomplete;
    // The answer to a request that timed out, arriving now, echoes that
    // request's number: it is logged and passed over, not shown as this
    // item's value. The serial buffer is copied afresh each time, so what
    // was passed over there is counted.
    m_Unanswered.Sent(m_AsciiSequenceCounter);
    qsizetype lateBytes = 0;
    const auto lateReply = [this](const QByteArray& bytes) { return LeadingLateAsciiReplyLength(bytes, m_Unanswered); };
    const auto answered = [&] {
        QByteArray& buffer = m_Connection.ReceiveBuffer();
        if (serial)
            buffer = m_Connection.SerialReceiveBuffer().mid(lateBytes);
        lateBytes += DropLateReplies(buffer, m_Log, lateReply);
        kind = JudgeAsciiReply(buffer.left(AsciiReplyLength(buffer)));
        return kind != AsciiReplyKind::Incomplete;
    };
    // A connection that is closed, or closes meanwhile, will bring nothing:
    // the wait ends at once; a cancel ends it as the timeout would.
    operations.WaitUntil([&] { return answered() || !m_Connection.ConnectionOpen(); }, m_Link.BusTimeout);

    const QByteArray& held = m_Connection.ReceiveBuffer();
    result.received = kind == AsciiReplyKind::Incomplete ? held : held.left(AsciiReplyLength(held));
    if (kind != AsciiReplyKind::Incomplete && result.received.size() < held.size()) {
        // a doubled reply behind the answer: every byte that came is logged
        m_Log.LogTraffic(result.received, TrafficKind::Received);
        m_Log.LogTraffic(held.mid(result.received.size()), TrafficKind::Received);
        m_Log.LogText(QStringLiteral("Repeated reply passed over"));
    } else if (kind != AsciiReplyKind::Incomplete) {
        m_Log.LogTraffic(result.received, TrafficKind::Received);
    }
    switch (kind) {
    case AsciiReplyKind::Value:
        m_Link.MarkReceived();
        result.outcome = AsciiReadResult::Outcome::Value;
        result.text = QStringLiteral("Ok");
        m_Log.CountResponse();
        break;
    case AsciiReplyKind::Error:
        m_Link.MarkReceived();
        result.outcome = AsciiReadResult::Outcome::DeviceError;
        result.text = AsciiErrorText(AsciiErrorLetter(result.received));
        m_Log.LogText(result.text);
        m_Log.CountError();
        break;
    case AsciiReplyKind::Incomplete:
        result.outcome = AsciiReadResult::Outcome::Timeout;
        // the note counts every byte that came, late replies passed over included
        result.text = AsciiTimeoutNote(lateBytes + result.received.size());
        m_Unanswered.TimedOut(m_AsciiSequenceCounter);
        if (wasOpen && !m_Connection.ConnectionOpen())
            m_Log.LogText(QStringLiteral("Connection closed: ") + m_Connection.LastSocketError());
        m_Log.LogText(result.text);
        m_Log.LogTraffic(result.received, TrafficKind::Received);
        m_Log.CountError();
        break;
    }
    return result;
}
