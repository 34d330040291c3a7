#pragma once

#include "wizardhost.h"

// A page's surroundings when no wizard window is there (pages made only to
// be measured, a benchmark driving one page): the context and, when given,
// a log window; the buttons it would enable or caption do not exist, so
// those requests go nowhere but the Next state, which is remembered.
class PlainWizardHost : public WizardHost {
public:
    explicit PlainWizardHost(WizardContext& context, Ostrand_Debug* debugWindow = nullptr)
        : m_Context(context)
        , m_DebugWindow(debugWindow)
    {
    }

    WizardContext& Context() override { return m_Context; }
    QWidget* Window() override { return nullptr; }
    void SetNextEnabled(bool enabled) override { m_NextEnabled = enabled; }
    void SetBackEnabled(bool) override {}
    void SetCancelEnabled(bool) override {}
    void SetNextCaption(const QString&) override {}
    bool IsNextEnabled() const override { return m_NextEnabled; }
    void ActAsNext() override {}
    void ToggleDebugWindow() override {}
    Ostrand_Debug* DebugWindow() override { return m_DebugWindow; }

private:
    WizardContext& m_Context;
    Ostrand_Debug* m_DebugWindow;
    bool m_NextEnabled = true;
};
