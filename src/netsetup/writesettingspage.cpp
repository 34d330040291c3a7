#include "writesettingspage.h"

#include "netsetuptexts.h"
#include "networksettings.h"
#include "shell/infobox.h"
#include "base/pageflow.h"
#include "base/settings.h"
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
    if (m_WriteRecord)
        m_WriteRecord(ChosenTransferMode(Context().settings));
}
