#pragma once

#include "scanprogress.h"
#include "searchplan.h"

#include "features/featureprotocol.h"

#include "base/settingkeys.h"

#include <QElapsedTimer>
#include <QHash>
#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
struct NetworkContext;
struct WizardContext;

// The feature page's address fields a double-clicked meter is copied into.
struct MeterAddressTarget {
    QPointer<QCheckBox> useSecondaryAddress;
    QPointer<QLineEdit> primaryAddress;
    std::array<QPointer<QLineEdit>, 4> secondaryAddress; // identification, manufacturer, version, medium
};

// What the search window needs from around it.
struct SearchWindowLinks {
    RememberedHost* rememberedHost = nullptr; // kept by the wizard for the whole run
    // The timeout set in use, Aspen or Birch.
    std::function<ini::SearchGateway()> activeGatewayType;
    // The gateway address as the connection page holds it.
    std::function<QString()> typedAddress;
    MeterAddressTarget meterTarget;
};

// The search window: finds the meters on the bus behind the gateway by
// primary address or by secondary address, lists them, saves the list and
// hands a meter's address to the feature page. Modeless beside the wizard.
class Ostrand_Search : public QWidget, private SearchRowSink, private SearchStartQuestions {
    Q_OBJECT
public:
    static constexpr int kColumns = 10;
    static constexpr int kDefaultColumnTwips = 1000;

    Ostrand_Search(WizardContext& context, NetworkContext& network, SearchWindowLinks links, QWidget* parent = nullptr);
    ~Ostrand_Search() override;

    // Where the user left it last time, otherwise beside the wizard; wholly
    // on the screen it opens on either way.
    void Place(const QWidget* wizard);
    // The size it would like, every column whole, decorated as the wizard is.
    QSize FrameSizeBeside(const QWidget* wizard) const;
    // Where the user left it (frame position, inside size), if it was closed before.
    std::optional<QRect> RememberedPlace() const;

    // Enables the start button when the entries allow a search.
    bool SettingsValid() const;
    void ValidateSettings();
    // Refreshes the three timeout options' captions for the active set.
    void RefreshTimeoutCaptions();

    bool Searching() const { return m_Running; }
    // What the status bar's panel 1-4 shows.
    QString StatusPanel(int panel) const;
    // The rows the list shows ("View found devices only" hides some), top to bottom.
    QList<SearchResultRow> Rows() const;
    const QString& Portsettings() const { return m_Portsettings; }
    const SearchTiming& Timing() const { return m_Plan.timing; }

    // Asks for the file a save writes and calls `chosen` with it (not at all
    // on cancel). The save dialog, which never holds an operation that is
    // running, unless a test puts its own choice here.
    std::function<void(bool csv, std::function<void(const QString& path)> chosen)> chooseSaveFile;

    QGroupBox* Frame_Method = nullptr;
    std::array<QRadioButton*, 2> Option_SearchMethod{};
    QCheckBox* Check_ViewFoundOnly = nullptr; // filters the list as it is, no new search
    QGroupBox* Frame_Primary = nullptr;
    QLabel* Label_FirstPrimaryAddress = nullptr;
    QLineEdit* Text_LowPrimaryAddress = nullptr;
    QLabel* Label_LastPrimaryAddress = nullptr;
    QLineEdit* Text_HighPrimaryAddress = nullptr;
    QCheckBox* Check_SND_NKE = nullptr;
    QCheckBox* Check_REQ_UD2 = nullptr;
    QGroupBox* Frame_Secondary = nullptr;
    QLabel* lblMaskId = nullptr;
    QLineEdit* Text_SearchMaskId = nullptr;
    QLabel* lblMaskMnfct = nullptr;
    QLineEdit* Text_SearchMaskMnfct = nullptr;
    QLabel* lblMaskVersion = nullptr;
    QLineEdit* Text_SearchMaskVersion = nullptr;
    QLabel* lblMaskMedia = nullptr;
    QLineEdit* Text_SearchMaskMedia = nullptr;
    QCheckBox* chkSec_REQ_UD2 = nullptr;
    QCheckBox* chkSec_SND_UD = nullptr; // has no effect
    QGroupBox* Frame_FastSearch = nullptr;
    QLabel* lblMaskExcludeMnfct = nullptr;
    QLabel* lblMaskExclude = nullptr;
    QLineEdit* Text_SearchMaskExclude = nullptr;
    QCheckBox* Check_FastSearch = nullptr;
    QLabel* lblGatewayAllowance = nullptr;
    QGroupBox* Frame_Timeout = nullptr;
    std::array<QRadioButton*, 3> Option_Timeout{};
    QPushButton* Command_Search = nullptr;
    QPushButton* Command_AbortSearch = nullptr;
    QPushButton* Command_Save = nullptr;
    QPushButton* CmdSaveCsv = nullptr;
    QPushButton* Command_Exit = nullptr;
    QCheckBox* Check_SearchTrace = nullptr; // the log's search trace, also switched by its "Interval" label
    QTreeWidget* ListView_Search = nullptr;
    QStatusBar* StatusBar = nullptr;
    QProgressBar* ProgressBar_Search = nullptr;
    QMenu* Menu_Popup = nullptr;
    QAction* Menu_Popup_CopyToClipBoard = nullptr;
    QAction* Menu_Popup_SetPrimaryAddress = nullptr;

