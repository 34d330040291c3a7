#pragma once

#include "cliargs.h"
#include "clioutput.h"

#include "features/featureprotocol.h"

#include <QCommandLineOption>
#include <functional>
#include <memory>
#include <optional>
#include <variant>

class CliSession;

// What the meter commands (mbus-init, mbus-identify, mbus-read,
// mbus-set-address, mbus-set-speed, mbus-app-reset) share.

// Keeps the information text the feature page would show.
class CliFeatureView : public FeatureView {
public:
    void SetInfo(const QString& text) override { m_Info = text; }
    void AppendInfo(const QString& text) override { m_Info += text; }
    void SetBusy(bool) override {}
    // The text on one line, for a message= field or an error line.
    QString Message() const;

private:
    QString m_Info;
};

// The operations with the session's link, frame count bits and texts, and
// a view of their own.
struct FeatureRun {
    explicit FeatureRun(CliSession& session);
    CliFeatureView view;
    FeatureProtocol protocol;
};

// A meter's secondary address as --secondary gives it: the identification
// (digits, F or * for any digit) and optionally the manufacturer (hex, or
// its three letters), version and medium (hex), separated by commas or dots;
// parts left out match anything. The 16 hex digits of a whole secondary
// address (12345678 4D2D 01 07, blanks allowed) are its four parts too.
std::optional<SecondaryAddress> ParseSecondaryAddress(const QString& text);

// The meter a command talks to: a primary address, or 253 after selecting
// the meter by --secondary.
struct MeterTarget {
    quint8 address = 0;
    std::optional<SecondaryAddress> secondary;
};

// ADDRESS (0-255) as the first argument, or --secondary; argumentsAfter is
// how many further arguments the command takes.
std::variant<MeterTarget, CliResult> TargetFromArguments(const CliArgs& args, int argumentsAfter, bool secondaryAllowed);

// A whole number in the range, or nothing.
std::optional<int> NumberIn(const QString& text, int minimum, int maximum);

// Selects the meter when the target says so; a failure to report, or nothing.
std::optional<CliResult> SelectTarget(FeatureRun& run, const MeterTarget& target);

// The options some meter commands share.
QCommandLineOption SecondaryOption();
QCommandLineOption AlwaysInitOption();
QCommandLineOption SubcodeOption();

// --subcode N (0-15) as the reset list's index (N + 1); 0 when absent.
std::variant<int, CliResult> SubcodeChoice(const QCommandLineParser& parser);

// "acknowledged or not": the address, yes/no and the information text; a
// failure (status 1) when the meter did not acknowledge.
CliResult Acknowledgement(quint8 address, bool acknowledged, const QString& what, const CliFeatureView& view);

// Opens the transport of the M-Bus commands and hands back the operation,
// or the failure.
std::variant<std::function<CliResult()>, CliResult> MeterCommand(CliSession& session,
                                                                  std::function<CliResult()> operation);
