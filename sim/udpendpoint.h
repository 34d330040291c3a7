#pragma once

#include "frameinput.h"
#include "netfaults.h"
#include "transparentport.h"

#include <QHostAddress>
#include <QObject>
#include <QUdpSocket>
#include <map>
#include <memory>

// The transparent port over UDP: each datagram's bytes go to the frame
// input of its sender; replies go back to that sender.
class UdpEndpoint : public QObject {
    Q_OBJECT
public:
    explicit UdpEndpoint(TransparentPort& port, QObject* parent = nullptr);

    bool Open(const QHostAddress& address, quint16 port, QString* error);
    quint16 Port() const { return m_Socket.localPort(); }
    QString Description() const;
    // Replies go out through these network faults from now on.
    void SetNetFaults(const NetFaults& faults, quint32 salt);

private:
    void ReadDatagrams();
    FrameInput& InputOf(const QHostAddress& address, quint16 port);

    TransparentPort& m_Port;
    QUdpSocket m_Socket;
    std::map<QString, std::unique_ptr<FrameInput>> m_Inputs;
    std::unique_ptr<NetFaultShaper> m_Shaper;
};

// "127.0.0.1:10001", with brackets around IPv6 addresses.
QString HostAndPort(const QHostAddress& address, quint16 port);
