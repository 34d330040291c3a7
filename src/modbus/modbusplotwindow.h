#pragma once

#include "modbusplothistory.h"
#include "base/fileerror.h"

#include <QDialog>
#include <QList>
#include <functional>

class Language;
class QChart;
class QChartView;
class QDateTimeAxis;
class QLabel;
class QLineSeries;
class QPushButton;
class QValueAxis;

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
    void Save(const QString& filter, const QByteArray& content);

    const Language& m_Language;
    ModbusPlotHistory m_History;
    QChart* m_Chart = nullptr;
    QDateTimeAxis* m_TimeAxis = nullptr;
    QValueAxis* m_ValueAxis = nullptr;
    QList<QLineSeries*> m_Lines; // in step with the history's series
    qsizetype m_DroppedSeries = 0;
};
