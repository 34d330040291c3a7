#include "valuelib.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>

namespace valuelib {

namespace {

bool IsCharType(int typeCode)
{
    return typeCode >= kChar2 && typeCode <= kChar16;
}

// The value's bytes, most significant first, from the bytes as received.
QByteArray MostSignificantFirst(const QByteArray& received, int order)
{
    const qsizetype size = received.size();
    if (size <= 2 && order == kRegistersSwapped)
        order = kAsReceived;
    if (size <= 2 && order == kBytesSwapped)
        order = kReversed;
    QByteArray value(size, '\0');
    for (qsizetype i = 0; i < size; ++i) {
        qsizetype from = i;
        switch (order) {
        case kReversed:
            from = size - 1 - i;
            break;
        case kRegistersSwapped: // register k of the value arrives as register (last - k)
            from = (size - 2 - (i / 2) * 2) + (i % 2);
            break;
        case kBytesSwapped:
            from = i ^ 1;
            break;
        default:
            break;
        }
        value[i] = received[from];
    }
    return value;
}

quint64 Unsigned(const QByteArray& mostSignificantFirst)
{
    quint64 value = 0;
    for (const char byte : mostSignificantFirst)
        value = (value << 8) | static_cast<quint8>(byte);
    return value;
}

std::string FloatText(double value, bool single)
{
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value < 0 ? "-Inf" : "Inf";
    std::array<char, 64> text{};
    const auto result = single ? std::to_chars(text.data(), text.data() + text.size(), static_cast<float>(value))
                               : std::to_chars(text.data(), text.data() + text.size(), value);
    return std::string(text.data(), result.ptr);
}

std::string CharactersText(const QByteArray& bytes)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<quint8>(c);
        if (byte == '\\') {
            text += "\\\\";
        } else if (byte >= 0x20 && byte <= 0x7E) {
            text += static_cast<char>(byte);
        } else {
            text += "\\x";
            text += kDigits[byte >> 4];
            text += kDigits[byte & 0x0F];
        }
    }
    return text;
}

std::string HexText(const QByteArray& bytes)
{
    return bytes.toHex(' ').toUpper().toStdString();
}

std::string ValueOf(const QByteArray& received, int typeCode, int order)
{
    const QByteArray value = MostSignificantFirst(received, order);
    const quint64 bits = Unsigned(value);
    switch (typeCode) {
    case kInt16:
        return std::to_string(static_cast<qint16>(bits));
    case kUInt16:
        return std::to_string(static_cast<quint16>(bits));
    case kInt32:
        return std::to_string(static_cast<qint32>(bits));
    case kUInt32:
        return std::to_string(static_cast<quint32>(bits));
    case kInt64:
        return std::to_string(static_cast<qint64>(bits));
    case kUInt64:
        return std::to_string(bits);
    case kFloat:
        return FloatText(std::bit_cast<float>(static_cast<quint32>(bits)), true);
    case kDFloat:
        return FloatText(std::bit_cast<double>(bits), false);
    default:
        return CharactersText(value);
    }
}

} // namespace

int ValueTypeBytes(int typeCode)
{
    switch (typeCode) {
    case kInt16:
    case kUInt16:
        return 2;
    case kInt32:
    case kUInt32:
    case kFloat:
        return 4;
    case kInt64:
    case kUInt64:
    case kDFloat:
        return 8;
    default:
        return IsCharType(typeCode) ? 2 * (typeCode - kChar2 + 1) : 0;
    }
}

qint32 CRC16(QByteArrayView data, qint32 count)
{
    // One table step per byte instead of eight shifts: the simulator judges
    // a candidate frame at every byte offset of what arrives.
    static constexpr std::array<quint16, 256> kTable = [] {
        std::array<quint16, 256> table{};
        for (unsigned byte = 0; byte < table.size(); ++byte) {
            unsigned crc = byte;
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
            table[byte] = static_cast<quint16>(crc);
        }
        return table;
    }();
    const qsizetype used = std::clamp<qsizetype>(count, 0, data.size());
    quint16 crc = 0xFFFF;
    for (qsizetype i = 0; i < used; ++i)
        crc = static_cast<quint16>((crc >> 8) ^ kTable[(crc ^ static_cast<quint8>(data[i])) & 0xFF]);
    return crc;
}

namespace {

// The text FillString writes, at any length.
std::string FullValueText(const QByteArray& source, int typeCode, int wordOrderCode, int byteCount)
{
    const int needed = ValueTypeBytes(typeCode);
    std::string text;
    if (needed == 0) {
        text = "Unknown data type " + std::to_string(typeCode);
    } else if (wordOrderCode < 0 || wordOrderCode >= kOrderCount) {
        text = "Unknown word order " + std::to_string(wordOrderCode);
    } else {
        const QByteArray given = source.left(std::clamp<qsizetype>(byteCount, 0, source.size()));
        if (given.size() < needed) {
            text = HexText(given) + " (" + std::to_string(given.size()) + " of " + std::to_string(needed) + " bytes)";
        } else {
            text = ValueOf(given.left(needed), typeCode, wordOrderCode);
        }
    }
    return text;
}

} // namespace

void FillString(const QByteArray& source, int typeCode, int wordOrderCode, QByteArray& destination, int byteCount)
{
    const std::string text = FullValueText(source, typeCode, wordOrderCode, byteCount);
    const qsizetype room = std::min<qsizetype>(destination.size(), kBufferSize);
    std::memcpy(destination.data(), text.data(), static_cast<size_t>(std::min<qsizetype>(room, text.size())));
}

QString ValueText(const QByteArray& source, int typeCode, int wordOrderCode, int byteCount)
{
    // as FillString into a buffer of blanks would show it, without the buffer
    const std::string text = FullValueText(source, typeCode, wordOrderCode, byteCount);
    return QString::fromLatin1(text.data(), std::min<qsizetype>(static_cast<qsizetype>(text.size()), kBufferSize))
        .trimmed();
}

} // namespace valuelib
