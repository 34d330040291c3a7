#include "debugwindow.h"
#include "shelltexts.h"
#include "base/fileappend.h"

#include "base/fileerror.h"
#include "fileerrordialog.h"
#include "savefiledialog.h"
#include "base/inifile.h"
#include "base/language.h"
#include "pagecontrols.h"
#include "placewindow.h"
#include "base/settingkeys.h"
#include "base/textnumber.h"
#include "base/trafficformat.h"
#include "base/trafficlog.h"
#include "base/version.h"
#include "base/windowplacement.h"
#include "comm/deviceoperations.h"

#include <QAbstractListModel>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDate>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// A log line cut where its data begins: after the time of day, the stamp
// and the marker on the first line of a call, after the indent on the others.
struct LineParts {
    qsizetype dataStart = 0;
    bool hex = false; // the data are bytes, up to 16 of them
};

LineParts SplitLine(const QString& line)
{
    static const QRegularExpression stamp(QStringLiteral("\\d+:\\d\\d:\\d\\d\\.\\d{3}( <- | -> |    )"));
    static const QRegularExpression bytes(QStringLiteral("^(?:[0-9A-F]{2} ){0,15}[0-9A-F]{2} *$"));
    LineParts parts;
    const QRegularExpressionMatch found = stamp.match(line);
    if (found.hasMatch()) {
        parts.dataStart = found.capturedEnd();
        if (found.capturedView(1) == QLatin1String("    "))
            return parts; // a note
    } else {
        while (parts.dataStart < line.size() && line[parts.dataStart] == u' ')
            ++parts.dataStart;
    }
    parts.hex = bytes.match(QStringView(line).mid(parts.dataStart)).hasMatch();
    return parts;
}

// The bytes of a hex field as text, "." for what cannot be shown.
QString AsciiColumn(QStringView hex)
{
    QString text;
    for (qsizetype at = 0; at + 1 < hex.size() && hex[at] != u' '; at += 3) {
        const auto byte = static_cast<char16_t>(hex.mid(at, 2).toUShort(nullptr, 16));
        text += byte >= 0x20 && byte < 0x7F ? QChar(byte) : QChar(u'.');
    }
    return text;
}

constexpr qsizetype kHexWidth = 3 * kTrafficBytesPerLine - 1;

} // namespace

// The lines the list shows: a copy of the log's lines as of the last redraw,
// so that rows stay put between redraws while the log moves on. Shown, the
// data of every line start in one column, whatever the width of the time
// before them (the hours of the stamp grow a digit at 10 h), and bytes have
// their characters beside them; the log's own line is kept for saving.
class TrafficLinesModel : public QAbstractListModel {
public:
    explicit TrafficLinesModel(QObject* parent)
        : QAbstractListModel(parent)
    {
    }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(m_Lines.size());
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= m_Lines.size())
            return {};
        if (role == Qt::DisplayRole)
            return Shown(m_Lines.at(index.row()));
        if (role == Qt::UserRole)
            return m_Lines.at(index.row());
        if (role == Qt::SizeHintRole) // one size for all rows: the view lays out thousands a second
            return QSize(static_cast<int>(std::ceil(m_CharWidth * (m_HeadWidth + m_WidestData))) + 2 * kTextMargin,
                         m_RowHeight);
        return {};
    }
    // The list's fixed-pitch font gives every character the same width.
    void SetFont(const QFont& font)
    {
        const QFontMetricsF metrics(font);
        m_CharWidth = metrics.horizontalAdvance(u'0');
        m_RowHeight = static_cast<int>(std::ceil(metrics.height()));
    }

    // Catches up with the log, whose newest `added` lines are not shown yet;
    // the oldest rows the log has dropped go. Returns how many rows went.
    qsizetype Follow(const QStringList& log, qsizetype added)
    {
        added = std::min(added, log.size());
        const qsizetype kept = log.size() - added;
        if (kept > m_Lines.size()) { // out of step: start over from the log
            const qsizetype gone = m_Lines.size();
            beginResetModel();
            m_Lines = log;
            m_HeadWidth = 0;
            m_WidestData = 0;
            WidenTo(m_Lines);
            endResetModel();
            return gone;
        }
        const qsizetype gone = m_Lines.size() - kept;
        if (gone > 0) {
            beginRemoveRows({}, 0, static_cast<int>(gone - 1));
            m_Lines.remove(0, gone);
            endRemoveRows();
        }
        if (added > 0) {
            const QStringList fresh = log.mid(kept);
            WidenTo(fresh);
            beginInsertRows({}, static_cast<int>(m_Lines.size()), static_cast<int>(m_Lines.size() + added - 1));
            m_Lines += fresh;
            endInsertRows();
        }
        return gone;
    }

    void Clear()
    {
        beginResetModel();
        m_Lines.clear();
        m_HeadWidth = 0;
        m_WidestData = 0;
        endResetModel();
    }

