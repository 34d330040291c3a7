#include "udpendpoint.h"

#include <QNetworkDatagram>
#include <QPointer>

namespace {

// Clients come and go (each test run picks new ports); forget them all
// rather than grow without bound.
constexpr std::size_t kMaxPeers = 256;

} // namespace

QString HostAndPort(const QHostAddress& address, quint16 port)
{
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QLatin1Char('[') + address.toString() + QLatin1Char(']')
                             : address.toString();
    return host + QLatin1Char(':') + QString::number(port);
}

UdpEndpoint::UdpEndpoint(TransparentPort& port, QObject* parent) : QObject(parent), m_Port(port)
{
    connect(&m_Socket, &QUdpSocket::readyRead, this, &UdpEndpoint::ReadDatagrams);
}

bool UdpEndpoint::Open(const QHostAddress& address, quint16 port, QString* error)
{
    if (m_Socket.bind(address, port))
        return true;
    *error = QStringLiteral("udp %1: %2").arg(HostAndPort(address, port), m_Socket.errorString());
    return false;
}

void UdpEndpoint::SetNetFaults(const NetFaults& faults, quint32 salt)
{
    m_Shaper = std::make_unique<NetFaultShaper>(faults, salt);
}

QString UdpEndpoint::Description() const
{
    return QStringLiteral("udp ") + HostAndPort(m_Socket.localAddress(), m_Socket.localPort());
}

void UdpEndpoint::ReadDatagrams()
{
    while (m_Socket.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_Socket.receiveDatagram();
        if (!datagram.isValid())
            continue;
        InputOf(datagram.senderAddress(), static_cast<quint16>(datagram.senderPort())).Feed(datagram.data());
    }
}

FrameInput& UdpEndpoint::InputOf(const QHostAddress& address, quint16 port)
{
    const QString peer = HostAndPort(address, port);
    auto found = m_Inputs.find(peer);
    if (found != m_Inputs.end())
        return *found->second;
    if (m_Inputs.size() >= kMaxPeers)
        m_Inputs.clear();
    auto sink = [this, socket = QPointer<QUdpSocket>(&m_Socket), address, port](const QByteArray& bytes) {
        const auto send = [socket, address, port](const QByteArray& datagram) {
            if (socket)
                socket->writeDatagram(datagram, address, port);
        };
        if (m_Shaper)
            m_Shaper->SendDatagram(bytes, send);
        else
            send(bytes);
    };
    auto input = std::make_unique<FrameInput>(m_Port, QStringLiteral("udp:") + peer, sink);
    return *m_Inputs.emplace(peer, std::move(input)).first->second;
}
