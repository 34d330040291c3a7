#pragma once

#include <QByteArray>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <random>

// Faults of the network between the gateway and its clients. The lab's
// kernels have no queueing discipline for loss or delay, so the endpoints
// build them in. They apply to what the gateway sends (as a discipline on
// the gateway's own interface would) and are drawn from a seeded generator,
// so a run with the same seed and the same traffic repeats.
struct NetFaults {
    int lossPercent = 0;      // datagrams never sent
    int duplicatePercent = 0; // datagrams sent twice
    int reorderPercent = 0;   // datagrams held back until the next one has gone (or a while)
    std::chrono::milliseconds delay{0};  // every datagram and every chunk of a stream
    std::chrono::milliseconds jitter{0}; // the delay varies by up to this much either way
    quint32 seed = 1;
    int resetReply = 0;                   // TCP: this reply (from 1, on any connection) stops halfway with a reset
    int lateReply = 0;                    // this reply (from 1, on each endpoint) goes out lateBy late
    std::chrono::milliseconds lateBy{0};
    int restartMidWrite = 0; // this record write (from 1) restarts the gateway before it is stored or answered
    // The pseudo-terminal: halfway through this reply (from 1) the device
    // disappears, as an unplugged serial adapter does, and comes back (a new
    // terminal behind the same link) after vanishedFor, or never.
    int vanishMidReply = 0;
    std::optional<std::chrono::milliseconds> vanishedFor;

    bool operator==(const NetFaults&) const = default;
};

// Sends what an endpoint gives it as the faults shape it. Datagrams may be
// lost, doubled, held back, late; a stream's chunks are only delayed and
// keep their order, as TCP would keep it.
class NetFaultShaper : public QObject {
public:
    using Send = std::function<void(const QByteArray&)>;

    // salt separates the endpoints of one gateway, so each draws its own.
    NetFaultShaper(const NetFaults& faults, quint32 salt, QObject* parent = nullptr);

    void SendDatagram(const QByteArray& bytes, const Send& send);
    void SendStreamChunk(const QByteArray& bytes, const Send& send);

private:
    struct Pending {
        qint64 dueMs;
        QByteArray bytes;
        Send send;
    };
    bool Draw(int percent);
    qint64 DrawDueMs(); // now plus the delay, this piece's jitter, and lateBy for the late reply
    void Schedule(qint64 dueMs, const QByteArray& bytes, const Send& send);
    void SendDue();

    NetFaults m_Faults;
    std::mt19937 m_Random;
    QElapsedTimer m_Clock;
    QTimer m_Timer;
    std::deque<Pending> m_Queue; // by due time; equal times keep their order
    qint64 m_LastStreamDueMs = 0;
    int m_Replies = 0;
    std::optional<Pending> m_Held; // a datagram that the next one overtakes
    void Rearm();
};

// The network faults every gateway of this process starts its endpoints
// with: none, unless the simulator's command line asks for some.
NetFaults& ProcessNetFaults();

void AddNetFaultOptions(QCommandLineParser& parser);
// Reads the fault options into faults; a usage error, or empty.
QString ReadNetFaultOptions(const QCommandLineParser& parser, NetFaults& faults);

// Parses "MS" or "MS:JITTER".
bool ParseDelay(const QString& text, std::chrono::milliseconds* delay, std::chrono::milliseconds* jitter);
