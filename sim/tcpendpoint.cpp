#include "tcpendpoint.h"

#include "udpendpoint.h"

#include <QPointer>
#include <QTcpSocket>

TcpEndpoint::TcpEndpoint(TransparentPort& port, QObject* parent) : QObject(parent), m_Port(port)
{
    connect(&m_Server, &QTcpServer::newConnection, this, &TcpEndpoint::Accept);
}

TcpEndpoint::~TcpEndpoint()
{
    // The sockets are the server's children and die with it, after our own
    // members; a socket closed then must not call back into this endpoint.
    for (const auto& entry : m_Inputs)
        entry.first->disconnect(this);
    m_Inputs.clear();
}

bool TcpEndpoint::Open(const QHostAddress& address, quint16 port, QString* error)
{
    if (m_Server.listen(address, port))
        return true;
    *error = QStringLiteral("tcp %1: %2").arg(HostAndPort(address, port), m_Server.errorString());
    return false;
}

QString TcpEndpoint::Description() const
{
    return QStringLiteral("tcp ") + HostAndPort(m_Server.serverAddress(), m_Server.serverPort());
}

void TcpEndpoint::Accept()
{
    while (QTcpSocket* socket = m_Server.nextPendingConnection()) {
        auto sink = [guarded = QPointer<QTcpSocket>(socket)](const QByteArray& bytes) {
            if (guarded && guarded->state() == QAbstractSocket::ConnectedState)
                guarded->write(bytes);
        };
        const QString source = QStringLiteral("tcp:") + HostAndPort(socket->peerAddress(), socket->peerPort());
        m_Inputs[socket] = std::make_unique<FrameInput>(m_Port, source, sink);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            const auto found = m_Inputs.find(socket);
            if (found != m_Inputs.end())
                found->second->Feed(socket->readAll());
        });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_Inputs.erase(socket);
            socket->deleteLater();
        });
    }
}
