#pragma once

#include <QByteArray>
#include <QElapsedTimer>

#include <chrono>
#include <optional>

class Connection;
class Link;
class TrafficLog;

// The search's own send and wait over the open connection. Unlike a
// transaction, the wait accepts only a whole long frame (a lone E5h never
// ends it, so a second meter answering later is still heard), it leaves the
// answered and failed counters alone, and it logs only while the search
// trace is on.
class SearchLink {
public:
    SearchLink(Connection& connection, Link& link, TrafficLog& log);

    // Quiet time the next frame waits after the last reply: the bus delay,
    // or longer right after a collision.
    std::chrono::milliseconds SearchFrameDelay{50};

    // Waits out SearchFrameDelay since the last reply (at most about ten
    // seconds), empties the receive buffers and sends the frame. Nothing
    // without an open connection, nor once the search is cancelled.
    void SendSearchFrame(const QByteArray& frame);

    // A whole long frame with a good checksum, or nothing when none came
    // within the timeout. Either way the time of the last reply is now.
    // With a guard time, whatever arrived is listened to until the line has
    // been silent that long; a frame followed by more bytes is no answer.
    // Given the request, a long frame from another meter is a late answer
    // to an earlier probe: passed over (logged with the trace), not judged.
    // With a first-byte wait shorter than the timeout, a line still silent
    // when it has passed ends the wait there.
    QByteArray WaitSearchReply(std::chrono::milliseconds timeout,
                               std::chrono::milliseconds guard = std::chrono::milliseconds(0),
                               const QByteArray& request = {},
                               std::chrono::milliseconds firstByte = std::chrono::milliseconds(0));

    // When the first bytes of the last wait's answer came, counted from the
    // send, and how many came at once; nothing when none came.
    struct Arrival {
        std::chrono::microseconds sinceSend{0};
        qsizetype bytes = 0;
    };
    const std::optional<Arrival>& FirstArrival() const { return m_FirstArrival; }

    // After a request whose answer did not come, and that no address can
    // tell from another's: listens up to the timeout for the late answer,
    // so that it is passed over here instead of taken for the next probe's.
    void DrainLateReply(std::chrono::milliseconds timeout);

    bool ConnectionOpen() const;

    // Everything that arrived since the last send, for the scans to judge.
    const QByteArray& Received() const;

    // The waiting the frames made so far had to do: each wait that ran to
    // its timeout, the time until each accepted reply, and the quiet time
    // before each frame. What a search takes beyond this is its own cost.
    std::chrono::nanoseconds RequiredWaiting() const { return m_RequiredWaiting; }

private:
    Connection& m_Connection;
    Link& m_Link;
    TrafficLog& m_Log;
    std::chrono::nanoseconds m_RequiredWaiting{0};
    QElapsedTimer m_SentAt;
    std::optional<Arrival> m_FirstArrival;
};
