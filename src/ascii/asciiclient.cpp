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
    DeviceOperations& operations = m_Connection.Operations();
    const DeviceOperationScope operation(operations);
    if (!operation)
        return {};

    m_AsciiSequenceCounter = NextAsciiSequence(m_AsciiSequenceCounter);
    // Without an open connection nothing goes out and the wait below ends
    // at once, with the timeout note.
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
    HeardReply heard{ReplyOutcome::Kind::Timeout, AsciiReplyLength(held), {}};
    switch (kind) {
    case AsciiReplyKind::Value:
        heard.kind = ReplyOutcome::Kind::Reply;
        heard.note = QStringLiteral("Ok");
        break;
    case AsciiReplyKind::Error:
        heard.kind = ReplyOutcome::Kind::DeviceError;
        heard.note = AsciiErrorText(AsciiErrorLetter(held.left(heard.length)));
        break;
    case AsciiReplyKind::Incomplete:
        // the note counts every byte that came, late replies passed over included
        heard.note = AsciiTimeoutNote(lateBytes + held.size());
        m_Unanswered.TimedOut(m_AsciiSequenceCounter);
        break;
    }
    return {m_Link.EndReplyWait(heard, QStringLiteral("Repeated reply passed over"), wasOpen), m_AsciiSequenceCounter};
}
