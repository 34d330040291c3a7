#include "modbusplothistory.h"

#include "base/textfields.h"

#include <algorithm>
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
        const QString label = QString(m_LabelPattern)
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

QList<int> ModbusPlotAxes(const QList<ModbusPlotHistory::Series>& series)
{
    constexpr double kShareFactor = 10;
    struct Axis {
        double smallest = 0; // of its series' sizes
        double largest = 0;
    };
    QList<Axis> axes;
    QList<int> chosen;
    for (const ModbusPlotHistory::Series& one : series) {
        double size = 0; // the largest value, whatever its sign
        for (const ModbusPlotHistory::Point& point : one.points)
            size = std::max(size, std::abs(point.value));
        qsizetype axis = 0;
        if (size > 0) {
            for (axis = 0; axis < axes.size(); ++axis) {
                const double smallest = std::min(axes[axis].smallest, size);
                const double largest = std::max(axes[axis].largest, size);
                if (axes[axis].largest == 0 || largest <= kShareFactor * smallest)
                    break;
            }
        }
        if (axis == axes.size())
            axes.append({size, size});
        else if (size > 0)
            axes[axis] = axes[axis].largest == 0
                             ? Axis{size, size}
                             : Axis{std::min(axes[axis].smallest, size), std::max(axes[axis].largest, size)};
        chosen.append(static_cast<int>(axis));
    }
    return chosen;
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
