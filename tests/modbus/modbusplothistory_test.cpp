// The plot's memory of the rows' values: one series per row and what it
// reads, the latest points only, and the CSV it saves.
#include "modbus/modbusplothistory.h"

#include "testenvironment.h"

#include <gtest/gtest.h>

namespace {

ModbusValueRows Rows(const QString& value0, const QString& value1 = QString())
{
    ModbusValueRows rows;
    rows[0].registerText = "100";
    rows[0].valueText = value0;
    rows[1].registerText = "101";
    rows[1].typeCode = 6; // FLOAT
    rows[1].orders = ModbusWordOrders(6);
    rows[1].orderCode = 2;
    rows[1].valueText = value1;
    rows[2].registerText = "102";
    rows[2].typeCode = 10; // CHAR6: never a number
    rows[2].valueText = "123456";
    return rows;
}

const QDateTime kStart = QDateTime::fromString("2025-03-01T12:00:00.000Z", Qt::ISODateWithMs);

TEST(ModbusPlotHistoryTest, NumbersOnlyOneSeriesPerRowAndWhatItReads)
{
    struct Row {
        const char* text;
        bool plotted;
    } values[] = {{"-2", true}, {"21.5", true}, {"1e+20", true}, {"NaN", false}, {"Inf", false},
                  {"0102 (2 of 4 bytes)", false}, {"", false}};
    for (const Row& value : values) {
        ModbusValueRow row;
        row.registerText = "1";
        row.valueText = QString::fromLatin1(value.text);
        EXPECT_EQ(PlotValue(row).has_value(), value.plotted) << value.text;
    }

    ModbusPlotHistory history;
    EXPECT_EQ(history.Add(kStart, Rows("-2", "21.5")), QList<qsizetype>({0, 1}));
    EXPECT_EQ(history.Add(kStart.addSecs(1), Rows("-3")), QList<qsizetype>({0}));
    ModbusValueRows moved = Rows("7", "1.5");
    moved[1].orderCode = 0; // another word order: another series
    EXPECT_EQ(history.Add(kStart.addSecs(2), moved), QList<qsizetype>({0, 2}));
    ASSERT_EQ(history.AllSeries().size(), 3);
    EXPECT_EQ(history.AllSeries()[0].label, "Row 1: 100 INT16 AB");
    EXPECT_EQ(history.AllSeries()[1].label, "Row 2: 101 FLOAT CDAB");
    EXPECT_EQ(history.AllSeries()[2].label, "Row 2: 101 FLOAT ABCD");
    EXPECT_EQ(history.AllSeries()[0].points.size(), 3u);
}

TEST(ModbusPlotHistoryTest, KeepsTheLatestPointsAndSeries)
{
    ModbusPlotHistory history;
    for (int i = 0; i < ModbusPlotHistory::kPointsPerSeries + 5; ++i)
        history.Add(kStart.addMSecs(i), Rows(QString::number(i)));
    const auto& points = history.AllSeries()[0].points;
    EXPECT_EQ(static_cast<qsizetype>(points.size()), ModbusPlotHistory::kPointsPerSeries);
    EXPECT_EQ(points.front().value, 5);
    EXPECT_EQ(points.back().value, ModbusPlotHistory::kPointsPerSeries + 4);

    for (int r = 0; r < ModbusPlotHistory::kMostSeries + 2; ++r) {
        ModbusValueRows rows = Rows("1");
        rows[0].registerText = QString::number(1000 + r);
        history.Add(kStart, rows);
    }
    EXPECT_EQ(history.AllSeries().size(), ModbusPlotHistory::kMostSeries);
    EXPECT_EQ(history.DroppedSeries(), 3);
    EXPECT_EQ(history.AllSeries().back().label, "Row 1: 1025 INT16 AB");
}

TEST(ModbusPlotHistoryTest, SeriesOfOneSizeShareAnAxis)
{
    // each series' points, and the axis it goes on
    const struct {
        QList<QList<double>> values;
        QList<int> axes;
    } rows[] = {
        {{{-2}, {21.5}, {123456}, {1234.5678}, {0}}, {0, 1, 2, 3, 0}}, // the simulated slave's values
        {{{5}, {40, 45}, {0}, {9}}, {0, 0, 0, 0}},
        {{{-300}, {2}, {250, 31}}, {0, 1, 0}},
        {{{}, {0}, {7}, {700}}, {0, 0, 0, 1}}, // no points and zeros go with the first
    };
    for (const auto& row : rows) {
        QList<ModbusPlotHistory::Series> series;
        for (const QList<double>& values : row.values) {
            series.append(ModbusPlotHistory::Series{});
            for (const double value : values)
                series.back().points.push_back({0, value, {}});
        }
        EXPECT_EQ(ModbusPlotAxes(series), row.axes);
    }
}

TEST(ModbusPlotHistoryTest, CsvHasOneLinePerPoint)
{
    ModbusPlotHistory history;
    history.Add(kStart, Rows("-2", "21.5"));
    history.Add(kStart.addMSecs(250), Rows("-3"));
    const QString csv = QString::fromUtf8(history.Csv());
    const QString first = kStart.toLocalTime().toString(Qt::ISODateWithMs);
    const QString second = kStart.addMSecs(250).toLocalTime().toString(Qt::ISODateWithMs);
    EXPECT_EQ(csv, "Series,Time,Value\r\n"
                   "Row 1: 100 INT16 AB," + first + ",-2\r\n"
                   "Row 1: 100 INT16 AB," + second + ",-3\r\n"
                   "Row 2: 101 FLOAT CDAB," + first + ",21.5\r\n");
    history.Clear();
    EXPECT_EQ(history.Csv(), "Series,Time,Value\r\n");
}

} // namespace
