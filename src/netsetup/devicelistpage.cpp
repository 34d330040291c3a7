#include "devicelistpage.h"

#include "networkcontext.h"
#include "adaptersdialog.h"
#include "discovery.h"
#include "netsetuptexts.h"
#include "recordtransfer.h" // SocketWarningText
#include "shell/busyguard.h"
#include "shell/infobox.h"
#include "base/pageflow.h"
#include "base/settings.h"
#include "shell/wizardcontext.h"
#include "shell/wizardhost.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>


namespace {

// Shows the scan's rows in the list as they come, and its failures as
// warnings over the wizard.
class DeviceListReport : public DiscoverySink {
public:
    DeviceListReport(DeviceListPage& page, const Language& language, QWidget* window)
        : m_Page(&page)
        , m_Language(language)
        , m_Window(window)
    {
    }

    void DeviceFound(int, const FoundDevice& device) override
    {
        if (!m_Page)
            return;
        const DiscoveryAnswer& answer = device.answer;
        const QString type
            = answer.type == DeviceTypeUnknown ? m_Language.GetLanguageText(netsetuptext::kUnknown) : answer.family;
        const QString serial = answer.serialNumber ? QString::number(*answer.serialNumber) : QStringLiteral("-");
        m_Page->AddDeviceRow(answer.ip, answer.mac, type, serial, m_Language.GetLanguageText(netsetuptext::kFound),
                             device.key);
    }

    void DeviceChecked(int row, const FoundDevice& device) override
    {
        if (m_Page)
            m_Page->SetRowReachable(m_Page->ListView_Devices->topLevelItem(row), device.reachable);
    }

    void SendFailed(const QString& description) override { Warn(netsetuptext::kDiscoveryNotSent, description); }
    void SocketFailed(const QString& description) override { Warn(netsetuptext::kDiscoverySocketError, description); }

private:
    void Warn(int textId, const QString& description)
    {
        QMessageBox::warning(m_Window, m_Window ? m_Window->windowTitle() : QString(),
                             SocketWarningText(m_Language, textId, description));
    }

    QPointer<DeviceListPage> m_Page;
    const Language& m_Language;
    QPointer<QWidget> m_Window;
};

} // namespace

DeviceListPage::DeviceListPage(WizardHost& host, NetworkContext& network, QWidget* parent)
    : WizardPage(page::DeviceList, host, parent)
    , m_Network(network)
{
    Text_Info = AddInfo(10, Body());

    ListView_Devices = new QTreeWidget(this);
    ListView_Devices->setObjectName(QStringLiteral("ListView_Devices"));
    ListView_Devices->setColumnCount(ColumnCount);
    ListView_Devices->setRootIsDecorated(false);
    ListView_Devices->setItemsExpandable(false);
    ListView_Devices->setUniformRowHeights(true);
    ListView_Devices->setAllColumnsShowFocus(true);
    ListView_Devices->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView_Devices->setIconSize(QSize(16, 16)); // the reachability icon, set after a scan
    ListView_Devices->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ListView_Devices->header()->setStretchLastSection(true);
    ListView_Devices->viewport()->installEventFilter(this);
    Body()->addWidget(ListView_Devices, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    Command_ScanDevicesSelectAdapter = new QPushButton(this);
    Command_ScanDevicesSelectAdapter->setObjectName(QStringLiteral("Command_ScanDevicesSelectAdapter"));
    Command_ScanDevicesSelectAdapter->setAutoDefault(false);
    buttons->addWidget(Command_ScanDevicesSelectAdapter);
    Command_ScanDevicesRefresh = new QPushButton(this);
    Command_ScanDevicesRefresh->setObjectName(QStringLiteral("Command_ScanDevicesRefresh"));
    Command_ScanDevicesRefresh->setAutoDefault(false);
    buttons->addWidget(Command_ScanDevicesRefresh);
    Body()->addLayout(buttons);

    connect(Command_ScanDevicesRefresh, &QPushButton::clicked, this, [this] { ScanLanDevices(); });
    connect(Command_ScanDevicesSelectAdapter, &QPushButton::clicked, this, [this] { SelectAdapter(); });
    connect(ListView_Devices, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* row) { ListView_Devices_ItemClick(row); });
    // Moving through the list with the keys picks as a click does; a row
    // the program selects (the list has no focus then) does not.
    connect(ListView_Devices, &QTreeWidget::itemSelectionChanged, this, [this] {
        const QList<QTreeWidgetItem*> rows = ListView_Devices->selectedItems();
        if (ListView_Devices->hasFocus() && !rows.isEmpty())
            ListView_Devices_ItemClick(rows.first());
    });
}

