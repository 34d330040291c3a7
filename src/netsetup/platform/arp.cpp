#include "arp.h"

#include "comm/deviceoperations.h"
#include "netsetup/discoveryanswer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QList>

#include <arpa/inet.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstring>

namespace {

constexpr unsigned kCompleteFlag = 0x2; // ATF_COM
constexpr quint16 kDiscardPort = 9;
constexpr std::chrono::milliseconds kPollStep{10};

std::optional<QByteArray> ParseColonMac(const QByteArray& text)
{
    const QList<QByteArray> parts = text.split(':');
    if (parts.size() != 6)
        return std::nullopt;
    QByteArray mac;
    for (const QByteArray& part : parts) {
        bool ok = false;
        const uint value = part.toUInt(&ok, 16);
        if (!ok || part.size() > 2 || value > 0xFF)
            return std::nullopt;
        mac.append(static_cast<char>(value));
    }
    return mac;
}

std::optional<ArpEntry> ReadArpEntry(const QString& ipText)
{
    QFile table(QStringLiteral("/proc/net/arp"));
    if (!table.open(QIODevice::ReadOnly))
        return std::nullopt;
    return FindArpEntry(table.readAll(), ipText);
}

bool Resolved(const std::optional<ArpEntry>& entry)
{
    return entry && entry->complete && entry->mac.count('\0') != entry->mac.size();
}

// An address that can have a neighbour entry at all.
bool MayHaveNeighbour(in_addr_t address)
{
    const quint32 host = ntohl(address);
    return address != INADDR_NONE && host != 0 && (host >> 24) != 127 && (host >> 28) != 0xE;
}

// Whether the kernel sends to the address straight on a local network,
// asking ARP for it, rather than through a router (as "ip route get" tells).
// A neighbour entry alone does not say so: a host in another subnet that
// asked for us left one behind.
bool OnLink(in_addr_t address)
{
    const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0)
        return false;
    const timeval limit{0, 500000}; // the kernel answers at once; this only guards against a hang
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);

    struct {
        nlmsghdr header;
        rtmsg route;
        char attributes[RTA_SPACE(sizeof(in_addr_t))];
    } request{};
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(rtmsg));
    request.header.nlmsg_type = RTM_GETROUTE;
    request.header.nlmsg_flags = NLM_F_REQUEST;
    request.route.rtm_family = AF_INET;
    request.route.rtm_dst_len = 32;
    auto* destination = reinterpret_cast<rtattr*>(reinterpret_cast<char*>(&request) + NLMSG_ALIGN(request.header.nlmsg_len));
    destination->rta_type = RTA_DST;
    destination->rta_len = RTA_LENGTH(sizeof address);
    std::memcpy(RTA_DATA(destination), &address, sizeof address);
    request.header.nlmsg_len = NLMSG_ALIGN(request.header.nlmsg_len) + RTA_LENGTH(sizeof address);

    alignas(nlmsghdr) char reply[8192];
    ssize_t length = -1;
    if (::send(fd, &request, request.header.nlmsg_len, 0) >= 0)
        length = ::recv(fd, reply, sizeof reply, 0);
    ::close(fd);

    bool direct = false;
    int left = static_cast<int>(length);
    for (auto* header = reinterpret_cast<nlmsghdr*>(reply); length > 0 && NLMSG_OK(header, left);
         header = NLMSG_NEXT(header, left)) {
        if (header->nlmsg_type != RTM_NEWROUTE)
            continue; // an error: no route at all
        const auto* route = static_cast<const rtmsg*>(NLMSG_DATA(header));
        direct = route->rtm_type == RTN_UNICAST;
        int attributesLeft = static_cast<int>(RTM_PAYLOAD(header));
        for (auto* attribute = RTM_RTA(route); RTA_OK(attribute, attributesLeft);
             attribute = RTA_NEXT(attribute, attributesLeft)) {
            if (attribute->rta_type == RTA_GATEWAY)
                direct = false;
        }
        break;
    }
    return direct;
}

// Sends one empty datagram, which makes the kernel resolve the address
// before it can leave.
bool Provoke(in_addr_t address)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(kDiscardPort);
    target.sin_addr.s_addr = address;
    const bool sent = ::sendto(fd, "", 0, 0, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0;
    ::close(fd);
    return sent;
}

} // namespace

std::optional<ArpEntry> FindArpEntry(const QByteArray& table, const QString& ipText)
{
    std::optional<ArpEntry> found;
    const QList<QByteArray> lines = table.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) { // the first line holds the headings
        const QList<QByteArray> columns = lines[i].simplified().split(' ');
        if (columns.size() < 4 || QString::fromLatin1(columns[0]) != ipText)
            continue;
        bool ok = false;
        const uint flags = columns[2].toUInt(&ok, 0);
        const std::optional<QByteArray> mac = ParseColonMac(columns[3]);
        if (!ok || !mac)
            continue;
        ArpEntry entry{*mac, (flags & kCompleteFlag) != 0};
        if (!found || (entry.complete && !found->complete))
            found = entry;
    }
    return found;
}

bool GetMacByArp(const QString& ipText, QString& mac, const QString& separator, std::chrono::milliseconds wait,
                 DeviceOperations* operations)
{
    const in_addr_t address = ::inet_addr(ipText.toLatin1().constData());
    if (!MayHaveNeighbour(address) || !OnLink(address))
        return false;
    in_addr parsed{};
    parsed.s_addr = address;
    const QString dotted = QString::fromLatin1(::inet_ntoa(parsed)); // the table's spelling

    std::optional<ArpEntry> entry = ReadArpEntry(dotted);
    if (!Resolved(entry)) {
        if (!Provoke(address))
            return false;
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            entry = ReadArpEntry(dotted);
            // No entry right after the send: the kernel is not asking for it
            // (the address lies behind a router).
            if (!entry || Resolved(entry) || clock.elapsed() >= wait.count()
                || (operations && operations->CancelRequested()))
                break;
            WaitWithin(operations, {}, kPollStep);
        }
    }
    if (!Resolved(entry))
        return false;
    mac = FormatMac(entry->mac, separator);
    return true;
}

bool ReachableByArp(const QString& ipText, DeviceOperations* operations)
{
    QString mac;
    return GetMacByArp(ipText, mac, QStringLiteral("-"), std::chrono::milliseconds(1000), operations);
}
