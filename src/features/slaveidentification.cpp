#include "slaveidentification.h"

#include "comm/mbusapplication.h"
#include "comm/mbusframe.h"
#include "modbus/valuelib.h"
#include "base/textfields.h"
#include "base/textnumber.h"

#include <QLocale>

namespace {

// The Birch V2 values: frame positions 29-30 and 34-35 counted from 1.
constexpr int kVoltageAt = 28;
constexpr int kCurrentAt = 33;
constexpr int kTrailer = 2; // checksum and stop byte

quint8 At(const QByteArray& bytes, int index)
{
    return static_cast<quint8>(bytes[index]);
}

// The Birch V2 value at a frame offset, as the value library writes it, in tenths.
QString Tenths(const QByteArray& frame, int offset)
{
    const QString text = valuelib::ValueText(frame.mid(offset, 2), valuelib::kInt16, valuelib::kReversed, 2);
    const auto tenths = static_cast<double>(LeadingNumber(text));
    return QString::number(tenths / 10.0, 'g', QLocale::FloatingPointShortest);
}

} // namespace

SlaveIdentification DecodeSlaveIdentification(const QByteArray& frame)
{
    SlaveIdentification identification;
    if (frame.size() > mbus::kLongAddressAt)
        identification.address = QString::number(At(frame, mbus::kLongAddressAt));
    if (frame.size() <= mbus::kLongCiAt)
        return identification;
    const quint8 ci = At(frame, mbus::kLongCiAt);
    identification.ci = ci;
    const QByteArray data = LongFrameUserData(frame);
    if (IsFixedStructure(ci)) {
        const FixedHeader header = ReadFixedHeader(data, ci == mbus::kCiFixedReplyMsbFirst);
        identification.truncated = !header.identification;
        if (header.identification)
            identification.id = IdentificationText(*header.identification);
        identification.fixedStructure = true;
        identification.manufacturer = QStringLiteral("FFFF");
        identification.version = QStringLiteral("FF");
        identification.medium = QStringLiteral("FF");
        return identification;
    }
    if (!IsVariableStructure(ci))
        return identification;

    const VariableHeader header = ReadVariableHeader(data);
    identification.truncated = !header.medium;
    if (header.identification)
        identification.id = IdentificationText(*header.identification);
    if (header.manufacturer) {
        identification.manufacturer = ManufacturerText(*header.manufacturer);
        identification.letters = ManufacturerLetters(*header.manufacturer);
    }
    if (header.version)
        identification.version = Hex2(*header.version);
    if (header.medium)
        identification.medium = Hex2(*header.medium);
    return identification;
}

bool IsBirchV2(const SlaveIdentification& identification)
{
    return identification.version == QLatin1String("02")
        && identification.manufacturer == ManufacturerText(*ManufacturerCode(QStringLiteral("KVX")));
}

std::optional<BusValues> BirchV2BusValues(const QByteArray& frame)
{
    // Both values must lie in the user data, not in the checksum and stop byte.
    if (frame.size() < kCurrentAt + 2 + kTrailer)
        return std::nullopt;
    return BusValues{Tenths(frame, kVoltageAt), Tenths(frame, kCurrentAt)};
}