    // Last mouse button pressed or released over the list.
    int LastMouseButton = 0;

    void Command_Search_Click();
    void Command_AbortSearch_Click();
    void Command_Exit_Click();
    void CmdSaveCsv_Click();
    void Command_Save_Click();
    void Menu_Popup_CopyToClipBoard_Click();
    // Gives the meter of the current row a new primary address through its
    // secondary address, reads it there and says so; the row follows.
    void Menu_Popup_SetPrimaryAddress_Click();
    void Option_SearchMethod_Click(int index);
    void Option_Timeout_Click(int index);
    void ListView_Search_DblClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // SearchRowSink
    int AddRow(const SearchResultRow& row) override;
    void ChangeRow(int handle, const SearchResultRow& row) override;
    void RowFinished(int handle, const SearchResultRow& row) override;
    void RemoveRow(int handle) override;
    void SetProgress(int done, int estimate) override;
    void SetStatus(int panel, const QString& text) override;
    // SearchStartQuestions
    bool AskBirchGateway() override;
    bool AskUnreadableRecord() override;

    QWidget* BuildMethodFrame();
    QWidget* BuildPrimaryFrame();
    QWidget* BuildSecondaryFrame();
    QWidget* BuildFastSearchFrame();
    QWidget* BuildTimeoutFrame();
    QLayout* BuildButtons();
    void BuildList();
    void BuildStatusBar();
    void SetTexts();
    void ConnectControls();
    void Form_Load();
    void Form_Unload();
    bool AskYesNo(const QString& text);
    ini::SearchGateway ActiveGatewayType() const;
    int StoredTimeoutOption() const;
    SearchPlan PlanWindowSearch(const SearchRequest& request);
    bool RefuseBadMasks(SecondaryScanSettings& settings);
    void ShowSearching(bool searching);
    void SaveRows(bool csv);
    void SaveRowsTo(const QString& path, bool csv);
    SearchResultRow RowOf(const QTreeWidgetItem* item) const;
    void ShowRow(QTreeWidgetItem* item, const SearchResultRow& row);
    // Hides the finished rows that "View found devices only" leaves out, shows the others.
    void ApplyFoundOnly(QTreeWidgetItem* item);
    void WidenToShow(const QTreeWidgetItem* item);
    // Panel 2 while a scan runs: the probe, what was found, the time.
    void ShowLiveSummary();
    QSize WantedSize() const;
    QString GetLanguageText(int id) const;
    // The secondary address of the meter in the current row, if it names one.
    std::optional<SecondaryAddress> CurrentMeter() const;
    // The new primary address (0-250) the user gives the meter; nothing on cancel.
    std::optional<int> AskNewPrimaryAddress(const SecondaryAddress& meter);
    int TwipsToPixels(int twips) const;
    int PixelsToTwips(int pixels) const;

    WizardContext& m_Context;
    NetworkContext& m_Network; // where the gateway's record is read from and kept
    SearchWindowLinks m_Links;
    SearchPlan m_Plan; // of the last search; its timing follows the timeout options while it runs
    QString m_Portsettings;
    bool m_Running = false; // from the start of a search until it has ended
    bool m_BreakFlag = false;
    SearchMethod m_RowsMethod = SearchMethod::Primary; // the search the list's rows come from
    bool m_CloseWhenStopped = false;
    QHash<int, QTreeWidgetItem*> m_Items; // row handles of the running search
    int m_NextHandle = 0;
    std::array<QLabel*, 4> m_StatusPanels{};
    int m_WantedWidth = 0; // every column whole, as far as the screen allows
    ScanProgress m_Progress;
    QElapsedTimer m_ScanClock;
    QTimer* m_SummaryTicker = nullptr; // the clock of the live summary moves on between probes
    bool m_Scanning = false; // the scan itself runs: panel 2 shows the live summary
    QString m_Probing; // the scan's own panel 2 text: the probe
    int m_FoundRows = 0;
    int m_CollisionRows = 0;
    // The widths as stored, so an untouched column keeps its value exactly.
    std::array<int, kColumns> m_ColumnTwips{};
};
