#include "vifcodes.h"

#include <iterator>

namespace {

// In the order of RecordWord.
const char* const kWords[] = {
    "Energy", "Volume", "Mass", "On time", "Operating time", "Power", "Volume flow", "Mass flow", "Flow temperature",
    "Return temperature", "External temperature", "Temperature difference", "Pressure", "Date", "Date and time",
    "Units for heat cost allocator", "Averaging duration", "Actuality duration", "Fabrication number",
    "Enhanced identification", "Bus address", "Access number", "Medium", "Manufacturer", "Firmware version",
    "Software version", "Error flags", "Voltage", "Current", "Manufacturer specific", "Plain-text unit",
    "Manufacturer specific data", "Manufacturer specific data, more records follow", "Counter 1", "Counter 2"};
static_assert(std::size(kWords) == static_cast<size_t>(RecordWord::Counter2) + 1);

std::optional<RecordWord> WordOf(const QString& description)
{
    for (size_t i = 0; i < std::size(kWords); ++i) {
        if (description == QLatin1String(kWords[i]))
            return static_cast<RecordWord>(i);
    }
    return std::nullopt;
}

Quantity Scaled(const char* description, const char* unit, int exponent)
{
    Quantity quantity;
    quantity.description = QString::fromUtf8(description);
    quantity.word = WordOf(quantity.description);
    quantity.unit = QString::fromUtf8(unit);
    quantity.exponent = exponent;
    return quantity;
}

Quantity Of(const QString& description, ValueKind kind, const QString& unit = {})
{
    Quantity quantity;
    quantity.description = description;
    quantity.word = WordOf(description);
    quantity.unit = unit;
    quantity.kind = kind;
    return quantity;
}

Quantity Of(const char* description, ValueKind kind, const char* unit = "")
{
    return Of(QString::fromUtf8(description), kind, QString::fromUtf8(unit));
}

// Seconds, minutes, hours, days by the last two bits.
const char* TimeUnit(quint8 code)
{
    static const char* const kUnits[] = {"s", "min", "h", "d"};
    return kUnits[code & 0x03];
}

// Hours, days, months, years by the last two bits.
const char* LongTimeUnit(quint8 code)
{
    static const char* const kUnits[] = {"h", "d", "months", "years"};
    return kUnits[code & 0x03];
}

Quantity Duration(const QString& description, const char* unit)
{
    return Of(description, ValueKind::Identifier, QString::fromUtf8(unit));
}

Quantity Duration(const char* description, const char* unit)
{
    return Duration(QString::fromUtf8(description), unit);
}

Quantity Unknown(const QString& what, quint8 code)
{
    Quantity quantity;
    quantity.description = what + u' ' + CodeName(code);
    quantity.kind = ValueKind::Hex;
    quantity.error = QStringLiteral("unknown ") + what + u' ' + CodeName(code);
    return quantity;
}

QString MeterErrorName(quint8 code)
{
    switch (code) {
    case 0x00: return QStringLiteral("none");
    case 0x01: return QStringLiteral("too many DIFE");
    case 0x02: return QStringLiteral("storage number not implemented");
    case 0x03: return QStringLiteral("unit number not implemented");
    case 0x04: return QStringLiteral("tariff number not implemented");
    case 0x05: return QStringLiteral("function not implemented");
    case 0x06: return QStringLiteral("data class not implemented");
    case 0x07: return QStringLiteral("data size not implemented");
    case 0x0B: return QStringLiteral("too many VIFE");
    case 0x0C: return QStringLiteral("illegal VIF group");
    case 0x0D: return QStringLiteral("illegal VIF exponent");
    case 0x0E: return QStringLiteral("VIF and DIF do not match");
    case 0x0F: return QStringLiteral("unimplemented action");
    case 0x15: return QStringLiteral("no data available");
    case 0x16: return QStringLiteral("data overflow");
    case 0x17: return QStringLiteral("data underflow");
    case 0x18: return QStringLiteral("data error");
    case 0x1C: return QStringLiteral("premature end of record");
    default: return QStringLiteral("error %1").arg(CodeName(code));
    }
}

void Prefix(Quantity& quantity, const QString& words)
{
    quantity.word.reset();
    quantity.description = words + quantity.description.left(1).toLower() + quantity.description.mid(1);
}

void Suffix(Quantity& quantity, const QString& words)
{
    quantity.word.reset();
    quantity.description += words;
}

void Suffix(Quantity& quantity, const char* words)
{
    Suffix(quantity, QString::fromUtf8(words));
}

void PerUnit(Quantity& quantity, const char* unit)
{
    quantity.unit += QString::fromUtf8(unit);
}

// VIFE 40h-6Fh: limits of the quantity and when and how long they were
// exceeded. Returns false for the reserved codes among them.
bool ApplyLimitVife(quint8 code, Quantity& quantity)
{
    const QString limit = (code & 0x08) ? QStringLiteral("upper limit") : QStringLiteral("lower limit");
    const QString firstLast = (code & 0x04) ? QStringLiteral("last") : QStringLiteral("first");
    const QString beginEnd = (code & 0x01) ? QStringLiteral("end") : QStringLiteral("begin");
    if (code <= 0x4F) {
        switch (code & 0x07) {
        case 0:
            Prefix(quantity, QStringLiteral("Value of %1 of ").arg(limit));
            return true;
        case 1:
            Prefix(quantity, QStringLiteral("Number of exceeds of %1 of ").arg(limit));
            quantity = Of(quantity.description, ValueKind::Identifier);
            return true;
        case 2:
        case 3:
        case 6:
        case 7:
            Prefix(quantity, QStringLiteral("Date of %1 of %2 %3 exceed of ").arg(beginEnd, firstLast, limit));
            quantity = Of(quantity.description, ValueKind::Date);
            return true;
        default:
            return false;
        }
    }
    if (code <= 0x5F) {
        Prefix(quantity, QStringLiteral("Duration of %1 %2 exceed of ").arg(firstLast, limit));
        quantity = Duration(quantity.description, TimeUnit(code));
        return true;
    }
    if (code <= 0x67) {
        Prefix(quantity, QStringLiteral("Duration of %1 ").arg(firstLast));
        quantity = Duration(quantity.description, TimeUnit(code));
        return true;
    }
    if ((code & 0x02) == 0)
        return false; // 68h, 69h, 6Ch, 6Dh
    Prefix(quantity, QStringLiteral("Date of %1 %2 of ").arg(firstLast, beginEnd));
    quantity = Of(quantity.description, ValueKind::Date);
    return true;
}

} // namespace

