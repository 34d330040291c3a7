// The ARP and ICMP echo layer: table and message parsing, and what can be
// tried on loopback. Nothing here sends a packet beyond 127.0.0.1.
#include "netsetup/platform/arp.h"
#include "netsetup/platform/icmpecho.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

// As /proc/net/arp shows it: flags 0x2 is a resolved entry, 0x0 one still
// being asked for (or failed).
const QByteArray kTable = QByteArrayLiteral(
    "IP address       HW type     Flags       HW address            Mask     Device\n"
    "192.0.2.1        0x1         0x2         02:fc:00:00:00:05     *        eth0\n"
    "192.0.2.10       0x1         0x0         00:00:00:00:00:00     *        eth0\n"
    "192.0.2.100      0x1         0x2         00:20:4a:0a:0b:0c     *        eth0\n"
    "192.0.2.7        0x1         0x0         00:00:00:00:00:00     *        eth1\n"
    "192.0.2.7        0x1         0x6         00:04:25:00:00:03     *        eth0\n"
    "192.0.2.8        0x1         junk\n"
    "192.0.2.9        0x1         0x2         00:04:25:00:00        *        eth0\n");

} // namespace

TEST(ArpTable, FindsTheAddressesOwnEntry)
{
    const auto resolved = FindArpEntry(kTable, QStringLiteral("192.0.2.100"));
    ASSERT_TRUE(resolved);
    EXPECT_TRUE(resolved->complete);
    EXPECT_EQ(resolved->mac, QByteArray::fromHex("00204a0a0b0c"));

    // 192.0.2.1 is not a prefix match for 192.0.2.10 or 192.0.2.100.
    const auto asking = FindArpEntry(kTable, QStringLiteral("192.0.2.10"));
    ASSERT_TRUE(asking);
    EXPECT_FALSE(asking->complete);

    const auto twice = FindArpEntry(kTable, QStringLiteral("192.0.2.7"));
    ASSERT_TRUE(twice);
    EXPECT_TRUE(twice->complete) << "the resolved entry wins over an unresolved one on another interface";
    EXPECT_EQ(twice->mac, QByteArray::fromHex("000425000003"));

    EXPECT_FALSE(FindArpEntry(kTable, QStringLiteral("192.0.2.8"))) << "a broken line";
    EXPECT_FALSE(FindArpEntry(kTable, QStringLiteral("192.0.2.9"))) << "a MAC of five bytes";
    EXPECT_FALSE(FindArpEntry(kTable, QStringLiteral("192.0.2.2")));
    EXPECT_FALSE(FindArpEntry(kTable, QStringLiteral("IP")));
    EXPECT_FALSE(FindArpEntry(QByteArray(), QStringLiteral("192.0.2.1")));
}

TEST(ArpRequest, AddressesWithoutNeighboursFailAtOnce)
{
    QElapsedTimer clock;
    clock.start();
    for (const char* address : {"127.0.0.1", "127.1.2.3", "not an address", "", "255.255.255.255", "0.0.0.0",
                                "224.0.0.1", "300.1.1.1"}) {
        QString mac = QStringLiteral("unchanged");
        EXPECT_FALSE(GetMacByArp(QString::fromLatin1(address), mac)) << address;
        EXPECT_EQ(mac, "unchanged") << address;
        EXPECT_FALSE(ReachableByArp(QString::fromLatin1(address))) << address;
    }
    EXPECT_LT(clock.elapsed(), 500) << "none of them waits for an answer";
}

TEST(IcmpMessages, ChecksumAndEcho)
{
    // RFC 1071's example: the sum of these words folds to DDF2h.
    EXPECT_EQ(icmp::Checksum(QByteArray::fromHex("0001f203f4f5f6f7")), static_cast<quint16>(~0xDDF2));
    EXPECT_EQ(icmp::Checksum(QByteArray::fromHex("0001f203f4f5f6")), static_cast<quint16>(~(0xDDF2 - 0xF7)))
        << "an odd byte counts as the high half of a word";

    const QByteArray request = icmp::EchoRequest(0x1234, 0x0042, QByteArrayLiteral("abc"));
    EXPECT_EQ(request.left(2), QByteArray::fromHex("0800"));
    EXPECT_EQ(request.mid(4, 4), QByteArray::fromHex("12340042"));
    EXPECT_EQ(request.mid(8), "abc");
    EXPECT_EQ(icmp::Checksum(request), 0) << "a message with its checksum sums to zero";

    QByteArray reply = request;
    reply[0] = 0;
    EXPECT_TRUE(icmp::IsEchoReply(reply, 0x1234, 0x0042, true));
    EXPECT_TRUE(icmp::IsEchoReply(reply, 0x9999, 0x0042, false)) << "a datagram socket's identifier is the kernel's";
    EXPECT_FALSE(icmp::IsEchoReply(reply, 0x9999, 0x0042, true));
    EXPECT_FALSE(icmp::IsEchoReply(reply, 0x1234, 0x0043, true));
    EXPECT_FALSE(icmp::IsEchoReply(request, 0x1234, 0x0042, true)) << "our own request seen on loopback";
    EXPECT_FALSE(icmp::IsEchoReply(reply.left(7), 0x1234, 0x0042, true));
    QByteArray timeExceeded = reply;
    timeExceeded[0] = 11;
    EXPECT_FALSE(icmp::IsEchoReply(timeExceeded, 0x1234, 0x0042, true));

    QByteArray packet = QByteArray::fromHex("4500001c000000004001000060000001c0000002") + reply;
    EXPECT_EQ(icmp::PayloadOfIpPacket(packet), reply);
    packet[0] = static_cast<char>(0x46); // 24-byte header
    EXPECT_EQ(icmp::PayloadOfIpPacket(packet), reply.mid(4));
    packet[0] = static_cast<char>(0x4F); // 60 bytes: more than there is
    EXPECT_EQ(icmp::PayloadOfIpPacket(packet), QByteArray());
    packet[0] = static_cast<char>(0x44); // shorter than any header
    EXPECT_EQ(icmp::PayloadOfIpPacket(packet), QByteArray());
    EXPECT_EQ(icmp::PayloadOfIpPacket(QByteArray()), QByteArray());
}

TEST(IcmpEcho, UnreadableAddressesFailWithoutSending)
{
    QElapsedTimer clock;
    clock.start();
    for (const char* address : {"", "not an address", "300.1.1.1", "255.255.255.255", "1.2.3.4.5"})
        EXPECT_FALSE(PingOnce(QString::fromLatin1(address), 2000ms)) << address;
    EXPECT_LT(clock.elapsed(), 1000) << "nothing was waited for";
}

TEST(IcmpEcho, LoopbackAnswers)
{
    QString reason;
    if (!CanSendEchoRequests(&reason))
        GTEST_SKIP() << reason.toStdString();
    EXPECT_TRUE(PingOnce(QStringLiteral("127.0.0.1")));
    EXPECT_TRUE(PingOnce(QStringLiteral("127.1"))) << "read as the classic parser reads it: 127.0.0.1";
    EXPECT_TRUE(PingOnce(QStringLiteral("127.0.0.1"))) << "and again: each ping matches its own reply";
}
