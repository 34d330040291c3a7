#include "recordvalue.h"

#include <QDate>

#include <charconv>
#include <cmath>
#include <cstring>

namespace {

using Wide = __int128;

constexpr int kDataReal = 0x5;
constexpr int kDataSelection = 0x8;
// A 64-bit value times 10^18 still fits the wide integer.
constexpr int kMaxExactShift = 18;

bool IsBcd(int dataField)
{
    return dataField >= 0x9 && dataField <= 0xE && dataField != 0xD;
}

quint8 At(const QByteArray& bytes, int index)
{
    return static_cast<quint8>(bytes[index]);
}

QString WideText(Wide value)
{
    if (value == 0)
        return QStringLiteral("0");
    const bool negative = value < 0;
    QString digits;
    while (value != 0) {
        const int digit = static_cast<int>(value % 10);
        digits.prepend(QChar(u'0' + (negative ? -digit : digit)));
        value /= 10;
    }
    return negative ? u'-' + digits : digits;
}

Wide PowerOfTen(int exponent)
{
    Wide power = 1;
    for (int i = 0; i < exponent; ++i)
        power *= 10;
    return power;
}

QString WideScaled(Wide mantissa, int exponent)
{
    if (exponent >= 0)
        return mantissa == 0 ? WideText(0) : WideText(mantissa) + QString(exponent, u'0');
    const bool negative = mantissa < 0;
    QString digits = WideText(negative ? -mantissa : mantissa);
    const int decimals = -exponent;
    if (digits.size() <= decimals)
        digits = QString(decimals - digits.size() + 1, u'0') + digits;
    digits.insert(digits.size() - decimals, u'.');
    return negative ? u'-' + digits : digits;
}

// A prefix for the units that read better with one, and the exponent left.
void PrefixUnit(QString& unit, int& exponent)
{
    struct Prefixed {
        const char* base;
        const char* prefixed;
        int shift; // the prefix's power of ten
    };
    static const Prefixed kPrefixes[] = {{"Wh", "kWh", 3}, {"W", "kW", 3}, {"A", "mA", -3}, {"V", "mV", -3}};
    for (const Prefixed& prefix : kPrefixes) {
        if (unit != QLatin1String(prefix.base))
            continue;
        if ((prefix.shift > 0 && exponent >= prefix.shift) || (prefix.shift < 0 && exponent <= prefix.shift)) {
            unit = QLatin1String(prefix.prefixed);
            exponent -= prefix.shift;
        }
        return;
    }
}

// Binary integer, least significant byte first (at most 8 bytes).
Wide Binary(const QByteArray& data, bool isSigned)
{
    quint64 bits = 0;
    for (int i = static_cast<int>(data.size()) - 1; i >= 0; --i)
        bits = bits << 8 | At(data, i);
    const int width = static_cast<int>(data.size()) * 8;
    if (isSigned && width > 0 && width < 64 && (bits >> (width - 1) & 1))
        return static_cast<Wide>(bits) - (static_cast<Wide>(1) << width);
    if (isSigned && width == 64)
        return static_cast<qint64>(bits);
    return static_cast<Wide>(bits);
}

struct Bcd {
    Wide value = 0;
    bool valid = true;
};

// BCD digits, least significant byte first; a top digit Fh makes the value negative.
Bcd BcdNumber(const QByteArray& data, bool negative)
{
    Bcd bcd;
    for (int i = static_cast<int>(data.size()) - 1; i >= 0; --i) {
        for (const int shift : {4, 0}) {
            const int digit = At(data, i) >> shift & 0x0F;
            if (digit == 0x0F && i == data.size() - 1 && shift == 4) {
                negative = !negative;
                continue;
            }
            if (digit > 9)
                bcd.valid = false;
            bcd.value = bcd.value * 10 + digit;
        }
    }
    if (negative)
        bcd.value = -bcd.value;
    return bcd;
}

QString BcdDigits(const QByteArray& data)
{
    QString digits;
    for (int i = static_cast<int>(data.size()) - 1; i >= 0; --i)
        digits += QStringLiteral("%1").arg(At(data, i), 2, 16, QLatin1Char('0')).toUpper();
    return digits;
}

// The real value times 10^exponent, in the shortest text that keeps the real's digits.
QString RealText(const QByteArray& data, int exponent)
{
    quint32 bits = 0;
    for (int i = 3; i >= 0; --i)
        bits = bits << 8 | At(data, i);
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-Inf") : QStringLiteral("Inf");
    char buffer[32] = {};
    const auto end = std::to_chars(buffer, buffer + sizeof buffer - 1, value, std::chars_format::scientific).ptr;
    // d.ddde±x: shift the decimal exponent by the scaling, exactly.
    const QString scientific = QString::fromLatin1(buffer, static_cast<int>(end - buffer));
    const qsizetype e = scientific.indexOf(u'e');
    QString mantissa = scientific.left(e);
    const bool negative = mantissa.startsWith(u'-');
    mantissa.remove(u'-').remove(u'.');
    const int decimalExponent = scientific.mid(e + 1).toInt() + exponent - static_cast<int>(mantissa.size() - 1);
    Wide digits = 0;
    for (const QChar digit : mantissa)
        digits = digits * 10 + (digit.unicode() - u'0');
    QString text = WideScaled(negative ? -digits : digits, decimalExponent);
    if (text.contains(u'.')) {
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(u'.'))
            text.chop(1);
    }
    return text;
}

