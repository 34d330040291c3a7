#pragma once

#include "recordtransfer.h"
#include "shell/wizardpage.h"

#include <functional>

class InfoBox;

// Page 55: the outcome of writing the changed settings to the gateway.
class WriteSettingsPage : public WizardPage {
    Q_OBJECT
public:
    using RecordWriter = std::function<void(TransferMode mode)>;

    explicit WriteSettingsPage(WizardHost& host, QWidget* parent = nullptr);

    void Startup() override;
    void Enter(bool back, bool forward) override;

    // The record write run when the page is entered.
    void SetRecordWriter(RecordWriter writer) { m_WriteRecord = std::move(writer); }

    InfoBox* Text_Info = nullptr;

private:
    RecordWriter m_WriteRecord;
};
