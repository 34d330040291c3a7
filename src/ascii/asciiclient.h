#pragma once

#include "asciiprotocol.h"

#include "comm/latereplies.h"
#include "comm/replyoutcome.h"

#include <QByteArray>
#include <QString>

class Connection;
class Link;
class TrafficLog;

// How one read ended; the page and the command-line tool each show it in
// their own way. A NAK reply is a device error with the error letter's text.
struct AsciiReadResult : ReplyOutcome {
    int sequence = 0; // the sequence number the request carried
};

// Reads items through the gateway's ASCII protocol over the open
// connection, numbering the requests.
class AsciiClient {
public:
    AsciiClient(Connection& connection, Link& link, TrafficLog& log);

    int AsciiSequenceCounter() const { return m_AsciiSequenceCounter; }

    // Sends the request (sequence from the counter) and waits up to the
    // link's BusTimeout for an ACK or NAK reply; logs and counts it. A
    // device operation of its own: nothing happens while another runs.
    AsciiReadResult ReadAsciiItem(int protocol, int station, const QByteArray& tag);

private:
    Connection& m_Connection;
    Link& m_Link;
    TrafficLog& m_Log;
    int m_AsciiSequenceCounter = 0;
    UnansweredRequests m_Unanswered;
};
