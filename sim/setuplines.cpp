#include "setuplines.h"

#include "netsetup/configprotocol.h"

namespace {

// Count, offset (two bytes), type and checksum around the data.
constexpr int kFramePairs = 5;

} // namespace

std::optional<QByteArray> RecordFromSetLines(const QStringList& lines)
{
    QByteArray record;
    for (const QString& line : lines) {
        if (!line.startsWith(u':') || line.size() % 2 != 1)
            return std::nullopt;
        const QByteArray digits = line.mid(1).toLatin1();
        const QByteArray pairs = QByteArray::fromHex(digits);
        if (pairs.size() * 2 != digits.size() || pairs.size() < kFramePairs)
            return std::nullopt;
        const int count = static_cast<quint8>(pairs[0]);
        const int offset = static_cast<quint8>(pairs[1]) << 8 | static_cast<quint8>(pairs[2]);
        if (count != pairs.size() - kFramePairs || offset != record.size())
            return std::nullopt;
        record.append(pairs.mid(4, count));
    }
    // The checksums, the line lengths and the letters' case: our lines must be the client's, character for character.
    if (record.isEmpty() || config::RecordLines(record) != lines)
        return std::nullopt;
    return record;
}
