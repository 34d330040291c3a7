#include "hexrecord.h"

#include <optional>

namespace {

// Count, address (two pairs) and type before the data, the checksum after it.
constexpr qsizetype kFramePairs = 5;
constexpr quint8 kDataRecord = 0x00;

std::optional<quint8> HexPair(const QString& line, qsizetype at)
{
    if (at + 1 >= line.size())
        return std::nullopt;
    bool ok = false;
    const uint value = line.mid(at, 2).toUInt(&ok, 16);
    if (!ok || !line[at].isLetterOrNumber() || !line[at + 1].isLetterOrNumber())
        return std::nullopt;
    return static_cast<quint8>(value);
}

} // namespace

bool ParseHexRecordLine(const QString& line, QByteArray& receiveBuffer)
{
    if (!line.startsWith(u':') || line.size() <= 11)
        return false;
    // every digit pair after the colon counts for the checksum; a line with an
    // odd digit or a non-hex character is not a record
    if ((line.size() - 1) % 2 != 0)
        return false;
    QByteArray pairs;
    for (qsizetype at = 1; at < line.size(); at += 2) {
        const std::optional<quint8> pair = HexPair(line, at);
        if (!pair)
            return false;
        pairs.append(static_cast<char>(*pair));
    }
    quint8 sum = 0;
    for (const char byte : pairs)
        sum = static_cast<quint8>(sum + static_cast<quint8>(byte));
    if (sum != 0)
        return false;
    // The plain sum does not notice a lost or added 00 pair: the count does.
    if (static_cast<quint8>(pairs[0]) != pairs.size() - kFramePairs || static_cast<quint8>(pairs[3]) != kDataRecord)
        return false;
    const int address = (static_cast<quint8>(pairs[1]) << 8) | static_cast<quint8>(pairs[2]);
    if (receiveBuffer.size() != address + 4)
        return false;
    // data from the fifth pair on, without the checksum pair
    receiveBuffer.append(pairs.mid(4, pairs.size() - kFramePairs));
    return true;
}
