#include "pagesetupview.h"

#include "configsocket.h"
#include "recordtransfer.h"
#include "shell/infobox.h"
#include "shell/wizardcontext.h"
#include "shell/wizardhost.h"

#include <QLabel>
#include <QMessageBox>

PageSetupView::PageSetupView(QLabel* header, InfoBox* info, QWidget* window)
    : m_Header(header)
    , m_Info(info)
    , m_Window(window)
{
}

void PageSetupView::SetHeader(const QString& text)
{
    if (m_Header)
        m_Header->setText(text);
}

void PageSetupView::SetInfo(const QString& text)
{
    if (m_Info)
        m_Info->SetText(text);
}

void PageSetupView::AppendInfo(const QString& text)
{
    if (m_Info)
        m_Info->AppendText(text);
}

void PageSetupView::Warn(const QString& text)
{
    ShowSetupWarning(m_Window, text);
}

void PageSetupView::SetBusy(bool busy)
{
    if (busy)
        m_Busy.emplace(m_Window);
    else
        m_Busy.reset();
}

void PageSetupView::SetWaitingForPrompt(bool waiting)
{
    if (onWaitingForPrompt)
        onWaitingForPrompt(waiting);
}

void ShowSetupWarning(QWidget* window, const QString& text)
{
    QMessageBox::warning(window, window ? window->windowTitle() : QString(), text);
}

std::optional<RecordRefusal> RefuseTypedAddresses(WizardHost& host, const QList<AddressField>& fields)
{
    const std::optional<RecordRefusal> refusal = CheckAddresses(fields);
    if (refusal)
        ShowSetupWarning(host.Window(), RefusalText(host.Context().language, *refusal));
    return refusal;
}

void UseWizardSettings(RecordTransfer& transfer, WizardHost& host, const ConfigTarget& target)
{
    WizardContext& context = host.Context();
    transfer.SetRemotePort(target.port);
    transfer.AdapterIP = context.state.SelectedAdapterIP;
    transfer.WarnThrough(
        [window = QPointer<QWidget>(host.Window())](const QString& text) { ShowSetupWarning(window, text); });
}
