#pragma once

#include <QByteArray>

#include <functional>

class TrafficLog;

// The length of a whole reply to an earlier request at the start of the
// bytes, 0 when they do not start with one; each protocol knows its own by
// the identifier its replies echo.
using LeadingLateReply = std::function<qsizetype(const QByteArray& received)>;

// Takes every reply that came too late for its own request off the front of
// the buffer, logging each as received with a note, so the wait goes on for
// the current request's answer. Returns how many bytes it took.
qsizetype DropLateReplies(QByteArray& buffer, TrafficLog& log, const LeadingLateReply& leadingLateReply);
