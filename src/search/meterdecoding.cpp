#include "meterdecoding.h"

#include "comm/mbusframe.h"

#include <array>
#include <optional>

namespace {

// Bytes before the user data of a long frame: 68h L L 68h C A CI.
constexpr int kLongHeader = 7;
// Bytes after it: CS 16h.
constexpr int kLongTrailer = 2;
// Identification (4), manufacturer (2), version, medium.
constexpr int kFixedHeader = 8;
constexpr quint8 kCiFixedStructure = 0x73;
// The fixed structure with its numbers sent most significant byte first.
constexpr quint8 kCiFixedStructureMsbFirst = 0x77;

bool IsFixedStructure(int ci)
{
    return ci == kCiFixedStructure || ci == kCiFixedStructureMsbFirst;
}

QString Hex(int value, int digits)
{
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

// Three letters of five bits each, first letter highest; codes beyond A-Z
// are taken as they come.
QString ManufacturerLetters(int code)
{
    if (code == 0)
        return QString();
    QString letters;
    letters += QChar(code / 1024 + 64);
    letters += QChar((code % 1024) / 32 + 64);
    letters += QChar(code % 32 + 64);
    return letters;
}

// What the header of the frame says, read whole before any text is written.
struct MeterHeader {
    int address = 0;
    int controlInformation = 0;
    QString identification;
    int manufacturer = 0;
    int version = 0;
    int medium = 0;
};

std::optional<MeterHeader> ReadHeader(const QByteArray& frame)
{
    if (frame.size() < kLongHeader + kFixedHeader + kLongTrailer || static_cast<quint8>(frame[0]) != mbus::kLongStart
        || !CheckMBusReply(frame).complete)
        return std::nullopt;
    const auto byte = [&frame](int index) { return static_cast<quint8>(frame[index]); };
    const auto data = [&](int number) { return byte(kLongHeader + number - 1); }; // D1, D2, ...
    MeterHeader header;
    header.address = byte(5);
    header.controlInformation = byte(6);
    // BCD digits read most significant first, whichever order they came in.
    header.identification = header.controlInformation == kCiFixedStructureMsbFirst
        ? Hex(data(1), 2) + Hex(data(2), 2) + Hex(data(3), 2) + Hex(data(4), 2)
        : Hex(data(4), 2) + Hex(data(3), 2) + Hex(data(2), 2) + Hex(data(1), 2);
    header.manufacturer = data(6) * 256 + data(5);
    header.version = data(7);
    header.medium = data(8);
    return header;
}

QString MediumText(int code)
{
    if (code < kNamedMedia)
        return MediumNames(code) + QStringLiteral(" (") + Hex(code, 2) + QStringLiteral("h)");
    return QStringLiteral("Reserved (") + QString::number(code) + u')';
}

} // namespace

QString MediumNames(int code)
{
    static const std::array<const char*, kNamedMedia> kNames = {
        "Other", "Oil", "Electricity", "Gas", "Heat", "Steam", "Warm Water", "Water",
        "Heat Cost Allocator", "Compressed Air", "Cooling (outlet)", "Cooling (inlet)", "Heat (inlet)", "Heat/Cooling",
        "Bus/System", "Unknown Medium", "Reserved", "Reserved", "Reserved", "Reserved", "Reserved", "Hot water",
        "Cold Water", "Dual Water", "Pressure", "A/D Converter", "Reserved", "Reserved", "Reserved", "Reserved",
        "Reserved", "Reserved", "Reserved", "Reserved for valve"};
    if (code < 0 || code >= kNamedMedia)
        return QString();
    return QString::fromLatin1(kNames[static_cast<size_t>(code)]);
}

QString MeterDeviceText(const QString& letters, int version)
{
    if (letters == QLatin1String("ABB")) {
        switch (version) {
        case 2:
            return QStringLiteral("Delta");
        case 3:
            return QStringLiteral("Odin");
        case 4:
            return QStringLiteral("Delta Single");
        case 5:
            return QStringLiteral("Delta Plus");
        case 11:
            return QStringLiteral("Odin Single");
        default:
            return QStringLiteral("ABB N/A");
        }
    }
    if (letters == QLatin1String("REL")) {
        if (version >= 1 && version <= 15)
            return QStringLiteral("PadPuls M1");
        if (version >= 16 && version <= 31)
            return QStringLiteral("PadPuls M4");
        if (version >= 32 && version <= 47)
            return QStringLiteral("PadIn4");
        if (version >= 48 && version <= 63)
            return QStringLiteral("ANDi1..4");
        if (version >= 64 && version <= 79)
            return QStringLiteral("PadPuls M2");
        return QStringLiteral("REL N/A");
    }
    if (letters == QLatin1String("KVX"))
        return version == 1 ? QStringLiteral("Birch") : QStringLiteral("KVX N/A");
    return QStringLiteral("N/A");
}

bool ExtractMeterData(const QByteArray& packetData, SearchResultRow& row)
{
    const std::optional<MeterHeader> header = ReadHeader(packetData);
    if (!header)
        return false;
    row.Text(rowtext::kAddress) = QString::number(header->address);
    row.Text(rowtext::kIdentification) = header->identification;
    if (IsFixedStructure(header->controlInformation)) {
        const QString none = QStringLiteral("N/A");
        row.Text(rowtext::kManufacturer) = none;
        row.Text(rowtext::kVersion) = none;
        row.Text(rowtext::kMedium) = none;
        row.Text(rowtext::kDevice) = QStringLiteral("Fixed");
        return true;
    }
    const QString letters = ManufacturerLetters(header->manufacturer);
    row.Text(rowtext::kManufacturer) = letters + QStringLiteral(" (") + Hex(header->manufacturer, 4) + QStringLiteral("h)");
    row.Text(rowtext::kVersion) =
        QString::number(header->version) + QStringLiteral(" (") + Hex(header->version, 2) + QStringLiteral("h)");
    row.Text(rowtext::kMedium) = MediumText(header->medium);
    row.Text(rowtext::kDevice) = MeterDeviceText(letters, header->version);
    return true;
}

QString ParseListX(const QString& subItem, int field)
{
    if (field == rowtext::kIdentification)
        return subItem;
    // positions counted from 1, 0 when absent
    const qsizetype open = subItem.lastIndexOf(u'(') + 1;
    const qsizetype close = subItem.lastIndexOf(QLatin1String("h)")) + 1;
    if (close - (open + 1) > 1)
        return subItem.mid(open, close - open - 1);
    return QString();
}
