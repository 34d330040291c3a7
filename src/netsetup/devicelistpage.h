#pragma once

#include "shell/wizardpage.h"

class InfoBox;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// Page 10: the gateways found on the local network. A click on a row picks
// that gateway for the later tasks; a double click picks it and goes on.
class DeviceListPage : public WizardPage {
    Q_OBJECT
public:
    enum Column { ColumnIP, ColumnMAC, ColumnType, ColumnSerial, ColumnStatus, ColumnCount };

    explicit DeviceListPage(WizardHost& host, QWidget* parent = nullptr);

    void Startup() override;
    void Prepare(bool back, bool forward) override;
    void Enter(bool back, bool forward) override;

    // Lists one answering gateway. The key is "MAC/type code" and may be
    // empty (a second answer from the same MAC gets none); picking the row
    // reads the device type from it.
    QTreeWidgetItem* AddDeviceRow(const QString& ip, const QString& mac, const QString& typeText,
                                  const QString& serial, const QString& status, const QString& key);
    static QString RowKey(const QTreeWidgetItem* row);

    InfoBox* Text_Info = nullptr; // element 10
    QTreeWidget* ListView_Devices = nullptr;
    QPushButton* Command_ScanDevicesRefresh = nullptr;
    QPushButton* Command_ScanDevicesSelectAdapter = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ListView_Devices_ItemClick(QTreeWidgetItem* row);
    void ListView_Devices_DblClick();
};
