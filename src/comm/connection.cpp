#include "connection.h"

#include "deviceoperations.h"
#include "hexrecord.h"
#include "loopbackguard.h"
#include "serialportname.h"
#include "base/trafficlog.h"

#include <QHostInfo>
#include <QSerialPort>
#include <QTcpSocket>
#include <QUdpSocket>
#include <sys/socket.h>

#include <algorithm>

using namespace std::chrono_literals;

namespace {

QSerialPort::Parity ParityOf(QChar letter)
{
    switch (letter.toUpper().unicode()) {
    case u'O':
        return QSerialPort::OddParity;
    case u'E':
        return QSerialPort::EvenParity;
    case u'M':
        return QSerialPort::MarkParity;
    case u'S':
        return QSerialPort::SpaceParity;
    default:
        return QSerialPort::NoParity;
    }
}

QHostAddress ResolveHost(const QString& host)
{
    QHostAddress address;
    if (address.setAddress(host.trimmed()))
        return address;
    const QHostInfo info = QHostInfo::fromName(host.trimmed());
    for (const QHostAddress& candidate : info.addresses()) {
        if (candidate.protocol() == QAbstractSocket::IPv4Protocol)
            return candidate;
    }
    return info.addresses().isEmpty() ? QHostAddress() : info.addresses().front();
}

} // namespace

Connection::Connection(const IniFile& ini, TrafficLog& log, DeviceOperations& operations, QObject* parent)
    : QObject(parent)
    , m_Ini(ini)
    , m_Log(log)
    , m_Operations(operations)
{
}

Connection::~Connection()
{
    CloseConnection();
}

bool Connection::OpenConnection(const ConnectionRequest& request, std::chrono::milliseconds openTimeout)
{
    if (m_ConnectionOpen)
        return true;
    const DeviceOperationScope operation(m_Operations);
    if (!operation)
        return false;
    m_LastSocketError.clear();
    m_Request = request;
    if (request.serial) {
        m_ConnectionMode = ConnectionMode::Serial;
        m_ConnectionOpen = request.serialDevice.isEmpty() ? OpenSerialPort(request.portIndex, request.lineSettings)
                                                          : OpenSerialDevice(request.serialDevice, request.lineSettings);
        return m_ConnectionOpen;
    }
    DropSocket();
    if (const QString refusal = RefusedDestination(request.host); !refusal.isEmpty()) {
        m_LastSocketError = refusal;
        return false;
    }
    if (request.udp) {
        m_ConnectionMode = ConnectionMode::Udp;
        m_ConnectionOpen = OpenUdp(request);
    } else {
        m_ConnectionMode = ConnectionMode::Tcp;
        m_ConnectionOpen = OpenTcp(request, openTimeout);
    }
    return m_ConnectionOpen;
}

bool Connection::OpenUdp(const ConnectionRequest& request)
{
    m_PeerAddress = ResolveHost(request.host);
    m_PeerPort = request.port;
    if (m_PeerAddress.isNull() || m_PeerPort == 0) {
        m_LastSocketError = tr("No valid gateway address or port");
        return false;
    }
    auto* socket = new QUdpSocket(this);
    m_Udp = socket;
    // Datagrams need no exchange to be "open"; bind now so replies have
    // somewhere to arrive.
    if (!socket->bind(m_PeerAddress.protocol() == QAbstractSocket::IPv6Protocol ? QHostAddress(QHostAddress::AnyIPv6)
                                                                                : QHostAddress(QHostAddress::AnyIPv4),
                      0)) {
        m_LastSocketError = socket->errorString();
        DropSocket();
        return false;
    }
    connect(socket, &QUdpSocket::readyRead, this, [this, socket] {
        while (socket->hasPendingDatagrams()) {
            QHostAddress sender;
            const qint64 size = socket->pendingDatagramSize();
            QByteArray datagram(static_cast<qsizetype>(std::max<qint64>(size, 0)), Qt::Uninitialized);
            const qint64 read = socket->readDatagram(datagram.data(), datagram.size(), &sender);
            if (read < 0)
                break;
            datagram.resize(read);
            if (sender.isEqual(m_PeerAddress, QHostAddress::TolerantConversion))
                OnSocketData(datagram);
        }
    });
    return true;
}

