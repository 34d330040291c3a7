#pragma once

#include <QByteArray>

class UnansweredRequests;

// A reply that came too late for its own request: a whole Modbus TCP frame
// (as long as its MBAP header says) at the start of the bytes, whose
// identifier is that of a request that timed out and has had no reply
// since. Its length (the identifier then counting as answered), so the wait
// can drop it and go on for the current reply; 0 when the bytes do not start
// with one. Any other identifier is left for the reply check.
qsizetype LeadingLateTcpReplyLength(const QByteArray& received, UnansweredRequests& unanswered);
