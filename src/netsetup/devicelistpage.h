#pragma once

#include "shell/wizardpage.h"

class InfoBox;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
struct NetworkContext;

// Page 10: the gateways found on the local network. Entering the page (or
// Scan again, or choosing an adapter) searches the LAN; a click on a row
// picks that gateway for the later tasks; a double click picks it and goes
// on.
class DeviceListPage : public WizardPage {
    Q_OBJECT
public:
    enum Column { ColumnIP, ColumnMAC, ColumnType, ColumnSerial, ColumnStatus, ColumnCount };
    // The row's icon after a scan, under Qt::UserRole + 1 of the first column.
    enum RowIcon { IconNone = 0, IconNotReachable = 1, IconReachable = 2 };
    static constexpr int kIconRole = Qt::UserRole + 1;

    DeviceListPage(WizardHost& host, NetworkContext& network, QWidget* parent = nullptr);

    void Startup() override;
    void Prepare(bool back, bool forward) override;
    void Enter(bool back, bool forward) override;

    // Lists one answering gateway. The key is "MAC/type code" and may be
    // empty (a second answer from the same MAC gets none); picking the row
    // reads the device type from it.
    QTreeWidgetItem* AddDeviceRow(const QString& ip, const QString& mac, const QString& typeText,
                                  const QString& serial, const QString& status, const QString& key);
    static QString RowKey(const QTreeWidgetItem* row);
    // Marks a listed row with its reachability (status text and icon).
    void SetRowReachable(QTreeWidgetItem* row, bool reachable);

    // Searches the LAN from the chosen adapter and lists what answers; a
    // single gateway is picked at once.
    void ScanLanDevices();
    // Opens the adapter choice, which searches again when confirmed.
    void SelectAdapter();

    InfoBox* Text_Info = nullptr; // element 10
    QTreeWidget* ListView_Devices = nullptr;
    QPushButton* Command_ScanDevicesRefresh = nullptr;
    QPushButton* Command_ScanDevicesSelectAdapter = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ListView_Devices_ItemClick(QTreeWidgetItem* row);
    void ListView_Devices_DblClick();
    NetworkContext& m_Network;
};
