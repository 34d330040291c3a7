#pragma once

#include <QString>
#include <functional>

class DeviceSettingsPage;
enum class TransferMode;
class WizardHost;
struct NetworkContext;
struct RecordChanges;
class WriteSettingsPage;

// The record transfer of the settings pages: page 50 reads record 0 when
// entered going forward and shows the gateway's settings, page 55 writes
// them back with the security record. address gives the gateway's address
// as the connection page holds it.
void ConnectDeviceRecordPages(WizardHost& host, NetworkContext& network, std::function<QString()> address,
    DeviceSettingsPage& settingsPage, WriteSettingsPage& writePage);

void ReadDeviceRecordForPage(
    WizardHost& host, NetworkContext& network, const QString& address, DeviceSettingsPage& page, TransferMode mode);
void WriteDeviceRecordFromPage(WizardHost& host, NetworkContext& network, const QString& address,
    const RecordChanges& changes, WriteSettingsPage& page, TransferMode mode);
