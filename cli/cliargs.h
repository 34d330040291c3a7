#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

// The command line of ostrand-cli: global options (before or after the
// command), transport options, and the command with its own options.
struct CliArgs {
    QString command;
    QStringList arguments; // the command's positional arguments

    QString appDir;
    std::optional<int> language;
    bool trace = false;
    bool json = false;
    int repeat = 1; // 0 = until interrupted
    int intervalMs = 0;

    // transport
    QString udp;    // HOST[:PORT]
    QString tcp;
    QString serial; // a device or COMn
    std::optional<qint32> baud;
    QString parity;
    std::optional<int> dataBits;
    std::optional<int> stopBits;
    std::optional<qint64> busDelayMs;
    std::optional<qint64> busTimeoutMs;
    std::optional<qint64> openTimeoutMs;

    // the command's own options by name ("c", "a", "ci", "data", ...)
    QCommandLineParser* parser = nullptr;
    // The command line as given, for options whose meaning depends on
    // their order (an --order belongs to the --type before it).
    QStringList given;
};

// The values of the named options in the order they were given, each with
// its name ("--type INT16" and "--type=INT16" alike); everything after "--"
// is no option.
QList<std::pair<QString, QString>> OptionsInOrder(const QStringList& arguments, const QStringList& names);

// Which of the transport options a command takes.
enum class CommandTransport {
    None,       // it reaches its devices by its own arguments
    SerialOnly, // --serial: a gateway in its serial setup mode
    Any,        // the gateway's transparent port: --udp, --tcp or --serial, with line and timing options
};

// A command: its name, its own options, the arguments it takes and one line
// saying what it does (for the command list of --help).
struct CommandOptions {
    QString name;
    QList<QCommandLineOption> options;
    QString arguments; // as the usage line shows them, e.g. "HOST [--count N]"
    QString summary;
    CommandTransport transport = CommandTransport::None;
};

// Parses the arguments: the global options, the command, and the options of
// that command only. On a usage error returns the message to print.
// commandFound tells which command was named (nullptr when none), also for
// --help.
std::optional<QString> ParseCliArgs(const QStringList& arguments, const QList<CommandOptions>& commands,
                                    QCommandLineParser& parser, CliArgs& args,
                                    const CommandOptions** commandFound = nullptr);

// Splits "ADDRESS[:PORT]" with the given default port. The address is four
// decimal numbers 0-255 as a user must type it (returned as it is sent);
// nothing for anything else (a host name, "127.1", a second colon) or a port
// that is not a number from 1 to 65535.
std::optional<std::pair<QString, quint16>> HostAndPort(const QString& text, quint16 defaultPort);
// The usage error for a text HostAndPort does not take.
QString NotAnAddress(const QString& text);
// A MAC address as six two-digit hex bytes joined by "-", in upper case; nothing otherwise.
std::optional<QString> TypedMac(const QString& text);

// The bare --help: usage, the global options and the commands, one line each.
QString CliUsage(const QList<CommandOptions>& commands);
// COMMAND --help: the command's usage line, what it does, and its own
// arguments and options.
QString CommandHelp(const CommandOptions& command);
