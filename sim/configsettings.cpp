#include "configsettings.h"

#include "jsonreader.h"

#include <QRegularExpression>
#include <QStringList>

std::optional<QByteArray> ParseMac(const QString& text)
{
    const QStringList pairs = text.trimmed().split(QRegularExpression(QStringLiteral("[-:]")));
    if (pairs.size() != 6)
        return std::nullopt;
    QByteArray mac;
    for (const QString& pair : pairs) {
        bool ok = false;
        const uint byte = pair.toUInt(&ok, 16);
        if (!ok || pair.size() != 2)
            return std::nullopt;
        mac.append(static_cast<char>(byte));
    }
    return mac;
}

QString MacText(const QByteArray& mac)
{
    return QString::fromLatin1(mac.toHex('-').toUpper());
}

std::optional<QHostAddress> ParseIPv4(const QString& text)
{
    const QStringList fields = text.trimmed().split(QLatin1Char('.'));
    if (fields.size() != 4)
        return std::nullopt;
    quint32 address = 0;
    for (const QString& field : fields) {
        bool ok = false;
        const uint octet = field.toUInt(&ok, 10);
        if (!ok || octet > 255 || field.size() > 3)
            return std::nullopt;
        address = address << 8 | octet;
    }
    return QHostAddress(address);
}

std::optional<AddressPool> ParseAddressPool(const QString& text)
{
    const QStringList ends = text.split(QLatin1Char('-'));
    if (ends.size() > 2)
        return std::nullopt;
    const std::optional<QHostAddress> first = ParseIPv4(ends.first());
    const std::optional<QHostAddress> last = ParseIPv4(ends.last());
    if (!first || !last || first->toIPv4Address() > last->toIPv4Address())
        return std::nullopt;
    return AddressPool{first->toIPv4Address(), last->toIPv4Address()};
}

namespace {

QHostAddress Address(ObjectReader& reader, const QString& key, const QHostAddress& fallback)
{
    const std::optional<QString> text = reader.Text(key);
    if (!text)
        return fallback;
    const std::optional<QHostAddress> address = ParseIPv4(*text);
    if (!address)
        reader.Fail(key, QStringLiteral("must be a dotted IPv4 address"));
    return *address;
}

ConfigFaults ReadConfigFaults(const QJsonValue& value, const QString& path)
{
    ConfigFaults faults;
    if (value.isUndefined())
        return faults;
    ObjectReader reader(value, path);
    int restart = static_cast<int>(faults.restartTime.count());
    reader.Bool(QStringLiteral("silent"), faults.silent);
    reader.Bool(QStringLiteral("wrongAck"), faults.wrongAck);
    reader.Integer(QStringLiteral("truncateRecord"), 0, 126, faults.truncateRecord);
    reader.Bool(QStringLiteral("noPrompt"), faults.noPrompt);
    reader.Integer(QStringLiteral("restartMs"), 0, 600000, restart);
    reader.RejectUnknownKeys();
    faults.restartTime = std::chrono::milliseconds(restart);
    return faults;
}

} // namespace

ConfigSettings ReadConfigSettings(const QJsonValue& value, const QString& path)
{
    ConfigSettings settings;
    if (value.isUndefined())
        return settings;
    ObjectReader reader(value, path);
    if (const std::optional<QString> mac = reader.Text(QStringLiteral("mac"))) {
        const std::optional<QByteArray> bytes = ParseMac(*mac);
        if (!bytes)
            reader.Fail(QStringLiteral("mac"), QStringLiteral("must be six hexadecimal pairs joined by \"-\""));
        settings.mac = *bytes;
    }
    reader.Integer(QStringLiteral("port"), 0, 65535, settings.port);
    if (reader.Has(QStringLiteral("ip")))
        settings.ip = Address(reader, QStringLiteral("ip"), QHostAddress());
    settings.mask = Address(reader, QStringLiteral("mask"), settings.mask);
    settings.gateway = Address(reader, QStringLiteral("gateway"), settings.gateway);
    if (const std::optional<QString> pool = reader.Text(QStringLiteral("dhcpPool"))) {
        settings.dhcpPool = ParseAddressPool(*pool);
        if (!settings.dhcpPool)
            reader.Fail(QStringLiteral("dhcpPool"), QStringLiteral("must be \"FIRST-LAST\" with FIRST not above LAST"));
    }
    reader.Integer(QStringLiteral("answerLength"), 0, 1024, settings.answerLength);
    int promptDelay = static_cast<int>(settings.promptDelay.count());
    reader.Integer(QStringLiteral("promptDelayMs"), 0, 60000, promptDelay);
    settings.promptDelay = std::chrono::milliseconds(promptDelay);
    settings.faults = ReadConfigFaults(reader.Value(QStringLiteral("faults")), reader.Path(QStringLiteral("faults")));
    reader.RejectUnknownKeys();
    return settings;
}
