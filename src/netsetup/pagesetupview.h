#pragma once

#include "recordedit.h"
#include "setupview.h"
#include "shell/busyguard.h"

#include <QPointer>
#include <functional>
#include <optional>

class InfoBox;
class RecordTransfer;
struct ConfigTarget;
class WizardHost;
class QLabel;
class QWidget;

// Shows a network setup operation in a page: its header label and
// information box, warnings as message boxes over the wizard, and the wizard
// window disabled while the gateway is being talked to.
class PageSetupView : public SetupView {
public:
    PageSetupView(QLabel* header, InfoBox* info, QWidget* window);

    void SetHeader(const QString& text) override;
    void SetInfo(const QString& text) override;
    void AppendInfo(const QString& text) override;
    void Warn(const QString& text) override;
    void SetBusy(bool busy) override;
    void SetWaitingForPrompt(bool waiting) override;

    // The page's own controls for the prompt wait (Abort and the rest).
    std::function<void(bool waiting)> onWaitingForPrompt;

private:
    QPointer<QLabel> m_Header;
    QPointer<InfoBox> m_Info;
    QPointer<QWidget> m_Window;
    std::optional<BusyGuard> m_Busy;
};

// A warning box over the wizard, titled as the wizard is.
void ShowSetupWarning(QWidget* window, const QString& text);

// Warns over the wizard about the first field that is not an address (its
// label, the value and how to type one) and gives it; nothing when all are
// addresses. Pages refuse Next with it before anything is stored or sent.
std::optional<RecordRefusal> RefuseTypedAddresses(WizardHost& host, const QList<AddressField>& fields);

// The wizard's configuration port, adapter and warning boxes for a transfer.
void UseWizardSettings(RecordTransfer& transfer, WizardHost& host, const ConfigTarget& target);
