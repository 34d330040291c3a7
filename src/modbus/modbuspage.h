#pragma once

#include "modbusclient.h"
#include "modbusconfigfile.h"
#include "modbusorderswindow.h"
#include "modbusplotwindow.h"
#include "modbusrows.h"
#include "shell/readpage.h"

#include <QPointer>
#include <array>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;
class ResultLabel;

// Page 70: reads registers from a Modbus slave behind the gateway and shows
// up to six of them as typed values.
class ModbusPage : public ReadPage {
    Q_OBJECT
public:
    static constexpr int kValueRows = 6;
    template <typename Widget>
    using Rows = std::array<Widget*, kValueRows>;

    explicit ModbusPage(WizardHost& host, QWidget* parent = nullptr);
    ~ModbusPage() override;

    void Startup() override;

    // The request.
    QLabel* lblModbusProtocol = nullptr;
    std::array<QRadioButton*, 2> optModBusRtuTcp{}; // RTU, TCP
    QButtonGroup* m_Framing = nullptr;               // ids are the element indexes
    QLabel* lblModbusSlaveAddress = nullptr;
    QLineEdit* txtModbusSlaveAddress = nullptr;
    QLabel* lblModbusFunction = nullptr;
    QComboBox* cboModbusFunction = nullptr;
    QLabel* lblModbusFirstRegister = nullptr;
    QLineEdit* txtModbusFirstRegister = nullptr;
    QLabel* lblModbusNoOfRegisters = nullptr;
    QLineEdit* txtModbusNoOfRegisters = nullptr;
    QCheckBox* ChkModbusAutoRegister = nullptr;

    // The value rows, one row of the table each.
    QTableWidget* grdModbusValues = nullptr;
    Rows<QLineEdit> txtModbusRegister{};
    Rows<QComboBox> cboModbusDatatype{};
    Rows<QComboBox> cboModbusFormat{};
    Rows<QLineEdit> txtModbusByte{};
    Rows<QLineEdit> txtModbusValue{};
    Rows<QLineEdit> txtModbusDescription{};

    ResultLabel* lblModbusResultText = nullptr;

    QPushButton* Command_ModBus_MeterFeature_Read = nullptr;
    QPushButton* Command_ModBus_MeterFeature_Write = nullptr; // reading only: no action
    QPushButton* Command_ModBus_MeterFeature_Clear = nullptr;
    QPushButton* Command_ModBus_MeterFeature_Save = nullptr;
    QPushButton* Command_ModBus_MeterFeature_Get = nullptr;
    QPushButton* Command_ModBus_MeterFeature_Debug = nullptr;
    QPushButton* cmdModbusShowAllOrders = nullptr;
    QPushButton* cmdModbusPlot = nullptr;

    // The files the page is saved to and loaded from; empty cancels. The
    // file dialogs, unless a test puts its own choice here.
    std::function<QString()> chooseSaveFile;
    std::function<QString()> chooseOpenFile;

    // The register bytes of the last good reply; empty after Clear.
    const QByteArray& ModbusRegisterData() const { return m_ModbusRegisterData; }
    ModbusOrdersWindow* OrdersWindow() const { return m_OrdersWindow; }
    ModbusPlotWindow* PlotWindow() const { return m_PlotWindow; }

    void Command_ModBus_MeterFeature_Read_Click();
    void Command_ModBus_MeterFeature_Clear_Click();
    void SaveModbusConfiguration();
    void LoadModbusConfiguration();
    void UpdateModbusRows();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    ResultLabel* ReadResult() const override;
    QPushButton* ReadButton() const override;

private:
    QLayout* BuildRequest();
    QWidget* BuildValueRows();
    void AddValueRow(int row);
    QLayout* BuildButtons();
    void SetTexts();
    void FitValueColumns();
    void FitTextColumns();
    void FillLists();
    void ConnectControls();
    void ConnectRow(int row);

    ModbusRequest CurrentRequest() const;
    modbus::Framing CurrentFraming() const;
    ModbusRowSource RowSource() const;
    ModbusValueRows CurrentRows() const;
    void ShowRows(const ModbusValueRows& rows);
    void ShowReadResult(const ModbusReadResult& result);
    void ShowLoaded(const ModbusConfigLoad& load);
    ModbusConfiguration CurrentConfiguration() const;
    void DataTypeChosen();
    void RegisterLeft(int row);
    void CorrectNumberField(QLineEdit* field, std::optional<qint64> maximum);
    void ShowAllOrders();
    void ShowPlot();
    QRect LogWindowFrame();
    void RowsChanged();

    ModbusClient m_Client;
    QByteArray m_ModbusRegisterData;
    std::array<bool, kValueRows> m_OutOfRange{};
    QPointer<ModbusOrdersWindow> m_OrdersWindow;
    QPointer<ModbusPlotWindow> m_PlotWindow;
};
