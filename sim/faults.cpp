#include "faults.h"

#include "comm/mbusframe.h"

#include <algorithm>

Faults CombineFaults(const Faults& a, const Faults& b)
{
    Faults both;
    both.delay = std::max(a.delay, b.delay);
    both.silent = a.silent || b.silent;
    both.wrongChecksum = a.wrongChecksum || b.wrongChecksum;
    both.wrongAck = a.wrongAck || b.wrongAck;
    both.garbage = a.garbage || b.garbage;
    both.byteByByte = a.byteByByte || b.byteByByte;
    both.split = std::max(a.split, b.split);
    both.pieceGap = std::max(a.pieceGap, b.pieceGap);
    return both;
}

QByteArray GarbageBytes(int count)
{
    // Starts with 00h, which begins no M-Bus frame, so no judge can take it for one.
    QByteArray bytes(std::max(count, 4), '\0');
    for (int i = 1; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 0x3B + 0x11) & 0xFF);
    return bytes;
}

QByteArray ApplyReplyFaults(const QByteArray& reply, const Faults& faults)
{
    if (faults.silent || reply.isEmpty())
        return {};
    if (faults.garbage)
        return GarbageBytes(static_cast<int>(reply.size()));
    QByteArray bytes = reply;
    const bool isAck = IsLoneAcknowledgement(bytes);
    if (faults.wrongAck && isAck)
        bytes[0] = static_cast<char>(kWrongAck);
    if (faults.wrongChecksum && !isAck && bytes.size() >= 2)
        bytes[bytes.size() - 2] = static_cast<char>(bytes[bytes.size() - 2] + 1);
    return bytes;
}

QList<QByteArray> DivideReply(const QByteArray& reply, const Faults& faults)
{
    if (reply.isEmpty())
        return {};
    const qsizetype pieces = faults.byteByByte ? reply.size() : std::clamp<qsizetype>(faults.split, 1, reply.size());
    QList<QByteArray> divided;
    qsizetype start = 0;
    for (qsizetype i = 0; i < pieces; ++i) {
        // Spread the remainder over the first pieces, so none is empty.
        const qsizetype size = reply.size() / pieces + (i < reply.size() % pieces ? 1 : 0);
        divided.append(reply.mid(start, size));
        start += size;
    }
    return divided;
}
