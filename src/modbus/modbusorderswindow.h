#pragma once

#include "modbusrows.h"

#include <QDialog>

class Language;
class QLabel;
class QPushButton;
class QTableWidget;

// Which word order is it? Each value row's value in every word order its
// type allows, side by side; a click on a value (or Enter on it) uses that
// order in the row.
class ModbusOrdersWindow : public QDialog {
    Q_OBJECT
public:
    // The order columns: a position is the word order code.
    static constexpr int kOrderColumns = 4;
    static constexpr int kFirstOrderColumn = 2; // after register and data type

    ModbusOrdersWindow(const Language& language, QWidget* parent = nullptr);

    // Fills the table from the page's rows and register data.
    void ShowRows(const ModbusValueRows& rows, const ModbusRowSource& source);

    QLabel* lblModbusOrdersInfo = nullptr;
    QTableWidget* grdModbusOrders = nullptr;
    QPushButton* cmdModbusOrdersClose = nullptr;

signals:
    void orderChosen(int row, int orderCode);

private:
    void Choose(int row, int column);
    void FitToContents();

    const Language& m_Language;
};
