#pragma once

#include "shell/wizardpage.h"

class QPushButton;

// Page 22: sends the new address to the gateway over the network.
class SetIpByNetworkPage : public WizardPage {
    Q_OBJECT
public:
    explicit SetIpByNetworkPage(WizardHost& host, QWidget* parent = nullptr);

    void Startup() override;
    void Prepare(bool back, bool forward) override;

    InfoBox* Text_Info = nullptr; // element 22
    QPushButton* Command_SetIPUsingUDP = nullptr;
};
