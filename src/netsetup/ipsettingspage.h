#pragma once

#include "shell/wizardpage.h"

#include <array>

class QLabel;
class QLineEdit;
class QRadioButton;

// Page 21: the network settings the new gateway gets, from a DHCP server or
// a fixed address with its default gateway and network mask.
class IpSettingsPage : public WizardPage {
    Q_OBJECT
public:
    explicit IpSettingsPage(WizardHost& host, QWidget* parent = nullptr);

    void Startup() override;
    void Prepare(bool back, bool forward) override;
    void Leave(bool back, bool forward) override;
    // A fixed address goes on only with three well-typed addresses.
    bool AcceptNext() override;

    void Option_DHCP_Click(int index);

    InfoBox* Text_Info_IPAddress = nullptr; // element 21
    std::array<QRadioButton*, 2> Option_DHCP{};
    // 0-2 name the address, gateway and mask boxes; 3 tells how to type them.
    std::array<QLabel*, 4> Label_IPAddress{};
    QLineEdit* Text_IPAddress = nullptr;
    QLineEdit* Text_Gateway = nullptr;
    QLineEdit* Text_NetMask = nullptr;

private:
    void ShowExplanation();
};
