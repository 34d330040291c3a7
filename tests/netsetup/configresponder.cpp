#include "configresponder.h"

#include "netsetup/configprotocol.h"
#include "netsetup/recorddefaults.h"

#include <QUdpSocket>

QByteArray SampleNetworkRecord()
{
    QByteArray record = DefaultRecordBytes(0);
    const char address[] = {'\xC0', '\xA8', '\x01', '\x14'}; // 192.168.1.20
    record.replace(0, 4, QByteArray(address, 4));
    record[6] = 16; // 255.255.0.0
    record.replace(8, 4, QByteArray("pw\0\0", 4));
    const char gateway[] = {'\xC0', '\xA8', '\x01', '\x01'};
    record.replace(12, 4, QByteArray(gateway, 4));
    record[17] = 2; // 9600 baud
    record[20] = '\x15'; // port 10005
    record[21] = '\x27';
    record[28] = '\xC0'; // TCP
    record[29] = '\x00';
    record[7] = '\x55'; // a byte the program does not interpret
    return record;
}

ConfigResponder::ConfigResponder(QObject* parent)
    : QObject(parent)
{
    for (int n = 0; n < 8; ++n)
        records[static_cast<size_t>(n)] = DefaultRecordBytes(n);
    records[0] = SampleNetworkRecord();
    m_Socket = new QUdpSocket(this);
    m_Socket->bind(QHostAddress::LocalHost, 0);
    m_Port = m_Socket->localPort();
    connect(m_Socket, &QUdpSocket::readyRead, this, [this] {
        while (m_Socket->hasPendingDatagrams()) {
            QByteArray datagram(static_cast<qsizetype>(m_Socket->pendingDatagramSize()), Qt::Uninitialized);
            QHostAddress sender;
            quint16 senderPort = 0;
            m_Socket->readDatagram(datagram.data(), datagram.size(), &sender, &senderPort);
            OnDatagram(datagram, sender, senderPort);
        }
    });
}

int ConfigResponder::ReadQueries(int recordNumber) const
{
    return static_cast<int>(requests.count(config::ReadQuery(recordNumber)));
}

int ConfigResponder::Writes(int recordNumber) const
{
    int count = 0;
    for (const QByteArray& request : requests)
        count += request.size() > 4
            && request.startsWith(config::Datagram(static_cast<quint8>(config::kWriteRecord + recordNumber)));
    return count;
}

void ConfigResponder::OnDatagram(const QByteArray& datagram, const QHostAddress& sender, quint16 senderPort)
{
    requests << datagram;
    if (datagram.size() < 4 || !datagram.startsWith(QByteArray(3, '\0')))
        return;
    const auto command = static_cast<quint8>(datagram[3]);
    const auto reply = [&](const QByteArray& bytes) { m_Socket->writeDatagram(bytes, sender, senderPort); };
    if (command == config::kIpSetup) {
        ipSetups << datagram;
        return;
    }
    if (fault == Fault::Silent || m_Gone)
        return;
    if (command >= config::kReadQuery && command < config::kReadQuery + 8 && datagram.size() == 4) {
        const int n = command - config::kReadQuery;
        QByteArray answer
            = config::Datagram(static_cast<quint8>(config::kReadReply + n), records[static_cast<size_t>(n)]);
        if (fault == Fault::ShortReply)
            answer.truncate(100);
        if (fault == Fault::WrongReadCommand)
            answer[3] = static_cast<char>(config::kReadReply + ((n + 1) % 8));
        reply(answer);
        return;
    }
    if (command >= config::kWriteRecord && command < config::kWriteRecord + 8) {
        const int n = command - config::kWriteRecord;
        if (fault == Fault::NoAck)
            return;
        records[static_cast<size_t>(n)] = datagram.mid(4);
        reply(config::WriteAcknowledgement(fault == Fault::WrongAck ? (n + 1) % 8 : n));
        // Configuration over the network switched off: the gateway comes
        // back without its configuration port.
        const bool lockedOut = n == 1 && !records[1].isEmpty() && (static_cast<quint8>(records[1][0]) & 0x10) != 0;
        m_Gone = fault == Fault::SilentAfterAck || lockedOut;
    }
}
