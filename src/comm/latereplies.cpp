#include "latereplies.h"

#include "base/trafficlog.h"

void UnansweredRequests::TimedOut(int number)
{
    if (!m_Numbers.contains(number))
        m_Numbers.append(number);
}

void UnansweredRequests::Sent(int number)
{
    m_Numbers.removeAll(number);
}

bool UnansweredRequests::TakeLate(int number)
{
    return m_Numbers.removeAll(number) > 0;
}

qsizetype DropLateReplies(QByteArray& buffer, TrafficLog& log, const LeadingLateReply& leadingLateReply)
{
    qsizetype dropped = 0;
    while (const qsizetype late = leadingLateReply(buffer)) {
        log.LogTraffic(buffer.left(late), TrafficKind::Received);
        log.LogText(QStringLiteral("Late reply to an earlier request dropped"));
        buffer.remove(0, late);
        dropped += late;
    }
    return dropped;
}