bool Connection::OpenTcp(const ConnectionRequest& request, std::chrono::milliseconds openTimeout)
{
    if (request.host.trimmed().isEmpty() || request.port == 0) {
        m_LastSocketError = tr("No valid gateway address or port");
        return false;
    }
    auto* socket = new QTcpSocket(this);
    m_Tcp = socket;
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { OnSocketData(socket->readAll()); });
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket] { OnSocketError(socket->errorString()); });
    connect(socket, &QTcpSocket::disconnected, this, [this] {
        m_ConnectionOpen = false;
        emit closed();
        emit bytesArrived(); // a waiting reply will not come now
    });
    socket->connectToHost(request.host.trimmed(), request.port);
    m_Operations.WaitUntil(
        [this] {
            return !m_Tcp || m_Tcp->state() == QAbstractSocket::ConnectedState || !m_LastSocketError.isEmpty();
        },
        openTimeout);
    const bool connected = m_Tcp && m_Tcp->state() == QAbstractSocket::ConnectedState;
    if (!connected)
        DropSocket();
    else // a request is small and waits for its answer: nothing to gain by holding it back
        m_Tcp->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    return connected;
}

void Connection::CloseConnection()
{
    switch (m_ConnectionMode) {
    case ConnectionMode::Serial:
        CloseSerialPort();
        break;
    case ConnectionMode::Tcp:
    case ConnectionMode::Udp:
        DropSocket();
        break;
    case ConnectionMode::None:
        break;
    }
    m_ConnectionOpen = false;
}

void Connection::DropSocket()
{
    if (m_Tcp) {
        m_Tcp->disconnect(this);
        m_Tcp->abort();
        m_Tcp->deleteLater();
        m_Tcp = nullptr;
    }
    if (m_Udp) {
        m_Udp->disconnect(this);
        m_Udp->close();
        m_Udp->deleteLater();
        m_Udp = nullptr;
    }
}

bool Connection::OpenSerialPort(int portIndex, const QString& lineSettings)
{
    return OpenSerialDevice(SerialDeviceForPort(portIndex, m_Ini), lineSettings);
}

bool Connection::OpenSerialDevice(const QString& device, const QString& lineSettings)
{
    CloseSerialPort();
    if (device.isEmpty())
        return false;
    auto* port = new QSerialPort(this);
    port->setPortName(device);
    if (!port->open(QIODevice::ReadWrite)) {
        port->deleteLater();
        return false;
    }
    m_Serial = port;
    const LineSettings line = ParseLineSettings(lineSettings);
    port->setFlowControl(QSerialPort::NoFlowControl);
    port->setBaudRate(line.baud);
    port->setParity(ParityOf(line.parity));
    port->setDataBits(static_cast<QSerialPort::DataBits>(line.dataBits));
    port->setStopBits(line.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    port->clearError(); // a refused setting is not a reason to give up the port
    connect(port, &QSerialPort::readyRead, this, [this, port] { OnSerialReceive(port->readAll()); });
    connect(port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) { OnSerialError(error); });
    return true;
}

void Connection::CloseSerialPort()
{
    if (m_Serial) {
        m_Serial->disconnect(this);
        m_Serial->close();
        m_Serial->deleteLater();
        m_Serial = nullptr;
    }
}

bool Connection::SerialPortOpen() const
{
    return m_Serial && m_Serial->isOpen();
}

