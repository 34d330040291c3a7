#pragma once

#include "shell/wizardpage.h"

#include <functional>

class InfoBox;

// Page 55: the outcome of writing the changed settings to the gateway.
class WriteSettingsPage : public WizardPage {
    Q_OBJECT
public:
    using RecordTransfer = std::function<void(int mode)>;

    explicit WriteSettingsPage(WizardHost& host, QWidget* parent = nullptr);

    void Startup() override;
    void Enter(bool back, bool forward) override;

    // The record write run when the page is entered.
    void SetRecordWriter(RecordTransfer writer) { m_WriteRecord = std::move(writer); }

    InfoBox* Text_Info = nullptr;

private:
    RecordTransfer m_WriteRecord;
};
