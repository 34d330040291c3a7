#include "searchwindow.h"

#include "fastsearchkeys.h"
#include "meterdecoding.h"
#include "searchexport.h"
#include "searchtexts.h"
#include "searchtimeouts.h"

#include "comm/commtexts.h"
#include "comm/connection.h"
#include "comm/connectionrequest.h"
#include "comm/deviceoperations.h"
#include "features/featureprotocol.h"
#include "netsetup/networkcontext.h"
#include "shell/fileerrordialog.h"
#include "shell/pagecontrols.h"
#include "shell/savefiledialog.h"
#include "base/textnumber.h"
#include "base/windowplacement.h"
#include "shell/shelltexts.h"
#include "shell/wizardcontext.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDate>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QIcon>
#include <QInputDialog>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The rows a list of this height shows, when there is room for them.
constexpr int kShownRows = 14;
// Where an item keeps the decoder's text of a column, which the window shows translated.
constexpr int kRowTextRole = Qt::UserRole + 1;
constexpr int kFinishedRole = Qt::UserRole + 2;

// Elapsed or remaining time as a clock shows it: m:ss, or h:mm:ss from an hour on.
QString ClockText(std::chrono::milliseconds time)
{
    const qint64 total = std::max<qint64>(std::chrono::duration_cast<std::chrono::seconds>(time).count(), 0);
    const QString seconds = QStringLiteral("%1").arg(total % 60, 2, 10, QLatin1Char('0'));
    if (total < 3600)
        return QString::number(total / 60) + u':' + seconds;
    return QStringLiteral("%1:%2:%3").arg(total / 3600).arg(total / 60 % 60, 2, 10, QLatin1Char('0')).arg(seconds);
}

