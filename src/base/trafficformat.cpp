#include "trafficformat.h"

#include <algorithm>

namespace {

const char* Marker(TrafficKind kind)
{
    switch (kind) {
    case TrafficKind::Received:
        return " <- ";
    case TrafficKind::Sent:
        return " -> ";
    case TrafficKind::Text:
        break;
    }
    return "    ";
}

QString HexField(const QByteArray& bytes, qsizetype from)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    QString field(kTrafficDataWidth, u' ');
    const qsizetype count = std::min<qsizetype>(kTrafficBytesPerLine, bytes.size() - from);
    for (qsizetype i = 0; i < count; ++i) {
        const auto byte = static_cast<quint8>(bytes[from + i]);
        field[3 * i] = QLatin1Char(kDigits[byte >> 4]);
        field[3 * i + 1] = QLatin1Char(kDigits[byte & 0x0F]);
    }
    return field;
}

} // namespace

qint64 TrafficTick(quint32 rawTick)
{
    const auto signedTick = static_cast<qint32>(rawTick);
    // the one count that still reads negative after the correction shows as 0
    return signedTick < 0 ? std::max<qint64>(static_cast<qint64>(signedTick) + 2147483647, 0) : signedTick;
}

QString TrafficStamp(qint64 tick, TrafficKind kind)
{
    const qint64 hours = tick / 3600000;
    const qint64 minutes = tick / 60000 % 60;
    const qint64 seconds = tick / 1000 % 60;
    const qint64 millis = tick % 1000;
    return QStringLiteral(" %1:%2:%3.%4%5")
        .arg(hours)
        .arg(minutes, 2, 10, QLatin1Char('0'))
        .arg(seconds, 2, 10, QLatin1Char('0'))
        .arg(millis, 3, 10, QLatin1Char('0'))
        .arg(QLatin1String(Marker(kind)));
}

QStringList TrafficLines(const QString& timeOfDay, qint64 tick, const QByteArray& data, TrafficKind kind)
{
    QStringList lines;
    if (data.isEmpty())
        return lines;
    if (kind == TrafficKind::Text)
        return TrafficTextLines(timeOfDay, tick, QString::fromLatin1(data));
    const QString head = timeOfDay + TrafficStamp(tick, kind);
    const QString indent(head.size(), u' ');
    for (qsizetype from = 0; from < data.size(); from += kTrafficBytesPerLine)
        lines << (from == 0 ? head : indent) + HexField(data, from);
    return lines;
}

QStringList TrafficTextLines(const QString& timeOfDay, qint64 tick, const QString& text)
{
    if (text.isEmpty())
        return {};
    return {timeOfDay + TrafficStamp(tick, TrafficKind::Text) + text};
}
