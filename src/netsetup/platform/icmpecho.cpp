#include "icmpecho.h"

#include "comm/deviceoperations.h"

#include <QRandomGenerator>
#include <QSocketNotifier>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kHopLimit = 4;
const QByteArray kPayload = QByteArrayLiteral("Ostrand reachability test......."); // 32 bytes

struct EchoSocket {
    int fd = -1;
    bool raw = false;
    int error = 0; // errno of the last failed attempt

    EchoSocket()
    {
        fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
        if (fd >= 0)
            return;
        error = errno;
        fd = ::socket(AF_INET, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
        if (fd >= 0)
            raw = true;
        else
            error = errno;
    }
    ~EchoSocket()
    {
        if (fd >= 0)
            ::close(fd);
    }
    EchoSocket(const EchoSocket&) = delete;
    EchoSocket& operator=(const EchoSocket&) = delete;
};

quint16 Word(const QByteArray& bytes, int offset)
{
    return static_cast<quint16>((static_cast<quint8>(bytes[offset]) << 8) | static_cast<quint8>(bytes[offset + 1]));
}

} // namespace

namespace icmp {

quint16 Checksum(const QByteArray& bytes)
{
    quint32 sum = 0;
    qsizetype i = 0;
    for (; i + 1 < bytes.size(); i += 2)
        sum += Word(bytes, static_cast<int>(i));
    if (i < bytes.size())
        sum += static_cast<quint32>(static_cast<quint8>(bytes[i])) << 8;
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<quint16>(~sum);
}

QByteArray EchoRequest(quint16 identifier, quint16 sequence, const QByteArray& payload)
{
    QByteArray message(8, '\0');
    message[0] = static_cast<char>(kEchoRequest);
    message[4] = static_cast<char>(identifier >> 8);
    message[5] = static_cast<char>(identifier & 0xFF);
    message[6] = static_cast<char>(sequence >> 8);
    message[7] = static_cast<char>(sequence & 0xFF);
    message.append(payload);
    const quint16 sum = Checksum(message);
    message[2] = static_cast<char>(sum >> 8);
    message[3] = static_cast<char>(sum & 0xFF);
    return message;
}

bool IsEchoReply(const QByteArray& message, quint16 identifier, quint16 sequence, bool compareIdentifier)
{
    if (message.size() < 8 || static_cast<quint8>(message[0]) != kEchoReply || message[1] != 0)
        return false;
    if (compareIdentifier && Word(message, 4) != identifier)
        return false;
    return Word(message, 6) == sequence;
}

QByteArray PayloadOfIpPacket(const QByteArray& packet)
{
    if (packet.isEmpty() || (static_cast<quint8>(packet[0]) >> 4) != 4)
        return QByteArray();
    const int headerLength = (static_cast<quint8>(packet[0]) & 0x0F) * 4;
    if (headerLength < 20 || headerLength > packet.size())
        return QByteArray();
    return packet.mid(headerLength);
}

} // namespace icmp

bool CanSendEchoRequests(QString* reason)
{
    EchoSocket socket;
    if (socket.fd >= 0)
        return true;
    if (reason)
        *reason = QStringLiteral("no ICMP socket: %1 (ping_group_range excludes this user and there is no CAP_NET_RAW)")
                      .arg(QString::fromLocal8Bit(std::strerror(socket.error)));
    return false;
}

bool PingOnce(const QString& ipText, std::chrono::milliseconds wait, DeviceOperations* operations)
{
    const in_addr_t address = ::inet_addr(ipText.toLatin1().constData());
    if (address == INADDR_NONE)
        return false;
    EchoSocket socket;
    if (socket.fd < 0)
        return false;
    const int hops = kHopLimit;
    ::setsockopt(socket.fd, IPPROTO_IP, IP_TTL, &hops, sizeof hops);

    // A datagram socket's kernel puts in its own identifier and only hands
    // back the replies that carry it; a raw socket sees every ICMP message,
    // so its request carries a random identifier to tell its reply apart.
    constexpr quint16 sequence = 1;
    const quint16 identifier = static_cast<quint16>(QRandomGenerator::global()->bounded(1, 0x10000));
    const QByteArray request = icmp::EchoRequest(identifier, sequence, kPayload);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = address;
    if (::sendto(socket.fd, request.constData(), static_cast<size_t>(request.size()), 0,
                 reinterpret_cast<const sockaddr*>(&target), sizeof target) < 0)
        return false;

    bool answered = false;
    QSocketNotifier notifier(static_cast<qintptr>(socket.fd), QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
        QByteArray packet(65536, Qt::Uninitialized);
        for (;;) {
            sockaddr_in from{};
            socklen_t fromLength = sizeof from;
            const ssize_t got = ::recvfrom(socket.fd, packet.data(), static_cast<size_t>(packet.size()), 0,
                                           reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (got < 0)
                return; // drained (or an error the deadline will end)
            const QByteArray received = packet.left(got);
            const QByteArray message = socket.raw ? icmp::PayloadOfIpPacket(received) : received;
            if (from.sin_addr.s_addr == address && icmp::IsEchoReply(message, identifier, sequence, socket.raw))
                answered = true;
        }
    });
    WaitWithin(operations, [&] { return answered; }, wait);
    return answered;
}