QString EnglishWord(RecordWord word)
{
    return QString::fromLatin1(kWords[static_cast<size_t>(word)]);
}

QString CodeName(quint8 code)
{
    return QStringLiteral("%1").arg(code, 2, 16, QLatin1Char('0')).toUpper() + u'h';
}

Quantity PrimaryVif(quint8 code)
{
    const int n3 = code & 0x07;
    const int n2 = code & 0x03;
    switch (code >> 3) {
    case 0x0: return Scaled("Energy", "Wh", n3 - 3);
    case 0x1: return Scaled("Energy", "J", n3);
    case 0x2: return Scaled("Volume", "m³", n3 - 6);
    case 0x3: return Scaled("Mass", "kg", n3 - 3);
    case 0x4: return Duration((code & 0x04) ? "Operating time" : "On time", TimeUnit(code));
    case 0x5: return Scaled("Power", "W", n3 - 3);
    case 0x6: return Scaled("Power", "J/h", n3);
    case 0x7: return Scaled("Volume flow", "m³/h", n3 - 6);
    case 0x8: return Scaled("Volume flow", "m³/min", n3 - 7);
    case 0x9: return Scaled("Volume flow", "m³/s", n3 - 9);
    case 0xA: return Scaled("Mass flow", "kg/h", n3 - 3);
    case 0xB: return (code & 0x04) ? Scaled("Return temperature", "°C", n2 - 3) : Scaled("Flow temperature", "°C", n2 - 3);
    case 0xC: return (code & 0x04) ? Scaled("External temperature", "°C", n2 - 3)
                                   : Scaled("Temperature difference", "K", n2 - 3);
    case 0xD:
        if (code <= 0x6B)
            return Scaled("Pressure", "bar", n2 - 3);
        if (code == 0x6C)
            return Of("Date", ValueKind::Date);
        if (code == 0x6D)
            return Of("Date and time", ValueKind::DateTime);
        if (code == 0x6E)
            return Of("Units for heat cost allocator", ValueKind::Number);
        break;
    case 0xE: return Duration((code & 0x04) ? "Actuality duration" : "Averaging duration", TimeUnit(code));
    case 0xF:
        if (code == 0x78)
            return Of("Fabrication number", ValueKind::Identifier);
        if (code == 0x79)
            return Of("Enhanced identification", ValueKind::Identifier);
        if (code == 0x7A)
            return Of("Bus address", ValueKind::Identifier);
        if (code == 0x7E) {
            Quantity any = Unknown(QStringLiteral("VIF"), code);
            any.error = QStringLiteral("VIF 7Eh (any VIF) belongs in a request");
            return any;
        }
        break;
    default:
        break;
    }
    return Unknown(QStringLiteral("VIF"), code);
}

