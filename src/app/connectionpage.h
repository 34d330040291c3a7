#pragma once

#include "shell/wizardpage.h"

#include <array>

class InfoBox;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

// Page 40: how the gateway is reached, over the network (address, port, UDP
// or TCP) or over a serial port (port and line settings), for tasks 3 to 6.
class ConnectionPage : public WizardPage {
    Q_OBJECT
public:
    explicit ConnectionPage(WizardHost& host, QWidget* parent = nullptr);

    void Startup() override;
    void Prepare(bool back, bool forward) override;
    void Leave(bool back, bool forward) override;
    // Over the network only a well-typed address goes on (no host names).
    bool AcceptNext() override;

    void Option_EnterIPAddress_Click(int index);

    std::array<QRadioButton*, 2> Option_EnterIPAddress{};
    InfoBox* Text_Info_EnterIPAddress = nullptr;   // what the page is for, by task
    std::array<InfoBox*, 2> Text_Info{};           // Text_Info(40), Text_Info(41): the two ways
    std::array<QGroupBox*, 2> Picture_EnterIPAddress{};
    std::array<QLabel*, 7> Label_EnterIPAddress{};
    QLineEdit* Text_EnterIPAddress = nullptr;
    QLineEdit* Text_EnterIPAddress_Port = nullptr;
    QCheckBox* Check_EnterIPAddress_UDPorTCP = nullptr;
    QComboBox* Combo_EnterIPAddress_SerialPort = nullptr;
    QComboBox* Combo_EnterIPAddress_BaudRate = nullptr;
    QComboBox* Combo_EnterIPAddress_Databits = nullptr;
    QComboBox* Combo_EnterIPAddress_Parity = nullptr;
    QComboBox* Combo_EnterIPAddress_Stopbits = nullptr;

private:
    void BuildNetworkFrame();
    void BuildSerialFrame();
    void ShowSerialDetails(bool shown);
    void Combo_EnterIPAddress_BaudRate_Click();
    void Combo_EnterIPAddress_SerialPort_Click();
    int Task() const;
};
