#include "slaveidentification.h"

#include "modbus/valuelib.h"
#include "base/textnumber.h"

#include <QLocale>

namespace {

// Frame offsets from 0.
constexpr int kAddressAt = 5;
constexpr int kCiAt = 6;
constexpr int kUserDataAt = 7;
constexpr int kTrailer = 2; // checksum and stop byte

constexpr quint8 kCiVariable = 0x72;
constexpr quint8 kCiVariableMsbFirst = 0x76;
constexpr quint8 kCiFixed = 0x73;
constexpr quint8 kCiFixedMsbFirst = 0x77;

constexpr int kIdBytes = 4;
constexpr int kVariableHeaderBytes = 8; // identification, manufacturer, version, medium

// The Birch V2 values: frame positions 29-30 and 34-35 counted from 1.
constexpr int kVoltageAt = 28;
constexpr int kCurrentAt = 33;

QString Hex2(quint8 byte)
{
    return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

QByteArray UserData(const QByteArray& frame)
{
    if (frame.size() <= kUserDataAt + kTrailer)
        return {};
    return frame.mid(kUserDataAt, frame.size() - kUserDataAt - kTrailer);
}

quint8 At(const QByteArray& bytes, int index)
{
    return static_cast<quint8>(bytes[index]);
}

// The BCD digits most significant first, whichever order the meter sent them in.
QString IdText(const QByteArray& data, bool msbFirst)
{
    QString id;
    for (int i = 0; i < kIdBytes; ++i)
        id += Hex2(At(data, msbFirst ? i : kIdBytes - 1 - i));
    return id;
}

// The Birch V2 value at a frame offset, as the value library writes it, in tenths.
QString Tenths(const QByteArray& frame, int offset)
{
    const QString text = valuelib::ValueText(frame.mid(offset, 2), valuelib::kInt16, valuelib::kReversed, 2);
    const auto tenths = static_cast<double>(LeadingNumber(text));
    return QString::number(tenths / 10.0, 'g', QLocale::FloatingPointShortest);
}

} // namespace

QString ManufacturerLetters(quint16 code)
{
    if (code == 0)
        return QString();
    QString letters;
    letters += QChar(code / 1024 + 64);
    letters += QChar(code % 1024 / 32 + 64);
    letters += QChar(code % 32 + 64);
    return letters;
}

QString ManufacturerText(quint16 code)
{
    return QStringLiteral("%1").arg(code, 4, 16, QLatin1Char('0')).toUpper();
}

SlaveIdentification DecodeSlaveIdentification(const QByteArray& frame)
{
    SlaveIdentification identification;
    if (frame.size() > kAddressAt)
        identification.address = QString::number(At(frame, kAddressAt));
    if (frame.size() <= kCiAt)
        return identification;
    const quint8 ci = At(frame, kCiAt);
    identification.ci = ci;
    const QByteArray data = UserData(frame);
    const bool variable = ci == kCiVariable || ci == kCiVariableMsbFirst;
    const bool fixed = ci == kCiFixed || ci == kCiFixedMsbFirst;
    if (!variable && !fixed)
        return identification;

    identification.truncated = data.size() < (variable ? kVariableHeaderBytes : kIdBytes);
    if (data.size() >= kIdBytes)
        identification.id = IdText(data, ci == kCiFixedMsbFirst);
    if (fixed) {
        identification.fixedStructure = true;
        identification.manufacturer = QStringLiteral("FFFF");
        identification.version = QStringLiteral("FF");
        identification.medium = QStringLiteral("FF");
        return identification;
    }
    if (data.size() >= 6) {
        const auto code = static_cast<quint16>(At(data, 5) << 8 | At(data, 4));
        identification.manufacturer = ManufacturerText(code);
        identification.letters = ManufacturerLetters(code);
    }
    if (data.size() >= 7)
        identification.version = Hex2(At(data, 6));
    if (data.size() >= 8)
        identification.medium = Hex2(At(data, 7));
    return identification;
}

bool IsBirchV2(const SlaveIdentification& identification)
{
    // "KVX": K = 11, V = 22, X = 24 in five bits each.
    constexpr quint16 kKvx = 11 << 10 | 22 << 5 | 24;
    return identification.version == QLatin1String("02") && identification.manufacturer == ManufacturerText(kKvx);
}

std::optional<BusValues> BirchV2BusValues(const QByteArray& frame)
{
    // Both values must lie in the user data, not in the checksum and stop byte.
    if (frame.size() < kCurrentAt + 2 + kTrailer)
        return std::nullopt;
    return BusValues{Tenths(frame, kVoltageAt), Tenths(frame, kCurrentAt)};
}
