#include "latereplies.h"

#include "shell/trafficlog.h"

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
