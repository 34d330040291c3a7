#include "meterdecoding.h"
#include "searchtexts.h"

#include "comm/mbusapplication.h"
#include "comm/mbusframe.h"
#include "base/language.h"
#include "base/textfields.h"

#include <array>
#include <optional>

namespace {

// The decoder's words the window shows in the user's language.
const QString kNotAvailable = QStringLiteral("N/A");
const QString kFixed = QStringLiteral("Fixed");
// The first code named "Reserved", a name every code from kNamedMedia on shares.
constexpr int kReservedMedium = 0x10;

// Bytes a reply's header holds for the search row: identification (4),
// manufacturer (2), version, medium; the fixed structure's are as many.
constexpr int kRowHeaderBytes = 8;

// What the header of the frame says, read whole before any text is written.
struct MeterHeader {
    int address = 0;
    bool fixedStructure = false;
    quint32 identification = 0;
    quint16 manufacturer = 0;
    quint8 version = 0;
    quint8 medium = 0;
};

// Every CI but the fixed structure's is read as the variable structure's header.
std::optional<MeterHeader> ReadHeader(const QByteArray& frame)
{
    const QByteArray data = LongFrameUserData(frame);
    if (data.size() < kRowHeaderBytes || static_cast<quint8>(frame[0]) != mbus::kLongStart
        || !CheckMBusReply(frame).complete)
        return std::nullopt;
    const auto ci = static_cast<quint8>(frame[mbus::kLongCiAt]);
    MeterHeader header;
    header.address = static_cast<quint8>(frame[mbus::kLongAddressAt]);
    header.fixedStructure = IsFixedStructure(ci);
    if (header.fixedStructure) {
        header.identification = *ReadFixedHeader(data, ci == mbus::kCiFixedReplyMsbFirst).identification;
        return header;
    }
    const VariableHeader variable = ReadVariableHeader(data);
    header.identification = *variable.identification;
    header.manufacturer = *variable.manufacturer;
    header.version = *variable.version;
    header.medium = *variable.medium;
    return header;
}

QString MediumText(int code)
{
    if (code < kNamedMedia)
        return MediumNames(code) + QStringLiteral(" (") + Hex2(static_cast<quint8>(code)) + QStringLiteral("h)");
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
    row.Text(rowtext::kIdentification) = IdentificationText(header->identification);
    if (header->fixedStructure) {
        const QString none = QStringLiteral("N/A");
        row.Text(rowtext::kManufacturer) = none;
        row.Text(rowtext::kVersion) = none;
        row.Text(rowtext::kMedium) = none;
        row.Text(rowtext::kDevice) = QStringLiteral("Fixed");
        return true;
    }
    const QString letters = ManufacturerLetters(header->manufacturer);
    row.Text(rowtext::kManufacturer) = letters + QStringLiteral(" (") + ManufacturerText(header->manufacturer) + QStringLiteral("h)");
    row.Text(rowtext::kVersion) =
        QString::number(header->version) + QStringLiteral(" (") + Hex2(header->version) + QStringLiteral("h)");
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

QString ShownRowText(const Language& language, int field, const QString& text)
{
    const auto word = [&language](int id) { return language.GetLanguageText(id); };
    if (text == QLatin1String("Ok"))
        return word(searchtext::kOk);
    if (text == QLatin1String("Bad data"))
        return word(searchtext::kBadData);
    if (text == kNotAvailable)
        return word(searchtext::kNotAvailable);
    if (field == rowtext::kDevice) {
        if (text == kFixed)
            return word(searchtext::kFixedStructure);
        if (text.endsWith(u' ' + kNotAvailable)) // a known maker, an unknown model
            return text.chopped(kNotAvailable.size()) + word(searchtext::kNotAvailable);
        return text;
    }
    if (field != rowtext::kMedium)
        return text;
    // "Water (07h)", or "Reserved (34)" for a code beyond the table
    const qsizetype open = text.lastIndexOf(QLatin1String(" ("));
    if (open < 0)
        return text;
    const QString name = text.left(open);
    const QString code = text.mid(open);
    bool hex = false;
    const int number = code.endsWith(QLatin1String("h)")) ? code.mid(2, code.size() - 4).toInt(&hex, 16) : -1;
    if (hex && number < kNamedMedia && name == MediumNames(number))
        return word(searchtext::kFirstMedium + number) + code;
    if (!hex && name == MediumNames(kReservedMedium))
        return word(searchtext::kFirstMedium + kReservedMedium) + code;
    return text;
}
