#include "configsocket.h"

#include "comm/loopbackguard.h"

#include <QHostInfo>
#include <QUdpSocket>

ConfigSocket::ConfigSocket(quint16 remotePort, QObject* parent)
    : QObject(parent)
    , m_RemotePort(remotePort)
{
}

ConfigSocket::~ConfigSocket()
{
    Close();
}

void ConfigSocket::SetRemoteHost(const QString& host)
{
    QHostAddress address;
    if (!address.setAddress(host.trimmed())) {
        // a name rather than a dotted address: its first IPv4 address
        address.clear();
        for (const QHostAddress& candidate : QHostInfo::fromName(host.trimmed()).addresses()) {
            if (candidate.protocol() == QAbstractSocket::IPv4Protocol) {
                address = candidate;
                break;
            }
        }
    }
    m_RemoteHost = address;
}

QUdpSocket* ConfigSocket::Socket()
{
    if (!m_Socket) {
        auto* socket = new QUdpSocket(this);
        m_Socket = socket;
        connect(socket, &QUdpSocket::readyRead, this, &ConfigSocket::ReadDatagrams);
        connect(socket, &QUdpSocket::errorOccurred, this, &ConfigSocket::OnError);
    }
    return m_Socket;
}

void ConfigSocket::Bind(const QString& localAddress)
{
    QHostAddress address;
    if (!address.setAddress(localAddress.trimmed()) || address.protocol() != QAbstractSocket::IPv4Protocol)
        return;
    Close();
    m_Quiet = true;
    const bool bound = Socket()->bind(address, 0);
    m_Quiet = false;
    if (!bound)
        Close(); // a fresh socket, unbound, for the system to bind when sending
}

QString ConfigSocket::Send(const QByteArray& datagram)
{
    if (m_RemoteHost.isNull())
        return tr("Host not found");
    if (const QString refusal = RefusedDestination(m_RemoteHost); !refusal.isEmpty())
        return refusal;
    QUdpSocket* socket = Socket();
    m_Quiet = true;
    if (socket->state() == QAbstractSocket::UnconnectedState)
        socket->bind(QHostAddress(QHostAddress::AnyIPv4), 0);
    const qint64 sent = socket->writeDatagram(datagram, m_RemoteHost, m_RemotePort);
    m_Quiet = false;
    if (sent == datagram.size())
        return QString();
    const QString description = socket->errorString();
    return description.isEmpty() ? tr("The datagram was not sent") : description;
}

void ConfigSocket::ReadDatagrams()
{
    if (!m_Socket)
        return;
    while (m_Socket->hasPendingDatagrams()) {
        const qint64 size = m_Socket->pendingDatagramSize();
        QByteArray datagram(static_cast<qsizetype>(std::max<qint64>(size, 0)), Qt::Uninitialized);
        const qint64 read = m_Socket->readDatagram(datagram.data(), datagram.size());
        if (read < 0)
            break;
        datagram.resize(read);
        m_ReceiveBuffer = datagram;
    }
}

void ConfigSocket::OnError()
{
    if (m_Quiet || !m_Socket)
        return;
    const QString description = m_Socket->errorString();
    Close();
    if (errorOccurred)
        errorOccurred(description);
}

void ConfigSocket::Close()
{
    if (!m_Socket)
        return;
    m_Socket->disconnect(this);
    m_Socket->close();
    m_Socket->deleteLater();
    m_Socket = nullptr;
}
