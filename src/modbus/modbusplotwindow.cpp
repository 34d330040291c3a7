#include "modbusplotwindow.h"

#include "modbustexts.h"
#include "shell/fileerrordialog.h"
#include "base/language.h"
#include "shell/pagecontrols.h"
#include "shell/savefiledialog.h"

#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace {

// The chart starts this many characters wide and high, so it scales with the font.
constexpr int kChartWidthInChars = 110;
constexpr int kChartHeightInLines = 24;
// Below this span the time axis shows milliseconds too.
constexpr qint64 kShortSpanMs = 20000;

QString WithoutMnemonic(QString text)
{
    return text.remove(u'&');
}

} // namespace

std::optional<QRect> PlotPlacement(const QSize& frame, const QRect& logWindow, const QRect& available)
{
    if (logWindow.isEmpty())
        return std::nullopt;
    const int roomLeft = logWindow.left() - available.left();
    const int roomRight = available.right() - logWindow.right();
    // As wide as the room beside the log window: the more axes, the more it needs.
    QSize size = frame.boundedTo(available.size());
    size.setWidth(std::clamp(std::max(roomLeft, roomRight), size.width(), available.width()));
    const int left = roomLeft >= roomRight ? logWindow.left() - size.width() : logWindow.right() + 1;
    const int top = logWindow.top();
    return QRect(QPoint(std::clamp(left, available.left(), available.right() + 1 - size.width()),
                        std::clamp(top, available.top(), available.bottom() + 1 - size.height())),
                 size);
}

ModbusPlotWindow::ModbusPlotWindow(const Language& language, QWidget* parent)
    : QDialog(parent)
    , m_Language(language)
    , m_History(language.GetLanguageText(modbustext::kPlotRowLabel))
{
    setObjectName(QStringLiteral("Ostrand_ModbusPlot"));
    setWindowTitle(language.GetLanguageText(modbustext::kPlotCaption));
    setModal(false);
    chooseSaveFile = [this](const QString& filter, std::function<void(const QString&)> chosen) {
        AskSaveFileName(this, WithoutMnemonic(m_Language.GetLanguageText(modbustext::kSavePlot)), filter,
                        std::move(chosen));
    };

    m_Chart = new QChart;
    m_Chart->legend()->setAlignment(Qt::AlignRight); // a column: the labels keep their width
    m_TimeAxis = new QDateTimeAxis(m_Chart);
    m_TimeAxis->setTickCount(4);
    m_TimeAxis->setTitleText(language.GetLanguageText(modbustext::kTime));
    m_Chart->addAxis(m_TimeAxis, Qt::AlignBottom);
    SpreadOverAxes({});
    m_ValueAxes.front()->setTitleText(language.GetLanguageText(modbustext::kValue));
    chtModbusPlot = Named(new QChartView(m_Chart, this), QStringLiteral("chtModbusPlot"));
    chtModbusPlot->setRenderHint(QPainter::Antialiasing);
    chtModbusPlot->setMinimumSize(kChartWidthInChars * fontMetrics().averageCharWidth(),
                                  kChartHeightInLines * fontMetrics().lineSpacing());

    lblModbusPlotInfo
        = Named(new QLabel(language.GetLanguageText(modbustext::kPlotInfo), this), QStringLiteral("lblModbusPlotInfo"));
    lblModbusPlotInfo->setWordWrap(true);
    cmdModbusPlotSavePng = Named(new QPushButton(language.GetLanguageText(modbustext::kSavePng), this),
                                 QStringLiteral("cmdModbusPlotSavePng"));
    cmdModbusPlotSaveCsv = Named(new QPushButton(language.GetLanguageText(modbustext::kSaveCsv), this),
                                 QStringLiteral("cmdModbusPlotSaveCsv"));
    cmdModbusPlotClear = Named(new QPushButton(language.GetLanguageText(modbustext::kClear), this),
                               QStringLiteral("cmdModbusPlotClear"));
    cmdModbusPlotClose = Named(new QPushButton(language.GetLanguageText(modbustext::kClose), this),
                               QStringLiteral("cmdModbusPlotClose"));

    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {cmdModbusPlotSavePng, cmdModbusPlotSaveCsv, cmdModbusPlotClear})
        buttons->addWidget(button);
    buttons->addStretch(1);
    buttons->addWidget(cmdModbusPlotClose);
    for (QPushButton* button : {cmdModbusPlotSavePng, cmdModbusPlotSaveCsv, cmdModbusPlotClear, cmdModbusPlotClose})
        button->setAutoDefault(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblModbusPlotInfo);
    layout->addWidget(chtModbusPlot, 1);
    layout->addLayout(buttons);

    connect(cmdModbusPlotSavePng, &QPushButton::clicked, this, &ModbusPlotWindow::SavePng);
    connect(cmdModbusPlotSaveCsv, &QPushButton::clicked, this, &ModbusPlotWindow::SaveCsv);
    connect(cmdModbusPlotClear, &QPushButton::clicked, this, &ModbusPlotWindow::Clear);
    connect(cmdModbusPlotClose, &QPushButton::clicked, this, &QDialog::close);
    FitAxes();
}

void ModbusPlotWindow::AddReading(const QDateTime& time, const ModbusValueRows& rows)
{
    FollowHistory(m_History.Add(time, rows));
    FitAxes();
}

