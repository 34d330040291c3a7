#include "writesettingspage.h"

#include "netsetuptexts.h"
#include "shell/infobox.h"
#include "shell/pageflow.h"
#include "shell/settings.h"
#include "shell/wizardcontext.h"

#include <QLabel>
#include <QVBoxLayout>

WriteSettingsPage::WriteSettingsPage(WizardHost& host, QWidget* parent)
    : WizardPage(page::WriteSettings, host, parent)
{
    Text_Info = AddInfo(55, Body(), 1);
    Text_Info->SetMaximumAutoHeight(1000);
    Body()->addStretch(0);
}

void WriteSettingsPage::Startup()
{
    HeaderLabel()->setText(GetLanguageText(netsetuptext::kWritingSettingsHeader));
}

void WriteSettingsPage::Enter(bool, bool)
{
    const int mode = Context().settings.ReadInt(keys::Option_EnterIPAddress) == 0 ? 1 : 2;
    if (m_WriteRecord)
        m_WriteRecord(mode);
}
