#pragma once

#include "shell/wizardpage.h"

class QLabel;
class QLineEdit;
class QPushButton;
struct NetworkContext;

// Page 30: tests whether a gateway answers at an address. Next opens once
// the test has come through (every ping answered but perhaps the last).
class PingPage : public WizardPage {
    Q_OBJECT
public:
    PingPage(WizardHost& host, NetworkContext& network, QWidget* parent = nullptr);

    void Startup() override;
    void Prepare(bool back, bool forward) override;

    void Command_Ping_Click();

    InfoBox* Text_Info = nullptr; // element 30, where the results go
    QLabel* Label_PingIPAddress = nullptr;
    QLineEdit* Text_PingIPAddress = nullptr;
    QPushButton* Command_Ping = nullptr;

private:
    NetworkContext& m_Network;
};
