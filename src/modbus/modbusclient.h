#pragma once

#include "modbuscodec.h"

#include "comm/latereplies.h"
#include "comm/replyoutcome.h"

#include <QByteArray>
#include <QString>

class Connection;
class Link;
class TrafficLog;

// How one read ended, and the reply judged against its request: a reply
// that fails the check is a bad reply with the check's text.
struct ModbusReadResult : ReplyOutcome {
    ModbusReplyCheck check; // with an answer: the judged reply, its register data when good
};

// Reads holding or input registers over the open gateway connection, with
// the TCP transaction identifiers of its own. The page and the command-line
// tool each hold one.
class ModbusClient {
public:
    ModbusClient(Connection& connection, Link& link, TrafficLog& log);

    // Builds the request, sends it and waits up to BusTimeout for the reply,
    // logging and counting it, and judges it. A device operation of its own:
    // NotRun without an open connection or while another one runs.
    ModbusReadResult ReadModbusRegisters(const ModbusRequest& request, modbus::Framing framing);

private:
    Connection& m_Connection;
    Link& m_Link;
    TrafficLog& m_Log;
    int m_TransactionCounter = 0;
    UnansweredRequests m_Unanswered; // TCP requests that timed out
};
