#pragma once

#include "debugwindow.h"
#include "wizardpage.h"

#include "base/settingkeys.h"

class QPushButton;
class ResultLabel;

// A page that reads from a device behind the gateway (the Modbus and ASCII
// pages): prepared, it loads its timings and waits with Next disabled;
// entered, it opens the connection and offers its Read to the log window's
// poll; left backwards, it closes the connection again.
class ReadPage : public WizardPage, public DebugPollSource {
    Q_OBJECT
public:
    ReadPage(int number, const ini::LinkTimingKeys& timings, WizardHost& host, QWidget* parent = nullptr);

    void Prepare(bool back, bool forward) override;
    void Enter(bool back, bool forward) override;
    void Leave(bool back, bool forward) override;

    // The log window can repeat the Read.
    void OfferDebugPoll(Ostrand_Debug& window) override;

protected:
    // The page's outcome line and its Read button, which the page builds.
    virtual ResultLabel* ReadResult() const = 0;
    virtual QPushButton* ReadButton() const = 0;

private:
    const ini::LinkTimingKeys& m_Timings;
};
