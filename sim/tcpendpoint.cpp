#include "tcpendpoint.h"

#include "udpendpoint.h"

#include <QPointer>
#include <QTcpSocket>
#include <sys/socket.h>

namespace {

// Sends the first half of the reply, then resets the connection (RST, not
// FIN), as a gateway that fails in the middle of its answer would.
void ResetMidReply(QTcpSocket& socket, const QByteArray& reply)
{
    socket.write(reply.left(reply.size() / 2));
    socket.flush();
    // Later, from the event loop: the reset closes the connection, which
    // ends the frame input whose reply this is.
    QMetaObject::invokeMethod(&socket, [guarded = QPointer<QTcpSocket>(&socket)] {
        if (!guarded)
            return;
        const linger reset{1, 0};
        ::setsockopt(static_cast<int>(guarded->socketDescriptor()), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
        guarded->abort();
    }, Qt::QueuedConnection);
}

} // namespace

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

void TcpEndpoint::SetNetFaults(const NetFaults& faults, quint32 salt)
{
    m_NetFaults = faults;
    m_Shaper = std::make_unique<NetFaultShaper>(faults, salt);
}

QString TcpEndpoint::Description() const
{
    return QStringLiteral("tcp ") + HostAndPort(m_Server.serverAddress(), m_Server.serverPort());
}

void TcpEndpoint::Accept()
{
    while (QTcpSocket* socket = m_Server.nextPendingConnection()) {
        auto sink = [this, guarded = QPointer<QTcpSocket>(socket)](const QByteArray& bytes) {
            const auto send = [guarded](const QByteArray& chunk) {
                if (guarded && guarded->state() == QAbstractSocket::ConnectedState)
                    guarded->write(chunk);
            };
            if (++m_Replies == m_NetFaults.resetReply && guarded)
                ResetMidReply(*guarded, bytes);
            else if (m_Shaper)
                m_Shaper->SendStreamChunk(bytes, send);
            else
                send(bytes);
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