int FullYear(int twoDigits, int hundreds)
{
    // Without the hundred-year bits, 81-99 are the last century's years.
    if (hundreds == 0)
        return twoDigits <= 80 ? 2000 + twoDigits : 1900 + twoDigits;
    return 1900 + 100 * hundreds + twoDigits;
}

QString TwoDigits(int number)
{
    return QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0'));
}

QString DatePart(int year, int month, int day)
{
    return QStringLiteral("%1-%2-%3").arg(year).arg(TwoDigits(month), TwoDigits(day));
}

QString TimePart(int hour, int minute)
{
    return TwoDigits(hour) + u':' + TwoDigits(minute);
}

int PackedYear(quint8 dayByte, quint8 monthByte)
{
    return (dayByte & 0xE0) >> 5 | (monthByte & 0xF0) >> 1;
}

// Date and time as the record's size gives it: type G (2 bytes), J (3,
// time of day only), F (4) or I (6). Fields outside their range are shown
// as they are and marked.
FieldValue DateValue(const QByteArray& data, int dataField)
{
    FieldValue value;
    if (IsBcd(dataField) || dataField == kDataReal) {
        value.error = QStringLiteral("a date must be binary, not data field %1h").arg(QString::number(dataField, 16).toUpper());
        return value;
    }
    bool valid = true;
    switch (data.size()) {
    case 2: {
        const int year = FullYear(PackedYear(At(data, 0), At(data, 1)), 0);
        const int month = At(data, 1) & 0x0F;
        const int day = At(data, 0) & 0x1F;
        value.text = DatePart(year, month, day);
        valid = QDate::isValid(year, month, day);
        break;
    }
    case 3:
        value.text = TimePart(At(data, 2) & 0x1F, At(data, 1) & 0x3F) + u':' + TwoDigits(At(data, 0) & 0x3F);
        break;
    case 4: {
        const int year = FullYear(PackedYear(At(data, 2), At(data, 3)), At(data, 1) >> 5 & 0x03);
        const int month = At(data, 3) & 0x0F;
        const int day = At(data, 2) & 0x1F;
        value.text = DatePart(year, month, day) + u' ' + TimePart(At(data, 1) & 0x1F, At(data, 0) & 0x3F);
        valid = QDate::isValid(year, month, day) && (At(data, 0) & 0x80) == 0; // bit 7: marked invalid by the meter
        if (At(data, 1) & 0x80)
            value.text += QStringLiteral(" (summer time)");
        break;
    }
    case 6: {
        const int year = FullYear(PackedYear(At(data, 3), At(data, 4)), 0);
        const int month = At(data, 4) & 0x0F;
        const int day = At(data, 3) & 0x1F;
        value.text = DatePart(year, month, day) + u' ' + TimePart(At(data, 2) & 0x1F, At(data, 1) & 0x3F) + u':' +
                     TwoDigits(At(data, 0) & 0x3F);
        valid = QDate::isValid(year, month, day);
        break;
    }
    default:
        value.error = QStringLiteral("a date needs 2, 3, 4 or 6 bytes, not %1").arg(data.size());
        return value;
    }
    if (!valid)
        value.text += QStringLiteral(" (invalid)");
    return value;
}

QString FlagsText(const QByteArray& data)
{
    QString hex;
    for (int i = static_cast<int>(data.size()) - 1; i >= 0; --i)
        hex += QStringLiteral("%1").arg(At(data, i), 2, 16, QLatin1Char('0')).toUpper();
    return hex + u'h';
}

// An integer's value by the quantity: scaled, corrected, with its unit.
FieldValue NumberValue(Wide raw, const Quantity& quantity)
{
    FieldValue value;
    value.unit = quantity.unit;
    if (quantity.kind == ValueKind::Identifier) {
        value.text = WideText(raw);
        return value;
    }
    int exponent = quantity.exponent;
    if (quantity.offsetExponent) {
        // Both terms at the finer of the two scalings, so the sum stays exact.
        const int common = std::min(exponent, *quantity.offsetExponent);
        if (std::max(exponent, *quantity.offsetExponent) - common > kMaxExactShift) {
            value.error = QStringLiteral("the correction and the value are %1 powers of ten apart")
                              .arg(std::max(exponent, *quantity.offsetExponent) - common);
            return value;
        }
        raw = raw * PowerOfTen(exponent - common) + PowerOfTen(*quantity.offsetExponent - common);
        exponent = common;
    }
    PrefixUnit(value.unit, exponent);
    value.text = WideScaled(raw, exponent);
    return value;
}