QString Connection::Send(const QByteArray& bytes)
{
    switch (m_ConnectionMode) {
    case ConnectionMode::Udp:
        if (m_Udp && m_Udp->writeDatagram(bytes, m_PeerAddress, m_PeerPort) != bytes.size())
            return m_Udp->errorString();
        return QString();
    case ConnectionMode::Tcp: {
        if (!m_Tcp || m_Tcp->state() != QAbstractSocket::ConnectedState)
            return tr("The connection to the gateway is closed");
        // Straight into the socket while nothing waits in the socket's own
        // buffer: its write switches the write notifier on and off again,
        // which wakes the event loop twice for nothing on every request.
        // What the kernel does not take (or a failure, which the socket
        // then reports in its own words) goes the socket's way.
        qsizetype sent = 0;
        if (m_Tcp->bytesToWrite() == 0)
            sent = std::max<qsizetype>(::send(static_cast<int>(m_Tcp->socketDescriptor()), bytes.constData(),
                                              static_cast<size_t>(bytes.size()), MSG_NOSIGNAL | MSG_DONTWAIT),
                                       0);
        if (sent == bytes.size())
            return QString();
        const QByteArray rest = bytes.mid(sent);
        if (m_Tcp->write(rest) != rest.size())
            return m_Tcp->errorString();
        m_Tcp->flush();
        return QString();
    }
    case ConnectionMode::Serial:
        WriteSerialBytes(bytes);
        return QString();
    case ConnectionMode::None:
        break;
    }
    return QString();
}

void Connection::WriteSerialBytes(const QByteArray& bytes)
{
    if (!SerialPortOpen() || bytes.isEmpty())
        return;
    m_SerialLineBuffer.clear();
    m_Serial->write(bytes);
    m_Serial->flush();
}

void Connection::ClearReceiveBuffers()
{
    m_ReceiveBuffer.clear();
    m_SerialReceiveBuffer.clear();
}

void Connection::OnSocketData(const QByteArray& data)
{
    m_ReceiveBuffer.append(data);
    if (m_ReceiveBuffer.size() > kSocketBufferLimit)
        m_ReceiveBuffer.remove(0, m_ReceiveBuffer.size() - kSocketBufferLimit);
    emit bytesArrived();
}

void Connection::OnSocketError(const QString& description)
{
    m_LastSocketError = description;
    m_ConnectionOpen = false;
    DropSocket();
    emit closed();
    emit bytesArrived();
}

void Connection::OnSerialReceive(const QByteArray& chunk)
{
    if (chunk.isEmpty())
        return;
    m_SerialLineBuffer += QString::fromLatin1(chunk);
    m_SerialLineBuffer.remove(u'\r');
    for (qsizetype end = m_SerialLineBuffer.indexOf(u'\n'); end >= 0; end = m_SerialLineBuffer.indexOf(u'\n')) {
        ParseHexRecordLine(m_SerialLineBuffer.left(end), m_ReceiveBuffer);
        m_SerialLineBuffer.remove(0, end + 1);
    }
    m_SerialReceiveBuffer.append(chunk);
    emit bytesArrived();
}

void Connection::OnSerialError(int error)
{
    const auto serialError = static_cast<QSerialPort::SerialPortError>(error);
    if (serialError == QSerialPort::NoError || serialError == QSerialPort::TimeoutError)
        return;
    const QString description = m_Serial ? m_Serial->errorString() : QString();
    if (serialError != QSerialPort::ResourceError && serialError != QSerialPort::ReadError) {
        m_Log.LogText(QStringLiteral("Serial port error: ") + description);
        if (m_Serial)
            m_Serial->clearError();
        return;
    }
    // The device went away (unplugged, or the other end of a pseudo-terminal
    // closed): reading fails for good, so give the port up at once rather
    // than fail on every notification.
    m_Log.LogText(QStringLiteral("Serial port lost: ") + description);
    CloseSerialPort();
    if (m_ConnectionMode == ConnectionMode::Serial)
        m_ConnectionOpen = false;
    emit closed();
    emit bytesArrived();
}
