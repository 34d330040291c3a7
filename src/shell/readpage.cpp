#include "readpage.h"

#include "pageconnection.h"
#include "resultlabel.h"
#include "wizardcontext.h"
#include "wizardhost.h"
#include "comm/commtexts.h"

#include <QPushButton>

ReadPage::ReadPage(int number, const ini::LinkTimingKeys& timings, WizardHost& host, QWidget* parent)
    : WizardPage(number, host, parent)
    , m_Timings(timings)
{
}

void ReadPage::Prepare(bool back, bool forward)
{
    WizardPage::Prepare(back, forward);
    PrepareLinkTimings(Context(), m_Timings);
    ReadResult()->ShowResult(GetLanguageText(commtext::kOpeningConnection), ResultKind::Success);
    Host().SetNextEnabled(false);
}

void ReadPage::Enter(bool back, bool forward)
{
    WizardPage::Enter(back, forward);
    const bool opened = OpenPageConnection(Context(), Host().Window());
    if (opened)
        ReadResult()->ShowResult(QString(), ResultKind::Success);
    else
        ReadResult()->ShowResult(ConnectionFailureText(Context(), QStringLiteral(" Error: ")), ResultKind::DeviceError);
    ReadButton()->setEnabled(opened);
    if (!opened)
        return;
    if (Ostrand_Debug* window = Host().DebugWindow())
        OfferDebugPoll(*window);
}

void ReadPage::Leave(bool back, bool forward)
{
    WizardPage::Leave(back, forward);
    if (back)
        Context().connection.CloseConnection();
}

void ReadPage::OfferDebugPoll(Ostrand_Debug& window)
{
    window.SetPollAction([this] { ReadButton()->click(); });
    window.SetPollEnabled(true);
}
