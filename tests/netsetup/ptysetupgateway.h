#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <array>

class QSocketNotifier;

// A gateway's serial setup mode on a pseudo-terminal: answers "zzz" with its
// prompt, "G n" with the record as ':' lines, takes "S n" and the client's
// ':' lines up to the end record. "RS" and "QU" end the setup mode: every
// command after them is noted but goes unanswered until the next "zzz". A
// test opens SlavePath() like a serial device.
class PtySetupGateway : public QObject {
    Q_OBJECT
public:
    explicit PtySetupGateway(QObject* parent = nullptr);
    ~PtySetupGateway() override;

    bool Open();
    const QString& SlavePath() const { return m_SlavePath; }

    std::array<QByteArray, 8> records;
    // The prompt comes only after this many calls (0: at the first).
    int promptAfterCalls = 0;
    bool answerPrompt = true;
    // What the gateway answers to the end record.
    QByteArray endOfRecordAnswer = QByteArrayLiteral("0>");
    // Whether it takes commands: from the start, as a gateway a test finds
    // already in setup mode, and again after the next "zzz".
    bool inSetupMode = true;
    // A record number whose lines are refused with "9>" (-1: none).
    int refusedRecord = -1;

    int wakeUps = 0;
    QStringList commands; // every line but the record lines, in order
    QStringList setLines; // the ':' lines of the last "S n"
    int badLines = 0; // record lines whose check failed

private:
    void Read();
    void Write(const QByteArray& bytes);
    void OnLine(const QString& line);
    void EndOfRecord();

    int m_Master = -1;
    int m_Slave = -1;
    QString m_SlavePath;
    QSocketNotifier* m_Notifier = nullptr;
    QByteArray m_Input;
    int m_Receiving = -1; // the record number of a running "S n"
    QByteArray m_Received;
};
