#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>

class DeviceOperations;

// One ICMP echo request to a dotted IPv4 address, hop limit 4; true when
// the matching echo reply arrives within the wait. The text is read as the
// classic address parser reads it: what it cannot read (and
// 255.255.255.255) fails without sending anything.
//
// Uses an ICMP datagram socket where the system allows this user one
// (net.ipv4.ping_group_range), else a raw socket, which needs root or
// CAP_NET_RAW; without either every ping fails. Events keep running while
// it waits for the reply, as a wait of the operations when they are given.
bool PingOnce(const QString& ipText, std::chrono::milliseconds wait = std::chrono::milliseconds(1000),
              DeviceOperations* operations = nullptr);

// Whether this process can open either kind of ICMP socket; the reason
// when it cannot.
bool CanSendEchoRequests(QString* reason = nullptr);

// The echo messages themselves (RFC 792), without the IP header.
namespace icmp {

constexpr quint8 kEchoReply = 0;
constexpr quint8 kEchoRequest = 8;

// The Internet checksum (RFC 1071) of the bytes.
quint16 Checksum(const QByteArray& bytes);

// An echo request with its checksum.
QByteArray EchoRequest(quint16 identifier, quint16 sequence, const QByteArray& payload);

// Whether the message is the echo reply to that request. The identifier is
// not compared when a datagram socket's kernel has already matched it.
bool IsEchoReply(const QByteArray& message, quint16 identifier, quint16 sequence, bool compareIdentifier);

// The ICMP message inside an IPv4 packet as a raw socket receives it;
// empty when the header does not fit.
QByteArray PayloadOfIpPacket(const QByteArray& packet);

} // namespace icmp
