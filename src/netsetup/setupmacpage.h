#pragma once

#include "base/settingkeys.h"
#include "shell/wizardpage.h"

#include <array>

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

// Page 20: how the new gateway gets its address, over the network (by its
// MAC address) or over a serial cable (by the COM port it hangs on).
class SetupMacPage : public WizardPage {
    Q_OBJECT
public:
    explicit SetupMacPage(WizardHost& host, QWidget* parent = nullptr);

    void Startup() override;
    void Prepare(bool back, bool forward) override;
    void Leave(bool back, bool forward) override;

    // The first Option_ChangeIPSettings button: the address goes over the network.
    bool ByNetwork() const;

    void Option_ChangeIPSettings_Click(int index);

    // Each option button is explained, and captioned, by the info box beside it.
    std::array<QRadioButton*, 2> Option_ChangeIPSettings{};
    std::array<InfoBox*, 2> Text_Info{}; // Text_Info(20), Text_Info(21)
    std::array<QLabel*, 2> Label_SetupIP{};
    QLineEdit* Text_SetupIP_MacAddress = nullptr;
    QComboBox* Combo_SetupIP_SerialPort = nullptr;

private:
    void Text_SetupIP_MacAddress_Change();
    void Combo_SetupIP_SerialPort_Click();
    SettingKey PortKey() const;
};
