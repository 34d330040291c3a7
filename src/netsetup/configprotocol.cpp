#include "configprotocol.h"

#include "base/textfields.h"

namespace config {

namespace {

constexpr int kBytesPerLine = 32;

std::optional<quint8> Octet(const QString& field)
{
    const QString trimmed = field.trimmed();
    if (trimmed.isEmpty())
        return quint8{0};
    bool ok = false;
    const int value = trimmed.toInt(&ok);
    return ok && value >= 0 && value <= 255 ? std::optional<quint8>(static_cast<quint8>(value)) : std::nullopt;
}

} // namespace

QByteArray Datagram(quint8 command, const QByteArray& payload)
{
    QByteArray datagram(3, '\0');
    datagram.append(static_cast<char>(command));
    datagram.append(payload);
    return datagram;
}

QByteArray DiscoveryQuery()
{
    return Datagram(kDiscoveryQuery);
}

QByteArray ReadQuery(int recordNumber)
{
    return Datagram(static_cast<quint8>(kReadQuery + recordNumber));
}

QByteArray WriteDatagram(int recordNumber, const QByteArray& record)
{
    return Datagram(static_cast<quint8>(kWriteRecord + recordNumber), record);
}

QByteArray WriteAcknowledgement(int recordNumber)
{
    return Datagram(static_cast<quint8>(kWriteAck + recordNumber));
}

std::optional<QByteArray> RecordFromReadReply(const QByteArray& reply, int recordNumber)
{
    if (reply.size() < kReadReplyMinimum || static_cast<quint8>(reply[3]) != static_cast<quint8>(kReadReply + recordNumber))
        return std::nullopt;
    return reply.mid(4);
}

std::optional<QByteArray> IpSetupDatagram(const QString& macText, const QString& ipText)
{
    const QStringList mac = macText.trimmed().split(u'-');
    const QStringList ip = ipText.trimmed().split(u'.');
    if (mac.size() != kMacLength || ip.size() != 4)
        return std::nullopt;
    QByteArray payload("IP-SETUP");
    payload.append(2, '\0');
    for (int i = 4; i < 6; ++i) {
        bool ok = false;
        const uint byte = mac[i].toUInt(&ok, 16);
        if (!ok || byte > 0xFF || mac[i].size() > 2)
            return std::nullopt;
        payload.append(static_cast<char>(byte));
    }
    for (const QString& field : ip) {
        const std::optional<quint8> octet = Octet(field);
        if (!octet)
            return std::nullopt;
        payload.append(static_cast<char>(*octet));
    }
    return Datagram(kIpSetup, payload);
}

QByteArray GetRecordCommand(int recordNumber)
{
    return "G" + QByteArray::number(recordNumber) + "\r";
}

QByteArray SetRecordCommand(int recordNumber)
{
    return "S" + QByteArray::number(recordNumber) + "\r";
}

bool ContainsSetupPrompt(const QByteArray& received)
{
    const QByteArray upper = received.toUpper();
    return upper.contains("0>") || upper.contains("9>");
}

QStringList RecordLines(const QByteArray& record)
{
    QStringList lines;
    for (qsizetype offset = 0; offset < record.size(); offset += kBytesPerLine) {
        const QByteArray chunk = record.mid(offset, kBytesPerLine);
        QString body = Hex2(static_cast<quint8>(chunk.size())) + Hex2(static_cast<quint8>(offset >> 8))
            + Hex2(static_cast<quint8>(offset)) + QStringLiteral("10");
        for (const char byte : chunk)
            body += Hex2(static_cast<quint8>(byte));
        int sum = 0;
        for (const QChar c : body)
            sum += c.unicode(); // the characters' codes, as the gateway checks them
        lines << u':' + body + Hex2(static_cast<quint8>(0x100 - (sum & 0xFF)));
    }
    return lines;
}

QStringList ReadReplyLines(const QByteArray& record)
{
    QStringList lines;
    for (qsizetype offset = 0; offset < record.size(); offset += kBytesPerLine) {
        const QByteArray chunk = record.mid(offset, kBytesPerLine);
        QByteArray pairs;
        pairs.append(static_cast<char>(chunk.size()));
        pairs.append(static_cast<char>(offset >> 8));
        pairs.append(static_cast<char>(offset & 0xFF));
        pairs.append('\0');
        pairs.append(chunk);
        int sum = 0;
        for (const char byte : pairs)
            sum += static_cast<quint8>(byte);
        pairs.append(static_cast<char>((0x100 - (sum & 0xFF)) & 0xFF));
        lines << u':' + QString::fromLatin1(pairs.toHex().toUpper());
    }
    return lines;
}

} // namespace config