FieldValue ByKind(const QByteArray& data, int dataField, const Quantity& quantity)
{
    FieldValue value;
    switch (quantity.kind) {
    case ValueKind::Hex:
        value.text = HexBytes(data);
        return value;
    case ValueKind::Flags:
        value.text = FlagsText(data);
        return value;
    case ValueKind::Date:
    case ValueKind::DateTime:
        return DateValue(data, dataField);
    case ValueKind::Manufacturer:
        if (data.size() == 2 && !IsBcd(dataField)) {
            const auto code = static_cast<quint16>(At(data, 1) << 8 | At(data, 0));
            for (const int shift : {10, 5, 0})
                value.text += QChar((code >> shift & 0x1F) + 64);
            return value;
        }
        value.text = HexBytes(data);
        return value;
    case ValueKind::Number:
    case ValueKind::Identifier:
        break;
    }
    if (dataField == kDataReal) {
        int exponent = quantity.kind == ValueKind::Identifier ? 0 : quantity.exponent;
        value.unit = quantity.unit;
        PrefixUnit(value.unit, exponent);
        value.text = RealText(data, exponent);
        return value;
    }
    if (IsBcd(dataField)) {
        if (quantity.kind == ValueKind::Identifier) {
            value.text = BcdDigits(data);
            value.unit = quantity.unit;
            return value;
        }
        const Bcd bcd = BcdNumber(data, false);
        if (!bcd.valid) {
            value.error = QStringLiteral("not a BCD number: %1").arg(BcdDigits(data));
            return value;
        }
        return NumberValue(bcd.value, quantity);
    }
    return NumberValue(Binary(data, quantity.kind == ValueKind::Number), quantity);
}

QString VisibleText(const QByteArray& reversed)
{
    QString text;
    for (int i = static_cast<int>(reversed.size()) - 1; i >= 0; --i) {
        const quint8 c = At(reversed, i);
        if (c >= 0x20 && c < 0x7F && c != '\\')
            text += QChar(c);
        else if (c == '\\')
            text += QStringLiteral("\\\\");
        else
            text += QStringLiteral("\\x") + QStringLiteral("%1").arg(c, 2, 16, QLatin1Char('0')).toUpper();
    }
    return text;
}

} // namespace

std::optional<int> FixedDataSize(int dataField)
{
    static constexpr int kSizes[16] = {0, 1, 2, 3, 4, 4, 6, 8, 0, 1, 2, 3, 4, -1, 6, -1};
    const int size = kSizes[dataField & 0x0F];
    if (size < 0)
        return std::nullopt;
    return size;
}

std::optional<int> VariableDataSize(quint8 lvar)
{
    if (lvar <= 0xBF)
        return lvar;
    if (lvar <= 0xCF)
        return lvar <= 0xC9 ? std::optional<int>(lvar - 0xC0) : std::nullopt;
    if (lvar <= 0xDF)
        return lvar <= 0xD9 ? std::optional<int>(lvar - 0xD0) : std::nullopt;
    if (lvar <= 0xEF)
        return lvar - 0xE0;
    if (lvar <= 0xF4)
        return 4 * (lvar - 0xEC);
    if (lvar == 0xF5)
        return 48;
    if (lvar == 0xF6)
        return 64;
    return std::nullopt;
}

FieldValue DecodeFixedField(const QByteArray& data, int dataField, const Quantity& quantity)
{
    FieldValue value;
    if (dataField == 0x0) {
        value.unit = quantity.unit;
        return value; // a record without data: the quantity alone
    }
    if (dataField == kDataSelection) {
        value.error = QStringLiteral("data field 8h (selection for readout) belongs in a request");
        return value;
    }
    return ByKind(data, dataField, quantity);
}

FieldValue DecodeVariableField(quint8 lvar, const QByteArray& data, const Quantity& quantity)
{
    FieldValue value;
    if (lvar <= 0xBF) {
        // Text arrives last character first.
        value.text = VisibleText(data);
        value.unit = quantity.unit;
        return value;
    }
    if (lvar <= 0xD9) {
        if (quantity.kind == ValueKind::Hex) {
            value.text = HexBytes(data);
            return value;
        }
        const Bcd bcd = BcdNumber(data, lvar >= 0xD0);
        if (!bcd.valid) {
            value.error = QStringLiteral("not a BCD number: %1").arg(BcdDigits(data));
            return value;
        }
        return NumberValue(bcd.value, quantity);
    }
    if (lvar <= 0xE8 && quantity.kind != ValueKind::Hex && quantity.kind != ValueKind::Flags)
        return NumberValue(Binary(data, quantity.kind == ValueKind::Number), quantity);
    value.text = HexBytes(data);
    return value;
}

QString ScaledDecimal(qint64 mantissa, int exponent)
{
    return WideScaled(mantissa, exponent);
}

QString HexBytes(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}
