#include "searchlink.h"

#include "comm/connection.h"
#include "comm/deviceoperations.h"
#include "comm/link.h"
#include "comm/mbusframe.h"
#include "comm/replywait.h"
#include "base/trafficlog.h"

#include <QElapsedTimer>

#include <algorithm>

using namespace std::chrono_literals;

namespace {
// The quiet time never holds a frame back longer than this.
constexpr auto kLongestQuiet = 10001ms;

QString ReceivedNote(qsizetype length)
{
    return QStringLiteral("Received %1 byte").arg(length);
}

const QString kLateNote = QStringLiteral("Late reply to an earlier request dropped");
} // namespace

SearchLink::SearchLink(Connection& connection, Link& link, TrafficLog& log)
    : m_Connection(connection)
    , m_Link(link)
    , m_Log(log)
{
}

void SearchLink::SendSearchFrame(const QByteArray& frame)
{
    DeviceOperations& operations = m_Connection.Operations();
    const DeviceOperationScope operation(operations);
    if (!operation || !m_Connection.ConnectionOpen() || operations.CancelRequested())
        return;
    const auto quietLeft = std::min<std::chrono::milliseconds>(SearchFrameDelay - m_Link.SinceLastReceive(), kLongestQuiet);
    if (quietLeft > 0ms) {
        m_RequiredWaiting += quietLeft;
        operations.Pause(quietLeft);
    }
    // An abort in the quiet time sends nothing more: a selection sent now
    // would leave a meter selected after the search.
    if (operations.CancelRequested() || !m_Connection.ConnectionOpen())
        return;
    if (m_Log.SearchTrace())
        m_Log.LogTraffic(frame, TrafficKind::Sent);
    m_Connection.ClearReceiveBuffers();
    m_FirstArrival.reset();
    m_SentAt.start();
    const QString error = m_Connection.Send(frame);
    if (!error.isEmpty() && m_Link.sendFailed)
        m_Link.sendFailed(error);
}

QByteArray SearchLink::WaitSearchReply(std::chrono::milliseconds timeout, std::chrono::milliseconds guard,
                                       const QByteArray& request, std::chrono::milliseconds firstByte)
{
    DeviceOperations& operations = m_Connection.Operations();
    const DeviceOperationScope operation(operations);
    if (!operation || !m_Connection.ConnectionOpen())
        return {};
    QElapsedTimer waited;
    waited.start();
    const bool serial = m_Connection.Mode() == ConnectionMode::Serial;
    // Late frames are taken off where this probe's answer would start: at the
    // front, or (off a serial line, whose bytes are copied afresh from the
    // front) behind the acknowledgements or the frame already heard.
    const auto dropLateFrom = [&](QByteArray& bytes, qsizetype from) {
        qsizetype dropped = 0;
        while (const qsizetype late = LeadingLateMBusFrameLength(bytes.mid(from), request)) {
            if (m_Log.SearchTrace()) {
                m_Log.LogTraffic(bytes.mid(from, late), TrafficKind::Received);
                m_Log.LogText(kLateNote);
            }
            bytes.remove(from, late);
            dropped += late;
        }
        return dropped;
    };
    const auto afterAcknowledgements = [](const QByteArray& bytes) {
        qsizetype from = 0;
        while (from < bytes.size() && static_cast<quint8>(bytes[from]) == mbus::kAck)
            ++from;
        return from;
    };
    const auto dropLate = [&](QByteArray& bytes) {
        const qsizetype dropped = dropLateFrom(bytes, serial ? 0 : afterAcknowledgements(bytes));
        if (!m_FirstArrival && !bytes.isEmpty() && m_SentAt.isValid())
            m_FirstArrival = Arrival{std::chrono::microseconds(m_SentAt.nsecsElapsed() / 1000), bytes.size()};
        return dropped;
    };
    const auto arrived = [&] {
        return !(serial ? m_Connection.SerialReceiveBuffer() : m_Connection.ReceiveBuffer()).isEmpty()
            || !m_Connection.ConnectionOpen();
    };
    const bool silent = firstByte > 0ms && firstByte < timeout && !operations.WaitUntil(arrived, firstByte);
    MBusReplyWait wait;
    if (!silent) {
        const auto left = timeout - std::chrono::milliseconds(waited.elapsed());
        wait = AwaitMBusReply(m_Connection, std::max(left, 0ms), ReplyAcceptance::FrameOnly, dropLate);
    }
    bool accepted = wait.accepted;
    const QByteArray& received = m_Connection.ReceiveBuffer();
    if (accepted) {
        m_RequiredWaiting += std::chrono::nanoseconds(waited.nsecsElapsed());
    } else if (!operations.CancelRequested() && m_Connection.ConnectionOpen()) {
        m_RequiredWaiting += silent ? firstByte : timeout;
    }
    if (guard > 0ms && !received.isEmpty() && !operations.CancelRequested()) {
        const qsizetype judged = received.size();
        QElapsedTimer guarded;
        guarded.start();
        // the longest frame could not outlast this, so a babbling line cannot hold the search
        AwaitQuietLine(m_Connection, guard, timeout + guard, wait.quietSince);
        m_RequiredWaiting += std::chrono::nanoseconds(guarded.nsecsElapsed());
        // the quiet line holds the serial bytes whole again, late ones included
        if (serial)
            m_Connection.ReceiveBuffer().remove(0, std::min(wait.lateBytes, m_Connection.ReceiveBuffer().size()));
        // a late answer may have come in ahead of this probe's own, or behind it
        QByteArray& held = m_Connection.ReceiveBuffer();
        wait.lateBytes += dropLateFrom(held, afterAcknowledgements(held));
        if (accepted)
            wait.lateBytes += dropLateFrom(held, std::min(judged, held.size()));
        accepted = accepted && received.size() == judged;
    }
    m_Link.MarkReceived();
    if (m_Log.SearchTrace()) {
        if (accepted || IsLoneAcknowledgement(received.left(1)))
            m_Log.LogText(ReceivedNote(received.size()));
        else
            m_Log.LogText(MBusTimeoutNote(static_cast<int>(received.size()), wait.lengthField, wait.wrongFrame));
        m_Log.LogTraffic(received, TrafficKind::Received);
    }
    return accepted ? received : QByteArray();
}

void SearchLink::DrainLateReply(std::chrono::milliseconds timeout)
{
    DeviceOperations& operations = m_Connection.Operations();
    const DeviceOperationScope operation(operations);
    if (!operation || !m_Connection.ConnectionOpen())
        return;
    QElapsedTimer drained;
    drained.start();
    const QByteArray late = AwaitLateReply(m_Connection, timeout);
    m_RequiredWaiting += std::chrono::nanoseconds(drained.nsecsElapsed());
    if (late.isEmpty())
        return;
    m_Link.MarkReceived(); // the next frame keeps its quiet time after this answer too
    if (m_Log.SearchTrace()) {
        m_Log.LogTraffic(late, TrafficKind::Received);
        m_Log.LogText(kLateNote);
    }
}

const QByteArray& SearchLink::Received() const
{
    return m_Connection.ReceiveBuffer();
}

bool SearchLink::ConnectionOpen() const
{
    return m_Connection.ConnectionOpen();
}
