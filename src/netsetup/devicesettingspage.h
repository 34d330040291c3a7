#pragma once

#include "recordedit.h"
#include "recordtransfer.h"
#include "shell/wizardpage.h"

#include <array>
#include <functional>

class InfoBox;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
struct ChannelSettings;

// Page 50: the gateway's network settings as read from its configuration
// records (port, UDP or TCP, M-Bus line speed) and its security switches.
class DeviceSettingsPage : public WizardPage {
    Q_OBJECT
public:
    // Reads the gateway's records the way the connection page chose.
    using RecordReader = std::function<void(TransferMode mode)>;

    explicit DeviceSettingsPage(WizardHost& host, QWidget* parent = nullptr);

    void Startup() override;
    void Prepare(bool back, bool forward) override;
    void Enter(bool back, bool forward) override;
    void Leave(bool back, bool forward) override;

    // The record read run when the page is entered going forward.
    void SetRecordReader(RecordReader reader) { m_ReadRecord = std::move(reader); }

    // What the page would change in the gateway's records: the port, the
    // line speed and UDP or TCP, and with the security box ticked the
    // password and both switches.
    RecordChanges Changes() const;

    // Shows the device fields once a record was read.
    void ShowDeviceFields(bool shown);
    // Fills the device fields from the settings a record read gave.
    void ShowSettings(const ChannelSettings& settings);

    void Check_SetupDevice_Security_Click();
    void cmdChangeParameters_Click();

    QGroupBox* Frame_SetupDevice_Security = nullptr;
    QCheckBox* Check_SetupDevice_Security = nullptr;
    QCheckBox* Check_SetupDevice_Ostrand = nullptr;
    QCheckBox* Check_SetupDevice_Telnet = nullptr;
    QCheckBox* Check_SetupDevice_UDPorTCP = nullptr;
    std::array<QLabel*, 3> Label_SetupDevice{};
    QLineEdit* Text_SetupDevice_Port = nullptr;
    QLineEdit* Text_SetupDevice_Password = nullptr;
    QComboBox* Combo_SetupDevice_LineSpeed = nullptr;
    QPushButton* cmdChangeParameters = nullptr;
    InfoBox* Text_Info_50 = nullptr; // Text_Info(50) to (53)
    InfoBox* Text_Info_51 = nullptr;
    InfoBox* Text_Info_52 = nullptr;
    InfoBox* Text_Info_53 = nullptr;

private:
    void BuildDeviceFields();
    void BuildSecurityFrame();

    QWidget* m_DeviceFields = nullptr;
    RecordReader m_ReadRecord;
};
