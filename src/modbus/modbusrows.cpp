#include "modbusrows.h"

#include "valuelib.h"
#include "base/textnumber.h"

#include <limits>

namespace {

const QStringList& TwoByteOrders()
{
    static const QStringList orders = {QStringLiteral("AB"), QStringLiteral("BA")};
    return orders;
}

const QStringList& AllOrders()
{
    static const QStringList orders = {QStringLiteral("ABCD"), QStringLiteral("DCBA"), QStringLiteral("CDAB"),
                                       QStringLiteral("BADC")};
    return orders;
}

bool IsValidType(int typeCode)
{
    return typeCode >= 0 && typeCode < valuelib::kTypeCount;
}

// The register number a field holds; nothing when it is empty.
std::optional<qint64> RegisterOf(const QString& text)
{
    if (QStringView(text).trimmed().isEmpty())
        return std::nullopt;
    return LeadingNumber(text);
}

constexpr qint64 kHighestRegister = 65535;

// Register numbers outside 0 .. 65535 name no register: no arithmetic is done
// with them, so a huge typed number can neither overflow nor wrap onto a real
// register.
bool IsRegister(qint64 number)
{
    return number >= 0 && number <= kHighestRegister;
}

// Whether the register lies in first .. first + count - 1 of the request.
bool InRequest(qint64 registerNumber, const ModbusRowSource& source)
{
    const std::optional<qint64> first = RegisterOf(source.firstRegister);
    const std::optional<qint64> count = RegisterOf(source.registerCount);
    if (!first || !count || !IsRegister(registerNumber) || !IsRegister(*first))
        return false;
    return registerNumber >= *first && registerNumber - *first < *count;
}

void MarkOutOfRange(ModbusValueRow& row)
{
    row.outOfRange = true;
    row.bytesText.clear();
    row.valueText.clear();
}

void DecodeRow(ModbusValueRow& row, const ModbusRowSource& source)
{
    const std::optional<QByteArray> bytes = ModbusRowBytes(row.registerText, row.typeCode, source);
    if (!bytes)
        return;
    if (bytes->isEmpty()) {
        row.bytesText.clear();
        row.valueText.clear();
        return;
    }
    const int n = 2 * ModbusRegistersPerType(row.typeCode);
    row.bytesText = ModbusHexText(*bytes, n);
    row.valueText = valuelib::ValueText(*bytes, row.typeCode, row.orderCode, n);
}

} // namespace

const QStringList& ModbusTypeNames()
{
    static const QStringList names = {
        QStringLiteral("INT16"),  QStringLiteral("UINT16"), QStringLiteral("INT32"),  QStringLiteral("UINT32"),
        QStringLiteral("INT64"),  QStringLiteral("UINT64"), QStringLiteral("FLOAT"),  QStringLiteral("DFLOAT"),
        QStringLiteral("CHAR2"),  QStringLiteral("CHAR4"),  QStringLiteral("CHAR6"),  QStringLiteral("CHAR8"),
        QStringLiteral("CHAR10"), QStringLiteral("CHAR12"), QStringLiteral("CHAR14"), QStringLiteral("CHAR16"),
    };
    return names;
}

int ModbusRegistersPerType(const QString& typeName)
{
    return ModbusRegistersPerType(static_cast<int>(ModbusTypeNames().indexOf(typeName)));
}

int ModbusRegistersPerType(int typeCode)
{
    return valuelib::ValueTypeBytes(typeCode) / 2;
}

QStringList ModbusWordOrders(const QString& typeName)
{
    return ModbusWordOrders(static_cast<int>(ModbusTypeNames().indexOf(typeName)));
}

QStringList ModbusWordOrders(int typeCode)
{
    switch (typeCode) {
    case valuelib::kInt16:
    case valuelib::kUInt16:
        return TwoByteOrders();
    case valuelib::kInt64:
    case valuelib::kUInt64:
        return AllOrders().mid(0, 2);
    case valuelib::kInt32:
    case valuelib::kUInt32:
    case valuelib::kFloat:
    case valuelib::kDFloat:
        return AllOrders();
    default:
        return IsValidType(typeCode) ? AllOrders().mid(0, 1) : QStringList();
    }
}

