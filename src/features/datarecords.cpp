#include "datarecords.h"

#include <utility>

#include "recordvalue.h"
#include "vifcodes.h"

#include <algorithm>

namespace {

// Frame offsets from 0: 68h L L 68h C A CI, then the user data.
constexpr int kLengthAt = 1;
constexpr int kCiAt = 6;
constexpr int kUserDataAt = 7;
constexpr int kFrameOverhead = 6; // 68h L L 68h before C, checksum and stop after the data
constexpr int kHeaderBytes = 12; // identification, manufacturer, version, medium, access, status, signature
constexpr quint8 kLongStart = 0x68;
constexpr quint8 kCiVariable = 0x72;
constexpr quint8 kCiVariableMsbFirst = 0x76;

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
        quantity.description = QStringLiteral("Plain-text unit");
        quantity.unit = QString::fromLatin1(text);
    } else if (code == kVifManufacturer) {
        quantity.description = QStringLiteral("Manufacturer specific");
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
    record.description = more ? QStringLiteral("Manufacturer specific data, more records follow")
                              : QStringLiteral("Manufacturer specific data");
    record.value = HexBytes(cursor.Take(cursor.Left()));
    record.bytes = cursor.From(begin);
    return record;
}

} // namespace

DataRecords DecodeDataRecords(const QByteArray& frame)
{
    DataRecords result;
    if (frame.size() <= kCiAt || static_cast<quint8>(frame[0]) != kLongStart) {
        result.error = QStringLiteral("not a long frame");
        return result;
    }
    const quint8 ci = static_cast<quint8>(frame[kCiAt]);
    if (ci != kCiVariable && ci != kCiVariableMsbFirst) {
        result.error = QStringLiteral("CI %1 carries no data records").arg(CodeName(ci));
        return result;
    }
    // A frame whose length disagrees with its L field cannot say where its
    // data end: nothing in it is read as records.
    const int length = static_cast<quint8>(frame[kLengthAt]);
    if (frame.size() != length + kFrameOverhead) {
        result.error = QStringLiteral("the L field gives a frame of %1 bytes, %2 arrived")
                           .arg(length + kFrameOverhead)
                           .arg(frame.size());
        return result;
    }
    const int end = static_cast<int>(frame.size()) - 2; // checksum and stop byte follow
    const int first = kUserDataAt + kHeaderBytes;
    if (end < first) {
        result.error = QStringLiteral("the header needs %1 bytes, the frame holds %2")
                           .arg(kHeaderBytes)
                           .arg(std::max(end - kUserDataAt, 0));
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
            record.function = QString::fromLatin1(kFunctions[dif >> 4 & 0x03]);
            broken = ReadDifes(cursor, dif, record);
        }
        Quantity quantity;
        if (!broken)
            broken = ReadVib(cursor, quantity);
        if (!broken) {
            record.description = quantity.description;
            if (!quantity.meterError.isEmpty())
                record.description += QStringLiteral(" (meter reports: %1)").arg(quantity.meterError);
            broken = ReadData(cursor, dif & 0x0F, ci == kCiVariableMsbFirst, quantity, record);
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
