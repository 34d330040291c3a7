#include "searchlink.h"

#include "comm/connection.h"
#include "comm/deviceoperations.h"
#include "comm/link.h"
#include "comm/mbusframe.h"
#include "comm/replywait.h"
#include "shell/trafficlog.h"

#include <QElapsedTimer>

#include <algorithm>

using namespace std::chrono_literals;

namespace {
// The quiet time never holds a frame back longer than this.
constexpr auto kLongestQuiet = 10001ms;

bool IsLoneAcknowledgement(const QByteArray& bytes)
{
    return bytes.size() == 1 && static_cast<quint8>(bytes[0]) == mbus::kAck;
}

QString ReceivedNote(qsizetype length)
{
    return QStringLiteral("Received %1 byte").arg(length);
}
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
    const QString error = m_Connection.Send(frame);
    if (!error.isEmpty() && m_Link.sendFailed)
        m_Link.sendFailed(error);
}

QByteArray SearchLink::WaitSearchReply(std::chrono::milliseconds timeout, std::chrono::milliseconds guard)
{
    DeviceOperations& operations = m_Connection.Operations();
    const DeviceOperationScope operation(operations);
    if (!operation || !m_Connection.ConnectionOpen())
        return {};
    QElapsedTimer waited;
    waited.start();
    const MBusReplyWait wait = AwaitMBusReply(m_Connection, timeout, ReplyAcceptance::FrameOnly);
    bool accepted = wait.accepted;
    const QByteArray& received = m_Connection.ReceiveBuffer();
    if (accepted) {
        m_RequiredWaiting += std::chrono::nanoseconds(waited.nsecsElapsed());
    } else if (!operations.CancelRequested() && m_Connection.ConnectionOpen()) {
        m_RequiredWaiting += timeout;
    }
    if (guard > 0ms && !received.isEmpty() && !operations.CancelRequested()) {
        const qsizetype judged = received.size();
        QElapsedTimer guarded;
        guarded.start();
        // the longest frame could not outlast this, so a babbling line cannot hold the search
        AwaitQuietLine(m_Connection, guard, timeout + guard, wait.quietSince);
        m_RequiredWaiting += std::chrono::nanoseconds(guarded.nsecsElapsed());
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

const QByteArray& SearchLink::Received() const
{
    return m_Connection.ReceiveBuffer();
}

bool SearchLink::ConnectionOpen() const
{
    return m_Connection.ConnectionOpen();
}
