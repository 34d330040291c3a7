#include "gatewayslave.h"

#include "comm/mbusapplication.h"

namespace {

constexpr quint8 kMediumBusSystem = 0x0E;
constexpr quint8 kVersion = 0x02;

void AppendLittleEndian(QByteArray& bytes, quint32 value, int count)
{
    for (int i = 0; i < count; ++i)
        bytes.append(static_cast<char>(value >> (8 * i) & 0xFF));
}

} // namespace

MeterConfig GatewaySlave(const GatewaySlaveConfig& config)
{
    MeterConfig meter;
    meter.address = config.address;
    meter.id = config.fabricationNumber;
    meter.manufacturer = *ManufacturerCode(QStringLiteral("KVX"));
    meter.version = kVersion;
    meter.medium = kMediumBusSystem;
    meter.baud = config.baud;
    // After the 12 header bytes (frame positions 8-19) the records begin at 20:
    // 20-25  0Ch 78h + 4 BCD bytes    fabrication number
    // 26-30  02h FDh 48h + 2 bytes    voltage, 10^-1 V   (value at 29-30)
    // 31-35  02h FDh 58h + 2 bytes    current, 10^-4 A   (value at 34-35)
    QByteArray records = QByteArray::fromHex("0C78");
    AppendLittleEndian(records, config.fabricationNumber, 4);
    records += QByteArray::fromHex("02FD48");
    AppendLittleEndian(records, static_cast<quint16>(config.voltageTenths), 2);
    records += QByteArray::fromHex("02FD58");
    AppendLittleEndian(records, static_cast<quint16>(config.currentTenths), 2);
    meter.records = records;
    return meter;
}
