#pragma once

#include "mbusframe.h"
#include "replyoutcome.h"
#include "base/settingkeys.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <chrono>
#include <functional>

class Connection;
class IniFile;
class TrafficLog;

// Request and reply over the open connection: pacing between transactions,
// the send, the wait for an M-Bus reply with its acceptance rules, and the
// answered and failed counters.
class Link {
public:
    Link(Connection& connection, TrafficLog& log);

    std::chrono::milliseconds BusDelay{50};
    std::chrono::milliseconds BusTimeout{3000};
    std::chrono::milliseconds OpenTimeout{5000};

    // Reads the three timings of a task's INI section.
    void LoadTimings(const IniFile& ini, const ini::LinkTimingKeys& keys);

    // Marks now as the time of the last reply (pages do so when prepared).
    void MarkReceived();
    std::chrono::milliseconds SinceLastReceive() const;

    // Told about a socket send failure, with the socket's description; the
    // wizard shows a warning, the command-line tool prints it.
    std::function<void(const QString& description)> sendFailed;

    // Waits out BusDelay since the last reply (at most about a second),
    // logs the frame, empties the receive buffers and sends it. Nothing
    // happens without an open connection, nor once the running operation
    // is cancelled (also during the pacing): a cancelled change must not
    // reach the device. True when the frame went out.
    bool SendFrame(const QByteArray& frame);

    // Waits for the complete reply (a single E5h or a whole long frame);
    // logs and counts either way. Given the request it answers, a long frame
    // from another meter is logged as a late reply and passed over.
    ReplyOutcome WaitMBusReply(std::chrono::milliseconds timeout, const QByteArray& request = {});

    // The end of every protocol's wait, given what the protocol heard in the
    // receive buffer: marks the time of an answer and logs it (bytes behind
    // it with the protocol's note passedOver); without one logs a closed
    // connection (when it was open as the wait began), the timeout note and
    // the bytes held; counts a response or an error. How the wait ended.
    ReplyOutcome EndReplyWait(const HeardReply& heard, const QString& passedOver = {}, bool wasOpen = true);

    // After a request for data through 253 or 254 that timed out, whose
    // late answer no address could tell from the next one's: listens for it
    // up to that request's timeout and passes it over. Otherwise nothing.
    void DrainLateReply();

private:
    Connection& m_Connection;
    TrafficLog& m_Log;
    QElapsedTimer m_LastReceiveTime;
    std::chrono::milliseconds m_LateAnswerDue{0}; // how long a late answer may still come, 0 when none is owed
};
