#include "scriptedpeer.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

namespace {
qint64 NowMs()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock.elapsed();
}
} // namespace

ScriptedPeer::ScriptedPeer(Transport transport, QObject* parent)
    : QObject(parent)
    , m_Transport(transport)
{
    if (transport == Transport::Udp) {
        m_Udp = new QUdpSocket(this);
        m_Udp->bind(QHostAddress::LocalHost, 0);
        m_Port = m_Udp->localPort();
        connect(m_Udp, &QUdpSocket::readyRead, this, [this] {
            while (m_Udp->hasPendingDatagrams()) {
                QByteArray datagram(static_cast<qsizetype>(m_Udp->pendingDatagramSize()), Qt::Uninitialized);
                m_Udp->readDatagram(datagram.data(), datagram.size(), &m_LastSender, &m_LastSenderPort);
                OnRequest(datagram);
            }
        });
        return;
    }
    m_Server = new QTcpServer(this);
    m_Server->listen(QHostAddress::LocalHost, 0);
    m_Port = m_Server->serverPort();
    connect(m_Server, &QTcpServer::newConnection, this, [this] {
        QTcpSocket* client = m_Server->nextPendingConnection();
        m_Client = client;
        connect(client, &QTcpSocket::readyRead, this, [this, client] { OnRequest(client->readAll()); });
    });
}

ScriptedPeer::~ScriptedPeer() = default;

void ScriptedPeer::OnRequest(const QByteArray& request)
{
    m_Requests << request;
    m_RequestTimes << NowMs();
    const QList<Chunk> script = std::exchange(m_Script, {});
    std::chrono::milliseconds at{0};
    for (const Chunk& chunk : script) {
        at += chunk.delay;
        QTimer::singleShot(at, this, [this, bytes = chunk.bytes] { Reply(bytes); });
    }
    if (m_Reset && m_Transport == Transport::Tcp) {
        QTimer::singleShot(at + std::chrono::milliseconds(5), this, [this] {
            if (m_Client)
                m_Client->abort();
        });
    }
}

void ScriptedPeer::Reply(const QByteArray& bytes)
{
    if (m_Transport == Transport::Udp)
        m_Udp->writeDatagram(bytes, m_LastSender, m_LastSenderPort);
    else if (m_Client)
        m_Client->write(bytes);
}
