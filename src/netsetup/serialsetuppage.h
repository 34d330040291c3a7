#pragma once

#include "shell/wizardpage.h"

class QPushButton;
struct NetworkContext;

// Page 23: brings the gateway into its serial setup mode, to give it an
// address (task 1) or to reach its settings over the cable (task 3).
class SerialSetupPage : public WizardPage {
    Q_OBJECT
public:
    SerialSetupPage(WizardHost& host, NetworkContext& network, QWidget* parent = nullptr);

    void Startup() override;
    void Prepare(bool back, bool forward) override;

    // Task 1: the address over the cable; task 3: the setup mode for the
    // settings pages. Does nothing when no serial port was chosen.
    void Command_ConnectRS232AndDoSomething_Click();
    void Command_ConnectRS232AndDoSomething_Cancel_Click();

    InfoBox* Text_Info = nullptr; // element 23
    QPushButton* Command_ConnectRS232AndDoSomething = nullptr;
    // Usable only while the wizard waits for the gateway's setup prompt:
    // cancels that wait (closing the wizard cancels it as well).
    QPushButton* Command_ConnectRS232AndDoSomething_Cancel = nullptr;

private:
    void ShowPromptWait(bool waiting);
    NetworkContext& m_Network;
};
