#include "datarecord.h"

namespace {

bool IsBcdField(quint8 dif)
{
    const int code = dif & 0x0F;
    return code >= 0x9 && code <= 0xE && code != 0xD;
}

bool YearFits(int year, QString* error)
{
    if (year >= 2000 && year <= 2099)
        return true;
    *error = QStringLiteral("year %1 outside 2000-2099").arg(year);
    return false;
}

} // namespace

std::optional<int> DataFieldSize(quint8 dif)
{
    static constexpr int kSizes[16] = {0, 1, 2, 3, 4, 4, 6, 8, -1, 1, 2, 3, 4, -1, 6, -1};
    const int size = kSizes[dif & 0x0F];
    if (size < 0)
        return std::nullopt;
    return size;
}

std::optional<QByteArray> EncodeBcd(qint64 value, int bytes)
{
    if (value < 0)
        return std::nullopt;
    QByteArray encoded;
    for (int i = 0; i < bytes; ++i) {
        const int low = static_cast<int>(value % 10);
        value /= 10;
        const int high = static_cast<int>(value % 10);
        value /= 10;
        encoded.append(static_cast<char>(high << 4 | low));
    }
    if (value != 0)
        return std::nullopt;
    return encoded;
}

std::optional<QByteArray> EncodeRecordValue(quint8 dif, qint64 value, QString* error)
{
    const std::optional<int> size = DataFieldSize(dif);
    if (!size || *size == 0) {
        *error = QStringLiteral("DIF %1 carries no number").arg(dif, 2, 16, QLatin1Char('0'));
        return std::nullopt;
    }
    if (IsBcdField(dif)) {
        std::optional<QByteArray> bcd = EncodeBcd(value, *size);
        if (!bcd)
            *error = QStringLiteral("%1 does not fit %2 BCD digits").arg(value).arg(*size * 2);
        return bcd;
    }
    if ((dif & 0x0F) == 0x5) {
        *error = QStringLiteral("32-bit real values are not supported; give the bytes as hex");
        return std::nullopt;
    }
    const int bits = *size * 8;
    if (bits < 64) {
        const qint64 limit = qint64(1) << bits;
        if (value < -(limit / 2) || value >= limit) {
            *error = QStringLiteral("%1 does not fit %2 bytes").arg(value).arg(*size);
            return std::nullopt;
        }
    }
    QByteArray encoded;
    auto bitsLeft = static_cast<quint64>(value);
    for (int i = 0; i < *size; ++i) {
        encoded.append(static_cast<char>(bitsLeft & 0xFF));
        bitsLeft >>= 8;
    }
    return encoded;
}

std::optional<QByteArray> EncodeDateG(const QDate& date, QString* error)
{
    if (!date.isValid()) {
        *error = QStringLiteral("not a date");
        return std::nullopt;
    }
    if (!YearFits(date.year(), error))
        return std::nullopt;
    const int year = date.year() - 2000;
    QByteArray encoded;
    encoded.append(static_cast<char>(date.day() | (year & 0x07) << 5));
    encoded.append(static_cast<char>(date.month() | (year >> 3) << 4));
    return encoded;
}

std::optional<QByteArray> EncodeDateTimeF(const QDateTime& dateTime, QString* error)
{
    if (!dateTime.isValid()) {
        *error = QStringLiteral("not a date and time");
        return std::nullopt;
    }
    const std::optional<QByteArray> date = EncodeDateG(dateTime.date(), error);
    if (!date)
        return std::nullopt;
    QByteArray encoded;
    encoded.append(static_cast<char>(dateTime.time().minute()));
    encoded.append(static_cast<char>(dateTime.time().hour()));
    encoded.append(*date);
    return encoded;
}
