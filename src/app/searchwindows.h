#pragma once

#include "search/searchstart.h"
#include "search/searchtimeoutsdialog.h"
#include "search/searchwindow.h"
#include "base/settingkeys.h"

#include <QObject>
#include <QPointer>
#include <functional>

class FeaturePage;
class QWidget;
struct NetworkContext;
struct WizardContext;

// The search window and the search timeouts dialog of the wizard: at most
// one of each, placed by the wizard, and what they share for the whole run
// (the remembered gateway host, the active timeout set). The feature page's
// search button opens the window, and a meter double-clicked there lands in
// the page's address fields.
class SearchWindows : public QObject {
    Q_OBJECT
public:
    SearchWindows(WizardContext& context, NetworkContext& network, QWidget* wizard, std::function<QString()> typedAddress,
                  FeaturePage& featurePage, QObject* parent = nullptr);
    ~SearchWindows() override;

    // Opens the window, or brings it to the front when it is open.
    void ShowSearchWindow();
    // Beside the window it is opened from (the log window), else the wizard's.
    void ShowSearchTimeouts(const QWidget* opener = nullptr);
    // Both close (a running search is stopped first).
    void CloseAll();

    Ostrand_Search* SearchWindow() const { return m_Search; }
    Ostrand_SearchTimeouts* SearchTimeouts() const { return m_Timeouts; }

    // The dialog's choice while it is open, the stored one otherwise.
    ini::SearchGateway ActiveGatewayType() const;

private:
    WizardContext& m_Context;
    NetworkContext& m_Network;
    QWidget* m_Wizard;
    std::function<QString()> m_TypedAddress;
    MeterAddressTarget m_MeterTarget;
    RememberedHost m_RememberedHost;
    QPointer<Ostrand_Search> m_Search;
    QPointer<Ostrand_SearchTimeouts> m_Timeouts;
};
