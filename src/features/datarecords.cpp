#include "datarecords.h"

#include <utility>

#include "recordvalue.h"
#include "vifcodes.h"

#include "comm/mbusapplication.h"
#include "comm/mbusframe.h"

#include <algorithm>
#include <iterator>
#include <optional>

namespace {

constexpr int kMaxExtensions = 10;
constexpr quint8 kExtension = 0x80;

constexpr quint8 kDifManufacturerData = 0x0F;
constexpr quint8 kDifMoreRecordsFollow = 0x1F;
constexpr quint8 kDifIdleFiller = 0x2F;
constexpr int kDataVariable = 0xD;
constexpr int kDataSpecial = 0xF;

constexpr quint8 kVifFb = 0xFB;
constexpr quint8 kVifFd = 0xFD;
constexpr quint8 kVifPlainText = 0x7C;
constexpr quint8 kVifManufacturer = 0x7F;

const char* const kFunctions[] = {"Instantaneous", "Maximum", "Minimum", "Error state"};

// The bytes of the user data, read front to back, never past their end.
class Cursor {
public:
    Cursor(const QByteArray& frame, int begin, int end)
        : m_Frame(frame)
        , m_Pos(begin)
        , m_End(end)
    {
    }
    bool AtEnd() const { return m_Pos >= m_End; }
    int Pos() const { return m_Pos; }
    int Left() const { return m_End - m_Pos; }
    quint8 Next() { return static_cast<quint8>(m_Frame[m_Pos++]); }
    QByteArray Take(int count)
    {
        const QByteArray bytes = m_Frame.mid(m_Pos, count);
        m_Pos += count;
        return bytes;
    }
    QByteArray From(int begin) const { return m_Frame.mid(begin, m_Pos - begin); }

private:
    const QByteArray& m_Frame;
    int m_Pos;
    int m_End;
};

// Ends decoding: the record cannot be read on, so nothing after it can be found.
struct Broken {
    QString error;
};

DataRecord Started(const Cursor& cursor)
{
    DataRecord record;
    record.position = cursor.Pos() + 1;
    return record;
}

// The DIF's extensions: storage number, tariff and subunit, four, two and
// one bits more with each DIFE.
std::optional<Broken> ReadDifes(Cursor& cursor, quint8 dif, DataRecord& record)
{
    record.storage = dif >> 6 & 0x01;
    quint8 last = dif;
    for (int i = 0; last & kExtension; ++i) {
        if (i == kMaxExtensions)
            return Broken{QStringLiteral("more than %1 DIFE").arg(kMaxExtensions)};
        if (cursor.AtEnd())
            return Broken{QStringLiteral("the frame ends where a DIFE should follow")};
        last = cursor.Next();
        record.storage |= static_cast<qint64>(last & 0x0F) << (1 + 4 * i);
        record.tariff |= (last >> 4 & 0x03) << (2 * i);
        record.subunit |= (last >> 6 & 0x01) << i;
    }
    return std::nullopt;
}

// Reads the VIF and every VIFE into the quantity.
std::optional<Broken> ReadVib(Cursor& cursor, Quantity& quantity)
{
    if (cursor.AtEnd())
        return Broken{QStringLiteral("the frame ends where the VIF should follow")};
    const quint8 vif = cursor.Next();
    const quint8 code = vif & ~kExtension;
    quint8 last = vif;
    int vifes = 0;
    const auto nextVife = [&]() -> std::optional<Broken> {
        if (vifes == kMaxExtensions)
            return Broken{QStringLiteral("more than %1 VIFE").arg(kMaxExtensions)};
        if (cursor.AtEnd())
            return Broken{QStringLiteral("the frame ends where a VIFE should follow")};
        last = cursor.Next();
        ++vifes;
        return std::nullopt;
    };

    if (vif == kVifFb || vif == kVifFd) {
        if (auto broken = nextVife())
            return broken;
        quantity = vif == kVifFb ? ExtensionFb(last & ~kExtension) : ExtensionFd(last & ~kExtension);
    } else if (code == kVifPlainText) {
        // The unit as text: a length byte, then the characters last first.
        if (cursor.AtEnd())
            return Broken{QStringLiteral("the frame ends where the plain-text unit's length should follow")};
        const int length = cursor.Next();
        if (cursor.Left() < length)
            return Broken{QStringLiteral("the plain-text unit needs %1 bytes, the frame holds %2").arg(length).arg(cursor.Left())};
        QByteArray text = cursor.Take(length);
        std::reverse(text.begin(), text.end());
        quantity.word = RecordWord::PlainTextUnit;
        quantity.description = EnglishWord(*quantity.word);
        quantity.unit = QString::fromLatin1(text);
    } else if (code == kVifManufacturer) {
        quantity.word = RecordWord::ManufacturerSpecific;
        quantity.description = EnglishWord(*quantity.word);
        quantity.kind = ValueKind::Hex;
        quantity.manufacturerVifes = true;
    } else if (code == 0x7B || code == 0x7D) {
        return Broken{QStringLiteral("VIF %1 without its extension").arg(CodeName(vif))};
    } else {
        quantity = PrimaryVif(code);
    }
    while (last & kExtension) {
        if (auto broken = nextVife())
            return broken;
        ApplyCombinableVife(last & ~kExtension, quantity);
    }
    return std::nullopt;
}

// The data and their value; an unknown quantity or data that do not fit it
// show the data in hex. Data of CI 76h replies arrive most significant byte first.
std::optional<Broken> ReadData(Cursor& cursor, int dataField, bool msbFirst, const Quantity& quantity,
                               DataRecord& record)
{
    std::optional<quint8> lvar;
    int size = 0;
    if (dataField == kDataVariable) {
        if (cursor.AtEnd())
            return Broken{QStringLiteral("the frame ends where the LVAR byte should follow")};
        lvar = cursor.Next();
        const std::optional<int> variableSize = VariableDataSize(*lvar);
        if (!variableSize)
            return Broken{QStringLiteral("reserved LVAR %1").arg(CodeName(*lvar))};
        size = *variableSize;
    } else {
        size = *FixedDataSize(dataField);
    }
    if (cursor.Left() < size)
        return Broken{QStringLiteral("the data need %1 bytes, the frame holds %2").arg(size).arg(cursor.Left())};
    QByteArray data = cursor.Take(size);
    if (msbFirst && !lvar)
        std::reverse(data.begin(), data.end());
    FieldValue value;
    if (quantity.error.isEmpty())
        value = lvar ? DecodeVariableField(*lvar, data, quantity) : DecodeFixedField(data, dataField, quantity);
    record.error = !quantity.error.isEmpty() ? quantity.error : value.error;
    record.value = record.error.isEmpty() ? value.text : HexBytes(data);
    record.unit = record.error.isEmpty() ? value.unit : QString();
    return std::nullopt;
}

// The rest of the user data after DIF 0Fh or 1Fh: the maker's own, in hex.
DataRecord ManufacturerData(Cursor& cursor, bool more)
{
    DataRecord record = Started(cursor);
    const int begin = cursor.Pos();
    cursor.Next();
    record.word = more ? RecordWord::ManufacturerDataMore : RecordWord::ManufacturerData;
    record.description = EnglishWord(*record.word);
    record.value = HexBytes(cursor.Take(cursor.Left()));
    record.bytes = cursor.From(begin);
    return record;
}


// The fixed data structure: its header, then the two counters.
constexpr int kCounterBytes = 4;
constexpr int kFixedDataBytes = mbus::kFixedHeaderBytes + 2 * kCounterBytes;
constexpr quint8 kStatusBinaryCounters = 0x80;
constexpr quint8 kStatusStoredValues = 0x40;
constexpr int kUnitSameButHistoric = 0x3E;
constexpr int kUnitNone = 0x3F;

struct FixedUnit {
    int exponent = 0;
    QString unit;
    QString error;
};

// A counter's six-bit unit code: from 02h on, groups of three decades of
// one unit; the rest stand alone.
FixedUnit FixedStructureUnit(int code)
{
    static const char* const kDecades[] = {"Wh",   "kWh",  "MWh",  "kJ", "MJ", "GJ", "W",    "kW",   "MW",
                                           "kJ/h", "MJ/h", "GJ/h", "ml", "l",  "m³", "ml/h", "l/h",  "m³/h"};
    constexpr int kFirstDecade = 0x02;
    constexpr int kDecadeCodes = 3 * static_cast<int>(std::size(kDecades));
    if (code == 0x00)
        return {0, QStringLiteral("h,min,s"), {}};
    if (code == 0x01)
        return {0, QStringLiteral("D,M,Y"), {}};
    if (code >= kFirstDecade && code < kFirstDecade + kDecadeCodes)
        return {(code - kFirstDecade) % 3, QString::fromUtf8(kDecades[(code - kFirstDecade) / 3]), {}};
    if (code == 0x38)
        return {-3, QStringLiteral("°C"), {}};
    if (code == 0x39)
        return {0, QStringLiteral("HCA units"), {}};
    if (code == kUnitNone)
        return {};
    return {0, {}, QStringLiteral("reserved unit %1").arg(CodeName(static_cast<quint8>(code)))};
}

// A counter's four bytes, least significant first: eight BCD digits or a
// binary number.
std::optional<qint64> CounterValue(const QByteArray& data, bool binary)
{
    qint64 value = 0;
    for (qsizetype i = data.size() - 1; i >= 0; --i) {
        const auto byte = static_cast<quint8>(data[i]);
        if (binary) {
            value = value * 256 + byte;
        } else {
            if ((byte >> 4) > 9 || (byte & 0x0F) > 9)
                return std::nullopt;
            value = value * 100 + (byte >> 4) * 10 + (byte & 0x0F);
        }
    }
    return value;
}

// The two counters as records; the numbers of CI 77h arrive most
// significant byte first.
QList<DataRecord> FixedStructureCounters(const QByteArray& frame, bool msbFirst)
{
    const FixedHeader header = ReadFixedHeader(LongFrameUserData(frame), msbFirst);
    const quint8 status = *header.status;
    const bool binary = (status & kStatusBinaryCounters) != 0;
    const auto unitCode = [&header](int counter) { return *header.mediumUnit >> (8 * counter) & 0x3F; };
    const int firstUnit = unitCode(0);
    QList<DataRecord> records;
    for (int counter = 0; counter < 2; ++counter) {
        const int begin = mbus::kLongUserDataAt + mbus::kFixedHeaderBytes + counter * kCounterBytes;
        DataRecord record;
        record.position = begin + 1;
        record.bytes = frame.mid(begin, kCounterBytes);
        record.storage = (status & kStatusStoredValues) != 0 ? 1 : 0;
        record.function = QString::fromLatin1(kFunctions[0]);
        record.functionCode = 0;
        record.word = counter == 0 ? RecordWord::Counter1 : RecordWord::Counter2;
        record.description = EnglishWord(*record.word);
        int code = unitCode(counter);
        if (counter == 1 && code == kUnitSameButHistoric) {
            code = firstUnit;
            record.storage = 1;
        }
        QByteArray data = record.bytes;
        if (msbFirst)
            std::reverse(data.begin(), data.end());
        const FixedUnit unit = FixedStructureUnit(code);
        const std::optional<qint64> value = CounterValue(data, binary);
        if (!value)
            record.error = QStringLiteral("a BCD digit above 9");
        else if (!unit.error.isEmpty())
            record.error = unit.error;
        record.value = record.error.isEmpty() ? ScaledDecimal(*value, unit.exponent) : HexBytes(record.bytes);
        record.unit = record.error.isEmpty() ? unit.unit : QString();
        records.append(std::move(record));
    }
    return records;
}

} // namespace

