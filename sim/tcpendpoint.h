#pragma once

#include "frameinput.h"
#include "netfaults.h"
#include "transparentport.h"

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <map>
#include <memory>

class QTcpSocket;

// The transparent port over TCP: every connection is a byte stream of its
// own; replies go back on the connection that asked.
class TcpEndpoint : public QObject {
    Q_OBJECT
public:
    explicit TcpEndpoint(TransparentPort& port, QObject* parent = nullptr);
    ~TcpEndpoint() override;

    bool Open(const QHostAddress& address, quint16 port, QString* error);
    quint16 Port() const { return m_Server.serverPort(); }
    QString Description() const;
    // Replies go out through these network faults from now on.
    void SetNetFaults(const NetFaults& faults, quint32 salt);

private:
    void Accept();

    TransparentPort& m_Port;
    QTcpServer m_Server;
    std::map<QTcpSocket*, std::unique_ptr<FrameInput>> m_Inputs;
    NetFaults m_NetFaults;
    int m_Replies = 0; // on every connection, for the reset fault
    std::unique_ptr<NetFaultShaper> m_Shaper;
};
