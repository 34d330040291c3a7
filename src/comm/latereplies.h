#pragma once

#include <QByteArray>
#include <QList>

#include <functional>

class TrafficLog;

// The numbers of requests that timed out and have had no reply since. Only
// a reply that echoes one of them is late; a gateway that echoes a fixed or
// a wrong number gets its reply judged as the answer it claims to be.
class UnansweredRequests {
public:
    void TimedOut(int number);
    // A request goes out under this number: a reply echoing it now belongs
    // to the new request, not to the old one that shared the number.
    void Sent(int number);
    // True (and forgotten) when a reply echoing the number is a late one.
    bool TakeLate(int number);

private:
    QList<int> m_Numbers;
};

// The length of a whole reply to an earlier request at the start of the
// bytes, 0 when they do not start with one; each protocol knows its own by
// the identifier its replies echo.
using LeadingLateReply = std::function<qsizetype(const QByteArray& received)>;

// Takes every reply that came too late for its own request off the front of
// the buffer, logging each as received with a note, so the wait goes on for
// the current request's answer. Returns how many bytes it took.
qsizetype DropLateReplies(QByteArray& buffer, TrafficLog& log, const LeadingLateReply& leadingLateReply);
