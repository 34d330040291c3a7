#pragma once

#include "shell/wizardpage.h"

class QPushButton;
struct NetworkContext;

// Page 22: sends the new address to the gateway over the network.
class SetIpByNetworkPage : public WizardPage {
    Q_OBJECT
public:
    SetIpByNetworkPage(WizardHost& host, NetworkContext& network, QWidget* parent = nullptr);

    void Startup() override;
    void Prepare(bool back, bool forward) override;

    // Sends IP-SETUP with the settings of pages 20 and 21, then the mask and
    // gateway into the gateway's record 0 (or waits out its DHCP restart).
    void Command_SetIPUsingUDP_Click();

    InfoBox* Text_Info = nullptr; // element 22
    QPushButton* Command_SetIPUsingUDP = nullptr;

private:
    NetworkContext& m_Network;
};