QString ModbusHexText(const QByteArray& bytes, int n)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    QString text;
    text.reserve(3 * bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<quint8>(bytes[i]);
        text += QLatin1Char(kDigits[byte >> 4]);
        text += QLatin1Char(kDigits[byte & 0x0F]);
        const qsizetype taken = i + 1;
        if (taken % 2 == 0 && taken != n)
            text += u' ';
    }
    return text;
}

std::optional<QByteArray> ModbusRowBytes(const QString& registerText, int typeCode, const ModbusRowSource& source)
{
    const std::optional<qint64> registerNumber = RegisterOf(registerText);
    const std::optional<qint64> first = RegisterOf(source.firstRegister);
    if (!registerNumber || !first || !IsRegister(*registerNumber) || !IsRegister(*first))
        return std::nullopt;
    const qint64 offset = 2 * (*registerNumber - *first);
    if (offset < 0 || offset >= source.registerData.size())
        return std::nullopt;
    return source.registerData.mid(offset, 2 * ModbusRegistersPerType(typeCode));
}

QString ModbusValueText(const QByteArray& bytes, int typeCode, int orderCode)
{
    return valuelib::ValueText(bytes, typeCode, orderCode, 2 * ModbusRegistersPerType(typeCode));
}

void FillModbusWordOrders(ModbusValueRows& rows)
{
    for (ModbusValueRow& row : rows) {
        row.orders = ModbusWordOrders(row.typeCode);
        row.orderCode = 0;
    }
}

void UpdateModbusRows(ModbusValueRows& rows, const ModbusRowSource& source)
{
    const bool requestGiven = !source.firstRegister.isEmpty() && !source.registerCount.isEmpty();
    if (source.autoRegister) {
        for (ModbusValueRow& row : rows)
            row.outOfRange = false;
        if (!requestGiven)
            return;
        rows[0].registerText = source.firstRegister;
        for (size_t k = 1; k < rows.size(); ++k) {
            const qint64 previous = LeadingNumber(rows[k - 1].registerText);
            const int step = ModbusRegistersPerType(rows[k - 1].typeCode);
            // saturating: a first register typed beyond any number stays there
            const qint64 next = previous > std::numeric_limits<qint64>::max() - step ? previous : previous + step;
            rows[k].registerText = QString::number(next);
        }
    } else {
        if (!requestGiven)
            return;
        for (ModbusValueRow& row : rows) {
            const std::optional<qint64> registerNumber = RegisterOf(row.registerText);
            if (!registerNumber)
                row.outOfRange = false; // nothing typed, nothing to warn about
            else if (InRequest(*registerNumber, source))
                row.outOfRange = false;
            else
                MarkOutOfRange(row);
        }
    }
    DecodeModbusRows(rows, source);
}

void DecodeModbusRows(ModbusValueRows& rows, const ModbusRowSource& source)
{
    for (ModbusValueRow& row : rows) {
        if (!row.registerText.isEmpty())
            DecodeRow(row, source);
    }
}

void LeaveModbusRegister(ModbusValueRows& rows, int row, const ModbusRowSource& source)
{
    if (row < 0 || row >= kModbusValueRows)
        return;
    ModbusValueRow& left = rows[static_cast<size_t>(row)];
    if (source.autoRegister) {
        DecodeModbusRows(rows, source);
        return;
    }
    const std::optional<qint64> registerNumber = RegisterOf(left.registerText);
    if (registerNumber && InRequest(*registerNumber, source)) {
        DecodeModbusRows(rows, source);
        left.outOfRange = false;
    } else if (registerNumber) {
        MarkOutOfRange(left);
    }
}

void ClearModbusRows(ModbusValueRows& rows)
{
    for (ModbusValueRow& row : rows) {
        row.typeCode = 0;
        row.orders = ModbusWordOrders(0);
        row.orderCode = 0;
        row.registerText.clear();
        row.bytesText.clear();
        row.valueText.clear();
        row.description.clear();
        row.outOfRange = false;
    }
}