Quantity ExtensionFb(quint8 code)
{
    const int n1 = code & 0x01;
    const int n2 = code & 0x03;
    if (code <= 0x01)
        return Scaled("Energy", "MWh", n1 - 1);
    if (code == 0x08 || code == 0x09)
        return Scaled("Energy", "GJ", n1 - 1);
    if (code == 0x10 || code == 0x11)
        return Scaled("Volume", "m³", n1 + 2);
    if (code == 0x18 || code == 0x19)
        return Scaled("Mass", "t", n1 + 2);
    switch (code) {
    case 0x21: return Scaled("Volume", "ft³", -1);
    case 0x22: return Scaled("Volume", "US gal", -1);
    case 0x23: return Scaled("Volume", "US gal", 0);
    case 0x24: return Scaled("Volume flow", "US gal/min", -3);
    case 0x25: return Scaled("Volume flow", "US gal/min", 0);
    case 0x26: return Scaled("Volume flow", "US gal/h", 0);
    default: break;
    }
    if (code == 0x28 || code == 0x29)
        return Scaled("Power", "MW", n1 - 1);
    if (code == 0x30 || code == 0x31)
        return Scaled("Power", "GJ/h", n1 - 1);
    if (code >= 0x58 && code <= 0x67) {
        static const char* const kNames[] = {"Flow temperature", "Return temperature", "Temperature difference",
                                             "External temperature"};
        return Scaled(kNames[(code - 0x58) / 4], "°F", n2 - 3);
    }
    if (code >= 0x70 && code <= 0x73)
        return Scaled("Cold/warm temperature limit", "°F", n2 - 3);
    if (code >= 0x74 && code <= 0x77)
        return Scaled("Cold/warm temperature limit", "°C", n2 - 3);
    if (code >= 0x78)
        return Scaled("Cumulative count of maximum power", "W", (code & 0x07) - 3);
    return Unknown(QStringLiteral("VIFE after FBh"), code);
}

Quantity ExtensionFd(quint8 code)
{
    const int n2 = code & 0x03;
    if (code <= 0x03)
        return Scaled("Credit", "currency units", n2 - 3);
    if (code <= 0x07)
        return Scaled("Debit", "currency units", n2 - 3);
    static const char* const kIdentifiers[] = {
        "Access number", "Medium", "Manufacturer", "Parameter set identification", "Model/version",
        "Hardware version", "Firmware version", "Software version", "Customer location", "Customer",
        "Access code user", "Access code operator", "Access code system operator", "Access code developer",
        "Password"};
    if (code == 0x0A)
        return Of("Manufacturer", ValueKind::Manufacturer);
    if (code >= 0x08 && code <= 0x16)
        return Of(kIdentifiers[code - 0x08], ValueKind::Identifier);
    switch (code) {
    case 0x17: return Of("Error flags", ValueKind::Flags);
    case 0x18: return Of("Error mask", ValueKind::Flags);
    case 0x1A: return Of("Digital output", ValueKind::Flags);
    case 0x1B: return Of("Digital input", ValueKind::Flags);
    case 0x1C: return Of("Baud rate", ValueKind::Identifier, "Bd");
    case 0x1D: return Of("Response delay time", ValueKind::Identifier, "bit times");
    case 0x1E: return Of("Retry", ValueKind::Identifier);
    case 0x20: return Of("First storage number for cyclic storage", ValueKind::Identifier);
    case 0x21: return Of("Last storage number for cyclic storage", ValueKind::Identifier);
    case 0x22: return Of("Size of storage block", ValueKind::Identifier);
    case 0x28: return Duration("Storage interval", "months");
    case 0x29: return Duration("Storage interval", "years");
    case 0x30: return Of("Start of tariff", ValueKind::Date);
    case 0x38: return Duration("Period of tariff", "months");
    case 0x39: return Duration("Period of tariff", "years");
    case 0x3A: return Of("Dimensionless", ValueKind::Number);
    case 0x60: return Of("Reset counter", ValueKind::Identifier);
    case 0x61: return Of("Cumulation counter", ValueKind::Identifier);
    case 0x62: return Of("Control signal", ValueKind::Flags);
    case 0x63: return Of("Day of week", ValueKind::Identifier);
    case 0x64: return Of("Week number", ValueKind::Identifier);
    case 0x65: return Of("Time point of day change", ValueKind::Identifier);
    case 0x66: return Of("State of parameter activation", ValueKind::Flags);
    case 0x67: return Of("Special supplier information", ValueKind::Flags);
    case 0x70: return Of("Date and time of battery change", ValueKind::DateTime);
    default: break;
    }
    if (code >= 0x24 && code <= 0x27)
        return Duration("Storage interval", TimeUnit(code));
    if (code >= 0x2C && code <= 0x2F)
        return Duration("Duration since last readout", TimeUnit(code));
    if (code >= 0x31 && code <= 0x33)
        return Duration("Duration of tariff", TimeUnit(code));
    if (code >= 0x34 && code <= 0x37)
        return Duration("Period of tariff", TimeUnit(code));
    if (code >= 0x40 && code <= 0x4F)
        return Scaled("Voltage", "V", (code & 0x0F) - 9);
    if (code >= 0x50 && code <= 0x5F)
        return Scaled("Current", "A", (code & 0x0F) - 12);
    if (code >= 0x68 && code <= 0x6B)
        return Duration("Duration since last cumulation", LongTimeUnit(code));
    if (code >= 0x6C && code <= 0x6F)
        return Duration("Operating time battery", LongTimeUnit(code));
    return Unknown(QStringLiteral("VIFE after FDh"), code);
}

