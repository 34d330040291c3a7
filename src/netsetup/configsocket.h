#pragma once

#include "configprotocol.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class QUdpSocket;

// Where the configuration datagrams go: the gateways' port, and the address
// IP-SETUP is broadcast to. Tests point both at loopback.
struct ConfigTarget {
    quint16 port = config::kPort;
    QHostAddress broadcast = QHostAddress(QHostAddress::Broadcast);
};

// The UDP socket of the configuration protocol. Every datagram that arrives
// replaces the receive buffer; an error closes the socket and is told to
// errorOccurred, except a failing send, which Send reports itself.
class ConfigSocket : public QObject {
    Q_OBJECT
public:
    explicit ConfigSocket(quint16 remotePort = config::kPort, QObject* parent = nullptr);
    ~ConfigSocket() override;

    void SetRemoteHost(const QString& host);
    void SetRemoteHost(const QHostAddress& address) { m_RemoteHost = address; }
    void SetRemotePort(quint16 port) { m_RemotePort = port; }

    // Binds to the local address when it is one of ours; otherwise (empty,
    // "NO_ADAPTER", gone) the socket stays unbound and the system chooses.
    void Bind(const QString& localAddress);

    // The socket's description of a failure, or empty.
    QString Send(const QByteArray& datagram);

    QByteArray& ReceiveBuffer() { return m_ReceiveBuffer; }
    void Close();

    std::function<void(const QString& description)> errorOccurred;

private:
    QUdpSocket* Socket();
    void ReadDatagrams();
    void OnError();

    QPointer<QUdpSocket> m_Socket;
    QHostAddress m_RemoteHost;
    quint16 m_RemotePort;
    QByteArray m_ReceiveBuffer;
    bool m_Quiet = false; // a bind or send reports its own failure
};
