#pragma once

#include "shell/debugwindow.h"
#include "shell/wizardpage.h"

#include <array>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class ResultLabel;

// Page 80: reads one item through the gateway's ASCII protocol; the item
// names can be loaded from and saved to item files.
class AsciiPage : public WizardPage, public DebugPollSource {
    Q_OBJECT
public:
    explicit AsciiPage(WizardHost& host, QWidget* parent = nullptr);

    void Startup() override;
    void Prepare(bool back, bool forward) override;
    void Enter(bool back, bool forward) override;
    void Leave(bool back, bool forward) override;

    // The log window can repeat the Read.
    void OfferDebugPoll(Ostrand_Debug& window) override;

    InfoBox* Text_Info = nullptr; // element 80

    QLabel* lblMBusAsciiTagName = nullptr;
    QComboBox* cboMBusAsciiTagName = nullptr; // typed or chosen
    QLabel* lblMBusAsciiValue = nullptr;
    QLineEdit* txtMBusAsciiValue = nullptr;
    QLabel* lblMBusAsciiProtocol = nullptr;
    QComboBox* cboMBusAsciiProtocol = nullptr;
    QGroupBox* fraMBusAsciiMultidrop = nullptr;
    QLabel* lblMBusAsciiStationID = nullptr;
    QLineEdit* txtMBusAsciiStationID = nullptr;

    QGroupBox* fraMBusAsciiFileFormat = nullptr;
    // Modbus file, Explorer file, OPC Item file.
    std::array<QRadioButton*, 3> optMBusAsciiFileFormat{};
    QButtonGroup* m_FileFormats = nullptr; // ids are the element indexes
    QPushButton* cmdMBusAsciiGetFile = nullptr;
    QPushButton* cmdMBusAsciiSaveFile = nullptr;

    ResultLabel* lblMBusAsciiResultText = nullptr;

    QPushButton* Command_MBusAscii_MeterFeature_Read = nullptr;
    QPushButton* Command_MBusAscii_MeterFeature_Write = nullptr; // reading only: no action
    QPushButton* Command_MBusAscii_MeterFeature_Debug = nullptr;

private:
    QLayout* BuildItem();
    QLayout* BuildStationAndFiles();
    QLayout* BuildResultRow();
    void SetTexts();
};
