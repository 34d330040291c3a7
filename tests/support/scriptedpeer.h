#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <chrono>

class QTcpServer;
class QTcpSocket;
class QUdpSocket;

// A peer on loopback that answers each request with exact byte chunks, a
// pause before each, so a test decides what the "gateway" sends back and how
// it is split. It records what it received and when.
class ScriptedPeer : public QObject {
    Q_OBJECT
public:
    struct Chunk {
        QByteArray bytes;
        std::chrono::milliseconds delay{0}; // before this chunk
    };
    enum class Transport { Udp, Tcp };

    explicit ScriptedPeer(Transport transport, QObject* parent = nullptr);
    ~ScriptedPeer() override;

    quint16 Port() const { return m_Port; }

    // The chunks sent after the next request (then nothing more).
    void AnswerNext(QList<Chunk> chunks) { m_Script = std::move(chunks); }
    // Drop the TCP connection after the script has run (a reset mid-reply).
    void ResetAfterScript(bool reset) { m_Reset = reset; }

    const QList<QByteArray>& Requests() const { return m_Requests; }
    const QList<qint64>& RequestTimesMs() const { return m_RequestTimes; }

private:
    void OnRequest(const QByteArray& request);
    void Reply(const QByteArray& bytes);

    Transport m_Transport;
    quint16 m_Port = 0;
    QUdpSocket* m_Udp = nullptr;
    QTcpServer* m_Server = nullptr;
    QPointer<QTcpSocket> m_Client;
    QHostAddress m_LastSender;
    quint16 m_LastSenderPort = 0;
    QList<Chunk> m_Script;
    bool m_Reset = false;
    QList<QByteArray> m_Requests;
    QList<qint64> m_RequestTimes;
};
