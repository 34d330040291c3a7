#pragma once

#include "trafficformat.h"

#include <QObject>
#include <QStringList>
#include <functional>

// The communication log: every frame sent and received and a few notes, one
// time-stamped line per 16 bytes, kept while someone watches (the log window
// is open, or the command-line tool traces). The answered and failed
// counters run for the whole session.
class TrafficLog : public QObject {
    Q_OBJECT
public:
    explicit TrafficLog(QObject* parent = nullptr);

    // Clocks, replaceable for tests.
    std::function<quint32()> tickClock;     // milliseconds since the system started
    std::function<QString()> timeOfDayClock; // the time of day as a clock shows it

    void LogTraffic(const QByteArray& data, TrafficKind kind);
    // A note (a timeout, a port or socket error), kept as it is written.
    void LogText(const QString& text);

    bool DebugLogging() const { return m_DebugLogging; }
    void SetDebugLogging(bool on);

    int MaxDebugLines() const { return m_MaxDebugLines; }
    void SetMaxDebugLines(qint64 lines); // below 1 becomes 1

    const QStringList& Lines() const { return m_Lines; }
    void Clear();

    int ResponseCount() const { return m_ResponseCount; }
    int ErrorCount() const { return m_ErrorCount; }
    void CountResponse();
    void CountError();
    void ResetStats();

    bool SearchTrace() const { return m_SearchTrace; }
    void SetSearchTrace(bool on)
    {
        if (on == m_SearchTrace)
            return;
        m_SearchTrace = on;
        emit searchTraceChanged(on);
    }

signals:
    // New lines at the end; a view appends them and keeps only the last
    // MaxDebugLines, as the log does.
    void linesAdded(const QStringList& lines);
    void cleared();
    void countersChanged(int responses, int errors);
    void searchTraceChanged(bool on);

private:
    void Add(const QStringList& lines, bool newBlock);

    bool m_DebugLogging = false;
    int m_MaxDebugLines = 500;
    QStringList m_Lines;
    int m_ResponseCount = 0;
    int m_ErrorCount = 0;
    bool m_SearchTrace = false;
};