DataRecords DecodeDataRecords(const QByteArray& frame)
{
    DataRecords result;
    if (frame.size() <= mbus::kLongCiAt || static_cast<quint8>(frame[0]) != mbus::kLongStart) {
        result.error = QStringLiteral("not a long frame");
        return result;
    }
    const quint8 ci = static_cast<quint8>(frame[mbus::kLongCiAt]);
    const bool fixed = IsFixedStructure(ci);
    if (!IsVariableStructure(ci) && !fixed) {
        result.error = QStringLiteral("CI %1 carries no data records").arg(CodeName(ci));
        return result;
    }
    // A frame whose length disagrees with its L field cannot say where its
    // data end: nothing in it is read as records.
    const int length = static_cast<quint8>(frame[mbus::kLongLengthAt]);
    if (frame.size() != length + mbus::kLongFrameOverhead) {
        result.error = QStringLiteral("the L field gives a frame of %1 bytes, %2 arrived")
                           .arg(length + mbus::kLongFrameOverhead)
                           .arg(frame.size());
        return result;
    }
    const int end = static_cast<int>(frame.size()) - 2; // checksum and stop byte follow
    if (fixed) {
        if (end - mbus::kLongUserDataAt < kFixedDataBytes)
            result.error = QStringLiteral("the fixed structure needs %1 bytes, the frame holds %2")
                               .arg(kFixedDataBytes)
                               .arg(std::max(end - mbus::kLongUserDataAt, 0));
        else
            result.records = FixedStructureCounters(frame, ci == mbus::kCiFixedReplyMsbFirst);
        return result;
    }
    const int first = mbus::kLongUserDataAt + mbus::kVariableHeaderBytes;
    if (end < first) {
        result.error = QStringLiteral("the header needs %1 bytes, the frame holds %2")
                           .arg(mbus::kVariableHeaderBytes)
                           .arg(std::max(end - mbus::kLongUserDataAt, 0));
        return result;
    }

    Cursor cursor(frame, first, end);
    while (!cursor.AtEnd()) {
        const int begin = cursor.Pos();
        DataRecord record = Started(cursor);
        const quint8 dif = static_cast<quint8>(frame[begin]);
        if (dif == kDifIdleFiller) {
            cursor.Next();
            continue;
        }
        if (dif == kDifManufacturerData || dif == kDifMoreRecordsFollow) {
            result.moreRecordsFollow = dif == kDifMoreRecordsFollow;
            result.records.append(ManufacturerData(cursor, result.moreRecordsFollow));
            break;
        }
        cursor.Next();
        std::optional<Broken> broken;
        if ((dif & 0x0F) == kDataSpecial)
            broken = Broken{dif == 0x7F ? QStringLiteral("DIF 7Fh (global readout) belongs in a request")
                                        : QStringLiteral("reserved DIF %1").arg(CodeName(dif))};
        if (!broken) {
            record.functionCode = dif >> 4 & 0x03;
            record.function = QString::fromLatin1(kFunctions[*record.functionCode]);
            broken = ReadDifes(cursor, dif, record);
        }
        Quantity quantity;
        if (!broken)
            broken = ReadVib(cursor, quantity);
        if (!broken) {
            record.description = quantity.description;
            record.word = quantity.word;
            if (!quantity.meterError.isEmpty()) {
                record.description += QStringLiteral(" (meter reports: %1)").arg(quantity.meterError);
                record.word.reset();
            }
            broken = ReadData(cursor, dif & 0x0F, ci == mbus::kCiVariableReplyMsbFirst, quantity, record);
        }
        if (broken) {
            // Nothing after it can be read: the record keeps the rest of the data.
            cursor.Take(cursor.Left());
            record.bytes = cursor.From(begin);
            record.error = broken->error;
            record.value = HexBytes(record.bytes);
            record.unit.clear();
            result.records.append(std::move(record));
            break;
        }
        record.bytes = cursor.From(begin);
        result.records.append(std::move(record));
    }
    return result;
}
