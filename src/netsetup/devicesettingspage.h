#pragma once

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

// Page 50: the gateway's network settings as read from its configuration
// records (port, UDP or TCP, M-Bus line speed) and its security switches.
class DeviceSettingsPage : public WizardPage {
    Q_OBJECT
public:
    // How the page reaches the gateway's records: 1 over the network, 2 over
    // the serial port in setup mode.
    using RecordTransfer = std::function<void(int mode)>;

    explicit DeviceSettingsPage(WizardHost& host, QWidget* parent = nullptr);

    void Startup() override;
    void Prepare(bool back, bool forward) override;
    void Enter(bool back, bool forward) override;
    void Leave(bool back, bool forward) override;

    // The record read run when the page is entered going forward.
    void SetRecordReader(RecordTransfer reader) { m_ReadRecord = std::move(reader); }

    // Shows the device fields once a record was read.
    void ShowDeviceFields(bool shown);

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
    int AccessMode() const;

    QWidget* m_DeviceFields = nullptr;
    RecordTransfer m_ReadRecord;
};