void DeviceListPage::Startup()
{
    // The scan puts its own progress into the header; until then it names the task.
    HeaderLabel()->setText(GetLanguageText(netsetuptext::kFindGateways));
    QStringList headings;
    for (int id = netsetuptext::kFirstDeviceColumn; id <= netsetuptext::kLastDeviceColumn; ++id)
        headings << GetLanguageText(id);
    ListView_Devices->setHeaderLabels(headings);
    Command_ScanDevicesRefresh->setText(GetLanguageText(netsetuptext::kScanAgain));
    Command_ScanDevicesSelectAdapter->setText(GetLanguageText(netsetuptext::kSelectAdapter));
    // With a single adapter there is nothing to choose.
    Command_ScanDevicesSelectAdapter->setVisible(Context().state.AdapterCount > 1);
}

void DeviceListPage::Prepare(bool, bool)
{
    Host().SetNextEnabled(false); // until a gateway is picked
}

void DeviceListPage::Enter(bool, bool)
{
    const QString& adapter = Context().state.SelectedAdapterIP;
    if (adapter.isEmpty()) {
        Text_Info->SetText(GetLanguageText(netsetuptext::kChooseAdapter));
        SelectAdapter();
    } else if (adapter == kNoAdapter) {
        Text_Info->SetText(GetLanguageText(netsetuptext::kNoAdapter));
    } else {
        ScanLanDevices();
    }
}

void DeviceListPage::ScanLanDevices()
{
    WizardContext& context = Context();
    const DeviceOperationScope operation(context.operations);
    if (!operation)
        return;
    QPointer<DeviceListPage> self(this);
    QWidget* window = Host().Window();
    BusyGuard busy(window ? window : this);
    HeaderLabel()->setText(GetLanguageText(netsetuptext::kSearchingNetwork));
    Text_Info->SetText(GetLanguageText(netsetuptext::kSearchingNetworkInfo));
    ListView_Devices->clear();
    Host().SetNextEnabled(false); // the gateway picked before is no longer in the list

    ScanOptions options;
    options.adapterIP = context.state.SelectedAdapterIP;
    options.scanTime = ScanTimeFromIni(context.ini);
    options.target = m_Network.discoveryTarget;
    options.isReachable = m_Network.isReachable;
    options.operations = &context.operations;
    DeviceListReport report(*this, context.language, window);
    const ScanResult result = ::ScanLanDevices(options, report);
    if (!self)
        return;

    // A single gateway needs no choosing: it is picked as a click would.
    if (ListView_Devices->topLevelItemCount() == 1) {
        QTreeWidgetItem* only = ListView_Devices->topLevelItem(0);
        ListView_Devices->setCurrentItem(only);
        ListView_Devices_ItemClick(only);
    }
    HeaderLabel()->setText(GetLanguageText(netsetuptext::kSearchFinished));
    Text_Info->SetText(ScanSummaryText(context.language, result));
}

void DeviceListPage::SelectAdapter()
{
    QWidget* window = Host().Window();
    Ostrand_Adapters dialog(Context(), m_Network.listAdapters, [this] { ScanLanDevices(); }, window ? window : this);
    dialog.exec();
}

void DeviceListPage::SetRowReachable(QTreeWidgetItem* row, bool reachable)
{
    if (!row)
        return;
    row->setText(ColumnStatus, GetLanguageText(reachable ? netsetuptext::kReachable : netsetuptext::kNotReachable));
    row->setData(ColumnIP, kIconRole, reachable ? IconReachable : IconNotReachable);
    row->setIcon(ColumnIP, QIcon(reachable ? QStringLiteral(":/pictures/reachable.svg")
                                           : QStringLiteral(":/pictures/unreachable.svg")));
}

QTreeWidgetItem* DeviceListPage::AddDeviceRow(const QString& ip, const QString& mac, const QString& typeText,
                                              const QString& serial, const QString& status, const QString& key)
{
    auto* row = new QTreeWidgetItem(ListView_Devices, QStringList{ip, mac, typeText, serial, status});
    row->setData(ColumnIP, Qt::UserRole, key);
    return row;
}

QString DeviceListPage::RowKey(const QTreeWidgetItem* row)
{
    return row->data(ColumnIP, Qt::UserRole).toString();
}

void DeviceListPage::ListView_Devices_ItemClick(QTreeWidgetItem* row)
{
    WizardState& state = Context().state;
    state.SelectedDeviceIP = row->text(ColumnIP);
    state.SelectedDeviceMAC = row->text(ColumnMAC);
    state.SelectedDeviceType = RowDeviceType(RowKey(row));
    Settings& settings = Context().settings;
    settings.Save(keys::MACAddress, state.SelectedDeviceMAC);
    settings.Save(keys::IPAddress, state.SelectedDeviceIP);
    Host().SetNextEnabled(true);
}

void DeviceListPage::ListView_Devices_DblClick()
{
    if (ListView_Devices->topLevelItemCount() > 0)
        Host().ActAsNext();
}

bool DeviceListPage::eventFilter(QObject* watched, QEvent* event)
{
    // Anywhere in the list, not only on a row: the click before it has
    // already picked whatever row was hit.
    if (watched == ListView_Devices->viewport() && event->type() == QEvent::MouseButtonDblClick)
        ListView_Devices_DblClick();
    return WizardPage::eventFilter(watched, event);
}
