#pragma once

#include <QByteArray>

#include <chrono>
#include <functional>

class Connection;

// What a wait for an M-Bus reply saw.
struct MBusReplyWait {
    bool accepted = false;
    int lengthField = 0; // L of the last 68h L L 68h header seen, 0 when none
    bool wrongFrame = false; // the bytes held a whole frame's worth, but not a good frame
    std::chrono::milliseconds quietSince{0}; // how long before the end of the wait the last byte came
    qsizetype lateBytes = 0; // taken off the front as late answers to earlier requests
};

// Takes the late answers to earlier requests off the front of the bytes and
// returns how many it took.
using LateReplyDrop = std::function<qsizetype(QByteArray& received)>;

// Which replies end the wait.
enum class ReplyAcceptance {
    AcknowledgementOrFrame, // a lone E5h, or a whole long frame
    FrameOnly,              // a whole long frame only: a lone E5h keeps the wait listening
};

// Waits until the connection's receive buffer (in serial mode a copy of
// the serial bytes) holds a reply the rule accepts, the timeout passes, a
// cancel comes, or the connection closes. Late answers that dropLate takes
// off the front are no part of it: the wait goes on for the bytes behind
// them. A device wait: the caller runs inside a device operation.
MBusReplyWait AwaitMBusReply(Connection& connection, std::chrono::milliseconds timeout, ReplyAcceptance acceptance,
                             const LateReplyDrop& dropLate = {});

// Listens on until no byte has arrived for the quiet time, or at most for
// longest; the receive buffer (in serial mode a copy of the serial bytes)
// then holds everything that came. alreadyQuiet: how long the line has been
// silent when the call starts. A device wait, like AwaitMBusReply.
void AwaitQuietLine(Connection& connection, std::chrono::milliseconds quiet, std::chrono::milliseconds longest,
                    std::chrono::milliseconds alreadyQuiet = std::chrono::milliseconds(0));

// Listens up to the timeout for the late answer to a request that timed
// out, ending as soon as a whole one is held; returns what came and empties
// the receive buffers, so that it is not taken for the next request's
// answer. A device wait, like AwaitMBusReply.
QByteArray AwaitLateReply(Connection& connection, std::chrono::milliseconds timeout);
