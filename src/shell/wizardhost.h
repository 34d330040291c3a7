#pragma once

#include <QString>

class Ostrand_Debug;
class QWidget;
struct WizardContext;

// What a page may ask of the wizard window around it.
class WizardHost {
public:
    virtual ~WizardHost() = default;

    virtual WizardContext& Context() = 0;
    virtual QWidget* Window() = 0; // parent of message boxes and dialogs

    virtual void SetNextEnabled(bool enabled) = 0;
    virtual void SetBackEnabled(bool enabled) = 0;
    virtual void SetCancelEnabled(bool enabled) = 0;
    virtual void SetNextCaption(const QString& caption) = 0;
    virtual bool IsNextEnabled() const = 0;
    // A double click that stands for choosing and pressing Next.
    virtual void ActAsNext() = 0;

    // Opens the communication log window, or closes it when it is open.
    virtual void ToggleDebugWindow() = 0;
    // The open communication log window; nullptr while it is closed.
    virtual Ostrand_Debug* DebugWindow() = 0;
};
