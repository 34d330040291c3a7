#include "taskpage.h"

#include "apptexts.h"
#include "netsetup/netsetuptexts.h"
#include "shell/infobox.h"
#include "base/settings.h"
#include "shell/wizardcontext.h"
#include "shell/wizardhost.h"

#include <QButtonGroup>
#include <QEvent>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

TaskPage::TaskPage(WizardHost& host, QWidget* parent)
    : WizardPage(1, host, parent)
{
    Text_Info = AddInfo(1, Body());
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < 7; ++i) {
        auto* option = new QRadioButton(this);
        option->setObjectName(ElementName(QStringLiteral("Option_SelectWhatToDo"), i));
        option->installEventFilter(this);
        group->addButton(option, i);
        Body()->addWidget(option);
        Option_SelectWhatToDo[static_cast<size_t>(i)] = option;
        connect(option, &QRadioButton::clicked, this, [this, i] { Option_SelectWhatToDo_Click(i); });
    }
    Body()->addStretch(1);
}

void TaskPage::Startup()
{
    HeaderLabel()->setText(GetLanguageText(apptext::kTaskQuestion));
    Text_Info->SetText(GetLanguageText(apptext::kTaskInfo));
    for (int i = 0; i < 7; ++i)
        Option_SelectWhatToDo[static_cast<size_t>(i)]->setText(
            GetLanguageText(netsetuptext::kFindGateways + i)); // 110-116
    SelectTask(Context().settings.ReadInt(keys::Option_SelectWhatToDo));
}

void TaskPage::SelectTask(int task)
{
    if (task < 0 || task >= static_cast<int>(Option_SelectWhatToDo.size()))
        task = 0;
    Option_SelectWhatToDo[static_cast<size_t>(task)]->setChecked(true);
    Option_SelectWhatToDo_Click(task);
}

void TaskPage::SetTaskEnabled(int task, bool enabled)
{
    Option_SelectWhatToDo[static_cast<size_t>(task)]->setEnabled(enabled);
}

bool TaskPage::IsTaskEnabled(int task) const
{
    return Option_SelectWhatToDo[static_cast<size_t>(task)]->isEnabled();
}

void TaskPage::Option_SelectWhatToDo_Click(int index)
{
    Context().settings.Save(keys::Option_SelectWhatToDo, index);
    Context().state.WhatToDo = static_cast<qint16>(index);
}

bool TaskPage::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        for (size_t i = 0; i < Option_SelectWhatToDo.size(); ++i) {
            if (watched == Option_SelectWhatToDo[i] && Option_SelectWhatToDo[i]->isEnabled()) {
                Option_SelectWhatToDo[i]->setChecked(true);
                Option_SelectWhatToDo_Click(static_cast<int>(i));
                Host().ActAsNext();
                return true;
            }
        }
    }
    return WizardPage::eventFilter(watched, event);
}
