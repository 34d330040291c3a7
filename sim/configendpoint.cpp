#include "configendpoint.h"

#include "udpendpoint.h"

#include "netsetup/configprotocol.h"

#include <QNetworkDatagram>
#include <QPointer>

namespace {

bool NeedsBroadcastSocket(const QHostAddress& address)
{
    return address.protocol() == QAbstractSocket::IPv4Protocol && address != QHostAddress(QHostAddress::AnyIPv4)
           && !address.isLoopback() && address != QHostAddress(QHostAddress::Broadcast);
}

// "00 00 00 C0+n" and a record: a write of record n (0-7).
bool IsRecordWrite(const QByteArray& datagram)
{
    if (datagram.size() <= 4 || !datagram.startsWith(QByteArray(3, '\0')))
        return false;
    const auto command = static_cast<quint8>(datagram[3]);
    return command >= config::kWriteRecord && command < config::kWriteRecord + 8;
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

void ConfigEndpoint::SetNetFaults(const NetFaults& faults, quint32 salt)
{
    m_NetFaults = faults;
    m_Shaper = std::make_unique<NetFaultShaper>(faults, salt);
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
        const QString source = QStringLiteral("config:") + HostAndPort(sender, port);
        if (IsRecordWrite(datagram.data()) && !m_Service.Restarting() && ++m_Writes == m_NetFaults.restartMidWrite) {
            // The gateway goes down with the record half taken: nothing stored, nothing answered.
            m_Service.Report(TrafficDirection::Dropped, source, datagram.data());
            m_Service.Restart();
            continue;
        }
        const std::optional<QByteArray> answer = m_Service.Answer(datagram.data(), source);
        if (!answer)
            continue;
        const auto send = [socket = QPointer<QUdpSocket>(&m_Socket), sender, port](const QByteArray& bytes) {
            if (socket)
                socket->writeDatagram(bytes, sender, port);
        };
        if (m_Shaper)
            m_Shaper->SendDatagram(*answer, send);
        else
            send(*answer);
    }
}
