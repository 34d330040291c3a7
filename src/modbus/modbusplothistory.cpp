#include "modbusplothistory.h"

#include "base/textfields.h"

#include <cmath>

namespace {

bool IsNumberType(int typeCode)
{
    return typeCode >= 0 && typeCode < ModbusTypeNames().indexOf(QStringLiteral("CHAR2"));
}

} // namespace

std::optional<double> PlotValue(const ModbusValueRow& row)
{
    if (row.registerText.isEmpty() || !IsNumberType(row.typeCode))
        return std::nullopt;
    bool ok = false;
    const double value = row.valueText.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QList<qsizetype> ModbusPlotHistory::Add(const QDateTime& time, const ModbusValueRows& rows)
{
    QList<qsizetype> added;
    for (size_t i = 0; i < rows.size(); ++i) {
        const ModbusValueRow& row = rows[i];
        const std::optional<double> value = PlotValue(row);
        if (!value)
            continue;
        const QString label = QStringLiteral("Row %1: %2 %3 %4")
                                  .arg(i + 1)
                                  .arg(row.registerText, ModbusTypeNames().value(row.typeCode),
                                       row.orders.value(row.orderCode));
        const qsizetype index = SeriesFor(static_cast<int>(i), label);
        std::deque<Point>& points = m_Series[index].points;
        points.push_back({time.toMSecsSinceEpoch(), *value, row.valueText});
        while (static_cast<qsizetype>(points.size()) > kPointsPerSeries)
            points.pop_front();
        added.append(index);
    }
    return added;
}

qsizetype ModbusPlotHistory::SeriesFor(int row, const QString& label)
{
    for (qsizetype i = 0; i < m_Series.size(); ++i) {
        if (m_Series[i].row == row && m_Series[i].label == label)
            return i;
    }
    if (m_Series.size() == kMostSeries) {
        m_Series.removeFirst();
        ++m_DroppedSeries;
    }
    m_Series.append({row, label, {}});
    return m_Series.size() - 1;
}

void ModbusPlotHistory::Clear()
{
    m_DroppedSeries += m_Series.size();
    m_Series.clear();
}

QByteArray ModbusPlotHistory::Csv() const
{
    QString text = QStringLiteral("Series,Time,Value\r\n");
    for (const Series& series : m_Series) {
        for (const Point& point : series.points) {
            const QString time =
                QDateTime::fromMSecsSinceEpoch(point.msecsSinceEpoch).toString(Qt::ISODateWithMs);
            text += CsvField(series.label) + u',' + time + u',' + CsvField(point.text) + QStringLiteral("\r\n");
        }
    }
    return text.toUtf8();
}
