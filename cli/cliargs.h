#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <optional>

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
};

// Options each command adds to the common ones.
struct CommandOptions {
    QString name;
    QList<QCommandLineOption> options;
};

// Parses the arguments; on a usage error returns the message to print.
std::optional<QString> ParseCliArgs(const QStringList& arguments, const QList<CommandOptions>& commands,
                                    QCommandLineParser& parser, CliArgs& args);

// Splits "HOST[:PORT]" with the given default port; nothing when the port is
// not a number from 1 to 65535.
std::optional<std::pair<QString, quint16>> HostAndPort(const QString& text, quint16 defaultPort);

QString CliUsage(const QList<CommandOptions>& commands);
