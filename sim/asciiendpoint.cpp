#include "asciiendpoint.h"

#include "asciiresponder.h"
#include "udpendpoint.h"

#include "ascii/asciiprotocol.h"

#include <QNetworkDatagram>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <utility>

AsciiEndpoint::AsciiEndpoint(const AsciiSettings& settings, QObject* parent) : QObject(parent), m_Settings(settings)
{
}

AsciiEndpoint::~AsciiEndpoint()
{
    // The sockets are the server's children; one closed as it goes must not
    // call back into this endpoint.
    for (const auto& entry : m_Streams)
        entry.first->disconnect(this);
    m_Streams.clear();
}

bool AsciiEndpoint::Open(const QHostAddress& address, std::optional<quint16> udpPort, std::optional<quint16> tcpPort,
                         QString* error)
{
    if (udpPort) {
        m_Udp = std::make_unique<QUdpSocket>();
        if (!m_Udp->bind(address, *udpPort)) {
            *error = QStringLiteral("ascii-udp %1: %2").arg(HostAndPort(address, *udpPort), m_Udp->errorString());
            m_Udp.reset();
            return false;
        }
        connect(m_Udp.get(), &QUdpSocket::readyRead, this, &AsciiEndpoint::ReadDatagrams);
    }
    if (tcpPort) {
        m_Tcp = std::make_unique<QTcpServer>();
        if (!m_Tcp->listen(address, *tcpPort)) {
            *error = QStringLiteral("ascii-tcp %1: %2").arg(HostAndPort(address, *tcpPort), m_Tcp->errorString());
            m_Tcp.reset();
            m_Udp.reset();
            return false;
        }
        connect(m_Tcp.get(), &QTcpServer::newConnection, this, &AsciiEndpoint::Accept);
    }
    return true;
}

quint16 AsciiEndpoint::UdpPort() const
{
    return m_Udp ? m_Udp->localPort() : 0;
}

quint16 AsciiEndpoint::TcpPort() const
{
    return m_Tcp ? m_Tcp->serverPort() : 0;
}

QStringList AsciiEndpoint::Descriptions() const
{
    QStringList lines;
    if (m_Udp)
        lines << QStringLiteral("ascii-udp ") + HostAndPort(m_Udp->localAddress(), m_Udp->localPort());
    if (m_Tcp)
        lines << QStringLiteral("ascii-tcp ") + HostAndPort(m_Tcp->serverAddress(), m_Tcp->serverPort());
    return lines;
}

void AsciiEndpoint::ReadDatagrams()
{
    while (m_Udp->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_Udp->receiveDatagram();
        if (!datagram.isValid() || datagram.data().isEmpty())
            continue;
        const QHostAddress address = datagram.senderAddress();
        const auto port = static_cast<quint16>(datagram.senderPort());
        Answer(datagram.data(), QStringLiteral("ascii-udp:") + HostAndPort(address, port),
               [this, socket = QPointer<QUdpSocket>(m_Udp.get()), address, port](const QByteArray& reply) {
                   const auto send = [socket, address, port](const QByteArray& bytes) {
                       if (socket)
                           socket->writeDatagram(bytes, address, port);
                   };
                   if (m_Shaper)
                       m_Shaper->SendDatagram(reply, send);
                   else
                       send(reply);
               });
    }
}

void AsciiEndpoint::SetNetFaults(const NetFaults& faults, quint32 salt)
{
    m_Shaper = std::make_unique<NetFaultShaper>(faults, salt);
}

void AsciiEndpoint::Accept()
{
    while (QTcpSocket* socket = m_Tcp->nextPendingConnection()) {
        Stream& stream = m_Streams[socket];
        stream.quiet = std::make_unique<QTimer>();
        stream.quiet->setSingleShot(true);
        stream.quiet->setInterval(kIncompleteAfter);
        connect(stream.quiet.get(), &QTimer::timeout, this, [this, socket] { AnswerIncomplete(socket); });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { FeedStream(socket, socket->readAll()); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_Streams.erase(socket);
            socket->deleteLater();
        });
    }
}

void AsciiEndpoint::FeedStream(QTcpSocket* socket, const QByteArray& bytes)
{
    const auto found = m_Streams.find(socket);
    if (found == m_Streams.end())
        return;
    Stream& stream = found->second;
    stream.pending += bytes;
    for (qsizetype end = stream.pending.indexOf(ascii::kEtx); end >= 0; end = stream.pending.indexOf(ascii::kEtx)) {
        const QByteArray request = stream.pending.left(end + 1);
        stream.pending.remove(0, end + 1);
        Answer(request, StreamSource(socket), StreamSink(socket));
    }
    if (stream.pending.size() > kLongestRequest)
        AnswerIncomplete(socket);
    else if (stream.pending.isEmpty())
        stream.quiet->stop();
    else
        stream.quiet->start();
}

void AsciiEndpoint::AnswerIncomplete(QTcpSocket* socket)
{
    const auto found = m_Streams.find(socket);
    if (found == m_Streams.end() || found->second.pending.isEmpty())
        return;
    found->second.quiet->stop();
    Answer(std::exchange(found->second.pending, QByteArray()), StreamSource(socket), StreamSink(socket));
}

QString AsciiEndpoint::StreamSource(const QTcpSocket* socket)
{
    return QStringLiteral("ascii-tcp:") + HostAndPort(socket->peerAddress(), socket->peerPort());
}

AsciiEndpoint::Sink AsciiEndpoint::StreamSink(QTcpSocket* socket)
{
    return [guarded = QPointer<QTcpSocket>(socket)](const QByteArray& reply) {
        if (guarded && guarded->state() == QAbstractSocket::ConnectedState)
            guarded->write(reply);
    };
}

void AsciiEndpoint::Answer(const QByteArray& request, const QString& source, const Sink& sink)
{
    emit Traffic(TrafficDirection::Received, source, request);
    const AsciiAnswer answer = AnswerAsciiRequest(m_Settings, request);
    // Never within the call that brought the request, as a real line would not.
    QTimer::singleShot(answer.delay, this, [this, source, sink, reply = answer.reply] {
        emit Traffic(TrafficDirection::Sent, source, reply);
        sink(reply);
    });
}
