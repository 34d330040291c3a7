#pragma once

#include "shell/readpage.h"

#include <array>
#include <functional>
#include <memory>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class ResultLabel;
class AsciiClient;
struct AsciiReadResult;

// Page 80: reads one item through the gateway's ASCII protocol; the item
// names can be loaded from and saved to item files.
class AsciiPage : public ReadPage {
    Q_OBJECT
public:
    explicit AsciiPage(WizardHost& host, QWidget* parent = nullptr);
    ~AsciiPage() override;

    void Startup() override;

    // Reads the item named in the list through the gateway and shows the
    // outcome and the value.
    void Command_MBusAscii_MeterFeature_Read_Click();
    // The file the item names are loaded from, or saved to; empty cancels.
    // The file dialogs, unless a test puts its own choice here.
    std::function<QString()> chooseItemFile;
    std::function<QString()> chooseSaveFile;
    void LoadAsciiItemFile();
    void SaveAsciiItemFile();

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

protected:
    ResultLabel* ReadResult() const override;
    QPushButton* ReadButton() const override;

private:
    QLayout* BuildItem();
    QLayout* BuildStationAndFiles();
    QLayout* BuildResultRow();
    void SetTexts();
    void ShowAsciiResult(const AsciiReadResult& read, int protocol);
    void txtMBusAsciiStationID_Change();

    // Shared with a read that is still waiting when the page goes.
    std::shared_ptr<AsciiClient> m_Client;
};
