#include "latereply.h"

#include "modbuscodec.h"

namespace {

constexpr qsizetype kMbapHeader = 6; // identifier, protocol and length before the unit identifier

int Byte(const QByteArray& bytes, qsizetype index)
{
    return static_cast<quint8>(bytes[index]);
}

} // namespace

qsizetype LeadingLateTcpReplyLength(const QByteArray& received, int transactionCounter)
{
    // Requests far enough back that their replies are surely gone count as
    // unknown, as a gateway's own wrong identifier does.
    constexpr int kRecentRequests = 10;
    constexpr int kIdentifiers = modbus::kHighestTransactionIdentifier + 1; // 0 ... 100 in turn
    if (received.size() < kMbapHeader + 2 || Byte(received, 2) != 0 || Byte(received, 3) != 0)
        return 0;
    const qsizetype length = Byte(received, 4) * 256 + Byte(received, 5);
    if (length < 2 || received.size() < kMbapHeader + length)
        return 0;
    const int identifier = Byte(received, 0) * 256 + Byte(received, 1);
    for (int back = 1; back <= kRecentRequests; ++back)
        if (identifier == ((transactionCounter - back) % kIdentifiers + kIdentifiers) % kIdentifiers)
            return kMbapHeader + length;
    return 0;
}
