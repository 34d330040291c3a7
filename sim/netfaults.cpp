#include "netfaults.h"

#include <QRegularExpression>
#include <algorithm>

namespace {

// A held-back datagram goes out at the latest this long after its time,
// when no later one overtakes it first.
constexpr qint64 kLongestHoldMs = 100;

} // namespace

NetFaultShaper::NetFaultShaper(const NetFaults& faults, quint32 salt, QObject* parent)
    : QObject(parent), m_Faults(faults), m_Random(faults.seed * 2654435761u + salt)
{
    m_Clock.start();
    m_Timer.setSingleShot(true);
    m_Timer.setTimerType(Qt::PreciseTimer);
    connect(&m_Timer, &QTimer::timeout, this, &NetFaultShaper::SendDue);
}

bool NetFaultShaper::Draw(int percent)
{
    if (percent <= 0)
        return false;
    return static_cast<int>(std::uniform_int_distribution<int>(0, 99)(m_Random)) < percent;
}

qint64 NetFaultShaper::DrawDueMs()
{
    qint64 delay = m_Faults.delay.count();
    if (m_Faults.jitter.count() > 0) {
        const auto jitter = m_Faults.jitter.count();
        delay += std::uniform_int_distribution<qint64>(-jitter, jitter)(m_Random);
    }
    if (++m_Replies == m_Faults.lateReply)
        delay += m_Faults.lateBy.count();
    return m_Clock.elapsed() + std::max<qint64>(delay, 0);
}

void NetFaultShaper::SendDatagram(const QByteArray& bytes, const Send& send)
{
    const qint64 due = DrawDueMs();
    if (Draw(m_Faults.lossPercent))
        return;
    const int copies = Draw(m_Faults.duplicatePercent) ? 2 : 1;
    if (!m_Held && Draw(m_Faults.reorderPercent)) {
        m_Held = Pending{due + m_Faults.jitter.count() + kLongestHoldMs, bytes, send};
        if (copies == 2)
            Schedule(due, bytes, send);
        Rearm();
        return;
    }
    for (int copy = 0; copy < copies; ++copy)
        Schedule(due, bytes, send);
    if (m_Held) // overtaken: it follows this one
        m_Held->dueMs = std::min(m_Held->dueMs, due);
    Rearm();
}

void NetFaultShaper::SendStreamChunk(const QByteArray& bytes, const Send& send)
{
    // A stream never reorders: a chunk drawn earlier than its predecessor waits for it.
    m_LastStreamDueMs = std::max(DrawDueMs(), m_LastStreamDueMs);
    Schedule(m_LastStreamDueMs, bytes, send);
    Rearm();
}

void NetFaultShaper::Schedule(qint64 dueMs, const QByteArray& bytes, const Send& send)
{
    const auto after = std::upper_bound(m_Queue.begin(), m_Queue.end(), dueMs,
                                        [](qint64 due, const Pending& pending) { return due < pending.dueMs; });
    m_Queue.insert(after, Pending{dueMs, bytes, send});
}

void NetFaultShaper::Rearm()
{
    qint64 next = -1;
    if (!m_Queue.empty())
        next = m_Queue.front().dueMs;
    if (m_Held && (next < 0 || m_Held->dueMs < next))
        next = m_Held->dueMs;
    if (next < 0) {
        m_Timer.stop();
        return;
    }
    m_Timer.start(static_cast<int>(std::max<qint64>(next - m_Clock.elapsed(), 0)));
}

void NetFaultShaper::SendDue()
{
    const qint64 now = m_Clock.elapsed();
    while (!m_Queue.empty() && m_Queue.front().dueMs <= now) {
        const Pending pending = std::move(m_Queue.front());
        m_Queue.pop_front();
        pending.send(pending.bytes);
    }
    if (m_Held && m_Held->dueMs <= now) {
        const Pending held = std::move(*m_Held);
        m_Held.reset();
        held.send(held.bytes);
    }
    Rearm();
}

NetFaults& ProcessNetFaults()
{
    static NetFaults faults;
    return faults;
}

bool ParseDelay(const QString& text, std::chrono::milliseconds* delay, std::chrono::milliseconds* jitter)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,6})(?::(\\d{1,6}))?$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return false;
    *delay = std::chrono::milliseconds(match.captured(1).toInt());
    *jitter = std::chrono::milliseconds(match.captured(2).isEmpty() ? 0 : match.captured(2).toInt());
    return *jitter <= *delay;
}

