#pragma once

#include "clioutput.h"

#include "netsetup/ipassignment.h"
#include "netsetup/setupview.h"

#include <QCommandLineOption>
#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>
#include <variant>

class CliSession;
class Language;
class QCommandLineParser;
class RecordTransfer;
struct RecordRefusal;

// What the configuration commands (record-read, record-write, set-ip) share.

// Keeps what an operation shows: the last header and the information text;
// warnings go to standard error at once.
class CliSetupView : public SetupView {
public:
    void SetHeader(const QString& text) override { header = text; }
    void SetInfo(const QString& text) override { info = text; }
    void AppendInfo(const QString& text) override { info += text; }
    void Warn(const QString& text) override;
    void SetBusy(bool) override { }
    void SetWaitingForPrompt(bool) override { }

    // Header and information on one line.
    QString Outcome() const;

    QString header;
    QString info;
};

// Text of several lines as one line of output.
QString OneLine(const QString& text);

// The serial device of --serial: "COMn" names a list index, anything else a
// device.
SetupPort SetupPortOf(const QString& serial);

// --prompt-timeout, default one minute.
std::variant<std::chrono::milliseconds, CliResult> PromptTimeout(const QCommandLineParser& parser);

// The options the configuration commands share.
QCommandLineOption PromptTimeoutOption();
QCommandLineOption AdapterOption();

// A transfer with the session's warnings on standard error.
void UseSession(RecordTransfer& transfer, CliSession& session);

// A value refused, as the option that gave it.
CliResult RefusedOption(const RecordRefusal& refusal, const Language& language);

CliResult UsageError(const QString& message);
CliResult DeviceError(const QString& message);
