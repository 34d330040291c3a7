#include "link.h"

#include "connection.h"
#include "deviceoperations.h"
#include "latereplies.h"
#include "mbusframe.h"
#include "replywait.h"
#include "base/inifile.h"
#include "base/trafficlog.h"

#include <algorithm>
#include <utility>

using namespace std::chrono_literals;

namespace {
// Pacing never holds a send back longer than this, whatever BusDelay says.
constexpr auto kLongestPacing = 1001ms;

std::chrono::milliseconds ReadMs(const IniFile& ini, const IniKey& key)
{
    return std::chrono::milliseconds(std::max<qint64>(ini.ReadNumberOrDefault(key), 0));
}
} // namespace

Link::Link(Connection& connection, TrafficLog& log)
    : m_Connection(connection)
    , m_Log(log)
{
    m_LastReceiveTime.start();
}

void Link::LoadTimings(const IniFile& ini, const ini::LinkTimingKeys& keys)
{
    BusDelay = ReadMs(ini, keys.busDelay);
    BusTimeout = ReadMs(ini, keys.busTimeout);
    OpenTimeout = ReadMs(ini, keys.openTimeout);
}

void Link::MarkReceived()
{
    m_LastReceiveTime.start();
}

std::chrono::milliseconds Link::SinceLastReceive() const
{
    return std::chrono::milliseconds(m_LastReceiveTime.elapsed());
}

bool Link::SendFrame(const QByteArray& frame)
{
    DeviceOperations& operations = m_Connection.Operations();
    const DeviceOperationScope operation(operations);
    if (!operation || !m_Connection.ConnectionOpen() || operations.CancelRequested())
        return false;
    const auto quietLeft = BusDelay - SinceLastReceive();
    if (quietLeft > 0ms)
        operations.Pause(std::min<std::chrono::milliseconds>(quietLeft, kLongestPacing));
    // The cancel may have ended the pacing; the connection may have gone in it.
    if (operations.CancelRequested() || !m_Connection.ConnectionOpen())
        return false;
    m_Log.LogTraffic(frame, TrafficKind::Sent);
    m_Connection.ClearReceiveBuffers();
    const QString error = m_Connection.Send(frame);
    if (!error.isEmpty()) {
        if (sendFailed)
            sendFailed(error);
        return false;
    }
    return true;
}

ReplyOutcome Link::WaitMBusReply(std::chrono::milliseconds timeout, const QByteArray& request)
{
    DeviceOperations& operations = m_Connection.Operations();
    const DeviceOperationScope operation(operations);
    if (!operation || !m_Connection.ConnectionOpen())
        return {};
    const auto late = [&](const QByteArray& bytes) { return LeadingLateMBusFrameLength(bytes, request); };
    const MBusReplyWait wait = AwaitMBusReply(m_Connection, timeout, ReplyAcceptance::AcknowledgementOrFrame,
                                              [&](QByteArray& bytes) { return DropLateReplies(bytes, m_Log, late); });
    const QByteArray& received = m_Connection.ReceiveBuffer();
    if (wait.accepted)
        return EndReplyWait({ReplyOutcome::Kind::Reply, received.size(), {}});
    if (AnswerAddressProvesNothing(request) && m_Connection.ConnectionOpen() && !operations.CancelRequested())
        m_LateAnswerDue = timeout;
    return EndReplyWait({ReplyOutcome::Kind::Timeout, 0,
                         MBusTimeoutNote(static_cast<int>(received.size()), wait.lengthField, wait.wrongFrame)});
}

ReplyOutcome Link::EndReplyWait(const HeardReply& heard, const QString& passedOver, bool wasOpen)
{
    const QByteArray& held = m_Connection.ReceiveBuffer();
    ReplyOutcome outcome;
    outcome.note = heard.note;
    if (heard.kind == ReplyOutcome::Kind::Reply || heard.kind == ReplyOutcome::Kind::DeviceError) {
        outcome.kind = heard.kind;
        outcome.bytes = held.left(heard.length);
        MarkReceived();
        m_Log.LogTraffic(outcome.bytes, TrafficKind::Received);
        if (outcome.bytes.size() < held.size()) { // a doubled reply: every byte that came is logged
            m_Log.LogTraffic(held.mid(outcome.bytes.size()), TrafficKind::Received);
            m_Log.LogText(passedOver);
        }
        if (heard.kind == ReplyOutcome::Kind::DeviceError) {
            m_Log.LogText(heard.note);
            m_Log.CountError();
        } else {
            m_Log.CountResponse();
        }
        return outcome;
    }
    // a cancel and a closed connection end the wait as the timeout would
    const bool open = m_Connection.ConnectionOpen();
    outcome.kind = !open ? ReplyOutcome::Kind::Closed
                 : m_Connection.Operations().CancelRequested() ? ReplyOutcome::Kind::Cancelled
                                                                : ReplyOutcome::Kind::Timeout;
    outcome.bytes = held;
    if (wasOpen && !open)
        m_Log.LogText(QStringLiteral("Connection closed: ") + m_Connection.LastSocketError());
    m_Log.LogText(heard.note);
    m_Log.LogTraffic(held, TrafficKind::Received);
    m_Log.CountError();
    return outcome;
}

void Link::DrainLateReply()
{
    DeviceOperations& operations = m_Connection.Operations();
    const DeviceOperationScope operation(operations);
    const auto due = std::exchange(m_LateAnswerDue, 0ms);
    if (!operation || !m_Connection.ConnectionOpen() || due <= 0ms)
        return;
    const QByteArray late = AwaitLateReply(m_Connection, due);
    if (late.isEmpty())
        return;
    MarkReceived();
    m_Log.LogTraffic(late, TrafficKind::Received);
    m_Log.LogText(QStringLiteral("Late reply to an earlier request dropped"));
}
