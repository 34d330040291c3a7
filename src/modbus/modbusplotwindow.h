#pragma once

#include "modbusplothistory.h"
#include "base/fileerror.h"

#include <QDialog>
#include <QList>
#include <functional>
#include <optional>

class Language;
class QChart;
class QChartView;
class QDateTimeAxis;
class QLabel;
class QLineSeries;
class QPushButton;
class QValueAxis;

// Where the plot opens: beside the log window, on the side of the screen
// with more room and filling it, so that the window leaves in sight the
// poll box its text points to; wholly on the available screen. With no log window (an empty
// rectangle) it goes where the window system puts it.
std::optional<QRect> PlotPlacement(const QSize& frame, const QRect& logWindow, const QRect& available);

// The Modbus rows' values over time: every good read adds a point to each
// row that shows a number (the log window's continuous poll reads again
// and again). Keeps the last points of each row; saves the picture as PNG
// and the points as CSV.
class ModbusPlotWindow : public QDialog {
    Q_OBJECT
public:
    ModbusPlotWindow(const Language& language, QWidget* parent = nullptr);

    void AddReading(const QDateTime& time, const ModbusValueRows& rows);
    QList<QLineSeries*> Lines() const { return m_Lines; }
    QList<QValueAxis*> ValueAxes() const { return m_ValueAxes; }

    // Asks for the file a picture or the points go to and calls `chosen`
    // with it (not at all on cancel). The save dialog, which never holds a
    // poll that is running, unless a test puts its own choice here.
    std::function<void(const QString& filter, std::function<void(const QString& path)> chosen)> chooseSaveFile;

    QLabel* lblModbusPlotInfo = nullptr;
    QChartView* chtModbusPlot = nullptr;
    QPushButton* cmdModbusPlotSavePng = nullptr;
    QPushButton* cmdModbusPlotSaveCsv = nullptr;
    QPushButton* cmdModbusPlotClear = nullptr;
    QPushButton* cmdModbusPlotClose = nullptr;

    void SavePng();
    void SaveCsv();
    void Clear();

private:
    void FollowHistory(const QList<qsizetype>& added);
    void FitAxes();
    void SpreadOverAxes(const QList<int>& axes);
    void Save(const QString& filter, const QByteArray& content);

    const Language& m_Language;
    ModbusPlotHistory m_History;
    QChart* m_Chart = nullptr;
    QDateTimeAxis* m_TimeAxis = nullptr;
    QList<QValueAxis*> m_ValueAxes; // the first always there
    QList<QLineSeries*> m_Lines; // in step with the history's series
    QList<int> m_AxisOfLine;     // the value axis each line is attached to
    qsizetype m_DroppedSeries = 0;
};