void ModbusPlotWindow::FollowHistory(const QList<qsizetype>& added)
{
    for (; m_DroppedSeries < m_History.DroppedSeries(); ++m_DroppedSeries) {
        if (m_Lines.isEmpty())
            continue;
        QLineSeries* oldest = m_Lines.takeFirst();
        m_AxisOfLine.removeFirst();
        m_Chart->removeSeries(oldest);
        delete oldest;
    }
    const QList<ModbusPlotHistory::Series>& all = m_History.AllSeries();
    while (m_Lines.size() < all.size()) {
        auto* line = new QLineSeries;
        line->setName(all[m_Lines.size()].label);
        m_Chart->addSeries(line);
        line->attachAxis(m_TimeAxis);
        line->attachAxis(m_ValueAxes.front());
        m_Lines.append(line);
        m_AxisOfLine.append(0);
    }
    for (const qsizetype index : added) {
        const ModbusPlotHistory::Point& point = all[index].points.back();
        QLineSeries* line = m_Lines[index];
        line->append(static_cast<qreal>(point.msecsSinceEpoch), point.value);
        const qsizetype surplus = line->count() - static_cast<qsizetype>(all[index].points.size());
        if (surplus > 0)
            line->removePoints(0, static_cast<int>(surplus));
    }
}

void ModbusPlotWindow::SpreadOverAxes(const QList<int>& axes)
{
    const int needed = axes.isEmpty() ? 1 : *std::max_element(axes.begin(), axes.end()) + 1;
    while (m_ValueAxes.size() < needed) {
        auto* axis = new QValueAxis(m_Chart);
        axis->setLabelFormat(QStringLiteral("%.6g"));
        axis->setTruncateLabels(false); // a number cut short reads as another one
        // left, right, left, ...: each beside the plot area, none over the lines
        m_Chart->addAxis(axis, m_ValueAxes.size() % 2 == 0 ? Qt::AlignLeft : Qt::AlignRight);
        m_ValueAxes.append(axis);
    }
    for (qsizetype i = 0; i < m_Lines.size(); ++i) {
        if (m_AxisOfLine[i] == axes[i])
            continue;
        m_Lines[i]->detachAxis(m_ValueAxes[m_AxisOfLine[i]]);
        m_Lines[i]->attachAxis(m_ValueAxes[axes[i]]);
        m_AxisOfLine[i] = axes[i];
    }
    while (m_ValueAxes.size() > needed) {
        QValueAxis* spare = m_ValueAxes.takeLast();
        m_Chart->removeAxis(spare);
        delete spare;
    }
    // With several axes each takes the colour of its first line, so that the
    // legend tells which axis a line is read on.
    for (qsizetype a = 0; a < m_ValueAxes.size(); ++a) {
        const qsizetype line = m_AxisOfLine.indexOf(static_cast<int>(a));
        m_ValueAxes[a]->setLabelsColor(m_ValueAxes.size() > 1 && line >= 0 ? m_Lines[line]->color()
                                                                           : m_TimeAxis->labelsColor());
    }
}

void ModbusPlotWindow::FitAxes()
{
    qint64 first = std::numeric_limits<qint64>::max();
    qint64 last = std::numeric_limits<qint64>::min();
    const QList<int> axes = ModbusPlotAxes(m_History.AllSeries());
    SpreadOverAxes(axes);
    QList<double> low(m_ValueAxes.size(), std::numeric_limits<double>::max());
    QList<double> high(m_ValueAxes.size(), std::numeric_limits<double>::lowest());
    const QList<ModbusPlotHistory::Series>& all = m_History.AllSeries();
    for (qsizetype i = 0; i < all.size(); ++i) {
        for (const ModbusPlotHistory::Point& point : all[i].points) {
            first = std::min(first, point.msecsSinceEpoch);
            last = std::max(last, point.msecsSinceEpoch);
            low[axes[i]] = std::min(low[axes[i]], point.value);
            high[axes[i]] = std::max(high[axes[i]], point.value);
        }
    }
    if (first > last) { // nothing to show yet: the last minute
        last = QDateTime::currentMSecsSinceEpoch();
        first = last - 60000;
    }
    if (last - first < 1000)
        last = first + 1000;
    m_TimeAxis->setFormat(last - first < kShortSpanMs ? QStringLiteral("mm:ss.zzz") : QStringLiteral("HH:mm:ss"));
    m_TimeAxis->setRange(QDateTime::fromMSecsSinceEpoch(first), QDateTime::fromMSecsSinceEpoch(last));
    for (qsizetype a = 0; a < m_ValueAxes.size(); ++a) {
        if (low[a] > high[a]) { // no points yet
            low[a] = 0;
            high[a] = 1;
        }
        const double margin = high[a] > low[a] ? (high[a] - low[a]) / 20 : std::max(1.0, std::abs(high[a]) / 20);
        m_ValueAxes[a]->setRange(low[a] - margin, high[a] + margin);
    }
}

void ModbusPlotWindow::Clear()
{
    m_History.Clear();
    FollowHistory({});
    FitAxes();
}

void ModbusPlotWindow::SavePng()
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    chtModbusPlot->grab().save(&buffer, "PNG");
    Save(QStringLiteral("PNG (*.png)"), png);
}

void ModbusPlotWindow::SaveCsv()
{
    Save(QStringLiteral("CSV (*.csv)"), m_History.Csv());
}

void ModbusPlotWindow::Save(const QString& filter, const QByteArray& content)
{
    if (!chooseSaveFile)
        return;
    // What the plot shows now is saved, whatever the poll adds while the
    // user picks the file.
    chooseSaveFile(filter, [this, content](const QString& path) {
        if (const std::optional<FileError> error = WriteWholeFile(path, content))
            ShowFileErrorBox(this, QStringLiteral("Save Error"), *error);
    });
}