void ApplyCombinableVife(quint8 code, Quantity& quantity)
{
    if (quantity.manufacturerVifes)
        return; // the maker's own, not ours to read
    if (code <= 0x1F) {
        quantity.meterError = MeterErrorName(code);
        return;
    }
    static const char* const kPer[] = {"/s", "/min", "/h", "/d", "/week", "/month", "/year", "/revolution"};
    if (code <= 0x27) {
        PerUnit(quantity, kPer[code - 0x20]);
        return;
    }
    switch (code) {
    case 0x28: case 0x29: Suffix(quantity, QStringLiteral(", increment per input pulse on channel %1").arg(code & 1)); return;
    case 0x2A: case 0x2B: Suffix(quantity, QStringLiteral(", increment per output pulse on channel %1").arg(code & 1)); return;
    case 0x2C: PerUnit(quantity, "/l"); return;
    case 0x2D: PerUnit(quantity, "/m³"); return;
    case 0x2E: PerUnit(quantity, "/kg"); return;
    case 0x2F: PerUnit(quantity, "/K"); return;
    case 0x30: PerUnit(quantity, "/kWh"); return;
    case 0x31: PerUnit(quantity, "/GJ"); return;
    case 0x32: PerUnit(quantity, "/kW"); return;
    case 0x33: PerUnit(quantity, "/(K·l)"); return;
    case 0x34: PerUnit(quantity, "/V"); return;
    case 0x35: PerUnit(quantity, "/A"); return;
    case 0x36: PerUnit(quantity, "·s"); return;
    case 0x37: PerUnit(quantity, "·s/V"); return;
    case 0x38: PerUnit(quantity, "·s/A"); return;
    case 0x39:
        Prefix(quantity, QStringLiteral("Start date of "));
        quantity = Of(quantity.description, ValueKind::Date);
        return;
    case 0x3A: Suffix(quantity, ", uncorrected"); return;
    case 0x3B: Suffix(quantity, ", positive contributions only"); return;
    case 0x3C: Suffix(quantity, ", negative contributions only"); return;
    case 0x7D: quantity.exponent += 3; return;
    case 0x7E: Suffix(quantity, ", future value"); return;
    case 0x7F:
        Suffix(quantity, ", manufacturer specific");
        quantity.kind = ValueKind::Hex;
        quantity.manufacturerVifes = true;
        return;
    default: break;
    }
    if (code >= 0x40 && code <= 0x6F && ApplyLimitVife(code, quantity))
        return;
    if (code >= 0x70 && code <= 0x77) {
        quantity.exponent += (code & 0x07) - 6;
        return;
    }
    if (code >= 0x78 && code <= 0x7B) {
        quantity.offsetExponent = (code & 0x03) - 3;
        return;
    }
    quantity.kind = ValueKind::Hex;
    quantity.error = QStringLiteral("unknown VIFE ") + CodeName(code);
}