private:
    static constexpr int kTextMargin = 6;

    QString Shown(const QString& line) const
    {
        if (line.isEmpty())
            return line;
        const LineParts parts = SplitLine(line);
        const QString head = line.left(parts.dataStart).rightJustified(m_HeadWidth);
        if (!parts.hex)
            return head + line.mid(parts.dataStart);
        const QStringView hex = QStringView(line).mid(parts.dataStart, kHexWidth);
        return head + hex.toString().leftJustified(kHexWidth) + QStringLiteral("  ") + AsciiColumn(hex);
    }

    void WidenTo(const QStringList& lines)
    {
        for (const QString& line : lines) {
            const LineParts parts = SplitLine(line);
            m_HeadWidth = std::max(m_HeadWidth, parts.dataStart);
            const qsizetype data = parts.hex ? kHexWidth + 2 + kTrafficBytesPerLine : line.size() - parts.dataStart;
            m_WidestData = std::max(m_WidestData, data);
        }
    }

    QStringList m_Lines;
    qreal m_CharWidth = 8;
    int m_RowHeight = 16;
    qsizetype m_HeadWidth = 0;  // the widest time before the data
    qsizetype m_WidestData = 0; // as shown
};

namespace {

constexpr int kDashes = 75;
constexpr int kIntervalDigits = 5; // up to 65535 ms
constexpr int kCounterDigits = 7;  // a long night of polling

int TwipsToPixels(int twips, int dpi)
{
    return twips * dpi / 1440;
}

// The interval box corrected as it is typed: above the maximum becomes the
// maximum; below zero and anything but a number become 0; empty stays empty.
QString CorrectedInterval(const QString& text)
{
    const QString corrected = CorrectedNumberText(text, Ostrand_Debug::kMaxInterval);
    return corrected == text && !text.isEmpty() && LeadingDecimal(text) < 0 ? QStringLiteral("0") : corrected;
}

// One saved block: header, the numbered non-empty lines, closing rule.
QByteArray DebugInfoBlock(const QStringList& lines, const QString& comment, const QString& timeOfDay)
{
    const QString newline = QStringLiteral("\r\n");
    const QString rule(kDashes, u'-');
    QString block;
    block += QStringLiteral("DEBUG INFO") + newline;
    block += QStringLiteral("Saved from Kalvix Ostrand Wizard version ") + kVersionText + QStringLiteral("      ") +
             QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat) + u' ' + timeOfDay + newline;
    block += QStringLiteral("Comment: ") + comment + newline;
    block += rule + newline;
    int number = 0;
    for (const QString& line : lines) {
        if (!line.isEmpty())
            block += QStringLiteral("%1 ").arg(number++, 3, 10, QLatin1Char('0')) + line;
        block += newline;
    }
    block += rule + newline;
    block += newline;
    return block.toUtf8();
}

} // namespace