void AddNetFaultOptions(QCommandLineParser& parser)
{
    parser.addOptions({
        {QStringLiteral("loss"), QStringLiteral("Lose PCT percent of the datagrams the gateway sends."), QStringLiteral("PCT")},
        {QStringLiteral("delay"), QStringLiteral("Send every datagram and stream chunk MS late, varying by up to JITTER either way."),
         QStringLiteral("MS[:JITTER]")},
        {QStringLiteral("duplicate"), QStringLiteral("Send PCT percent of the datagrams twice."), QStringLiteral("PCT")},
        {QStringLiteral("reorder"), QStringLiteral("Hold PCT percent of the datagrams back behind the next one."), QStringLiteral("PCT")},
        {QStringLiteral("seed"), QStringLiteral("Seed of the network faults (default 1): the same seed, the same faults."),
         QStringLiteral("N")},
        {QStringLiteral("tcp-reset-reply"), QStringLiteral("Cut the Nth reply over TCP (any connection) halfway and reset the connection."),
         QStringLiteral("N")},
        {QStringLiteral("late-reply"), QStringLiteral("Send the Nth reply of each endpoint MS late."), QStringLiteral("N:MS")},
        {QStringLiteral("vanish-mid-reply"),
         QStringLiteral("Let the pseudo-terminal disappear halfway through its Nth reply, back after MS (else never)."),
         QStringLiteral("N[:MS]")},
        {QStringLiteral("restart-mid-write"), QStringLiteral("Restart on the Nth record write over the network, before it is stored or acknowledged."),
         QStringLiteral("N")},
    });
}

QString ReadNetFaultOptions(const QCommandLineParser& parser, NetFaults& faults)
{
    const auto number = [&parser](const char* name, int highest, int* value) {
        const QString option = QString::fromLatin1(name);
        if (!parser.isSet(option))
            return true;
        bool ok = false;
        *value = parser.value(option).toInt(&ok);
        return ok && *value >= 0 && *value <= highest;
    };
    if (!number("loss", 100, &faults.lossPercent))
        return QStringLiteral("--loss: a percentage 0-100 is needed");
    if (!number("duplicate", 100, &faults.duplicatePercent))
        return QStringLiteral("--duplicate: a percentage 0-100 is needed");
    if (!number("reorder", 100, &faults.reorderPercent))
        return QStringLiteral("--reorder: a percentage 0-100 is needed");
    if (!number("tcp-reset-reply", 1000000, &faults.resetReply))
        return QStringLiteral("--tcp-reset-reply: a reply number is needed");
    if (!number("restart-mid-write", 1000000, &faults.restartMidWrite))
        return QStringLiteral("--restart-mid-write: a write number is needed");
    int seed = 1;
    if (!number("seed", 2147483647, &seed))
        return QStringLiteral("--seed: a number is needed");
    faults.seed = static_cast<quint32>(seed);
    if (parser.isSet(QStringLiteral("delay"))
        && !ParseDelay(parser.value(QStringLiteral("delay")), &faults.delay, &faults.jitter))
        return QStringLiteral("--delay: MS or MS:JITTER (JITTER not above MS) is needed");
    if (parser.isSet(QStringLiteral("late-reply"))) {
        std::chrono::milliseconds lateBy{0}, unused{0};
        const QStringList parts = parser.value(QStringLiteral("late-reply")).split(u':');
        bool ok = parts.size() == 2;
        const int reply = ok ? parts[0].toInt(&ok) : 0;
        if (!ok || reply < 1 || !ParseDelay(parts[1], &lateBy, &unused))
            return QStringLiteral("--late-reply: N:MS is needed");
        faults.lateReply = reply;
        faults.lateBy = lateBy;
    }
    if (parser.isSet(QStringLiteral("vanish-mid-reply"))) {
        const QStringList parts = parser.value(QStringLiteral("vanish-mid-reply")).split(u':');
        bool ok = parts.size() <= 2;
        const int reply = ok ? parts[0].toInt(&ok) : 0;
        const int backAfter = ok && parts.size() == 2 ? parts[1].toInt(&ok) : 0;
        if (!ok || reply < 1 || backAfter < 0)
            return QStringLiteral("--vanish-mid-reply: N or N:MS is needed");
        faults.vanishMidReply = reply;
        if (parts.size() == 2)
            faults.vanishedFor = std::chrono::milliseconds(backAfter);
    }
    return {};
}
