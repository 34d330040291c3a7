#include "trafficlog.h"

#include <QDateTime>
#include <QLocale>
#include <QTime>

#include <algorithm>
#include <chrono>
#include <ctime>

namespace {

quint32 SystemTick()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now); // since boot, as the log's tick has always been
    return static_cast<quint32>(static_cast<quint64>(now.tv_sec) * 1000 + static_cast<quint64>(now.tv_nsec) / 1000000);
}

QString SystemTimeOfDay()
{
    // The system's time format with hours, minutes and seconds, without a zone.
    static const QString format = [] {
        QString pattern = QLocale::system().timeFormat(QLocale::LongFormat);
        pattern.remove(u't');
        return pattern.trimmed();
    }();
    // Every logged line asks; formatting the local time (which looks at the
    // zone each time) is far dearer than the log line itself, and the text
    // changes once a second (unless the format shows milliseconds).
    static const bool perSecond = !format.contains(u'z');
    thread_local qint64 shownSecond = -1;
    thread_local QString shown;
    const qint64 second = QDateTime::currentSecsSinceEpoch();
    if (!perSecond || second != shownSecond) {
        shown = QTime::currentTime().toString(format);
        shownSecond = second;
    }
    return shown;
}

} // namespace

TrafficLog::TrafficLog(QObject* parent)
    : QObject(parent)
    , tickClock(SystemTick)
    , timeOfDayClock(SystemTimeOfDay)
{
}

void TrafficLog::LogTraffic(const QByteArray& data, TrafficKind kind)
{
    if (m_DebugLogging)
        Add(TrafficLines(timeOfDayClock(), TrafficTick(tickClock()), data, kind), kind == TrafficKind::Sent);
}

void TrafficLog::LogText(const QString& text)
{
    if (m_DebugLogging)
        Add(TrafficTextLines(timeOfDayClock(), TrafficTick(tickClock()), text), false);
}

void TrafficLog::Add(const QStringList& lines, bool newBlock)
{
    QStringList added;
    if (newBlock && !m_Lines.isEmpty())
        added << QString();
    added += lines;
    if (added.isEmpty())
        return;
    m_Lines += added;
    if (m_Lines.size() > m_MaxDebugLines)
        m_Lines.remove(0, m_Lines.size() - m_MaxDebugLines);
    emit linesAdded(added);
}

void TrafficLog::SetDebugLogging(bool on)
{
    m_DebugLogging = on;
    if (!on)
        Clear(); // the next opening starts with an empty list
}

void TrafficLog::SetMaxDebugLines(qint64 lines)
{
    m_MaxDebugLines = static_cast<int>(std::clamp<qint64>(lines, 1, 1000000));
    if (m_Lines.size() > m_MaxDebugLines)
        m_Lines.remove(0, m_Lines.size() - m_MaxDebugLines);
}

void TrafficLog::Clear()
{
    m_Lines.clear();
    emit cleared();
}

void TrafficLog::CountResponse()
{
    ++m_ResponseCount;
    emit countersChanged(m_ResponseCount, m_ErrorCount);
}

void TrafficLog::CountError()
{
    ++m_ErrorCount;
    emit countersChanged(m_ResponseCount, m_ErrorCount);
}

void TrafficLog::ResetStats()
{
    m_ResponseCount = 0;
    m_ErrorCount = 0;
    emit countersChanged(m_ResponseCount, m_ErrorCount);
}