// A tooltip of several sentences, wrapped rather than one line across the screen.
QString WrappedTip(const QString& text)
{
    return QStringLiteral("<p>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

// The window decoration around the inside of a window as placed on this desktop.
QMargins Decoration(const QWidget& window)
{
    const QRect outside = window.frameGeometry();
    const QRect inside = window.geometry();
    return {inside.left() - outside.left(), inside.top() - outside.top(), outside.right() - inside.right(),
            outside.bottom() - inside.bottom()};
}

// The selection column (4) says "SND_NKE" or "Selection" by method.
constexpr int kSelectionColumnIndex = 3;
constexpr int kMaxPrimaryAddress = 251;

// The small pictures of the four row states, drawn rather than loaded.
QIcon RowIcon(SearchIcon icon, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF disc(1.5, 1.5, size - 3.0, size - 3.0);
    const auto mark = [&](const QColor& fill, const QString& sign) {
        painter.setPen(QPen(fill.darker(140), 1));
        painter.setBrush(fill);
        painter.drawEllipse(disc);
        painter.setPen(Qt::white);
        QFont font = painter.font();
        font.setBold(true);
        font.setPixelSize(std::max(6, size * 2 / 3));
        painter.setFont(font);
        painter.drawText(disc, Qt::AlignCenter, sign);
    };
    switch (icon) {
    case SearchIcon::Neutral:
        painter.setPen(QPen(QColor(140, 140, 140), 1.2));
        painter.drawEllipse(disc);
        break;
    case SearchIcon::Answered:
        mark(QColor(0, 150, 60), QStringLiteral("\u2713"));
        break;
    case SearchIcon::Fault:
        mark(QColor(200, 30, 30), QStringLiteral("\u00D7"));
        break;
    case SearchIcon::Uncertain:
        mark(QColor(230, 140, 0), QStringLiteral("?"));
        break;
    }
    return QIcon(pixmap);
}

// "Name(index)", the object name of an element of a control array.
QString ElementName(const QString& name, int index)
{
    return name + u'(' + QString::number(index) + u')';
}

// An option group of a frame, one below the other: "Name(0)", "Name(1)", ...
template <size_t Count>
void AddOptions(QGroupBox* frame, QVBoxLayout* column, const QString& name, std::array<QRadioButton*, Count>& options)
{
    auto* group = new QButtonGroup(frame);
    for (size_t i = 0; i < Count; ++i) {
        auto* option = Named(new QRadioButton(frame), ElementName(name, static_cast<int>(i)));
        group->addButton(option, static_cast<int>(i));
        column->addWidget(option);
        options[i] = option;
    }
}

bool IsChecked(const Settings& settings, const SettingKey& key)
{
    return settings.ReadInt(key) != 0;
}

QString CheckValue(const QCheckBox* box)
{
    return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

Ostrand_Search::Ostrand_Search(WizardContext& context, NetworkContext& network, SearchWindowLinks links, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_Context(context)
    , m_Network(network)
    , m_Links(std::move(links))
{
    setObjectName(QStringLiteral("Ostrand_Search"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("M-Bus Alder Family Setup Wizard - Search Meters"));
    chooseSaveFile = [this](bool csv, std::function<void(const QString&)> chosen) {
        if (csv)
            AskSaveFileName(this, m_Context.settings, FileKind::SearchList,
                            QStringLiteral("Save Search Csv Configuration"), std::move(chosen));
        else // the report goes to the end of the file
            AskAppendFileName(this, m_Context.settings, FileKind::SearchReport,
                              QStringLiteral("Save Search txt Configuration"),
                              GetLanguageText(searchtext::kAppendReport), std::move(chosen));
    };

    BuildList();
    // Two rows of frames, so that the window fits beside the wizard on a
    // small screen; the primary and the secondary frame share their place.
    auto* frames = new QGridLayout;
    frames->addWidget(BuildMethodFrame(), 0, 0);
    frames->addWidget(BuildPrimaryFrame(), 0, 1);
    frames->addWidget(BuildSecondaryFrame(), 0, 1);
    frames->addWidget(BuildFastSearchFrame(), 1, 0);
    frames->addWidget(BuildTimeoutFrame(), 1, 1);
    frames->setColumnStretch(2, 1);
    frames->addLayout(BuildButtons(), 0, 3, 2, 1);
    ProgressBar_Search = Named(new QProgressBar(this), QStringLiteral("ProgressBar_Search"));
    ProgressBar_Search->setTextVisible(false);
    ProgressBar_Search->setRange(0, ScanProgress::kFull);
    BuildStatusBar();
    m_SummaryTicker = new QTimer(this);
    m_SummaryTicker->setInterval(1000);
    connect(m_SummaryTicker, &QTimer::timeout, this, [this] { ShowLiveSummary(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 0);
    layout->addWidget(ListView_Search, 1);
    layout->addLayout(frames);
    layout->addWidget(ProgressBar_Search);
    layout->addWidget(StatusBar);

    SetTexts();
    ConnectControls();
    Form_Load();
}

Ostrand_Search::~Ostrand_Search() = default;

QString Ostrand_Search::GetLanguageText(int id) const
{
    return m_Context.language.GetLanguageText(id);
}

int Ostrand_Search::TwipsToPixels(int twips) const
{
    return twips * std::max(logicalDpiX(), 1) / 1440;
}

int Ostrand_Search::PixelsToTwips(int pixels) const
{
    return pixels * 1440 / std::max(logicalDpiX(), 1);
}

void Ostrand_Search::BuildList()
{
    ListView_Search = Named(new QTreeWidget(this), QStringLiteral("ListView_Search"));
    ListView_Search->setColumnCount(kColumns);
    ListView_Search->setRootIsDecorated(false);
    ListView_Search->setUniformRowHeights(true);
    ListView_Search->setAllColumnsShowFocus(true);
    ListView_Search->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView_Search->setContextMenuPolicy(Qt::CustomContextMenu);
    const int iconSize = fontMetrics().height() - 2;
    ListView_Search->setIconSize(QSize(iconSize, iconSize));
    ListView_Search->header()->setStretchLastSection(false);
    ListView_Search->header()->setSectionsMovable(false);
    ListView_Search->viewport()->installEventFilter(this);
    ListView_Search->setMinimumHeight(fontMetrics().lineSpacing() * 8);

    Menu_Popup = new QMenu(QStringLiteral("..."), this);
    Menu_Popup->setObjectName(QStringLiteral("Menu_Popup"));
    Menu_Popup_CopyToClipBoard = Menu_Popup->addAction(QString());
    Menu_Popup_CopyToClipBoard->setObjectName(QStringLiteral("Menu_Popup_CopyToClipBoard"));
    Menu_Popup_SetPrimaryAddress = Menu_Popup->addAction(QString());
    Menu_Popup_SetPrimaryAddress->setObjectName(QStringLiteral("Menu_Popup_SetPrimaryAddress"));
}

QWidget* Ostrand_Search::BuildMethodFrame()
{
    Frame_Method = Named(new QGroupBox(this), QStringLiteral("Frame_Method"));
    auto* column = new QVBoxLayout(Frame_Method);
    AddOptions(Frame_Method, column, QStringLiteral("Option_SearchMethod"), Option_SearchMethod);
    Check_ViewFoundOnly = Named(new QCheckBox(Frame_Method), QStringLiteral("Check_ViewFoundOnly"));
    column->addWidget(Check_ViewFoundOnly);
    column->addStretch(1);
    return Frame_Method;
}

QWidget* Ostrand_Search::BuildPrimaryFrame()
{
    Frame_Primary = Named(new QGroupBox(this), QStringLiteral("Frame_Primary"));
    Label_FirstPrimaryAddress = Named(new QLabel(Frame_Primary), QStringLiteral("Label_FirstPrimaryAddress"));
    Text_LowPrimaryAddress = Named(new QLineEdit(Frame_Primary), QStringLiteral("Text_LowPrimaryAddress"));
    Label_LastPrimaryAddress = Named(new QLabel(Frame_Primary), QStringLiteral("Label_LastPrimaryAddress"));
    Text_HighPrimaryAddress = Named(new QLineEdit(Frame_Primary), QStringLiteral("Text_HighPrimaryAddress"));
    Check_SND_NKE = Named(new QCheckBox(QStringLiteral("SND_NKE"), Frame_Primary), QStringLiteral("Check_SND_NKE"));
    Check_REQ_UD2 = Named(new QCheckBox(QStringLiteral("REQ_UD2"), Frame_Primary), QStringLiteral("Check_REQ_UD2"));
    for (QLineEdit* field : {Text_LowPrimaryAddress, Text_HighPrimaryAddress})
        FitWidthToDigits(field, 3);
    Label_FirstPrimaryAddress->setBuddy(Text_LowPrimaryAddress);
    Label_LastPrimaryAddress->setBuddy(Text_HighPrimaryAddress);
    auto* grid = new QGridLayout(Frame_Primary);
    grid->addWidget(Label_FirstPrimaryAddress, 0, 0);
    grid->addWidget(Text_LowPrimaryAddress, 0, 1);
    grid->addWidget(Check_SND_NKE, 0, 2);
    grid->addWidget(Label_LastPrimaryAddress, 1, 0);
    grid->addWidget(Text_HighPrimaryAddress, 1, 1);
    grid->addWidget(Check_REQ_UD2, 1, 2);
    grid->setRowStretch(2, 1);
    return Frame_Primary;
}

QWidget* Ostrand_Search::BuildSecondaryFrame()
{
    Frame_Secondary = Named(new QGroupBox(this), QStringLiteral("Frame_Secondary"));
    lblMaskId = Named(new QLabel(Frame_Secondary), QStringLiteral("lblMaskId"));
    Text_SearchMaskId = Named(new QLineEdit(QStringLiteral("FFFFFFFF"), Frame_Secondary), QStringLiteral("Text_SearchMaskId"));
    lblMaskMnfct = Named(new QLabel(Frame_Secondary), QStringLiteral("lblMaskMnfct"));
    Text_SearchMaskMnfct = Named(new QLineEdit(QStringLiteral("FFFF"), Frame_Secondary), QStringLiteral("Text_SearchMaskMnfct"));
    lblMaskVersion = Named(new QLabel(Frame_Secondary), QStringLiteral("lblMaskVersion"));
    Text_SearchMaskVersion = Named(new QLineEdit(QStringLiteral("FF"), Frame_Secondary), QStringLiteral("Text_SearchMaskVersion"));
    lblMaskMedia = Named(new QLabel(Frame_Secondary), QStringLiteral("lblMaskMedia"));
    Text_SearchMaskMedia = Named(new QLineEdit(QStringLiteral("FF"), Frame_Secondary), QStringLiteral("Text_SearchMaskMedia"));
    chkSec_REQ_UD2 = Named(new QCheckBox(QStringLiteral("REQ_UD2"), Frame_Secondary), QStringLiteral("chkSec_REQ_UD2"));
    chkSec_SND_UD = Named(new QCheckBox(QStringLiteral("SND_UD"), Frame_Secondary), QStringLiteral("chkSec_SND_UD"));
    const std::pair<QLabel*, QLineEdit*> fields[] = {
        {lblMaskId, Text_SearchMaskId}, {lblMaskMnfct, Text_SearchMaskMnfct},
        {lblMaskVersion, Text_SearchMaskVersion}, {lblMaskMedia, Text_SearchMaskMedia}};
    const int digits[] = {8, 4, 2, 2};
    auto* grid = new QGridLayout(Frame_Secondary);
    for (int i = 0; i < 4; ++i) {
        grid->addWidget(fields[i].first, 0, i);
        grid->addWidget(fields[i].second, 1, i);
        FitWidthToDigits(fields[i].second, digits[i]);
        fields[i].first->setBuddy(fields[i].second);
    }
    grid->addWidget(chkSec_REQ_UD2, 2, 0);
    grid->addWidget(chkSec_SND_UD, 2, 1, 1, 3);
    grid->setRowStretch(3, 1);
    return Frame_Secondary;
}

QWidget* Ostrand_Search::BuildFastSearchFrame()
{
    Frame_FastSearch = Named(new QGroupBox(this), QStringLiteral("Frame_FastSearch"));
    lblMaskExcludeMnfct = Named(new QLabel(Frame_FastSearch), QStringLiteral("lblMaskExcludeMnfct"));
    lblMaskExclude = Named(new QLabel(Frame_FastSearch), QStringLiteral("lblMaskExclude"));
    Text_SearchMaskExclude =
        Named(new QLineEdit(QStringLiteral("FFFF"), Frame_FastSearch), QStringLiteral("Text_SearchMaskExclude"));
    FitWidthToDigits(Text_SearchMaskExclude, 4);
    lblMaskExclude->setBuddy(Text_SearchMaskExclude);
    Check_FastSearch = Named(new QCheckBox(Frame_FastSearch), QStringLiteral("Check_FastSearch"));
    lblGatewayAllowance = Named(new QLabel(Frame_FastSearch), QStringLiteral("lblGatewayAllowance"));
    auto* grid = new QGridLayout(Frame_FastSearch);
    grid->addWidget(lblMaskExcludeMnfct, 0, 1);
    grid->addWidget(lblMaskExclude, 1, 0);
    grid->addWidget(Text_SearchMaskExclude, 1, 1);
    grid->addWidget(Check_FastSearch, 2, 0, 1, 2);
    grid->addWidget(lblGatewayAllowance, 3, 0, 1, 2);
    grid->setRowStretch(4, 1);
    return Frame_FastSearch;
}

QWidget* Ostrand_Search::BuildTimeoutFrame()
{
    Frame_Timeout = Named(new QGroupBox(this), QStringLiteral("Frame_Timeout"));
    auto* column = new QVBoxLayout(Frame_Timeout);
    AddOptions(Frame_Timeout, column, QStringLiteral("Option_Timeout"), Option_Timeout);
    column->addStretch(1);
    Frame_Timeout->hide(); // shown while a search runs with timeouts the user chooses
    return Frame_Timeout;
}

QLayout* Ostrand_Search::BuildButtons()
{
    const auto button = [this](const char* name) { return CommandButton(this, QString::fromLatin1(name)); };
    Command_Search = button("Command_Search");
    Command_AbortSearch = button("Command_AbortSearch");
    Command_Save = button("Command_Save");
    CmdSaveCsv = button("CmdSaveCsv");
    Command_Exit = button("Command_Exit");
    Command_AbortSearch->hide();
    Check_SearchTrace = Named(new QCheckBox(this), QStringLiteral("Check_SearchTrace"));
    Check_SearchTrace->setChecked(m_Context.log.SearchTrace());
    auto* column = new QVBoxLayout;
    column->addWidget(Command_Search);
    column->addWidget(Command_AbortSearch);
    column->addWidget(Command_Save);
    column->addWidget(CmdSaveCsv);
    column->addWidget(Command_Exit);
    column->addWidget(Check_SearchTrace);
    column->addStretch(1);
    return column;
}

void Ostrand_Search::BuildStatusBar()
{
    StatusBar = Named(new QStatusBar(this), QStringLiteral("StatusBar"));
    StatusBar->setSizeGripEnabled(true);
    // the counters keep the width of their text; panel 2 takes the rest for the live summary
    const int stretches[] = {0, 1, 0, 0};
    for (int i = 0; i < 4; ++i) {
        auto* panel = Named(new QLabel(StatusBar), QStringLiteral("StatusBar_Panel%1").arg(i + 1));
        panel->setMinimumWidth(fontMetrics().averageCharWidth() * (i == 0 ? 2 : 12));
        StatusBar->addWidget(panel, stretches[i]);
        m_StatusPanels[static_cast<size_t>(i)] = panel;
    }
}

void Ostrand_Search::SetTexts()
{
    setWindowTitle(GetLanguageText(searchtext::kSearchCaption));
    Frame_Method->setTitle(GetLanguageText(searchtext::kMethod));
    Option_SearchMethod[0]->setText(GetLanguageText(searchtext::kPrimaryOption));
    Option_SearchMethod[1]->setText(GetLanguageText(searchtext::kSecondaryOption));
    Check_ViewFoundOnly->setText(GetLanguageText(searchtext::kViewFoundOnly));
    Frame_Primary->setTitle(GetLanguageText(searchtext::kPrimaryFrame));
    Label_FirstPrimaryAddress->setText(GetLanguageText(searchtext::kFirst));
    Label_LastPrimaryAddress->setText(GetLanguageText(searchtext::kLast));
    Frame_Secondary->setTitle(GetLanguageText(searchtext::kSecondaryFrame));
    lblMaskId->setText(GetLanguageText(commtext::kIdentity));
    lblMaskMnfct->setText(GetLanguageText(commtext::kManufacturer));
    lblMaskVersion->setText(GetLanguageText(commtext::kVersion));
    lblMaskMedia->setText(GetLanguageText(commtext::kMedium));
    Frame_FastSearch->setTitle(GetLanguageText(searchtext::kFastSearch));
    lblMaskExcludeMnfct->setText(GetLanguageText(commtext::kManufacturer));
    lblMaskExclude->setText(GetLanguageText(searchtext::kExclude));
    Check_FastSearch->setText(GetLanguageText(searchtext::kFastSearchCheck));
    Check_FastSearch->setToolTip(WrappedTip(GetLanguageText(searchtext::kFastSearchTip)));
    lblGatewayAllowance->setToolTip(WrappedTip(GetLanguageText(searchtext::kGatewayAllowanceTip)));
    // the allowance the fast search adds to the bus's own timing, from the INI file
    lblGatewayAllowance->setText(GetLanguageText(searchtext::kGatewayAllowance) + u' '
                                 + QString::number(ReadSearchDelay(m_Context.ini, ini::Search_GatewayAllowance).count())
                                 + QStringLiteral(" ms"));
    Frame_Timeout->setTitle(GetLanguageText(searchtext::kPrimaryTimeout));
    Command_Search->setText(GetLanguageText(searchtext::kStart));
    Command_AbortSearch->setText(GetLanguageText(commtext::kCancel));
    Command_Save->setText(GetLanguageText(searchtext::kSaveTxt));
    CmdSaveCsv->setText(GetLanguageText(searchtext::kSaveCsv));
    Command_Exit->setText(GetLanguageText(shelltext::kExit));
    Check_SearchTrace->setText(GetLanguageText(searchtext::kSearchTrace));
    Check_SearchTrace->setToolTip(WrappedTip(GetLanguageText(searchtext::kSearchTraceTip)));
    Menu_Popup_CopyToClipBoard->setText(GetLanguageText(searchtext::kCopyIdentification));
    Menu_Popup_SetPrimaryAddress->setText(GetLanguageText(searchtext::kSetPrimaryAddress));

    QStringList headers{QString()};
    for (int id = searchtext::kFirstColumn; id < searchtext::kFirstColumn + 8; ++id)
        headers << GetLanguageText(id);
    headers << GetLanguageText(searchtext::kDeviceColumn);
    ListView_Search->setHeaderLabels(headers);
}

void Ostrand_Search::ConnectControls()
{
    connect(Command_Search, &QPushButton::clicked, this, [this] { Command_Search_Click(); });
    connect(&m_Context.operations, &DeviceOperations::busyChanged, this, [this] { ValidateSettings(); });
    connect(Command_AbortSearch, &QPushButton::clicked, this, [this] { Command_AbortSearch_Click(); });
    connect(Command_Exit, &QPushButton::clicked, this, [this] { Command_Exit_Click(); });
    connect(Command_Save, &QPushButton::clicked, this, [this] { Command_Save_Click(); });
    connect(CmdSaveCsv, &QPushButton::clicked, this, [this] { CmdSaveCsv_Click(); });
    connect(Menu_Popup_CopyToClipBoard, &QAction::triggered, this, [this] { Menu_Popup_CopyToClipBoard_Click(); });
    connect(Menu_Popup_SetPrimaryAddress, &QAction::triggered, this, [this] { Menu_Popup_SetPrimaryAddress_Click(); });
    // Only a meter named by its whole identification number can be given an address.
    connect(Menu_Popup, &QMenu::aboutToShow, this, [this] {
        Menu_Popup_SetPrimaryAddress->setEnabled(!Searching() && CurrentMeter().has_value());
    });
    connect(Check_ViewFoundOnly, &QCheckBox::toggled, this, [this] {
        for (int i = 0; i < ListView_Search->topLevelItemCount(); ++i)
            ApplyFoundOnly(ListView_Search->topLevelItem(i));
    });
    connect(Check_SearchTrace, &QCheckBox::toggled, &m_Context.log, &TrafficLog::SetSearchTrace);
    connect(&m_Context.log, &TrafficLog::searchTraceChanged, Check_SearchTrace, &QCheckBox::setChecked);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] {
        if (Searching())
            Command_AbortSearch_Click();
    });
    for (int i = 0; i < 2; ++i) {
        connect(Option_SearchMethod[static_cast<size_t>(i)], &QRadioButton::toggled, this, [this, i](bool checked) {
            if (checked)
                Option_SearchMethod_Click(i);
        });
    }
    for (int i = 0; i < kTimeoutOptions; ++i)
        connect(Option_Timeout[static_cast<size_t>(i)], &QRadioButton::clicked, this, [this, i] { Option_Timeout_Click(i); });
    // Every entry the start button depends on re-evaluates it, but the
    // method does not: its state changes only with the next such entry.
    for (QCheckBox* box : {Check_SND_NKE, Check_REQ_UD2})
        connect(box, &QCheckBox::toggled, this, [this] { ValidateSettings(); });
    for (QLineEdit* field : {Text_LowPrimaryAddress, Text_HighPrimaryAddress, Text_SearchMaskId})
        connect(field, &QLineEdit::textChanged, this, [this] { ValidateSettings(); });
    connect(ListView_Search, &QTreeWidget::itemActivated, this, [this] { ListView_Search_DblClick(); });
    connect(ListView_Search, &QTreeWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { Menu_Popup->popup(ListView_Search->viewport()->mapToGlobal(at)); });
}

void Ostrand_Search::Form_Load()
{
    const Settings& settings = m_Context.settings;
    // Typical texts of columns 2-10, so that a first start shows them whole
    // in whatever font the system uses.
    static const char* const kTypical[kColumns] = {"", "1FFFFFFF", "250", "Collision?", "Collision", "12345678",
                                                  "ABB (0442h)", "255 (FFh)", "", "PadPuls M4"};
    const QFontMetrics metrics = ListView_Search->fontMetrics();
    int medium = 0; // the longest medium name in this language
    for (int code = 0; code < kNamedMedia; ++code)
        medium = std::max(medium, metrics.horizontalAdvance(GetLanguageText(searchtext::kFirstMedium + code)
                                                            + QStringLiteral(" (00h)")));
    for (int column = 1; column < kColumns; ++column) {
        const SettingKey key = keys::ListView_SearchColumn.ForTask(column + 1);
        const qint64 twips = LeadingNumber(settings.Read(key));
        m_ColumnTwips[static_cast<size_t>(column)] = static_cast<int>(std::clamp<qint64>(twips, 0, 30000));
        int width = TwipsToPixels(m_ColumnTwips[static_cast<size_t>(column)]);
        if (settings.ReadSetting(keys::kWizardSection, key.key, QString()).isEmpty()) {
            const int typical =
                column == rowtext::kMedium ? medium : metrics.horizontalAdvance(QString::fromLatin1(kTypical[column]));
            const int text = std::max(typical, metrics.horizontalAdvance(ListView_Search->headerItem()->text(column)));
            width = std::max(width, text + 2 * metrics.averageCharWidth());
        }
        ListView_Search->setColumnWidth(column, width);
    }
    ListView_Search->setColumnWidth(0, ListView_Search->iconSize().width() + 2 * fontMetrics().averageCharWidth());
    // wide enough for every column, as far as the screen allows
    int columns = 2 * ListView_Search->frameWidth() + ListView_Search->verticalScrollBar()->sizeHint().width();
    for (int column = 0; column < kColumns; ++column)
        columns += ListView_Search->columnWidth(column);
    m_WantedWidth = std::max(sizeHint().width(), columns + 2 * layout()->contentsMargins().left());
    resize(WantedSize());
    Check_SND_NKE->setChecked(IsChecked(settings, keys::Check_SND_NKE));
    Check_REQ_UD2->setChecked(IsChecked(settings, keys::Check_REQ_UD2));
    Check_ViewFoundOnly->setChecked(IsChecked(settings, keys::Check_ViewFoundOnly));
    Check_FastSearch->setChecked(IsChecked(settings, keys::Check_FastSearch));
    Text_LowPrimaryAddress->setText(settings.Read(keys::Text_LowPrimaryAddress));
    Text_HighPrimaryAddress->setText(settings.Read(keys::Text_HighPrimaryAddress));
    const int method = settings.ReadInt(keys::Option_SearchMethod) == 1 ? 1 : 0;
    Option_SearchMethod[static_cast<size_t>(method)]->setChecked(true);
    Option_SearchMethod_Click(method); // also when it was selected already
}

void Ostrand_Search::Form_Unload()
{
    Settings& settings = m_Context.settings;
    for (int column = 1; column < kColumns; ++column) {
        const int width = ListView_Search->columnWidth(column);
        const int stored = m_ColumnTwips[static_cast<size_t>(column)];
        settings.Save(keys::ListView_SearchColumn.ForTask(column + 1),
                      TwipsToPixels(stored) == width ? stored : PixelsToTwips(width));
    }
    settings.Save(keys::Check_SND_NKE, CheckValue(Check_SND_NKE));
    settings.Save(keys::Check_REQ_UD2, CheckValue(Check_REQ_UD2));
    settings.Save(keys::Check_ViewFoundOnly, CheckValue(Check_ViewFoundOnly));
    settings.Save(keys::Check_FastSearch, CheckValue(Check_FastSearch));
    settings.Save(keys::Text_LowPrimaryAddress, Text_LowPrimaryAddress->text());
    settings.Save(keys::Text_HighPrimaryAddress, Text_HighPrimaryAddress->text());
    settings.Save(keys::Option_SearchMethod, Option_SearchMethod[1]->isChecked() ? 1 : 0);
    settings.Save(keys::Ostrand_Search_Place,
                  QStringLiteral("%1,%2,%3,%4").arg(x()).arg(y()).arg(width()).arg(height()));
}

QSize Ostrand_Search::WantedSize() const
{
    // the list as high as its rows need by this font, the rest as the layout wants it
    const int list = ListView_Search->header()->sizeHint().height() + kShownRows * ListView_Search->fontMetrics().lineSpacing()
                     + 2 * ListView_Search->frameWidth();
    return {m_WantedWidth, sizeHint().height() - ListView_Search->sizeHint().height() + list};
}

std::optional<QRect> Ostrand_Search::RememberedPlace() const
{
    const QStringList numbers = m_Context.settings.Read(keys::Ostrand_Search_Place).split(u',');
    if (numbers.size() != 4)
        return std::nullopt;
    int values[4] = {};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = numbers[i].trimmed().toInt(&ok);
        if (!ok)
            return std::nullopt;
    }
    const QRect place(values[0], values[1], values[2], values[3]);
    return place.isValid() ? std::optional<QRect>(place) : std::nullopt;
}

QSize Ostrand_Search::FrameSizeBeside(const QWidget* wizard) const
{
    return WantedSize().grownBy(Decoration(*wizard));
}

void Ostrand_Search::Place(const QWidget* wizard)
{
    // this window's decoration is not known before it is shown: the wizard's is the same
    const QMargins decoration = wizard ? Decoration(*wizard) : QMargins();
    const QScreen* screen = wizard ? wizard->screen() : this->screen();
    QRect frame;
    if (const std::optional<QRect> remembered = RememberedPlace()) {
        frame = QRect(remembered->topLeft(), remembered->size().grownBy(decoration));
        if (const QScreen* there = QGuiApplication::screenAt(frame.center()))
            screen = there;
        frame = KeepOnScreen(frame, screen ? screen->availableGeometry() : QRect());
    } else if (wizard) {
        const int narrowest = minimumSizeHint().width() + decoration.left() + decoration.right();
        frame = PlaceBesideUncovered(wizard->frameGeometry(), FrameSizeBeside(wizard), narrowest,
                                     screen ? screen->availableGeometry() : QRect());
    } else {
        return;
    }
    move(frame.topLeft());
    resize(frame.size().shrunkBy(decoration));
}

void Ostrand_Search::Option_SearchMethod_Click(int index)
{
    Frame_Primary->setVisible(index == 0);
    Frame_Secondary->setVisible(index == 1);
    // the least width follows the frame shown, also before the window is
    layout()->invalidate();
    layout()->activate();
    ListView_Search->headerItem()->setText(
        kSelectionColumnIndex,
        GetLanguageText(index == 0 ? searchtext::kFirstColumn + 2 : searchtext::kSelectionColumn));
    Frame_Timeout->setTitle(GetLanguageText(index == 0 ? searchtext::kPrimaryTimeout : searchtext::kSecondaryTimeout));
}

bool Ostrand_Search::SettingsValid() const
{
    if (Option_SearchMethod[1]->isChecked())
        return Text_SearchMaskId->text().trimmed().size() == 8;
    const qint64 first = LeadingNumber(Text_LowPrimaryAddress->text());
    const qint64 last = LeadingNumber(Text_HighPrimaryAddress->text());
    return first >= 0 && last >= first && last <= kMaxPrimaryAddress
           && (Check_SND_NKE->isChecked() || Check_REQ_UD2->isChecked());
}

void Ostrand_Search::ValidateSettings()
{
    // While another operation runs (the feature page's Apply, a poll) a
    // search could not start: the button does not pretend it could.
    Command_Search->setEnabled(SettingsValid() && !m_Context.operations.Busy());
}

ini::SearchGateway Ostrand_Search::ActiveGatewayType() const
{
    return m_Links.activeGatewayType ? m_Links.activeGatewayType() : StoredActiveSetting(m_Context.settings);
}

int Ostrand_Search::StoredTimeoutOption() const
{
    return std::clamp(m_Context.settings.ReadInt(keys::Option_Search_Timeout), 0, kTimeoutOptions - 1);
}

void Ostrand_Search::RefreshTimeoutCaptions()
{
    const ini::SearchGateway type = ActiveGatewayType();
    for (int i = 0; i < kTimeoutOptions; ++i)
        Option_Timeout[static_cast<size_t>(i)]->setText(TimeoutOptionCaption(m_Context.ini, i, type));
}

void Ostrand_Search::Option_Timeout_Click(int index)
{
    UseTimeoutOption(m_Plan.timing, m_Context.ini, index, ActiveGatewayType());
    m_Context.settings.Save(keys::Option_Search_Timeout, index);
}

QString Ostrand_Search::StatusPanel(int panel) const
{
    return panel >= 1 && panel <= 4 ? m_StatusPanels[static_cast<size_t>(panel - 1)]->text() : QString();
}

void Ostrand_Search::ShowSearching(bool searching)
{
    Command_Search->setVisible(!searching);
    Command_AbortSearch->setVisible(searching);
    for (QWidget* control : std::initializer_list<QWidget*>{Frame_Method, Frame_Primary, Frame_Secondary, Check_FastSearch, Command_Save, CmdSaveCsv})
        control->setEnabled(!searching);
    if (searching) {
        Command_AbortSearch->setFocus();
        return;
    }
    // The search's own operation ends in a moment: the button takes the
    // focus back now rather than when the program is idle.
    Command_Search->setEnabled(SettingsValid());
    Command_Search->setFocus();
}

bool Ostrand_Search::RefuseBadMasks(SecondaryScanSettings& settings)
{
    const struct {
        QLineEdit* field;
        QLabel* label;
        int digits;
        QString* mask;
    } masks[] = {{Text_SearchMaskId, lblMaskId, 8, &settings.idMask},
                 {Text_SearchMaskMnfct, lblMaskMnfct, 4, &settings.manufacturerMask},
                 {Text_SearchMaskVersion, lblMaskVersion, 2, &settings.versionMask},
                 {Text_SearchMaskMedia, lblMaskMedia, 2, &settings.mediumMask}};
    for (const auto& mask : masks) {
        const std::optional<QString> normal = NormaliseSearchMask(mask.field->text(), mask.digits);
        if (!normal) {
            QMessageBox::warning(this, windowTitle(),
                                 GetLanguageText(searchtext::kBadMask) + QStringLiteral("\r\n\r\n") + mask.label->text()
                                     + QStringLiteral(": ") + mask.field->text());
            mask.field->setFocus();
            return false;
        }
        *mask.mask = *normal;
    }
    for (const auto& mask : masks)
        mask.field->setText(*mask.mask); // the masks as the scan sends them
    return true;
}

void Ostrand_Search::Command_Search_Click()
{
    if (Searching())
        return;
    DeviceOperations& operations = m_Context.operations;
    const DeviceOperationScope operation(operations);
    if (!operation)
        return;
    SearchRequest request;
    request.method = Option_SearchMethod[1]->isChecked() ? SearchMethod::Secondary : SearchMethod::Primary;
    if (request.method == SearchMethod::Secondary && !RefuseBadMasks(request.secondary))
        return; // nothing is sent for masks that are no hex digits
    m_Running = true; // from here the window must stay until the search has ended
    request.secondary.readMeters = chkSec_REQ_UD2->isChecked();
    // the window hides what "View found devices only" leaves out, so the box can be changed afterwards
    request.secondary.viewFoundOnly = false;
    PrimaryScanSettings& primary = request.primary;
    primary.first = static_cast<int>(std::clamp<qint64>(LeadingNumber(Text_LowPrimaryAddress->text()), 0, 255));
    primary.last = static_cast<int>(std::clamp<qint64>(LeadingNumber(Text_HighPrimaryAddress->text()), 0, 255));
    primary.sndNke = Check_SND_NKE->isChecked();
    primary.reqUd2 = Check_REQ_UD2->isChecked();
    primary.viewFoundOnly = false;
    request.fast = Check_FastSearch->isChecked();
    request.gatewayType = ActiveGatewayType();
    request.timeoutOption = StoredTimeoutOption();
    request.assumedSpeed = TimeoutOptionSpeed(0);
    request.busDelay = m_Context.link.BusDelay;

    m_BreakFlag = false;
    m_RowsMethod = request.method;
    ShowSearching(true);
    SetProgress(0, 0);

    Connection& connection = m_Context.connection;
    connection.CloseConnection();
    connection.OpenConnection(ConnectionRequestFromSettings(m_Context.settings, m_Context.state.WhatToDo),
                              m_Context.link.OpenTimeout);
    m_Plan = PlanWindowSearch(request);
    Frame_Timeout->setVisible(m_Plan.line.manualTimeouts);
    m_Portsettings = m_Plan.line.portsettings;
    SetStatus(2, m_Portsettings);
    if (m_Plan.line.manualTimeouts) {
        // the option as stored now: one chosen while the start waited counts
        const int option = StoredTimeoutOption();
        Option_Timeout[static_cast<size_t>(option)]->setChecked(true);
        Option_Timeout_Click(option);
    }
    ListView_Search->clear();
    SetStatus(3, QString());
    SetStatus(4, QString());

    SearchOutcome outcome;
    if (!m_BreakFlag && !operations.CancelRequested()) {
        m_Scanning = true;
        m_Probing.clear();
        m_FoundRows = m_CollisionRows = 0;
        m_ScanClock.start();
        m_SummaryTicker->start();
        outcome = RunSearch(m_Plan, {connection, m_Context.link, m_Context.log, operations, m_Context.language}, *this);
        m_SummaryTicker->stop();
        m_Scanning = false;
    }
    m_Items.clear();
    ShowSearching(false);
    if (m_BreakFlag || outcome.aborted)
        SetProgress(0, m_Progress.Estimate());
    SetStatus(2, SearchSummary(m_Context.language, outcome.counters.numberOfScans, outcome.Seconds(), outcome.allowance));
    if (outcome.allowance) {
        // what the search allowed, which the answers may have raised above the INI file's least
        const bool serial = m_Plan.timing.fast && m_Plan.timing.fast->serial;
        lblGatewayAllowance->setText(GetLanguageText(searchtext::kGatewayAllowance) + u' '
                                     + QString::number(outcome.allowance->count()) + QStringLiteral(" ms"));
        lblGatewayAllowance->setToolTip(WrappedTip(
            GetLanguageText(serial ? searchtext::kAllowanceSerial : searchtext::kAllowanceLastSearch) + u' '
            + GetLanguageText(searchtext::kGatewayAllowanceTip)));
    }
    m_Running = false;
    if (m_CloseWhenStopped)
        QTimer::singleShot(0, this, [this] { close(); });
}

SearchPlan Ostrand_Search::PlanWindowSearch(const SearchRequest& request)
{
    Connection& connection = m_Context.connection;
    if (connection.Mode() == ConnectionMode::Udp || connection.Mode() == ConnectionMode::Tcp) {
        RefreshTimeoutCaptions();
        // none of the three is chosen until the search knows it needs one
        auto* group = Option_Timeout[0]->group();
        group->setExclusive(false);
        for (QRadioButton* option : Option_Timeout)
            option->setChecked(false);
        group->setExclusive(true);
    }
    const QString typedAddress = m_Links.typedAddress ? m_Links.typedAddress() : QString();
    SearchLineSource source{connection, m_Context.state.SelectedDeviceIP, m_Context.state.SelectedDeviceType, typedAddress, {}};
    source.readRecord = [this, &connection, typedAddress]() -> std::optional<ChannelSettings> {
        if (m_BreakFlag)
            return std::nullopt;
        LineRecordRead read{typedAddress, m_Network.configTarget.port, m_Context.state.SelectedAdapterIP,
                            &m_Network.records,
                            [this](const QString& warning) { QMessageBox::warning(this, windowTitle(), warning); }};
        return ReadLineRecord(connection, m_Context.language, m_Context.ini, read);
    };
    RememberedHost fallback;
    return PlanSearch(request, source, m_Links.rememberedHost ? *m_Links.rememberedHost : fallback, *this,
                      m_Context.language, m_Context.ini);
}

bool Ostrand_Search::AskYesNo(const QString& question)
{
    if (m_BreakFlag)
        return false; // aborted while the start was still waiting
    return QMessageBox::question(this, windowTitle(), question, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

bool Ostrand_Search::AskBirchGateway()
{
    return AskYesNo(BirchGatewayQuestionText(m_Context.language));
}

bool Ostrand_Search::AskUnreadableRecord()
{
    const QString typedAddress = m_Links.typedAddress ? m_Links.typedAddress() : QString();
    return AskYesNo(UnreadableRecordQuestionText(m_Context.language, typedAddress));
}

void Ostrand_Search::Command_AbortSearch_Click()
{
    m_BreakFlag = true;
    // the wait that runs now ends at once, so no timeout has to pass first
    if (m_Running)
        m_Context.operations.RequestCancel();
}

void Ostrand_Search::Command_Exit_Click()
{
    Command_AbortSearch_Click();
    close();
}

void Ostrand_Search::showEvent(QShowEvent* event)
{
    m_CloseWhenStopped = false; // shown again while a stopping search still ran
    QWidget::showEvent(event);
}

void Ostrand_Search::closeEvent(QCloseEvent* event)
{
    if (Searching()) {
        // the search still uses this window: stop it, and close once it has ended
        m_CloseWhenStopped = true;
        Command_AbortSearch_Click();
        hide();
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

bool Ostrand_Search::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ListView_Search->viewport()
        && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease))
        LastMouseButton = static_cast<int>(static_cast<QMouseEvent*>(event)->button());
    return QWidget::eventFilter(watched, event);
}

int Ostrand_Search::AddRow(const SearchResultRow& row)
{
    auto* item = new QTreeWidgetItem(ListView_Search);
    ShowRow(item, row);
    const int handle = m_NextHandle++;
    m_Items.insert(handle, item);
    ListView_Search->scrollToItem(item);
    return handle;
}

void Ostrand_Search::ChangeRow(int handle, const SearchResultRow& row)
{
    if (QTreeWidgetItem* item = m_Items.value(handle))
        ShowRow(item, row);
}

void Ostrand_Search::RowFinished(int handle, const SearchResultRow& row)
{
    ChangeRow(handle, row);
    if (row.icon == SearchIcon::Answered)
        ++m_FoundRows;
    else if (row.icon != SearchIcon::Neutral)
        ++m_CollisionRows; // a collision, or a reply that could not be used
    if (QTreeWidgetItem* item = m_Items.value(handle)) {
        item->setData(0, kFinishedRole, true);
        ApplyFoundOnly(item);
    }
    ShowLiveSummary();
}

void Ostrand_Search::ApplyFoundOnly(QTreeWidgetItem* item)
{
    const bool finished = item->data(0, kFinishedRole).toBool();
    const auto icon = static_cast<SearchIcon>(item->data(0, Qt::UserRole).toInt());
    item->setHidden(finished && Check_ViewFoundOnly->isChecked() && !KeptWhenFoundOnly(m_RowsMethod, icon));
}

void Ostrand_Search::ShowLiveSummary()
{
    if (!m_Scanning)
        return;
    const auto elapsed = std::chrono::milliseconds(m_ScanClock.elapsed());
    QStringList parts;
    if (!m_Probing.isEmpty())
        parts << m_Probing;
    parts << GetLanguageText(searchtext::kFoundCount).arg(m_FoundRows)
          << GetLanguageText(searchtext::kCollisionCount).arg(m_CollisionRows)
          << GetLanguageText(searchtext::kElapsed).arg(ClockText(elapsed));
    if (const std::optional<std::chrono::milliseconds> left = m_Progress.TimeLeft(elapsed))
        parts << GetLanguageText(searchtext::kTimeLeft).arg(ClockText(*left));
    m_StatusPanels[1]->setText(parts.join(QStringLiteral("  \u00B7  ")));
}

void Ostrand_Search::RemoveRow(int handle)
{
    delete m_Items.take(handle);
}

void Ostrand_Search::SetProgress(int done, int estimate)
{
    if (done == 0)
        m_Progress.Start(estimate);
    else
        m_Progress.Update(done, estimate);
    ProgressBar_Search->setValue(m_Progress.Shown());
    ShowLiveSummary();
}

void Ostrand_Search::SetStatus(int panel, const QString& text)
{
    if (panel < 1 || panel > 4)
        return;
    if (panel == 2 && m_Scanning) {
        m_Probing = text; // the scan names its probe; the summary around it says the rest
        ShowLiveSummary();
        return;
    }
    QLabel* label = m_StatusPanels[static_cast<size_t>(panel - 1)];
    label->setText(text);
    // a counter panel grows to its text and keeps that width, so it does not jump
    if (panel > 2)
        label->setMinimumWidth(std::max(label->minimumWidth(), label->fontMetrics().horizontalAdvance(text + u' ')));
}

void Ostrand_Search::ShowRow(QTreeWidgetItem* item, const SearchResultRow& row)
{
    item->setIcon(0, RowIcon(row.icon, ListView_Search->iconSize().width()));
    item->setData(0, Qt::UserRole, static_cast<int>(row.icon));
    for (int text = 1; text <= SearchResultRow::kTextCount; ++text) {
        item->setText(text, ShownRowText(m_Context.language, text, row.Text(text)));
        item->setData(text, kRowTextRole, row.Text(text));
    }
    WidenToShow(item);
}

void Ostrand_Search::WidenToShow(const QTreeWidgetItem* item)
{
    // A column too narrow for a text takes what the list has to spare; no
    // other column is narrowed for it.
    const QFontMetrics metrics = ListView_Search->fontMetrics();
    int spare = ListView_Search->viewport()->width();
    for (int column = 0; column < kColumns; ++column)
        spare -= ListView_Search->columnWidth(column);
    for (int column = 1; column < kColumns && spare > 0; ++column) {
        const int missing = metrics.horizontalAdvance(item->text(column)) + 2 * metrics.averageCharWidth()
                            - ListView_Search->columnWidth(column);
        if (missing <= 0)
            continue;
        const int grow = std::min(missing, spare);
        ListView_Search->setColumnWidth(column, ListView_Search->columnWidth(column) + grow);
        spare -= grow;
    }
}

SearchResultRow Ostrand_Search::RowOf(const QTreeWidgetItem* item) const
{
    SearchResultRow row;
    row.icon = static_cast<SearchIcon>(item->data(0, Qt::UserRole).toInt());
    for (int text = 1; text <= SearchResultRow::kTextCount; ++text) {
        const QVariant decoded = item->data(text, kRowTextRole);
        row.Text(text) = decoded.isValid() ? decoded.toString() : item->text(text);
    }
    return row;
}

QList<SearchResultRow> Ostrand_Search::Rows() const
{
    QList<SearchResultRow> rows;
    for (int i = 0; i < ListView_Search->topLevelItemCount(); ++i) {
        if (!ListView_Search->topLevelItem(i)->isHidden())
            rows << RowOf(ListView_Search->topLevelItem(i));
    }
    return rows;
}

void Ostrand_Search::ListView_Search_DblClick()
{
    const QTreeWidgetItem* item = ListView_Search->currentItem();
    if (!item)
        return;
    const SearchResultRow row = RowOf(item);
    const MeterAddressTarget& target = m_Links.meterTarget;
    if (target.useSecondaryAddress && target.useSecondaryAddress->isChecked()) {
        const int texts[] = {rowtext::kIdentification, rowtext::kManufacturer, rowtext::kVersion, rowtext::kMedium};
        for (int i = 0; i < 4; ++i) {
            if (QLineEdit* field = target.secondaryAddress[static_cast<size_t>(i)])
                field->setText(ParseListX(row.Text(texts[i]), texts[i]));
        }
    } else if (target.primaryAddress) {
        target.primaryAddress->setText(row.Text(rowtext::kAddress));
    }
}

void Ostrand_Search::Menu_Popup_CopyToClipBoard_Click()
{
    if (const QTreeWidgetItem* item = ListView_Search->currentItem())
        QGuiApplication::clipboard()->setText(item->text(rowtext::kIdentification));
}

void Ostrand_Search::CmdSaveCsv_Click()
{
    SaveRows(true);
}

void Ostrand_Search::Command_Save_Click()
{
    SaveRows(false);
}

void Ostrand_Search::SaveRows(bool csv)
{
    if (chooseSaveFile)
        chooseSaveFile(csv, [this, csv](const QString& path) { SaveRowsTo(path, csv); });
}

void Ostrand_Search::SaveRowsTo(const QString& path, bool csv)
{
    const SearchExportHeader header{
        QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat) + u' ' + m_Context.log.timeOfDayClock(),
        m_Portsettings};
    QStringList lines;
    if (csv) {
        // a primary scan's probed text is an address, never an identification
        const bool fromReply = m_RowsMethod == SearchMethod::Primary || chkSec_REQ_UD2->isChecked();
        lines = SearchCsvLines(Rows(), header, fromReply, Text_SearchMaskExclude->text());
    } else {
        QStringList captions;
        for (int column = 1; column < kColumns; ++column)
            captions << ListView_Search->headerItem()->text(column);
        lines = SearchReportLines(Rows(), captions, header);
    }
    if (const std::optional<FileError> error =
            SaveSearchExport(path, lines, csv ? ExportWrite::Replace : ExportWrite::Append))
        ShowFileErrorBox(this, QStringLiteral("Save Error"), *error);
}

namespace {

constexpr int kHighestNewAddress = 250; // 251-255 are the bus's own addresses

// Keeps what the address change reports, for the message after it, and the
// window unusable while it runs.
class AddressChangeView : public FeatureView {
public:
    explicit AddressChangeView(QWidget& window)
        : m_Window(window)
    {
    }
    void SetInfo(const QString& text) override { m_Text = text; }
    void AppendInfo(const QString& text) override { m_Text += text; }
    void SetBusy(bool busy) override
    {
        m_Window.setEnabled(!busy);
        if (busy)
            m_Window.setCursor(Qt::BusyCursor);
        else
            m_Window.unsetCursor();
    }
    const QString& Text() const { return m_Text; }

private:
    QWidget& m_Window;
    QString m_Text;
};

} // namespace

std::optional<SecondaryAddress> Ostrand_Search::CurrentMeter() const
{
    const QTreeWidgetItem* item = ListView_Search->currentItem();
    if (!item)
        return std::nullopt;
    // a primary scan's probed text is an address, never an identification
    return RowSecondaryAddress(RowOf(item), m_RowsMethod == SearchMethod::Primary || chkSec_REQ_UD2->isChecked());
}

std::optional<int> Ostrand_Search::AskNewPrimaryAddress(const SecondaryAddress& meter)
{
    QInputDialog dialog(this);
    dialog.setObjectName(QStringLiteral("Dialog_SetPrimaryAddress"));
    dialog.setWindowTitle(GetLanguageText(searchtext::kSetPrimaryAddressTitle));
    dialog.setLabelText(GetLanguageText(searchtext::kNewPrimaryAddressPrompt).arg(meter.Text()));
    dialog.setInputMode(QInputDialog::IntInput);
    dialog.setIntRange(0, kHighestNewAddress);
    dialog.setIntValue(0);
    dialog.setOkButtonText(GetLanguageText(searchtext::kChangeAddress));
    dialog.setCancelButtonText(GetLanguageText(commtext::kCancel));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.intValue();
}

void Ostrand_Search::Menu_Popup_SetPrimaryAddress_Click()
{
    const std::optional<SecondaryAddress> meter = CurrentMeter();
    if (!meter || Searching() || m_Context.operations.Busy())
        return;
    const int row = ListView_Search->indexOfTopLevelItem(ListView_Search->currentItem());
    const std::optional<int> newAddress = AskNewPrimaryAddress(*meter);
    if (!newAddress)
        return;
    AddressChangeView view(*this);
    AddressMove move;
    {
        const DeviceOperationScope operation(m_Context.operations);
        if (!operation)
            return;
        m_Running = true; // closing the window now cancels the change, as it does a search
        Connection& connection = m_Context.connection;
        if (connection.OpenConnection(ConnectionRequestFromSettings(m_Context.settings, m_Context.state.WhatToDo),
                                      m_Context.link.OpenTimeout)) {
            FeatureProtocol protocol(m_Context.link, m_Context.operations, m_Context.language, m_Context.fcb, view);
            move = protocol.ChangeAddressBySecondary(*meter, *newAddress);
        } else {
            view.SetInfo(GetLanguageText(shelltext::kConnectionNotOpened));
        }
        m_Running = false;
    }
    // The meter took the new address: the row shows where it is now.
    if (QTreeWidgetItem* item = ListView_Search->topLevelItem(row); item && move.change == ChangeOutcome::Acknowledged) {
        SearchResultRow moved = RowOf(item);
        moved.Text(rowtext::kAddress) = QString::number(*newAddress);
        ShowRow(item, moved);
    }
    if (m_CloseWhenStopped) {
        QTimer::singleShot(0, this, [this] { close(); });
        return;
    }
    QMessageBox box(move.readBack == ReadBack::Answered ? QMessageBox::Information : QMessageBox::Warning,
                    GetLanguageText(searchtext::kSetPrimaryAddressTitle), view.Text(), QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("Message_SetPrimaryAddress"));
    box.exec();
}
