#pragma once

#include "platform/networkadapters.h"

#include <QDialog>

#include <functional>

class QPushButton;
class QTreeWidget;
struct WizardContext;

// Ostrand_Adapters: the choice of the local network adapter the discovery
// query leaves from. OK (or a double click on a row) keeps the choice and
// runs the search; Cancel changes nothing.
class Ostrand_Adapters : public QDialog {
    Q_OBJECT
public:
    enum Column { ColumnAddress, ColumnDescription, ColumnCount };

    // listAdapters: where the adapters are asked for; runScan: the search to
    // run once an adapter is chosen.
    Ostrand_Adapters(WizardContext& context, const AdapterList& listAdapters, std::function<void()> runScan,
                     QWidget* parent = nullptr);

    // Lists the computer's adapters (in ListView_Adapters when filling) and
    // settles the chosen one as at start-up; the saved choice, when it still
    // exists, is the selected row. Returns the number of adapters.
    int EnumerateAdapters(bool fill);

    QTreeWidget* ListView_Adapters = nullptr;
    QPushButton* OK_Adapters = nullptr;
    QPushButton* Cancel_Adapters = nullptr;

private:
    void OK_Adapters_Click();

    WizardContext& m_Context;
    const AdapterList& m_ListAdapters; // asked each time, as the system may have changed
    std::function<void()> m_RunScan;
};
