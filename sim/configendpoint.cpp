#include "configendpoint.h"

#include "udpendpoint.h"

#include <QNetworkDatagram>

namespace {

bool NeedsBroadcastSocket(const QHostAddress& address)
{
    return address.protocol() == QAbstractSocket::IPv4Protocol && address != QHostAddress(QHostAddress::AnyIPv4)
           && !address.isLoopback() && address != QHostAddress(QHostAddress::Broadcast);
}

} // namespace

ConfigEndpoint::ConfigEndpoint(ConfigService& service, QObject* parent) : QObject(parent), m_Service(service)
{
    connect(&m_Socket, &QUdpSocket::readyRead, this, [this] { ReadDatagrams(m_Socket); });
}

bool ConfigEndpoint::Open(const QHostAddress& address, quint16 port, QString* error)
{
    if (!m_Socket.bind(address, port)) {
        *error = QStringLiteral("config %1: %2").arg(HostAndPort(address, port), m_Socket.errorString());
        return false;
    }
    if (!NeedsBroadcastSocket(address))
        return true;
    m_Broadcast = std::make_unique<QUdpSocket>();
    const QHostAddress broadcast(QHostAddress::Broadcast);
    if (!m_Broadcast->bind(broadcast, m_Socket.localPort(), QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)) {
        *error = QStringLiteral("config %1: %2").arg(HostAndPort(broadcast, m_Socket.localPort()),
                                                    m_Broadcast->errorString());
        m_Broadcast.reset();
        m_Socket.close();
        return false;
    }
    connect(m_Broadcast.get(), &QUdpSocket::readyRead, this, [this] { ReadDatagrams(*m_Broadcast); });
    return true;
}

QString ConfigEndpoint::Description() const
{
    return QStringLiteral("config ") + HostAndPort(m_Socket.localAddress(), m_Socket.localPort());
}

void ConfigEndpoint::ReadDatagrams(QUdpSocket& socket)
{
    while (socket.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket.receiveDatagram();
        if (!datagram.isValid())
            continue;
        const QHostAddress sender = datagram.senderAddress();
        const auto port = static_cast<quint16>(datagram.senderPort());
        const std::optional<QByteArray> answer
            = m_Service.Answer(datagram.data(), QStringLiteral("config:") + HostAndPort(sender, port));
        if (answer)
            m_Socket.writeDatagram(*answer, sender, port);
    }
}
