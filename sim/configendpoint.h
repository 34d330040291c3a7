#pragma once

#include "configservice.h"
#include "netfaults.h"

#include <QHostAddress>
#include <QObject>
#include <QUdpSocket>
#include <memory>

// The configuration port over UDP. Answers go to the sender from the socket
// bound to the listen address. Bound to one IPv4 address of an interface,
// that socket would miss the discovery and IP-SETUP broadcasts to
// 255.255.255.255, so a second socket on the broadcast address takes them
// (shared, so several gateways in one network namespace all hear them).
class ConfigEndpoint : public QObject {
    Q_OBJECT
public:
    explicit ConfigEndpoint(ConfigService& service, QObject* parent = nullptr);

    bool Open(const QHostAddress& address, quint16 port, QString* error);
    quint16 Port() const { return m_Socket.localPort(); }
    // "config 127.0.0.1:30718"
    QString Description() const;
    // Answers go out through these network faults from now on.
    void SetNetFaults(const NetFaults& faults, quint32 salt);

private:
    void ReadDatagrams(QUdpSocket& socket);

    ConfigService& m_Service;
    QUdpSocket m_Socket;
    std::unique_ptr<QUdpSocket> m_Broadcast;
    NetFaults m_NetFaults;
    std::unique_ptr<NetFaultShaper> m_Shaper;
    int m_Writes = 0;
};
