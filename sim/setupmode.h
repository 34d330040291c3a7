#pragma once

#include "configservice.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

// The serial setup mode on the gateway's serial line. The line carries
// M-Bus frames until "zzz" CR arrives; then it answers the prompt and takes
// commands, each ending in CR:
//   zzz       the prompt "0>"
//   G n       record n as ':' lines (CR LF after each), then "0>"
//   S n       takes ':' lines up to ":00000001FF" (no CR needed), stores
//             the record and answers exactly "0>"; "9>" when a line is bad
//   RS        restarts the gateway; back to M-Bus frames afterwards
//   QU        back to M-Bus frames
// Anything else, or a record number outside 0-7, gets "9>". Every answer
// goes out after the prompt delay, never within the call that brought the
// command.
class SetupMode : public QObject {
    Q_OBJECT
public:
    using Sink = std::function<void(const QByteArray&)>;

    SetupMode(ConfigService& service, QString source, Sink sink, QObject* parent = nullptr);

    // Bytes from the line; returns those that belong to the transparent port.
    QByteArray Feed(const QByteArray& bytes);
    bool Active() const { return m_State != State::Transparent; }

private:
    enum class State { Transparent, Commands, RecordLines };

    qsizetype FindWakeUp(const QByteArray& bytes);
    QByteArray TakeCommands(const QByteArray& bytes);
    void HandleLine(const QByteArray& line);
    void FinishRecord();
    void Answer(const QByteArray& text);
    void Reset();

    ConfigService& m_Service;
    QString m_Source;
    Sink m_Sink;
    State m_State = State::Transparent;
    QByteArray m_Tail;  // the last bytes of the M-Bus stream, for a wake-up split over chunks
    QByteArray m_Line;  // the command or record line being received
    QStringList m_Lines; // record lines after "S n"
    int m_RecordNumber = 0;
    quint64 m_Generation = 0; // counts restarts; answers due from before one are dropped
};
