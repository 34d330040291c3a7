#pragma once

#include "modbuscodec.h"

#include "comm/latereplies.h"

#include <QByteArray>
#include <QString>

class Connection;
class Link;
class TrafficLog;

// How one read ended.
struct ModbusReadResult {
    enum class Outcome {
        NotSent,   // no open connection, or another device operation runs
        Timeout,   // no whole reply in time: the timeout note
        Exception, // the slave refused: the exception text
        Reply,     // a reply of at least the expected length: "Ok"
    };
    Outcome outcome = Outcome::NotSent;
    QByteArray reply; // the bytes the wait ended with (at a timeout: those held)
    QString text;     // as the result label shows it

    // The wait ended with a reply, good or exception, before the timeout.
    bool Answered() const { return outcome == Outcome::Exception || outcome == Outcome::Reply; }
};

// Reads holding or input registers over the open gateway connection, with
// the TCP transaction identifiers of its own. The page and the command-line
// tool each hold one.
class ModbusClient {
public:
    ModbusClient(Connection& connection, Link& link, TrafficLog& log);

    // Builds the request, sends it and waits up to BusTimeout for the reply,
    // logging and counting it. A device operation of its own.
    ModbusReadResult ReadModbusRegisters(const ModbusRequest& request, modbus::Framing framing);

    // The reply judged against the last request's transaction identifier.
    ModbusReplyCheck CheckModbusReply(const QByteArray& reply, modbus::Framing framing) const;

private:
    Connection& m_Connection;
    Link& m_Link;
    TrafficLog& m_Log;
    int m_TransactionCounter = 0;
    UnansweredRequests m_Unanswered; // TCP requests that timed out
};
