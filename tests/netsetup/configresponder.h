#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <array>

class QUdpSocket;

// A gateway's configuration port on loopback: answers record reads, takes
// record writes with an acknowledgement, notes IP-SETUP datagrams, and can
// misbehave in the ways a test asks for. Like a gateway, it no longer
// answers once its security record switches configuration off.
class ConfigResponder : public QObject {
    Q_OBJECT
public:
    enum class Fault {
        None,
        Silent, // answers nothing
        ShortReply, // a read reply cut short
        WrongReadCommand, // a read reply for another record number
        WrongAck, // a write acknowledged with another command byte
        NoAck, // a write not acknowledged
        SilentAfterAck, // acknowledges a write, then never answers again
    };

    explicit ConfigResponder(QObject* parent = nullptr);

    quint16 Port() const { return m_Port; }

    // The records it holds: the factory contents, record 0 with an address,
    // a mask, a gateway, TCP on port 10005 at 9600 baud and a password.
    std::array<QByteArray, 8> records;
    Fault fault = Fault::None;

    QList<QByteArray> requests; // every datagram, in order
    QList<QByteArray> ipSetups; // the IP-SETUP datagrams
    int ReadQueries(int recordNumber) const;
    int Writes(int recordNumber) const;

private:
    void OnDatagram(const QByteArray& datagram, const QHostAddress& sender, quint16 senderPort);

    QUdpSocket* m_Socket = nullptr;
    quint16 m_Port = 0;
    bool m_Gone = false;
};

// Record 0 as the responder starts with it.
QByteArray SampleNetworkRecord();
