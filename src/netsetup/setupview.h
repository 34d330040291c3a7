#pragma once

#include <QString>

// What an IP assignment or a setup-mode entry shows and locks while it runs:
// the page's header and information box and warnings in the wizard, standard
// output and error in the command-line tool.
class SetupView {
public:
    virtual ~SetupView() = default;

    virtual void SetHeader(const QString& text) = 0;
    virtual void SetInfo(const QString& text) = 0;
    virtual void AppendInfo(const QString& text) = 0;
    virtual void Warn(const QString& text) = 0;
    // The whole window unusable while the gateway is being talked to.
    virtual void SetBusy(bool busy) = 0;
    // While the setup prompt is awaited only Abort is usable.
    virtual void SetWaitingForPrompt(bool waiting) = 0;
};
