#pragma once

#include "shell/wizardpage.h"

#include <array>

class InfoBox;
class QRadioButton;

// Page 1: the seven tasks.
class TaskPage : public WizardPage {
    Q_OBJECT
public:
    explicit TaskPage(WizardHost& host, QWidget* parent = nullptr);

    void Startup() override;

    void SelectTask(int task);
    void SetTaskEnabled(int task, bool enabled);
    bool IsTaskEnabled(int task) const;

    std::array<QRadioButton*, 7> Option_SelectWhatToDo{};
    InfoBox* Text_Info = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Option_SelectWhatToDo_Click(int index);
};
