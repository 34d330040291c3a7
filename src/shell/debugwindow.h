#pragma once

#include <QWidget>

#include <chrono>
#include <functional>

class DeviceOperations;
class IniFile;
class Language;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QPushButton;
class QTimer;
class Settings;
class TrafficLog;
class TrafficLinesModel;

// The communication log window: shows the traffic log while it is open,
// the answered and failed counters, saves the log to a text file and can
// repeat the current page's read at a fixed interval. Opening it starts the
// logging, closing it ends the logging and forgets the lines; the window
// deletes itself when closed. While a device operation runs (a poll of its
// own or any of the wizard's) it neither saves nor closes: its Save and Exit
// wait, a close comes when the operation has ended, and no poll starts.
class Ostrand_Debug : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidthTwips = 8200;
    static constexpr int kMaxInterval = 65535;
    // New lines are drawn together at most this often; the log can grow by
    // thousands of lines a second.
    static constexpr std::chrono::milliseconds kRedrawDelay{50};

    Ostrand_Debug(TrafficLog& log, IniFile& ini, Settings& settings, const Language& language,
                  DeviceOperations& operations, QWidget* parent = nullptr);
    ~Ostrand_Debug() override;

    // Left edge at the wizard's right edge, same top and height, but wholly
    // on the wizard's screen: moved left, over the wizard if it must.
    void PlaceBeside(const QWidget* wizard);
    // The size of its frame when placed beside the wizard (before the screen
    // has its say).
    QSize FrameSizeBeside(const QWidget* wizard) const;

    // What one poll runs: the current page's read; empty runs nothing.
    void SetPollAction(std::function<void()> action);
    // Offers or withdraws the continuous poll; withdrawing also clears it.
    void SetPollEnabled(bool enabled);

    // Asks for the file the log is appended to and calls `chosen` with it
    // (not at all on cancel). The save dialog, which asks before adding to
    // an existing file, unless a test puts its own choice here.
    std::function<void(std::function<void(const QString& path)> chosen)> chooseSaveFile;

    QMenu* Menu_File = nullptr;
    QAction* Menu_File_SaveToDebugTXT = nullptr;
    QAction* Menu_File_Del_0 = nullptr;
    QAction* Menu_File_Clear = nullptr;
    QAction* Menu_File_Del_1 = nullptr;
    QAction* Menu_File_Exit = nullptr;
    QMenu* Menu_Tools = nullptr;
    QAction* Menu_Tools_ResetStats = nullptr;
    QAction* Menu_Tools_Del_0 = nullptr;
    QAction* Menu_Tools_Timeouts = nullptr;
    QAction* Menu_Tools_SearchTimeouts = nullptr;

    QListView* List_Debug = nullptr;
    QLabel* Label_Comment = nullptr;
    QLineEdit* Text_Comment = nullptr;
    QPushButton* Command_Save = nullptr;
    QPushButton* Command_Clear = nullptr;
    QPushButton* Command_Exit = nullptr;
    QCheckBox* Check_CountinousPoll = nullptr;
    QLineEdit* Text_Interval = nullptr;
    QLabel* lblInterval = nullptr; // a click switches the search trace
    QLabel* lblIntervalSort = nullptr;
    QLabel* lblResponseTot = nullptr;
    QLineEdit* txtResponseTot = nullptr;
    QLabel* lblErrorTot = nullptr;
    QLineEdit* txtErrorTot = nullptr;
    QTimer* Timer_ContinousPoll = nullptr;

signals:
    // Tools > Timeouts... and SearchTimeouts...; each item is greyed out
    // while nothing answers its request.
    void timeoutsRequested();
    void searchTimeoutsRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenus();
    QLayout* BuildControlStrip();
    void SetTexts();
    void ConnectControls();
    void Command_Save_Click();
    void Text_Interval_Change();
    void Check_CountinousPoll_Click(bool checked);
    void Timer_ContinousPoll_Timer();
    void RunPoll();
    void ApplyPollTimer();
    void ShowCounters(int responses, int errors);
    void LinesAdded(qsizetype count);
    void DrawNewLines();
    void EndLogging();
    void OfferAnsweredTools();
    void ShowOperationBusy(bool busy);

    TrafficLog& m_Log;
    IniFile& m_Ini;
    Settings& m_Settings; // where the log was last saved
    const Language& m_Language;
    DeviceOperations& m_Operations;
    TrafficLinesModel* m_Lines = nullptr;
    QTimer* m_Redraw = nullptr;
    qsizetype m_UndrawnLines = 0;
    std::function<void()> m_PollAction;
    bool m_PollTimerOn = false;
    int m_IntervalMs = 0;
    bool m_CloseWhenIdle = false; // closed while an operation ran
    bool m_Ended = false;
};

// A page with a read the log window can repeat. It offers the read, or
// withdraws the poll, as its own state allows.
class DebugPollSource {
public:
    virtual ~DebugPollSource() = default;
    virtual void OfferDebugPoll(Ostrand_Debug& window) = 0;
};
