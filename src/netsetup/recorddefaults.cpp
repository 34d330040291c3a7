#include "recorddefaults.h"

#include <initializer_list>
#include <utility>

namespace {

using Bytes = std::initializer_list<std::pair<int, quint8>>;

QByteArray Sparse(int length, quint8 fill, Bytes bytes)
{
    QByteArray record(length, static_cast<char>(fill));
    for (const auto& [offset, value] : bytes)
        record[offset] = static_cast<char>(value);
    return record;
}

QByteArray Factory(int recordNumber)
{
    switch (recordNumber) {
    case 0: // IP settings and the first serial channel (UDP, port 10001, 2400 baud); a second channel on TCP 10002
        return Sparse(120, 0x00,
                      {{6, 0x08}, {7, 0x2D}, {16, 0x7C}, {17, 0x04}, {20, 0x11}, {21, 0x27}, {28, 0xCC}, {29, 0x01},
                       {64, 0x4C}, {65, 0x02}, {68, 0x12}, {69, 0x27}, {76, 0xC0}});
    case 1: { // security switches: telnet off, configuration over UDP allowed
        QByteArray record = Sparse(126, 0x00, {{0, 0x21}, {48, 0x80}});
        record.replace(34, 6, "kestro");
        return record;
    }
    case 2:
    case 4:
        return Sparse(126, 0xFF, {});
    case 3:
        return Sparse(126, 0x00, {{0, 0x03}, {1, 0xFA}, {75, 0x0D}, {76, 0x0D}, {100, 0x58}, {101, 0x02}});
    case 5:
        return Sparse(126, 0x00, {});
    case 6:
        return Sparse(126, 0x00,
                      {{26, 0x03}, {53, 0x03}, {54, 0x01}, {60, 0x03}, {87, 0x03}, {88, 0x01}, {94, 0x03},
                       {121, 0x03}, {122, 0x01}});
    case 7:
        return Sparse(126, 0x00, {{0, 0x04}, {1, 0x06}, {2, 0x08}, {7, 0x80}, {9, 0x80}, {11, 0x80}});
    default:
        return {};
    }
}

int HexDigit(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    const QChar upper = c.toUpper();
    if (upper >= u'A' && upper <= u'F')
        return upper.unicode() - u'A' + 10;
    return -1;
}

} // namespace

QString DefaultRecordHex(int recordNumber)
{
    return QString::fromLatin1(Factory(recordNumber).toHex().toUpper());
}

QByteArray DefaultRecordBytes(int recordNumber)
{
    // What reading DefaultRecordHex pair by pair gives, without the detour
    // through text: every record made or restored starts from here.
    return Factory(recordNumber);
}

quint32 HexToNumber(const QString& text)
{
    if (text.isEmpty() || HexDigit(text.back()) < 0)
        return 0;
    quint32 value = 0;
    quint32 weight = 1;
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        const int digit = HexDigit(text[i]);
        if (digit < 0)
            break; // digits are read from the right up to the first non-digit
        value += static_cast<quint32>(digit) * weight;
        weight <<= 4;
    }
    return value;
}