Ostrand_Debug::Ostrand_Debug(
    TrafficLog& log, IniFile& ini, Settings& settings, const Language& language, DeviceOperations& operations,
    QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_Log(log)
    , m_Ini(ini)
    , m_Settings(settings)
    , m_Language(language)
    , m_Operations(operations)
{
    setObjectName(QStringLiteral("Ostrand_Debug"));
    chooseSaveFile = [this](std::function<void(const QString&)> chosen) {
        AskAppendFileName(this, m_Settings, FileKind::Log, QStringLiteral("Save Debug Information"),
                          m_Language.GetLanguageText(shelltext::kAppendLog), std::move(chosen));
    };

    m_Lines = new TrafficLinesModel(this);
    List_Debug = new QListView(this);
    List_Debug->setObjectName(QStringLiteral("List_Debug"));
    List_Debug->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    List_Debug->setUniformItemSizes(true);
    List_Debug->setTextElideMode(Qt::ElideNone);
    List_Debug->setEditTriggers(QAbstractItemView::NoEditTriggers);
    List_Debug->setSelectionMode(QAbstractItemView::SingleSelection);
    m_Lines->SetFont(List_Debug->font());
    List_Debug->setModel(m_Lines);

    Timer_ContinousPoll = new QTimer(this);
    Timer_ContinousPoll->setObjectName(QStringLiteral("Timer_ContinousPoll"));
    m_Redraw = new QTimer(this);
    m_Redraw->setSingleShot(true);
    m_Redraw->setInterval(kRedrawDelay);

    auto* layout = new QVBoxLayout(this);
    BuildMenus();
    layout->addWidget(List_Debug, 1);
    layout->addLayout(BuildControlStrip());

    SetTexts();
    ConnectControls();
    Text_Interval->setText(m_Ini.Read(ini::Debug_PollInterval)); // sets the timer's interval
    m_Log.SetMaxDebugLines(m_Ini.ReadNumber(ini::Debug_MaxDebugLines)); // text reads as 0, which becomes 1
    ShowCounters(m_Log.ResponseCount(), m_Log.ErrorCount());
    SetPollEnabled(false); // until a page offers a read to repeat
    connect(&m_Operations, &DeviceOperations::busyChanged, this, [this](bool busy) { ShowOperationBusy(busy); });
    ShowOperationBusy(m_Operations.Busy());
    m_Log.SetDebugLogging(true);
}

Ostrand_Debug::~Ostrand_Debug()
{
    EndLogging(); // destroyed without being closed: still stop logging
}

void Ostrand_Debug::BuildMenus()
{
    auto* bar = new QMenuBar(this);
    bar->setObjectName(QStringLiteral("MenuBar"));
    layout()->setMenuBar(bar);
    const auto item = [](QMenu* menu, const char* name) {
        QAction* action = menu->addAction(QString());
        action->setObjectName(QLatin1String(name));
        return action;
    };
    const auto separator = [](QMenu* menu, const char* name) {
        QAction* action = menu->addSeparator();
        action->setObjectName(QLatin1String(name));
        return action;
    };
    Menu_File = bar->addMenu(QString());
    Menu_File->setObjectName(QStringLiteral("Menu_File"));
    Menu_File_SaveToDebugTXT = item(Menu_File, "Menu_File_SaveToDebugTXT");
    Menu_File_Del_0 = separator(Menu_File, "Menu_File_Del_0");
    Menu_File_Clear = item(Menu_File, "Menu_File_Clear");
    Menu_File_Del_1 = separator(Menu_File, "Menu_File_Del_1");
    Menu_File_Exit = item(Menu_File, "Menu_File_Exit");
    Menu_Tools = bar->addMenu(QString());
    Menu_Tools->setObjectName(QStringLiteral("Menu_Tools"));
    Menu_Tools_ResetStats = item(Menu_Tools, "Menu_Tools_ResetStats");
    Menu_Tools_Del_0 = separator(Menu_Tools, "Menu_Tools_Del_0");
    Menu_Tools_Timeouts = item(Menu_Tools, "Menu_Tools_Timeouts");
    Menu_Tools_SearchTimeouts = item(Menu_Tools, "Menu_Tools_SearchTimeouts");
}

QLayout* Ostrand_Debug::BuildControlStrip()
{
    const auto label = [this](const char* name) {
        auto* control = new QLabel(this);
        control->setObjectName(QLatin1String(name));
        return control;
    };
    const auto field = [this](const char* name) {
        auto* control = new QLineEdit(this);
        control->setObjectName(QLatin1String(name));
        return control;
    };
    const auto button = [this](const char* name) { return CommandButton(this, QLatin1String(name)); };
    Label_Comment = label("Label_Comment");
    Text_Comment = field("Text_Comment");
    Label_Comment->setBuddy(Text_Comment);
    Check_CountinousPoll = new QCheckBox(this);
    Check_CountinousPoll->setObjectName(QStringLiteral("Check_CountinousPoll"));
    lblInterval = label("lblInterval");
    lblInterval->installEventFilter(this);
    Text_Interval = field("Text_Interval");
    lblIntervalSort = label("lblIntervalSort");
    lblResponseTot = label("lblResponseTot");
    txtResponseTot = field("txtResponseTot");
    lblErrorTot = label("lblErrorTot");
    txtErrorTot = field("txtErrorTot");
    FitWidthToDigits(Text_Interval, kIntervalDigits);
    for (QLineEdit* counter : {txtResponseTot, txtErrorTot}) {
        FitWidthToDigits(counter, kCounterDigits);
        counter->setReadOnly(true);
        counter->setFocusPolicy(Qt::NoFocus);
    }
    Command_Save = button("Command_Save");
    Command_Clear = button("Command_Clear");
    Command_Exit = button("Command_Exit");

    // Rows short enough for the window's width in any language: the
    // comment; the poll; the counters; the buttons.
    const auto row = [](std::initializer_list<QWidget*> widgets, bool stretchFirst) {
        auto* line = new QHBoxLayout;
        if (stretchFirst)
            line->addStretch(1);
        for (QWidget* widget : widgets)
            line->addWidget(widget);
        if (!stretchFirst)
            line->addStretch(1);
        return line;
    };
    auto* strip = new QVBoxLayout;
    auto* comment = new QHBoxLayout;
    comment->addWidget(Label_Comment);
    comment->addWidget(Text_Comment, 1);
    strip->addLayout(comment);
    auto* poll = row({Check_CountinousPoll, lblInterval, Text_Interval, lblIntervalSort}, false);
    poll->insertSpacing(1, fontMetrics().averageCharWidth() * 2);
    strip->addLayout(poll);
    strip->addLayout(row({lblResponseTot, txtResponseTot, lblErrorTot, txtErrorTot}, false));
    strip->addLayout(row({Command_Save, Command_Clear, Command_Exit}, true));
    return strip;
}

void Ostrand_Debug::SetTexts()
{
    const auto text = [this](int id) { return m_Language.GetLanguageText(id); };
    setWindowTitle(text(shelltext::kDebugCaption));
    Menu_File->setTitle(text(shelltext::kFileMenu));
    Menu_File_SaveToDebugTXT->setText(text(shelltext::kSaveToDebugFile));
    Menu_File_Clear->setText(text(shelltext::kClearDebugList));
    Menu_File_Exit->setText(text(shelltext::kExit));
    Menu_Tools->setTitle(text(shelltext::kToolsMenu));
    Menu_Tools_ResetStats->setText(text(shelltext::kResetStats));
    Menu_Tools_Timeouts->setText(text(shelltext::kTimeoutsMenu));
    Menu_Tools_SearchTimeouts->setText(text(shelltext::kSearchTimeoutsMenu));
    Label_Comment->setText(text(shelltext::kFileComment) + u':');
    Command_Save->setText(text(shelltext::kSave));
    Command_Clear->setText(text(shelltext::kClear));
    Command_Exit->setText(text(shelltext::kExit));
    Check_CountinousPoll->setText(text(shelltext::kContinuousPoll));
    lblInterval->setText(text(shelltext::kInterval));
    lblIntervalSort->setText(QStringLiteral("ms"));
    lblResponseTot->setText(text(shelltext::kResponses));
    lblErrorTot->setText(text(shelltext::kFailed));
}

void Ostrand_Debug::ConnectControls()
{
    connect(Command_Save, &QPushButton::clicked, this, [this] { Command_Save_Click(); });
    connect(Menu_File_SaveToDebugTXT, &QAction::triggered, this, [this] { Command_Save_Click(); });
    connect(Command_Clear, &QPushButton::clicked, &m_Log, &TrafficLog::Clear);
    connect(Menu_File_Clear, &QAction::triggered, &m_Log, &TrafficLog::Clear);
    connect(Command_Exit, &QPushButton::clicked, this, &QWidget::close);
    connect(Menu_File_Exit, &QAction::triggered, this, &QWidget::close);
    connect(Menu_Tools_ResetStats, &QAction::triggered, &m_Log, &TrafficLog::ResetStats);
    connect(Menu_Tools_Timeouts, &QAction::triggered, this, &Ostrand_Debug::timeoutsRequested);
    connect(Menu_Tools_SearchTimeouts, &QAction::triggered, this, &Ostrand_Debug::searchTimeoutsRequested);
    connect(Menu_Tools, &QMenu::aboutToShow, this, [this] { OfferAnsweredTools(); });

    connect(Text_Interval, &QLineEdit::textChanged, this, [this] { Text_Interval_Change(); });
    connect(Check_CountinousPoll, &QCheckBox::toggled, this, [this](bool checked) { Check_CountinousPoll_Click(checked); });
    connect(Timer_ContinousPoll, &QTimer::timeout, this, [this] { Timer_ContinousPoll_Timer(); });

    connect(&m_Log, &TrafficLog::linesAdded, this, [this](const QStringList& lines) { LinesAdded(lines.size()); });
    connect(&m_Log, &TrafficLog::cleared, this, [this] {
        m_UndrawnLines = 0;
        m_Lines->Clear();
    });
    connect(&m_Log, &TrafficLog::countersChanged, this, &Ostrand_Debug::ShowCounters);
    connect(m_Redraw, &QTimer::timeout, this, [this] { DrawNewLines(); });
}

QSize Ostrand_Debug::FrameSizeBeside(const QWidget* wizard) const
{
    const int dpi = wizard->logicalDpiX() > 0 ? wizard->logicalDpiX() : 96;
    // Its classic width, unless its controls need more in this language.
    const int width = std::max(TwipsToPixels(kWidthTwips, dpi), minimumSizeHint().width());
    return QSize(width, wizard->height()).grownBy(Decoration(*wizard));
}

void Ostrand_Debug::PlaceBeside(const QWidget* wizard)
{
    if (!wizard)
        return;
    const QScreen* screen = wizard->screen();
    const QRect frame = ::PlaceBeside(wizard->frameGeometry(), FrameSizeBeside(wizard),
                                      screen ? screen->availableGeometry() : QRect());
    move(frame.topLeft());
    resize(frame.size().shrunkBy(Decoration(*wizard)));
}

void Ostrand_Debug::OfferAnsweredTools()
{
    // An item that would do nothing is shown as not available.
    Menu_Tools_Timeouts->setEnabled(isSignalConnected(QMetaMethod::fromSignal(&Ostrand_Debug::timeoutsRequested)));
    Menu_Tools_SearchTimeouts->setEnabled(
        isSignalConnected(QMetaMethod::fromSignal(&Ostrand_Debug::searchTimeoutsRequested)));
}

void Ostrand_Debug::SetPollAction(std::function<void()> action)
{
    m_PollAction = std::move(action);
}

void Ostrand_Debug::SetPollEnabled(bool enabled)
{
    Check_CountinousPoll->setEnabled(enabled);
    if (!enabled)
        Check_CountinousPoll->setChecked(false);
}

void Ostrand_Debug::Text_Interval_Change()
{
    const QString text = Text_Interval->text();
    const QString corrected = CorrectedInterval(text);
    if (corrected != text) {
        Text_Interval->setText(corrected); // comes back here with the corrected text
        return;
    }
    m_IntervalMs = text.isEmpty() ? 0 : LeadingRoundedInt32(text).value_or(0);
    ApplyPollTimer();
}

void Ostrand_Debug::Check_CountinousPoll_Click(bool checked)
{
    m_PollTimerOn = checked;
    ApplyPollTimer();
    if (checked)
        RunPoll();
}

void Ostrand_Debug::ApplyPollTimer()
{
    Timer_ContinousPoll->setInterval(m_IntervalMs);
    // An interval of 0 means no ticks, not a tick at every turn of the event loop.
    if (m_PollTimerOn && m_IntervalMs > 0)
        Timer_ContinousPoll->start();
    else
        Timer_ContinousPoll->stop();
}

void Ostrand_Debug::Timer_ContinousPoll_Timer()
{
    if (Check_CountinousPoll->isChecked())
        RunPoll();
}

void Ostrand_Debug::RunPoll()
{
    // A tick during any device operation (the last poll still waiting for
    // its reply, a record write of the wizard's) is skipped.
    if (m_Operations.Busy() || !m_PollAction)
        return;
    // A copy: the page may withdraw its read while this one runs.
    const std::function<void()> action = m_PollAction;
    action();
}

void Ostrand_Debug::ShowOperationBusy(bool busy)
{
    // Not now: a save dialog held open would hold the operation's wait, and
    // an exit would take the window from under the poll that runs.
    Command_Save->setEnabled(!busy);
    Menu_File_SaveToDebugTXT->setEnabled(!busy);
    Command_Exit->setEnabled(!busy);
    Menu_File_Exit->setEnabled(!busy);
    if (!busy && m_CloseWhenIdle)
        QTimer::singleShot(0, this, [this] { close(); });
}

void Ostrand_Debug::ShowCounters(int responses, int errors)
{
    txtResponseTot->setText(QString::number(responses));
    txtErrorTot->setText(QString::number(errors));
}

void Ostrand_Debug::LinesAdded(qsizetype count)
{
    m_UndrawnLines += count;
    if (!m_Redraw->isActive())
        m_Redraw->start();
}

void Ostrand_Debug::DrawNewLines()
{
    QScrollBar* scroll = List_Debug->verticalScrollBar();
    const bool following = scroll->value() >= scroll->maximum();
    const int topRow = List_Debug->indexAt(QPoint(1, 1)).row();

    const qsizetype gone = m_Lines->Follow(m_Log.Lines(), m_UndrawnLines);
    m_UndrawnLines = 0;
    const int rows = m_Lines->rowCount();
    if (rows == 0)
        return;
    if (following) {
        List_Debug->setCurrentIndex(m_Lines->index(rows - 1));
        List_Debug->scrollToBottom();
    } else if (topRow >= 0) {
        // The user has scrolled up to read: the line they look at stays at the top.
        const int keep = std::max(0, topRow - static_cast<int>(gone));
        List_Debug->scrollTo(m_Lines->index(keep), QAbstractItemView::PositionAtTop);
    }
}

void Ostrand_Debug::Command_Save_Click()
{
    if (m_Operations.Busy())
        return;
    if (!chooseSaveFile)
        return;
    chooseSaveFile([this](const QString& path) {
        // The log's clock gives the time of day in the system's long format, as the header wants it.
        const QByteArray block = DebugInfoBlock(m_Log.Lines(), Text_Comment->text(), m_Log.timeOfDayClock());
        if (const std::optional<FileError> error = AppendToFile(path, block)) // never truncates
            ShowFileErrorBox(this, QStringLiteral("Save Error"), *error);
    });
}

bool Ostrand_Debug::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lblInterval && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && lblInterval->rect().contains(mouse->position().toPoint()))
            m_Log.SetSearchTrace(!m_Log.SearchTrace());
    }
    return QWidget::eventFilter(watched, event);
}

void Ostrand_Debug::showEvent(QShowEvent* event)
{
    OfferAnsweredTools();
    QWidget::showEvent(event);
}

void Ostrand_Debug::closeEvent(QCloseEvent* event)
{
    if (m_Operations.Busy()) {
        event->ignore();
        m_CloseWhenIdle = true;
        return;
    }
    EndLogging();
    event->accept();
    deleteLater();
}

void Ostrand_Debug::EndLogging()
{
    if (m_Ended)
        return;
    m_Ended = true;
    m_PollTimerOn = false;
    Timer_ContinousPoll->stop();
    m_Redraw->stop();
    m_Ini.Write(ini::Debug_PollInterval, Text_Interval->text());
    disconnect(&m_Log, nullptr, this, nullptr);
    m_Log.SetDebugLogging(false); // the log forgets its lines
}
