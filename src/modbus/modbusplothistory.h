#pragma once

#include "modbusrows.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <deque>

// The values of the Modbus rows over time, for the plot: one series per
// row and what it reads (register, type, word order), each keeping its
// latest points only.
class ModbusPlotHistory {
public:
    static constexpr qsizetype kPointsPerSeries = 10000;
    // Rows that are changed again and again would add series without end.
    static constexpr qsizetype kMostSeries = 24;

    struct Point {
        qint64 msecsSinceEpoch = 0;
        double value = 0;
        QString text; // the value as the row showed it
    };
    struct Series {
        int row = 0;
        QString label; // "Row 1: 100 FLOAT ABCD"
        std::deque<Point> points;
    };

    // labelPattern names a series by row number (from 1), register, type and
    // word order: %1 to %4.
    explicit ModbusPlotHistory(QString labelPattern = QStringLiteral("Row %1: %2 %3 %4"))
        : m_LabelPattern(std::move(labelPattern))
    {
    }

    // One reading of all rows: every row with a register and a numeric value
    // adds a point to its series. Returns the indexes of the series that
    // got one.
    QList<qsizetype> Add(const QDateTime& time, const ModbusValueRows& rows);

    const QList<Series>& AllSeries() const { return m_Series; }
    // Series removed from the front since the history began (so a view can
    // keep its own list in step).
    qsizetype DroppedSeries() const { return m_DroppedSeries; }
    void Clear();

    // "Series,Time,Value" and one line per point, CR LF after each; times
    // in ISO 8601 with milliseconds, values as the rows showed them.
    QByteArray Csv() const;

private:
    qsizetype SeriesFor(int row, const QString& label);

    QString m_LabelPattern;
    QList<Series> m_Series;
    qsizetype m_DroppedSeries = 0;
};

// The value axis of each series, numbered from 0 in the order the series
// first need one. Series whose values are of a size (within a factor of
// ten) share an axis; a counter in the thousands gets its own, so that it
// does not flatten a temperature. Series without points go on axis 0.
QList<int> ModbusPlotAxes(const QList<ModbusPlotHistory::Series>& series);

// The row's value as a number; nothing for texts, partial values and values
// that are no finite number.
std::optional<double> PlotValue(const ModbusValueRow& row);
