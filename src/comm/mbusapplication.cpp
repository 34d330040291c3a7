#include "mbusapplication.h"

namespace {

constexpr int kIdentificationBytes = 4;

// The number in count bytes from offset on, least significant first unless
// msbFirst; nothing when the bytes end before it does.
std::optional<quint32> Number(const QByteArray& bytes, int offset, int count, bool msbFirst = false)
{
    if (bytes.size() < offset + count)
        return std::nullopt;
    quint32 value = 0;
    for (int i = 0; i < count; ++i) {
        const int at = msbFirst ? offset + i : offset + count - 1 - i;
        value = value << 8 | static_cast<quint8>(bytes[at]);
    }
    return value;
}

template <typename T>
std::optional<T> Field(const QByteArray& bytes, int offset, bool msbFirst = false)
{
    const std::optional<quint32> value = Number(bytes, offset, static_cast<int>(sizeof(T)), msbFirst);
    return value ? std::optional<T>(static_cast<T>(*value)) : std::nullopt;
}

} // namespace

bool IsVariableStructure(quint8 ci)
{
    return ci == mbus::kCiVariableReply || ci == mbus::kCiVariableReplyMsbFirst;
}

bool IsFixedStructure(quint8 ci)
{
    return ci == mbus::kCiFixedReply || ci == mbus::kCiFixedReplyMsbFirst;
}

VariableHeader ReadVariableHeader(const QByteArray& userData)
{
    VariableHeader header;
    header.identification = Number(userData, 0, kIdentificationBytes);
    header.manufacturer = Field<quint16>(userData, 4);
    header.version = Field<quint8>(userData, 6);
    header.medium = Field<quint8>(userData, 7);
    header.accessNumber = Field<quint8>(userData, 8);
    header.status = Field<quint8>(userData, 9);
    header.signature = Field<quint16>(userData, 10);
    return header;
}

FixedHeader ReadFixedHeader(const QByteArray& userData, bool msbFirst)
{
    FixedHeader header;
    header.identification = Number(userData, 0, kIdentificationBytes, msbFirst);
    header.accessNumber = Field<quint8>(userData, 4);
    header.status = Field<quint8>(userData, 5);
    header.mediumUnit = Field<quint16>(userData, 6);
    return header;
}

QString IdentificationText(quint32 identification)
{
    return QStringLiteral("%1").arg(identification, 2 * kIdentificationBytes, 16, QLatin1Char('0')).toUpper();
}

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

std::optional<quint16> ManufacturerCode(const QString& letters)
{
    if (letters.size() != 3)
        return std::nullopt;
    quint16 code = 0;
    for (const QChar letter : letters) {
        if (letter < QLatin1Char('A') || letter > QLatin1Char('Z'))
            return std::nullopt;
        code = static_cast<quint16>(code << 5 | (letter.unicode() - 64));
    }
    return code;
}

QString ManufacturerText(quint16 code)
{
    return QStringLiteral("%1").arg(code, 4, 16, QLatin1Char('0')).toUpper();
}
