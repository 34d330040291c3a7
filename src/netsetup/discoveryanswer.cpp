#include "discoveryanswer.h"

#include "configprotocol.h"

#include "base/textfields.h"
#include "base/textnumber.h"

#include <algorithm>
#include <limits>

namespace {

constexpr int kSerialOffset = 26;

quint8 ByteAt(const QByteArray& datagram, int offset)
{
    return offset < datagram.size() ? static_cast<quint8>(datagram[offset]) : 0;
}

} // namespace

DeviceType DeviceTypeOfPrefix(const QString& prefix)
{
    if (prefix == QLatin1String("00-20-4A") || prefix == QLatin1String("00-80-A3"))
        return DeviceTypeAspen;
    if (prefix == QLatin1String("00-04-25") || prefix == QLatin1String("E8-99-5A"))
        return DeviceTypeBirch;
    return DeviceTypeUnknown;
}

QString FamilyName(DeviceType type)
{
    switch (type) {
    case DeviceTypeAspen:
        return QStringLiteral("Aspen");
    case DeviceTypeBirch:
        return QStringLiteral("Birch");
    case DeviceTypeUnknown:
        break;
    }
    return QString();
}

quint32 BirchSerialNumber(const QByteArray& datagram)
{
    quint64 value = 0;
    for (int offset = kSerialOffset; offset < kSerialOffset + 4; ++offset)
        value = (value << 8) | ByteAt(datagram, offset);
    // Halving an odd number leaves .5: round to the even neighbour.
    quint64 half = value / 2;
    if ((value & 1) != 0 && (half & 1) != 0)
        ++half;
    return static_cast<quint32>(half & 0x3FFFFFF);
}

QString DeviceRowKey(const QString& mac, DeviceType type)
{
    return mac + u'/' + QString::number(static_cast<int>(type));
}

qint16 RowDeviceType(const QString& key)
{
    const qint64 type = LeadingNumber(GetField(key, 1, QStringLiteral("/")));
    return static_cast<qint16>(
        std::clamp<qint64>(type, std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max()));
}

QString FormatMac(const QByteArray& bytes, const QString& separator)
{
    if (bytes.size() != config::kMacLength)
        return QString();
    QStringList pairs;
    for (const char byte : bytes)
        pairs << Hex2(static_cast<quint8>(byte));
    return pairs.join(separator);
}

DiscoveryAnswer ParseDiscoveryAnswer(const QByteArray& datagram, const QString& senderIp)
{
    QByteArray macBytes(config::kMacLength, '\0');
    for (int i = 0; i < config::kMacLength; ++i)
        macBytes[i] = static_cast<char>(ByteAt(datagram, config::kAnswerMacOffset + i));

    DiscoveryAnswer answer;
    answer.ip = senderIp;
    answer.mac = FormatMac(macBytes, QStringLiteral("-"));
    answer.type = DeviceTypeOfPrefix(answer.mac.left(8));
    answer.family = FamilyName(answer.type);
    if (answer.type == DeviceTypeBirch)
        answer.serialNumber = BirchSerialNumber(datagram);
    return answer;
}
